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
# The stand-in archiver DLLs, when libarchive is there, go into the prefix.
cmake --build "$build" -j"$(nproc)" --target archiver_standins >/dev/null 2>&1 || true
export ZOTE_BENCH="$build/bench"
bash "$here/tools/bench.sh" shell bash "$here/tools/bench.d/archivers.sh"
if [ -n "${DISPLAY:-}" ] && [ -z "${ZOTE_HEADLESS:-}" ]; then
  # A real display: the bench's prefix, shown on the user's screen.
  exec bash "$here/tools/bench.sh" shell bash -c 'export DISPLAY='"$DISPLAY"'; wine "D:\\zote.exe" "$@"' zote "$@"
fi
shot="$build/zote-screenshot.png"
bash "$here/tools/bench.sh" exec "$build/zote.exe" "$@" &
pid=$!
sleep "${ZOTE_SHOT_DELAY:-6}"
# Type a line into the console, as a user would, before the picture is taken.
bash "$here/tools/bench.sh" shell bash -c "xdotool mousemove 300 300 click 1 sleep 0.5 type 'hello zote'; xdotool key Return; sleep 1; import -window root '$shot'"
echo "screenshot: $shot"
if [ -z "${ZOTE_KEEP:-}" ]; then
  kill $pid 2>/dev/null || true
  bash "$here/tools/bench.sh" stop
fi
