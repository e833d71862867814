#!/usr/bin/env bash
# One entry for a fresh Debian 12 machine (as root):
#   ./build.sh demo   set up, build, run the controller on the demo setup folder under Wine
#   ./build.sh test   set up, build, run every test through ctest
# Further: ./build.sh setup | build, and ./build.sh test <ctest arguments> (as -R TraceLog).
set -euo pipefail
ROOT=$(dirname "$(realpath "$0")")
export BUILD_DIR=${BUILD_DIR:-$ROOT/build}
JOBS=$(nproc)

setup() {
    if [ "$(id -u)" -eq 0 ]; then
        bash "$ROOT/tools/setup.sh"
    else
        echo "build.sh: not root, skipping the package check" >&2
    fi
}

build() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
    cmake --build "$BUILD_DIR" -j "$JOBS"
    "$ROOT/tools/wine/make-prefix.sh" "$BUILD_DIR"
}

# A private X server for windows; DISPLAY points at it until the script ends.
XVFB_PID=
start_xvfb() {
    local fifo; fifo=$(mktemp -u); mkfifo "$fifo"
    Xvfb -displayfd 8 -screen 0 1280x1024x24 -nolisten tcp 8>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    local n; read -r -t 20 n <"$fifo" || { echo "build.sh: Xvfb did not start" >&2; rm -f "$fifo"; exit 1; }
    rm -f "$fifo"
    export DISPLAY=":$n"
}

# One wineserver for the whole run: tests start many short Wine processes.
# Wine's own services (services.exe, the desktop's explorer.exe) are started here, detached
# from ctest's output pipes: a test that started them would keep its pipes open until they end.
start_wineserver() {
    (. "$ROOT/tools/wine/env.sh"
     # The prefix check's own programs may leave their short-lived server ending: a second
     # server would be refused.
     timeout 30 wineserver -w </dev/null >/dev/null 2>&1 || true
     wineserver -p </dev/null >/dev/null 2>&1
     wine wineboot </dev/null >/dev/null 2>&1 || true
     # The desktop process ends soon after its last user, and the next program to open a window
     # starts it again with its own output pipes, which ctest then waits on until the run ends.
     # A stand-in holds the desktop until the wineserver is stopped.
     cd "$BUILD_DIR/testarea/bin"
     (wine ./StandIn.exe /desktop /sleep:86400000 </dev/null >/dev/null 2>&1 &)
     wine ./StandIn.exe /desktop </dev/null >/dev/null 2>&1 || true)
}

cleanup() {
    (. "$ROOT/tools/wine/env.sh"; wineserver -k 2>/dev/null || true)
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
}

# The demo installs the product into the prefix (its package, the .NET values of the demo's
# stand-in, the product's keys), which the tests expect absent. Each demo starts from a new
# prefix and marks it; the tests make a marked prefix anew before they run.
DEMO_MARK="$BUILD_DIR/wineprefix/.vantolin-demo"
fresh_prefix() {
    [ -d "$BUILD_DIR/wineprefix" ] || return 0
    (. "$ROOT/tools/wine/env.sh"; wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true)
    rm -rf -- "$BUILD_DIR/wineprefix"
}

demo() {
    setup
    fresh_prefix
    build
    touch "$DEMO_MARK"
    trap cleanup EXIT
    [ -n "${DISPLAY:-}" ] || start_xvfb
    start_wineserver
    "$ROOT/tools/wine/make-prefix.sh" "$BUILD_DIR"
    . "$ROOT/tools/wine/env.sh"
    local logdir="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Quillmark/Vantolin_2011/Log/setup"
    local shots="$BUILD_DIR/testarea/screenshots/PageDriver"
    rm -rf -- "$shots"
    # Wine has no desktop shell; the product is started as the shell's user, so a stand-in
    # names its window as the shell for the run (it ends with the wineserver).
    (cd "$BUILD_DIR/testarea/bin" && "$ROOT/tools/wine/winerun.sh" ./StandIn.exe /shell /sleep:600000 \
        </dev/null >/dev/null 2>&1 &)
    # No Internet for the demo: the user's proxy is a closed loopback port, so the connection
    # check fails at once and the Internet page offers to go on offline.
    local inet='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
    "$ROOT/tools/wine/winerun.sh" reg add "$inet" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1
    "$ROOT/tools/wine/winerun.sh" reg add "$inet" /v ProxyServer /t REG_SZ /d 127.0.0.1:9 /f >/dev/null 2>&1
    # A driver starts the controller and answers its pages as a person would, saving a picture
    # of each: the whole wizard, then a run cancelled on the language page.
    local rc=0 run
    for run in install cancel; do
        echo "demo: running D:\\demo\\VantolinSetup.exe, the pages answered by PageDriver ($run)"
        local started=$SECONDS
        set +e
        (cd "$BUILD_DIR/testarea/demo" && "$ROOT/tools/wine/winerun.sh" ../bin/PageDriver.exe "$run" "$run" \
            'D:\demo\VantolinSetup.exe' </dev/null 2>&1 | tr -d '\r' | sed 's/^/  | /'; exit "${PIPESTATUS[0]}")
        local code=$?
        set -e
        echo "demo: $run run: driver exit code $code ($((SECONDS - started)) s)"
        [ "$code" -eq 0 ] || rc=1
        local log; log=$(ls -1t "$logdir"/Log_oru_*.txt 2>/dev/null | head -1 || true)
        [ -z "$log" ] || echo "demo: trace log $log"
    done
    echo "demo: statistics recorded by refresh_rt: $BUILD_DIR/testarea/demo/refresh_rt_calls.txt"
    echo "demo: pictures of the pages passed: $shots"
    ls -1 "$shots" 2>/dev/null | sed 's/^/  | /' || true
    return "$rc"
}

run_tests() {
    setup
    [ ! -e "$DEMO_MARK" ] || fresh_prefix
    build
    trap cleanup EXIT
    start_xvfb
    start_wineserver
    # Booting may have updated the prefix: harden and check it again before any test runs.
    "$ROOT/tools/wine/make-prefix.sh" "$BUILD_DIR"
    cd "$BUILD_DIR"
    ctest --output-on-failure -j "$JOBS" --timeout 900 "$@"
}

case "${1:-}" in
    setup) setup ;;
    build) setup; build ;;
    demo) demo ;;
    test) shift; run_tests "$@" ;;
    *) echo "usage: $0 demo|test|build|setup" >&2; exit 2 ;;
esac
