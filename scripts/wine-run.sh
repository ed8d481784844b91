#!/bin/bash
# Runs a Windows program under 64-bit Wine in the build tree's prefix; CMake's
# cross-compiling emulator for the tests.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
ensure_wine_prefix
exec "$WINE" "$@"
