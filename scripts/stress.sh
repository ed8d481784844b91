#!/bin/bash
# Builds if needed, then runs the stress program at full size under Wine: 100
# start/stop cycles; 100,000 retunes and 10,000 dialog commands in one stream;
# 10,000 callback changes; 20 device changes; 10,000 rounds of restored
# settings. Prints per scenario: iterations, seconds, blocks produced, received
# and not delivered, and handle and thread counts before and after.
# Usage: scripts/stress.sh [gtest arguments, e.g. --gtest_filter=*Device*]
# KELVO_STRESS_BUILD_DIR runs another 64-bit build tree's program instead of
# build/win64 (that tree is then only brought up to date, not configured).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${KELVO_STRESS_BUILD_DIR:-}"
if [[ -z "$build_dir" ]]; then
  build_dir=build/win64
  scripts/build.sh
else
  cmake --build "$build_dir" --target stress_tests -j 2
fi
KELVO_STRESS_SIZE=full scripts/wine-run.sh "$build_dir/stress_tests.exe" --gtest_filter='StressTest.*' "$@"
