#!/usr/bin/env bash
# Creates (once) and hardens the project's Wine prefix:
#  - no Z: drive (a default prefix maps Z: to /),
#  - no symlink under drive_c (a default prefix links the user folders into $HOME),
#  - exactly one project drive, mapped to the build tree's test area, and one stand-in USB drive
#    mapped to a fixed folder inside it.
set -euo pipefail
BUILD_DIR=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
. "$here/env.sh"
mkdir -p "$HOME" "$TEST_AREA"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine: creating prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
fi

harden() {
    local dd="$WINEPREFIX/dosdevices"
    for d in "$dd"/*; do
        [ -e "$d" ] || [ -L "$d" ] || continue
        case "$(basename "$d")" in
            c:|com[0-9]*) ;;
            *) rm -f "$d" ;;
        esac
    done
    ln -sfn "$TEST_AREA" "$dd/$PROJECT_DRIVE"
    mkdir -p "$USB_DRIVE_FOLDER"
    ln -sfn "$USB_DRIVE_FOLDER" "$dd/$USB_DRIVE"
    # Replace every link under drive_c by an empty real folder (or drop a file link).
    find "$WINEPREFIX/drive_c" -type l -print0 | while IFS= read -r -d '' l; do
        if [ -d "$l" ]; then rm -f "$l"; mkdir -p "$l"; else rm -f "$l"; fi
    done
}
harden
"$here/check-prefix.sh" "$BUILD_DIR"

# The pages' templates use Tahoma, which has no Japanese or Chinese letters: link it to the CJK
# font tools/setup.sh installs, as a Windows of those languages links it to its own. The first
# program of a new prefix that draws text writes Wine's own links over it (for the system's code
# pages), so the live value is checked on every call: build.sh calls this again once its programs
# have started.
if ! wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma 2>/dev/null |
        grep -q 'wqy-microhei.ttc'; then
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
         /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
    # Written to system.reg when the server ends (bounded: a test run's server stays up).
    timeout 30 wineserver -w || true
fi
