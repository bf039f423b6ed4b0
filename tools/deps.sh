# Sourced by the build scripts: where tools/setup.sh put the libraries.
ZOTE_DEPS_ROOT=${ZOTE_DEPS:-/opt/zote-deps}
ZOTE_DEPS_PREFIX=$(bash "$(dirname "${BASH_SOURCE[0]}")/setup.sh" --print-prefix)
export ZOTE_DEPS_ROOT ZOTE_DEPS_PREFIX
