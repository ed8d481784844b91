#!/bin/bash
# Runs the libFuzzer targets (native, ASan + UBSan) for a while each, starting
# from the committed corpus, and prints their figures: runs, execs/s, coverage
# (cov: edges, ft: features) and the corpus reached.
# Usage: scripts/fuzz.sh [device_listing_fuzzer|settings_restore_fuzzer|board_info_fuzzer|all] [seconds, default 60]
# The corpus is copied to a scratch folder, so the repository is never written:
#   $KELVO_FUZZ_WORK (default build/native/fuzz-runs)/<fuzzer>/{corpus,fuzz.log,crash-*}
# A finding stops that fuzzer, keeps the input beside its log and makes the
# script fail. KELVO_FUZZ_BUILD=0 skips building the native tree first;
# KELVO_NATIVE_DIR names it (default build/native).
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
target="${1:-all}"
seconds="${2:-60}"
native="${KELVO_NATIVE_DIR:-$root/build/native}"
work="${KELVO_FUZZ_WORK:-$native/fuzz-runs}"
all=(device_listing_fuzzer settings_restore_fuzzer board_info_fuzzer)

if [[ "${KELVO_FUZZ_BUILD:-1}" != 0 ]]; then
  [[ -f "$native/build.ninja" ]] || cmake -S tests/native -B "$native" -G Ninja >/dev/null
  cmake --build "$native" -j 2 >/dev/null
fi

case "$target" in
  all) fuzzers=("${all[@]}") ;;
  device_listing_fuzzer | settings_restore_fuzzer | board_info_fuzzer) fuzzers=("$target") ;;
  *) echo "unknown fuzzer: $target (one of: ${all[*]} all)" >&2; exit 2 ;;
esac

max_len() {  # the longest input each target reads in full
  case "$1" in
    device_listing_fuzzer) echo 261 ;;   # 5 header bytes + a 256-byte listing
    settings_restore_fuzzer) echo 258 ;; # 2 header bytes + texts up to 256 characters
    board_info_fuzzer) echo 64 ;;        # two 32-byte buffers
  esac
}

last_match() {  # pattern: the last match on standard input, or "?"
  local found
  found="$(grep -oP "$1" | tail -n 1)" || true
  echo "${found:-?}"
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=0
summary=()
for fuzzer in "${fuzzers[@]}"; do
  dir="$work/$fuzzer"
  rm -rf "$dir"
  mkdir -p "$dir"
  cp -r "fuzz/corpus/$fuzzer" "$dir/corpus"
  options=(-max_total_time="$seconds" -max_len="$(max_len "$fuzzer")" -timeout=10
           -print_final_stats=1 -artifact_prefix="$dir/")
  [[ -f "fuzz/$fuzzer.dict" ]] && options+=(-dict="fuzz/$fuzzer.dict")
  echo "### $fuzzer, $seconds s: $native/fuzz/$fuzzer ${options[*]} $dir/corpus"
  status=0
  started=$SECONDS
  "$native/fuzz/$fuzzer" "${options[@]}" "$dir/corpus" >"$dir/fuzz.log" 2>&1 || status=$?
  elapsed=$((SECONDS - started))
  # The last status line: "#<runs> DONE cov: <edges> ft: <features> corp: <units>/<size> ... exec/s: <n> ..."
  done_line="$(grep -E '^#[0-9]+' "$dir/fuzz.log" | tail -n 1 || true)"
  runs="$(last_match 'stat::number_of_executed_units:\s*\K[0-9]+' <"$dir/fuzz.log")"
  rate="$(last_match 'stat::average_exec_per_sec:\s*\K[0-9]+' <"$dir/fuzz.log")"
  cov="$(last_match 'cov: \K[0-9]+' <<<"$done_line")"
  ft="$(last_match 'ft: \K[0-9]+' <<<"$done_line")"
  corp="$(last_match 'corp: \K[^ ]+' <<<"$done_line")"
  if ((status != 0)); then
    failed=1
    echo "FINDING (exit $status), log: $dir/fuzz.log"
    grep -E 'ERROR|runtime error|broken invariant|SUMMARY|Test unit written' "$dir/fuzz.log" | head -n 20 || true
    summary+=("$(printf '%-26s %8s %12s %10s %6s %6s %14s  %s' "$fuzzer" "$elapsed" "$runs" "$rate" "$cov" "$ft" "$corp" FINDING)")
  else
    summary+=("$(printf '%-26s %8s %12s %10s %6s %6s %14s  %s' "$fuzzer" "$elapsed" "$runs" "$rate" "$cov" "$ft" "$corp" none)")
  fi
done
echo
printf '%-26s %8s %12s %10s %6s %6s %14s  %s\n' fuzzer seconds runs execs/s cov ft corpus findings
printf '%s\n' "${summary[@]}"
exit "$failed"
