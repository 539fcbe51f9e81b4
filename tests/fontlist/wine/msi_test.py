#!/usr/bin/python3
"""A package built by the Linux `fontlist msi`, deployed the way an administrator does, with
Wine's msiexec (which implements the Font table): real fonts from Debian's packages, Japanese and
Latin, a Regular and a Bold member, a .ttc and an .otf.

    msi_test.py --fontlist LINUX_FONTLIST --fontlist-exe fontlist.exe --fontprobe fontprobe.exe \\
        --fonts REAL_FONTS_DIR --work WORK_DIR --template WINE_TEMPLATE_DIR

`msiexec /i /qn` must record each font under the name FontList.txt gives it, with the ending the
installer gives it, put each file in the Fonts folder and make each family known to GDI; a second
install changes nothing; a newer version replaces the older; an older one is refused once a newer
is there; `msiexec /x /qn` takes everything away. The Windows fontlist.exe says that it does not
build packages.
"""

import argparse
import os
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "e2e"))

import winharness  # noqa: E402

parser = argparse.ArgumentParser()
for option in ("fontlist", "fontlist-exe", "fontprobe", "fonts", "work", "template"):
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
failures = []


def expect(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def build(version):
    output = os.path.join(args.work, "fonts-%s.msi" % version)
    done = subprocess.run([args.fontlist, "msi", package, "--output", output, "--product-name",
                           PRODUCT, "--manufacturer", "見本社", "--product-version", version],
                          capture_output=True)
    if done.returncode != 0:
        raise SystemExit("fontlist msi failed: " + done.stdout.decode() + done.stderr.decode())
    return output


def product_code(msi):
    table = subprocess.run(["msiinfo", "export", msi, "Property"], capture_output=True,
                           check=True).stdout.decode()
    return dict(line.split("\t", 1) for line in table.splitlines()[3:])["ProductCode"]


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
    """Our fonts' values in the font table, the Fonts folder with sizes and times, the families
    GDI knows in a new process, and the faces of the Bold member's family."""
    ours = {face + ending for face, _, _, ending in FONTS}
    table = {r.text("name"): r.text("data") for r in probe("registry")
             if r.kind == "value" and r.text("name") in ours}
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


shutil.rmtree(args.work, ignore_errors=True)
package = os.path.join(args.work, "package")
os.makedirs(package)
for face, name, source, _ in FONTS:
    shutil.copy(os.path.join(args.fonts, source), os.path.join(package, name))
with open(os.path.join(package, "FontList.txt"), "wb") as listed:
    listed.write("".join("%s,%s\r\n" % (face, name) for face, name, _, _ in FONTS).encode("cp932"))
first, second = build("1.0.0"), build("1.1.0")

winharness.ensure_template(args.template)
winharness.stop_all_on_signal()
with winharness.Xvfb() as screen, winharness.WineSession(args.template, screen.display) as session:
    code, out, _ = session.run_to_end([args.fontlist_exe, "msi", windows_path(package)], 120)
    # The console's Japanese does not survive Wine's pipe; the names in it do.
    expect(code == 1 and "Linux" in out and "msitools" in out,
           "fontlist.exe msi says the package is built by the Linux tool, exit 1 (%d)" % code)

    before = state()
    expect(msiexec("/i", windows_path(first)) == 0, "msiexec /i /qn installs the package")
    expect(installed_product(product_code(first)), "the product is recorded as installed")
    table, files, families, faces = state()
    for face, name, _, ending in FONTS:
        expect(table.get(face + ending, "").lower().endswith("\\fonts\\" + name.lower()),
               "the font table names %s%s: %r" % (face, ending, table.get(face + ending)))
        expect(name in files and files[name][0] == os.path.getsize(os.path.join(package, name)),
               "%s is in the Fonts folder, whole" % name)
    expect(families == FAMILIES, "GDI knows every family: %s" % sorted(families))
    expect("NimbusSans-Bold" in faces, "GDI lists the Bold member in its family: %s" % faces)

    expect(msiexec("/i", windows_path(first)) == 0, "installing it again succeeds")
    expect(state() == (table, files, families, faces), "the second install changes nothing")

    expect(msiexec("/i", windows_path(second)) == 0, "the newer version installs over it")
    expect(not installed_product(product_code(first)) and installed_product(product_code(second)),
           "the newer version removed the older product")
    upgraded = state()
    expect(upgraded[0] == table and set(upgraded[1]) == set(files) and upgraded[2] == FAMILIES,
           "after the upgrade every font is there once more, under the same names")
    expect(msiexec("/i", windows_path(first)) != 0 and state() == upgraded,
           "the older version is refused once the newer is there, and changes nothing")

    expect(msiexec("/x", windows_path(second)) == 0, "msiexec /x /qn removes the package")
    gone = state()
    expect(gone[0] == {} and not set(gone[1]) & {name for _, name, _, _ in FONTS},
           "no value and no file of the package is left: %s %s" % (gone[0], sorted(gone[1])))
    expect(gone[2] == before[2], "GDI no longer knows the families: %s" % sorted(gone[2]))
    expect(not installed_product(product_code(second)), "the product is no longer installed")

print("route: %s" % winharness.ROUTE)
print("%d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
