#!/usr/bin/env bash
# A long run of the random-input screen test, for use before a release: the
# program built with the guarded heap on a folder of camera photos, driven by
# random keys, chords, clicks and commands from the seed given. Builds what it
# needs as tools/test.sh does, then runs only that test.
# Runs go side by side in one build tree: each takes a Wine bench of its own
# (build/random-bench-N: its prefix, display, Wine server and so its
# clipboard), the first one no other run holds, and stops only that one; the
# build is made by one run at a time, and the camera photos they share are
# made whole before they are seen.
# Usage: tools/random_input.sh [SEED] [STEPS]   (a seed from the clock and 5000 steps without them)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seed=${1:-$(date +%s)}
steps=${2:-5000}
bash "$here/tools/setup.sh"
. "$here/tools/deps.sh"
build=${ZOTE_BUILD:-$here/build}
mkdir -p "$build"
(
  flock 8
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
        -DZOTE_DEPS="$ZOTE_DEPS_PREFIX" >/dev/null
  cmake --build "$build" -j"${ZOTE_JOBS:-$(nproc)}" --target zote zote_guarded test_screen
) 8>"$build/.random-build.lock"
# The first bench no other run holds; its lock is held until this run ends.
for n in $(seq 1 64); do
  exec 9>"$build/random-bench-$n.lock"
  if flock -n 9; then break; fi
  exec 9>&-
  [ "$n" -lt 64 ] || { echo "random input: no free bench" >&2; exit 3; }
done
export ZOTE_BENCH="$build/random-bench-$n" ZOTE_SOURCE="$here" ZOTE_RANDOM_SEED="$seed" ZOTE_RANDOM_STEPS="$steps"
echo "random input: seed $seed, $steps steps, bench $ZOTE_BENCH"
status=0
bash "$here/tools/bench.sh" exec "$build/tests/test_screen.exe" --gtest_filter='RandomInput.*' || status=$?
bash "$here/tools/bench.sh" stop
exit $status
