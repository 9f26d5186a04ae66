#!/usr/bin/env bash
# A maximum update through brindle-cli on the zero-latency simulated device:
# every section at its size limit plus a brand section that fills the room
# up to section C. Reports the host time per report and the peak memory of
# the whole process (the simulated device's own 8 MiB data area included),
# beside the device-link benchmark of the largest section.
# Usage: bench/max_update.sh [BUILD_DIR]   (default: build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
cli=$build/src/cli/brindle-cli
link_bench=$build/bench/send_blocks_bench
[ -x "$cli" ] || { echo "no $cli: build the brindle-cli target first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Section limits: A 0x7000, C 0xC8000, D 0x200000, E 0x522000; the brand
# section fills blocks 0x90 to 0x15F.
head -c $((0x7000)) /dev/urandom >"$work/a"
head -c $((0xD000)) /dev/urandom >"$work/b"
head -c $((0xC8000)) /dev/urandom >"$work/c"
head -c $((0x200000)) /dev/urandom >"$work/d"
head -c $((0x522000)) /dev/urandom >"$work/e"
"$cli" pack "$work/max.dwm" --producer "Valdemo Tech Co." --A "$work/a" --C "$work/c" \
  --D "$work/d" --E "$work/e" --brand "BR01=$work/b"

# Reports of the update: per write a command, its data reports (64 bytes
# each) and a status reply; six writes (A, header, brand, C, D, E) and the
# closing command with its reply.
data_bytes=$((0x7000 + 0x100 + 0xD000 + 0xC8000 + 0x200000 + 0x522000))
reports=$((data_bytes / 64 + 6 * 2 + 2))

# The identification before the update waits two seconds on a timer while
# idle, so CPU time (user + system), not wall time, measures the host's work.
# It covers the identification's 32 reports too, and the simulated device,
# which runs in the same process.
/usr/bin/time -f "%e %U %S %M" -o "$work/time" "$cli" --simulate update "$work/max.dwm" \
  >"$work/out" 2>"$work/err"
read -r wall user sys peak_kb <"$work/time"
outcome=$(cat "$work/out")
awk -v u="$user" -v s="$sys" -v r="$reports" -v kb="$peak_kb" -v w="$wall" -v o="$outcome" 'BEGIN {
  printf "max update via brindle-cli: %s\n", o
  printf "  reports %d, wall %.2f s (2 s of it the identification timer), cpu %.3f s\n", r, w, u + s
  printf "  host time per report: %.3f us (goal <= 1 us)\n", (u + s) * 1e6 / r
  printf "  peak memory: %.1f MB (goal <= 40 MB)\n", kb / 1024
}'
if [ -x "$link_bench" ]; then
  echo "device link alone (send_blocks_bench, largest section):"
  "$link_bench" --benchmark_min_time=0.5 2>/dev/null | grep -E "BM_|ns_per_report" || true
fi
