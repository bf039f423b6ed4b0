#!/usr/bin/env bash
# Makes the small sample folder with Japanese names that a run without a
# folder opens (tools/run.sh) and the start-up benchmark starts on.
# Usage: tools/make_sample.sh FOLDER   (made afresh)
set -euo pipefail
sample=$1
rm -rf "$sample" && mkdir -p "$sample/表示" "$sample/旅行 2020" "$sample/空のﾌｫﾙﾀﾞ"
for n in 海 山 ソース 能登 十和田湖 夕焼けの写真ファイル名がとても長い場合 a b; do
  convert -size 64x48 "plasma:" "$sample/$n.jpg" 2>/dev/null || : > "$sample/$n.jpg"
done
convert -size 64x64 "gradient:skyblue-navy" "$sample/表示/一枚目.png" 2>/dev/null || : > "$sample/表示/一枚目.png"
cp "$sample/海.jpg" "$sample/旅行 2020/x.jpg"; echo "ZOTE" > "$sample/readme.txt"
