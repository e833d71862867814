#!/usr/bin/env bash
# The layers of the README's table, lowest first: a folder's sources include only folders of its
# own layer or below. Tests may reach further (tests/common, the units they drive), but nothing
# below wizard/ includes wizard/ (their texts come through tests/common).
set -euo pipefail
root=$(realpath "$(dirname "$0")/../..")
declare -A layer=([classlib]=0 [support]=1 [config]=2 [refresh_rt]=3 [download]=3 [spawner]=3
                  [workers]=4 [wizard]=5 [controller]=6 [cleanup]=6)
failed=0
for folder in "${!layer[@]}"; do
    while IFS= read -r line; do
        file=${line%%:*}
        target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$line")
        [ -n "${layer[$target]+x}" ] || continue
        case "$file" in
            *_unittest*|*_e2etest*) test_file=1 ;;
            *) test_file=0 ;;
        esac
        if [ "$test_file" -eq 0 ] && [ "${layer[$target]}" -gt "${layer[$folder]}" ]; then
            echo "layers: $file includes $target/, a higher layer than $folder/"; failed=1
        fi
        if [ "$target" = wizard ] && [ "${layer[$folder]}" -lt "${layer[wizard]}" ]; then
            echo "layers: $file includes wizard/ from below it"; failed=1
        fi
    done < <(cd "$root" && grep -rnE '#include "[a-z_]+/' "$folder" --include=*.cpp --include=*.h --include=*.rc || true)
done
[ "$failed" -eq 0 ] && echo "layers: every include goes down"
exit "$failed"
