#!/usr/bin/python3
"""Packages built by `fontlist msi`, on Linux and by fontlist.exe on Windows, deployed the way an
administrator does, with Wine's msiexec (which implements the Font table): real fonts from
Debian's packages, Japanese and Latin, a Regular and a Bold member, a .ttc and an .otf.

    msi_test.py --fontlist LINUX_FONTLIST --fontlist-exe fontlist.exe --fontprobe fontprobe.exe \\
        --installer FontInstaller.exe --uidriver uidriver.exe --fonts REAL_FONTS_DIR \\
        --work WORK_DIR --template WINE_TEMPLATE_DIR

fontlist.exe writes, through msi.dll and cabinet.dll, the tables the Linux tool writes; its
package installs with `msiexec /i /qn` and is removed with `/x`. Then, in a fresh prefix where
FontInstaller.exe has installed a font of the same file name before: `msiexec /i /qn` puts each
file in the Fonts folder, registers each font under the name Windows Installer reads from the file
(no title of ours) and makes each family known to GDI; a second install changes nothing; a newer
version replaces the older; an older one is refused once a newer is there; `msiexec /x /qn`
removes the product and keeps the fonts, permanent components, the earlier one as the installer
left it.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "e2e"))

import winharness  # noqa: E402
from fontTools.ttLib import TTFont  # noqa: E402
from installer_ui import CAPTION, DONE, IDC_FONT_LIST, IDC_SELECT_ALL, IDOK, MSGBOX_TEXT_ID  # noqa

parser = argparse.ArgumentParser()
for option in ("fontlist", "fontlist-exe", "fontprobe", "installer", "uidriver", "fonts", "work",
               "template"):
    parser.add_argument("--" + option, required=True)
args = parser.parse_args()

# (face name as FontList.txt gives it, file in the package, file in the Debian package, ending)
FONTS = [
    ("VL ゴシック", "ゴシック表示.ttf", "VL-Gothic-Regular.ttf", " (TrueType)"),
    ("Nimbus Sans", "NimbusSans-Regular.otf", "NimbusSans-Regular.otf", " (OpenType)"),
    ("NimbusSans-Bold", "NimbusSans-Bold.otf", "NimbusSans-Bold.otf", " (OpenType)"),
    ("WenQuanYi Micro Hei", "wqy-microhei.ttc", "wqy-microhei.ttc", " (TrueType)"),
]
FAMILIES = {"VL ゴシック", "Nimbus Sans", "WenQuanYi Micro Hei", "WenQuanYi Micro Hei Mono"}
PRODUCT = "見本フォント集"
# Installed by FontInstaller.exe before any package: one file the package holds too, one it does
# not (two lines, so that the installer shows its list).
EARLIER = [("Nimbus Sans", "NimbusSans-Regular.otf", " (OpenType)"),
           ("NimbusSans-Italic", "NimbusSans-Italic.otf", " (OpenType)")]
failures = []


def expect(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def build(version, product=PRODUCT, maker="見本社", name=None):
    output = os.path.join(args.work, name or "fonts-%s.msi" % version)
    done = subprocess.run([args.fontlist, "msi", package, "--output", output, "--product-name",
                           product, "--manufacturer", maker, "--product-version", version],
                          capture_output=True)
    if done.returncode != 0:
        raise SystemExit("fontlist msi failed: " + done.stdout.decode() + done.stderr.decode())
    return output


def msi_table(msi, table):
    return subprocess.run(["msiinfo", "export", msi, table], capture_output=True,
                          check=True).stdout.decode("utf-8", "replace").splitlines()


def product_code(msi):
    return dict(line.split("\t", 1) for line in msi_table(msi, "Property")[3:])["ProductCode"]


def registered_name(path):
    """The value name Wine's RegisterFonts gives a font whose Font row has no title: the first
    Windows full name (ID 4) of a TrueType or OpenType file, with " (TrueType)"; none for a
    collection, whose header it does not read."""
    if path.lower().endswith(".ttc"):
        return None
    for record in TTFont(path, lazy=True)["name"].names:
        if record.nameID == 4 and record.platformID == 3 and record.platEncID in (0, 1):
            return record.toUnicode() + " (TrueType)"
    return None


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def msiexec(*options):
    code, _, _ = session.run_to_end(["msiexec", *options, "/qn"], 300)
    return code


def probe(*options):
    code, out, err = session.run_to_end([args.fontprobe, *options], 120)
    if code != 0:
        raise SystemExit("fontprobe %s: %s" % (options, err))
    return winharness.parse_records(out)


def state():
    """The font table's values that name a file of the package or of the earlier one, the Fonts
    folder with sizes and times, the families GDI knows in a new process, and the faces of the
    Bold member's family."""
    ours = {name.lower() for _, name, _, _ in FONTS} | {name.lower() for _, name, _ in EARLIER}
    table = {r.text("name"): r.text("data") for r in probe("registry")
             if r.kind == "value" and r.text("data").lower().split("\\")[-1] in ours}
    folder = os.path.join(session.drive_c, "windows", "Fonts")
    files = {name: (os.stat(os.path.join(folder, name)).st_size,
                    os.stat(os.path.join(folder, name)).st_mtime_ns)
             for name in (os.listdir(folder) if os.path.isdir(folder) else [])}
    families = {r.text("name") for r in probe("families") if r.kind == "family"} & FAMILIES
    faces = {r.text("full") for r in probe("faces", winharness.to_hex("Nimbus Sans"))
             if r.kind == "face"}
    return table, files, families, faces


