#!/usr/bin/env bash
# Names the places in a fault report of the guarded heap: each address of the
# report with its function, file and line, read by addr2line from the program
# built with the heap (the report names the copy that ran, which is the same),
# and each "module+offset" from that module as built beside the program (a
# stand-in DLL in the build tree).
# Usage: tools/heap_report.sh PROGRAM.exe [REPORT]   (the report on stdin without one)
set -euo pipefail
program=$1
report=${2:-/dev/stdin}
build=$(dirname "$(readlink -f "$program")")
# i686 symbols lose their leading underscore on the way: put it back to demangle.
name_of() { # file address
  local where
  where=$(i686-w64-mingw32-addr2line -f -e "$1" "$2" | sed '1s/^Z/_Z/' | c++filt | paste -sd ' ')
  case "$where" in "?? ??:0"|"?? ??:?") ;; *) echo "    $3  $where" ;; esac
}
while IFS= read -r line; do
  echo "$line"
  for a in $(grep -o '\(^\| \)0x[0-9a-f]\{8\}' <<<"$line"); do
    name_of "$program" "$a" "$a"
  done
  for m in $(grep -o '[^ ]*+0x[0-9a-f]\{8\}' <<<"$line"); do
    module=$(find "$build" -path "$build/bench" -prune -o -iname "${m%%+*}" -type f -print 2>/dev/null | head -1)
    [ -n "$module" ] || continue
    base=$(i686-w64-mingw32-objdump -p "$module" | awk '$1 == "ImageBase" { print $2 }')
    name_of "$module" "$(printf '0x%x' $((0x$base + ${m##*+})))" "$m"
  done
done < "$report"
