#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks the desktop
# integration: the programs, the udev rule, the menu entry, the icon and the
# metainfo, that they name each other correctly, and that the validators
# accept them. Exits 77 (skipped) when a validator is not installed.
#   install_test.sh BUILD_DIR
set -euo pipefail
build="$1"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
root="$stage/usr"

fail() { echo "FAIL: $*" >&2; exit 1; }
for f in bin/brindle bin/brindle-cli lib/udev/rules.d/70-brindle.rules \
         share/applications/brindle.desktop share/icons/hicolor/scalable/apps/brindle.svg \
         share/metainfo/brindle.metainfo.xml; do
  [ -s "$root/$f" ] || fail "$f is not installed"
done
[ -x "$root/bin/brindle" ] || fail "bin/brindle is not executable"

# The entry starts the installed program with the installed icon, and the
# metainfo points at the entry.
desktop="$root/share/applications/brindle.desktop"
exec_name="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
icon_name="$(sed -n 's/^Icon=//p' "$desktop")"
[ -x "$root/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
[ -f "$root/share/icons/hicolor/scalable/apps/$icon_name.svg" ] || fail "Icon=$icon_name has no icon"
grep -q '<launchable type="desktop-id">brindle.desktop</launchable>' \
  "$root/share/metainfo/brindle.metainfo.xml" || fail "metainfo does not launch brindle.desktop"
grep -q 'ATTRS{idVendor}=="0416", ATTRS{idProduct}=="b500"' \
  "$root/lib/udev/rules.d/70-brindle.rules" || fail "the udev rule does not match the device"

missing=""
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
  missing+=" desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  # The component id is the program's name, which is also the window's
  # desktop-file name: not a reverse domain name, by choice.
  appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
    "$root/share/metainfo/brindle.metainfo.xml" || fail "appstreamcli validate"
else
  missing+=" appstreamcli"
fi
if command -v rsvg-convert >/dev/null; then
  rsvg-convert -o "$stage/icon.png" "$root/share/icons/hicolor/scalable/apps/$icon_name.svg" ||
    fail "the icon does not render"
else
  missing+=" rsvg-convert"
fi
if [ -n "$missing" ]; then
  echo "installed files are in place; not validated, missing:$missing (scripts/install-deps.sh)"
  exit 77
fi
echo "installed and valid"
