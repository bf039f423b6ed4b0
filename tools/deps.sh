# Sourced by the build scripts: where tools/setup.sh put the libraries.
ZOTE_DEPS_ROOT=${ZOTE_DEPS:-/opt/zote-deps}
ZOTE_DEPS_PREFIX=$(cat "$ZOTE_DEPS_ROOT/current")
export ZOTE_DEPS_ROOT ZOTE_DEPS_PREFIX
