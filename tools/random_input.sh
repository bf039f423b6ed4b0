#!/usr/bin/env bash
# A long run of the random-input screen test, for use before a release: the
# program built with the guarded heap on a folder of camera photos, driven by
# random keys, chords, clicks and commands from the seed given. Builds what it
# needs as tools/test.sh does, then runs only that test.
# Usage: tools/random_input.sh [SEED] [STEPS]   (a seed from the clock and 5000 steps without them)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seed=${1:-$(date +%s)}
steps=${2:-5000}
bash "$here/tools/setup.sh"
. "$here/tools/deps.sh"
build=${ZOTE_BUILD:-$here/build}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
      -DZOTE_DEPS="$ZOTE_DEPS_PREFIX" >/dev/null
cmake --build "$build" -j"${ZOTE_JOBS:-$(nproc)}" --target zote zote_guarded test_screen
export ZOTE_BENCH="$build/bench" ZOTE_SOURCE="$here" ZOTE_RANDOM_SEED="$seed" ZOTE_RANDOM_STEPS="$steps"
echo "random input: seed $seed, $steps steps"
status=0
bash "$here/tools/bench.sh" exec "$build/tests/test_screen.exe" --gtest_filter='RandomInput.*' || status=$?
bash "$here/tools/bench.sh" stop
exit $status
