#!/usr/bin/env bash
# Names the places in a fault report of the guarded heap: each address of the
# report with its function, file and line, read by addr2line from the program
# built with the heap (the report names the copy that ran, which is the same).
# Usage: tools/heap_report.sh PROGRAM.exe [REPORT]   (the report on stdin without one)
set -euo pipefail
program=$1
report=${2:-/dev/stdin}
while IFS= read -r line; do
  echo "$line"
  for a in $(grep -o '0x[0-9a-f]\{8\}' <<<"$line"); do
    # i686 symbols lose their leading underscore on the way: put it back to demangle.
    where=$(i686-w64-mingw32-addr2line -f -e "$program" "$a" | sed '1s/^Z/_Z/' | c++filt | paste -sd ' ')
    case "$where" in "?? ??:0"|"?? ??:?") ;; *) echo "    $a  $where" ;; esac
  done
done < "$report"
