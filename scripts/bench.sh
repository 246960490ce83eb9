#!/usr/bin/env bash
# Runs every benchmark program built in the build directory's bench folder.
# Usage: scripts/bench.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
status=0
for program in "$build"/bench/*; do
  [ -f "$program" ] && [ -x "$program" ] || continue
  echo "== $(basename "$program")"
  "$program" || status=1
done
exit $status
