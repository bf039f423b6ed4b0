#!/usr/bin/env bash
# Installs what is missing, builds ZOTE and its tests, and runs the whole
# suite under 32-bit Wine and Xvfb. Usage: tools/test.sh [ctest arguments]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup.sh"
. "$here/tools/deps.sh"
build=${ZOTE_BUILD:-$here/build}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
      -DZOTE_DEPS="$ZOTE_DEPS_PREFIX" >/dev/null
# ZOTE_TARGETS narrows the build (for example "test_kanji"); ZOTE_JOBS its parallelism.
jobs=${ZOTE_JOBS:-$(nproc)}
cmake --build "$build" -j"$jobs" ${ZOTE_TARGETS:+--target $ZOTE_TARGETS}
export ZOTE_BENCH="$build/bench"
status=0
(cd "$build" && ctest --output-on-failure -j"$jobs" "$@") || status=$?
bash "$here/tools/bench.sh" stop
exit $status
