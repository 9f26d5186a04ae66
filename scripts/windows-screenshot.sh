#!/usr/bin/env bash
# Takes docs/screenshot-windows.png: brindle.exe under Wine on the simulated
# device, identified and in the middle of an update, inside a Wine desktop
# window (Wine draws the Windows frame and title bar itself) on a virtual X
# display. Needs build-windows/ built with the desktop program
# (scripts/windows.sh) and the packages scripts/screenshot.sh installs.
#   BRINDLE_WINDOWS_CACHE  where the Wine prefix for pictures lives
#   SHOT_DELAY=SECONDS     time from the start to the picture (default 14)
set -euo pipefail
cd "$(dirname "$0")/.."
gui=build-windows/src/gui/brindle.exe
cli=build-windows/src/cli/brindle-cli.exe
[ -f "$gui" ] || { echo "no $gui: run scripts/windows.sh first" >&2; exit 1; }

work="$(mktemp -d -t brindle-winshot.XXXXXX)"
trap 'rm -rf "$work"' EXIT
# The sample of scripts/screenshot.sh: made-up data, 5 ms per report.
scripts/sample-sections.sh "$work"
echo '{"faults": {"reportDelayMicros": 5000}}' >"$work/slow.json"

export WINEPREFIX=${BRINDLE_WINDOWS_CACHE:-/var/cache/brindle/windows}/wine-shot
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WORK="$work" SHOT_DELAY="${SHOT_DELAY:-14}"
export GUI="$PWD/$gui" CLI="$PWD/$cli"
mkdir -p "$WINEPREFIX" docs
xvfb-run -a -s "-screen 0 800x760x24" bash -c '
  set -euo pipefail
  wineboot -i >/dev/null 2>&1 </dev/null || true
  # The dialog face where Qt finds fonts (see scripts/windows.sh), and the
  # symbols of the title-bar buttons Wine draws.
  cp -n /usr/share/wine/fonts/tahoma*.ttf /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  wine "$CLI" pack "Z:$WORK/navdata-2024.dwm" --producer "Valdemo Tech Co." \
    --A "Z:$WORK/a.bin" --C "Z:$WORK/c.bin" --E "Z:$WORK/e.bin" \
    --brand "BR01=Z:$WORK/brand.bin" >/dev/null
  wine explorer /desktop=Brindle,600x660 "$GUI" --simulate="Z:$WORK/slow.json" \
    --demo-update="Z:$WORK/navdata-2024.dwm" >/dev/null 2>&1 </dev/null &
  app=$!
  sleep "$SHOT_DELAY"
  desktop="$(xwininfo -root -tree | sed -n "s/^ *\(0x[0-9a-f]*\) \"Brindle - Wine desktop\".*/\1/p" | head -n 1)"
  if [ -z "$desktop" ]; then echo "no Wine desktop window" >&2; wineserver -k; exit 1; fi
  import -window "$desktop" "$WORK/shot.png"
  wineserver -k || true
  wait "$app" 2>/dev/null || true
'
convert "$work/shot.png" -strip -colors 256 PNG8:docs/screenshot-windows.png
echo "docs/screenshot-windows.png: $(stat -c %s docs/screenshot-windows.png) bytes"
