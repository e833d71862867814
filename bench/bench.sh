#!/usr/bin/env bash
# Prints, side by side:
#  - the controller's start-to-exit time for a run that stops at its first check (the system
#    requirements, refused under a Windows 2000 profile) against a trivial Win32 program, both
#    under the project's prefix;
#  - the trace log's lines per second at level 50 against its ceiling on this platform, the
#    smallest program writing the same formatted lines (FormattedWriteLoop.exe);
#  - the settings store's typed gets and sets per second against raw registry reads and writes,
#    and the latency from another process's write to the store's listener;
#  - the package installation against msiexec (install_bench.sh), the download against a bare
#    WinHTTP loop and curl (download_bench.sh), the USB copy against a bare CopyFileW walk and
#    cp -r (usb_bench.sh).
# Usage: bench/bench.sh [runs] [download MiB]   (after ./build.sh build)
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
echo "start to exit at the first check, mean of $RUNS runs:"
printf '  controller (stops at the first check): %6d ms\n' "$controller"
printf '  trivial Win32 program:                 %6d ms\n' "$trivial"
awk -v a="$controller" -v b="$trivial" 'BEGIN { printf "  ratio to the trivial program: %.2f\n", a / b }'

# Lines per second of one "lines=N seconds=S" report.
lines_per_second() { tr -d '\r' | awk -F'[= ]' '{ printf "%.0f", $2 / $4 }'; }
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
trace_runs="" ceiling_runs=""
for _ in 1 2 3; do
    trace_runs+="$(wine "$BUILD_DIR/testarea/bin/TraceLogBench.exe" 'D:\bench' 50000 2>/dev/null | lines_per_second)"$'\n'
    ceiling_runs+="$(wine "$BUILD_DIR/testarea/bin/FormattedWriteLoop.exe" 'D:\bench\ceiling.txt' 50000 2>/dev/null | lines_per_second)"$'\n'
done
trace=$(printf '%s' "$trace_runs" | median); ceiling=$(printf '%s' "$ceiling_runs" | median)
echo "trace log, 50000 lines at level 50, median of 3 runs (no debugger, no debug-output monitor):"
printf '  trace log:                                  %8d lines/s\n' "$trace"
printf '  ceiling (GetLocalTime, _snwprintf, WriteFile): %6d lines/s\n' "$ceiling"
awk -v a="$trace" -v b="$ceiling" 'BEGIN { printf "  ratio to the ceiling: %.2f   goal >= 0.50\n", a / b }'
echo "settings store:"
wine "$BUILD_DIR/testarea/bin/QMConfigBench.exe" 20000 10 2>/dev/null | sed 's/^/  /'
"$ROOT/bench/install_bench.sh" "$RUNS"
"$ROOT/bench/download_bench.sh" "${2:-256}"
"$ROOT/bench/usb_bench.sh" 3
wineserver -k || true
