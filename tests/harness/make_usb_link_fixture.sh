#!/usr/bin/env bash
# Stand-in sticks with a directory link for the USB copy's tests (Wine has no way for a program
# to create one). Each case <name>=<path> gets outside\ holding keep1.txt and sub\keep2.txt, and
# a link at <path> (below the case's folder) to outside\, which no run may read, write or empty.
# The link is relative and its target lies beside it, inside the test area.
# Usage: make_usb_link_fixture.sh <folder> <name>=<path>...
set -euo pipefail
# Resolved first: "..", "." and links must not lead the removal out of the test area.
root=$(realpath -m "$1"); shift
case "$root" in */testarea/tests/?*) ;; *) echo "make_usb_link_fixture: $root is not in the test area" >&2; exit 1 ;; esac
rm -rf "$root"
for c in "$@"; do
    d="$root/${c%%=*}"
    link="$d/${c#*=}"
    case "$link" in *..*) echo "make_usb_link_fixture: $c leaves its folder" >&2; exit 1 ;; esac
    mkdir -p "$d/outside/sub" "$(dirname "$link")"
    printf 333 >"$d/outside/keep1.txt"
    printf 4444 >"$d/outside/sub/keep2.txt"
    ln -s "$(realpath -m --relative-to="$(dirname "$link")" "$d/outside")" "$link"
done
