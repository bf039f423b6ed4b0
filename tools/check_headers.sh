#!/usr/bin/env bash
# Each library is used from outside through its public header only; its other
# headers are its own. Fails, naming file and line, when a file outside a
# library includes one of that library's private headers. A test that reaches
# a library's inside says why in the include line's comment, and is let
# through. Usage: check_headers.sh [SOURCE_DIR]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# Each library folder with its public headers (base/ is a set of small tools,
# every one of its headers public). The browser is used by nothing below it.
public='
base cptext.h dll_load.h holders.h le_fields.h
graphics kavtrel.h
files files.h
formats formats.h
kanji unkanj.h
print print.h
console console.h
'

find . \( -path ./.git -o -path './build*' \) -prune -o \
     -type f \( -name '*.cpp' -o -name '*.c' -o -name '*.h' -o -name '*.rc' \) -print0 |
  xargs -0 grep -HnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/[^"]+"' /dev/null |
  awk -v table="$public" '
    BEGIN {
        n = split(table, rows, "\n")
        for (i = 1; i <= n; i++) {
            k = split(rows[i], w, " ")
            if (k < 2) continue
            library[w[1]] = w[2]
            for (j = 2; j <= k; j++) open[w[1] "/" w[j]] = 1
        }
    }
    {
        file = $0; sub(/^\.\//, "", file); sub(/:.*/, "", file)
        line = $0; sub(/^[^:]*:/, "", line); sub(/:.*/, "", line)
        text = $0; sub(/^[^:]*:[0-9]+:/, "", text)
        header = text; sub(/^[^"]*"/, "", header); sub(/".*/, "", header)
        lib = header; sub(/\/.*/, "", lib)
        if (!(lib in library) || index(file, lib "/") == 1 || (header in open)) next
        rest = text; sub(/^[^"]*"[^"]*"/, "", rest)
        if (index(file, "tests/") == 1 && rest ~ /^[[:space:]]*\/\/[[:space:]]*[^[:space:]]/) next
        printf "%s:%s: includes %s, private to %s/ (use %s/%s)\n", file, line, header, lib, lib, library[lib]
        faults++
    }
    END {
        if (NR == 0) { print "no includes found under " ENVIRON["PWD"]; exit 1 }
        if (faults) { print faults " includes of private headers"; exit 1 }
        print "every file outside a library includes only its public header"
    }'
