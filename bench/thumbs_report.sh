#!/usr/bin/env bash
# After the thumbnail benchmark: native djpeg -scale 1/8 on the same corpus
# (when libjpeg-turbo-progs is installed), on one core, and the ratios of the
# cold and warm figures to both floors.
# Usage: bench/thumbs_report.sh THUMBS_OUTPUT BENCH_DIR
set -euo pipefail
out=$1 bench=$2
corpus=$(find "$bench/prefix/drive_c" -maxdepth 6 -type d -name zote_thumbs 2>/dev/null | head -1)
field() { # section key
  awk -v s="$1" -v k="$2" '$0 ~ "^"s {sec=1; next} sec && /^PASS/ {for (i=1;i<=NF;i++) if ($i ~ "^"k"=") {split($i,a,"="); print a[2]; exit}}' "$out"
}
cold=$(field "SET jpeg cold" ms_per_image)
warm=$(field "SET jpeg warm" ms_per_image)
floor=$(sed -n 's/.*djpeg_i686_ms=\([0-9.]*\).*/\1/p' "$out")
native=""
if command -v djpeg >/dev/null && [ -n "$corpus" ]; then
  files=("$corpus"/jpeg/*.jpg)
  cat "${files[@]}" >/dev/null
  start=$(date +%s%N)
  for f in "${files[@]}"; do taskset -c 0 djpeg -scale 1/8 -outfile /dev/null "$f"; done
  end=$(date +%s%N)
  native=$(awk -v a="$start" -v b="$end" -v n="${#files[@]}" 'BEGIN {printf "%.2f", (b - a) / 1e6 / n}')
  echo "FLOOR djpeg_native_ms=$native (Debian libjpeg-turbo-progs, taskset -c 0)"
else
  echo "FLOOR native djpeg: not installed (libjpeg-turbo-progs)"
fi
awk -v c="$cold" -v w="$warm" -v f="$floor" -v n="$native" 'BEGIN {
  printf "SUMMARY jpeg 4000x3000: cold %.2f ms/image, warm %.2f ms/image, warm %.1fx faster than cold\n", c, w, c / w
  if (f > 0) printf "SUMMARY cold / i686 djpeg floor (%.2f ms) = %.2f (target <= 1.25)\n", f, c / f
  if (n > 0) printf "SUMMARY cold / native djpeg floor (%.2f ms) = %.2f\n", n, c / n
}'
grep -A1 '^MEMORY' "$out" | sed -n 's/^PASS images=\([0-9]*\).*peak_ws_mb=\([0-9.]*\).*/SUMMARY peak working set for \1 images: \2 MB/p'
