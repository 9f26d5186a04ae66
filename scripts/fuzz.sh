#!/usr/bin/env bash
# Builds the update-file parser's fuzzer with clang (libFuzzer, ASan+UBSan)
# and runs it for a fixed time on a seed corpus written by the packer.
# FUZZ_SECONDS sets the time (default 60). Exit status non-zero on a finding;
# the crashing input is left in build-fuzz/findings/ (BRINDLE_FUZZ_BUILD_DIR
# names another build folder).
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN="${FUZZ_SECONDS:-60}"
dir="${BRINDLE_FUZZ_BUILD_DIR:-build-fuzz}"
# The fuzz preset of CMakePresets.json: clang, libFuzzer, ASan + UBSan.
cmake --preset fuzz -B "$dir"
cmake --build "$dir" -j2 --target update_file_fuzzer update_file_seeds
rm -rf "$dir/corpus" "$dir/findings"
mkdir -p "$dir/corpus" "$dir/seeds" "$dir/findings"
"$dir/fuzz/update_file_seeds" "$dir/seeds"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$dir/fuzz/update_file_fuzzer" -max_total_time="$SECONDS_TO_RUN" -max_len=8192 -timeout=10 \
  -rss_limit_mb=2048 -artifact_prefix="$dir/findings/" -print_final_stats=1 "$dir/corpus" "$dir/seeds"
echo "fuzzing found nothing in ${SECONDS_TO_RUN} s"
