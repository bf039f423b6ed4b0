#!/usr/bin/env bash
# Reads the archives that the browser's tests wrote back after changes made
# inside them, with the real Linux tools: exactly the expected members and
# bytes. Usage: check_archive_folders.sh DIR
set -euo pipefail
. "$(cd "$(dirname "$0")" && pwd)/archive_manifest.sh"
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

# A member cut and pasted into a subfolder, another cut and pasted outside.
unzip -tq folder_cut.zip
unzip -q -d "$tmp/cut" folder_cut.zip
[ "$(cd "$tmp/cut" && find . -type f | sort | tr '\n' ' ')" = "./sub/p2.bmp ./sub/p3.bmp " ] \
  || { echo "folder_cut.zip: wrong members"; exit 1; }
cmp "$tmp/cut/sub/p2.bmp" "$src/p2.bmp" && cmp "$tmp/cut/sub/p3.bmp" "$src/sub/p3.bmp"

# Japanese names after a delete (日本語.txt), a rename (表示.txt to 予定表.txt)
# and an add (ソフト/十/予備.txt): every other member's name and md5 as in the
# tree, the empty folder where the format keeps folders, the names in the
# archive's own encoding.
mkdir -p "$tmp/want"
cp -a ../archives/jsrc/. "$tmp/want/"
rm "$tmp/want/日本語.txt"
mv "$tmp/want/表示.txt" "$tmp/want/予定表.txt"
printf 'yobi\r\n' > "$tmp/want/ソフト/十/予備.txt"
check_japanese folder_ "$tmp/want" "$tmp"
# Zips written back with their unchanged members copied as stored: sound to
# unzip and zip, and every member of the encrypted one still encrypted.
for z in carried_jp.zip carried_jp_utf8.zip carried_photos.zip; do unzip -tq "$z" && zip -Tq "$z"; done
unzip -tq -P sesame42 carried_crypt.zip
[ "$(unzip -t -P wrong carried_crypt.zip 2>&1 | grep -c 'skipping:.*incorrect password')" = 4 ] \
  || { echo "carried_crypt.zip: a member is not encrypted"; exit 1; }
echo "archives written back from folders read back"
