# Installs the stand-in archiver DLLs into the prefix's system folder (in a
# 32-bit prefix that is drive_c/windows/system32), where the program finds
# them by bare name as a user's installed DLLs. Sourced by bench.sh while it
# prepares a fresh prefix and before every program it starts, so that the
# copies follow the stand-ins as they are rebuilt; tools/run.sh also runs it.
# A changed copy is renamed into place: a program that has the old one
# loaded keeps it. The tests load the freshly built ones beside the test
# programs instead.
zote_archiver_build=${build:-$(dirname "${ZOTE_BENCH:?}")}
for zote_dll in unlha32 unzip32 zip32j zip32 cab32 tar32; do
  zote_from="$zote_archiver_build/tests/$zote_dll.dll"
  zote_to="$WINEPREFIX/drive_c/windows/system32/$zote_dll.dll"
  if [ -f "$zote_from" ] && ! cmp -s "$zote_from" "$zote_to"; then
    cp -f "$zote_from" "$zote_to.new" && mv -f "$zote_to.new" "$zote_to"
  fi
done
unset zote_archiver_build zote_dll zote_from zote_to
