#!/usr/bin/env bash
# Prints, side by side:
#  - the controller's start-to-exit time for a run that stops at its first check (the system
#    requirements, refused under a Windows 2000 profile) against a trivial Win32 program, both
#    under the project's prefix;
#  - the trace log's lines per second at level 50 against plain WriteFile calls of the same bytes;
#  - the settings store's typed gets and sets per second against raw registry reads and writes,
#    and the latency from another process's write to the store's listener.
# Usage: bench/bench.sh [runs]   (after ./build.sh build)
set -euo pipefail
. "$(dirname "$(realpath "$0")")/prologue.sh"
RUNS=${1:-10}
unset DISPLAY   # message boxes return at once without a display

area="$BUILD_DIR/testarea/bench"
rm -rf "$area"; mkdir -p "$area"
cp "$BUILD_DIR/testarea/bin/VantolinSetup.exe" "$area/VantolinSetupBench.exe"
cp "$BUILD_DIR/testarea/bin/refresh_rt.dll" "$BUILD_DIR/testarea/bin/StandIn.exe" "$area/"
printf '[General]\r\ngeneration=bench\r\n' > "$area/oru.ini"

wine reg add 'HKCU\Software\Wine\AppDefaults\VantolinSetupBench.exe' /v Version /d win2k /f >/dev/null 2>&1
wine "$area/StandIn.exe" >/dev/null 2>&1   # warm up

time_runs() {
    local exe=$1 start end
    start=$(date +%s%N)
    for _ in $(seq "$RUNS"); do (cd "$area" && wine "$exe" >/dev/null 2>&1) || true; done
    end=$(date +%s%N)
    echo $(( (end - start) / RUNS / 1000000 ))
}
controller=$(time_runs ./VantolinSetupBench.exe)
trivial=$(time_runs ./StandIn.exe)
echo "start to exit, mean of $RUNS runs:"
printf '  controller (stops at the first check): %6d ms\n' "$controller"
printf '  trivial Win32 program:                 %6d ms\n' "$trivial"
awk -v a="$controller" -v b="$trivial" 'BEGIN { printf "  ratio: %.2f\n", a / b }'

echo "trace log throughput:"
echo "  (each trace line also goes to the debugger output, which Wine delivers through an exception)"
wine "$BUILD_DIR/testarea/bin/TraceLogBench.exe" 'D:\bench' 50000 2>/dev/null | sed 's/^/  /'
echo "settings store:"
wine "$BUILD_DIR/testarea/bin/QMConfigBench.exe" 20000 10 2>/dev/null | sed 's/^/  /'
"$ROOT/bench/install_bench.sh" "$RUNS"
wineserver -k || true
