#!/usr/bin/env bash
# The program and the stand-ins that go into a prefix are linked statically:
# each may import only DLLs that come with Windows itself. Fails, naming the
# file and the DLL, when one imports anything else (a runtime or library DLL
# such as zlib1.dll or libstdc++-6.dll, which a user's machine does not have).
# Usage: check_imports.sh OBJDUMP FILE...
set -euo pipefail
objdump=$1
shift

# Windows' own DLLs the program and the stand-ins are allowed to use.
system='
advapi32.dll comctl32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll
msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll
version.dll winspool.drv
'

bad=0
for file in "$@"; do
  if [ ! -f "$file" ]; then
    echo "$file: missing"
    bad=1
    continue
  fi
  names=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p')
  if [ -z "$names" ]; then
    echo "$file: no import table read"
    bad=1
    continue
  fi
  while IFS= read -r name; do
    lower=$(printf '%s' "$name" | tr 'A-Z' 'a-z')
    case " $(echo $system) " in
      *" $lower "*) ;;
      *) echo "$file imports $name, which is not part of Windows"; bad=1 ;;
    esac
  done <<< "$names"
done
exit $bad
