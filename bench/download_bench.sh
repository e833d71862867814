#!/usr/bin/env bash
# Prints, side by side: a 256 MiB download over loopback by the setup downloader under Wine, by
# the platform's ceiling (WinHttpReadLoop.exe: the smallest WinHTTP program that stores the same
# body, under the same Wine) and by curl -o of the same file, with the throughput ratios to both
# and the downloader's working-set growth up to its peak; then the same with a gzip-encoded body
# (decoded by the downloader's client asking for it, stored as sent by the bare loop and curl). Goals: at least 0.8 of
# curl's throughput; growth under 64 MiB for any size.
# Usage: bench/download_bench.sh [MiB]   (after ./build.sh build)
set -euo pipefail
. "$(dirname "$(realpath "$0")")/prologue.sh"
MIB=${1:-256}

area="$BUILD_DIR/testarea/bench_download"
state="$area/server"
rm -rf "$area"; mkdir -p "$state/files"
# Content that compresses about as well as an installer archive: random blocks and repeated text.
python3 - "$state/files/big.bin" "$MIB" <<'PY'
import os, sys
path, total = sys.argv[1], int(sys.argv[2]) * 1024 * 1024
with open(path, "wb") as f:
    written, i = 0, 0
    while written < total:
        chunk = os.urandom(128 * 1024) + (b"setup archive block %08d\n" % i) * 4096
        chunk = chunk[: total - written]
        f.write(chunk)
        written += len(chunk)
        i += 1
PY
gzip -1 -k -c "$state/files/big.bin" > "$state/files/big.bin.gz"

python3 "$ROOT/tools/httpserver/http_test_server.py" --daemon --state-dir "$state" --fixtures "$state/files" --lifetime 900
trap 'python3 "$ROOT/tools/httpserver/http_test_server.py" --stop --state-dir "$state"; wineserver -k 2>/dev/null || true' EXIT
port=$(cat "$state/port.txt")

run() {
    local label=$1 query=$2 mode=${3:-}
    local url="http://127.0.0.1:$port/bench/file/big.bin$query"
    local start end curl_s
    start=$(date +%s%N)
    curl -s -o "$area/curl.bin" "$url"
    end=$(date +%s%N)
    curl_s=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", (b - a) / 1e9 }')
    local line
    line=$(cd "$area" && wine "$BUILD_DIR/testarea/bin/DownloadBench.exe" "$url" 'D:\bench_download\oru.bin' $mode 2>/dev/null | tr -d '\r')
    local oru_s bytes growth
    oru_s=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$line")
    bytes=$(sed -n 's/.*bytes=\([0-9]*\).*/\1/p' <<<"$line")
    growth=$(sed -n 's/.*peak_growth_kib=\([0-9]*\).*/\1/p' <<<"$line")
    local loop_s
    loop_s=$(cd "$area" && wine "$BUILD_DIR/testarea/bin/WinHttpReadLoop.exe" "$url" 'D:\bench_download\loop.bin' 2>/dev/null \
             | tr -d '\r' | sed -n 's/.*seconds=\([0-9.]*\).*/\1/p')
    local wire; wire=$(stat -c %s "$area/curl.bin")
    speed() { awk -v w="$wire" -v s="$1" 'BEGIN { print w / 1048576 / s }'; }
    echo "$label ($MIB MiB file, $((wire / 1048576)) MiB on the wire):"
    printf '  curl -o:                %8.3f s  %8.1f MiB/s\n' "$curl_s" "$(speed "$curl_s")"
    printf '  bare WinHTTP read loop: %8.3f s  %8.1f MiB/s\n' "$loop_s" "$(speed "$loop_s")"
    printf '  setup downloader:       %8.3f s  %8.1f MiB/s  (%s bytes written)\n' "$oru_s" "$(speed "$oru_s")" "$bytes"
    awk -v l="$loop_s" -v b="$oru_s" 'BEGIN { printf "  ratio to the platform (downloader / bare loop): %.2f\n", l / b }'
    awk -v a="$curl_s" -v b="$oru_s" 'BEGIN { printf "  ratio to curl (downloader / curl): %.2f   goal >= 0.80\n", a / b }'
    awk -v a="$curl_s" -v l="$loop_s" 'BEGIN { printf "  the platform itself (bare loop / curl): %.2f\n", a / l }'
    awk -v g="$growth" 'BEGIN { printf "  working-set growth up to the peak: %.1f MiB   goal < 64 MiB\n", g / 1024 }'
    rm -f "$area/curl.bin" "$area/oru.bin" "$area/loop.bin"
}
run "plain body" ""
# The setup downloader refuses an encoding it did not ask for: the decoding client asks here.
run "gzip body" "?gzip=1" gzip
