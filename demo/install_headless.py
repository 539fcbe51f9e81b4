#!/usr/bin/python3
"""Works the installer's main dialog through a whole install, for a demo without a screen.

    /usr/bin/python3 demo/install_headless.py --uidriver uidriver.exe --fontprobe fontprobe.exe \\
        --hwnd MAIN_DIALOG --package PACKAGE_DIR

Runs in the Wine prefix and on the display given by WINEPREFIX and DISPLAY. Selects every font,
keeps the standard Fonts folder, presses the install button, reads and confirms the message the
installer shows, and prints what the registry's font table and the Fonts folder then hold for
the package's fonts, as UTF-8. Exit code 0 when the installer reported a completed install.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time
import unicodedata

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

import winharness  # noqa: E402
from installer_ui import (  # noqa: E402
    CAPTION,
    DONE,
    IDOK,
    IDC_FONT_LIST,
    IDC_SELECT_ALL,
    MSGBOX_TEXT_ID,
)

RUN_TIMEOUT_MS = 120000


class PrefixRunner:
    """Runs Windows programs to their end in the prefix of the environment (for Driver)."""

    def run_to_end(self, command, timeout):
        # Output to files: the wine server may hold a pipe open after the program has ended.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            process = subprocess.Popen([winharness.WINE, *command], stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=err)
            try:
                code = process.wait(timeout)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.wait()
            out.seek(0)
            err.seek(0)
            return (code, out.read().decode("ascii", "replace"),
                    err.read().decode("utf-8", "replace"))


def padded(text, width):
    """text filled with spaces to width terminal columns (full-width characters take two)."""
    columns = sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)
    return text + " " * max(0, width - columns)


def font_list(package):
    """(face, file) lines of the package's FontList.txt."""
    with open(os.path.join(package, "FontList.txt"), "rb") as f:
        text = f.read().decode("cp932")
    return [tuple(line.split(",", 1)) for line in text.splitlines() if "," in line]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--uidriver", required=True)
    parser.add_argument("--fontprobe", required=True)
    parser.add_argument("--hwnd", required=True, help="the main dialog, as uidriver wait gave it")
    parser.add_argument("--package", required=True, help="the package folder (Unix path)")
    args = parser.parse_args()

    runner = PrefixRunner()
    driver = winharness.Driver(runner, args.uidriver)
    hwnd = args.hwnd

    dialog = driver.dump(hwnd)
    if dialog.control(IDC_FONT_LIST) is not None:
        driver.click(hwnd, IDC_SELECT_ALL)
        deadline = time.monotonic() + 10
        while True:
            items = driver.dump(hwnd).control(IDC_FONT_LIST).items
            if all(item.flag("selected") for item in items) or time.monotonic() > deadline:
                break
            time.sleep(0.05)
        print("selected: %s" % ", ".join(item.text("text") for item in items))
    print("destination: %s" % dialog.control(1009).text.decode("cp932"))
    driver.click(hwnd, IDOK)
    print("installing...")

    found = driver.wait(CAPTION, window_class="#32770", child_id=MSGBOX_TEXT_ID,
                        owner=hwnd, timeout_ms=RUN_TIMEOUT_MS)
    box = driver.msgbox(found["hwnd"])[0]
    message = box.text("text")
    print("installer says: %s" % message)
    driver.click(found["hwnd"], IDOK)
    driver.wait_gone(found["hwnd"])

    code, stdout, stderr = runner.run_to_end([args.fontprobe, "registry"], 60)
    if code != 0:
        print("could not read the font table: %s" % stderr.strip(), file=sys.stderr)
        return 1
    values = {r.text("name"): r.text("data")
              for r in winharness.parse_records(stdout) if r.kind == "value"}
    fonts_folder = os.path.join(os.environ["WINEPREFIX"], "drive_c", "windows", "Fonts")
    print("\nregistry HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts:")
    for face, file_name in font_list(args.package):
        names = [n for n in values if n == face or n.startswith(face + " (")]
        for name in names:
            print("  %s = %s" % (padded(name, 32), values[name]))
        if not names:
            print("  %s   (no value)" % padded(face, 32))
    print("\nC:\\windows\\Fonts:")
    for face, file_name in font_list(args.package):
        path = os.path.join(fonts_folder, file_name)
        if os.path.isfile(path):
            print("  %-24s %8d bytes" % (file_name, os.path.getsize(path)))
        else:
            print("  %-24s (missing)" % file_name)
    return 0 if message == DONE else 1


if __name__ == "__main__":
    sys.exit(main())
