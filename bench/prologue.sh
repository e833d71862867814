# Sourced by the benchmark scripts: the build tree and its Wine prefix, checked before any run.
ROOT=$(dirname "$(realpath "${BASH_SOURCE[0]}")")/..
export BUILD_DIR=${BUILD_DIR:-$ROOT/build}
. "$ROOT/tools/wine/env.sh"
"$ROOT/tools/wine/check-prefix.sh" "$BUILD_DIR"
# One persistent wineserver for the runs (a calling benchmark may have started it already).
wineserver -p </dev/null >/dev/null 2>&1 || true
