#!/usr/bin/env bash
# Builds the Debian packages from this tree, checks them with lintian,
# installs them with apt into a clean Debian 12 root made by mmdebstrap (the
# dependencies come from Debian's archive as a user's apt fetches them), runs
# both programs there on the simulated device, then purges them and checks
# that the root holds exactly the files it held before.
#
# Runs as root (chroot and mounts) with the network to deb.debian.org; needs
# mmdebstrap, dpkg-dev, debhelper, lintian and the build dependencies listed
# in debian/control (scripts/install-deps.sh installs them all).
#   BRINDLE_DEB_CACHE=DIR   kept between runs: the clean root (a tarball, made
#                           anew each day), the package build (same path each
#                           time, so the compiler cache hits) and the packages
#                           apt downloaded. Default /var/cache/brindle.
#   BRINDLE_DEB_MIRROR=URL  Debian mirror (default http://deb.debian.org)
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
cache="${BRINDLE_DEB_CACHE:-/var/cache/brindle}"
mirror="${BRINDLE_DEB_MIRROR:-http://deb.debian.org}"
suite=bookworm

fail() { echo "deb_test: FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (mmdebstrap --mode=root, chroot, mounts)"
for tool in mmdebstrap dpkg-buildpackage lintian chroot flock; do
  command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh)"
done

mkdir -p "$cache"
# Runs share the cache, so they take turns.
exec 9>"$cache/lock"
flock 9
started=$SECONDS
step() { printf '== %s (%d s)\n' "$*" $((SECONDS - started)); }

work=""
root=""
mounts=()
gui=""
cleanup() {
  local i
  if [ -n "$gui" ]; then kill "$gui" 2>/dev/null || true; wait "$gui" 2>/dev/null || true; fi
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" || true
  done
  # Never delete through a mount that is still there (the host's /dev).
  if [ -n "$work" ] && ! grep -q " $root/" /proc/self/mounts; then
    rm -rf --one-file-system "$work"
  fi
}
trap cleanup EXIT

version="$(sed -n 's/^project(brindle VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")"
arch="$(dpkg --print-architecture)"

# 1. The packages, built as a Debian developer builds them, from a copy of
# the tree's files (committed or not) in a fixed folder. Packages built from
# the same files with the same installed packages are used again.
build="$cache/build"
changes="$build/brindle_${version}_$arch.changes"
debs=("$build/brindle-cli_${version}_$arch.deb" "$build/brindle_${version}_$arch.deb")
stamp="$( (cd "$src" && git ls-files -z --cached --others --exclude-standard |
  grep -zvx tests/packaging/deb_test.sh | xargs -0 sha256sum 2>/dev/null; dpkg-query -W) |
  sha256sum | cut -d' ' -f1)"
if [ "$(cat "$build/stamp" 2>/dev/null)" = "$stamp" ] && [ -s "$changes" ]; then
  step "brindle $version: packages of this very tree are already built"
else
  step "building brindle $version"
  rm -rf "$build"
  mkdir -p "$build/brindle"
  git -C "$src" ls-files -z --cached --others --exclude-standard |
    tar -C "$src" --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$build/brindle" -xf -
  if command -v ccache >/dev/null; then export CMAKE_CXX_COMPILER_LAUNCHER=ccache; fi
  if ! (cd "$build/brindle" && dpkg-buildpackage -us -uc -b -j2) >"$build/build.log" 2>&1; then
    tail -n 40 "$build/build.log" >&2
    fail "dpkg-buildpackage (log: $build/build.log)"
  fi
  echo "$stamp" >"$build/stamp"
fi
for deb in "${debs[@]}"; do [ -s "$deb" ] || fail "$deb was not built"; done
# A console-only install must not pull in the toolkit.
if dpkg-deb -f "${debs[0]}" Depends | grep -qi qt; then
  fail "brindle-cli depends on Qt: $(dpkg-deb -f "${debs[0]}" Depends)"
fi

