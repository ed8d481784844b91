#!/bin/bash
# Installs what is missing, builds, and runs the command-line host against the
# simulated receivers: the listing, then a picture of the control dialog while
# a stream runs, rendered under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
source scripts/wine-env.sh
echo
scripts/wine-run.sh build/win64/extio_host.exe list build/win64/ExtIO_KelvoSDR.dll

ensure_desktop_prefix
mkdir -p build/demo
WINEPREFIX="$repo_root/build/wineprefix-desktop" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$WINE" build/win64/extio_host.exe screenshot "Z:$repo_root/build/demo/control_dialog.bmp" \
  build/win64/ExtIO_KelvoSDR.dll 2>/dev/null
python3 scripts/bmp_to_png.py build/demo/control_dialog.bmp build/demo/control_dialog.png
rm build/demo/control_dialog.bmp
echo
echo "Control dialog while streaming: build/demo/control_dialog.png"
