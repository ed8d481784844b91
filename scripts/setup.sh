#!/bin/bash
# Installs what the build and the tests need, if anything is missing.
set -euo pipefail

packages=(
  cmake ninja-build python3 python3-pefile
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64 googletest bsdutils xvfb xauth libbenchmark-dev
  clang libclang-rt-14-dev python3-numpy python3-matplotlib
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
