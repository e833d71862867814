#!/usr/bin/env bash
# Runs the USB copy's really-full-drive case on a small tmpfs mounted over the stand-in drive's
# folder (only that folder of the test area, only while this test holds the usb_drive lock).
# Without the right to mount, the case runs unmounted and skips itself, naming the reason.
# Usage: usb_full_drive.sh <build dir> <test program>
set -uo pipefail
BUILD_DIR=$(realpath "$1"); export BUILD_DIR
here=$(dirname "$(realpath "$0")")
. "$here/../../tools/wine/env.sh"
mkdir -p "$USB_DRIVE_FOLDER"
filter=--gtest_filter='*ReallyFullDrive*'
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=192k,mode=0755 vantolin_usb "$USB_DRIVE_FOLDER" 2>/dev/null; then
    trap 'umount "$USB_DRIVE_FOLDER"' EXIT
    VANTOLIN_FULL_DRIVE=1 "$here/../../tools/wine/winerun.sh" "$2" "$filter"
else
    VANTOLIN_FULL_DRIVE_SKIP="cannot mount a small file system over the drive's folder here" \
        "$here/../../tools/wine/winerun.sh" "$2" "$filter"
fi
