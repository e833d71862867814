#!/usr/bin/env bash
# Folder trees with a directory link for the file-utility tests (Wine has no way for a program
# to create one). Each case gets: work\a\one.txt, work\a\b\two.txt, work\link -> ..\outside,
# and outside\ holding keep1.txt and sub\keep2.txt, which no walk of work\ may touch.
# The link is relative and its target lies beside it, inside the test area.
# Usage: make_link_fixture.sh <folder> <case>...
set -euo pipefail
# Resolved first: "..", "." and links must not lead the removal out of the test area.
root=$(realpath -m "$1"); shift
case "$root" in */testarea/tests/?*) ;; *) echo "make_link_fixture: $root is not in the test area" >&2; exit 1 ;; esac
rm -rf "$root"
for c in "$@"; do
    d="$root/$c"
    mkdir -p "$d/work/a/b" "$d/outside/sub"
    printf 1 >"$d/work/a/one.txt"
    printf 22 >"$d/work/a/b/two.txt"
    printf 333 >"$d/outside/keep1.txt"
    printf 4444 >"$d/outside/sub/keep2.txt"
    ln -s ../outside "$d/work/link"
done
