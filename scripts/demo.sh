#!/bin/bash
# Installs what is missing, builds, and runs the command-line ExtIO host against
# the simulated receivers as a new user would: the listing, a recorded stream in
# RF and one in HF1 direct sampling with their spectra, and a picture of the
# control dialog. Everything lands in build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
source scripts/wine-env.sh

out=build/demo
rm -rf "$out"
mkdir -p "$out"
host() { "$WINE" build/win64/extio_host.exe "$@"; }
spectrum() { /usr/bin/python3 extio_host/power_plot.py "$out/$1.sigmf-meta" -o "$out/$1-power.png"; }

echo
echo "== The plug-in and the receivers it finds"
host list build/win64/ExtIO_KelvoSDR.dll

# Both runs share one settings file, as a host program keeps one: the second
# starts from what the first saved.
common=(--seconds 3 --record-seconds 0.5 --quiet --out "$out" --settings "$out/extio_host_settings.ini")

echo
export KELVO_SIM_TONE_HZ="${KELVO_SIM_TONE_HZ:-1000000}" KELVO_SIM_HF1_HZ="${KELVO_SIM_HF1_HZ:-5000000}"
echo "== RF: the tuner at 145 MHz, 10 MS/s; the simulated tone sits $KELVO_SIM_TONE_HZ Hz from the LO"
host run --device 0 --rate 10M --input rf --lo 145M --lna 2 --vga 12 --name rf "${common[@]}"
spectrum rf

echo
echo "== HF1 direct sampling, 16 MS/s; the simulated HF1 tone is at $KELVO_SIM_HF1_HZ Hz (its mirror at 16 MHz less that)"
host run --device 1 --rate 16M --input hf1 --name hf1 "${common[@]}"
spectrum hf1

echo
echo "== The control dialog while a stream runs (rendered under Xvfb)"
ensure_desktop_prefix
WINEPREFIX="$repo_root/build/wineprefix-desktop" xvfb-run -a -s "-screen 0 1024x768x24" \
  "$WINE" build/win64/extio_host.exe screenshot "Z:$repo_root/$out/control_dialog.bmp" \
  build/win64/ExtIO_KelvoSDR.dll 2>/dev/null
/usr/bin/python3 scripts/bmp_to_png.py "$out/control_dialog.bmp" "$out/control_dialog.png"
rm "$out/control_dialog.bmp"

echo
echo "Everything is in $repo_root/$out:"
ls -l "$out" | tail -n +2
