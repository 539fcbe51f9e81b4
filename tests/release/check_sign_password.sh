#!/usr/bin/env bash
# The signing step's password file, with a stand-in for osslsigncode that records what it was
# handed: the file exists, readable by its owner alone, while the programs are signed, holds the
# password and nothing else, and is gone afterwards, whether the signing succeeded or failed.
# Needs no build: it runs cmake/SignRelease.cmake as the release's install step does.
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d "${TMPDIR:-/tmp}/fi-sign-password.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
expect() {
    if eval "$1"; then echo "ok   $2"; else echo "FAIL $2"; failures=$((failures + 1)); fi
}

mkdir -p "$work/release" "$work/build"
printf 'MZ one' >"$work/release/FontInstaller.exe"
printf 'MZ two' >"$work/release/fontlist.exe"
cat >"$work/signer" <<'SIGNER'
#!/bin/sh
# osslsigncode sign ... -readpass FILE ... -in IN -out OUT
while [ $# -gt 0 ]; do
    case $1 in
    -readpass) pass=$2; shift ;;
    -in) in=$2; shift ;;
    -out) out=$2; shift ;;
    esac
    shift
done
stat -c '%a %F' "$pass" >>"$FI_STUB_LOG"
cat "$pass" >>"$FI_STUB_LOG"
echo >>"$FI_STUB_LOG"
case $in in *"$FI_STUB_FAIL") exit 1 ;; esac
cp "$in" "$out"
SIGNER
chmod +x "$work/signer"

# Runs the step with the build folder watched (inotify): the events on the password file, one
# "created", "attributes", "written" or "removed" a line, go to $work/events.
sign() {
    : >"$work/log"
    FI_SIGN_PFX="$work/key.pfx" FI_SIGN_PASSWORD='pass word; $x' FI_STUB_LOG="$work/log" \
        FI_STUB_FAIL="$1" /usr/bin/python3 - "$work/build" "$work/events" \
        cmake -DFI_OSSLSIGNCODE="$work/signer" -DFI_SIGN_WORK="$work/build" \
        -DCMAKE_INSTALL_PREFIX="$work/release" -P cmake/SignRelease.cmake >"$work/out" 2>&1 <<'WATCH'
import ctypes, os, struct, subprocess, sys
libc = ctypes.CDLL(None, use_errno=True)
fd = libc.inotify_init1(os.O_NONBLOCK)
names = {0x100: "created", 0x4: "attributes", 0x2: "written", 0x200: "removed"}
libc.inotify_add_watch(fd, sys.argv[1].encode(), sum(names))
code = subprocess.call(sys.argv[3:])
with open(sys.argv[2], "w") as events:
    try:
        data = os.read(fd, 65536)
    except BlockingIOError:
        data = b""
    while data:
        _, mask, _, length = struct.unpack_from("iIII", data)
        name = data[16:16 + length].rstrip(b"\0").decode()
        if name.startswith(".sign-password-"):
            events.write("".join(text for bit, text in names.items() if mask & bit) + "\n")
        data = data[16 + length:]
sys.exit(code)
WATCH
}

expect 'sign none' "the step signs both programs"
expect '[ "$(head -1 "$work/events")" = created ] && ! grep -q attributes "$work/events"' \
    "the password file is created with its permissions, never changed afterwards"
expect '[ "$(cat "$work/log")" = "$(printf "600 regular file\npass word; \$x\n600 regular file\npass word; \$x")" ]' \
    "each signing read the password, as given, from a regular file only its owner may read"
expect '[ -z "$(ls -A "$work/build")" ]' "no password file is left after signing"
expect '! sign fontlist.exe' "a failed signing fails the step"
expect 'grep -q "could not sign fontlist.exe" "$work/out"' "and says which program"
expect '[ -z "$(ls -A "$work/build")" ]' "no password file is left after a failure"

echo "$failures failure(s)"
[ "$failures" = 0 ]
