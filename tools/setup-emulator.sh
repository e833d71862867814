#!/usr/bin/env bash
# Wine runs our 32-bit programs through its i386 loader. Some virtual machines' kernels cannot
# execute 32-bit x86 binaries at all ("Exec format error"); there the loader runs under the
# user-mode emulator, registered with binfmt_misc. Bookworm's own emulator (7.2) needs about
# 50 s of address-space bookkeeping per Wine process; the backported one starts it in a
# fraction of a second, so that one is installed.
#
# The machine is left as it was found but for the package: the backports source is given to apt
# by options of its own (nothing under /etc/apt), a qemu-i386 handler that is already registered
# is never unregistered, and the handler registered here is named with how to remove it.
#
# Usage: setup-emulator.sh [binfmt_misc folder] [apt work folder] [i386 loader]
set -euo pipefail
binfmt=${1:-/proc/sys/fs/binfmt_misc}
work=${2:-${VANTOLIN_CACHE:-/var/cache/vantolin}/backports-apt}
loader=${3:-/usr/lib/wine/wine}
case "$(realpath -m "$work")" in /|/etc|/etc/*|/usr|/var) echo "setup: $work cannot be the emulator's apt work folder" >&2; exit 1 ;; esac

runs_i386() { "$loader" --version >/dev/null 2>&1; }
runs_i386 && exit 0

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --compare-versions "$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null || echo 0)" ge 1:8; then
    echo "setup: this kernel cannot run 32-bit x86 programs; installing the i386 user-mode emulator from bookworm-backports"
    # shellcheck source=apt-own.sh
    . "$(dirname "$(realpath "$0")")/apt-own.sh"
    apt_own_folder "$work"
    keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    cat > "$work/sources.list" <<LIST
deb [signed-by=$keyring] http://deb.debian.org/debian bookworm main
deb [signed-by=$keyring] http://deb.debian.org/debian bookworm-backports main
LIST
    apt-get "${apt_opts[@]}" update -q
    apt-get "${apt_opts[@]}" install -y -q --no-install-recommends -t bookworm-backports qemu-user-static
    rm -rf "$work"
fi

[ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt"
if [ -e "$binfmt/qemu-i386" ]; then
    # Registered by someone else (another package, the administrator, an earlier run): kept.
    if ! runs_i386; then
        cat >&2 <<MSG
setup: 32-bit x86 programs cannot run, and the binfmt_misc handler $binfmt/qemu-i386 that is
already registered does not start them. It is left as it is. To see it:
    cat $binfmt/qemu-i386
To replace it by the emulator installed here, remove it and run the set-up again:
    echo -1 > $binfmt/qemu-i386 && ./build.sh setup
MSG
        exit 1
    fi
    exit 0
fi
printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' > "$binfmt/register"
echo "setup: registered the binfmt_misc handler qemu-i386 (/usr/bin/qemu-i386-static) for 32-bit x86 programs;"
echo "setup: it lasts until the next boot; to remove it earlier: echo -1 > $binfmt/qemu-i386"
runs_i386 || { echo "setup: 32-bit x86 programs still cannot run" >&2; exit 1; }
