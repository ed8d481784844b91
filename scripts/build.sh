#!/bin/bash
# Installs what is missing and builds both architectures:
#   build/win32/ExtIO_KelvoSDR.dll  the product (32-bit)
#   build/win64/ExtIO_KelvoSDR.dll  the same sources for 64-bit, run under Wine
# each with the simulated device libraries and test programs beside it, and
# one zip per architecture for users in build/package/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/wine-env.sh

jobs="$(nproc)"
configure() {  # arch dir extra-args...
  local arch="$1" dir="$2"
  shift 2
  if [[ ! -f "$dir/build.ninja" ]]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-$arch-w64-mingw32.cmake" "$@" >/dev/null
  fi
}
# The pure code natively with clang: unit tests under ASan and UBSan, and the
# fuzzers. Built first: the win64 tree registers them when it finds them.
[[ -f build/native/build.ninja ]] || cmake -S tests/native -B build/native -G Ninja >/dev/null
cmake --build build/native -j "$jobs"
configure i686 build/win32
configure x86_64 build/win64 -DKELVO_BUILD_TESTS=ON -DKELVO_PRODUCT_DLL="$PWD/build/win32/ExtIO_KelvoSDR.dll" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/scripts/wine-run.sh"
cmake --build build/win32 -j "$jobs"
cmake --build build/win64 -j "$jobs"
/usr/bin/python3 scripts/make_package.py build/package build/win32/ExtIO_KelvoSDR.dll build/win64/ExtIO_KelvoSDR.dll >/dev/null
ensure_wine_prefix
