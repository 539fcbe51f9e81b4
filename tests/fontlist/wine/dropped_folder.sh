#!/usr/bin/env bash
# `fontlist.exe FOLDER` with no command, as a package folder dropped on it gives it: on a folder
# without FontList.txt it must write the file `make` writes and end with make's exit code; on the
# same folder again it must check it as `check` does. Standard input is closed, as it is for a
# program whose console is not its own, so it must not ask for Enter either time.
#
#   dropped_folder.sh TEMPLATE FONTLIST_EXE PYTHON WORK
set -euo pipefail
template=$1 fontlist=$2 python=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../wine/wine-run"

rm -rf "$work"
mkdir -p "$work/dropped" "$work/made"
"$python" "$here/../make_test_fonts.py" "$work/dropped"
rm -f "$work/dropped/expected.txt"
cp "$work"/dropped/* "$work/made/"
winpath() { echo "Z:${1//\//\\}"; }

failures=0
# Runs fontlist under Wine with standard input closed; sets code and keeps the program's output
# (without wine-run's own lines) in $work/$name.out.
fontlist_run() {
    local name=$1
    shift
    set +e
    timeout 120 "$run" "$template" "$fontlist" "$@" <&- >"$work/$name.raw"
    code=$?
    set -e
    grep -a -v -e '^route: ' -e ': exit code [0-9]*, on ' "$work/$name.raw" >"$work/$name.out" || true
}
expect() {
    if eval "$1"; then echo "ok   $2"; else echo "FAIL $2"; failures=$((failures + 1)); fi
}
no_prompt() {
    ! iconv -f CP932 -t UTF-8 "$work/$1.out" | grep -q 'Enterキー'
}

fontlist_run make make "$(winpath "$work/made")"
make_code=$code
fontlist_run dropped-make "$(winpath "$work/dropped")"
expect '[ "$code" = "$make_code" ] && [ -s "$work/make.out" ]' "a folder without a list: exit code $code, make's is $make_code"
expect 'cmp -s "$work/made/FontList.txt" "$work/dropped/FontList.txt"' \
    "the FontList.txt written is make's, byte for byte"
expect 'cmp -s "$work/make.out" "$work/dropped-make.out"' "what it says is what make says"
expect 'no_prompt dropped-make' "it does not wait for Enter"

fontlist_run check check "$(winpath "$work/made")"
check_code=$code
fontlist_run dropped-check "$(winpath "$work/dropped")"
expect '[ "$code" = "$check_code" ]' "the same folder again: exit code $code, check's is $check_code"
expect 'cmp -s "$work/check.out" "$work/dropped-check.out"' "what it says is what check says"
expect 'cmp -s "$work/made/FontList.txt" "$work/dropped/FontList.txt"' "the list is left as it was"
expect 'no_prompt dropped-check' "it does not wait for Enter"

fontlist_run help --help
expect '[ "$code" = 0 ] && iconv -f CP932 -t UTF-8 "$work/help.out" | grep -q "fontlist フォルダ"' \
    "--help names the folder way of use (exit code $code)"

echo "$failures failure(s)"
[ "$failures" = 0 ]
