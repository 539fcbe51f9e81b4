#!/usr/bin/env bash
# The Wine oracle: `fontlist.exe make` must write, for every font file, exactly the name GDI
# reports after AddFontResourceA: the family, or the full name of a file that shares its family
# with another file of the folder (a Bold or Italic member); the first face's for a .ttc. And
# `fontlist.exe check` must accept the file and find GDI agreeing on every line.
#
#   oracle.sh TEMPLATE FONTLIST_EXE PROBE_EXE PYTHON WORK [FONTS]
#
# Without FONTS, the fonts are generated on the spot; with it, its font files are used.
set -euo pipefail
template=$1 fontlist=$2 probe=$3 python=$4 work=$5 source=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../wine/wine-run"

rm -rf "$work"
mkdir -p "$work/fonts"
if [ -z "$source" ]; then
    "$python" "$here/../make_test_fonts.py" "$work/fonts"
    rm -f "$work/fonts/expected.txt"
else
    find "$source" -type f \( -name '*.ttf' -o -name '*.ttc' -o -name '*.otf' \) \
        -exec ln -s {} "$work/fonts/" \;
fi
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

"$python" - "$work" "${#fonts[@]}" <<'PY'
import sys, os
work, count = sys.argv[1], int(sys.argv[2])
gdi = {}
for raw in open(os.path.join(work, "probe.out"), "rb").read().split(b"\n"):
    raw = raw.rstrip(b"\r")
    if raw.count(b"\t") == 2:
        path, family, full = raw.split(b"\t")
        gdi.setdefault(path.split(b"\\")[-1], []).append((family, full))
made = {}
for raw in open(os.path.join(work, "fonts", "FontList.txt"), "rb").read().split(b"\r\n"):
    if raw:
        family, name = raw.rsplit(b",", 1)
        made[name] = family.strip(b'"')
# A family that more than one file adds is one style-linked family: one member keeps the family
# name, each of the others is written by its full name, and no two lines share a name.
owners = {}
for name, faces in gdi.items():
    for family, _ in faces:
        owners.setdefault(family, set()).add(name)
failures = 0
for name in sorted(set(gdi) | set(made)):
    faces = gdi.get(name, [])
    wanted = [family for family, _ in faces]
    wanted += [full for family, full in faces if len(owners[family]) > 1 and full != family]
    line = made.get(name)
    # A .ttc gives one family per face; the line names the first.
    good = line is not None and line in wanted and (len(faces) == 1 or name.endswith(b".ttc"))
    good = good and list(made.values()).count(line) == 1
    print("%-28s fontlist %-34s GDI %s  %s" % (name.decode(), (line or b"-").decode("cp932"),
          " / ".join(w.decode("cp932") for w in wanted), "ok" if good else "DIFFERENT"))
    failures += not good
check = open(os.path.join(work, "check.out"), "rb").read().decode("cp932")
agree = [l for l in check.splitlines() if "件中" in l]
print(agree[0] if agree else "no GDI comparison in check's output")
print("%d files, %d lines equal to GDI's answer" % (count, len(made) - failures))
expected = "%d件中%d件" % (count, count)
ok = failures == 0 and len(made) == count and agree and expected in agree[0]
sys.exit(0 if ok else 1)
PY
