#!/usr/bin/env bash
# Fetches the guest system of the hidraw VM test into WORKDIR: the kernel of
# this Debian release's default kernel package and busybox-static, unpacked
# with dpkg -x (no maintainer scripts run, no root needed). Kept between
# runs; a newer default kernel replaces the old one.
# Prints the kernel release (e.g. 6.1.0-57-amd64).
set -euo pipefail
work=${1:?usage: fetch_guest_system.sh WORKDIR}
mkdir -p "$work/downloads"
cd "$work/downloads"

# linux-image-amd64 is the metapackage of the release's default kernel; its
# dependency names the versioned image package.
image=$(apt-cache depends linux-image-amd64 2>/dev/null |
  sed -n 's/^ *Depends: \(linux-image-[0-9].*-amd64\)$/\1/p' | head -n 1)
if [ -z "$image" ]; then
  echo "fetch_guest_system: apt-cache does not know linux-image-amd64 (run apt-get update)" >&2
  exit 1
fi
release=${image#linux-image-}

if [ ! -f "$work/kernel/$release/vmlinuz" ]; then
  rm -f linux-image-*.deb
  apt-get download "$image" >&2
  rm -rf "$work/kernel"  # an older kernel has served its time
  mkdir -p "$work/kernel"
  dpkg -x linux-image-*.deb "$work/kernel/$release.tmp"
  mv "$work/kernel/$release.tmp/boot/vmlinuz-$release" "$work/kernel/$release.tmp/vmlinuz"
  mv "$work/kernel/$release.tmp" "$work/kernel/$release"
  rm -f linux-image-*.deb
fi

if [ ! -x "$work/busybox/bin/busybox" ]; then
  rm -f busybox-static_*.deb
  apt-get download busybox-static >&2
  rm -rf "$work/busybox.tmp"
  dpkg -x busybox-static_*.deb "$work/busybox.tmp"
  rm -rf "$work/busybox"
  mv "$work/busybox.tmp" "$work/busybox"
  rm -f busybox-static_*.deb
fi
echo "$release"
