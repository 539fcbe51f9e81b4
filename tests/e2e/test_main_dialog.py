#!/usr/bin/python3
"""The main dialog of FontInstaller.exe worked like a user would, under Wine on a virtual screen.

    /usr/bin/python3 test_main_dialog.py --installer FontInstaller.exe --uidriver uidriver.exe \\
        --template WINE_TEMPLATE_DIR --artifacts ARTIFACTS_DIR [unittest options]

One Wine session serves every scenario: two package folders (four fonts, and one font) are made
once, and each scenario starts the installer afresh and ends it. Screenshots of the list dialog,
the single-font dialog and the folder browser are kept in the artifacts folder.
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
    BROWSE_TITLE,
    IDOK,
    IDCANCEL,
    IDC_FONT_LIST,
    IDC_SELECT_ALL,
    IDC_STANDARD_FOLDER,
    IDC_CHOSEN_FOLDER,
    IDC_DESTINATION,
    IDC_BROWSE,
    IDC_DESELECT_ALL,
    IDC_SINGLE_FONT_NAME,
    MSGBOX_TEXT_ID,
)
from make_fonts import FontSpec, save_font, write_font_list  # noqa: E402


# FontList.txt order, deliberately not alphabetical (nor in CP932 byte order).
LIST_FONTS = [
    (FontSpec("FI Zeta Gothic", "FIZetaGothic"), "FIZetaGothic.ttf"),
    (FontSpec("FI Test Mincho", "FITestMincho", "テスト明朝"), "FITestMincho.ttf"),
    (FontSpec("FI Alpha Sans", "FIAlphaSans"), "FIAlphaSans.ttf"),
    (FontSpec("FI Soft Hyoji", "FISoftHyoji", "ソフト表示"), "FISoftHyoji.ttf"),
]
SINGLE_FONT = (FontSpec("FI Single Round", "FISingleRound", "ひとつ丸ゴ"), "FISingleRound.ttf")

LIST_PACKAGE = r"C:\pkg\FontInstaller.exe"
SINGLE_PACKAGE = r"C:\single\FontInstaller.exe"
# A folder to pick in the browser; made before the installer starts.
CHOSEN_FOLDER = r"C:\pkg\保存先"
EXIT_TIMEOUT_S = 20
STATE_TIMEOUT_S = 10

CONFIG = argparse.Namespace()
SCREEN = None
SESSION = None


def setUpModule():
    global SCREEN, SESSION
    winharness.ensure_template(CONFIG.template)
    SCREEN = winharness.Xvfb()
    unittest.addModuleCleanup(SCREEN.stop)
    SCREEN.start()
    SESSION = winharness.WineSession(CONFIG.template, SCREEN.display, keep=CONFIG.keep_prefix)
    unittest.addModuleCleanup(SESSION.stop)
    SESSION.__enter__()
    for folder, entries in (("pkg", LIST_FONTS), ("single", [SINGLE_FONT])):
        package = SESSION.make_package(CONFIG.installer, folder)
        for spec, file_name in entries:
            save_font(spec, os.path.join(package, file_name))
        write_font_list(os.path.join(package, "FontList.txt"),
                        [(spec.face_name, file_name) for spec, file_name in entries])
    os.makedirs(os.path.join(SESSION.drive_c, "pkg", "保存先"))


class MainDialogCase(unittest.TestCase):
    """Starts the installer for each test and makes sure it has ended afterwards."""

    package = LIST_PACKAGE

    def setUp(self):
        self.driver = SESSION.driver(CONFIG.uidriver)
        self.run_ = SESSION.start_program(self.package)
        self.addCleanup(self.end_installer)
        found = self.driver.wait(CAPTION, window_class="#32770")
        self.hwnd = found["hwnd"]

    def end_installer(self):
        if self.run_.running():
            try:
                self.driver.close(self.hwnd)
                self.run_.wait(EXIT_TIMEOUT_S)
            except Exception:  # a failed test may leave anything on screen; stop it by its id
                self.run_.stop()

    def dump(self):
        return self.driver.dump(self.hwnd)

    def control(self, dialog, control_id):
        control = dialog.control(control_id)
        self.assertIsNotNone(control, "no control %d in:\n%s" % (control_id, dialog.describe()))
        return control

    def selection(self, dialog=None):
        dialog = dialog or self.dump()
        return [item.flag("selected") for item in self.control(dialog, IDC_FONT_LIST).items]

    def until(self, what, read, expected):
        """Reads until read() gives expected (clicks are posted, so they land a little later)."""
        deadline = time.monotonic() + STATE_TIMEOUT_S
        while True:
            value = read()
            if value == expected or time.monotonic() > deadline:
                break
            time.sleep(0.05)
        self.assertEqual(value, expected, what)

    def assert_ends_with_exit_code_0(self):
        try:
            code = self.run_.wait(EXIT_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            self.fail("the installer did not end within %d s; on screen:\n%s"
                      % (EXIT_TIMEOUT_S, self.driver.on_screen()))
        self.assertEqual(code, 0, "exit code; program output:\n" + self.run_.log())

    def screenshot(self, name):
        time.sleep(0.3)  # let the newest window finish painting
        return SCREEN.screenshot(os.path.join(CONFIG.artifacts, name))


class FontListTest(MainDialogCase):
    def test_fonts_in_file_order_none_selected(self):
        dialog = self.dump()
        self.screenshot("main_dialog_129.png")
        items = self.control(dialog, IDC_FONT_LIST).items
        self.assertEqual([item.bytes("text") for item in items],
                         [spec.face_name.encode("cp932") for spec, _ in LIST_FONTS])
        self.assertEqual(self.selection(dialog), [False] * 4)

    def test_select_all_then_deselect_all(self):
        self.driver.select(self.hwnd, IDC_FONT_LIST, 1)
        self.driver.click(self.hwnd, IDC_SELECT_ALL)
        self.until("after 全て選択", self.selection, [True] * 4)
        self.driver.click(self.hwnd, IDC_DESELECT_ALL)
        self.until("after 全て解除", self.selection, [False] * 4)

    def test_click_ctrl_click_and_shift_click(self):
        self.driver.select(self.hwnd, IDC_FONT_LIST, 0)
        self.driver.select(self.hwnd, IDC_FONT_LIST, 2, ctrl=True)
        self.driver.select(self.hwnd, IDC_FONT_LIST, 3, ctrl=True)
        self.assertEqual(self.selection(), [True, False, True, True])
        self.driver.select(self.hwnd, IDC_FONT_LIST, 2, ctrl=True)  # Ctrl-click again: off
        self.assertEqual(self.selection(), [True, False, False, True])
        self.driver.select(self.hwnd, IDC_FONT_LIST, 1)  # a plain click keeps only that one
        self.assertEqual(self.selection(), [False, True, False, False])
        self.driver.select(self.hwnd, IDC_FONT_LIST, 3, shift=True)  # the range from item 1
        self.assertEqual(self.selection(), [False, True, True, True])

    def test_enter_in_the_list_runs_the_install_button_and_the_dialog_stays(self):
        # Nothing selected: the install command refuses with its message, owned by the dialog,
        # and the dialog stays as it was.
        before = self.dump()
        self.driver.select(self.hwnd, IDC_FONT_LIST, 1)
        self.driver.select(self.hwnd, IDC_FONT_LIST, 1, ctrl=True)  # and off again, in focus
        self.assertEqual(self.selection(), [False, False, False, False])
        self.assertEqual(self.driver.key(self.hwnd, "enter").number("id"), IDC_FONT_LIST)
        found = self.driver.wait(CAPTION, window_class="#32770", child_id=MSGBOX_TEXT_ID,
                                 owner=self.hwnd)
        box, *buttons = self.driver.msgbox(found["hwnd"])
        self.assertEqual(box.bytes("text"), "インストールするフォントを選択してください。".encode("cp932"))
        self.assertEqual([b.number("id") for b in buttons], [IDOK])
        self.driver.click(found["hwnd"], IDOK)
        self.driver.wait_gone(found["hwnd"])
        after = self.dump()
        self.assertTrue(self.run_.running())
        self.assertEqual(self.selection(after), [False, False, False, False])
        for control_id in (IDC_STANDARD_FOLDER, IDC_CHOSEN_FOLDER, IDC_DESTINATION, IDC_BROWSE):
            was, now = self.control(before, control_id), self.control(after, control_id)
            self.assertEqual((now.text, now.enabled, now.record.fields.get("check")),
                             (was.text, was.enabled, was.record.fields.get("check")),
                             "control %d" % control_id)
        self.assertEqual(self.driver.on_screen().count("\n"), 0, "only the main dialog is open")


class DestinationTest(MainDialogCase):
    def destination(self):
        dialog = self.dump()
        edit, browse = self.control(dialog, IDC_DESTINATION), self.control(dialog, IDC_BROWSE)
        return (self.control(dialog, IDC_STANDARD_FOLDER).checked,
                self.control(dialog, IDC_CHOSEN_FOLDER).checked,
                edit.enabled, browse.enabled, edit.text.decode("cp932"))

    def test_radio_pair_enables_and_disables_and_keeps_the_text(self):
        self.assertEqual(self.destination(), (1, 0, False, False, ""))
        self.driver.check(self.hwnd, IDC_CHOSEN_FOLDER)
        self.until("after コピー先を指定する", self.destination, (0, 1, True, True, ""))
        self.driver.type_text(self.hwnd, IDC_DESTINATION, r"D:\フォント\ソ表")
        self.driver.check(self.hwnd, IDC_STANDARD_FOLDER)
        self.until("after 標準のフォントフォルダ", self.destination,
                   (1, 0, False, False, r"D:\フォント\ソ表"))
        self.driver.check(self.hwnd, IDC_CHOSEN_FOLDER)
        self.until("chosen again", self.destination, (0, 1, True, True, r"D:\フォント\ソ表"))

    def open_browser(self):
        self.driver.click(self.hwnd, IDC_BROWSE)
        found = self.driver.wait(None, window_class="#32770", owner=self.hwnd)
        return self.driver.dump(found["hwnd"])

    def test_folder_browser_cancel_then_choose(self):
        self.driver.check(self.hwnd, IDC_CHOSEN_FOLDER)
        self.driver.type_text(self.hwnd, IDC_DESTINATION, "typed by hand")

        browser = self.open_browser()
        self.screenshot("folder_browser.png")
        texts = [control.text for control in browser.controls]
        self.assertIn(BROWSE_TITLE.encode("cp932"), texts, browser.describe())
        self.assertIn("SysTreeView32", [control.class_name for control in browser.controls])
        self.assertFalse(self.dump().record.flag("enabled"), "the browser is modal")
        self.driver.click(browser.hwnd, IDCANCEL)
        self.driver.wait_gone(browser.hwnd)
        self.until("after cancel", lambda: self.destination()[4], "typed by hand")
        self.assertTrue(self.dump().record.flag("enabled"))

        browser = self.open_browser()
        self.driver.browse(browser.hwnd, CHOSEN_FOLDER)
        self.driver.click(browser.hwnd, IDOK)
        self.driver.wait_gone(browser.hwnd)
        self.until("after choosing a folder", lambda: self.destination()[4].lower(),
                   CHOSEN_FOLDER.lower())


class ClosingTest(MainDialogCase):
    def test_escape_ends_the_program_with_0(self):
        self.driver.select(self.hwnd, IDC_FONT_LIST, 1)
        self.assertEqual(self.driver.key(self.hwnd, "esc").number("id"), IDC_FONT_LIST)
        self.driver.wait_gone(self.hwnd)
        self.assert_ends_with_exit_code_0()

    def test_close_button_ends_the_program_with_0(self):
        self.driver.click(self.hwnd, IDCANCEL)
        self.driver.wait_gone(self.hwnd)
        self.assert_ends_with_exit_code_0()

    def test_enter_on_the_close_button_presses_it(self):
        # Tab order: list, install button, close button. Enter goes to the focused push button
        # rather than to the default one.
        self.driver.select(self.hwnd, IDC_FONT_LIST, 0)
        self.driver.key(self.hwnd, "tab")
        self.driver.key(self.hwnd, "tab")
        self.assertEqual(self.driver.key(self.hwnd, "enter").number("id"), IDCANCEL)
        self.driver.wait_gone(self.hwnd)
        self.assert_ends_with_exit_code_0()


class SingleFontTest(MainDialogCase):
    package = SINGLE_PACKAGE

    def test_names_its_font_and_escape_closes(self):
        dialog = self.dump()
        self.screenshot("main_dialog_132.png")
        self.assertEqual(self.control(dialog, IDC_SINGLE_FONT_NAME).text,
                         SINGLE_FONT[0].face_name.encode("cp932"))
        self.assertIsNone(dialog.control(IDC_FONT_LIST))
        self.driver.key(self.hwnd, "esc")
        self.driver.wait_gone(self.hwnd)
        self.assert_ends_with_exit_code_0()


def main():
    return winharness.run_module("FontInstaller main dialog", __doc__, CONFIG, ("installer", "uidriver"))


if __name__ == "__main__":
    sys.exit(main())
