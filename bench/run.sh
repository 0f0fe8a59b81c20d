#!/usr/bin/env bash
# Every benchmark in one command: builds them in Release under build/bench,
# then
#   1. the download job end to end against nginx serving an export of the
#      sample site as static files on 127.0.0.1, side by side with one curl
#      process and with wget -i fetching the same URLs, and the job's peak
#      memory with about 50 and with all pictures; then the job's steps
#      timed one by one, and the job once more with a heap that glibc does
#      not trim, to show what its allocations per picture cost;
#   2. the catalogue pattern (regex_bench);
#   3. the walking primitives (walking_bench).
# Prints figures and targets; it does not judge them by its exit status,
# which only says whether the benchmark could run.
#
#   bash bench/run.sh            RUNS=9 bash bench/run.sh   (default 5 runs)
#
# Installs what it needs (scripts/install-deps.sh, nginx, curl, wget and
# time among it). Everything it starts, it stops when it ends, also on failure.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

runs=${RUNS:-5}
small_pictures=50
build=build/bench
work=$PWD/build/bench-e2e
site_tree=$work/site
catalogue_path=web201605/js/herolist.json
picture_path=images/mhvo/img201606/skin/hero-info

for tool in nginx curl wget /usr/bin/time python3 cmake ninja; do
  if ! command -v "$tool" >/dev/null && [ ! -x "/usr/sbin/$tool" ]; then
    echo "bench: $tool is missing (apt-get install nginx curl wget time)" >&2
    exit 1
  fi
done
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)

echo "== building the benchmarks (Release, $build) =="
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSKINWALL_TESTS=OFF >/dev/null
cmake --build "$build" --target e2e_bench regex_bench walking_bench -j2 | tail -n 1

