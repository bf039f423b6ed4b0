#!/usr/bin/env bash
# Installs what is missing, builds ZOTE and starts it in a real window.
# Without a display it runs under Xvfb, saves a screenshot and prints its path.
# Usage: tools/run.sh [folder or file, as ZOTE's command line takes it]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup.sh"
. "$here/tools/deps.sh"
build=${ZOTE_BUILD:-$here/build}
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
      -DZOTE_DEPS="$ZOTE_DEPS_PREFIX" >/dev/null
cmake --build "$build" -j"$(nproc)" --target zote
# The stand-in archiver DLLs, when libarchive is there, go into the prefix, and
# the test printer is installed as the tests have it, so that printing and its
# preview work from this command too.
cmake --build "$build" -j"$(nproc)" --target archiver_standins >/dev/null 2>&1 || true
cmake --build "$build" -j"$(nproc)" --target printer_setup >/dev/null
export ZOTE_BENCH="$build/bench"
# The program relaunches from its copy in the temporary folder, refreshed only
# when the build number grows: drop the copy so that this build is what runs.
rm -rf "$build"/bench/prefix/drive_c/users/*/Temp/zote/bin
bash "$here/tools/bench.sh" shell bash "$here/tools/bench.d/archivers.sh"
bash "$here/tools/bench.sh" exec "$build/standins/printer/printer_setup.exe" >/dev/null
if [ -n "${DISPLAY:-}" ] && [ -z "${ZOTE_HEADLESS:-}" ]; then
  # A real display: the bench's prefix, shown on the user's screen.
  exec bash "$here/tools/bench.sh" shell bash -c 'export DISPLAY='"$DISPLAY"'; wine "D:\\zote.exe" "$@"' zote "$@"
fi
shot="$build/zote-screenshot.png"
# Without a folder argument the run opens a small sample folder with Japanese names.
args=("$@")
if [ ${#args[@]} -eq 0 ]; then
  bash "$here/tools/make_sample.sh" "$build/sample"
  args=("D:\\sample")
fi
bash "$here/tools/bench.sh" exec "$build/zote.exe" "${args[@]}" &
pid=$!
sleep "${ZOTE_SHOT_DELAY:-8}"
bash "$here/tools/bench.sh" shell bash -c "import -window root '$shot'"
echo "screenshot: $shot"
if [ -z "${ZOTE_KEEP:-}" ]; then
  kill $pid 2>/dev/null || true
  bash "$here/tools/bench.sh" stop
fi
