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
unzip -tq written_links.zip
[ "$(zipinfo written_links.zip link.txt | cut -c1)" = l ] || { echo "written_links.zip: link.txt is no link"; exit 1; }
[ "$(unzip -p written_links.zip new.txt)" = new ] || { echo "written_links.zip: new.txt missing"; exit 1; }
lhasa t written.lzh
[ "$(lhasa l written.lzh | grep -c 'b.txt')" = 1 ]
cabextract -t written.cab
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
cabextract -q -d "$tmp/cab" written.cab && lhasa xqw="$tmp/lzh" written.lzh && unzip -q -d "$tmp/zip" written.zip
for d in cab lzh zip; do cmp "$tmp/$d/sub/b.txt" ../archives/src/sub/b.txt; done

# The Japanese tree packed like the tools' archives: every name (trail bytes
# 0x5C included) and every file's md5 as in the tree, the empty folder where
# the format keeps folders, and the names in the model's encoding.
check_japanese written_ ../archives/jsrc "$tmp"
echo "written archives read back"
