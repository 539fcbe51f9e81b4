"""The two release artefacts as a user receives them: the Windows ZIP and the Linux package.

    check_release.py VERSION ZIP DEB

The ZIP must hold one folder, FontInstaller-VERSION/, with both programs, the guide, the licence
and the runtime notices as CP932 text with CR LF. The Debian package must install fontlist, its
manual page, the guide in UTF-8, its changelog and the licence as its copyright file, pass
lintian without an error or a warning, and the fontlist it holds must be hardened, run and print
its version.
"""

import gzip
import os
import subprocess
import sys
import tempfile
import zipfile

version, zip_path, deb_path = sys.argv[1:4]
failures = []


def expect(condition, what):
    print(("ok   " if condition else "FAIL ") + what)
    if not condition:
        failures.append(what)


def has_licence_and_notices(text):
    return ("MIT License" in text and "mingw-w64" in text and "winpthreads" in text
            and "GCC RUNTIME LIBRARY EXCEPTION" in text)


# The ZIP.
top = "FontInstaller-%s/" % version
with zipfile.ZipFile(zip_path) as archive:
    names = archive.namelist()
    files = sorted(name[len(top):] for name in names if name.startswith(top) and name != top)
    expect(all(name.startswith(top) for name in names),
           "every entry of the ZIP lies in %s: %s" % (top, names))
    wanted = ["FontInstaller.exe", "FontMakerGuide.txt", "LICENSE.txt",
              "THIRD-PARTY-NOTICES.txt", "fontlist.exe"]
    expect(files == wanted, "the ZIP holds %s: %s" % (wanted, files))
    texts = {}
    for name in wanted:
        if name.endswith(".txt") and top + name in names:
            texts[name] = archive.read(top + name)
    for name, data in texts.items():
        expect(b"\r\n" in data and b"\n" not in data.replace(b"\r\n", b""),
               "%s has CR LF line ends only" % name)
    notices = texts.get("LICENSE.txt", b"").decode("cp932") + \
        texts.get("THIRD-PARTY-NOTICES.txt", b"").decode("cp932")
    expect(has_licence_and_notices(notices),
           "the ZIP carries the MIT licence and the notices of the MinGW-w64 runtime, "
           "winpthreads and the GCC runtime")
    guide = texts.get("FontMakerGuide.txt", b"").decode("cp932")
    expect("fontlist" in guide, "the guide reads as CP932")

# The Debian package.
expect(os.path.basename(deb_path) == "fontlist_%s_amd64.deb" % version,
       "the package is named fontlist_%s_amd64.deb" % version)
fields = subprocess.run(["dpkg-deb", "-f", deb_path, "Package", "Version", "Architecture"],
                        capture_output=True, text=True, check=True).stdout
expect(fields.split() == ["Package:", "fontlist", "Version:", version, "Architecture:", "amd64"],
       "the control fields name fontlist %s for amd64: %r" % (version, fields))
depends = subprocess.run(["dpkg-deb", "-f", deb_path, "Depends"], capture_output=True, text=True,
                         check=True).stdout
expect({"msitools", "gcab"} <= {d.split()[0] for d in depends.split(",") if d.strip()},
       "the package depends on msitools and gcab, which fontlist msi runs: %r" % depends.strip())
listing = subprocess.run(["dpkg-deb", "--fsys-tarfile", deb_path], capture_output=True,
                         check=True).stdout
contents = subprocess.run(["tar", "-t"], input=listing, capture_output=True,
                          check=True).stdout.decode().split()
files = sorted(name for name in contents if not name.endswith("/"))
wanted = ["./usr/bin/fontlist", "./usr/share/doc/fontlist/changelog.gz",
          "./usr/share/doc/fontlist/copyright",
          "./usr/share/doc/fontlist/fontmaker-guide.txt", "./usr/share/man/man1/fontlist.1.gz"]
expect(files == wanted, "the package installs %s: %s" % (wanted, files))
with tempfile.TemporaryDirectory() as root:
    subprocess.run(["dpkg-deb", "-x", deb_path, root], check=True)
    done = subprocess.run([os.path.join(root, "usr/bin/fontlist"), "--version"],
                          capture_output=True, text=True)
    expect(done.returncode == 0 and done.stdout == "fontlist %s\n" % version,
           "the packaged fontlist prints its version: %r" % done.stdout)
    copyright_text = open(os.path.join(root, "usr/share/doc/fontlist/copyright")).read()
    expect(copyright_text.startswith("Format: https://www.debian.org/doc/packaging-manuals/"
                                     "copyright-format/1.0/\n")
           and "License: Expat\n Permission is hereby granted" in copyright_text
           and "mingw" not in copyright_text.lower(),
           "the copyright file gives the MIT licence machine-readably, without the notices of "
           "the Windows runtimes")
    changelog = gzip.open(os.path.join(root, "usr/share/doc/fontlist/changelog.gz")).read()
    expect(changelog.decode().startswith("fontlist (%s) " % version),
           "the changelog's newest entry is version %s" % version)
    program = os.path.join(root, "usr/bin/fontlist")
    dynamic = subprocess.run(["readelf", "-d", "-l", "-s", "--wide", program],
                             capture_output=True, text=True, check=True).stdout
    expect("GNU_RELRO" in dynamic and "BIND_NOW" in dynamic and "_chk@" in dynamic,
           "the packaged fontlist has full RELRO, binds now and uses fortified functions")
    guide = open(os.path.join(root, "usr/share/doc/fontlist/fontmaker-guide.txt"), "rb").read()
    expect("FontList.txt" in guide.decode("utf-8") and b"\r" not in guide,
           "the packaged guide is UTF-8 with LF line ends")
    page = os.path.join(root, "usr/share/man/man1/fontlist.1.gz")
    source = gzip.open(page).read().decode()
    expect(source.startswith('.TH FONTLIST 1 ') and ("fontlist %s" % version) in source,
           "the manual page names fontlist %s" % version)
    shown = subprocess.run(["man", "--warnings", "-l", page], capture_output=True, text=True,
                           env=dict(os.environ, MANWIDTH="80", MANPAGER="cat", PAGER="cat"))
    expect(shown.returncode == 0 and "fontlist make" in shown.stdout and "fontlist msi" in
           shown.stdout and not shown.stderr,
           "man renders the page without a warning: %s" % shown.stderr.strip())

linted = subprocess.run(["lintian", "--fail-on", "error,warning", deb_path],
                        capture_output=True, text=True)
expect(linted.returncode == 0,
       "lintian finds no error or warning: %s" % linted.stdout.strip())

print("%d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
