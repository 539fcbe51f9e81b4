#!/usr/bin/env python3
"""The verdicts of archive_run.sh: for every font file of every package folder, the line
`fontlist.exe make` wrote against the name GDI enumerated for it alone, and what make and check
said of the folder.

GDI's name for a face: the family (lfFaceName) for the face the system gives for the family at
normal weight, upright (neither bold nor italic in ntmFlags or lfItalic, weight 400), the full
name (elfFullName) for every other face, spaces at its edges trimmed as the installer's reader
trims them. Wine reports weight 400 for a face that is not bold but heavier than 500, where
Windows reports its usWeightClass: there the file's class is taken. A file whose faces Wine knew
before it was loaded (a font installed system-wide), or which GDI does not load, is judged by its
name table alone.

  archive_judge.py WORK
"""
import collections
import os
import sys

from fontTools.ttLib import TTCollection, TTFont

NTM_ITALIC, NTM_BOLD = 0x01, 0x20
# make's message where GDI cannot tell two regular faces of one family apart.
CANNOT_TELL = "どちらも".encode("cp932")


def faces_of(path):
    try:
        if path.lower().endswith(".ttc"):
            return list(TTCollection(path, lazy=True).fonts)
        return [TTFont(path, lazy=True, fontNumber=0)]
    except Exception:
        return []


def name_table_name(font):
    """The rule read from the name table alone, in the system's record order."""
    windows = "cmap" in font and any(t.platformID == 3 for t in font["cmap"].tables)
    records = [r for r in font["name"].names if
               (windows and r.platformID == 3 and r.platEncID in (0, 1, 10)) or
               (not windows and r.platformID == 1 and r.platEncID == 0)]

    def choose(name_id):
        found = [r for r in records if r.nameID == name_id]
        if not found:
            return None
        if windows:
            for test in (lambda r: r.langID == 0x411, lambda r: r.langID & 0x3FF == 0x11,
                         lambda r: r.langID == 0x409):
                for r in found:
                    if test(r):
                        return r.toUnicode(errors="replace")
        return found[0].toUnicode(errors="replace")

    family = choose(1)
    if family is None:
        return None
    full = choose(4)
    if full is None and choose(2) is not None:
        full = family + " " + choose(2)
    if "OS/2" in font:
        os2 = font["OS/2"]
        member = bool(os2.fsSelection & 0x221) or os2.usWeightClass != 400
    else:
        member = "head" in font and bool(font["head"].macStyle & 3)
    name = full[:63] if (member and full is not None) else family[:31]
    return name.strip(" ")


def weight_class(path, index):
    faces = faces_of(path)
    font = faces[index] if index < len(faces) else (faces[0] if faces else None)
    try:
        return font["OS/2"].usWeightClass if font is not None and "OS/2" in font else 0
    except Exception:
        return 0


def read_lines(path):
    """FontList.txt's lines as (name, file), CP932 bytes, quotes undone."""
    lines = []
    if not os.path.exists(path):
        return lines
    for raw in open(path, "rb").read().split(b"\r\n"):
        if not raw:
            continue
        fields, field, quoted, i = [], b"", False, 0
        while i < len(raw):
            c = raw[i:i + 1]
            if quoted and c == b'"' and raw[i + 1:i + 2] == b'"':
                field += c
                i += 1
            elif c == b'"':
                quoted = not quoted
            elif c == b"," and not quoted:
                fields.append(field)
                field = b""
            else:
                field += c
            i += 1
        fields.append(field)
        lines.append((fields[0], fields[-1]))
    return lines


