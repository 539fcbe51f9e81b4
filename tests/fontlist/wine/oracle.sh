#!/usr/bin/env bash
# The Wine oracle: `fontlist.exe make` must write, for every font file, exactly the name GDI
# reports after AddFontResourceA: the family (lfFaceName) for a family's regular face, the full
# name (elfFullName) for every other face, whether or not the rest of its family is there; one
# of a .ttc's faces. No name may stand on two lines, and `fontlist.exe check` must accept the
# file and find GDI agreeing on every line. A file whose font Wine knows already (installed
# system-wide) adds nothing to the enumeration: it is counted apart, and only held to be unique.
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

# Wine's own answer, one file at a time, in a prefix of its own; 150 files to a command line,
# which holds 32,767 characters.
fonts=()
for f in "$work"/fonts/*; do fonts+=("$(winpath "$f")"); done
: >"$work/probe.out"
for ((i = 0; i < ${#fonts[@]}; i += 150)); do
    "$run" "$template" "$probe" "${fonts[@]:i:150}" >>"$work/probe.out"
done
"$run" "$template" "$fontlist" make "$(winpath "$work/fonts")" >"$work/make.out"
"$run" "$template" "$fontlist" check "$(winpath "$work/fonts")" >"$work/check.out" || {
    iconv -f CP932 -t UTF-8 "$work/check.out"
    echo "fontlist check found errors" >&2
    exit 1
}

"$python" - "$work" <<'PY'
import os, sys
from fontTools.ttLib import TTFont

work = sys.argv[1]
NTM_ITALIC, NTM_BOLD = 0x01, 0x20


def weight_class(path):
    try:
        font = TTFont(path, fontNumber=0, lazy=True)
        return font["OS/2"].usWeightClass if "OS/2" in font else 0
    except Exception:
        return 0


def own_name(path, family, full, weight, italic, ntm):
    """The name a face's line must give: the family for the face GDI gives for its family at
    normal weight, upright (not bold, not italic, weight 400), elfFullName for every other face."""
    weight = int(weight)
    # Wine reports FW_NORMAL for a face without the bold bit that is heavier than FW_MEDIUM
    # (a Demi); Windows reports its usWeightClass. The file says which it is.
    if weight == 400 and not int(ntm, 16) & NTM_BOLD:
        weight = weight_class(path) or 400
    regular = not int(ntm, 16) & (NTM_BOLD | NTM_ITALIC) and italic == b"0" and weight == 400
    return family if regular else full


gdi, known = {}, set()
fonts = os.path.join(work, "fonts")
for raw in open(os.path.join(work, "probe.out"), "rb").read().split(b"\n"):
    fields = raw.rstrip(b"\r").split(b"\t")
    if len(fields) < 2 or b"\\" not in fields[0]:
        continue
    name = fields[0].split(b"\\")[-1]
    if fields[1] == b"(known)":
        known.add(name)  # the same font is installed already: GDI adds nothing to compare
    elif len(fields) == 6:
        path = os.path.join(fonts, name.decode("cp932"))
        gdi.setdefault(name, []).append(own_name(path, *fields[1:]))
made = {}
for raw in open(os.path.join(fonts, "FontList.txt"), "rb").read().split(b"\r\n"):
    if raw:
        family, name = raw.rsplit(b",", 1)
        made[name] = family.strip(b'"')
written = list(made.values())
failures = 0
for name in sorted(set(gdi) | set(made) | known):
    wanted = gdi.get(name, [])
    line = made.get(name)
    # A .ttc gives one face per member; its line names the first face, one of them.
    good = line is not None and written.count(line) == 1
    good = good and (name in known or (line in wanted and (len(wanted) == 1 or name.endswith(b".ttc"))))
    print("%-36s fontlist %-40s GDI %s  %s" % (
        name.decode(), (line or b"-").decode("cp932"),
        " / ".join(w.decode("cp932") for w in wanted) or "(known already)",
        ("ok" if good else "DIFFERENT") if name not in known else ("unique" if good else "DIFFERENT")))
    failures += not good
check = open(os.path.join(work, "check.out"), "rb").read().decode("cp932")
agree = [l for l in check.splitlines() if "件中" in l]
compared = len(gdi)
print(agree[0] if agree else "no GDI comparison in check's output")
print("%d files, %d compared with GDI (%d known to Wine already), %d lines equal to GDI's answer"
      % (len(set(gdi) | known), compared, len(known), compared - failures))
expected = "%d件中%d件" % (compared, compared)
ok = failures == 0 and len(made) == len(set(gdi) | known) and agree and expected in agree[0]
sys.exit(0 if ok else 1)
PY
