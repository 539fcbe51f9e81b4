"""The Linux fontlist on a real folder: names on disk in UTF-8, FontList.txt in CP932 with CR LF,
the console in UTF-8, and the exit codes.

    cli_test.py FONTLIST WORK VERSION
"""

import os
import shutil
import subprocess
import sys

from make_test_fonts import main as make_test_fonts

fontlist, work, version = sys.argv[1], sys.argv[2], sys.argv[3]
failures = []


def expect(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def run(*args, cwd=None):
    done = subprocess.run([fontlist, *args], capture_output=True, cwd=cwd)
    return done.returncode, done.stdout.decode("utf-8")


shutil.rmtree(work, ignore_errors=True)
package = os.path.join(work, "package")
make_test_fonts(package)
with open(os.path.join(package, "expected.txt"), encoding="utf-8") as listed:
    expected = [line.split("\t") for line in listed.read().splitlines()]
os.remove(os.path.join(package, "expected.txt"))
# A Japanese file name on disk, and a file that is no font.
os.rename(os.path.join(package, "english.ttf"), os.path.join(package, "英語.ttf"))
expected = [["英語.ttf" if name == "english.ttf" else name, family] for name, family in expected]
open(os.path.join(package, "readme.txt"), "w").write("not a font\n")
font_list = os.path.join(package, "FontList.txt")

code, out = run("make", package)
expect(code == 0, "make exits 0")
want = b"".join(("%s,%s\r\n" % (family, name)).encode("cp932")
                for name, family in sorted(expected, key=lambda e: e[0].encode("cp932")))
got = open(font_list, "rb").read()
expect(got == want, "make writes every font's family in CP932 with CR LF, in file-name order")
expect("FL English Only,英語.ttf" in out, "make prints the lines it wrote, in UTF-8")
expect("FontList.txt:3: warning: ファミリ名が31文字を超える" in out,
       "make prints what needs attention (the long name)")

code, out = run("make", package)
expect(code == 1 and "--force" in out, "make refuses to replace FontList.txt")
expect(open(font_list, "rb").read() == want, "the refused make leaves the file alone")
open(font_list, "wb").write(b"old\r\n")
code, out = run("make", "--force", package)
expect(code == 0 and open(font_list, "rb").read() == want, "make --force replaces it")

code, out = run("check", package)
expect(code == 0 and "結果: 問題ありません。" in out, "check accepts what make wrote")
code, out = run("check", cwd=package)
expect(code == 0, "check without a folder reads the current one")

# `msi`: the package the list describes, read back with msitools.
def msi_table(msi, table):
    done = subprocess.run(["msiinfo", "export", msi, table], capture_output=True, check=True)
    return [line.split("\t") for line in done.stdout.decode("utf-8").splitlines()[3:]]


def msi_suminfo(msi):
    done = subprocess.run(["msiinfo", "suminfo", msi], capture_output=True, check=True)
    return dict(line.split(": ", 1) for line in done.stdout.decode("cp932").splitlines())


first_msi = os.path.join(work, "first.msi")
code, out = run("msi", package, "--output", first_msi)
expect(code == 2 and "--manufacturer" in out and not os.path.exists(first_msi),
       "fonts that name no manufacturer (name ID 8) make msi ask for --manufacturer, exit 2")
code, out = run("msi", package, "--output", first_msi, "--manufacturer", "見本社")
expect(code == 0 and os.path.exists(first_msi), "msi writes the package, exit 0: " + out)
tables = subprocess.run(["msiinfo", "tables", first_msi], capture_output=True,
                        check=True).stdout.decode().split()
validation = msi_table(first_msi, "_Validation")
described = {(row[0], row[1]) for row in validation}
columns = set()
for table in tables:
    if table not in ("_Streams", "_SummaryInformation", "_ForceCodepage"):
        head = subprocess.run(["msiinfo", "export", first_msi, table], capture_output=True,
                              check=True).stdout.decode().splitlines()[0]
        columns |= {(table, column) for column in head.split("\t")}
expect("_Validation" in tables and described == columns and len(validation) == len(columns),
       "_Validation describes every column of every table once: %s" % sorted(described ^ columns))
expect(all(row[1] == "" for row in msi_table(first_msi, "Font")),
       "no Font row has a title: Windows Installer reads it from the file")
files = {row[0]: row for row in msi_table(first_msi, "File")}
expect(sorted(row[2].split("|")[-1] for row in files.values()) ==
       sorted(name for name, _ in expected), "the File table holds each file under its own name")
names = [part.upper() for row in files.values() for part in set(row[2].split("|"))]
expect(len(names) == len(set(names)), "no short name is another file's name: %s" % names)
expect(all(int(row[3]) == os.path.getsize(os.path.join(package, row[2].split("|")[-1]))
           for row in files.values()), "each file has its size")
unpacked = os.path.join(work, "cabinet")
os.makedirs(unpacked)
with open(os.path.join(unpacked, "fonts.cab"), "wb") as cabinet:
    subprocess.run(["msiinfo", "extract", first_msi, "fonts.cab"], stdout=cabinet, check=True)
subprocess.run(["gcab", "-x", "-C", unpacked, os.path.join(unpacked, "fonts.cab")], check=True)
expect(all(open(os.path.join(unpacked, key), "rb").read() ==
           open(os.path.join(package, row[2].split("|")[-1]), "rb").read()
           for key, row in files.items()) and len(os.listdir(unpacked)) == len(files) + 1,
       "the cabinet holds every font, byte for byte, under its File key")
components = msi_table(first_msi, "Component")
expect(len(components) == len(expected) and
       all(c[2] == "FontsFolder" and c[3] == "16" for c in components),
       "one permanent component per font, in the Fonts folder")
properties = dict(msi_table(first_msi, "Property"))
expect((properties["ALLUSERS"], properties["ProductVersion"], properties["Manufacturer"]) ==
       ("1", "1.0.0", "見本社") and
       all(family in properties["ProductName"].split(", ") for _, family in expected),
       "per machine, version 1.0.0, named after the families: %r" % properties)
summary = msi_suminfo(first_msi)
expect((summary["Template"], summary["Version"], summary["Source"], summary["Subject"],
        summary["Author"]) == ("Intel;1041", "200 (c8)", "2 (2)", properties["ProductName"], "見本社"),
       "the summary: Intel, Installer 2.0, compressed, the product's name and maker")
expect(b"\r\n932\t_ForceCodepage\r\n" in subprocess.run(
    ["msiinfo", "export", first_msi, "_ForceCodepage"], capture_output=True).stdout,
    "the database code page is 932")

japanese_msi = os.path.join(work, "japanese.msi")
code, out = run("msi", package, "--output", japanese_msi, "--product-name", "見本フォント",
                "--manufacturer", "見本社", "--product-version", "255.255.65535")
second = dict(msi_table(japanese_msi, "Property"))
expect(code == 0 and (second["ProductName"], second["Manufacturer"]) == ("見本フォント", "見本社")
       and msi_suminfo(japanese_msi)["Subject"] == "見本フォント",
       "Japanese product names survive in the tables and the summary")
code, out = run("msi", package, "--output", os.path.join(work, "again.msi"), "--manufacturer",
                "見本社")
again = dict(msi_table(os.path.join(work, "again.msi"), "Property"))
code, out = run("msi", package, "--output", os.path.join(work, "other.msi"), "--manufacturer",
                "別の社")
other = dict(msi_table(os.path.join(work, "other.msi"), "Property"))
expect(again["UpgradeCode"] == properties["UpgradeCode"] and
       len({again["UpgradeCode"], second["UpgradeCode"], other["UpgradeCode"]}) == 3,
       "the same pack built twice keeps its UpgradeCode; another name or maker has its own")
expect(again["ProductCode"] != properties["ProductCode"] and
       msi_suminfo(os.path.join(work, "again.msi"))["Revision number (UUID)"] !=
       summary["Revision number (UUID)"], "each build has a new ProductCode and PackageCode")
expect(sorted(c[1] for c in msi_table(os.path.join(work, "again.msi"), "Component")) ==
       sorted(c[1] for c in components), "the components keep their GUIDs")
code, out = run("msi", "--manufacturer", "見本社", cwd=package)
expect(code == 0 and os.path.exists(os.path.join(package, "package-1.0.0.msi")),
       "without --output, FOLDER-VERSION.msi in the current folder")
os.remove(os.path.join(package, "package-1.0.0.msi"))
code, out = run("msi", package, "--output", os.path.join(work, "space.msi"), "--manufacturer",
                "見本社", "--product-name", "a\x20b")
expect(code == 0, "a name with a space (0x20) is written")

refused = os.path.join(work, "refused.msi")
for options, what in ((["--product-version", "256.0.0"], "a version beyond 255.255.65535"),
                      (["--product-name", "絵\U0001F600"], "a name CP932 cannot hold"),
                      (["--product-name", "a\tb"], "a name with a tab (0x09)"),
                      (["--product-name", "a\x1fb"], "a name with 0x1F"),
                      (["--manufacturer", "a\x1fb"], "a manufacturer with 0x1F"),
                      (["--output"], "an option without its value")):
    code, out = run("msi", package, "--output", refused, "--manufacturer", "見本社", *options)
    expect(code == 2 and not os.path.exists(refused), "msi refuses %s, exit 2" % what)
done = subprocess.run([fontlist, "msi", package, "--output", refused, "--manufacturer", "M"],
                      capture_output=True,
                      env=dict(os.environ, PATH="/nonexistent"))
expect(done.returncode == 1 and "msitools" in done.stdout.decode() and not os.path.exists(refused),
       "without msitools, msi says what to install and writes nothing, exit 1")
listed = open(font_list, "rb").read()
open(font_list, "wb").write(b"No Such Family,jp_en.ttf\r\n")
code, out = run("msi", package, "--output", refused, "--manufacturer", "M")
expect(code == 1 and "FontList.txt:1: error: " in out and not os.path.exists(refused),
       "a list with errors writes no package, exit 1, the errors shown as check shows them")
open(font_list, "wb").write(listed)

# The English alias, saved in UTF-8: the mistakes a hand-written file has.
open(font_list, "wb").write("FL Sample Gothic,jp_en.ttf\r\nFL見本角ゴ,cff.otf\r\n".encode("utf-8"))
code, out = run("check", package)
expect(code == 1, "check exits 1 on errors")
expect("FontList.txt:1: error: ファイルがUTF-8で保存されています" in out, "check reports UTF-8")
expect("FontList.txt:1: error: 英語名「FL Sample Gothic」" in out, "check reports the English alias")
expect("FontList.txt:2: error: " in out, "check reports the UTF-8 face name as no family")

os.remove(font_list)
code, out = run("check", package)
expect(code == 2 and "FontList.txtを読めません" in out, "check exits 2 without a FontList.txt")
for command in ("check", "make"):
    code, out = run(command, os.path.join(work, "nowhere"))
    expect(code == 2 and "error: フォルダ「%s」がありません。" % os.path.join(work, "nowhere") in out,
           "%s names a folder that does not exist, exit 2" % command)

empty = os.path.join(work, "empty")
os.makedirs(empty)
code, out = run("make", empty)
expect(code == 1 and not os.path.exists(os.path.join(empty, "FontList.txt")),
       "make writes nothing for a folder without fonts")
code, out = run("list", package)
expect(code == 2 and "使い方" in out, "an unknown command shows the usage")
code, out = run("--help")
expect(code == 0 and out.startswith("使い方: fontlist make"), "--help prints the usage, exit 0")
code, out = run("--version")
expect(code == 0 and out == "fontlist %s\n" % version, "--version prints the version")

print("%d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
