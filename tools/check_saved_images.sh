#!/usr/bin/env bash
# Reads the images that the save-in-another-format tests wrote with
# ImageMagick: each has its format and the size of its expected picture, and
# the lossless ones (BMP, PNG, TIFF) its every pixel. Usage: check_saved_images.sh DIR
set -euo pipefail
cd "$1"
checked=0
for ref in case*.ref.png; do
  stem=${ref%.ref.png}
  for f in "$stem".bmp "$stem".jpg "$stem".png "$stem".tif; do
    [ -f "$f" ] || continue
    want=$(identify -format '%w %h' "$ref")
    got=$(identify -format '%w %h' "$f")
    [ "$got" = "$want" ] || { echo "$f: size $got, expected $want"; exit 1; }
    case "$f" in
      *.jpg) identify -format '%m' "$f" | grep -qx JPEG || { echo "$f: not a JPEG"; exit 1; } ;;
      *) diff=$(compare -metric AE "$f" "$ref" null: 2>&1 || true)
         [ "$diff" = "0" ] || { echo "$f: $diff pixels differ"; exit 1; } ;;
    esac
    checked=$((checked + 1))
  done
done
[ "$checked" -gt 0 ] || { echo "no saved images"; exit 1; }
echo "$checked saved images read back by ImageMagick"