step "lintian"
lintian --fail-on error,warning "$changes" || fail "lintian"

# 2. A clean Debian 12 root as a fresh installation has it: the packages of
# priority required and important (apt, mount, systemd, ...) with what they
# recommend, as apt installs them, and a user's sources. Made once a day;
# the archive's newest lists are fetched anyway.
tarball="$cache/$suite-important-$(date -u +%Y%m%d).tar"
if [ ! -s "$tarball" ]; then
  step "making a clean Debian 12 root"
  rm -f "$cache/$suite"-*.tar "$cache/$suite"-*.tar.part
  mmdebstrap --mode=root --variant=important --aptopt='APT::Install-Recommends "true"' \
    --format=tar --quiet "$suite" "$tarball.part" \
    "deb $mirror/debian $suite main" \
    "deb $mirror/debian $suite-updates main" \
    "deb $mirror/debian-security $suite-security main"
  mv "$tarball.part" "$tarball"
fi
step "unpacking the clean root"
work="$(mktemp -d "${TMPDIR:-/var/tmp}/brindle-deb.XXXXXX")"
root="$work/root"
mkdir "$root"
tar -C "$root" -xf "$tarball"
mountin() {  # mount arguments..., target inside the root
  local target="$root/${*: -1}"
  mount "${@:1:$#-1}" "$target"
  mounts+=("$target")
}
mountin -t proc proc /proc
mountin -t sysfs sysfs /sys
mountin --bind /dev /dev
mountin --bind /dev/pts /dev/pts
mkdir -p "$cache/apt-archives/partial"
mountin --bind "$cache/apt-archives" /var/cache/apt/archives
cp /etc/resolv.conf "$root/etc/resolv.conf"
# No services start inside the root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}
before="$work/before" after="$work/after" ours="$work/ours"

# Every file of the root except the package managers' own records and logs,
# the dynamic linker's cache, and the mounted and scratch folders.
list_files() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev -o -path ./run \
    -o -path ./tmp -o -path ./var/lib/dpkg -o -path ./var/lib/apt -o -path ./var/cache/apt \
    -o -path ./var/log -o -path ./var/cache/debconf -o -path ./var/cache/ldconfig \) -prune \
    -o -print | LC_ALL=C sort)
}

step "installing with apt"
in_root apt-get update -qq
list_files >"$before"
in_root dpkg-query -W -f '${Package}\n' | LC_ALL=C sort >"$work/packages.before"
mkdir -p "$root/tmp/debs"
cp "${debs[@]}" "$root/tmp/debs/"
chmod -R a+rX "$root/tmp/debs"
in_root sh -c 'cd /tmp/debs && apt-get install -y -q ./*.deb' >"$build/apt-install.log" 2>&1 ||
  { tail -n 30 "$build/apt-install.log" >&2; fail "apt-get install"; }
grep -E '^(Need to get|After this operation)' "$build/apt-install.log" || true
in_root dpkg-query -L brindle brindle-cli | LC_ALL=C sort -u >"$ours"
for f in /usr/bin/brindle /usr/bin/brindle-cli /usr/lib/udev/rules.d/70-brindle.rules \
         /usr/share/applications/brindle.desktop /usr/share/icons/hicolor/scalable/apps/brindle.svg \
         /usr/share/metainfo/brindle.metainfo.xml /usr/share/man/man1/brindle.1.gz \
         /usr/share/man/man1/brindle-cli.1.gz; do
  grep -qx "$f" "$ours" || fail "$f is not in the packages"
done

# 3. The console program: pack an update file and send it to the simulated
# device.
step "brindle-cli on the simulated device"
[ "$(in_root brindle-cli --version)" = "brindle-cli $version" ] || fail "brindle-cli --version"
mkdir -p "$root/tmp/try"
for part in a:4096 brand:3000 c:70000 e:200000; do
  head -c "${part#*:}" /dev/urandom >"$root/tmp/try/${part%%:*}.bin"
