# Sourced by bench.sh while it prepares a fresh prefix: a drive letter mapped
# onto a folder of C:, for the tests that must see one folder under two names:
#   M:\ -> C:\zote-mapped
# Wine learns the new letter once the prefix's server has ended.
mkdir -p "$WINEPREFIX/drive_c/zote-mapped"
ln -sfn ../drive_c/zote-mapped "$WINEPREFIX/dosdevices/m:"
wineserver -w
