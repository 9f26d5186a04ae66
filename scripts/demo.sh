#!/usr/bin/env bash
# Installs what the project needs, builds it and runs the console program's
# main job on a real device when one is connected, else on the built-in
# simulated device.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${BRINDLE_SKIP_DEPS:-0}" != 1 ]; then scripts/install-deps.sh; fi
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build-release -j2 --target brindle-cli
cli=build-release/src/brindle-cli
device=(--simulate)
if "$cli" version >/dev/null 2>&1; then device=(); fi
echo "device version:"
"$cli" "${device[@]}" version
echo "settings block (area 0, block 0x110):"
"$cli" "${device[@]}" read 0 0x110
