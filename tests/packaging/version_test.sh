#!/usr/bin/env bash
# The project has one version number, CMake's project(VERSION): both programs
# report it and the Debian changelog's newest entry carries it.
#   version_test.sh SOURCE_DIR BRINDLE_CLI [BRINDLE]
# BRINDLE_RUN, when set, runs the programs (wine for Windows builds).
set -euo pipefail
src="$1" cli="$2" gui="${3:-}"
fail() { echo "FAIL: $*" >&2; exit 1; }

project="$(sed -n 's/^project(brindle VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")"
[ -n "$project" ] || fail "no project(brindle VERSION ...) in CMakeLists.txt"

# The package is native, so its version is the upstream version itself.
changelog="$(sed -n '1s/^brindle (\([^)]*\)).*/\1/p' "$src/debian/changelog")"
[ "$changelog" = "$project" ] ||
  fail "debian/changelog says '$changelog', CMakeLists.txt says '$project'"

out="$(${BRINDLE_RUN:-} "$cli" --version)"
[ "$out" = "brindle-cli $project" ] || fail "brindle-cli --version printed '$out'"
if [ -n "$gui" ]; then
  # Answered before Qt starts: no display is needed.
  out="$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= ${BRINDLE_RUN:-} "$gui" --version)"
  [ "$out" = "brindle $project" ] || fail "brindle --version printed '$out'"
fi
echo "version $project everywhere"
