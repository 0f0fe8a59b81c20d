#!/usr/bin/env bash
# Installs what is needed, builds the program, starts the bundled sample site
# on its built-in address and opens the window: on your display when there is
# one, else under a virtual X server with a scripted click. Pictures land in
# folders beside the program, in build/release/app/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target skinwall
app_dir="$PWD/build/release/app"
program="$app_dir/skinwall"
port=$(sed -n 's/^#define SKINWALL_WEB_HOST "127.0.0.1:\([0-9]*\)"$/\1/p' "$app_dir/generated/app/hosts.h")

state="$PWD/build/release/sample_site"
cleanup() {
  python3 tests/app/site_fixture.py stop --state "$state"
  if declare -F stop_xvfb >/dev/null; then stop_xvfb; fi
}
trap cleanup EXIT
if [ -n "$port" ]; then
  python3 tests/app/site_fixture.py start --state "$state" --port "$port"
  echo "Sample site on http://127.0.0.1:$port/"
fi

count_pictures() { find "$app_dir" -name '*.jpg' | wc -l; }

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Press 开始下载 in the window; close it when the caption reads 下载完毕."
  "$program"
else
  . scripts/xvfb.sh
  start_xvfb
  echo "No display: running under Xvfb ($DISPLAY) with a scripted click."
  "$program" &
  pid=$!
  window=$(xdotool search --sync --onlyvisible --classname skinwall | head -n 1)
  xdotool mousemove --window "$window" 136 60 click 1
  expected=$(python3 -c "import urllib.request as u; print(len(u.urlopen('http://127.0.0.1:$port/_tree').read().splitlines()))")
  last=-1
  while [ "$(count_pictures)" -lt "$expected" ] && [ "$(count_pictures)" != "$last" ]; do
    last=$(count_pictures)
    sleep 3
  done
  sleep 1
  import -window root build/release/window.png
  python3 tests/app/close_window.py "$window"
  wait "$pid"
  echo "Screenshot of the window: build/release/window.png"
fi
echo "$(count_pictures) pictures in $(find "$app_dir" -mindepth 1 -type d -not -name 'CMakeFiles*' -not -path '*/CMakeFiles/*' -not -path '*/generated*' | wc -l) folders under $app_dir"
