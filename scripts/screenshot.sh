#!/usr/bin/env bash
# Takes docs/screenshot.png, the picture in the README: the desktop program on
# the simulated device, identified and in the middle of an update, on a
# virtual X display (Xvfb) with a small window manager for the title bar.
#   BRINDLE_SKIP_DEPS=1   do not install packages
#   BRINDLE_BUILD_DIR=DIR build folder (default build-release)
#   SHOT_DELAY=SECONDS    time from identification to the picture (default 8)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${BRINDLE_SKIP_DEPS:-0}" != 1 ]; then
  scripts/install-deps.sh
  # Only the picture needs these: a window manager for the title bar and
  # ImageMagick's import for the capture.
  $( [ "$(id -u)" -ne 0 ] && echo sudo ) apt-get install -y --no-install-recommends imagemagick openbox
fi
build="${BRINDLE_BUILD_DIR:-build-release}"
cmake --preset release -B "$build" >/dev/null
cmake --build "$build" -j2 --target brindle brindle-cli

work="$(mktemp -d -t brindle-demo.XXXXXX)"
trap 'rm -rf "$work"' EXIT
# A sample update file of made-up data, as scripts/demo.sh packs it, and a
# simulated device that takes 5 ms per report: the transfer lasts about
# half a minute.
scripts/sample-sections.sh "$work"
mkdir -p "$work/maps"
"$build/src/cli/brindle-cli" pack "$work/maps/navdata-2024.dwm" --producer "Valdemo Tech Co." \
  --A "$work/a.bin" --C "$work/c.bin" --E "$work/e.bin" --brand "BR01=$work/brand.bin" >/dev/null
echo '{"faults": {"reportDelayMicros": 5000}}' >"$work/slow.json"
# A runtime folder of its own: a brindle the user is running is not asked
# to come forward, and its device lock is not touched.
mkdir -m 700 "$work/runtime"

export BRINDLE_GUI="$PWD/$build/src/gui/brindle" WORK="$work" SHOT_DELAY="${SHOT_DELAY:-8}"
mkdir -p docs
xvfb-run -a -s "-screen 0 720x600x24" bash -c '
  set -euo pipefail
  openbox >/dev/null 2>&1 &
  wm=$!
  sleep 1
  XDG_RUNTIME_DIR="$WORK/runtime" "$BRINDLE_GUI" --simulate="$WORK/slow.json" \
    --demo-update="$WORK/maps/navdata-2024.dwm" &
  app=$!
  # The title says "GPS Connected" once the device is identified; the
  # update starts at that moment.
  window=""
  for _ in $(seq 100); do
    window="$(xwininfo -root -tree | sed -n "s/^ *\(0x[0-9a-f]*\) \"Update Program   GPS Connected.*/\1/p" | head -n 1)"
    [ -n "$window" ] && break
    sleep 0.1
  done
  if [ -z "$window" ]; then echo "the window did not identify the device" >&2; kill "$app" "$wm"; exit 1; fi
  sleep "$SHOT_DELAY"
  import -window "$window" -frame "$WORK/shot.png"
  kill "$app" "$wm"
  wait "$app" || true
'
# 256 colours keep the picture small; the window has few.
convert "$work/shot.png" -strip -colors 256 PNG8:docs/screenshot.png
echo "docs/screenshot.png: $(stat -c %s docs/screenshot.png) bytes"
