#!/usr/bin/env bash
# The emulator part of the set-up leaves the machine as it found it: runs on a fake binfmt_misc
# folder with stand-ins for apt-get, dpkg-query, mount and the i386 loader (given as arguments
# and on PATH), and checks what it wrote, what it ran and that /etc/apt is untouched.
set -euo pipefail
script=$(dirname "$(realpath "$0")")/../../tools/setup-emulator.sh
tmp=$(mktemp -d); trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
etc_before=$(ls -la /etc/apt /etc/apt/sources.list.d 2>/dev/null || true)

mkdir -p "$tmp/bin"
# dpkg-query: the emulator's version, 7.2 until the stand-in apt-get "installed" 10.0.
cat > "$tmp/bin/dpkg-query" <<'STUB'
#!/bin/sh
[ -e "$STATE/installed" ] && echo "1:10.0" || echo "1:7.2"
STUB
cat > "$tmp/bin/apt-get" <<'STUB'
#!/bin/sh
echo "apt-get $*" >> "$STATE/calls"
case " $* " in *" install "*) touch "$STATE/installed" ;; esac
STUB
cat > "$tmp/bin/mount" <<'STUB'
#!/bin/sh
echo "mount $*" >> "$STATE/calls"
STUB
# The loader runs when the kernel can (NATIVE) or when a working qemu-i386 handler exists or
# was just registered.
cat > "$tmp/bin/loader" <<'STUB'
#!/bin/sh
[ -n "${NATIVE:-}" ] && exit 0
grep -qs "qemu-i386-static" "$BINFMT/qemu-i386" "$BINFMT/register"
STUB
chmod +x "$tmp/bin/"*
export PATH="$tmp/bin:$PATH"

# A fresh case: a binfmt_misc folder with its register file and a state folder.
start() {
    export STATE="$tmp/$1/state" BINFMT="$tmp/$1/binfmt"
    mkdir -p "$STATE" "$BINFMT"
    : > "$BINFMT/register"
    : > "$STATE/calls"
}
run() { bash "$script" "$BINFMT" "$tmp/$1/work" "$tmp/bin/loader"; }
# What the kernel does with a line written to register.
kernel_registers() {
    if [ -s "$BINFMT/register" ]; then
        printf 'enabled\ninterpreter %s\n' "$(tr ':' '\n' < "$BINFMT/register" | sed -n 7p)" > "$BINFMT/qemu-i386"
        : > "$BINFMT/register"
    fi
}

# 1. The kernel runs 32-bit programs: nothing is installed, mounted or registered.
start native
NATIVE=1 run native > "$tmp/native/out" || fail "native: the set-up failed"
[ ! -s "$STATE/calls" ] || fail "native: ran $(cat "$STATE/calls")"
[ ! -s "$BINFMT/register" ] && [ ! -e "$BINFMT/qemu-i386" ] || fail "native: registered a handler"
[ ! -e "$tmp/native/work" ] || fail "native: made an apt work folder"

# 2. The emulator is needed, no handler exists: installed through apt options of its own,
#    registered once and named with its removal; a second run changes nothing.
start needed
run needed > "$tmp/needed/out" || fail "needed: the first run failed: $(cat "$tmp/needed/out")"
grep -q "apt-get .*Dir::Etc::SourceList=$tmp/needed/work/sources.list.* update" "$STATE/calls" || fail "needed: no update from its own list"
grep -q "apt-get .*Dir::Etc::SourceParts=$tmp/needed/work/parts.* install .*-t bookworm-backports qemu-user-static" "$STATE/calls" \
    || fail "needed: no install from its own list: $(cat "$STATE/calls")"
grep -q "qemu-i386-static" "$BINFMT/register" || fail "needed: no handler registered"
grep -q "echo -1 > $BINFMT/qemu-i386" "$tmp/needed/out" || fail "needed: the removal was not named"
[ ! -e "$tmp/needed/work" ] || fail "needed: the apt work folder stayed"
kernel_registers
calls_after_first=$(cat "$STATE/calls")
run needed > "$tmp/needed/out2" || fail "needed: the second run failed"
[ "$calls_after_first" = "$(cat "$STATE/calls")" ] || fail "needed: the second run ran more"
[ ! -s "$BINFMT/register" ] || fail "needed: the second run registered a second handler"

# 3. Another qemu-i386 handler exists and does not start the loader: kept, and the set-up stops
#    naming the commands to run.
start foreign
printf 'enabled\ninterpreter /usr/local/bin/qemu-i386\n' > "$BINFMT/qemu-i386"
if run foreign > "$tmp/foreign/out" 2>&1; then fail "foreign: the set-up went on"; fi
grep -q "interpreter /usr/local/bin/qemu-i386" "$BINFMT/qemu-i386" || fail "foreign: the handler was changed"
[ ! -s "$BINFMT/register" ] || fail "foreign: a handler was registered beside it"
grep -q "echo -1 > $BINFMT/qemu-i386 && ./build.sh setup" "$tmp/foreign/out" || fail "foreign: no commands named"

# 4. Another handler that works is used as it is.
start working
printf 'enabled\ninterpreter /usr/bin/qemu-i386-static\n' > "$BINFMT/qemu-i386"
touch "$STATE/installed"
run working > "$tmp/working/out" || fail "working: the set-up failed"
[ ! -s "$BINFMT/register" ] || fail "working: a handler was registered beside it"

[ "$etc_before" = "$(ls -la /etc/apt /etc/apt/sources.list.d 2>/dev/null || true)" ] || fail "/etc/apt changed"

# The link fixture resolves its folder before it removes it.
fixture=$(dirname "$(realpath "$0")")/make_link_fixture.sh
mkdir -p "$tmp/testarea/tests" "$tmp/outside"
touch "$tmp/outside/keep"
if bash "$fixture" "$tmp/testarea/tests/../../outside" x 2>/dev/null; then fail "fixture: accepted a path leading out"; fi
[ -e "$tmp/outside/keep" ] || fail "fixture: removed a folder outside the test area"
echo "setup emulator: all cases passed"
