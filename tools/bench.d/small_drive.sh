# Sourced by bench.sh while it prepares a fresh prefix, and again at every
# start (a stop or a reboot takes the mount away): S:, a fixed drive of 1 MB
# (a tmpfs mounted inside the prefix) for the tests of copies, moves and
# archive write-backs onto a full drive. Mounting needs root; without it S:
# is an ordinary folder and those tests skip, saying so.
zote_small="$WINEPREFIX/zote-drives/small"
mkdir -p "$zote_small"
if ! mountpoint -q "$zote_small"; then
  mount -t tmpfs -o size=1m,mode=0777 zote-small "$zote_small" >/dev/null 2>&1 || true
fi
ln -sfn "$zote_small" "$WINEPREFIX/dosdevices/s:"
unset zote_small
