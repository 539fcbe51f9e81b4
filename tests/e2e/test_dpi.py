#!/usr/bin/python3
"""The installer's dialogs at 100 %, 150 % and 200 % (96, 144 and 192 DPI), under Wine.

    /usr/bin/python3 test_dpi.py --installer FontInstaller.exe --uidriver uidriver.exe \\
        --template WINE_TEMPLATE_DIR --artifacts ARTIFACTS_DIR [unittest options]

For each scale a prefix of its own gets that LogPixels value. There the installer shows the font
list dialog (129), a warning, and, in a run into a folder that holds a file of the same name, the
progress dialog (131) under the conflict dialog (133). Each is kept as a screenshot
(dpi<N>_*.png) and read back: every control's place, in dialog units, is the template's own at
every scale, no text overflows its control, no two controls overlap, the conflict dialog's icon
has the scale's size and the progress bar's range and position are those of 96 DPI.
"""

import argparse
import os
import re
import sys
import time
import unittest

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "fonts"))

import winharness  # noqa: E402
from installer_ui import (  # noqa: E402
    CAPTION, PROGRESS_CAPTION, IDOK, IDCANCEL, IDC_CHOSEN_FOLDER, IDC_DESTINATION,
    IDC_PROGRESS_BAR, IDC_RENAME, IDC_SELECT_ALL, MSGBOX_TEXT_ID,
)
from make_fonts import FontSpec, make_font, write_font_list  # noqa: E402

CONFIG = argparse.Namespace()
RC = os.path.join(HERE, "..", "..", "resources", "FontInstaller.rc")
RESOURCE_H = os.path.join(HERE, "..", "..", "resources", "resource.h")
FONT = ("ＭＳ Ｐゴシック", 9)
IDC_CONFLICT_ICON = 1019
# Room a check box or radio button keeps for its box, and a push button for its edges, at 96 DPI.
BOX_ROOM, BUTTON_EDGES = 16, 4


def templates():
    """The dialog templates of the resource script: id -> {control id: (x, y, cx, cy)}, and the
    client size of each."""
    ids = dict(re.findall(r"#define (\w+) (\d+)", open(RESOURCE_H, encoding="utf-8").read()))
    ids.update(IDOK="1", IDCANCEL="2")
    ids["-1"] = "-1"
    dialogs = {}
    current = None
    for line in open(RC, encoding="utf-8"):
        head = re.match(r"(IDD_\w+) DIALOG(?:EX)? 0, 0, (\d+), (\d+)", line)
        if head:
            current = {"size": (int(head[2]), int(head[3])), "controls": {}}
            dialogs[int(ids[head[1]])] = current
            continue
        control = re.match(r'\s+CONTROL .*?, (-?\w+), "\w+", .*?, (\d+), (\d+), (\d+), (\d+)\s*$',
                           line)
        if control and current is not None:
            current["controls"][int(ids[control[1]])] = tuple(int(v) for v in control.groups()[1:])
    return dialogs


TEMPLATES = templates()


def numbers(text):
    return tuple(int(v) for v in text.split(","))