def installed_product(code):
    key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + code
    # A 32-bit package is recorded in the 32-bit view of a 64-bit system.
    return any(session.run_to_end(["reg", "query", key, view], 60)[0] == 0
               for view in ("/reg:32", "/reg:64"))


def install_earlier_fonts():
    """FontInstaller.exe, worked as a user works it: every font, the standard Fonts folder."""
    folder = os.path.join(session.drive_c, "earlier")
    os.makedirs(folder)
    shutil.copy(args.installer, os.path.join(folder, "FontInstaller.exe"))
    for _, name, _ in EARLIER:
        shutil.copy(os.path.join(args.fonts, name), os.path.join(folder, name))
    with open(os.path.join(folder, "FontList.txt"), "wb") as listed:
        listed.write("".join("%s,%s\r\n" % (face, name) for face, name, _ in EARLIER)
                     .encode("cp932"))
    driver = session.driver(args.uidriver)
    run = session.start_program(r"C:\earlier\FontInstaller.exe")
    try:
        hwnd = driver.wait(CAPTION, window_class="#32770")["hwnd"]
        driver.click(hwnd, IDC_SELECT_ALL)
        for _ in range(100):
            items = [c for c in driver.dump(hwnd).controls if c.id == IDC_FONT_LIST][0].items
            if items and all(item.flag("selected") for item in items):
                break
            time.sleep(0.05)
        driver.click(hwnd, IDOK)
        box = driver.wait(CAPTION, window_class="#32770", child_id=MSGBOX_TEXT_ID, owner=hwnd,
                          timeout_ms=90000)["hwnd"]
        text = driver.msgbox(box)[0].text("text")
        driver.click(box, IDOK)
        return text, run.wait(30)
    finally:
        run.stop()


shutil.rmtree(args.work, ignore_errors=True)
package = os.path.join(args.work, "package")
os.makedirs(package)
for face, name, source, _ in FONTS:
    shutil.copy(os.path.join(args.fonts, source), os.path.join(package, name))
with open(os.path.join(package, "FontList.txt"), "wb") as listed:
    listed.write("".join("%s,%s\r\n" % (face, name) for face, name, _, _ in FONTS).encode("cp932"))
first, second = build("1.0.0"), build("1.1.0")
# Japanese does not survive a Wine program's command line: the Windows build gets ASCII names,
# and the Linux tool the same, to compare.
linux_ascii = build("1.0.0", "Mihon Fonts", "Mihon", "linux-ascii.msi")
windows_built = os.path.join(args.work, "windows.msi")
expected_names = {name: registered_name(os.path.join(package, name)) for _, name, _, _ in FONTS}

