#!/usr/bin/env bash
# The desktop program under a real Wayland compositor: Debian's weston with
# its headless back end and Qt's Wayland platform plugin. Wayland gives a
# client no list of other windows (X11's xwininfo has no counterpart), so
# the compositor's own scene graph (weston-debug) is what is looked at: the
# window is mapped with its title once the simulated device is identified,
# and a second start makes no second window but asks the first to come
# forward. Weston offers no activation protocol, so the focus stays where
# it is; the second start says so.
# Usage: wayland_test.sh BRINDLE. Exit 77 (skipped) only without weston.
set -euo pipefail
brindle="$1"
if ! command -v weston >/dev/null || ! command -v weston-debug >/dev/null; then
  echo "weston is not installed: skipped"
  exit 77
fi

work="$(mktemp -d -t brindle-wayland.XXXXXX)"
chmod 700 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  echo "--- weston log" >&2; tail -n 20 "$work/weston.log" >&2 || true
  echo "--- first start" >&2; cat "$work/first.log" >&2 || true
  exit 1
}

# A runtime folder of the test's own: compositor socket, instance lock,
# window-class sockets.
export XDG_RUNTIME_DIR="$work"
export WAYLAND_DISPLAY="brindle-test"
unset DISPLAY
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 --no-config \
  --debug >"$work/weston.log" 2>&1 &
pids+=("$!")
for _ in $(seq 100); do [ -S "$work/$WAYLAND_DISPLAY" ] && break; sleep 0.1; done
[ -S "$work/$WAYLAND_DISPLAY" ] || fail "weston made no socket"

scene() { timeout 5 weston-debug scene-graph 2>/dev/null || true; }
# The top-level windows of the program (its Wayland app id is "brindle").
windows() { scene | grep "role xdg_toplevel" | grep "of brindle," || true; }

export QT_QPA_PLATFORM=wayland
# Under LeakSanitizer: the system's Wayland client library keeps its proxy
# objects past exit (Qt's plugin does not tear the connection down); that
# memory is not the program's.
printf 'leak:libwayland-client.so\n' >"$work/lsan.supp"
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$work/lsan.supp"
"$brindle" --simulate >"$work/first.log" 2>&1 &
first=$!
pids+=("$first")
title=""
for _ in $(seq 150); do
  title="$(windows | grep "PID $first," | grep -o "top-level window '[^']*'" || true)"
  case "$title" in *"GPS Connected   V:"*) break ;; esac
  kill -0 "$first" 2>/dev/null || fail "the program ended"
  sleep 0.2
done
case "$title" in
  *"'Update Program   GPS Connected   V:"[0-9]*"'") echo "mapped and identified: $title" ;;
  *) fail "no identified window in the scene graph (last: '$title')" ;;
esac

# A second start: no window of its own, the first one is asked.
status=0
timeout 20 "$brindle" --simulate >"$work/second.out" 2>"$work/second.err" || status=$?
[ "$status" -eq 0 ] || fail "second start ended with $status: $(cat "$work/second.err")"
grep -q "its window was asked to come forward" "$work/second.err" ||
  fail "second start: $(cat "$work/second.err")"
grep -q "Wayland" "$work/second.err" || fail "second start does not say what Wayland allows"
echo "second start: $(cat "$work/second.err")"
count="$(windows | wc -l)"
[ "$count" -eq 1 ] || fail "$count program windows after the second start"
kill -0 "$first" 2>/dev/null || fail "the first program ended"
echo "one window, the first program runs on"
