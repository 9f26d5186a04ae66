#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, run and test.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
  build-essential cmake ninja-build pkg-config \
  qt6-base-dev libgl-dev qt6-wayland weston \
  libhidapi-dev libudev-dev libcurl4-openssl-dev nlohmann-json3-dev \
  googletest libgtest-dev libgmock-dev libbenchmark-dev \
  p7zip-full xvfb fonts-dejavu-core fonts-noto-cjk \
  appstream desktop-file-utils librsvg2-bin x11-utils \
  clang libclang-rt-14-dev clang-format openssl ca-certificates \
  qemu-system-x86 \
  debhelper dpkg-dev fakeroot help2man lintian mmdebstrap
# Brindle's locks live in /run/lock, which systemd-tmpfiles makes at boot;
# a container started without it gets it here, as the boot would make it.
if [ ! -d /run/lock ]; then $SUDO install -d -m 1777 /run/lock; fi
