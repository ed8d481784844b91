#!/bin/bash
# Installs what is missing, builds both architectures and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
ctest --test-dir build/win64 --output-on-failure "$@"
