# Sourced by bench.sh while it prepares a fresh prefix: installs the test
# printer (PostScript, port LPT1: spooled to C:\zote-printer\page.ps) when its
# setup program has been built. Without it the printing tests install it
# themselves or skip.
zote_printer_setup="$build/standins/printer/printer_setup.exe"
if [ -f "$zote_printer_setup" ]; then
  wine "$(dos_path "$zote_printer_setup")" >"$state/printer-setup.log" 2>&1 </dev/null || true
  wineserver -w
fi
unset zote_printer_setup
