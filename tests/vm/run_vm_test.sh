#!/usr/bin/env bash
# The host side of the hidraw VM test: fetches the guest system, works out
# the expected outputs by running the same commands against the simulated
# device, builds the initramfs, boots it under QEMU (TCG: KVM hangs guests on
# the build machines) and asserts the guest's result lines.
#
# run_vm_test.sh --cli BRINDLE_CLI --device BRINDLE_UHID_DEVICE --rate VM_REPORT_RATE --work DIR
#                --company NAME [--timeout SECONDS]
#   NAME: the company name the program is built for (update files name it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli= device= rate= work= company= timeout=240
while [ $# -gt 0 ]; do
  case $1 in
    --cli) cli=$2; shift 2 ;;
    --device) device=$2; shift 2 ;;
    --rate) rate=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --company) company=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    *) echo "run_vm_test: unknown argument $1" >&2; exit 2 ;;
  esac
done
[ -x "$cli" ] && [ -x "$device" ] && [ -x "$rate" ] && [ -n "$work" ] && [ -n "$company" ] || {
  echo "usage: run_vm_test.sh --cli BRINDLE_CLI --device BRINDLE_UHID_DEVICE --rate VM_REPORT_RATE --work DIR --company NAME" >&2
  exit 2
}
command -v qemu-system-x86_64 >/dev/null || { echo "run_vm_test: qemu-system-x86_64 is not installed" >&2; exit 1; }
started=$(date +%s%N)
mkdir -p "$work"
# The host's runs of the simulated device keep their device locks apart from
# any other run.
export XDG_RUNTIME_DIR="$work/runtime"
# The guest's clock zone, so dates print alike on both sides.
export TZ=UTC
mkdir -p "$XDG_RUNTIME_DIR"

release=$("$here/fetch_guest_system.sh" "$work")
kernel_dir="$work/kernel/$release"

# --- What the guest must see: the same commands on the simulated device ------
data="$work/data"
rm -rf "$data"
mkdir -p "$data"
"$cli" --simulate version >"$data/expected-version.txt"
"$cli" --simulate read 0 0x110 >"$data/expected-read.txt"
# About 0.3 s per report: a block read holds the device for two seconds.
echo '{"faults": {"reportDelayMicros": 300000}}' >"$data/slow.json"

has_command() {
  local err
  err=$("$cli" "$@" 2>&1 >/dev/null || true)
  [[ $err != *"unknown command"* ]]
}
steps=()
required=(modules version read report-rate busy unplug permission permission-granted uhid-queue)
if has_command --simulate identify; then
  "$cli" --simulate identify >"$data/expected-identify.txt"
  steps+=(identify)
  required+=(identify)
fi
if has_command pack && has_command --simulate update "$data/none.dwm"; then
  # Sections of a few hundred KiB: long enough to measure and to be cut by
  # an unplug, short enough for an emulated machine.
  sections="$work/sections"
  rm -rf "$sections"
  mkdir -p "$sections"
  head -c 20000 /dev/urandom >"$sections/a.bin"
  head -c 50000 /dev/urandom >"$sections/brand.bin"  # its region holds 0xD000 bytes
  head -c 200000 /dev/urandom >"$sections/c.bin"
  head -c 100000 /dev/urandom >"$sections/d.bin"
  head -c 50000 /dev/urandom >"$sections/e.bin"
  # The brand section is the one for the device's model code, bytes 4..7 of
  # its settings block (the text column of the dump's first line).
  model=$(sed -n '1s/.*|....\(....\).*|$/\1/p' "$data/expected-read.txt")
  "$cli" pack "$data/update.dwm" --producer "$company" \
    --A "$sections/a.bin" --brand "$model=$sections/brand.bin" \
    --C "$sections/c.bin" --D "$sections/d.bin" --E "$sections/e.bin"
  mkdir -p "$work/simdump"
  if ! "$cli" --simulate --sim-dump="$work/simdump" update "$data/update.dwm" \
    >"$data/expected-update.txt" 2>"$work/simulated-update.err"; then
    echo "run_vm_test: the update fails on the simulated device already:" >&2
    cat "$data/expected-update.txt" "$work/simulated-update.err" >&2
    exit 1
  fi
  (cd "$work/simdump" && md5sum area0.bin area1.bin) >"$data/expected-dump.md5"
  steps+=(update)
  required+=(update update-unplug)
fi
echo "${steps[*]}" >"$data/steps"

files=()
for f in "$data"/*; do files+=(--file "/data/$(basename "$f")=$f"); done
"$here/build_initramfs.sh" "$work/initrd.gz" "$kernel_dir" "$work/busybox/bin/busybox" \
  "$here/guest_init.sh" --bin "$cli" --bin "$device" --bin "$rate" "${files[@]}"

# --- Boot --------------------------------------------------------------------
console="$work/console.log"
booted=$(date +%s%N)
set +e
timeout --kill-after=10 "$timeout" qemu-system-x86_64 -accel tcg -m 384 -smp 1 \
  -nodefaults -display none -monitor none -serial stdio -no-reboot \
  -kernel "$kernel_dir/vmlinuz" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 quiet panic=-1" </dev/null >"$console" 2>&1
qemu_rc=$?
set -e
finished=$(date +%s%N)
tr -d '\r' <"$console" >"$console.txt"

# --- Assert ------------------------------------------------------------------
failed=0
grep -E '^BRINDLE-VM-(RESULT|INFO)' "$console.txt" || true
for step in "${required[@]}"; do
  line=$(grep -E "^BRINDLE-VM-RESULT $step (PASS|FAIL)" "$console.txt" | tail -n 1 || true)
  case $line in
    "BRINDLE-VM-RESULT $step PASS"*) ;;
    "") echo "MISSING: $step"; failed=1 ;;
    *) echo "FAILED: $step"; failed=1 ;;
  esac
done
if ! grep -q '^BRINDLE-VM-DONE' "$console.txt"; then
  echo "the guest did not finish (qemu exit $qemu_rc, timeout ${timeout} s)"
  failed=1
fi
echo "vm test: boot to power-off $(((finished - booted) / 1000000)) ms, whole test $(((finished - started) / 1000000)) ms (kernel $release)"
if [ $failed != 0 ]; then
  echo "---- guest console ----"
  cat "$console.txt"
  exit 1
fi
echo "vm test passed"
