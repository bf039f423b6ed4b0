#!/usr/bin/env bash
# Makes the archiver tests' archives with the real Linux tools: a small tree
# (a Japanese name included, every time fixed in Asia/Tokyo), packed as zip
# (stored, deflate, traditional encryption), LZH (-lh0-, -lh5-, -lh6-, -lh7-),
# cabinets (none, MSZIP), tar, tar.gz, .tgz and a lone .gz; hostile archives
# whose members climb out of the folder; a 0-byte and a truncated archive.
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
touch "$out/.done"
