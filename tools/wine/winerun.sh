#!/usr/bin/env bash
# Runs a Windows program in the project's prefix (the ctest emulator and the demo use it).
# The build tree is found from this script's environment: BUILD_DIR, or the folder that holds
# the program's testarea.
set -uo pipefail
here=$(dirname "$(realpath "$0")")
if [ -z "${BUILD_DIR:-}" ]; then
    p=$(realpath "$1"); while [ "$p" != / ] && [ "$(basename "$p")" != testarea ]; do p=$(dirname "$p"); done
    [ "$p" != / ] || { echo "winerun: cannot find the build tree of $1" >&2; exit 2; }
    BUILD_DIR=$(dirname "$p")
fi
export BUILD_DIR
. "$here/env.sh"
"$here/check-prefix.sh" "$BUILD_DIR" || exit 2
exec wine "$@"
