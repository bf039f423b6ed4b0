# Sourced by the readback checks: extracts an archive with the real Linux
# tool of its kind and lists what came out, so that two trees (or an archive
# and a tree) compare as text.
#   unpack ARCHIVE DIR          extract ARCHIVE (absolute path) into DIR
#   manifest DIR ENCODING       one line per item below DIR, sorted: "name/" for
#                               a folder, "<md5> name" for a file; names given
#                               in UTF-8, read from ENCODING (cp932 or utf8)
#   zip_utf8_flags ARCHIVE      "utf8" when every non-ASCII name has the zip's
#                               UTF-8 flag, "none" when none has, else "mixed"
#   check_japanese PREFIX TREE TMP
#                               the Japanese archives PREFIXjp.zip ... (cwd)
#                               hold TREE exactly (a cabinet has no empty
#                               folder), names in the model archives' encoding
unpack() {
  mkdir -p "$2"
  case "$1" in
    *.zip) unzip -qq -o -d "$2" "$1" ;;
    # lhasa writes the names' bytes as they are.
    *.lzh) (cd "$2" && lhasa xq "$1" >/dev/null) ;;
    # cabextract takes unflagged names as cp932 and writes them in UTF-8.
    *.cab) cabextract -q -e CP932 -d "$2" "$1" >/dev/null ;;
    *.tar.gz | *.tgz) LC_ALL=C.UTF-8 tar -xzf "$1" -C "$2" ;;
    *) echo "unpack: no tool for $1" >&2; return 1 ;;
  esac
}

manifest() {
  # Bytes, not characters: in a UTF-8 locale read takes the NUL after a
  # cp932 lead byte for part of a character.
  (export LC_ALL=C; cd "$1" && find . -mindepth 1 -print0 | while IFS= read -r -d '' p; do
    n=${p#./}
    [ "$2" = cp932 ] && n=$(printf '%s' "$n" | iconv -f CP932 -t UTF-8)
    if [ -d "$p" ]; then echo "$n/"; else echo "$(md5sum < "$p" | cut -c1-32) $n"; fi
  done) | LC_ALL=C sort
}

zip_utf8_flags() {
  python3 - "$1" <<'PY'
import sys, zipfile
flags = [bool(i.flag_bits & 0x800) for i in zipfile.ZipFile(sys.argv[1]).infolist()
         if not i.orig_filename.isascii()]
print("utf8" if flags and all(flags) else "none" if not any(flags) else "mixed")
PY
}

check_japanese() {
  local want expected got archive encoding
  want=$(manifest "$2" utf8)
  while read -r archive encoding; do
    unpack "$PWD/$1$archive" "$3/$1$archive"
    expected=$want
    [ "${archive##*.}" = cab ] && expected=$(printf '%s\n' "$want" | grep -v '^空/$')
    got=$(manifest "$3/$1$archive" "$encoding")
    [ "$got" = "$expected" ] || { echo "$1$archive: members differ"; diff <(echo "$expected") <(echo "$got"); return 1; }
  done <<'LIST'
jp.zip cp932
jp_utf8.zip utf8
jp.lzh cp932
jp.cab utf8
jp.tar.gz cp932
jp_utf8.tar.gz utf8
LIST
  [ "$(zip_utf8_flags "$1jp.zip")" = none ] || { echo "$1jp.zip: UTF-8 flag set"; return 1; }
  [ "$(zip_utf8_flags "$1jp_utf8.zip")" = utf8 ] || { echo "$1jp_utf8.zip: UTF-8 flag missing"; return 1; }
}
