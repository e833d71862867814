#!/usr/bin/env bash
# Refuses (exit 1) when the project's prefix is not hardened.
set -uo pipefail
BUILD_DIR=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
. "$here/env.sh"
bad=0
[ -f "$WINEPREFIX/system.reg" ] || { echo "wine-check: no prefix at $WINEPREFIX" >&2; exit 1; }
for d in "$WINEPREFIX/dosdevices"/*; do
    n=$(basename "$d")
    case "$n" in
        c:) [ "$(readlink "$d")" = "../drive_c" ] || { echo "wine-check: c: does not point at drive_c" >&2; bad=1; } ;;
        "$PROJECT_DRIVE") [ "$(realpath "$d")" = "$(realpath "$TEST_AREA")" ] || { echo "wine-check: $n is not the test area" >&2; bad=1; } ;;
        # Compared by the link's text: a test may have renamed the folder away (a pulled drive).
        "$USB_DRIVE") [ "$(readlink "$d")" = "$USB_DRIVE_FOLDER" ] || { echo "wine-check: $n is not the test area's USB folder" >&2; bad=1; } ;;
        com[0-9]*) ;;
        *) echo "wine-check: unexpected drive or device $n" >&2; bad=1 ;;
    esac
done
links=$(find "$WINEPREFIX/drive_c" -type l 2>/dev/null | head -5)
[ -z "$links" ] || { echo "wine-check: symlinks under drive_c:" >&2; echo "$links" >&2; bad=1; }
case "$HOME" in "$BUILD_DIR"/*) ;; *) echo "wine-check: HOME is outside the build tree" >&2; bad=1 ;; esac
[ $bad -eq 0 ] || { echo "wine-check: refusing to run Wine in an unsafe prefix" >&2; exit 1; }
