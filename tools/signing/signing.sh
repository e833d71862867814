#!/usr/bin/env bash
# Test signing: self-made code-signing certificates, and the signed fixtures of the tests.
# Wine's WinVerifyTrust checks the signature's hashes, not the trust of its root.
#   signing.sh keys DIR                      certificates "a" and "b" in DIR, and "twin": the
#                                            subject of "a" with a key of its own (made once)
#   signing.sh sign DIR NAME FILE            signs FILE in place with certificate NAME
#   signing.sh fixtures DIR SAMPLE OUTDIR [PREFIX]
#                                            signed_same, signed_other, signed_twin, unsigned,
#                                            tampered and appended copies of SAMPLE in OUTDIR,
#                                            their names after PREFIX (SAMPLE may be signed)
#   signing.sh damaged SIGNED OUTDIR NAME    copies of the signed program SIGNED whose signature
#                                            cannot be verified, as OUTDIR/altered/NAME (one
#                                            byte of the DOS stub changed: the program still
#                                            runs) and OUTDIR/appended/NAME (bytes after the
#                                            certificate table)
set -euo pipefail

keys() {
    local dir=$1
    mkdir -p "$dir"
    local name subject
    for name in a b twin; do
        [ -s "$dir/$name.crt" ] && continue
        subject=${name^^}
        [ "$name" = twin ] && subject=A
        openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -keyout "$dir/$name.key" -out "$dir/$name.crt" \
            -subj "/CN=Vantolin Test Signer ${subject}/O=Vantolin Tests" -addext "extendedKeyUsage=codeSigning" \
            2>/dev/null
    done
}

# FILE without its signature, as OUT (a copy when it has none).
unsigned_copy() {
    local file=$1 out=$2
    rm -f "$out"
    osslsigncode remove-signature -in "$file" -out "$out" >/dev/null 2>&1 || cp -f "$file" "$out"
}

append() {
    printf 'data the signature does not cover' >>"$1"
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
    unsigned_copy "$sample" "${out}unsigned.exe"
    local name
    for name in same:a other:b twin:twin; do
        cp -f "${out}unsigned.exe" "${out}signed_${name%%:*}.exe"; sign "$dir" "${name#*:}" "${out}signed_${name%%:*}.exe"
    done
    cp -f "${out}signed_same.exe" "${out}appended.exe"; append "${out}appended.exe"
    # One byte of the signed content changed: the signature no longer matches its file.
    cp -f "${out}signed_same.exe" "${out}tampered.exe"
    python3 - "${out}tampered.exe" "$(stat -c %s "${out}unsigned.exe")" <<'PY'
import sys
path, size = sys.argv[1], int(sys.argv[2])
with open(path, "r+b") as f:
    f.seek(size // 2)
    b = f.read(1)
    f.seek(size // 2)
    f.write(bytes([b[0] ^ 0xFF]))
PY
}

damaged() {
    local signed=$1 out=$2 name=$3
    mkdir -p "$out/altered" "$out/appended"
    cp -f "$signed" "$out/appended/$name"; append "$out/appended/$name"
    cp -f "$signed" "$out/altered/$name"
    python3 - "$out/altered/$name" <<'PY'
import sys
path = sys.argv[1]
with open(path, "r+b") as f:
    data = f.read(1024)
    at = data.find(b"This program cannot be run")
    if at < 0:
        sys.exit("no DOS stub text in " + path)
    f.seek(at)
    f.write(b"t")
PY
}

cmd=$1; shift
"$cmd" "$@"
