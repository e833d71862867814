#!/usr/bin/env bash
# The deliverables run elevated from the user's Downloads. Windows resolves an ordinary import of
# a library that is not a known DLL by searching the program's own folder first, so a DLL planted
# there would run before the program's first line. Every such library must therefore be
# delay-loaded (the delay-load hook loads it from the system folder); only known DLLs, the
# manifest's common controls and the setup's own library may stay in the import table.
# Usage: known_dlls_test.sh <bin folder>
set -uo pipefail
bin=$1

# The known DLLs of every supported Windows, XP SP2 to 11 (32-bit and WOW64): the KnownDLLs
# entries of XP that later versions kept. XP also lists version, lz32, url, urlmon, wininet and
# the ole*32 16-bit bridges, which later versions dropped; later versions list more (psapi,
# shlwapi, ws2_32, ...), which XP does not. ntdll is always loaded first.
known='ntdll kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 comdlg32 rpcrt4 imagehlp wldap32'
# The C runtime: the program's start-up code runs on it before anything could load it late. XP
# maps it from the system folder as a dependency of its known DLLs (Windows 7 on lists it).
known="$known msvcrt"

# Libraries a program may import besides: comctl32 where its manifest binds the version 6 common
# controls (side-by-side, never searched), the setup's own refresh_rt.dll from its folder.
allowed_for() {
    case $1 in
        VantolinSetup.exe) echo "comctl32:manifest refresh_rt" ;;
    esac
}

# The delay-load descriptors of a PE file (GNU ld leaves the data directory entry empty, so they
# are found by their form: attributes 1, RVAs of the name, module handle, address and name
# tables, zero bound and unload tables and time stamp), printed as the library names.
delay_loaded() {
    python3 - "$1" <<'PY'
import re, struct, sys
data = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', data, 0x3c)[0]
count = struct.unpack_from('<H', data, pe + 6)[0]
optional = struct.unpack_from('<H', data, pe + 20)[0]
sections = []
for i in range(count):
    _, vsize, va, rsize, raw = struct.unpack_from('<8sIIII', data, pe + 24 + optional + 40 * i)
    sections.append((va, max(vsize, rsize), raw, rsize))
def offset(rva):
    for va, size, raw, rsize in sections:
        if va <= rva < va + size:
            return raw + rva - va if rva - va < rsize else None
    return None
def text(rva):
    at = offset(rva)
    if at is None:
        return None
    end = data.find(b'\0', at, at + 260)
    return data[at:end].decode('ascii', 'replace') if end > at else None
names = set()
empty = []
for va, size, raw, rsize in sections:
    for at in range(raw, raw + rsize - 32, 4):
        attrs, name, hmod, iat, intable, bound, unload, stamp = struct.unpack_from('<8I', data, at)
        if attrs != 1 or bound or unload or stamp or not (name and hmod and iat and intable):
            continue
        dll = text(name)
        first = offset(intable)
        if not dll or not re.fullmatch(r'[A-Za-z0-9_.-]+\.dll', dll, re.I) or first is None:
            continue
        thunk = struct.unpack_from('<I', data, first)[0]
        if thunk & 0x80000000 or (thunk and not text(thunk + 2)):
            continue
        names.add(dll.lower())
        # Until the first call each address-table entry holds the address of its stub, which
        # starts the delay-load helper; an empty one would be a call to address 0.
        slots = offset(iat)
        for i in range(4096):
            thunk = struct.unpack_from('<I', data, first + 4 * i)[0]
            if not thunk:
                break
            if not struct.unpack_from('<I', data, slots + 4 * i)[0]:
                empty.append('%s:%s' % (dll.lower(), text(thunk + 2)))
print(' '.join(sorted(names)))
if empty:
    print('EMPTY ' + ' '.join(empty))
PY
}

failed=0 passed=0
for f in VantolinSetup.exe DesktopSpawner.dll VantolinSetupCleanup.exe; do
    imports=$(i686-w64-mingw32-objdump -p "$bin/$f" | awk '/DLL Name/{print tolower($3)}')
    [ -n "$imports" ] || { echo "FAILED: no import table read from $f"; failed=$((failed + 1)); continue; }
    bad=
    for dll in $imports; do
        base=${dll%.dll}
        if [[ " $known " == *" $base "* ]]; then continue; fi
        allowed=" $(allowed_for "$f") "
        if [[ "$allowed" == *" $base "* ]]; then continue; fi
        if [[ "$allowed" == *" $base:manifest "* ]] &&
           grep -aqE 'name="Microsoft\.Windows\.Common-Controls"[^>]*version="6\.' "$bin/$f"; then continue; fi
        bad="$bad $dll"
    done
    delayed=$(delay_loaded "$bin/$f")
    empty=$(sed -n 's/^EMPTY //p' <<<"$delayed")
    delayed=$(head -1 <<<"$delayed")
    if [ -n "$empty" ]; then
        echo "FAILED: $f has delay-loaded functions without a stub (the first call would jump to 0): $empty"
        failed=$((failed + 1))
    elif [ -n "$bad" ]; then
        echo "FAILED: $f imports libraries that are not known DLLs without delay-loading them:$bad"
        failed=$((failed + 1))
    else
        echo "$f: imports $(echo $imports); delay-loads ${delayed:-nothing}"
        passed=$((passed + 1))
    fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
