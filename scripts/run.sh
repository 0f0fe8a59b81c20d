#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it: on your display
# when there is one, else under a virtual X server with a scripted click.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target skinwall
program="$PWD/build/release/app/skinwall"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$program"
fi

. scripts/xvfb.sh
trap stop_xvfb EXIT
start_xvfb
echo "No display: running under Xvfb ($DISPLAY) with a scripted click."
"$program" &
pid=$!
window=$(xdotool search --sync --onlyvisible --classname skinwall | head -n 1)
xdotool mousemove --window "$window" 136 60 click 1
sleep 1
import -window root build/release/window.png
python3 tests/app/close_window.py "$window"
wait "$pid"
echo "The window closed cleanly; a screenshot is in build/release/window.png."
