#!/usr/bin/env bash
# Installs what the project needs, checks the sources' layout, builds it and
# runs every test: a normal build (with the hidraw test in a QEMU guest), then
# the suite under AddressSanitizer + UndefinedBehaviorSanitizer, then under
# ThreadSanitizer (the toolkit-free tests; Qt is not built for it), then the
# update-file parser's fuzzer for a short fixed time, then the Debian packages
# in a clean Debian 12 root (tests/packaging/deb_test.sh, as root), then the
# Windows leg (scripts/windows.sh): the cross build, its tests and its
# installer under Wine.
#   BRINDLE_SKIP_DEPS=1  do not install packages
#   BRINDLE_QUICK=1      the normal build's tests only, without the VM test
#   BRINDLE_SKIP_WINDOWS=1  leave the Windows leg out
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${BRINDLE_SKIP_DEPS:-0}" != 1 ]; then scripts/install-deps.sh; fi
quick="${BRINDLE_QUICK:-0}"
scripts/check-format.sh

# Each suite is a preset of CMakePresets.json (build folder build-<preset>);
# the sanitizers' run-time options are part of its test preset.
run_suite() {  # preset, extra cmake arguments...
  local preset="$1"; shift
  cmake --preset "$preset" "$@"
  cmake --build --preset "$preset" -j2
  ctest --preset "$preset" -j2
}

vm=ON
[ "$quick" = 1 ] && vm=OFF
run_suite release -DBRINDLE_VM_TEST="$vm"
if [ "$quick" != 1 ]; then
  run_suite asan
  # ThreadSanitizer of this compiler cannot map its shadow memory with the
  # kernel's full address randomisation, so the suite runs without it.
  setarch "$(uname -m)" -R bash -c "$(declare -f run_suite); run_suite tsan"
  FUZZ_SECONDS="${FUZZ_SECONDS:-30}" scripts/fuzz.sh
  # Needs root for mmdebstrap and chroot, and the network to Debian's archive.
  $( [ "$(id -u)" -ne 0 ] && echo sudo ) tests/packaging/deb_test.sh
  if [ "${BRINDLE_SKIP_WINDOWS:-0}" != 1 ]; then
    scripts/windows.sh
  fi
fi
echo "all tests passed"
