#!/usr/bin/env bash
# Installing the product's package in-process through the setup's executer against
# "msiexec /i <package> /qn", in the same prefix, the package removed again after every run.
# Usage: bench/install_bench.sh [runs]   (after ./build.sh build; bench.sh calls it)
set -euo pipefail
. "$(dirname "$(realpath "$0")")/prologue.sh"
RUNS=${1:-5}
unset DISPLAY

area="$BUILD_DIR/testarea/bench_install"
rm -rf "$area"; mkdir -p "$area"
cp "$BUILD_DIR/testarea/bin/InstallBench.exe" "$area/"
cp "$BUILD_DIR/testarea/fixtures/workers/full/VantolinSetup.msi" "$area/bench.msi"
package='D:\bench_install\bench.msi'

remove() { (cd "$area" && wine msiexec /x "$package" /qn >/dev/null 2>&1) || true; }
remove   # also warms up

ms_now() { echo $(( $(date +%s%N) / 1000000 )); }
total_exec=0; total_msiexec=0
for _ in $(seq "$RUNS"); do
    start=$(ms_now); (cd "$area" && wine ./InstallBench.exe "$package" /qn >/dev/null 2>&1) || echo "  InstallBench failed" >&2
    total_exec=$(( total_exec + $(ms_now) - start )); remove
    start=$(ms_now); (cd "$area" && wine msiexec /i "$package" /qn >/dev/null 2>&1) || echo "  msiexec failed" >&2
    total_msiexec=$(( total_msiexec + $(ms_now) - start )); remove
done
echo "package installation, mean of $RUNS runs (process start included, removal not timed):"
printf '  CProcessExecuter in-process:  %6d ms\n' $(( total_exec / RUNS ))
printf '  msiexec /i /qn:               %6d ms\n' $(( total_msiexec / RUNS ))
awk -v a="$total_exec" -v b="$total_msiexec" 'BEGIN { printf "  ratio: %.2f (goal: at most 1.05)\n", a / b }'
