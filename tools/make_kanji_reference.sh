#!/usr/bin/env bash
# Writes the reference texts for the kanji converter's tests into folder $1:
# every JIS X 0208 character, one per line, in EUC ("euc.txt"), Shift-JIS
# ("sjis.txt") and JIS ("jis.txt", each line ESC $ B ... ESC ( B), made by
# iconv from the candidate EUC pairs 0xA1A1-0xFEFE.
# iconv's SHIFT_JIS, EUC-JP and ISO-2022-JP share one JIS X 0208 to Unicode
# mapping, so going through UTF-8 is exact for these characters. CP932 is not
# used: it adds the NEC and IBM extensions and maps a few JIS X 0208
# characters (wave dash, minus, double vertical line ...) to other Unicode
# characters than EUC-JP does, which would make the round trip depend on
# iconv's irreversible table entries rather than on the JIS X 0208 set.
set -euo pipefail
out=$1
mkdir -p "$out"
tmp="$out/candidates.tmp"
: > "$tmp"
for a in $(seq 161 254); do
  line=""
  for b in $(seq 161 254); do line+=$(printf '\\%03o\\%03o\\n' "$a" "$b"); done
  printf "$line" >> "$tmp"
done
# -c drops the undefined pairs, leaving their lines empty.
{ iconv -c -f EUC-JP -t UTF-8 < "$tmp" || true; } | grep -v '^$' > "$out/utf8.tmp"
count=$(wc -l < "$out/utf8.tmp")
if [ "$count" -ne 6879 ]; then
  echo "make_kanji_reference: expected 6879 characters, got $count" >&2
  exit 1
fi
iconv -f UTF-8 -t EUC-JP < "$out/utf8.tmp" > "$out/euc.txt"
iconv -f UTF-8 -t SHIFT_JIS < "$out/utf8.tmp" > "$out/sjis.txt"
iconv -f UTF-8 -t ISO-2022-JP < "$out/utf8.tmp" > "$out/jis.txt"
rm -f "$tmp" "$out/utf8.tmp"
