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

# Japanese names after a delete (日本語.txt), a rename (表示.txt to 予定表.txt)
# and an add (ソフト/十/予備.txt): every other member's name and md5 as in the
# tree, the empty folder where the format keeps folders, the names in the
# archive's own encoding.
mkdir -p "$tmp/want"
cp -a ../archives/jsrc/. "$tmp/want/"
rm "$tmp/want/日本語.txt"
mv "$tmp/want/表示.txt" "$tmp/want/予定表.txt"
printf 'yobi\r\n' > "$tmp/want/ソフト/十/予備.txt"
want=$(manifest "$tmp/want" utf8)
while read -r archive encoding; do
  unpack "$PWD/folder_$archive" "$tmp/jp_$archive"
  expected=$want
  [ "${archive##*.}" = cab ] && expected=$(printf '%s\n' "$want" | grep -v '^空/$')
  got=$(manifest "$tmp/jp_$archive" "$encoding")
  [ "$got" = "$expected" ] || { echo "folder_$archive: members differ"; diff <(echo "$expected") <(echo "$got"); exit 1; }
done <<'LIST'
jp.zip cp932
jp_utf8.zip utf8
jp.lzh cp932
jp.cab utf8
jp.tar.gz cp932
jp_utf8.tar.gz utf8
LIST
[ "$(zip_utf8_flags folder_jp.zip)" = none ] || { echo "folder_jp.zip: UTF-8 flag set"; exit 1; }
[ "$(zip_utf8_flags folder_jp_utf8.zip)" = utf8 ] || { echo "folder_jp_utf8.zip: UTF-8 flag missing"; exit 1; }
echo "archives written back from folders read back"
