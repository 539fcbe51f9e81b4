#!/usr/bin/env bash
# Checks the built installer's file: a 32-bit GUI executable that needs no DLL of ours or of the
# compiler beside it (only libraries every Windows has).
set -euo pipefail
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

headers=$($objdump -p "$exe")
status=0
grep -q 'file format pei-i386' <<<"$headers" || { echo "not a 32-bit x86 executable"; status=1; }
grep -Eq '^Subsystem[[:space:]]+00000002' <<<"$headers" || { echo "not a GUI-subsystem program"; status=1; }

# Loaded at a random address, with data pages never executed: the relocations must be kept.
grep -q 'DYNAMIC_BASE' <<<"$headers" || { echo "not built for address-space randomisation"; status=1; }
grep -q 'NX_COMPAT' <<<"$headers" || { echo "not marked for data-execution prevention"; status=1; }
$objdump -h "$exe" | grep -q '\.reloc' || { echo "no relocation table: the exe cannot move"; status=1; }

imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
echo "imports: $(tr '\n' ' ' <<<"$imports")"
while read -r dll; do
    case "${dll,,}" in
        kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | comctl32.dll | msvcrt.dll) ;;
        *) echo "imports $dll, which does not come with Windows"; status=1 ;;
    esac
done <<<"$imports"
[ "$status" -eq 0 ] && echo "ok: 32-bit GUI executable, system libraries only, ASLR and DEP"
exit "$status"