winharness.ensure_template(args.template)
winharness.stop_all_on_signal()
with winharness.Xvfb() as screen:
    with winharness.WineSession(args.template, screen.display) as session:
        code, out, err = session.run_to_end(
            [args.fontlist_exe, "msi", windows_path(package), "--output",
             windows_path(windows_built), "--product-name", "Mihon Fonts", "--manufacturer",
             "Mihon"], 300)
        expect(code == 0 and os.path.exists(windows_built),
               "fontlist.exe msi writes the package through msi.dll and cabinet.dll (%d): %s%s"
               % (code, out, err))
        tables = subprocess.run(["msiinfo", "tables", linux_ascii], capture_output=True,
                                check=True).stdout.decode().split()
        expect(subprocess.run(["msiinfo", "tables", windows_built], capture_output=True)
               .stdout.decode().split() == tables, "it holds the tables the Linux tool writes")
        for table in tables:
            if table in ("_SummaryInformation",):
                continue
            ours, theirs = msi_table(windows_built, table), msi_table(linux_ascii, table)
            if table == "Property":  # a new ProductCode for every build
                ours = [line for line in ours if not line.startswith("ProductCode\t")]
                theirs = [line for line in theirs if not line.startswith("ProductCode\t")]
            expect(sorted(ours) == sorted(theirs), "its %s table is the Linux tool's" % table)
        summary = subprocess.run(["msiinfo", "suminfo", windows_built], capture_output=True,
                                 check=True).stdout.decode("cp932").splitlines()
        expected_summary = subprocess.run(["msiinfo", "suminfo", linux_ascii], capture_output=True,
                                          check=True).stdout.decode("cp932").splitlines()
        # A new PackageCode for every build; msibuild adds a character count of 0 of its own,
        # which belongs to transforms only.
        expect([l for l in summary if not l.startswith("Revision")] ==
               [l for l in expected_summary
                if not l.startswith("Revision") and l != "Restrict: 0 (0)"],
               "its summary information is the Linux tool's: %s" % summary)
        cabinet = os.path.join(args.work, "windows.cab")
        with open(cabinet, "wb") as out_file:
            subprocess.run(["msiinfo", "extract", windows_built, "fonts.cab"], stdout=out_file,
                           check=True)
        listing = subprocess.run(["gcab", "-t", cabinet], capture_output=True,
                                 check=True).stdout.decode().split()
        expect(sorted(listing) == ["Font%d" % (i + 1) for i in range(len(FONTS))],
               "its cabinet holds every font under its File key: %s" % listing)

        expect(msiexec("/i", windows_path(windows_built)) == 0,
               "msiexec /i /qn installs the package fontlist.exe wrote")
        table, files, families, faces = state()
        expect(installed_product(product_code(windows_built)) and families == FAMILIES and
               all(name in files for _, name, _, _ in FONTS),
               "its product is recorded, its files are in the Fonts folder, GDI knows every "
               "family: %s" % sorted(families))
        expect(msiexec("/x", windows_path(windows_built)) == 0 and
               not installed_product(product_code(windows_built)),
               "msiexec /x /qn removes its product")

    with winharness.WineSession(args.template, screen.display) as session:
        before = state()
        done, exit_code = install_earlier_fonts()
        expect(done == DONE and exit_code == 0,
               "FontInstaller.exe installs the earlier fonts: %r, exit %d" % (done, exit_code))
        earlier = state()
        earlier_values = {face + ending: name for face, name, ending in EARLIER}
        expect(all(earlier[0].get(value, "").lower().split("\\")[-1] == name.lower()
                   for value, name in earlier_values.items()) and
               all(name in earlier[1] for _, name, _ in EARLIER),
               "the earlier fonts' values and files are there: %s" % earlier[0])

        expect(msiexec("/i", windows_path(first)) == 0, "msiexec /i /qn installs the package")
        expect(installed_product(product_code(first)), "the product is recorded as installed")
        table, files, families, faces = state()
        for face, name, _, ending in FONTS:
            wanted = expected_names[name]
            got = {value: data for value, data in table.items()
                   if data.lower().endswith("\\fonts\\" + name.lower())}
            expect(got == ({wanted: got.get(wanted)} if wanted else {}) and
                   (wanted is None or got[wanted]),
                   "%s is registered under the name Windows Installer reads from it, %r: %r"
                   % (name, wanted, got))
            expect(name in files and files[name][0] == os.path.getsize(os.path.join(package, name)),
                   "%s is in the Fonts folder, whole" % name)
        expect(families == FAMILIES, "GDI knows every family: %s" % sorted(families))
        expect("NimbusSans-Bold" in faces, "GDI lists the Bold member in its family: %s" % faces)
        expect(all(table.get(value) == earlier[0][value] for value in earlier_values),
               "the earlier fonts' values are as the installer wrote them")

        expect(msiexec("/i", windows_path(first)) == 0, "installing it again succeeds")
        expect(state() == (table, files, families, faces), "the second install changes nothing")

        expect(msiexec("/i", windows_path(second)) == 0, "the newer version installs over it")
        expect(not installed_product(product_code(first)) and
               installed_product(product_code(second)),
               "the newer version removed the older product")
        upgraded = state()
        expect(upgraded[0] == table and set(upgraded[1]) == set(files) and
               upgraded[2] == FAMILIES,
               "after the upgrade every font is there once more, under the same names")
        expect(msiexec("/i", windows_path(first)) != 0 and state() == upgraded,
               "the older version is refused once the newer is there, and changes nothing")

        expect(msiexec("/x", windows_path(second)) == 0, "msiexec /x /qn removes the package")
        expect(not installed_product(product_code(second)), "the product is no longer installed")
        gone = state()
        expect(gone[0] == upgraded[0] and set(gone[1]) == set(upgraded[1]) and
               gone[2] == FAMILIES,
               "its fonts are permanent: every value and file stays: %s" % sorted(gone[0]))
        shared = EARLIER[0][1]
        with open(os.path.join(session.drive_c, "windows", "Fonts", shared), "rb") as kept, \
                open(os.path.join(args.fonts, shared), "rb") as original:
            same = kept.read() == original.read()
        expect(all(gone[0].get(value) == earlier[0][value] for value in earlier_values) and same,
               "the font FontInstaller.exe installed before keeps its value and its file")

print("route: %s" % winharness.ROUTE)
print("%d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
