#!/usr/bin/env bash
# The Windows build: cross-builds brindle-cli.exe, brindle.exe (once the
# Windows Qt is in the prefix) and the tests with mingw-w64 into
# build-windows/, then runs every test under Wine, headless.
#   BRINDLE_WINDOWS_CACHE   where the libraries and the Wine prefix live
#                           (default /var/cache/brindle/windows)
#   BRINDLE_WINDOWS_PREFIX  a ready library prefix; skips scripts/windows-deps.sh
#   BRINDLE_SKIP_TESTS=1    build only
# The tests run on a virtual X display (Xvfb), so Wine can make real windows
# for the desktop program's native tests; the others use Qt's offscreen
# platform. Wine's own fonts (fonts-wine) give the dialog face its Windows
# substitute (Tahoma); the host's fonts serve the rest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
cache=${BRINDLE_WINDOWS_CACHE:-/var/cache/brindle/windows}
say() { printf 'windows: %s\n' "$*" >&2; }

started=$(date +%s)
prefix=${BRINDLE_WINDOWS_PREFIX:-$(scripts/windows-deps.sh)}
[ -d "$prefix/lib" ] || { say "no library prefix at $prefix"; exit 1; }
say "libraries from $prefix"

# The desktop program needs the Windows Qt, which the dependency script
# builds last; without it the console program and its tests still run.
gui=OFF
if [ -f "$prefix/lib/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake" ]; then
  gui=ON
else
  say "no Windows Qt in the prefix yet: building without the desktop program"
fi

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root} CCACHE_NOHASHDIR=1
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-windows -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DBRINDLE_WINDOWS_PREFIX="$prefix" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRINDLE_BUILD_GUI="$gui" -DBRINDLE_BUILD_BENCH=OFF -DBRINDLE_VM_TEST=OFF \
  -DCMAKE_INSTALL_BINDIR=. \
  "${launcher[@]}" >&2
cmake --build build-windows -j2
built=$(date +%s)
say "cross build: $((built - started)) s"
[ "${BRINDLE_SKIP_TESTS:-0}" = 1 ] && exit 0

# A virtual display for the whole Wine session: Wine's desktop process takes
# the display of the program that starts it and serves every later one.
display_file=$(mktemp)
Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp 7>"$display_file" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
[ -s "$display_file" ] || { say "Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n1 "$display_file")
rm -f "$display_file"

# One Wine prefix for every run, and one wineserver kept up for the whole
# test run: a first start in a new prefix takes seconds, later ones far less.
export WINEPREFIX=$cache/wine-tests WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$cache"
# One run at a time uses the prefix and its wineserver: a second run on the
# machine waits here instead of sharing the prefix or killing the first
# run's server.
exec 8>"$cache/wine-tests.lock"
if ! flock -n 8; then
  say "another run uses $WINEPREFIX: waiting for it"
  flock 8
fi
# A server left over for this prefix would keep an earlier display.
wineserver -k >/dev/null 2>&1 </dev/null || true
trap 'wineserver -k >/dev/null 2>&1 || true; kill "$xvfb" 2>/dev/null || true' EXIT
# The prefix counts as made only once its stamp is there: one whose making
# was cut (system.reg written, the Fonts folder not yet) is made anew.
ready=$WINEPREFIX/.brindle-ready
if [ ! -f "$ready" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 </dev/null || true
  # The first program in a new prefix still finishes setting it up; let it
  # do so before the tests start theirs side by side.
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  wineserver -w >/dev/null 2>&1 </dev/null || true
  [ -f "$WINEPREFIX/system.reg" ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ] ||
    { say "the Wine prefix $WINEPREFIX could not be made"; exit 1; }
  touch "$ready"
fi
wineserver -p >/dev/null 2>&1 </dev/null || true
# Qt lists only the fonts in the prefix's Fonts folder, not Wine's own: the
# dialog face (Tahoma, Wine's substitute for "MS Shell Dlg") goes there.
cp -n /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# Wine's background services start with the first program of a session and
# keep its output open: start them here, with nothing attached, or ctest
# would wait on them for ever.
wineboot >/dev/null 2>&1 </dev/null

# A test that fails is run once more before it counts: under Wine a test
# program now and then ends at its start (in 0.01 s, with no output) on a
# loaded machine. A real fault fails both times.
ctest --test-dir build-windows -j2 --output-on-failure --timeout 300 --repeat until-pass:2
tested=$(date +%s)
say "Wine test run: $((tested - built)) s"

# The installer, from the programs as installed, and its test under Wine.
version=$(sed -n 's/^project(brindle VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf build-windows/stage
# Installed stripped: the build keeps its debug information for the tests'
# backtraces, the user's copy does not carry it.
cmake --install build-windows --prefix build-windows/stage --strip >&2
for program in build-windows/stage/*.exe; do
  if x86_64-w64-mingw32-objdump -h "$program" | grep -q '\.debug_'; then
    say "$program still carries debug information"
    exit 1
  fi
done
installer=$(packaging/windows/make_installer.sh build-windows/stage \
  "build-windows/brindle-$version-setup.exe" "$version")
desktop=1
[ "$gui" = ON ] || desktop=0
BRINDLE_DESKTOP=$desktop tests/windows/installer_test.sh "$installer" "$version"
say "installer: $(du -k "$installer" | cut -f1) KiB, built and tested in $(($(date +%s) - tested)) s"
