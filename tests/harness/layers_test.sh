#!/usr/bin/env bash
# The layers of the README's table, lowest first: a folder's sources include only folders of its
# own layer or below. Tests may reach further (tests/common, the units they drive), but nothing
# below wizard/ includes wizard/ (their texts come through tests/common).
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
cd "$root"
grep -rnoE '#include "[a-z_]+/' classlib support config refresh_rt download spawner workers wizard controller cleanup \
     --include=*.cpp --include=*.h --include=*.rc |
awk -F: '
BEGIN {
    split("classlib:0 support:1 config:2 refresh_rt:3 download:3 spawner:3 workers:4 wizard:5 controller:6 cleanup:6", pairs, " ")
    for (i in pairs) { split(pairs[i], p, ":"); layer[p[1]] = p[2] }
    failed = 0
}
{
    file = $1
    split(file, parts, "/"); folder = parts[1]
    target = $3; sub(/^#include "/, "", target); sub(/\/$/, "", target)
    if (!(target in layer)) next
    isTest = file ~ /_unittest|_e2etest/
    if (!isTest && layer[target] > layer[folder]) {
        print "layers: " file " includes " target "/, a higher layer than " folder "/"; failed = 1
    }
    if (target == "wizard" && layer[folder] < layer["wizard"]) {
        print "layers: " file " includes wizard/ from below it"; failed = 1
    }
}
END {
    if (!failed) print "layers: every include goes down"
    exit failed
}'
