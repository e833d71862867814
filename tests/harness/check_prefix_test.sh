#!/usr/bin/env bash
# The prefix check refuses every unsafe layout. Works on a fake prefix tree: no Wine runs.
set -uo pipefail
check=$(dirname "$(realpath "$0")")/../../tools/wine/check-prefix.sh
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
failed=0 passed=0

make_safe() {
    rm -rf "$tmp/b"; mkdir -p "$tmp/b/wineprefix/dosdevices" "$tmp/b/wineprefix/drive_c/users/u/Desktop" "$tmp/b/testarea" "$tmp/elsewhere"
    touch "$tmp/b/wineprefix/system.reg"
    ln -s ../drive_c "$tmp/b/wineprefix/dosdevices/c:"
    ln -s "$tmp/b/testarea" "$tmp/b/wineprefix/dosdevices/d:"
    ln -s /dev/ttyS0 "$tmp/b/wineprefix/dosdevices/com1"
}
expect() { # expect <0|1> <name> : runs the check on the tree as it is now
    (unset HOME; "$check" "$tmp/b" >/dev/null 2>&1); local rc=$?
    if [ "$rc" -eq "$1" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $2 (exit $rc)"; fi
}

make_safe; expect 0 "hardened prefix"
make_safe; ln -s / "$tmp/b/wineprefix/dosdevices/z:"; expect 1 "z: maps /"
make_safe; ln -s "$tmp/elsewhere" "$tmp/b/wineprefix/drive_c/users/u/Documents"; expect 1 "link under drive_c"
make_safe; rm "$tmp/b/wineprefix/dosdevices/d:"; ln -s "$tmp/elsewhere" "$tmp/b/wineprefix/dosdevices/d:"; expect 1 "project drive elsewhere"
make_safe; ln -s /dev/sda "$tmp/b/wineprefix/dosdevices/d::"; expect 1 "raw device"
make_safe; rm "$tmp/b/wineprefix/system.reg"; expect 1 "no prefix"
make_safe; mkdir "$tmp/b/testarea/usbdrive"; ln -s "$tmp/b/testarea/usbdrive" "$tmp/b/wineprefix/dosdevices/u:"; expect 0 "USB drive on its folder"
make_safe; ln -s "$tmp/b/testarea/usbdrive" "$tmp/b/wineprefix/dosdevices/u:"; expect 0 "USB drive pulled (folder renamed away)"
make_safe; ln -s "$tmp/b/testarea" "$tmp/b/wineprefix/dosdevices/u:"; expect 1 "USB drive on the whole test area"
make_safe; ln -s "$tmp/elsewhere" "$tmp/b/wineprefix/dosdevices/u:"; expect 1 "USB drive elsewhere"
make_safe; ln -s / "$tmp/b/wineprefix/dosdevices/u:"; expect 1 "USB drive on /"
make_safe; ln -s "$tmp/b/testarea/usbdrive" "$tmp/b/wineprefix/dosdevices/e:"; expect 1 "another letter on the USB folder"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
