#!/usr/bin/env bash
# Makes the folders of the folder benchmark with Linux tools: Wine reads a
# whole folder before it creates a new name in it, so 100,000 files made
# through Wine take it half an hour. Names are cp932 text, written in UTF-8
# as Wine shows them, with the trail byte 0x5C (表, ソ, 能). Each folder is
# made once; FOLDER.made says it is complete.
#   mixed10000, mixed100000: files of eight kinds (one byte each), every
#     tenth entry a subfolder, every other subfolder holding an empty 能.jpg
#   flat10000: the same files without subfolders
#   nested3000: one subfolder 表 holding 3,000 empty folders
# Usage: bench/make_folders.sh ROOT [quick]   (quick: 200, 200 and 60)
set -euo pipefail
root=$1
mkdir -p "$root/start"
exts=(.jpg .png .txt .zip .bmp .xyz .gif .tif)

entries() { # folder count every
  local folder=$1 count=$2 every=$3 i n
  mkdir -p "$folder"
  for ((i = 0; i < count; i++)); do
    printf -v n %05d "$i"
    if ((every && i % every == every - 1)); then
      mkdir -p "$folder/ソ$n"
      if ((i % (2 * every) == every - 1)); then : > "$folder/ソ$n/能.jpg"; fi
    else
      printf x > "$folder/表示$n${exts[i % 8]}"
    fi
  done
}

nested() { # folder count
  local i n
  mkdir -p "$1/表"
  for ((i = 0; i < $2; i++)); do printf -v n %05d "$i"; mkdir -p "$1/表/空$n"; done
}

make() { # name kind count [every]
  [ -f "$root/$1.made" ] && return
  rm -rf "${root:?}/$1"
  if [ "$2" = nested ]; then nested "$root/$1" "$3"; else entries "$root/$1" "$3" "${4:-0}"; fi
  : > "$root/$1.made"
}

if [ "${2:-}" = quick ]; then
  make mixed200 entries 200 10
  make flat200 entries 200
  make nested60 nested 60
else
  make mixed10000 entries 10000 10
  make flat10000 entries 10000
  make nested3000 nested 3000
  make mixed100000 entries 100000 10
fi
