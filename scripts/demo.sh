#!/bin/bash
# Installs what is missing, builds, and runs the command-line host against the
# simulated receivers.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
echo
scripts/wine-run.sh build/win64/extio_host.exe list build/win64/ExtIO_KelvoSDR.dll