site_pid=""
nginx_pid=""
stop_process() {  # pid: ends one process this script started, and waits for it
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}
cleanup() {
  stop_process "$site_pid"
  site_pid=""
  stop_process "$nginx_pid"
  nginx_pid=""
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A port on 127.0.0.1 that nothing listens on now; never 8391, which the
# program's built-in addresses and the test runs use.
free_port() {
  python3 - <<'EOF'
import socket
while True:
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    if port != 8391:
        print(port)
        break
EOF
}

wait_for_url() {  # url: up to 10 s for a server to answer
  for _ in $(seq 100); do
    curl -sf -o /dev/null "$1" && return 0
    sleep 0.1
  done
  echo "bench: nothing answers at $1" >&2
  return 1
}

# ---------------------------------------------------------------------------
# The sample site exported once into a static tree: the catalogue, a
# catalogue cut to the first heroes that make about $small_pictures pictures
# (under small/), and every picture once.
if [ ! -f "$site_tree/.complete" ]; then
  echo "== exporting the sample site to $site_tree =="
  rm -rf "$site_tree"
  mkdir -p "$(dirname "$site_tree/$catalogue_path")" "$(dirname "$site_tree/small/$catalogue_path")"
  rm -f "$work/site.port"
  python3 site/sample_site.py --port 0 --port-file "$work/site.port" >/dev/null &
  site_pid=$!
  for _ in $(seq 100); do [ -s "$work/site.port" ] && break; sleep 0.1; done
  site_url="http://127.0.0.1:$(cat "$work/site.port")"
  wait_for_url "$site_url/_tree"
  curl -sf "$site_url/_control?mode=healthy" >/dev/null
  curl -sf -o "$site_tree/tree.tsv" "$site_url/_tree"
  curl -sf -o "$site_tree/$catalogue_path" "$site_url/$catalogue_path"
  # The fewest first heroes whose pictures reach $small_pictures.
  small_heroes=$(awk -F'\t' -v want="$small_pictures" \
    '$1 != last { heroes++; last = $1 } { if (++pictures >= want) { print heroes; exit } }' "$site_tree/tree.tsv")
  curl -sf "$site_url/_control?mode=healthy&heroes=$small_heroes" >/dev/null
  curl -sf -o "$site_tree/small/tree.tsv" "$site_url/_tree"
  curl -sf -o "$site_tree/small/$catalogue_path" "$site_url/$catalogue_path"
  curl -sf "$site_url/_control?mode=healthy" >/dev/null
  awk -F'\t' -v site="$site_url" -v dir="$site_tree/$picture_path" \
    '{ printf "url = \"%s/'"$picture_path"'/%s/%s-bigskin-%s.jpg\"\noutput = \"%s/%s/%s-bigskin-%s.jpg\"\n", site, $1, $1, $2, dir, $1, $1, $2 }' \
    "$site_tree/tree.tsv" >"$work/export.curl"
  curl -sf --create-dirs -K "$work/export.curl"
  stop_process "$site_pid"
  site_pid=""
  touch "$site_tree/.complete"
fi
all_count=$(wc -l <"$site_tree/tree.tsv")
small_count=$(wc -l <"$site_tree/small/tree.tsv")

# ---------------------------------------------------------------------------
# nginx as the current user in the foreground, one process, everything of it
# under $work/nginx.
port=$(free_port)
nginx_dir=$work/nginx
rm -rf "$nginx_dir"
mkdir -p "$nginx_dir/temp"
cat >"$nginx_dir/nginx.conf" <<EOF
daemon off;
master_process off;
worker_processes 1;
pid $nginx_dir/nginx.pid;
error_log $nginx_dir/error.log warn;
events { worker_connections 64; }
http {
  types { application/json json; image/jpeg jpg; }
  default_type application/octet-stream;
  access_log off;
  sendfile on;
  tcp_nopush on;
  tcp_nodelay on;
  keepalive_timeout 60s;
  keepalive_requests 100000;
  client_body_temp_path $nginx_dir/temp/client;
  proxy_temp_path $nginx_dir/temp/proxy;
  fastcgi_temp_path $nginx_dir/temp/fastcgi;
  uwsgi_temp_path $nginx_dir/temp/uwsgi;
  scgi_temp_path $nginx_dir/temp/scgi;
  server {
    listen 127.0.0.1:$port;
    root $site_tree;
  }
}
EOF
"$nginx_bin" -p "$nginx_dir/" -e "$nginx_dir/error.log" -c "$nginx_dir/nginx.conf" &
nginx_pid=$!
base="http://127.0.0.1:$port"
wait_for_url "$base/$catalogue_path"

# The job's URL list, in the job's order: the catalogue, then every picture.
lists=$work/lists
rm -rf "$lists"
mkdir -p "$lists"
{
  echo "$base/$catalogue_path"
  awk -F'\t' -v b="$base/$picture_path" '{ printf "%s/%s/%s-bigskin-%s.jpg\n", b, $1, $1, $2 }' "$site_tree/tree.tsv"
} >"$lists/urls.txt"
# curl writes what the job writes: a folder per hero, a file per skin.
{
  printf 'url = "%s"\noutput = "%s"\n' "$base/$catalogue_path" "$work/out-curl/herolist.json"
  awk -F'\t' -v b="$base/$picture_path" -v o="$work/out-curl" \
    '{ printf "url = \"%s/%s/%s-bigskin-%s.jpg\"\noutput = \"%s/%s/%s.jpg\"\n", b, $1, $1, $2, o, $3, $4 }' \
    "$site_tree/tree.tsv"
} >"$lists/urls.curl"

e2e=$build/bench/e2e_bench
keep_heap=glibc.malloc.trim_threshold=33554432:glibc.malloc.mmap_threshold=33554432
results=$work/results.tsv
: >"$results"

# One timed run: tool, size (all|small), out folder, command...; appends
# tool size seconds max-RSS-KB files to $results.
timed() {
  local tool=$1 size=$2 out=$3
  shift 3
  rm -rf "$out"
  mkdir -p "$out"
  sync
  local start=${EPOCHREALTIME/,/.}
  /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null
  local end=${EPOCHREALTIME/,/.}
  local files
  files=$(find "$out" -name '*.jpg' | wc -l)
  printf '%s\t%s\t%s\t%s\t%s\n' "$tool" "$size" \
    "$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')" "$(tail -n 1 "$work/rss")" "$files" >>"$results"
}

run_tool() {  # tool size
  case "$1" in
    job)
      if [ "$2" = all ]; then
        timed job all "$work/out-job" "$e2e" job "$base/$catalogue_path" "$base/$picture_path/" "$work/out-job"
      else
        timed job small "$work/out-job" "$e2e" job "$base/small/$catalogue_path" "$base/$picture_path/" "$work/out-job"
      fi ;;
    job-kept)
      # The same job with glibc told not to give freed heap back to the
      # system, so that a picture's buffers reuse pages already mapped: shows
      # what the fresh allocations per picture cost.
      timed job-kept all "$work/out-job" env GLIBC_TUNABLES="$keep_heap" \
        "$e2e" job "$base/$catalogue_path" "$base/$picture_path/" "$work/out-job" ;;
    curl) timed curl all "$work/out-curl" curl -sf --create-dirs -K "$lists/urls.curl" ;;
    wget) timed wget all "$work/out-wget" wget -q -i "$lists/urls.txt" -P "$work/out-wget" ;;
  esac
}

