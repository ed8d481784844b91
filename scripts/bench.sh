#!/bin/bash
# Builds everything and runs both benchmarks, printing their figures:
#   1. shaping_benchmark (native, build/native-bench): ShapeBlock on one block
#      in each mode beside an in-place pass and a memcpy of the same 256 KiB,
#      hot in cache and over a ring of 16 blocks, with a table of ratios.
#   2. stream_benchmark.exe (64-bit, under Wine): 50 MS/s through the plug-in
#      in RF and HF1, blocks produced and received, rate, CPU per block.
# Usage: scripts/bench.sh [seconds per stream run, default 10]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
scripts/build.sh
if [[ ! -f build/native-bench/build.ninja ]]; then
  cmake -S bench/native -B build/native-bench -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build/native-bench
echo
echo "### Shaping (native)"
build/native-bench/shaping_benchmark --benchmark_color=false
echo
echo "### Streaming (64-bit plug-in under Wine)"
scripts/wine-run.sh build/win64/stream_benchmark.exe "$seconds"