def main():
    work = sys.argv[1]
    pkgs = os.path.join(work, "pkgs")
    probe = collections.defaultdict(list)
    known, not_loaded, crashed = set(), set(), set()
    for raw in open(os.path.join(work, "probe.out"), "rb").read().split(b"\n"):
        fields = raw.rstrip(b"\r").split(b"\t")
        if len(fields) < 2 or b"\\" not in fields[0]:
            continue
        parts = fields[0].decode("cp932", "replace").split("\\")
        key = (parts[-2], parts[-1])
        if fields[1] == b"(known)":
            known.add(key)
        elif fields[1] == b"(not loaded)":
            not_loaded.add(key)
        elif fields[1] == b"(crashed)":
            crashed.add(key)
        elif len(fields) == 6:
            probe[key].append(fields[1:])
    codes = {}
    for line in open(os.path.join(work, "codes.tsv"), encoding="utf-8"):
        package, made, checked = line.rstrip("\n").split("\t")
        codes[package] = (int(made), int(checked))

    verdicts, counts = [], collections.Counter()
    packages_bad = []
    for package in sorted(os.listdir(pkgs)):
        folder = os.path.join(pkgs, package)
        lines = read_lines(os.path.join(folder, "FontList.txt"))
        by_file = {f.decode("cp932", "replace"): n for n, f in lines}
        names = collections.Counter(n for n, _ in lines)
        make_out = open(os.path.join(work, "out", package + ".make"), "rb").read()
        cannot_tell, same_as, unreadable, refused = {}, {}, set(), set()
        check_out = open(os.path.join(work, "out", package + ".check"), "rb").read()
        for message in make_out.split(b"\n") + check_out.split(b"\n"):
            text = message.decode("cp932", "replace").strip()
            quoted = [part.split("」")[0] for part in text.split("「")[1:]]
            if text.startswith("error: ") and CANNOT_TELL in message:
                # error: 「A」と「B」はどちらも... : A is the file left out.
                cannot_tell[quoted[0]] = text
            elif "と同じフォント" in text and len(quoted) >= 2:
                same_as[quoted[0]] = quoted[1]
            elif "はフォントとして読めない" in text or "制御文字" in text:
                unreadable.add(quoted[0])
            elif "を読み込めない" in text:
                refused.add(quoted[0])
        made, checked = codes.get(package, (None, None))
        for file in sorted(os.listdir(folder)):
            if file == "FontList.txt":
                continue
            path = os.path.join(folder, file)
            key = (package, file)
            line = by_file.get(file)
            line_text = line.decode("cp932", "replace") if line is not None else "-"
            if key in probe:
                wanted = []
                for index, (family, full, weight, italic, ntm) in enumerate(probe[key]):
                    weight = int(weight)
                    ntm = int(ntm, 16)
                    if weight == 400 and not ntm & NTM_BOLD:
                        weight = weight_class(path, index) or 400
                    regular = not ntm & (NTM_BOLD | NTM_ITALIC) and italic == b"0" and weight == 400
                    wanted.append((family if regular else full).strip(b" "))
                source = "GDI"
            else:
                source = ("known to Wine" if key in known else
                          "not loaded by GDI" if key in not_loaded else
                          "the probe crashed" if key in crashed else "no faces from GDI")
                wanted = []
                for font in faces_of(path):
                    try:
                        name = name_table_name(font)
                    except Exception:
                        name = None
                    if name is not None:
                        wanted.append(name.encode("cp932", "replace"))
            def gdi_names(name):
                return sorted((f.lower(), g.lower()) for f, g, *_ in probe.get((package, name), []))

            if file in cannot_tell:
                verdict, reason = "cannot-tell", cannot_tell[file]
            elif line is None and file in same_as:
                if gdi_names(file) == gdi_names(same_as[file]):
                    verdict, reason = "same-font", "one line for it and " + same_as[file]
                else:
                    verdict, reason = "DIFFERENT", "left out as " + same_as[file] + "'s font"
            elif source != "GDI" and key not in known and (file in unreadable or file in refused):
                verdict, reason = "refused", "GDI does not load it; " + (
                    "make leaves it out" if file in unreadable else "check says so")
            elif line is None:
                verdict, reason = "DIFFERENT", "no line written"
            elif names[line] > 1:
                verdict, reason = "DIFFERENT", "name on two lines"
            elif not wanted:
                verdict, reason = "unjudged", "no name GDI or the name table gives"
            elif line in wanted and (len(wanted) == 1 or file.lower().endswith(".ttc")):
                verdict, reason = "agree", ""
            elif line.replace(b"?", b"") and any(
                    w.replace(b"?", b"") == line.replace(b"?", b"") for w in wanted) and source != "GDI":
                verdict, reason = "agree", "name table, lossy characters aside"
            else:
                verdict, reason = "DIFFERENT", "%s gives %s" % (
                    source, " / ".join(w.decode("cp932", "replace") for w in wanted))
            counts[(source, verdict)] += 1
            verdicts.append((package, file, verdict, source, line_text,
                             " / ".join(w.decode("cp932", "replace") for w in wanted), reason))
        cannot = any(package == v[0] and v[2] in ("cannot-tell", "refused") for v in verdicts)
        if (made, checked) != (0, 0) and not cannot:
            packages_bad.append((package, made, checked))

    with open(os.path.join(work, "verdicts.tsv"), "w", encoding="utf-8") as out:
        out.write("package\tfile\tverdict\tjudged by\tline\twanted\treason\n")
        for v in verdicts:
            out.write("\t".join(v) + "\n")
    fetched = len([d for d in os.listdir(os.path.join(work, "debs")) if d.endswith(".deb")])
    agree = sum(n for (s, v), n in counts.items() if v == "agree")
    different = [v for v in verdicts if v[2] == "DIFFERENT"]
    summary = [
        "packages named fonts-*: %d; fetched: %d; holding TrueType or OpenType files: %d" % (
            len(open(os.path.join(work, "packages.txt")).read().split()), fetched,
            len(os.listdir(pkgs))),
        "font files: %d; agree: %d; the same font as another file, one line: %d; refused by "
        "GDI and by fontlist: %d; GDI cannot tell apart (make's error): %d; unjudged: %d; "
        "different: %d" % (len(verdicts), agree,
                            sum(n for (s, v), n in counts.items() if v == "same-font"),
                            sum(n for (s, v), n in counts.items() if v == "refused"),
                            sum(n for (s, v), n in counts.items() if v == "cannot-tell"),
                            sum(n for (s, v), n in counts.items() if v == "unjudged"),
                            len(different)),
    ]
    for (source, verdict), n in sorted(counts.items()):
        summary.append("  %s, %s: %d" % (source, verdict, n))
    summary.append("packages where make or check did not exit 0 without such a file: %d"
                   % len(packages_bad))
    for package, made, checked in packages_bad:
        summary.append("  %s: make %s, check %s" % (package, made, checked))
    summary.append("files that differ:")
    for v in different:
        summary.append("  %s/%s: line %s; %s" % (v[0], v[1], v[4], v[6]))
    for v in verdicts:
        if v[2] in ("cannot-tell", "unjudged", "refused"):
            summary.append("  %s %s/%s: %s" % (v[2], v[0], v[1], v[6]))
    text = "\n".join(summary) + "\n"
    open(os.path.join(work, "summary.txt"), "w", encoding="utf-8").write(text)
    print(text, end="")
    return 0 if not different and not packages_bad else 1


if __name__ == "__main__":
    sys.exit(main())
