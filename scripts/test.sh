#!/usr/bin/env bash
# Installs what the project needs, builds it and runs every test: once in a
# normal build, once under AddressSanitizer + UndefinedBehaviorSanitizer and
# once under ThreadSanitizer. BRINDLE_QUICK=1 runs the normal build only.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${BRINDLE_SKIP_DEPS:-0}" != 1 ]; then scripts/install-deps.sh; fi

run_suite() {  # name, extra cmake arguments...
  local dir="build-$1"; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$dir" -j2
  ctest --test-dir "$dir" -j2 --output-on-failure --timeout 300
}

run_suite release
if [ "${BRINDLE_QUICK:-0}" != 1 ]; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite asan -DBRINDLE_SANITIZE=address -DBRINDLE_BUILD_BENCH=OFF
  # ThreadSanitizer of this compiler cannot map its shadow memory with the
  # kernel's full address randomisation, so the suite runs without it.
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    setarch "$(uname -m)" -R bash -c "$(declare -f run_suite); run_suite tsan -DBRINDLE_SANITIZE=thread -DBRINDLE_BUILD_BENCH=OFF"
fi
echo "all tests passed"
