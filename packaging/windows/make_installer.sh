#!/usr/bin/env bash
# Builds the Windows installer from a staged install tree (cmake --install
# build-windows --prefix STAGE): writes the lists of files to install and to
# remove, then runs makensis.
#   make_installer.sh STAGE OUTFILE VERSION
set -euo pipefail
stage=$(cd "${1:?usage: make_installer.sh STAGE OUTFILE VERSION}" && pwd)
out=$(realpath -m "${2:?}")
version=${3:?}
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$stage/brindle-cli.exe" ] || { echo "make_installer: $stage/brindle-cli.exe is missing" >&2; exit 1; }
desktop=()
[ -f "$stage/brindle.exe" ] && desktop=(-DWITH_DESKTOP)
lists=$(mktemp -d)
trap 'rm -rf "$lists"' EXIT

winpath() { printf '%s' "$1" | tr / '\\'; }
# Files in install order, folder by folder; removal in reverse, each folder
# after its files and only when empty.
(
  cd "$stage"
  find . -type d | LC_ALL=C sort | while read -r dir; do
    rel=${dir#./}; rel=${rel#.}
    echo "SetOutPath \"\$INSTDIR$( [ -n "$rel" ] && printf '\\%s' "$(winpath "$rel")")\""
    find "$dir" -maxdepth 1 -type f | LC_ALL=C sort | while read -r f; do
      echo "File \"$(winpath "$stage/${f#./}")\""
    done
  done
  echo 'SetOutPath "$INSTDIR"'
) >"$lists/files.nsh"
(
  cd "$stage"
  find . -type f | LC_ALL=C sort -r | while read -r f; do
    echo "Delete \"\$INSTDIR\\$(winpath "${f#./}")\""
  done
  find . -mindepth 1 -type d | LC_ALL=C sort -r | while read -r d; do
    echo "RMDir \"\$INSTDIR\\$(winpath "${d#./}")\""
  done
) >"$lists/unfiles.nsh"
# makensis on Linux takes / in File paths; \ in $INSTDIR paths are Windows'.
sed -i '/^File /s|\\|/|g' "$lists/files.nsh"
mkdir -p "$(dirname "$out")"
makensis -V2 "${desktop[@]}" -DVERSION="$version" -DSTAGE="$stage" -DLISTS="$lists" -DOUTFILE="$out" \
  "$here/brindle.nsi" >&2
echo "$out"
