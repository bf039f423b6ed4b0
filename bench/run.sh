#!/usr/bin/env bash
# Builds the benchmarks and runs each once under the Wine bench (not part of ctest).
# Usage: bench/run.sh [benchmark ...]   (default: all of them)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${ZOTE_BUILD:-$here/build}
. "$here/tools/deps.sh"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
      -DZOTE_DEPS="$ZOTE_DEPS_PREFIX" >/dev/null
benches=("$@")
[ ${#benches[@]} -gt 0 ] || benches=(scan_bench decode_bench viewer_bench thumbs print_bench)
cmake --build "$build" -j"${ZOTE_JOBS:-3}" --target "${benches[@]}"
export ZOTE_BENCH="$build/bench"
# The thumbnail benchmark measures beside libjpeg-turbo's own i686 djpeg.
cp "$ZOTE_DEPS_PREFIX/bin/djpeg.exe" "$build/bench_programs/" 2>/dev/null || true
for b in "${benches[@]}"; do
  echo "== $b"
  bash "$here/tools/bench.sh" exec "$build/bench_programs/$b.exe" | tee "$build/bench_programs/$b.out"
  if [ "$b" = thumbs ]; then bash "$here/bench/thumbs_report.sh" "$build/bench_programs/thumbs.out" "$ZOTE_BENCH"; fi
done
