#!/usr/bin/env bash
# Makes the archiver tests' archives with the real Linux tools: a small tree
# (a Japanese name included, every time fixed in Asia/Tokyo), packed as zip
# (stored, deflate, traditional encryption), LZH (-lh0-, -lh5-, -lh6-, -lh7-),
# cabinets (none, MSZIP), tar, tar.gz, .tgz and a lone .gz; hostile archives
# whose members climb out of the folder; a 0-byte and a truncated archive,
# a zip without its end record and two whose end record names a central
# directory they lack; damaged gzip data and cabinets; tar and zip holding a
# symbolic link; pictures for archives opened as folders.
# Usage: make_archive_fixtures.sh OUTDIR
set -euo pipefail
out=$1
export TZ=Asia/Tokyo LC_ALL=C.UTF-8
rm -rf "$out"
mkdir -p "$out/src/sub" "$out/lzhsrc"
cd "$out"
printf 'hello archive\r\n' > src/a.txt
for i in $(seq 1 400); do printf 'line %04d of a longer text that packs well\n' "$i"; done > src/sub/b.txt
printf '\x00\x01\x02\xff binary \x5c tail' > src/sub/c.bin
printf 'japanese name\r\n' > "src/画像.txt"
touch -d '2010-05-06 07:08:10' src/a.txt
touch -d '2011-12-31 23:59:58' src/sub/b.txt
touch -d '2009-01-02 03:04:06' src/sub/c.bin "src/画像.txt"
cp src/a.txt src/sub/b.txt lzhsrc/
touch -d '2010-05-06 07:08:10' lzhsrc/a.txt
touch -d '2011-12-31 23:59:58' lzhsrc/b.txt

(cd src && zip -q -X -r -0 -UN=UTF8 ../stored.zip . \
   && zip -q -X -r -UN=UTF8 ../deflate.zip . \
   && zip -q -X -r -UN=UTF8 -P 'sesame42' ../crypt.zip .)
(cd lzhsrc && for m in z o5 o6 o7; do lha "a${m}q" "../lh_$m.lzh" a.txt b.txt >/dev/null; done)
(cd src && gcab -c ../none.cab a.txt sub/b.txt sub/c.bin >/dev/null && gcab -c -z ../mszip.cab a.txt sub/b.txt sub/c.bin >/dev/null)
tar --format=pax -cf plain.tar -C src .
tar --format=pax -czf packed.tar.gz -C src .
cp packed.tar.gz packed.tgz
gzip -c -n src/sub/b.txt > b.txt.gz

# Hostile members beside a harmless one.
python3 - <<'PY'
import io, tarfile, zipfile
names = ["../evil1.txt", "..\\evil2.txt", "C:\\evil3.txt", "\\evil4.txt", "/tmp/evil5.txt", "sub/../../evil6.txt"]
with zipfile.ZipFile("hostile.zip", "w") as z:
    for n in names:
        z.writestr(zipfile.ZipInfo(n, (2010, 1, 1, 0, 0, 0)), b"evil")
    z.writestr(zipfile.ZipInfo("good.txt", (2010, 1, 1, 0, 0, 0)), b"good")
# Two names of one file on Windows, of one size.
with zipfile.ZipFile("case.zip", "w") as z:
    z.writestr(zipfile.ZipInfo("Same.txt", (2010, 1, 1, 0, 0, 0)), b"first")
    z.writestr(zipfile.ZipInfo("same.txt", (2010, 1, 1, 0, 0, 0)), b"later")
with tarfile.open("hostile.tar.gz", "w:gz", format=tarfile.GNU_FORMAT) as t:
    for n in names + ["good.txt"]:
        data = b"good" if n == "good.txt" else b"evil"
        info = tarfile.TarInfo(n)
        info.size = len(data)
        info.mtime = 1262271600
        t.addfile(info, io.BytesIO(data))
