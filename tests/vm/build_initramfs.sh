#!/usr/bin/env bash
# Builds the initramfs of the hidraw VM test: busybox, the HID modules of the
# guest kernel (with what they depend on), the given programs with the shared
# libraries ldd lists for them and the loader, extra files, and the init
# script as /init. The archive is a gzip'ed newc cpio written by busybox.
#
# build_initramfs.sh OUT KERNEL_DIR BUSYBOX INIT [--bin PROGRAM]... [--file DEST=SOURCE]...
#   KERNEL_DIR holds lib/modules/<release>/ of the unpacked kernel package.
set -euo pipefail
out=$1 kernel_dir=$2 busybox=$3 init=$4
shift 4
bins=() files=()
while [ $# -gt 0 ]; do
  case $1 in
    --bin) bins+=("$2"); shift 2 ;;
    --file) files+=("$2"); shift 2 ;;
    *) echo "build_initramfs: unknown argument $1" >&2; exit 2 ;;
  esac
done

root="$out.d"
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,etc,modules,data}

install -m 755 "$busybox" "$root/bin/busybox"
for applet in $("$busybox" --list); do
  [ "$applet" = busybox ] || ln -s busybox "$root/bin/$applet"
done

# The modules in load order: each after the modules its depends= field names
# (the field depmod builds modules.dep from).
moddir=$(echo "$kernel_dir"/lib/modules/*)
declare -A placed=()
order=()
module_file() {
  find "$moddir/kernel" -name "$1.ko" -o -name "$1.ko.xz" -o -name "$1.ko.zst" | head -n 1
}
place_module() {
  local name=${1//_/-} file deps dep
  [ -n "${placed[$name]:-}" ] && return 0
  file=$(module_file "$name")
  [ -n "$file" ] || file=$(module_file "${name//-/_}")
  if [ -z "$file" ]; then echo "build_initramfs: module $1 not found in $moddir" >&2; exit 1; fi
  placed[$name]=1
  case $file in
    *.xz) xz -dc "$file" >"$root/modules/$name.ko" ;;
    *.zst) zstd -qdc "$file" >"$root/modules/$name.ko" ;;
    *) cp "$file" "$root/modules/$name.ko" ;;
  esac
  deps=$(tr '\0' '\n' <"$root/modules/$name.ko" | sed -n 's/^depends=//p' | head -n 1)
  for dep in ${deps//,/ }; do place_module "$dep"; done
  order+=("$name")
}
for m in hid uhid hid-generic; do place_module "$m"; done
printf '%s\n' "${order[@]}" >"$root/modules/load-order"

copy_with_path() {  # a library or the loader, at the path the loader will look for it
  local src=$1
  mkdir -p "$root$(dirname "$src")"
  [ -e "$root$src" ] || cp -L "$src" "$root$src"
}
for bin in "${bins[@]}"; do
  install -m 755 "$bin" "$root/bin/$(basename "$bin")"
  while read -r lib; do copy_with_path "$lib"; done < <(ldd "$bin" |
    awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }')
done
for spec in "${files[@]}"; do
  dest=${spec%%=*} src=${spec#*=}
  mkdir -p "$root$(dirname "$dest")"
  cp "$src" "$root$dest"
done

# A second, unprivileged user for the permission step.
printf 'root:x:0:0:root:/:/bin/sh\nbrindle:x:1000:1000:brindle:/tmp:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\nbrindle:x:1000:\n' >"$root/etc/group"
install -m 755 "$init" "$root/init"

(cd "$root" && find . | "$busybox" cpio -o -H newc -R 0:0 2>/dev/null) | gzip -1 >"$out.tmp"
mv "$out.tmp" "$out"
rm -rf "$root"
