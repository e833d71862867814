#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (run as root).
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(cmake make ninja-build g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
          wine wine32:i386 wine64 xvfb xauth x11-utils msitools wixl osslsigncode
          libz-mingw-w64-dev libboost1.81-dev googletest python3 openssl curl xz-utils bzip2
          fonts-wqy-microhei)

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

here=$(dirname "$(realpath "$0")")
# shellcheck source=apt-own.sh
. "$here/apt-own.sh"

# Kernels that cannot run 32-bit x86 programs get the user-mode emulator.
bash "$here/setup-emulator.sh"

# The compressed-body decoders need the two compiled sources of Boost.Iostreams that no package
# builds for the cross compiler. They are taken from Debian's source package at the version of the
# installed headers and kept in a cache outside the checkout, keyed by that version, so a fresh
# checkout does not fetch the source archive again. apt works from a list, index and download
# folder of its own here: nothing under /etc and none of the machine's own indexes change.
BOOST_CACHE=${VANTOLIN_CACHE:-/var/cache/vantolin}/boost-iostreams
boost_version=$(dpkg-query -W -f='${Version}' libboost1.81-dev)
boost_dir=$BOOST_CACHE/$boost_version
if [ ! -s "$boost_dir/zlib.cpp" ] || [ ! -s "$boost_dir/gzip.cpp" ]; then
    echo "setup: fetching the Boost.Iostreams sources of boost1.81 $boost_version"
    work=$BOOST_CACHE/apt
    apt_own_folder "$work"
    mkdir -p "$work/src"
    keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    cat > "$work/sources.list" <<LIST
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb-src [signed-by=$keyring] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=$keyring] http://deb.debian.org/debian-security bookworm-security main
LIST
    apt-get "${apt_opts[@]}" update -q
    (cd "$work/src" && apt-get "${apt_opts[@]}" source --download-only -q "boost1.81=$boost_version")
    orig=$(ls "$work/src"/boost1.81_*.orig.tar.* | head -1)
    tmp=$(mktemp -d)
    tar -xf "$orig" -C "$tmp" --wildcards '*/libs/iostreams/src/zlib.cpp' '*/libs/iostreams/src/gzip.cpp'
    mkdir -p "$boost_dir"
    find "$tmp" -path '*/libs/iostreams/src/*.cpp' -exec cp {} "$boost_dir/" \;
    rm -rf "$tmp" "$work"
    [ -s "$boost_dir/zlib.cpp" ] && [ -s "$boost_dir/gzip.cpp" ] \
        || { echo "setup: the Boost.Iostreams sources were not found in $orig" >&2; exit 1; }
fi
