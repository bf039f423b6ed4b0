#!/usr/bin/env bash
# The public-header check on a small made-up source tree: one file per case,
# each case one include line, and the exact lines the check must report.
# Usage: check_headers_cases.sh CHECK_SCRIPT
set -euo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

# file | include line | reported (1) or let through (0)
cases='
browser/public.cpp|#include "files/files.h"|0
browser/piece.cpp|#include "files/strings.h"|1
browser/private.cpp|#include "kanji/internal.h"|1
console/other_library.cpp|#include "formats/jpeg.h"|1
console/window_public.cpp|#include "graphics/kavtrel.h"|0
console/window_private.cpp|#include "graphics/console.h"|1
files/own.cpp|#include "files/internal.h"|0
files/own_piece.cpp|#include "files/strings.h"|0
print/base_tool.cpp|#include "base/holders.h"|0
print/browser.cpp|#include "browser/grid.h"|0
tests/files/reason.cpp|#include "files/internal.h"  // helpers called directly|0
tests/files/empty_reason.cpp|#include "files/internal.h"  //|1
tests/files/no_reason.cpp|#include "files/internal.h"|1
tests/files/public.cpp|#include "files/files.h"|0
bench/reason.cpp|#include "print/preview.h"  // outside the tests a reason does not count|1
standins/piece.cpp|#include "formats/twain_records.h"|1
tests/files/spaced.h|#  include "print/page_geometry.h"|1
resources/dialog.rc|#include "console/fcopy.h"|1
'

expected=()
while IFS='|' read -r file line reported; do
  [ -n "$file" ] || continue
  mkdir -p "$tree/$(dirname "$file")"
  printf '// case\n%s\n' "$line" >"$tree/$file"
  if [ "$reported" = 1 ]; then
    header=$(sed -E 's/^[^"]*"([^"]*)".*/\1/' <<<"$line")
    expected+=("$file:2: includes $header")
  fi
done <<<"$cases"

status=0
output=$(bash "$check" "$tree") || status=$?
[ "$status" -ne 0 ] || { echo "the check passed a tree with private includes"; echo "$output"; exit 1; }
got=$(grep ': includes ' <<<"$output" | sed 's/, private to .*//' | sort)
want=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$got" != "$want" ]; then
  echo "reported:"; echo "$got"; echo "expected:"; echo "$want"
  exit 1
fi
grep -qx "${#expected[@]} includes of private headers" <<<"$output" || { echo "$output"; exit 1; }

# Without any private include the tree passes.
rm -rf "$tree"/*
mkdir -p "$tree/browser"
printf '#include "files/files.h"\n' >"$tree/browser/clean.cpp"
bash "$check" "$tree" >/dev/null || { echo "a clean tree failed"; exit 1; }
echo "${#expected[@]} private includes reported, the rest let through"
