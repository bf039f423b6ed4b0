#!/usr/bin/env bash
# Renders the pages the printing tests wrote with ghostscript, as paper shows
# them, and checks that each right-aligned header ends where the program
# measured it to end: at the right edge of the one cell's frame below it,
# never past it. Usage: check_printed_widths.sh DIR
set -euo pipefail
cd "$1"
checked=0
for ps in *.ps; do
  [ -f "$ps" ] || continue
  gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pgmraw -r150 -sOutputFile="${ps%.ps}.pgm" "$ps"
  python3 - "${ps%.ps}.pgm" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
# P5 header: magic, width, height, maximum, each after white space or a comment line.
fields, at = [], 0
while len(fields) < 4:
    while data[at:at + 1].isspace(): at += 1
    if data[at:at + 1] == b'#':
        at = data.index(b'\n', at)
        continue
    start = at
    while not data[at:at + 1].isspace(): at += 1
    fields.append(data[start:at])
at += 1
w, h = int(fields[1]), int(fields[2])
pixels = data[at:at + w * h]
def row(y): return pixels[y * w:(y + 1) * w]
dark = lambda v: v < 128
# The frame's top edge: the first row dark over half the page's width.
top = next(y for y in range(h) if sum(1 for v in row(y) if dark(v)) > w // 2)
frame_right = max(x for x in range(w) if dark(row(top)[x]))
header = [x for y in range(top - 2) for x in range(w) if dark(row(y)[x])]
if not header:
    sys.exit(f"{sys.argv[1]}: no header above the frame")
header_right = max(header)
# Ink ends a glyph's side bearing short of its advance: at 150 dpi a few pixels
# (under 2 mm; text recorded at its page-unit size ended 4 to 6 mm off).
if not (frame_right - 12 <= header_right <= frame_right + 1):
    sys.exit(f"{sys.argv[1]}: header ends at {header_right}, the frame at {frame_right}")
print(f"{sys.argv[1]}: header ends at {header_right}, the frame at {frame_right}")
PY
  checked=$((checked + 1))
done
[ "$checked" -gt 0 ] || { echo "no printed pages"; exit 1; }
echo "$checked printed pages measured"
