#!/usr/bin/env bash
# The USB copy worker against the platform's ceiling (CopyFileWalk.exe: the smallest program that
# copies the same folders with one CopyFileW a file, under the same Wine) and against "cp -r" of
# the same folders on the same file system: a mixed setup tree of about 256 MiB and a tree of many
# small files, each copied to a freshly emptied stand-in drive U:. Warm (one run discarded
# first), median of several runs; prints MiB/s and the ratios.
# cp -r copies inside the kernel (copy_file_range); every byte a Windows program copies passes
# through Wine's user-space reads and writes.
# Usage: bench/usb_bench.sh [runs]   (after ./build.sh build)
set -euo pipefail
. "$(dirname "$(realpath "$0")")/prologue.sh"
RUNS=${1:-5}
unset DISPLAY

area="$BUILD_DIR/testarea/bench_usb"
drive="$USB_DRIVE_FOLDER"
mkdir -p "$area" "$drive"
cp "$BUILD_DIR/testarea/bin/UsbCopyBench.exe" "$BUILD_DIR/testarea/bin/CopyFileWalk.exe" "$area/"

# mixed: a few large files, some medium ones and a few hundred small ones (about 256 MiB);
# small: 4000 files of 4 KiB in 40 folders.
make_trees() {
    local mixed="$area/mixed" small="$area/small"
    [ -f "$mixed/.done" ] && [ -f "$small/.done" ] && return
    rm -rf "$mixed" "$small"
    mkdir -p "$mixed/usb" "$mixed/msi/lib" "$small/usb" "$small/msi"
    head -c 1024 /dev/urandom > "$mixed/usb/StartVantolin.exe"; printf '[General]\r\n' > "$mixed/usb/StartVantolin.ini"
    cp "$mixed/usb/StartVantolin.exe" "$mixed/usb/StartVantolin.ini" "$small/usb/"
    for i in 1 2 3; do head -c $((64 * 1024 * 1024)) /dev/urandom > "$mixed/msi/big$i.dat"; done
    for i in $(seq 1 40); do head -c $((1024 * 1024)) /dev/urandom > "$mixed/msi/lib/medium$i.dll"; done
    for d in $(seq 1 20); do
        mkdir -p "$mixed/msi/res/$d"
        for i in $(seq 1 20); do head -c $(( (d * 20 + i) * 97 % 60000 + 500 )) /dev/urandom > "$mixed/msi/res/$d/r$i.bin"; done
    done
    for d in $(seq 1 40); do
        mkdir -p "$small/msi/f$d"
        for i in $(seq 1 100); do head -c 4096 /dev/urandom > "$small/msi/f$d/s$i.txt"; done
    done
    touch "$mixed/.done" "$small/.done"
}
make_trees

empty_drive() { find "$drive" -mindepth 1 -delete; sync; }
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
ms_now() { echo $(( $(date +%s%N) / 1000000 )); }

bench_tree() {
    local name=$1 tree="$area/$1" bytes worker_runs="" walk_runs="" cp_runs="" t
    bytes=$(du -sb --exclude=.done "$tree" | cut -f1)
    for run in $(seq 0 "$RUNS"); do
        empty_drive
        t=$(cd "$area" && wine ./UsbCopyBench.exe "D:\\bench_usb\\$name" 'U:\' 2>/dev/null | tr -d '\r') || { echo "  the worker's copy failed" >&2; return 1; }
        [ "$run" -gt 0 ] && worker_runs+="$t"$'\n'
        empty_drive
        t=$(cd "$area" && wine ./CopyFileWalk.exe "D:\\bench_usb\\$name" 'U:\' Vantolin_bench_portable 2>/dev/null | tr -d '\r') || { echo "  the bare walk failed" >&2; return 1; }
        [ "$run" -gt 0 ] && walk_runs+="$t"$'\n'
        empty_drive
        start=$(ms_now); cp -r "$tree/usb/." "$drive/"; mkdir -p "$drive/Vantolin_bench_portable"; cp -r "$tree/msi/." "$drive/Vantolin_bench_portable/"; sync
        t=$(( $(ms_now) - start ))
        [ "$run" -gt 0 ] && cp_runs+="$t"$'\n'
    done
    empty_drive
    local w p c
    w=$(printf '%s' "$worker_runs" | median); p=$(printf '%s' "$walk_runs" | median); c=$(printf '%s' "$cp_runs" | median)
    [ "$w" -gt 0 ] || w=1; [ "$p" -gt 0 ] || p=1; [ "$c" -gt 0 ] || c=1
    speed() { awk -v b="$bytes" -v t="$1" 'BEGIN { print b / 1048576 / (t / 1000) }'; }
    printf '  %-6s %8.1f MiB  worker %8.1f MiB/s  bare walk %8.1f MiB/s  cp -r %8.1f MiB/s\n' "$name" \
        "$(awk -v b="$bytes" 'BEGIN { print b / 1048576 }')" "$(speed "$w")" "$(speed "$p")" "$(speed "$c")"
    awk -v w="$w" -v p="$p" -v c="$c" 'BEGIN { printf "         ratio to the platform (worker / bare walk) %.2f  to cp -r %.2f  (bare walk / cp -r %.2f)\n", p / w, c / w, c / p }'
}

emulated=no
if [ -r /proc/sys/fs/binfmt_misc/qemu-i386 ] && grep -q '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then emulated=yes; fi
echo "USB copy to the stand-in drive, median of $RUNS warm runs (ratios of speeds; goal on the mixed tree: at least 0.7 of cp -r)"
echo "  Wine under the user-mode emulator: $emulated"
bench_tree mixed
bench_tree small
wineserver -k || true
