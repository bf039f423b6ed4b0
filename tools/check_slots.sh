#!/usr/bin/env bash
# Every slot of the program is listed in the start-up's wiring test
# (tests/browser/start_up_tests.cpp), which checks what the started program
# holds in it: each global function pointer declared in a header must appear
# there as LOOSE(name, ...), and each global record with a function-pointer
# field as FIELD(name, ...) (the test ties the record's size to its fields).
# Usage: tools/check_slots.sh [source folder]
set -uo pipefail
src=${1:-$(cd "$(dirname "$0")/.." && pwd)}
test_file="$src/tests/browser/start_up_tests.cpp"
cd "$src" || exit 2
headers=$(find base graphics files formats kanji browser print console app -name '*.h' | sort)
status=0

# Loose slots: "extern T (*name)(...);".
for name in $(sed -nE 's/^extern[^(]*\(\*([A-Za-z_][A-Za-z0-9_]*)\)\(.*/\1/p' $headers | sort -u); do
    grep -q "LOOSE($name," "$test_file" || { echo "check_slots: $name is not listed"; status=1; }
done

# Records: structs with a field "(*" or of a function-pointer typedef, and
# the globals declared of them.
typedefs=$(sed -nE 's/^typedef[^(]*\(\*([A-Za-z_][A-Za-z0-9_]*)\)\(.*/\1/p' $headers | sort -u | tr '\n' '|')
records=$(awk -v hooks="${typedefs%|}" '
    /^struct [A-Za-z_0-9]+ *\{/ { name = $2; slots = 0; next }
    name != "" && /^\};/ { if (slots) print name; name = ""; next }
    name != "" && ($0 ~ /\(\*/ || (hooks != "" && $1 ~ ("^(" hooks ")$"))) { slots = 1 }
' $headers | sort -u)
for record in $records; do
    for name in $(sed -nE "s/^extern $record ([A-Za-z_][A-Za-z0-9_]*);.*/\1/p" $headers); do
        grep -q "FIELD($name," "$test_file" || { echo "check_slots: $name ($record) is not listed"; status=1; }
    done
done
[ $status -eq 0 ] && echo "every slot is listed in the wiring test"
exit $status
