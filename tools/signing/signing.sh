#!/usr/bin/env bash
# Test signing: two self-made code-signing certificates and the signed fixtures of the download
# tests. Wine's WinVerifyTrust checks the signature's hashes, not the trust of its root.
#   signing.sh keys DIR                      certificates "a" and "b" in DIR (made once)
#   signing.sh sign DIR NAME FILE            signs FILE in place with certificate NAME
#   signing.sh fixtures DIR SAMPLE OUTDIR [PREFIX]
#                                            signed_same, signed_other, unsigned and tampered
#                                            copies of SAMPLE in OUTDIR, their names after PREFIX
set -euo pipefail

keys() {
    local dir=$1
    mkdir -p "$dir"
    for name in a b; do
        [ -s "$dir/$name.crt" ] && continue
        openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -keyout "$dir/$name.key" -out "$dir/$name.crt" \
            -subj "/CN=Vantolin Test Signer ${name^^}/O=Vantolin Tests" -addext "extendedKeyUsage=codeSigning" \
            2>/dev/null
    done
}

sign() {
    local dir=$1 name=$2 file=$3
    local tmp="$file.signing"
    rm -f "$tmp"
    osslsigncode sign -certs "$dir/$name.crt" -key "$dir/$name.key" -in "$file" -out "$tmp" >/dev/null
    mv -f "$tmp" "$file"
}

fixtures() {
    local dir=$1 sample=$2 out=$3/${4:-}
    mkdir -p "$3"
    cp -f "$sample" "${out}unsigned.exe"
    cp -f "$sample" "${out}signed_same.exe"; sign "$dir" a "${out}signed_same.exe"
    cp -f "$sample" "${out}signed_other.exe"; sign "$dir" b "${out}signed_other.exe"
    # One byte of the signed content changed: the signature no longer matches its file.
    cp -f "${out}signed_same.exe" "${out}tampered.exe"
    python3 - "${out}tampered.exe" "$(stat -c %s "$sample")" <<'PY'
import sys
path, size = sys.argv[1], int(sys.argv[2])
with open(path, "r+b") as f:
    f.seek(size // 2)
    b = f.read(1)
    f.seek(size // 2)
    f.write(bytes([b[0] ^ 0xFF]))
PY
}

cmd=$1; shift
"$cmd" "$@"
