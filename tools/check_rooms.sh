#!/usr/bin/env bash
# Holds browser/ to its rooms (browser/rooms.txt): every include of a browser
# header names its room, a room includes only its own headers and those of the
# rooms it uses, nothing runs back up with "../", the libraries below the
# browser include none of it, and only the program's start-up (app/) includes
# the libraries above it. Usage: tools/check_rooms.sh [source folder]
set -uo pipefail
src=${1:-$(cd "$(dirname "$0")/.." && pwd)}
list="$src/browser/rooms.txt"
status=0
fail() { echo "check_rooms: $*"; status=1; }

declare -A uses
while IFS= read -r line; do
    case $line in ''|'#'*) continue ;; esac
    room=${line%%:*}
    used=${line##*| uses:}
    uses[$room]=" $room $used "
done <"$list"

for dir in "$src"/browser/*/; do
    room=$(basename "$dir")
    [ -n "${uses[$room]:-}" ] || fail "browser/$room/ is not listed in browser/rooms.txt"
done
for f in "$src"/browser/*; do
    [ -f "$f" ] && [ "$(basename "$f")" != rooms.txt ] && fail "${f#$src/} lies outside every room"
done

# The includes of one file: "file:line:target" for each quoted include.
includes() { grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$@" 2>/dev/null |
             sed -E 's/^([^:]*):([0-9]+):[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1:\2:\3/'; }

while IFS=: read -r file line target; do
    where=${file#$src/}
    case $target in ../*|*/../*) fail "$where:$line runs back up: $target"; continue ;; esac
    case $target in browser/*) ;; *) continue ;; esac
    rest=${target#browser/}
    case $rest in */*) to=${rest%%/*} ;; *) fail "$where:$line names no room: $target"; continue ;; esac
    [ -n "${uses[$to]:-}" ] || { fail "$where:$line includes from an unknown room: $target"; continue; }
    case $where in
        browser/*/*)
            from=${where#browser/}; from=${from%%/*}
            case ${uses[$from]:-} in *" $to "*) ;; *) fail "$where:$line: room $from may not use room $to ($target)" ;; esac ;;
    esac
done < <(find "$src/browser" "$src/app" "$src/print" "$src/console" \( -name '*.h' -o -name '*.cpp' \) -print0 |
         xargs -0 -r bash -c "$(declare -f includes); includes \"\$@\"" _)

# The libraries below the browser include none of it nor the start-up; only
# the start-up includes it.
while IFS=: read -r file line target; do
    fail "${file#$src/}:$line runs up to ${target%%/*}/: $target"
done < <(find "$src/base" "$src/graphics" "$src/files" "$src/formats" "$src/kanji" \( -name '*.h' -o -name '*.cpp' \) -print0 |
         xargs -0 -r bash -c "$(declare -f includes); includes \"\$@\"" _ | grep -E ':(browser|app|print|console)/')
while IFS=: read -r file line target; do
    fail "${file#$src/}:$line runs up to app/: $target"
done < <(find "$src/browser" "$src/print" "$src/console" \( -name '*.h' -o -name '*.cpp' \) -print0 |
         xargs -0 -r bash -c "$(declare -f includes); includes \"\$@\"" _ | grep -E ':app/')

[ $status -eq 0 ] && echo "check_rooms: browser/ keeps to its rooms"
exit $status
