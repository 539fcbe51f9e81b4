#!/usr/bin/env bash
# Checks fontlist.exe's file: a console program of the expected format that runs from the
# release ZIP alone (system libraries only), built for ASLR and DEP like the installer.
#   check_console_exe.sh EXE FORMAT
set -euo pipefail
exe=$1 format=$2
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

headers=$($objdump -p "$exe")
status=0
grep -q "file format $format\$" <<<"$headers" || { echo "not a $format executable"; status=1; }
grep -Eq '^Subsystem[[:space:]]+00000003' <<<"$headers" || { echo "not a console program"; status=1; }
grep -q 'DYNAMIC_BASE' <<<"$headers" || { echo "not built for address-space randomisation"; status=1; }
grep -q 'NX_COMPAT' <<<"$headers" || { echo "not marked for data-execution prevention"; status=1; }
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
echo "imports: $(tr '\n' ' ' <<<"$imports")"
while read -r dll; do
    case "${dll,,}" in
        kernel32.dll | user32.dll | gdi32.dll | msvcrt.dll) ;;
        *) echo "imports $dll, which does not come with Windows"; status=1 ;;
    esac
done <<<"$imports"
[ "$status" -eq 0 ] && echo "ok: $format console program, system libraries only, ASLR and DEP"
exit "$status"
