# Sourced by bench.sh while it prepares a fresh prefix: installs the stand-in
# scanner source as "sane.ds" over the placeholder in C:\windows\twain_32,
# the full path from which Wine's 32-bit source manager loads its sources.
# The scanner tests install it themselves when it is missing.
zote_twain_source="$build/tests/standin_twain.ds"
if [ -f "$zote_twain_source" ]; then
  mkdir -p "$WINEPREFIX/drive_c/windows/twain_32"
  cp -f "$zote_twain_source" "$WINEPREFIX/drive_c/windows/twain_32/sane.ds"
fi
unset zote_twain_source