class ScaleTest(unittest.TestCase):
    """One scale: its prefix, the installer on a two-font package, and the readings."""

    dpi = 96

    def setUp(self):
        self.screen = winharness.Xvfb()
        self.screen.start()
        self.addCleanup(self.screen.stop)
        self.session = winharness.WineSession(CONFIG.template, self.screen.display)
        self.session.__enter__()
        self.addCleanup(self.session.stop)
        for key in (r"HKCU\Control Panel\Desktop",
                    r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
            code, _, err = self.session.run_to_end(
                ["reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(self.dpi),
                 "/f"], 60)
            self.assertEqual(code, 0, err)
        self.driver = self.session.driver(CONFIG.uidriver)

    def shot(self, name):
        time.sleep(0.5)  # let the newest window finish painting
        self.screen.screenshot(os.path.join(CONFIG.artifacts, "dpi%d_%s.png" % (self.dpi, name)))

    def dump(self, hwnd):
        result = self.driver.run("dump", "--hwnd", hwnd, "--font-hex", winharness.to_hex(FONT[0]),
                                 "--font-points", str(FONT[1]))
        self.assertEqual(result.code, 0, result.stderr)
        layout = [r for r in result.records if r.kind == "layout"][0]
        controls = [r for r in result.records if r.kind == "control"]
        return layout, controls

    def check_layout(self, hwnd, template_id, moved=()):
        """Positions in dialog units are the template's; texts fit; nothing overlaps."""
        layout, controls = self.dump(hwnd)
        template = TEMPLATES[template_id]
        where = "dialog %d at %d DPI" % (template_id, self.dpi)
        self.assertEqual(layout.number("dpi"), self.dpi, where)
        self.assertEqual(numbers(layout["du"]), template["size"], where + ": client size")
        scale = self.dpi / 96
        placed = []
        for control in controls:
            cid = control.number("id")
            if cid not in template["controls"] or not control.flag("visible"):
                continue
            du = numbers(control["du"])
            want = template["controls"][cid]
            if cid in moved:
                self.assertEqual(du[:2], want[:2], "%s: control %d placed at" % (where, cid))
            else:
                self.assertEqual(du, want, "%s: control %d in dialog units" % (where, cid))
            x, y, w, h = numbers(control["rect"])
            tw, th = numbers(control["text-size"])
            style = int(control["style"], 16)
            text = control.text("text")
            if control["class"].lower() == "button" and text:
                kind = style & 0xF
                room = BOX_ROOM if kind in (2, 3, 4, 9) else BUTTON_EDGES
                self.assertLessEqual(tw, w - room * scale, "%s: %r is wider than its button"
                                     % (where, text))
                self.assertLessEqual(th, h, "%s: %r is taller than its button" % (where, text))
            elif control["class"].lower() == "static" and text and style & 0x1F != 3:
                self.assertLessEqual(tw, w, "%s: %r is wider than its control" % (where, text))
                self.assertLessEqual(th, h, "%s: %r is taller than its control" % (where, text))
            placed.append((cid, (x, y, x + w, y + h)))
        for i, (first, a) in enumerate(placed):
            for second, b in placed[i + 1:]:
                overlap = a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]
                self.assertFalse(overlap, "%s: controls %d %s and %d %s overlap"
                                 % (where, first, a, second, b))
        return {c.number("id"): c for c in controls}

    def test_dialogs(self):
        drive_c = self.session.drive_c
        package = self.session.make_package(CONFIG.installer, "dpi")
        fonts = [FontSpec("FI DPI Gothic", "FIDPIGothic", "スケール見本"),
                 FontSpec("FI DPI Sans", "FIDPISans")]
        for index, spec in enumerate(fonts):
            make_font(spec).save(os.path.join(package, "dpi%d.ttf" % index))
        write_font_list(os.path.join(package, "FontList.txt"),
                        [(spec.face_name, "dpi%d.ttf" % i) for i, spec in enumerate(fonts)])
        os.makedirs(os.path.join(drive_c, "clash"))
        with open(os.path.join(drive_c, "clash", "dpi0.ttf"), "wb") as f:
            f.write(b"not a font")

        run = self.session.start_program(r"C:\dpi\FontInstaller.exe")
        self.addCleanup(run.stop)
        main = self.driver.wait(CAPTION, window_class="#32770")["hwnd"]
        self.shot("129_font_list")
        self.check_layout(main, 129)

        # A warning: a folder of one's own chosen, but none typed.
        self.driver.click(main, IDC_SELECT_ALL)
        time.sleep(0.5)
        self.driver.check(main, IDC_CHOSEN_FOLDER)
        self.driver.click(main, IDOK)
        box = self.driver.wait(CAPTION, window_class="#32770", child_id=MSGBOX_TEXT_ID,
                               owner=main)["hwnd"]
        self.shot("warning")
        _, controls = self.dump(box)
        text = [c for c in controls if c.number("id") == MSGBOX_TEXT_ID][0]
        self.assertEqual(text.text("text"), "コピー先のフォルダを選択してください。")
        tw, th = numbers(text["text-size"])
        _, _, w, h = numbers(text["rect"])
        self.assertLessEqual((tw, th), (w, h), "the warning's text fits at %d DPI" % self.dpi)
        self.driver.click(box, IDOK)
        self.driver.wait_gone(box)

        # Into a folder with a file of the same name: the progress dialog under the question.
        self.driver.type_text(main, IDC_DESTINATION, r"C:\clash")
        self.driver.click(main, IDOK)
        progress = self.driver.wait(PROGRESS_CAPTION, window_class="#32770", owner=main)["hwnd"]
        conflict = self.driver.wait(CAPTION, window_class="#32770", child_id=IDC_RENAME,
                                    owner=progress)["hwnd"]
        self.shot("133_conflict_over_131_progress")
        shown = self.check_layout(conflict, 133, moved=(IDC_CONFLICT_ICON,))
        icon = numbers(shown[IDC_CONFLICT_ICON]["rect"])
        self.assertEqual(icon[2:], (32 * self.dpi // 96,) * 2, "the icon has the scale's size")
        bar = self.check_layout(progress, 131)[IDC_PROGRESS_BAR]
        # Two fonts, five steps of 20: the survey and the removal done, the first copy next.
        self.assertEqual((bar.number("min"), bar.number("max"), bar.number("pos")), (0, 100, 60),
                         "the progress bar at %d DPI" % self.dpi)
        self.driver.click(conflict, IDCANCEL)
        self.driver.wait_gone(conflict)
        self.driver.wait_gone(progress)
        self.driver.click(main, IDCANCEL)
        self.assertEqual(run.wait(30), 0)


class At96Dpi(ScaleTest):
    dpi = 96


class At144Dpi(ScaleTest):
    dpi = 144


class At192Dpi(ScaleTest):
    dpi = 192


del ScaleTest


def main():
    return winharness.run_module("FontInstaller at three scales", __doc__, CONFIG,
                                 ("installer", "uidriver"))


if __name__ == "__main__":
    sys.exit(main())
