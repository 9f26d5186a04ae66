#!/bin/sh
# /init of the hidraw test VM. Loads the kernel's HID modules, serves the
# firmware model through /dev/uhid with brindle-uhid-device and runs
# brindle-cli against it through hidapi's hidraw backend. Every step prints
#   BRINDLE-VM-RESULT <step> PASS|FAIL <detail>
# on the console (measurements as BRINDLE-VM-INFO lines), then the machine
# powers off. /data holds what the host prepared: the expected outputs (the
# same commands run on the host against the simulated device), profiles and
# the list of optional steps.
export PATH=/bin HOME=/tmp TZ=UTC
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
chmod 1777 /tmp
# The machine's lock folder, as a booted system has it.
mkdir -p /run/lock
chmod 1777 /run/lock
cd /tmp

result() { echo "BRINDLE-VM-RESULT $*"; }
info() { echo "BRINDLE-VM-INFO $*"; }
now_ms() { awk '{ printf "%d", $1 * 1000 }' /proc/uptime; }
# The read bound of one report (the transport's read time-out), in ms.
READ_BOUND_MS=20000
NO_DEVICE='   No hardware connected!'

# Starts brindle-uhid-device with the given arguments and waits until its
# hidraw node exists; HIDRAW names it.
DEV_PID=
HIDRAW=
start_device() {
  HIDRAW=
  brindle-uhid-device "$@" 2>/tmp/device.log &
  DEV_PID=$!
  tries=0
  while [ $tries -lt 100 ]; do
    for node in /sys/class/hidraw/hidraw*; do
      if grep -qs ':00000416:0000B500' "$node/device/uevent" && [ -e "/dev/${node##*/}" ]; then
        HIDRAW=/dev/${node##*/}
        return 0
      fi
    done
    kill -0 "$DEV_PID" 2>/dev/null || break
    sleep 0.1
    tries=$((tries + 1))
  done
  return 1
}
# Waits up to $1 tenths of a second for the device program to end on its own,
# then ends it. DEV_RC: its exit status; DEV_SELF_EXIT: 1 when it ended itself.
stop_device() {
  tries=0 DEV_SELF_EXIT=0
  while [ $tries -lt "${1:-0}" ] && kill -0 "$DEV_PID" 2>/dev/null; do
    sleep 0.1
    tries=$((tries + 1))
  done
  kill -0 "$DEV_PID" 2>/dev/null || DEV_SELF_EXIT=1
  kill -TERM "$DEV_PID" 2>/dev/null
  wait "$DEV_PID"
  DEV_RC=$?
  cat /tmp/device.log >>/tmp/devices.log
  # The kernel removes the node when the device goes.
  tries=0
  while [ -n "$HIDRAW" ] && [ -e "$HIDRAW" ] && [ $tries -lt 50 ]; do
    sleep 0.1
    tries=$((tries + 1))
  done
}
# Waits up to 10 s until a host holds the device open.
wait_host_open() {
  tries=0
  while [ $tries -lt 100 ]; do
    grep -q 'host opened' /tmp/device.log && return 0
    sleep 0.1
    tries=$((tries + 1))
  done
  return 1
}
# run NAME CMD...: runs CMD with stdout in NAME.out, stderr in NAME.err;
# RC its exit status, MS its time.
run() {
  name=$1
  shift
  t0=$(now_ms)
  "$@" >"/tmp/$name.out" 2>"/tmp/$name.err"
  RC=$?
  MS=$(($(now_ms) - t0))
}
optional_step() { grep -qw "$1" /data/steps; }

# --- The kernel's HID stack ---------------------------------------------
loaded=
for module in $(cat /modules/load-order); do
  insmod "/modules/$module.ko" && loaded="$loaded,$module"
done
if [ -c /dev/uhid ]; then
  result modules PASS "loaded ${loaded#,}; /dev/uhid present"
else
  result modules FAIL "loaded ${loaded#,}; no /dev/uhid"
fi

# --- Enumeration on each bus ----------------------------------------------
# The device claims the USB bus, but a uhid device has no USB parent; this
# shows which buses hidapi's hidraw backend lists.
for bus in usb bluetooth i2c; do
  if start_device "--bus=$bus"; then
    run enum-$bus brindle-cli version
    info "bus-$bus rc=$RC stdout=$(cat /tmp/enum-$bus.out | tr '\n' ' ')$(grep -h HID_ID "/sys/class/hidraw/${HIDRAW#/dev/}/device/uevent")"
  else
    info "bus-$bus no hidraw node"
  fi
  stop_device
done

# --- version and read through hidraw --------------------------------------
if start_device; then
  run version brindle-cli version
  if [ $RC = 0 ] && cmp -s /tmp/version.out /data/expected-version.txt; then
    result version PASS "$(cat /tmp/version.out) via $HIDRAW in ${MS} ms"
  else
    result version FAIL "rc=$RC out=$(head -c 200 /tmp/version.out) err=$(head -c 200 /tmp/version.err)"
  fi

  run read brindle-cli read 0 0x110
  if [ $RC = 0 ] && cmp -s /tmp/read.out /data/expected-read.txt; then
    result read PASS "settings block as on the simulated device, ${MS} ms"
  else
    result read FAIL "rc=$RC err=$(head -c 200 /tmp/read.err) out=$(head -n 2 /tmp/read.out | tr '\n' ' ')"
  fi

  # Reports per second inside one program, then the time of a whole
  # brindle-cli command, which under emulation is mostly its start.
  run rate vm-report-rate 1000
  if [ $RC = 0 ]; then
    result report-rate PASS "$(tr '\n' ';' </tmp/rate.out)"
  else
    result report-rate FAIL "rc=$RC $(cat /tmp/rate.out) $(head -c 200 /tmp/rate.err)"
  fi
  count=10 failed=0 i=0
  t0=$(now_ms)
  while [ $i -lt $count ]; do
    brindle-cli read 1 0x2DE0 >/dev/null 2>&1 || failed=$((failed + 1))
    i=$((i + 1))
  done
  info "command-time $((($(now_ms) - t0) / count)) ms per brindle-cli read ($failed of $count failed)"
  stop_device
else
  result version FAIL "no hidraw node: $(cat /tmp/device.log)"
  result read FAIL "no device"
  result report-rate FAIL "no device"
fi

# --- Two programs at once on one device ---------------------------------
# The slow profile keeps the first read going for seconds; the second copy,
# with a lock folder of its own so that only the lock on the hidraw node
# itself can stop it, finds the device taken and says so (exit 4).
if start_device --profile=/data/slow.json; then
  brindle-cli read 0 0x110 >/tmp/first.out 2>/tmp/first.err &
  first=$!
  if wait_host_open; then
    mkdir -p /tmp/other-locks
    export BRINDLE_LOCK_DIR=/tmp/other-locks
    run second brindle-cli version
    unset BRINDLE_LOCK_DIR
  else
    RC=-1
    echo "the first copy never opened the device" >/tmp/second.err
  fi
  wait $first
  first_rc=$?
  if [ $RC = 4 ] && [ ! -s /tmp/second.out ] && grep -q 'in use by another copy' /tmp/second.err &&
    [ $first_rc = 0 ] && cmp -s /tmp/first.out /data/expected-read.txt; then
    result busy PASS "second copy: exit 4 in ${MS} ms; first copy read the block"
  else
    result busy FAIL "second rc=$RC out=$(cat /tmp/second.out) err=$(head -c 200 /tmp/second.err); first rc=$first_rc err=$(head -c 200 /tmp/first.err)"
  fi
  stop_device
else
  result busy FAIL "no hidraw node: $(cat /tmp/device.log)"
fi

# --- Unplug in the middle of a command ---------------------------------------
# Destroyed at the third report: the command and the first data report pass,
# then the node goes away under the waiting read.
if start_device --unplug-after=3; then
  node=$HIDRAW
  run unplug brindle-cli read 0 0x110
  stop_device 50
  if [ $RC = 1 ] && [ $MS -lt $READ_BOUND_MS ] && [ $DEV_SELF_EXIT = 1 ] && [ ! -e "$node" ] &&
    grep -q unplugged /tmp/device.log; then
    result unplug PASS "exit 1 in ${MS} ms ($(head -c 100 /tmp/unplug.err | tr '\n' ' ')); $node removed"
  else
    result unplug FAIL "rc=$RC ms=$MS device-exit=$DEV_SELF_EXIT node-left=$([ -e "$node" ] && echo yes || echo no) err=$(head -c 200 /tmp/unplug.err)"
  fi
else
  result unplug FAIL "no hidraw node: $(cat /tmp/device.log)"
fi

# --- A node the user may not open ----------------------------------------
if start_device; then
  chmod 600 "$HIDRAW"
  chown 0:0 "$HIDRAW"
  run denied su brindle -c '/bin/brindle-cli version'
  if [ $RC = 3 ] && [ "$(cat /tmp/denied.out)" = "$NO_DEVICE" ] &&
    grep -q "may not be opened" /tmp/denied.err; then
    result permission PASS "exit 3, hint: $(head -c 160 /tmp/denied.err)"
  else
    result permission FAIL "rc=$RC out=$(cat /tmp/denied.out) err=$(head -c 200 /tmp/denied.err)"
  fi
  # The same user once the node is theirs: the refusal was the permission.
  chown 1000:1000 "$HIDRAW"
  run granted su brindle -c '/bin/brindle-cli version'
  if [ $RC = 0 ] && cmp -s /tmp/granted.out /data/expected-version.txt; then
    result permission-granted PASS "uid 1000 reads the version once the node is theirs"
  else
    result permission-granted FAIL "rc=$RC out=$(cat /tmp/granted.out) err=$(head -c 200 /tmp/granted.err)"
  fi
  stop_device
else
  result permission FAIL "no hidraw node: $(cat /tmp/device.log)"
  result permission-granted FAIL "no device"
fi

# --- Identification ----------------------------------------------------------
if optional_step identify; then
  if start_device; then
    run identify brindle-cli identify
    if [ $RC = 0 ] && cmp -s /tmp/identify.out /data/expected-identify.txt; then
      result identify PASS "as on the simulated device, ${MS} ms"
    else
      result identify FAIL "rc=$RC out=$(head -c 300 /tmp/identify.out) err=$(head -c 200 /tmp/identify.err)"
    fi
    stop_device
  else
    result identify FAIL "no hidraw node: $(cat /tmp/device.log)"
  fi
fi

# --- A whole update, then the device's memory compared -----------------------
if optional_step update; then
  mkdir -p /tmp/dump
  if start_device --dump=/tmp/dump; then
    run update brindle-cli update /data/update.dwm
    stop_device
    (cd /tmp/dump && md5sum area0.bin area1.bin) >/tmp/dump.md5
    if [ $RC = 0 ] && cmp -s /tmp/update.out /data/expected-update.txt &&
      cmp -s /tmp/dump.md5 /data/expected-dump.md5; then
      bytes=$(stat -c %s /data/update.dwm)
      result update PASS "$(tr '\n' ' ' </tmp/update.out)in ${MS} ms; memory as on the simulated device"
      info "update-rate $((bytes / 64)) data reports of a $bytes-byte file in $MS ms: $((bytes / 64 * 1000 / (MS + 1))) reports/s"
    else
      result update FAIL "rc=$RC out=$(head -c 200 /tmp/update.out) err=$(tail -c 200 /tmp/update.err) dump=$(tr '\n' ' ' </tmp/dump.md5)"
    fi
  else
    result update FAIL "no hidraw node: $(cat /tmp/device.log)"
  fi

  # Unplugged while the sections travel.
  if start_device --unplug-after=400; then
    run update-unplug brindle-cli update /data/update.dwm
    stop_device 50
    if [ $RC = 1 ] && [ $MS -lt $READ_BOUND_MS ] && grep -q "Update Failed!" /tmp/update-unplug.out &&
      [ $DEV_SELF_EXIT = 1 ]; then
      result update-unplug PASS "$(tr '\n' ' ' </tmp/update-unplug.out)in ${MS} ms"
    else
      result update-unplug FAIL "rc=$RC ms=$MS device-exit=$DEV_SELF_EXIT out=$(head -c 200 /tmp/update-unplug.out) err=$(tail -c 200 /tmp/update-unplug.err)"
    fi
  else
    result update-unplug FAIL "no hidraw node: $(cat /tmp/device.log)"
  fi
fi

# --- Nothing lost in the kernel's uhid queue ---------------------------------
# uhid drops output reports it cannot queue and only logs it; any such drop
# would make the steps above pass or fail for the wrong reason.
drops=$(dmesg | grep -c 'Output queue is full')
if [ "$drops" = 0 ]; then
  result uhid-queue PASS "no output report dropped by the kernel"
else
  result uhid-queue FAIL "$drops output reports dropped by the kernel's uhid queue; $(grep -c 'without real-time' /tmp/devices.log) device runs without real-time priority"
  dmesg | grep -B2 -A2 'Output queue is full' | head -n 20
fi

echo "BRINDLE-VM-DONE"
sync
poweroff -f
