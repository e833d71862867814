#!/usr/bin/env bash
# The deliverables must load on Windows XP SP2: none may import a function that XP lacks
# (such functions are looked up at run time instead). Usage: xp_imports_test.sh <bin folder>
set -uo pipefail
bin=$1
# Functions of Vista and later that this toolchain or our code could reach for.
newer='GetTickCount64|SRWLock|InitOnce|ConditionVariable|SetThreadUILanguage|CreateProcessWithTokenW|GetFinalPathNameByHandle|CreateSymbolicLink|FlsAlloc|GetLocaleInfoEx|LCIDToLocaleName|LocaleNameToLCID|QueryFullProcessImageName|RegGetValue|RegDeleteTree|SHGetKnownFolderPath|InitializeCriticalSectionEx|CompareStringEx|GetUserDefaultLocaleName|IsWow64Process2|CancelIoEx'
failed=0 passed=0
for f in VantolinSetup.exe DesktopSpawner.dll VantolinSetupCleanup.exe; do
    imports=$(i686-w64-mingw32-objdump -p "$bin/$f" | awk '/DLL Name/{dll=$3} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/{print dll ":" $3}')
    [ -n "$imports" ] || { echo "FAILED: no import table read from $f"; failed=$((failed + 1)); continue; }
    bad=$(grep -E ":($newer)" <<<"$imports" || true)
    if [ -n "$bad" ]; then echo "FAILED: $f imports functions newer than Windows XP:"; echo "$bad"; failed=$((failed + 1))
    else passed=$((passed + 1)); fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
