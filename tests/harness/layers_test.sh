#!/usr/bin/env bash
# Every include goes down the layers of README.md's "Layout" table. A folder's sources include
# only folders of its own layer or below. Its tests (*_unittest, *_e2etest, *_test.rc) include
# the same, plus tests/common; tests/common is test support outside the table and may include any
# folder, so a test that includes one of its headers takes on what that header includes: a
# workers test cannot reach the controller through a fake of tests/common.
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
cd "$root"
# The layers, lowest first, as the README's table lists them (the README says which rows share
# one layer); the README's row order is checked against this below.
layers="classlib:0 support:1 config:2 refresh_rt:3 download:3 spawner:3 workers:4 wizard:5 controller:6 cleanup:6"
{
    grep -oE '^\| `[a-z_]+/`' README.md | sed -E 's/^\| `([a-z_]+)\/`/readme \1/'
    grep -rnoE '#include "[a-z_]+/[^"]*"' classlib support config refresh_rt download spawner workers wizard \
         controller cleanup tests/common --include=*.cpp --include=*.h --include=*.rc |
        sed -E 's/^([^:]+):[0-9]+:#include "([^"]*)"$/include \1 \2/'
} |
awk -v layers="$layers" '
BEGIN {
    n = split(layers, pairs, " ")
    for (i = 1; i <= n; i++) { split(pairs[i], p, ":"); layer[p[1]] = p[2] }
    failed = 0; lastReadme = -1
}
$1 == "readme" {
    if (!($2 in layer)) next
    if (layer[$2] < lastReadme) {
        print "layers: README.md lists " $2 "/ after a higher layer (its layer is " layer[$2] ")"; failed = 1
    }
    lastReadme = layer[$2]; next
}
{
    count++; file[count] = $2; target[count] = $3
    if ($2 ~ /^tests\/common\//) { commonTarget[$2] = commonTarget[$2] " " $3 }
}
function folderOf(path,   parts) { split(path, parts, "/"); return parts[1] }
# The highest layer a tests/common file reaches through its includes (-1: none of the table).
function reach(path,   list, m, i, t, r, best) {
    if (path in reached) return reached[path]
    reached[path] = -1
    best = -1
    m = split(commonTarget[path], list, " ")
    for (i = 1; i <= m; i++) {
        t = list[i]
        if (t ~ /^tests\/common\//) r = reach(t)
        else if (folderOf(t) in layer) r = layer[folderOf(t)]
        else r = -1
        if (r > best) best = r
    }
    reached[path] = best
    return best
}
END {
    for (i = 1; i <= count; i++) {
        f = file[i]; t = target[i]; folder = folderOf(f)
        if (folder == "tests") continue
        isTest = f ~ /_unittest|_e2etest|_test\.rc$/
        if (t ~ /^tests\//) {
            if (!isTest) { print "layers: " f " includes " t ", test support, from a non-test source"; failed = 1; continue }
            if (t !~ /^tests\/common\//) { print "layers: " f " includes " t ", outside tests/common"; failed = 1; continue }
            r = reach(t)
            if (r > layer[folder]) {
                print "layers: " f " includes " t ", which reaches a higher layer than " folder "/"; failed = 1
            }
            continue
        }
        tf = folderOf(t)
        if (!(tf in layer)) continue
        if (layer[tf] > layer[folder]) {
            print "layers: " f " includes " tf "/, a higher layer than " folder "/"; failed = 1
        }
    }
    if (!failed) print "layers: every include goes down"
    exit failed
}'
