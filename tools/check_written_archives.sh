#!/usr/bin/env bash
# Reads the archives that the archiver tests wrote through the stand-in DLLs
# with the real Linux tools. Usage: check_written_archives.sh DIR
set -euo pipefail
. "$(cd "$(dirname "$0")" && pwd)/archive_manifest.sh"
cd "$1"
unzip -tq written.zip
unzip -tq -P sesame42 written_crypt.zip
if unzip -tq -P wrong written_crypt.zip >/dev/null 2>&1; then echo "wrong password accepted"; exit 1; fi
for t in written.tgz written.tar.gz; do
  [ "$(tar tzf "$t" | grep -c '[^/]$')" = 4 ] || { echo "$t: not four files"; exit 1; }
done
lhasa t written.lzh
[ "$(lhasa l written.lzh | grep -c 'b.txt')" = 1 ]
cabextract -t written.cab
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
cabextract -q -d "$tmp/cab" written.cab && lhasa xqw="$tmp/lzh" written.lzh && unzip -q -d "$tmp/zip" written.zip
for d in cab lzh zip; do cmp "$tmp/$d/sub/b.txt" ../archives/src/sub/b.txt; done

# The Japanese tree packed like the tools' archives: every name (trail bytes
# 0x5C included) and every file's md5 as in the tree, the empty folder where
# the format keeps folders, and the names in the model's encoding.
want=$(manifest ../archives/jsrc utf8)
while read -r archive encoding; do
  unpack "$PWD/$archive" "$tmp/$archive"
  expected=$want
  [ "${archive##*.}" = cab ] && expected=$(printf '%s\n' "$want" | grep -v '^空/$')
  got=$(manifest "$tmp/$archive" "$encoding")
  [ "$got" = "$expected" ] || { echo "$archive: members differ"; diff <(echo "$expected") <(echo "$got"); exit 1; }
done <<'LIST'
written_jp.zip cp932
written_jp_utf8.zip utf8
written_jp.lzh cp932
written_jp.cab utf8
written_jp.tar.gz cp932
written_jp_utf8.tar.gz utf8
LIST
[ "$(zip_utf8_flags written_jp.zip)" = none ] || { echo "written_jp.zip: UTF-8 flag set"; exit 1; }
[ "$(zip_utf8_flags written_jp_utf8.zip)" = utf8 ] || { echo "written_jp_utf8.zip: UTF-8 flag missing"; exit 1; }
echo "written archives read back"
