#!/usr/bin/env bash
# The Wine oracle: for fonts generated on the spot, `fontlist.exe make` must write exactly the
# family GDI enumerates after AddFontResourceA (the first face's for a .ttc), and
# `fontlist.exe check` must accept the file and find GDI agreeing on every line.
#
#   oracle.sh TEMPLATE FONTLIST_EXE PROBE_EXE PYTHON WORK
set -euo pipefail
template=$1 fontlist=$2 probe=$3 python=$4 work=$5
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../wine/wine-run"

rm -rf "$work"
mkdir -p "$work"
"$python" "$here/../make_test_fonts.py" "$work/fonts"
rm -f "$work/fonts/expected.txt"
winpath() { echo "Z:${1//\//\\}"; }

# Wine's own answer, one file at a time, in a prefix of its own.
fonts=()
for f in "$work"/fonts/*; do fonts+=("$(winpath "$f")"); done
"$run" "$template" "$probe" "${fonts[@]}" >"$work/probe.out"
"$run" "$template" "$fontlist" make "$(winpath "$work/fonts")" >"$work/make.out"
"$run" "$template" "$fontlist" check "$(winpath "$work/fonts")" >"$work/check.out" || {
    iconv -f CP932 -t UTF-8 "$work/check.out"
    echo "fontlist check found errors" >&2
    exit 1
}

"$python" - "$work" <<'PY'
import sys, os
work = sys.argv[1]
gdi = {}
for raw in open(os.path.join(work, "probe.out"), "rb").read().split(b"\n"):
    raw = raw.rstrip(b"\r")
    if b"\t" not in raw:
        continue
    path, family = raw.split(b"\t", 1)
    gdi.setdefault(path.split(b"\\")[-1], []).append(family)
made = {}
for raw in open(os.path.join(work, "fonts", "FontList.txt"), "rb").read().split(b"\r\n"):
    if raw:
        family, name = raw.rsplit(b",", 1)
        made[name] = family
failures = 0
for name in sorted(set(gdi) | set(made)):
    families = gdi.get(name, [])
    family = made.get(name)
    # A .ttc gives one family per face; the line names the first.
    good = family is not None and family in families and (len(families) == 1 or name.endswith(b".ttc"))
    print("%-16s fontlist %-34s GDI %s  %s" % (name.decode(), (family or b"-").decode("cp932"),
          " / ".join(f.decode("cp932") for f in families), "ok" if good else "DIFFERENT"))
    failures += not good
check = open(os.path.join(work, "check.out"), "rb").read().decode("cp932")
agree = [l for l in check.splitlines() if "件中" in l]
print(agree[0] if agree else "no GDI comparison in check's output")
ok = failures == 0 and len(made) == 7 and agree and agree[0].count("7") == 2
sys.exit(0 if ok else 1)
PY
