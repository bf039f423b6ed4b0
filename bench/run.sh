#!/usr/bin/env bash
# Builds the scan benchmark and runs it once under the Wine bench (not part of ctest).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ZOTE_BUILD:-$here/build}
. "$here/tools/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
      -DZOTE_DEPS="$ZOTE_DEPS_PREFIX" >/dev/null
cmake --build "$build" -j"${ZOTE_JOBS:-3}" --target scan_bench
export ZOTE_BENCH="$build/bench"
bash "$here/tools/bench.sh" exec "$build/bench_programs/scan_bench.exe"
