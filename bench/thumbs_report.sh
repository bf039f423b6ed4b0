#!/usr/bin/env bash
# After the thumbnail benchmark: Debian's native djpeg -scale 1/8 on the same
# corpus (when libjpeg-turbo-progs is installed), on the processors the whole
# run was pinned to, beside the benchmark's cold figure.
# Usage: bench/thumbs_report.sh THUMBS_OUTPUT BENCH_DIR
set -euo pipefail
out=$1 bench=$2
corpus=$(find "$bench/prefix/drive_c" -maxdepth 6 -type d -name zote_thumbs 2>/dev/null | head -1)
cold=$(awk '/^SET jpeg cold/ {getline; for (i = 1; i <= NF; i++) if ($i ~ /^ms_per_image=/) print substr($i, 14)}' "$out")
if ! command -v djpeg >/dev/null || [ -z "$corpus" ] || [ -z "$cold" ]; then
  echo "native djpeg -scale 1/8: not measured (needs libjpeg-turbo-progs and the corpus)"
  exit 0
fi
files=("$corpus"/jpeg/*.jpg)
cat "${files[@]}" >/dev/null
start=$(date +%s%N)
for f in "${files[@]}"; do djpeg -scale 1/8 -outfile /dev/null "$f"; done
end=$(date +%s%N)
awk -v c="$cold" -v a="$start" -v b="$end" -v n="${#files[@]}" 'BEGIN {
  f = (b - a) / 1e6 / n
  printf "%-46s %9.1f ms | native djpeg -scale 1/8 %.1f ms: %.2fx | target <= 1.25x: %s\n", "cold JPEG thumbnail", c, f, c / f, c <= 1.25 * f ? "within" : "over"
}'
