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
