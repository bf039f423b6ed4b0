#!/usr/bin/env bash
# Reads the archives that the browser's tests wrote back after changes made
# inside them, with the real Linux tools: exactly the expected members and
# bytes. Usage: check_archive_folders.sh DIR
set -euo pipefail
cd "$1"
src=../archives/pics
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
unzip -tq folder_images.zip
lhasa t folder_images.lzh >/dev/null
unzip -q -d "$tmp/zip" folder_images.zip
lhasa xqw="$tmp/lzh" folder_images.lzh
for d in zip lzh; do
  [ "$(cd "$tmp/$d" && find . -type f | sort | tr '\n' ' ')" = "./p1.bmp ./p2x.bmp ./sub/p3.bmp " ] \
    || { echo "$d: wrong members"; exit 1; }
  cmp "$tmp/$d/p1.bmp" "$src/p1.bmp" && cmp "$tmp/$d/p2x.bmp" "$src/p2.bmp" && cmp "$tmp/$d/sub/p3.bmp" "$src/sub/p3.bmp"
done
echo "archives written back from folders read back"
