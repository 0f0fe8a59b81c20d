#!/usr/bin/env bash
# Builds the libFuzzer targets (the "fuzz" preset: clang, ASan + UBSan) and
# runs each for a short fixed time: first every saved regression input, then
# fresh fuzzing from a scratch copy of the seed corpus, so the committed
# corpora never change. Inputs that fail are kept in build/fuzz-findings/.
#
#   bash scripts/fuzz.sh [seconds-per-target]     (default: FUZZ_SECONDS or 20)
#
# Exits non-zero when any target fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-${FUZZ_SECONDS:-20}}"
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "fuzz.sh: the time per target must be a whole number of seconds, not '$seconds'" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2

bin=build/fuzz/fuzz
scratch=build/fuzz-corpus
findings=build/fuzz-findings
logs=build/fuzz-logs
rm -rf "$scratch" "$findings" "$logs"
mkdir -p "$scratch" "$findings" "$logs"

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=0:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# target and its longest input
targets=(
  "text_primitives_fuzz 512"
  "walking_fuzz 512"
  "cookies_fuzz 512"
  "header_text_fuzz 512"
  "base64_fuzz 512"
  "code_page_fuzz 256"
  "regex_fuzz 256"
)

status=0
for entry in "${targets[@]}"; do
  read -r target max_len <<<"$entry"
  options=(-max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$findings/$target-")

  regressions=(fuzz/regressions/"$target"/*)
  if [[ -e "${regressions[0]}" ]]; then
    echo "== $target: replaying ${#regressions[@]} regression inputs"
    if ! "$bin/$target" "${options[@]}" "${regressions[@]}" >"$logs/$target-regressions.log" 2>&1; then
      echo "!! $target fails on a regression input:" >&2
      tail -n 30 "$logs/$target-regressions.log" >&2
      status=1
      continue
    fi
  fi

  echo "== $target: fuzzing for ${seconds}s"
  cp -r "fuzz/corpus/$target" "$scratch/$target"
  if ! "$bin/$target" "${options[@]}" -max_total_time="$seconds" -print_final_stats=1 \
      "$scratch/$target" >"$logs/$target.log" 2>&1; then
    echo "!! $target found a failing input (kept in $findings/):" >&2
    tail -n 40 "$logs/$target.log" >&2
    status=1
    continue
  fi
  grep -E '^stat::number_of_executed_units' "$logs/$target.log" | sed "s/^/   /" || true
done

if [[ $status -ne 0 ]]; then
  echo "fuzzing found failures; the inputs are in $findings/" >&2
fi
exit $status
