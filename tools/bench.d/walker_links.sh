# Sourced by bench.sh while it prepares a fresh prefix: link fixtures for the
# directory walker's tests, which a Windows program under Wine cannot make:
#   C:\zote-links\tree\out  -> C:\zote-links\outside   (a link out of the tree)
#   C:\zote-links\tree\a\up -> C:\zote-links\tree      (a cycle)
# Wine cannot remove these links, and the walkers never delete through them,
# so they outlive every test run.
zote_links="$WINEPREFIX/drive_c/zote-links"
mkdir -p "$zote_links/outside" "$zote_links/tree/a"
ln -sfn ../outside "$zote_links/tree/out"
ln -sfn .. "$zote_links/tree/a/up"
unset zote_links
