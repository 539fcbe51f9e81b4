#!/usr/bin/env bash
# Windows gives GetVersionExA's true answer past 6.2 only to a program whose manifest names 8.1
# and 10/11 as tested, as the installer's now does (Wine answers truly either way). Under Wine
# set to 8, 8.1 and 10, a program with the installer's manifest must see 6.2, 6.3 and 10.0 and
# the start-up's class must stay 7 (Vista and later).
#
#   os_class_versions.sh TEMPLATE PROBE_EXE
set -euo pipefail
template=$1 probe=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../wine/prefix.sh"
wine_use_arch_of "$probe"
wine_template "$template"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/fi-osclass.XXXXXX")
trap 'wine_stop "$prefix"; rm -rf "$prefix"' EXIT

failures=0
for release in "win8 6.2" "win81 6.3" "win10 10.0"; do
    set -- $release
    wine_fresh_prefix "$template" "$prefix"
    WINEPREFIX="$prefix" "$WINE" reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$1" /f \
        >/dev/null 2>&1
    got=$(WINEPREFIX="$prefix" "$WINE" "$probe" </dev/null | tr -d '\r')
    wine_stop "$prefix"
    if [ "$got" = "2 $2 7" ]; then
        echo "ok   Wine as $1: platform, version and class are $got"
    else
        echo "FAIL Wine as $1: expected \"2 $2 7\", got \"$got\""
        failures=$((failures + 1))
    fi
done
echo "$failures failure(s)"
[ "$failures" = 0 ]
