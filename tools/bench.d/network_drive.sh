# Sourced by bench.sh while it prepares a fresh prefix: N:, a network drive
# (DRIVE_REMOTE) labelled NET for the folder synchronisation's tests. The
# type takes effect once the prefix's server has ended.
zote_network="$WINEPREFIX/zote-drives/network"
mkdir -p "$zote_network"
printf 'NET\n' > "$zote_network/.windows-label"
ln -sfn "$zote_network" "$WINEPREFIX/dosdevices/n:"
wine reg add 'HKLM\Software\Wine\Drives' /v n: /d network /f >/dev/null 2>&1
wineserver -w
unset zote_network