done
in_root brindle-cli pack /tmp/try/sample.dwm --producer "Valdemo Tech Co." --A /tmp/try/a.bin \
  --C /tmp/try/c.bin --E /tmp/try/e.bin --brand BR01=/tmp/try/brand.bin
outcome="$(in_root brindle-cli --simulate update /tmp/try/sample.dwm 2>/dev/null)" ||
  fail "brindle-cli update: $outcome"
[ "$outcome" = "Update Successfully!" ] || fail "brindle-cli update said: $outcome"
echo "brindle-cli: $outcome"

# 4. The desktop program on Qt's offscreen platform. With --demo-update it
# presses Update by itself once it has identified the simulated device; the
# accessibility log names the message box's text. It must still be running
# then (the box waits for a click), and is ended.
step "brindle on the offscreen platform"
[ "$(in_root brindle --version)" = "brindle $version" ] || fail "brindle --version"
mkdir -m 700 "$root/tmp/run"
log="$root/tmp/brindle.log"
# chroot and env hand their process on, so $! is the program's; it does
# not keep the cache's lock.
chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root LANG=C.UTF-8 \
  XDG_RUNTIME_DIR=/tmp/run QT_QPA_PLATFORM=offscreen \
  QT_LOGGING_RULES=qt.accessibility.cache.debug=true \
  brindle --simulate --demo-update=/tmp/try/sample.dwm >"$log" 2>&1 9>&- &
gui=$!
for _ in $(seq 600); do
  grep -q 'name="Update Successfully!"' "$log" && break
  kill -0 "$gui" 2>/dev/null || break
  sleep 0.1
done
if ! kill -0 "$gui" 2>/dev/null; then
  wait "$gui" && status=0 || status=$?
  tail -n 20 "$log" >&2
  fail "brindle ended by itself (status $status)"
fi
kill "$gui"
wait "$gui" || true
gui=""
grep -q 'name="Update Successfully!"' "$log" || { tail -n 20 "$log" >&2; fail "brindle did not update within 60 s"; }
echo "brindle: identified the simulated device and showed \"Update Successfully!\""
rm -rf "$root/tmp/try" "$root/tmp/run" "$log" "$root/tmp/debs"

# 5. Purge, with the dependencies apt installed for them, and compare.
step "purging"
in_root apt-get purge -y -q --autoremove brindle brindle-cli >"$build/apt-purge.log" 2>&1 ||
  { tail -n 30 "$build/apt-purge.log" >&2; fail "apt-get purge"; }
list_files >"$after"
in_root dpkg-query -W -f '${Package}\n' | LC_ALL=C sort >"$work/packages.after"
ours_left="$(comm -12 "$ours" <(sed 's|^\.||' "$after") | comm -23 - <(sed 's|^\.||' "$before"))"
[ -z "$ours_left" ] || fail "files of the packages left after purge:"$'\n'"$ours_left"
gone="$(comm -23 "$before" "$after")"
[ -z "$gone" ] || fail "files missing after purge that were there before:"$'\n'"$gone"
# What apt keeps on purpose (a dependency that a package of the clean root
# recommends) stays installed and owns its files; anything else is a trace.
kept="$(comm -13 "$work/packages.before" "$work/packages.after" | tr '\n' ' ')"
[ -z "$kept" ] || echo "apt kept these dependencies, wanted by the clean root's packages: $kept"
# dpkg names some files by their path in /lib or /bin, which are /usr/lib
# and /usr/bin on the merged /usr.
cat "$root"/var/lib/dpkg/info/*.list |
  sed -E 's#^/(lib|lib64|bin|sbin)/#/usr/\1/#; s#^#.#' | LC_ALL=C sort -u >"$work/owned"
left="$(comm -13 "$before" "$after" | comm -23 - "$work/owned")"
[ -z "$left" ] || fail "files left after purge that no package owns and were not there before:"$'\n'"$left"
step "passed: built, lintian-clean, installed, ran and purged without a trace"
