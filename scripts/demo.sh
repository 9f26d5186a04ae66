#!/usr/bin/env bash
# Installs what the project needs, builds it, reads the device (a real one
# when connected, else the built-in simulated device), then packs a sample
# update file and sends it to the simulated device.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${BRINDLE_SKIP_DEPS:-0}" != 1 ]; then scripts/install-deps.sh; fi
cmake --preset release
cmake --build --preset release -j2 --target brindle-cli
cli=build-release/src/cli/brindle-cli
device=(--simulate)
if "$cli" version >/dev/null 2>&1; then device=(); fi
echo "device version:"
"$cli" "${device[@]}" version
echo "settings block (area 0, block 0x110):"
"$cli" "${device[@]}" read 0 0x110

# The main job: pack a sample update file from made-up sections and send it.
# The data means nothing to a real device, so it always goes to the
# simulated one.
sample=$(mktemp -d)
trap 'rm -rf "$sample"' EXIT
scripts/sample-sections.sh "$sample"
"$cli" pack "$sample/sample.dwm" --producer "Valdemo Tech Co." --A "$sample/a.bin" \
  --C "$sample/c.bin" --E "$sample/e.bin" --brand "BR01=$sample/brand.bin"
echo "update on the simulated device:"
"$cli" --simulate update "$sample/sample.dwm"
