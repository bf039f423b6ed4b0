# Installs the stand-in archiver DLLs into the prefix's system folder (in a
# 32-bit prefix that is drive_c/windows/system32), where the program finds
# them by bare name as a user's installed DLLs. Sourced by bench.sh while it
# prepares a fresh prefix; tools/run.sh also runs it to refresh the copies.
# The tests load the freshly built ones beside the test programs instead.
zote_archiver_build=${build:-$(dirname "${ZOTE_BENCH:?}")}
for zote_dll in unlha32 unzip32 zip32j zip32 cab32 tar32; do
  if [ -f "$zote_archiver_build/tests/$zote_dll.dll" ]; then
    cp -f "$zote_archiver_build/tests/$zote_dll.dll" "$WINEPREFIX/drive_c/windows/system32/$zote_dll.dll"
  fi
done
unset zote_archiver_build zote_dll