echo "== end to end: $all_count pictures from nginx on $base, $runs runs each =="
tools=(job curl wget job-kept)
for t in "${tools[@]}"; do run_tool "$t" all; done  # warm-up: page cache, nginx
: >"$results"
for ((r = 0; r < runs; r++)); do
  # They take turns at going first, so that load on the machine hits all alike.
  for ((i = 0; i < ${#tools[@]}; i++)); do run_tool "${tools[(r + i) % ${#tools[@]}]}" all; done
  run_tool job small
done

python3 - "$results" "$all_count" "$small_count" <<'EOF'
import statistics, sys
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1])]
want = {"all": int(sys.argv[2]), "small": int(sys.argv[3])}
def pick(tool, size):
    return [r for r in rows if r[0] == tool and r[1] == size]
def med(rs, i):
    return statistics.median(float(r[i]) for r in rs)
print("\n== end to end: medians of %d runs ==" % len(pick("job", "all")))
print("  %-36s %10s %12s %8s" % ("", "wall s", "max RSS MB", "files"))
incomplete = []
for tool, size, label in (("job", "all", "job, %d pictures" % want["all"]),
                          ("curl", "all", "one curl process, same URLs"),
                          ("wget", "all", "wget -i, same URLs"),
                          ("job-kept", "all", "job, heap not trimmed (diagnosis)"),
                          ("job", "small", "job, %d pictures" % want["small"])):
    rs = pick(tool, size)
    files = sorted({int(r[4]) for r in rs})
    if files != [want[size]]:
        incomplete.append("%s wrote %s pictures, not %d" % (label, files, want[size]))
    print("  %-36s %10.3f %12.1f %8s" % (label, med(rs, 2), med(rs, 3) / 1024, "/".join(map(str, files))))
job, curl, wget = med(pick("job", "all"), 2), med(pick("curl", "all"), 2), med(pick("wget", "all"), 2)
big, small = max(float(r[3]) for r in pick("job", "all")), max(float(r[3]) for r in pick("job", "small"))
print()
print("  job / curl   %.2f   target 1.10 or less: %s" % (job / curl, "met" if job / curl <= 1.10 else "MISSED"))
print("  job / wget   %.2f" % (job / wget))
kept = med(pick("job-kept", "all"), 2)
print("  job with heap not trimmed / curl   %.2f" % (kept / curl))
if job / curl > 1.10:
    print("  why: the same job whose freed heap glibc keeps is %.2f x curl, so the extra %.0f ms go into"
          % (kept / curl, (job - kept) * 1000))
    print("       memory the job allocates afresh for every picture (page faults, zero-filling, copies),")
    print("       not into connections or the catalogue: see the steps below, a fresh request object")
    print("       per picture against one for all")
growth = big / small
print("  job peak memory %d vs %d pictures: %.1f MB vs %.1f MB (%.2fx)   target: no growth: %s"
      % (want["all"], want["small"], big / 1024, small / 1024, growth,
         "met" if growth <= 1.10 else "MISSED"))
for line in incomplete:
    print("  WARNING: " + line)
EOF

echo
echo "== where the job's time goes (one run, $all_count pictures) =="
rm -rf "$work/out-phases"
mkdir -p "$work/out-phases"
"$e2e" phases "$base/$catalogue_path" "$base/$picture_path/" "$work/out-phases"
cleanup

echo
echo "== the catalogue pattern (regex_bench) =="
"$build/bench/regex_bench"
echo
echo "== the walking primitives (walking_bench) =="
"$build/bench/walking_bench"
