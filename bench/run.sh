#!/usr/bin/env bash
# Builds the benchmarks and runs them all under the Wine bench (not part of
# ctest). Each prints its figures beside their floors, as ratios, with the
# targets; the output of each is kept in build/bench_programs/NAME.out.
# Pinning is the caller's: `taskset -c 3 bash bench/run.sh` runs every
# program and every floor on CPU 3, and the bench's Wine server and display
# too (restarted when they run elsewhere); a Windows program that pins itself
# under Wine lands on CPU 0, the busiest core of a shared machine.
# Usage: bench/run.sh [benchmark ...]   (default: all of them)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ZOTE_BUILD:-$here/build}
. "$here/tools/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
      -DZOTE_DEPS="$ZOTE_DEPS_PREFIX" >/dev/null
benches=("$@")
[ ${#benches[@]} -gt 0 ] || benches=(scan_bench decode_bench viewer_bench marks_bench thumbs startup_bench print_bench archive_bench)
cmake --build "$build" -j"${ZOTE_JOBS:-3}" --target "${benches[@]}"
export ZOTE_BENCH="$build/bench"
# The folder benchmark's folders (made once), beside the programs as ..\scan_folders.
bash "$here/bench/make_folders.sh" "$build/scan_folders"
# The start-up benchmark starts zote.exe on the sample folder of tools/run.sh;
# the temporary copy goes, so that this build is what starts.
bash "$here/tools/make_sample.sh" "$build/sample"
rm -rf "$ZOTE_BENCH"/prefix/drive_c/users/*/Temp/zote/bin
# The bench's Wine server and display keep the processors of whoever started
# them (a test run, another pinning): they are restarted under this run's.
cpus_of() { taskset -pc "$1" 2>/dev/null | sed 's/.*: //'; }
server_pid() {
  local p
  for p in $(pgrep wineserver); do
    tr '\0' '\n' < "/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$ZOTE_BENCH/prefix" && { echo "$p"; return; }
  done
}
display_pid() { cat "$ZOTE_BENCH"/display-1280x1024x24.pid 2>/dev/null; }
ours=$(cpus_of $$)
for p in $(server_pid) $(cat "$ZOTE_BENCH"/display-*.pid 2>/dev/null); do
  if [ "$(cpus_of "$p")" != "$ours" ]; then bash "$here/tools/bench.sh" stop; break; fi
done
bash "$here/tools/bench.sh" shell true
echo "== processors: this run $ours; its Wine server $(cpus_of "$(server_pid)"); its display $(cpus_of "$(display_pid)")"
for b in "${benches[@]}"; do
  echo "== $b"
  bash "$here/tools/bench.sh" exec "$build/bench_programs/$b.exe" | tee "$build/bench_programs/$b.out"
  if [ "$b" = thumbs ]; then bash "$here/bench/thumbs_report.sh" "$build/bench_programs/thumbs.out" "$ZOTE_BENCH"; fi
done
