#!/usr/bin/env bash
# Checks a built program's file: an executable of the expected format (pei-i386 for the product,
# pei-x86-64 for the 64-bit build of the same sources) and subsystem (gui for the installer,
# console for fontlist.exe) that needs no DLL of ours or of the compiler beside it (only
# libraries every Windows has), built for ASLR and DEP.
#   check_exe.sh EXE [FORMAT [gui|console]]
set -euo pipefail
exe=$1
format=${2:-pei-i386}
kind=${3:-gui}
case $kind in
gui) subsystem=00000002 ;;
console) subsystem=00000003 ;;
*) echo "unknown subsystem $kind" >&2; exit 2 ;;
esac
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

headers=$($objdump -p "$exe")
status=0
grep -q "file format $format\$" <<<"$headers" || { echo "not a $format executable"; status=1; }
grep -Eq "^Subsystem[[:space:]]+$subsystem" <<<"$headers" || { echo "not a $kind-subsystem program"; status=1; }

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
[ "$status" -eq 0 ] && echo "ok: $format $kind executable, system libraries only, ASLR and DEP"
exit "$status"
