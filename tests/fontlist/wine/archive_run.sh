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
# Exits 0 when every file agrees. FI_ARCHIVE_PACKAGES="fonts-a fonts-b" runs those packages only;
# FI_ARCHIVE_AGAIN=1 runs make and check again on the folders and probe answers of the last run.
set -euo pipefail
work=$1 template=$2 fontlist=$3 probe=$4 python=${5:-/usr/bin/python3}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../wine/prefix.sh"
mkdir -p "$work/debs"
work=$(cd "$work" && pwd)
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
template=$(absolute "$template") fontlist=$(absolute "$fontlist") probe=$(absolute "$probe")

again=${FI_ARCHIVE_AGAIN:-}
# Every package of the archive named fonts-*, but the ones already fetched.
[ -n "$again" ] || {
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
}

# A fresh prefix for every 50 files probed and every 20 folders, without a screen: GDI's fonts
# need no display, and a prefix that has run several hundred programs comes to start desktop
# processes by the thousand.
wine_use_arch_of "$fontlist"
wine_template "$template"
prefix=
cleanup() {
    if [ -n "$prefix" ]; then
        wine_stop "$prefix"
        rm -rf "$prefix"
    fi
}
trap cleanup EXIT
fresh() {
    cleanup
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/fi-archive.XXXXXX")
    wine_fresh_prefix "$template" "$prefix"
    export WINEPREFIX=$prefix
    "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null 2>&1
    # A program that crashes ends at once, without a debugger waiting for nobody.
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
        /t REG_SZ /d '' /f >/dev/null 2>&1
}
unset DISPLAY
winpath() { echo "Z:${1//\//\\}"; }

# GDI's own answer, one file at a time, 50 files a process. A file the probe says nothing of (it
# crashed part way) is probed again alone, and marked when it crashes alone too.
started=$(date +%s)
[ -n "$again" ] || {
    files=()
    while IFS= read -r -d '' file; do files+=("$(winpath "$file")"); done \
        < <(find "$work/pkgs" -type f -print0 | sort -z)
    : >"$work/probe.out"
    for ((i = 0; i < ${#files[@]}; i += 50)); do
        fresh
        batch=("${files[@]:i:50}")
        timeout 600 "$WINE" "$probe" "${batch[@]}" >"$work/probe.batch" 2>/dev/null || true
        cat "$work/probe.batch" >>"$work/probe.out"
        for file in "${batch[@]}"; do
            ansi=$(printf '%s\t' "$file" | iconv -f UTF-8 -t CP932 2>/dev/null || printf '%s\t' "$file")
            if ! grep -qF "$ansi" "$work/probe.batch"; then
                if ! timeout 120 "$WINE" "$probe" "$file" >>"$work/probe.out" 2>/dev/null; then
                    grep -qF "$ansi" "$work/probe.out" || printf '%s\t(crashed)\t\n' "$file" >>"$work/probe.out"
                fi
            fi
        done
    done
}
probed=$(date +%s)

# make and check on each package folder, as its maker would run them.
mkdir -p "$work/out"
: >"$work/codes.tsv"
count=0
for folder in "$work"/pkgs/*/; do
    if [ $((count % 20)) -eq 0 ]; then fresh; fi
    count=$((count + 1))
    package=$(basename "$folder")
    rm -f "$folder/FontList.txt"
    set +e
    timeout 600 "$WINE" "$fontlist" make "$(winpath "${folder%/}")" >"$work/out/$package.make" 2>&1
    made=$?
    timeout 600 "$WINE" "$fontlist" check "$(winpath "${folder%/}")" >"$work/out/$package.check" 2>&1
    checked=$?
    set -e
    echo "$package	$made	$checked" >>"$work/codes.tsv"
done
finished=$(date +%s)
echo "probe $((probed - started)) s, make and check $((finished - probed)) s" >"$work/times.txt"

"$python" "$here/archive_judge.py" "$work"
