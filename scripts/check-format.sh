#!/usr/bin/env bash
# Fails when a C++ source is not laid out as .clang-format says; prints the
# places. Fix with: clang-format -i FILE...
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
  echo "check-format: clang-format is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
  git ls-files -z '*.cpp' '*.h'
else
  find src tests fuzz bench -name '*.cpp' -print0 -o -name '*.h' -print0
fi | xargs -0 -r "$format" --dry-run --Werror
echo "check-format: every source is formatted"
