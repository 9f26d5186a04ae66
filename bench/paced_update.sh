#!/usr/bin/env bash
# A large update through brindle-cli on a simulated device whose link moves
# one report per 1 ms frame, as a USB full-speed device does. The update's
# time divided by its wire time (reports x 1 ms) shows what the host adds
# on top of the link: 1.000 means the host always had the next report ready.
# The identification before the update (its two-second timer and its own
# reports) is measured by an identify run and taken off.
# With VERIFY=1 the same update is sent again with --verify, and the time
# the full read-back adds is set against its own wire time (a block read
# back is a command, four data reports and a status reply).
# Usage: [VERIFY=1] bench/paced_update.sh [BUILD_DIR] [SCALE]   (defaults: build-release 1)
# SCALE divides every section size: 1 sends the largest update (about 131 s).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
scale=${2:-1}
cli=$build/src/cli/brindle-cli
[ -x "$cli" ] || { echo "no $cli: build the brindle-cli target first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=($((0x7000 / scale)) $((0xD000 / scale)) $((0xC8000 / scale)) $((0x200000 / scale)) $((0x522000 / scale)))
head -c "${sizes[0]}" /dev/urandom >"$work/a"
head -c "${sizes[1]}" /dev/urandom >"$work/b"
head -c "${sizes[2]}" /dev/urandom >"$work/c"
head -c "${sizes[3]}" /dev/urandom >"$work/d"
head -c "${sizes[4]}" /dev/urandom >"$work/e"
"$cli" pack "$work/big.dwm" --producer "Valdemo Tech Co." --A "$work/a" --C "$work/c" \
  --D "$work/d" --E "$work/e" --brand "BR01=$work/b"
echo '{"link": "full-speed"}' >"$work/profile.json"

# Reports of the update: per write a command, its data reports (64 bytes
# each, padded to whole 256-byte blocks) and a status reply; six writes (A,
# header, brand, C, D, E) and the closing command with its reply.
blocks=0
for s in "${sizes[@]}"; do blocks=$((blocks + (s + 255) / 256)); done
reports=$(((blocks + 1) * 4 + 6 * 2 + 2))

seconds() { date +%s.%N; }
t0=$(seconds)
"$cli" --simulate="$work/profile.json" identify >/dev/null
t1=$(seconds)
"$cli" --simulate="$work/profile.json" update "$work/big.dwm" >"$work/out" 2>"$work/err"
t2=$(seconds)
awk -v t0="$t0" -v t1="$t1" -v t2="$t2" -v r="$reports" -v o="$(cat "$work/out")" 'BEGIN {
  identify = t1 - t0; update = (t2 - t1) - identify; wire = r / 1000.0
  printf "paced update via brindle-cli (USB full-speed link): %s\n", o
  printf "  reports %d, wire time %.3f s, update time %.3f s (identification %.3f s taken off)\n",
         r, wire, update, identify
  printf "  update time / wire time: %.4f (goal <= 1.005)\n", update / wire
}'

[ "${VERIFY:-0}" = 1 ] || exit 0
"$cli" --simulate="$work/profile.json" update "$work/big.dwm" --verify >"$work/out" 2>"$work/err"
t3=$(seconds)
awk -v t1="$t1" -v t2="$t2" -v t3="$t3" -v b="$((blocks + 1))" -v o="$(cat "$work/out")" 'BEGIN {
  extra = (t3 - t2) - (t2 - t1); wire = b * 6 / 1000.0
  printf "the same with --verify: %s\n", o
  printf "  read-back of %d blocks: wire time %.3f s, time added %.3f s\n", b, wire, extra
}'
