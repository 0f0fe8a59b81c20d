#!/usr/bin/env bash
# The POSIX program end to end under valgrind: start, a real click that
# downloads a few heroes from the sample site, close. Fails when a block is
# definitely lost from the program's own code (the X and font libraries keep
# some memory for the life of the process; those records are listed, not
# counted). Usage: scripts/valgrind-e2e.sh [build-dir]   (default build/debug)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/debug}
work=$(mktemp -d)
site_state="$work/site"
port=$(sed -n 's/^#define SKINWALL_WEB_HOST "127.0.0.1:\([0-9]*\)"$/\1/p' "$build/app/generated/app/hosts.h")

. scripts/xvfb.sh
cleanup() {
  python3 tests/app/site_fixture.py stop --state "$site_state"
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT
python3 tests/app/site_fixture.py start --state "$site_state" --port "$port"
python3 -c "import urllib.request as u; u.urlopen('http://127.0.0.1:$port/_control?mode=healthy&heroes=8').read()"
start_xvfb

cp "$build/app/skinwall" "$work/"
(cd "$work" && valgrind --leak-check=full --show-leak-kinds=definite --log-file="$work/valgrind.log" ./skinwall) &
pid=$!
window=$(timeout 120 xdotool search --sync --onlyvisible --classname skinwall | head -n 1)
expected=$(python3 -c "import urllib.request as u; print(len(u.urlopen('http://127.0.0.1:$port/_tree').read().splitlines()))")
xdotool mousemove --window "$window" 136 60 click 1
for _ in $(seq 1 300); do
  [ "$(find "$work" -name '*.jpg' | wc -l)" -ge "$expected" ] && break
  sleep 1
done
sleep 2
python3 tests/app/close_window.py "$window"
wait "$pid"
echo "pictures: $(find "$work" -name '*.jpg' | wc -l) of $expected; exit code 0"
grep -E "definitely lost:|indirectly lost:|ERROR SUMMARY" "$work/valgrind.log" || true
# A definitely-lost record whose stack passes through our own code.
own=$(awk '/definitely lost in loss record/ {rec=1; own=0; next}
           rec && /^==[0-9]+== *$/ {if (own) n++; rec=0}
           rec && /skinwall::|\/skinwall\)/ {own=1}
           END {print n+0}' "$work/valgrind.log")
if [ "$own" -ne 0 ]; then
  echo "valgrind: $own leak record(s) from the program's own code:" >&2
  grep -A30 "definitely lost in loss record" "$work/valgrind.log" >&2
  exit 1
fi
echo "valgrind: no leak from the program's own code"
