#!/usr/bin/env bash
# Installs the Windows installer silently under Wine, runs the installed
# brindle-cli.exe through an update of a packed file on the simulated device,
# starts the installed brindle.exe twice (with a display: DISPLAY), uninstalls
# silently, and shows that nothing the installer put in place is
# left: no file, no Start-menu entry, no uninstall entry.
#   installer_test.sh INSTALLER VERSION
# BRINDLE_DESKTOP=0: the installer holds the console program alone (a build
# without the Windows Qt); the desktop program and its entry are not asked for.
# Uses WINEPREFIX as it is set (a prefix of its own when unset).
set -euo pipefail
installer=$(realpath "${1:?usage: installer_test.sh INSTALLER VERSION}")
version=${2:?}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
own_prefix=""
if [ -z "${WINEPREFIX:-}" ]; then
  own_prefix=$(mktemp -d)
  export WINEPREFIX=$own_prefix
fi
work=$(mktemp -d)
cleanup() {
  rm -rf "$work"
  if [ -n "$own_prefix" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$own_prefix"
  fi
}
trap cleanup EXIT
fail() { echo "installer_test: FAIL: $*" >&2; exit 1; }
step() { echo "== $*"; }

wineboot -i >/dev/null 2>&1 || true
drive="$WINEPREFIX/drive_c"
target='C:\BrindleInstallTest'
target_unix="$drive/BrindleInstallTest"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brindle'
menu="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Brindle"
[ ! -e "$target_unix" ] || fail "$target_unix exists before the test"

# What drive C holds, without Wine's own folders and the temporary files.
snapshot() {
  (cd "$drive" && find . -path ./windows -prune -o -path '*/Temp' -prune -o -print) |
    LC_ALL=C sort
}
snapshot >"$work/before"

step "installing $(basename "$installer") ($(du -k "$installer" | cut -f1) KiB) silently into $target"
wine "$installer" /S "/D=$target" || fail "the installer failed (status $?)"
programs=(brindle-cli.exe Uninstall.exe)
[ "${BRINDLE_DESKTOP:-1}" = 0 ] || programs+=(brindle.exe)
for f in "${programs[@]}"; do
  [ -f "$target_unix/$f" ] || fail "$f is not installed"
done
[ -f "$menu/Uninstall Brindle.lnk" ] || fail "no Start-menu entry for the uninstaller"
[ "${BRINDLE_DESKTOP:-1}" = 0 ] || [ -f "$menu/Brindle.lnk" ] || fail "no Start-menu entry"
wine reg query "$key" /v DisplayVersion 2>/dev/null | grep -q "$version" ||
  fail "no uninstall entry for version $version"

step "running the installed brindle-cli.exe on the simulated device"
cli() { wine "$target\\brindle-cli.exe" "$@"; }
[ "$(cli --version | tr -d '\r')" = "brindle-cli $version" ] || fail "brindle-cli.exe --version"
mkdir -p "$drive/brindle-try"
for part in a:4096 brand:3000 c:70000 e:200000; do
  head -c "${part#*:}" /dev/urandom >"$drive/brindle-try/${part%%:*}.bin"
done
cli pack 'C:\brindle-try\sample.dwm' --producer "Valdemo Tech Co." --A 'C:\brindle-try\a.bin' \
  --C 'C:\brindle-try\c.bin' --E 'C:\brindle-try\e.bin' --brand 'BR01=C:\brindle-try\brand.bin' ||
  fail "brindle-cli.exe pack"
outcome=$(cli --simulate update 'C:\brindle-try\sample.dwm' 2>/dev/null | tr -d '\r') ||
  fail "brindle-cli.exe update: $outcome"
[ "$outcome" = "Update Successfully!" ] || fail "brindle-cli.exe update said: $outcome"
echo "brindle-cli.exe: $outcome"
rm -rf "$drive/brindle-try"

if [ "${BRINDLE_DESKTOP:-1}" != 0 ]; then
  step "running the installed brindle.exe"
  [ "$(wine "$target\\brindle.exe" --version | tr -d '\r')" = "brindle $version" ] ||
    fail "brindle.exe --version"
  if [ -n "${DISPLAY:-}" ]; then
    # The window on the simulated device, then a second start: it must end
    # by itself at once (the first one's window is brought forward) while
    # the first runs on.
    wine "$target\\brindle.exe" --simulate >/dev/null 2>&1 </dev/null &
    first=$!
    sleep 4
    kill -0 "$first" 2>/dev/null || fail "brindle.exe --simulate ended by itself"
    timeout 30 wine "$target\\brindle.exe" --simulate >/dev/null 2>&1 </dev/null ||
      fail "a second brindle.exe did not end by itself (status $?)"
    kill -0 "$first" 2>/dev/null || fail "the first brindle.exe ended with the second"
    kill "$first"
    wait "$first" 2>/dev/null || true
    echo "brindle.exe: ran; a second start ended at once"
  fi
fi

step "uninstalling silently"
# The uninstaller copies itself to the temporary folder and returns at once;
# the installed folder goes when it has done.
wine "$target\\Uninstall.exe" /S || fail "the uninstaller failed (status $?)"
for _ in $(seq 150); do
  [ -e "$target_unix" ] || break
  sleep 0.2
done
[ ! -e "$target_unix" ] || fail "left after uninstalling: $(cd "$target_unix" && find . | tr '\n' ' ')"
[ ! -e "$menu" ] || fail "the Start-menu folder is left"
! wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry is left"
snapshot >"$work/after"
left=$(comm -13 "$work/before" "$work/after")
[ -z "$left" ] || fail "files on drive C that were not there before:"$'\n'"$left"
gone=$(comm -23 "$work/before" "$work/after")
[ -z "$gone" ] || fail "files on drive C that are gone:"$'\n'"$gone"
step "passed: installed, ran, uninstalled without a trace"
