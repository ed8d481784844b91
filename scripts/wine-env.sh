# Sourced: the private, headless Wine environment of a build tree.
repo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# KELVO_WINEPREFIX gives a second build tree a prefix of its own.
export WINEPREFIX="${KELVO_WINEPREFIX:-$repo_root/build/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
WINE=/usr/lib/wine/wine64

# Creates the prefix once, with the null graphics driver so that windows and
# dialogs work without a display.
ensure_wine_prefix() {
  [[ -f "$WINEPREFIX/.kelvo-ready" ]] && return 0
  echo "Creating the Wine prefix in $WINEPREFIX (once)"
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot --init >/dev/null 2>&1 || true
  "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  touch "$WINEPREFIX/.kelvo-ready"
}

# A second prefix for pictures of real windows: Wine's X11 driver under Xvfb,
# drawing its own window frames since Xvfb runs no window manager.
ensure_desktop_prefix() {
  local prefix="$repo_root/build/wineprefix-desktop"
  [[ -f "$prefix/.kelvo-ready" ]] && return 0
  echo "Creating the desktop Wine prefix in $prefix (once)"
  mkdir -p "$prefix"
  WINEPREFIX="$prefix" "$WINE" wineboot --init >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  WINEPREFIX="$prefix" /usr/lib/wine/wineserver -w
  touch "$prefix/.kelvo-ready"
}
