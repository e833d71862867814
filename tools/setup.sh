#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (run as root).
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(cmake make ninja-build g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
          wine wine32:i386 wine64 xvfb xauth x11-utils msitools wixl osslsigncode
          libz-mingw-w64-dev libboost1.81-dev googletest python3)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    missing=("${PACKAGES[@]}")
else
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
