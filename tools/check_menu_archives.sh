#!/usr/bin/env bash
# Reads the archives that the screen tests made through the TGZ commands of
# the menus with the real tar: each is a gzipped tar holding exactly its
# pictures, names in cp932. Usage: check_menu_archives.sh DIR
set -euo pipefail
cd "$1"
members() {
  LC_ALL=C tar tzvf "$1" --quoting-style=literal >/dev/null
  LC_ALL=C tar tzf "$1" --quoting-style=literal | iconv -f CP932 -t UTF-8 | LC_ALL=C sort | tr '\n' ' '
}
[ "$(members menu_packed.gz)" = "00表.jpg 01ソ.jpg " ] || { echo "menu_packed.gz: wrong members"; exit 1; }
[ "$(members menu_made.gz)" = "束ソ/ 束ソ/00表.jpg 束ソ/01ソ.jpg " ] || { echo "menu_made.gz: wrong members"; exit 1; }
echo "archives made from the menus read back by tar"
