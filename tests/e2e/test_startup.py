#!/usr/bin/python3
"""What a user sees when starting FontInstaller.exe, for each kind of package folder.

    /usr/bin/python3 test_startup.py --installer FontInstaller.exe --uidriver uidriver.exe \\
        --template WINE_TEMPLATE_DIR --artifacts ARTIFACTS_DIR [unittest options, e.g. -k missing]

Each scenario gets a fresh copy of the template prefix with the installer in C:\\pkg, started
from C:\\ so that a FontList.txt is only found beside the program. One Xvfb serves them all.
Screenshots are kept in the artifacts folder. Exits non-zero when a scenario fails.
"""

import argparse
import os
import subprocess
import sys
import time
import unittest

# No __pycache__ folders in the source tree.
sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "fonts"))

import winharness  # noqa: E402
from installer_ui import (  # noqa: E402
    CAPTION,
    IDOK,
    IDCANCEL,
    IDC_FONT_LIST,
    IDC_STANDARD_FOLDER,
    IDC_CHOSEN_FOLDER,
    IDC_DESTINATION,
    IDC_BROWSE,
    IDC_FONTS_FOLDER,
    IDC_SINGLE_FONT_NAME,
    MSGBOX_TEXT_ID,
    BST_CHECKED,
)
from make_fonts import FontSpec, save_font, write_font_list  # noqa: E402

MISSING_TEXT = "フォント情報ファイル「FontList.txt」が見つかりません。"
NO_DATA_TEXT = "フォント情報ファイル「FontList.txt」に有効なデータが記入されていません。"


INSTALLER = r"C:\pkg\FontInstaller.exe"
# Wine's Fonts folder; compared without regard to case.
WINE_FONTS_FOLDER = r"C:\windows\Fonts"
EXIT_TIMEOUT_S = 20

CONFIG = argparse.Namespace()
SCREEN = None


def setUpModule():
    global SCREEN
    winharness.ensure_template(CONFIG.template)
    SCREEN = winharness.Xvfb()
    unittest.addModuleCleanup(SCREEN.stop)
    SCREEN.start()


class WineTestCase(unittest.TestCase):
    """A fresh prefix per test, stopped again whatever happens."""

    def setUp(self):
        self.session = winharness.WineSession(CONFIG.template, SCREEN.display,
                                              keep=CONFIG.keep_prefix)
        self.addCleanup(self.session.stop)
        self.session.__enter__()
        self.driver = self.session.driver(CONFIG.uidriver)

    def screenshot(self, name):
        # Give the newly shown window a moment to finish painting.
        time.sleep(0.3)
        return SCREEN.screenshot(os.path.join(CONFIG.artifacts, name))


class HarnessTest(WineTestCase):
    def test_wait_times_out_with_exit_code_1(self):
        # The installer's exit codes are read the same way, so this also shows that a non-zero
        # code comes through Wine.
        result = self.driver.run("wait", "--caption-hex", winharness.to_hex("存在しない窓"),
                                 "--timeout-ms", "300")
        self.assertEqual(result.code, 1, result.stderr)
        self.assertEqual([r.kind for r in result.records], ["timeout"])


