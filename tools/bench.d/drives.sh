# Sourced by bench.sh while it prepares a fresh prefix: drive fixtures for the
# file-system query tests, set through Wine's drive settings, which take
# effect once the prefix's server has ended:
#   E: CD-ROM, F: removable (floppy), G: RAM disk, H: fixed disk labelled DATA
zote_drives="$WINEPREFIX/zote-drives"
mkdir -p "$zote_drives/cd" "$zote_drives/removable" "$zote_drives/ram" "$zote_drives/data"
printf 'DATA\n' > "$zote_drives/data/.windows-label"
ln -sfn "$zote_drives/cd" "$WINEPREFIX/dosdevices/e:"
ln -sfn "$zote_drives/removable" "$WINEPREFIX/dosdevices/f:"
ln -sfn "$zote_drives/ram" "$WINEPREFIX/dosdevices/g:"
ln -sfn "$zote_drives/data" "$WINEPREFIX/dosdevices/h:"
wine reg add 'HKLM\Software\Wine\Drives' /v e: /d cdrom /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Wine\Drives' /v f: /d floppy /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Wine\Drives' /v g: /d ramdisk /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Wine\Drives' /v h: /d hd /f >/dev/null 2>&1
wineserver -w
unset zote_drives
