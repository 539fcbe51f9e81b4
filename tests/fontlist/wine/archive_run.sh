#!/usr/bin/env bash
# fontlist against every font package of Debian's archive, as a font maker would use it: each
# fonts-* package that holds TrueType or OpenType files is one folder; `fontlist.exe make` writes
# its FontList.txt and `fontlist.exe check` reads it back, asking Wine's GDI, and every file's
# line is compared with the name GDI enumerates once the file alone is loaded. A long run (about
# 1.4 GB of packages, an hour or more): not part of the test suite.
#
#   archive_run.sh WORK TEMPLATE FONTLIST_EXE PROBE_EXE [PYTHON]
#
# WORK keeps the packages once fetched (WORK/debs) and gets the folders (WORK/pkgs), the
# commands' output and the verdicts: WORK/verdicts.tsv, one line a file, and WORK/summary.txt.
# Exits 0 when every file agrees. FI_ARCHIVE_PACKAGES="fonts-a fonts-b" runs those packages only.
set -euo pipefail
work=$1 template=$2 fontlist=$3 probe=$4 python=${5:-/usr/bin/python3}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../wine/prefix.sh"
mkdir -p "$work/debs"
work=$(cd "$work" && pwd)
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
template=$(absolute "$template") fontlist=$(absolute "$fontlist") probe=$(absolute "$probe")

# Every package of the archive named fonts-*, but the ones already fetched.
cd "$work/debs"
if [ -n "${FI_ARCHIVE_PACKAGES:-}" ]; then
    printf '%s\n' $FI_ARCHIVE_PACKAGES >"$work/packages.txt"
else
    apt-cache pkgnames fonts- | sort >"$work/packages.txt"
fi
: >"$work/not-fetched.txt"
while read -r package; do
    if ! compgen -G "${package}_*.deb" >/dev/null; then
        apt-get download "$package" >/dev/null 2>&1 || echo "$package" >>"$work/not-fetched.txt"
    fi
done <"$work/packages.txt"
cd "$work"

# One folder a package, of its regular font files only: a package's links to another's fonts
# would name one file twice. A file name met twice in one package keeps its first file.
rm -rf "$work/pkgs" "$work/x"
mkdir -p "$work/pkgs" "$work/x"
: >"$work/no-fonts.txt"
: >"$work/same-name.txt"
while read -r package; do
    deb=$(compgen -G "$work/debs/${package}_*.deb" | head -1) || continue
    dpkg -x "$deb" "$work/x/$package"
    mkdir -p "$work/pkgs/$package"
    while IFS= read -r -d '' file; do
        name=$(basename "$file")
        if [ -e "$work/pkgs/$package/$name" ]; then
            echo "$package	$file" >>"$work/same-name.txt"
        else
            ln "$file" "$work/pkgs/$package/$name"
        fi
    done < <(find "$work/x/$package" -type f \( -iname '*.ttf' -o -iname '*.ttc' -o -iname '*.otf' \) -print0 | sort -z)
    if [ -z "$(ls -A "$work/pkgs/$package")" ]; then
        rmdir "$work/pkgs/$package"
        echo "$package" >>"$work/no-fonts.txt"
    fi
done <"$work/packages.txt"

# One prefix and one screen for the whole run.
wine_use_arch_of "$fontlist"
wine_template "$template"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/fi-archive.XXXXXX")
cleanup() {
    wine_stop "$prefix"
    rm -rf "$prefix"
    xvfb_stop
}
trap cleanup EXIT
wine_fresh_prefix "$template" "$prefix"
xvfb_start 150
export WINEPREFIX=$prefix
winpath() { echo "Z:${1//\//\\}"; }

# GDI's own answer, one file at a time.
started=$(date +%s)
files=()
while IFS= read -r -d '' file; do files+=("$(winpath "$file")"); done \
    < <(find "$work/pkgs" -type f -print0 | sort -z)
: >"$work/probe.out"
for ((i = 0; i < ${#files[@]}; i += 100)); do
    "$WINE" "$probe" "${files[@]:i:100}" >>"$work/probe.out" 2>/dev/null || true
done
probed=$(date +%s)

# make and check on each package folder, as its maker would run them.
mkdir -p "$work/out"
: >"$work/codes.tsv"
for folder in "$work"/pkgs/*/; do
    package=$(basename "$folder")
    rm -f "$folder/FontList.txt"
    set +e
    "$WINE" "$fontlist" make "$(winpath "${folder%/}")" >"$work/out/$package.make" 2>&1
    made=$?
    "$WINE" "$fontlist" check "$(winpath "${folder%/}")" >"$work/out/$package.check" 2>&1
    checked=$?
    set -e
    echo "$package	$made	$checked" >>"$work/codes.tsv"
done
finished=$(date +%s)
echo "probe $((probed - started)) s, make and check $((finished - probed)) s" >"$work/times.txt"

"$python" "$here/archive_judge.py" "$work"