class StartupTest(WineTestCase):
    def setUp(self):
        super().setUp()
        self.package = self.session.make_package(CONFIG.installer)

    def start_installer(self):
        return self.session.start_program(INSTALLER)

    def assert_exit_code(self, run, expected=0):
        try:
            code = run.wait(EXIT_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            self.fail("the installer did not end within %d s; on screen:\n%s"
                      % (EXIT_TIMEOUT_S, self.driver.on_screen()))
        self.assertEqual(code, expected, "exit code; program output:\n" + run.log())

    def write_font_list(self, entries):
        """FontList.txt naming entries, with a real font file for each."""
        for spec, file_name in entries:
            save_font(spec, os.path.join(self.package, file_name))
        write_font_list(os.path.join(self.package, "FontList.txt"),
                        [(spec.face_name, file_name) for spec, file_name in entries])

    def expect_warning_then_exit(self, text, screenshot):
        run = self.start_installer()
        found = self.driver.wait(CAPTION, window_class="#32770", child_id=MSGBOX_TEXT_ID)
        self.screenshot(screenshot)
        box, *buttons = self.driver.msgbox(found["hwnd"])
        self.assertEqual(box.bytes("caption"), CAPTION.encode("cp932"))
        self.assertEqual(box.bytes("text"), text.encode("cp932"),
                         "message box says %r" % box.text("text"))
        self.assertEqual([b.number("id") for b in buttons], [IDOK], "one OK button")
        self.driver.click(found["hwnd"], IDOK)
        self.driver.wait_gone(found["hwnd"])
        self.assert_exit_code(run, 0)

    def open_main_dialog(self, screenshot):
        run = self.start_installer()
        found = self.driver.wait(CAPTION, window_class="#32770")
        self.screenshot(screenshot)
        dialog = self.driver.dump(found["hwnd"])
        self.assertIsNone(dialog.control(MSGBOX_TEXT_ID),
                          "a message box instead of the dialog:\n" + dialog.describe())
        self.assertEqual(dialog.caption, CAPTION.encode("cp932"))
        return run, dialog

    def control(self, dialog, control_id):
        control = dialog.control(control_id)
        self.assertIsNotNone(control, "no control %d in:\n%s" % (control_id, dialog.describe()))
        return control

    def close_with(self, run, dialog, control_id):
        self.driver.click(dialog.hwnd, control_id)
        self.driver.wait_gone(dialog.hwnd)
        self.assert_exit_code(run, 0)

    def test_missing_font_list(self):
        # A FontList.txt in the current folder must not count: only the one beside the program.
        write_font_list(os.path.join(self.session.drive_c, "FontList.txt"),
                        [("テスト明朝", "TestMincho.ttf")])
        self.expect_warning_then_exit(MISSING_TEXT, "startup_missing.png")

    def test_font_list_is_a_folder(self):
        os.mkdir(os.path.join(self.package, "FontList.txt"))
        self.expect_warning_then_exit(MISSING_TEXT, "startup_folder.png")

    def test_font_list_without_valid_line(self):
        lines = ["only one field", ",x.ttf", "a,b,c", "", "  ,  "]
        with open(os.path.join(self.package, "FontList.txt"), "wb") as out:
            out.write("".join(line + "\r\n" for line in lines).encode("cp932"))
        self.expect_warning_then_exit(NO_DATA_TEXT, "startup_no_data.png")

    def test_one_font_shows_single_font_dialog(self):
        self.write_font_list([(FontSpec("FI Test Mincho", "FITestMincho", "テスト明朝"),
                               "FITestMincho.ttf")])
        run, dialog = self.open_main_dialog("startup_single.png")
        self.assertEqual(self.control(dialog, IDC_SINGLE_FONT_NAME).text,
                         "テスト明朝".encode("cp932"))
        self.assertIsNone(dialog.control(IDC_FONT_LIST), "the single-font dialog has no list")
        self.assertEqual(self.control(dialog, IDC_STANDARD_FOLDER).checked, BST_CHECKED)
        self.assertNotEqual(self.control(dialog, IDC_CHOSEN_FOLDER).checked, BST_CHECKED)
        self.assertFalse(self.control(dialog, IDC_DESTINATION).enabled)
        self.assertFalse(self.control(dialog, IDC_BROWSE).enabled)
        fonts_folder = self.control(dialog, IDC_FONTS_FOLDER).text.decode("cp932")
        self.assertEqual(fonts_folder.lower(), WINE_FONTS_FOLDER.lower())
        self.close_with(run, dialog, IDCANCEL)

    def test_two_fonts_show_font_list(self):
        # Both "ソ" and "表" have 0x5C as their second CP932 byte.
        self.write_font_list([
            (FontSpec("FI Soft Hyoji", "FISoftHyoji", "ソフト表示"), "FISoftHyoji.ttf"),
            (FontSpec("FI Test Sans", "FITestSans", cff=True), "FITestSans.otf"),
        ])
        self.assertIn(b"\x83\x5c", "ソフト表示".encode("cp932"))
        run, dialog = self.open_main_dialog("startup_list.png")
        font_list = self.control(dialog, IDC_FONT_LIST)
        self.assertEqual([item.bytes("text") for item in font_list.items],
                         ["ソフト表示".encode("cp932"), b"FI Test Sans"])
        self.assertEqual([item.flag("selected") for item in font_list.items], [False, False])
        self.assertIsNone(dialog.control(IDC_SINGLE_FONT_NAME), "the list dialog has no name label")
        self.close_with(run, dialog, IDCANCEL)


def main():
    return winharness.run_module("FontInstaller start-up", __doc__, CONFIG, ("installer", "uidriver"))


if __name__ == "__main__":
    sys.exit(main())
