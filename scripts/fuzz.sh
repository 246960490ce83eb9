#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each of them for the given
# number of seconds (default 60) over its seed corpus in fuzz/corpus/<target>.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=${BUILD_FUZZ:-build-fuzz}

# ccache, where installed, keeps rebuilds cheap.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD"
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBRIMWICK_FUZZ=ON "${launcher[@]}" -DBRIMWICK_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/*_fuzz.cpp; do
    [ -e "$f" ] || continue
    targets+=("$(basename "$f" .cpp)")
  done
fi

for t in "${targets[@]}"; do
  corpus="fuzz/corpus/$t"
  work="$build/corpus/$t"
  mkdir -p "$work"
  echo "fuzz: $t for ${seconds}s"
  # The seed corpus is read only; new inputs go to the build tree.
  ASAN_OPTIONS=detect_leaks=1 "$build/fuzz/$t" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 "$work" "$corpus" 2>&1 | tail -n 12
  test "${PIPESTATUS[0]}" -eq 0
done
