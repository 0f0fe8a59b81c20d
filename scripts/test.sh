#!/usr/bin/env bash
# Installs what is needed, builds both platforms and runs every test: the
# native build directly and under ASan + UBSan, the Windows build under Wine,
# all in a real X server.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset debug >/dev/null
cmake --build --preset debug -j2
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j2
cmake --preset windows >/dev/null
cmake --build --preset windows -j2

. scripts/xvfb.sh
cleanup() {
  if declare -F stop_wine >/dev/null; then stop_wine; fi
  stop_xvfb
}
trap cleanup EXIT
start_xvfb

status=0
echo "== native tests =="
ctest --preset debug -j2 || status=1

echo "== native tests under ASan and UBSan =="
ctest --preset sanitize -j2 || status=1

echo "== fuzzing under ASan and UBSan =="
bash scripts/fuzz.sh || status=1

echo "== the program end to end under valgrind =="
bash scripts/valgrind-e2e.sh build/debug || status=1

echo "== Windows tests under Wine =="
. scripts/wine-env.sh
ctest --preset windows || status=1

exit $status