PY
: > zero.zip
: > zero.lzh
head -c $(( $(stat -c %s deflate.zip) / 2 )) deflate.zip > truncated.zip
head -c $(( $(stat -c %s lh_o5.lzh) * 2 / 3 )) lh_o5.lzh > truncated.lzh
# The second member's header level made one no reader knows.
python3 -c '
import sys
b = bytearray(open("lh_o5.lzh", "rb").read())
second = b.index(b"-lh", b.index(b"-lh") + 1) - 2
b[second + 20] = 7
open("badheader.lzh", "wb").write(b)'
head -c 100 plain.tar > truncated.tar
# Damage the readers must see: one flipped byte in the CRC of a tar.gz and of
# a lone .gz; a tar.gz cut short; a cabinet of two data blocks cut inside the
# second, and one with a flipped byte there (its first member stays whole).
flip() { python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[int(sys.argv[2])] ^= 0x55; open(sys.argv[3], "wb").write(b)' "$@"; }
flip packed.tar.gz -8 crc.tar.gz
flip b.txt.gz -8 crc.txt.gz
tar --format=gnu -czf cut.tar.gz -C src a.txt sub/b.txt
head -c $(( $(stat -c %s cut.tar.gz) - 200 )) cut.tar.gz > truncated.tar.gz && rm cut.tar.gz
mkdir -p cabsrc
cp src/a.txt cabsrc/a.txt
for i in $(seq 1 1000); do printf 'block %04d of a text longer than one cabinet block\n' "$i"; done > cabsrc/long.txt
printf 'last\r\n' > cabsrc/z.txt
touch -d '2010-05-06 07:08:10' cabsrc/*
(cd cabsrc && gcab -c ../blocks.cab a.txt long.txt z.txt >/dev/null)
head -c $(( $(stat -c %s blocks.cab) - 2000 )) blocks.cab > truncated.cab
flip blocks.cab -2000 checksum.cab && rm blocks.cab
for f in crc.tar.gz crc.txt.gz truncated.tar.gz; do ! gzip -t "$f" 2>/dev/null; done
for f in truncated.cab checksum.cab; do ! cabextract -t "$f" >/dev/null 2>&1; done
# Symbolic links, as tar and zip keep them.
mkdir -p linksrc
printf 'target\r\n' > linksrc/a.txt
ln -sfn a.txt linksrc/link.txt
touch -h -d '2010-05-06 07:08:10' linksrc/a.txt linksrc/link.txt
tar --format=gnu -czf links.tar.gz -C linksrc a.txt link.txt
(cd linksrc && zip -q -X -y ../links.zip a.txt link.txt)
# Pictures for archives opened as folders: two at the top, one in a
# subfolder, and a text; an archive whose only picture is in a subfolder;
# one that holds folders only.
mkdir -p pics/sub deep/sub onlyfolders/x/y
python3 - <<'PY'
import struct
def bmp(path, w, h, rgb):
    row = (w * 3 + 3) & ~3
    pix = (bytes(rgb) * w + b"\0" * (row - w * 3)) * h
    head = struct.pack("<2sIHHI", b"BM", 54 + len(pix), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pix), 2835, 2835, 0, 0)
    open(path, "wb").write(head + info + pix)
bmp("pics/p1.bmp", 8, 6, (0, 0, 255))
bmp("pics/p2.bmp", 5, 7, (0, 255, 0))
bmp("pics/sub/p3.bmp", 4, 4, (255, 0, 0))
PY
printf 'notes\r\n' > pics/n.txt
cp pics/sub/p3.bmp deep/sub/ && printf 'x\r\n' > deep/a.txt
touch -d '2012-03-04 05:06:08' pics/p1.bmp pics/p2.bmp pics/sub/p3.bmp pics/n.txt deep/sub/p3.bmp deep/a.txt
(cd pics && zip -q -X -r ../images.zip . && lha aqo5 ../images.lzh p1.bmp p2.bmp n.txt sub/p3.bmp >/dev/null)
(cd deep && zip -q -X -r ../deep.zip .)
# A zip whose end record is cut off: its local headers still name every member.
head -c -12 images.zip > noend.zip
# Zips whose end record names a central directory they do not hold: one
# said to begin past the end of the file, one said to list a member more.
python3 - <<'PY'
import struct
b = open("images.zip", "rb").read()
end = b.rindex(b"PK\x05\x06")
bad = bytearray(b)
struct.pack_into("<I", bad, end + 16, len(b) + 1000)
open("badcdoff.zip", "wb").write(bad)
bad = bytearray(b)
n = struct.unpack_from("<H", b, end + 10)[0] + 1
struct.pack_into("<HH", bad, end + 8, n, n)
open("badcount.zip", "wb").write(bad)
PY
for f in badcdoff.zip badcount.zip; do ! unzip -tqq "$f" >/dev/null 2>&1; done
# Four photos in a zip under cp932 names (trail bytes 0x5C), as a camera's
# pictures packed on a Japanese Windows, for the screen tests.
mkdir -p photos932
for i in 1 2 3 4; do
  convert -size 64x48 "xc:rgb($((i * 60)),90,150)" -strip -quality 90 \
    "photos932/$(printf '写真%d表.jpg' "$i" | iconv -f UTF-8 -t CP932)"
done
touch -d '2012-03-04 05:06:08' photos932/*
(cd photos932 && LC_ALL=C zip -q -X -r -UN=N ../photos.zip .)
# Two zips each holding a folder "写真表" of two photos of the same names and
# times but other pictures, for two windows that cut those folders.
for z in 1 2; do
  folder="same$z/$(printf '写真表' | iconv -f UTF-8 -t CP932)"
  mkdir -p "$folder"
  for i in 1 2; do
    convert -size 64x48 "xc:rgb($((z * 100)),$((i * 70)),40)" -strip -quality 90 \
      "$folder/$(printf '%dソ.jpg' "$i" | iconv -f UTF-8 -t CP932)"
  done
  touch -d '2012-03-04 05:06:08' "$folder"/* "$folder"
  (cd "same$z" && LC_ALL=C zip -q -X -r -UN=N "../same$z.zip" .)
done
(cd onlyfolders && zip -q -X -r ../folders.zip .)
# A picture whose name is longer than a path, sorting before a short one.
python3 -c '
import zipfile
with zipfile.ZipFile("longname.zip", "w") as z:
    data = open("pics/p2.bmp", "rb").read()
    z.writestr(zipfile.ZipInfo("a" * 300 + ".bmp", (2012, 3, 4, 5, 6, 8)), data)
    z.writestr(zipfile.ZipInfo("short.bmp", (2012, 3, 4, 5, 6, 8)), data)'
# Japanese names: trail bytes 0x5C (表 ソ 能 十 予), nested folders and an
# empty folder. "jsrc" holds the tree under UTF-8 names (for the checks and
# the tools that take UTF-8), "jsrc932" the same tree under cp932 names, as
# a Japanese Windows writes them. Archives keep cp932 names as raw bytes
# (zip without the UTF-8 flag, GNU tar, LZH through jlha set to MS932,
# gcab); jp_utf8.zip and jp_utf8.tar.gz carry the names in UTF-8.
mkdir -p "jsrc/ソフト/十" "jsrc/空"
printf 'hyouji\r\n' > "jsrc/表示.txt"
printf 'nihongo\r\n' > "jsrc/日本語.txt"
for i in $(seq 1 300); do printf 'nouryoku %04d\n' "$i"; done > "jsrc/ソフト/能力.txt"
printf 'yotei\r\n' > "jsrc/ソフト/十/予定.txt"
printf 'readme\r\n' > jsrc/readme.txt
convert -size 8x6 xc:red -strip -quality 90 "jsrc/写真.jpg"
find jsrc -type f -exec touch -d '2013-04-05 06:07:08' {} +
(cd jsrc && find . -depth -mindepth 1 -print0) | while IFS= read -r -d '' f; do
  t="jsrc932/$(printf '%s' "${f#./}" | iconv -f UTF-8 -t CP932)"
  if [ -d "jsrc/$f" ]; then mkdir -p "$t"; else mkdir -p "$(dirname "$t")"; cp -p "jsrc/$f" "$t"; fi
done
find jsrc jsrc932 -type d -exec touch -d '2013-04-05 06:07:08' {} +
(cd jsrc932 && LC_ALL=C zip -q -X -r -UN=N ../jp.zip .)
(cd jsrc && LC_ALL=C.UTF-8 zip -q -X -r -UN=UTF8 ../jp_utf8.zip .)
LC_ALL=C tar --format=gnu -czf jp.tar.gz -C jsrc932 .
LC_ALL=C.UTF-8 tar --format=pax -czf jp_utf8.tar.gz -C jsrc .
jfiles=("表示.txt" "日本語.txt" "写真.jpg" "readme.txt" "ソフト/能力.txt" "ソフト/十/予定.txt")
jlha932() { LC_ALL=C.UTF-8 JAVA_TOOL_OPTIONS=-Dlha.encoding=MS932 jlha "$@" >/dev/null 2>&1; }
(cd jsrc && jlha932 a2 ../jp.lzh "${jfiles[@]}" "空")
(cd jsrc && jlha932 a0 ../jp_l0.lzh "${jfiles[@]}")
cfiles=()
for f in "${jfiles[@]}"; do cfiles+=("$(printf '%s' "$f" | iconv -f UTF-8 -t CP932)"); done
(cd jsrc932 && LC_ALL=C gcab -c ../jp.cab "${cfiles[@]}" >/dev/null && LC_ALL=C gcab -c -z ../jp_mszip.cab "${cfiles[@]}" >/dev/null)
touch "$out/.done"
