#!/usr/bin/python3
"""Fonts installed by the real FontInstaller.exe, worked like a user would, under Wine.

    /usr/bin/python3 test_install.py --installer FontInstaller.exe --uidriver uidriver.exe \\
        --fontprobe fontprobe.exe --fontlist fontlist.exe --template WINE_TEMPLATE_DIR \\
        --artifacts ARTIFACTS_DIR \\
        [unittest options]

One Wine session serves every scenario. Each scenario has packages and folders of its own and
fonts whose face names no other scenario uses, so what one run leaves behind cannot be taken for
the work of another. After each run the test reads the registry's font table and the GDI
families through fontprobe.exe (a new process, so it sees what the system loads at start), the
files on the Unix side of the prefix, the messages shown and the exit code.

Screenshots of the main, progress and conflict dialogs are kept in the artifacts folder.
"""

import argparse
import os
import subprocess
import sys
import threading
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
    PROGRESS_CAPTION,
    DONE,
    IDOK,
    IDCANCEL,
    IDC_FONT_LIST,
    IDC_SELECT_ALL,
    IDC_CHOSEN_FOLDER,
    IDC_DESTINATION,
    IDC_PROGRESS_BAR,
    IDC_PROGRESS_TEXT,
    IDC_RENAME,
    IDC_SAME_FOR_FOLLOWING,
    IDC_CONFLICT_MESSAGE,
    MSGBOX_TEXT_ID,
)
from make_fonts import FontSpec, make_font, save_collection, write_font_list  # noqa: E402


REG_SZ = 1

FONTS_FOLDER = r"C:\windows\Fonts"
# Large enough that its copy takes a few seconds under Wine, so that the test can act during it.
LARGE_PADDING = 64 * 1024 * 1024
EXIT_TIMEOUT_S = 30
STATE_TIMEOUT_S = 15
RUN_TIMEOUT_MS = 90000
MAKE_TEST_FONTS = os.path.join(HERE, "..", "fontlist", "make_test_fonts.py")

CONFIG = argparse.Namespace()
SCREEN = None
SESSION = None


# ---- fonts and packages ------------------------------------------------------------------------


def ttf(spec, padding=0):
    """A font file maker: the font, with zero bytes after it when padding is given."""

    def write(path):
        make_font(spec).save(path)
        if padding:
            with open(path, "ab") as out:
                out.truncate(os.path.getsize(path) + padding)

    return write


def ttc(*specs):
    return lambda path: save_collection(specs, path)


def make_package(folder, entries):
    """A package in C:\\<folder>: the installer, each (face, file, maker) and FontList.txt.

    A maker of None leaves the file out, as a package with a missing file would. A file name
    may name a subfolder (sub\\a.ttf)."""
    package = SESSION.make_package(CONFIG.installer, folder)
    for _, file_name, maker in entries:
        if maker is not None:
            path = os.path.join(package, *file_name.split("\\"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            maker(path)
    write_font_list(os.path.join(package, "FontList.txt"),
                    [(face, file_name) for face, file_name, _ in entries])
    return "C:\\%s\\FontInstaller.exe" % folder


def unix_path(windows_path):
    """The Unix path of a C: path of the prefix (file names are UTF-8 on the Unix side)."""
    assert windows_path[:3].upper() == "C:\\", windows_path
    return os.path.join(SESSION.drive_c, *[p for p in windows_path[3:].split("\\") if p])


def read_bytes(windows_path):
    with open(unix_path(windows_path), "rb") as f:
        return f.read()


def package_file(folder, file_name):
    return read_bytes("C:\\%s\\%s" % (folder, file_name))


def put_file(windows_path, data):
    path = unix_path(windows_path)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


# ---- what the system knows ---------------------------------------------------------------------


def probe(*args):
    for attempt in range(3):
        code, stdout, stderr = SESSION.run_to_end([CONFIG.fontprobe, *args], 60)
        # As for the driver: a new Wine process may die in glibc's allocator while Wine sets it
        # up. The probe's listings only look, so they are run again.
        if not (code == 41 and "malloc()" in stderr and args[0] != "remove" and attempt < 2):
            break
        sys.stderr.write("fontprobe %s: Wine died starting it; once more\n" % args[0])
    if code != 0:
        raise AssertionError("fontprobe %s failed (exit %d): %s" % (args, code, stderr))
    return winharness.parse_records(stdout)


def font_table():
    """The registry's font table: value name -> (type, data), as text."""
    return {r.text("name"): (r.number("type"), r.text("data"))
            for r in probe("registry") if r.kind == "value"}


def gdi_families():
    """Face names EnumFontFamiliesA reports in a new process."""
    return {r.text("name") for r in probe("families") if r.kind == "family"}


def values_for(table, face):
    """The font-table values that belong to a face name: the face with or without an ending."""
    return {name: value for name, value in table.items()
            if name == face or (name.startswith(face + " (") and name.endswith(")"))}


def fonts_folder_listing():
    return sorted(os.listdir(unix_path(FONTS_FOLDER)))


def setUpModule():
    global SCREEN, SESSION
    winharness.ensure_template(CONFIG.template)
    SCREEN = winharness.Xvfb()
    unittest.addModuleCleanup(SCREEN.stop)
    SCREEN.start()
    SESSION = winharness.WineSession(CONFIG.template, SCREEN.display, keep=CONFIG.keep_prefix)
    unittest.addModuleCleanup(SESSION.stop)
    SESSION.__enter__()


# ---- working the installer ---------------------------------------------------------------------


class InstallCase(unittest.TestCase):
    """Starts the installer on a package and makes sure it has ended afterwards."""

    def start(self, package):
        self.driver = SESSION.driver(CONFIG.uidriver)
        self.run_ = SESSION.start_program(package)
        self.addCleanup(self.end_installer)
        try:
            self.hwnd = self.driver.wait(CAPTION, window_class="#32770")["hwnd"]
        except winharness.DriverError as error:
            state = "still running" if self.run_.running() else "ended"
            raise AssertionError("%s\ninstaller %s; its output:\n%s"
                                 % (error, state, self.run_.log())) from error

    def end_installer(self):
        if self.run_.running():
            try:
                self.driver.close(self.hwnd)
                self.run_.wait(EXIT_TIMEOUT_S)
            except Exception:  # a failed test may leave anything on screen; stop it by its id
                self.run_.stop()

    def control(self, dialog, control_id):
        control = dialog.control(control_id)
        self.assertIsNotNone(control, "no control %d in:\n%s" % (control_id, dialog.describe()))
        return control

    def until(self, what, read, expected, timeout=STATE_TIMEOUT_S):
        """Reads until read() gives expected (clicks are posted, so they land a little later)."""
        deadline = time.monotonic() + timeout
        while True:
            value = read()
            if value == expected or time.monotonic() > deadline:
                break
            time.sleep(0.05)
        self.assertEqual(value, expected, what)

    def select_all(self):
        self.driver.click(self.hwnd, IDC_SELECT_ALL)

        def selection():
            items = self.control(self.driver.dump(self.hwnd), IDC_FONT_LIST).items
            return all(item.flag("selected") for item in items) and len(items) > 0

        self.until("every font selected", selection, True)

    def choose_folder(self, folder):
        self.driver.check(self.hwnd, IDC_CHOSEN_FOLDER)
        self.driver.type_text(self.hwnd, IDC_DESTINATION, folder)

    def install(self):
        self.driver.click(self.hwnd, IDOK)

    def wait_progress(self):
        return self.driver.wait(PROGRESS_CAPTION, window_class="#32770", owner=self.hwnd)["hwnd"]

    def wait_message(self, owner, timeout_ms=RUN_TIMEOUT_MS):
        """The next message box owned by owner: (hwnd, text, [button ids])."""
        try:
            found = self.driver.wait(CAPTION, window_class="#32770", child_id=MSGBOX_TEXT_ID,
                                     owner=owner, timeout_ms=timeout_ms)
        except winharness.DriverError as error:
            raise AssertionError("%s\nmessages on screen: %r" % (error, self.messages_shown()))
        box, *buttons = self.driver.msgbox(found["hwnd"])
        self.assertEqual(box.text("caption"), CAPTION)
        return found["hwnd"], box.text("text"), [b.number("id") for b in buttons]

    def messages_shown(self):
        """The texts of the message boxes on screen, whoever owns them, for failure reports."""
        texts = []
        for window in self.windows_on_screen():
            result = self.driver.run("msgbox", "--hwnd", window["hwnd"])
            if result.code == 0:
                texts.append(result.records[0].text("text"))
        return texts

    def answer_ok(self, box):
        self.driver.click(box, IDOK)
        self.driver.wait_gone(box)

    def expect_message(self, owner, text):
        box, shown, buttons = self.wait_message(owner)
        self.assertEqual(shown, text)
        self.assertEqual(buttons, [IDOK])
        self.answer_ok(box)

    def expect_completion(self):
        """The completion message, owned by the main dialog; then the program ends with 0."""
        self.expect_message(self.hwnd, DONE)
        self.driver.wait_gone(self.hwnd)
        self.assert_ends_with_exit_code_0()

    def assert_ends_with_exit_code_0(self):
        try:
            code = self.run_.wait(EXIT_TIMEOUT_S)
        except subprocess.TimeoutExpired:
            self.fail("the installer did not end within %d s; on screen:\n%s"
                      % (EXIT_TIMEOUT_S, self.driver.on_screen()))
        self.assertEqual(code, 0, "exit code; program output:\n" + self.run_.log())

    def windows_on_screen(self):
        return [r for r in self.driver.run("list").records if r.kind == "window"]

    def assert_only_main_dialog(self):
        """The run is over and left nothing open but the main dialog."""
        shown = [(w["hwnd"], w.text("caption")) for w in self.windows_on_screen()]
        self.assertEqual(shown, [(self.hwnd, CAPTION)])
        self.assertTrue(self.run_.running())

    def close_and_expect_exit_code_0(self):
        self.driver.click(self.hwnd, IDCANCEL)
        self.driver.wait_gone(self.hwnd)
        self.assert_ends_with_exit_code_0()

    def screenshot(self, name):
        time.sleep(0.3)  # let the newest window finish painting
        return SCREEN.screenshot(os.path.join(CONFIG.artifacts, name))

    # checks of the system's state

    def assert_registered(self, table, face, data, ending=" (TrueType)"):
        self.assertEqual(values_for(table, face), {face + ending: (REG_SZ, data)})

    def assert_not_registered(self, table, face):
        self.assertEqual(values_for(table, face), {})

    def assert_same_file(self, installed, source):
        self.assertTrue(os.path.isfile(unix_path(installed)), installed)
        self.assertEqual(read_bytes(installed), source, installed)


def spy_for_progress(test):
    """Starts waiting for the progress dialog at once, in the background: a run of small fonts
    may be over before a wait started after the click would look."""
    seen = {}

    def wait():
        try:
            seen["hwnd"] = test.driver.wait(PROGRESS_CAPTION, window_class="#32770",
                                            owner=test.hwnd, timeout_ms=20000)["hwnd"]
        except AssertionError as error:
            seen["error"] = error

    thread = threading.Thread(target=wait)
    thread.start()
    return thread, seen


# ---- the standard Fonts folder ------------------------------------------------------------------

GOTHIC = FontSpec("FI E2E Gothic", "FIE2EGothic")
SOFT = FontSpec("FI E2E Soft", "FIE2ESoft", "ソフト表示")  # ソ and 表 end in byte 0x5C
COLL_A = FontSpec("FI E2E Coll A", "FIE2ECollA", "コレクション壱")
COLL_B = FontSpec("FI E2E Coll B", "FIE2ECollB")
OPEN = FontSpec("FI E2E Open", "FIE2EOpen", cff=True)

FIRST_PACKAGE = [
    (GOTHIC.face_name, "FIE2EGothic.ttf", ttf(GOTHIC)),
    (SOFT.face_name, "FIE2ESoft.ttf", ttf(SOFT)),
    (COLL_A.face_name, "FIE2EColl.ttc", ttc(COLL_A, COLL_B)),
    (OPEN.face_name, "FIE2EOpen.otf", ttf(OPEN)),
]
# Three of the face names again, in files of other names. (ソフト表示 has a test of its own.)
SECOND_PACKAGE = [
    (GOTHIC.face_name, "gothic-2.ttf", ttf(GOTHIC)),
    (COLL_A.face_name, "coll-2.ttc", ttc(COLL_A, COLL_B)),
    (OPEN.face_name, "open-2.otf", ttf(OPEN)),
]
SOFT_AGAIN = [(SOFT.face_name, "ソフト表示2.ttf", ttf(SOFT))]


def can_unload(windows_path):
    """Whether RemoveFontResourceA takes the font away in a new process (only in the probe's)."""
    return probe("remove", winharness.to_hex(windows_path))[0].number("result") != 0


def ending_for(file_name):
    return " (OpenType)" if file_name.endswith(".otf") else " (TrueType)"


class A1StandardFolderTest(InstallCase):
    """Runs in order: the second install replaces what the first one installed."""

    def install_package_into_fonts_folder(self, folder, entries, screenshot=None):
        table = font_table()
        self.start(make_package(folder, entries))
        self.select_all()
        if screenshot:
            self.screenshot(screenshot)
            spy, seen = spy_for_progress(self)
            time.sleep(1)  # until the watcher is up: the run of small fonts is quick
            self.install()
            spy.join()
            self.assertNotIn("error", seen, "no progress dialog was seen")
        else:
            self.install()
        self.expect_completion()
        return table

    def assert_installed(self, folder, entries):
        table = font_table()
        for face, file_name, _ in entries:
            self.assert_registered(table, face, file_name, ending_for(file_name))
            self.assert_same_file(FONTS_FOLDER + "\\" + file_name, package_file(folder, file_name))
        families = gdi_families()
        faces = {face for face, _, _ in entries}
        if COLL_A.face_name in faces:
            faces.add(COLL_B.face_name)  # the collection's second face comes along
        self.assertLessEqual(faces, families)

    def test_1_fresh_install_of_several_fonts(self):
        before = self.install_package_into_fonts_folder("std1", FIRST_PACKAGE,
                                                        "main_dialog_all_selected.png")
        for face, _, _ in FIRST_PACKAGE:
            self.assert_not_registered(before, face)
        self.assert_installed("std1", FIRST_PACKAGE)

    def test_2_same_faces_from_another_package_replace_the_first(self):
        for _, file_name, _ in FIRST_PACKAGE:
            if file_name != "FIE2ESoft.ttf":
                self.assertTrue(can_unload(FONTS_FOLDER + "\\" + file_name),
                                "this Wine cannot unload %s" % file_name)
        self.install_package_into_fonts_folder("std2", SECOND_PACKAGE)
        self.assert_installed("std2", SECOND_PACKAGE)
        listing = fonts_folder_listing()
        for _, file_name, _ in FIRST_PACKAGE:
            if file_name != "FIE2ESoft.ttf":
                self.assertNotIn(file_name, listing, "the replaced font's file is deleted")

    def test_3_japanese_named_font_again_from_another_package(self):
        # Wine, unlike Windows, may keep a font it loaded at start from the Fonts folder: its
        # RemoveFontResourceA has been seen to refuse the Japanese-named ones. The installer must
        # then say so, leave the font as it was and open the Fonts folder.
        old_path = FONTS_FOLDER + r"\FIE2ESoft.ttf"
        if can_unload(old_path):
            self.install_package_into_fonts_folder("std-soft", SOFT_AGAIN)
            self.assert_installed("std-soft", SOFT_AGAIN)
            self.assertNotIn("FIE2ESoft.ttf", fonts_folder_listing())
            return
        print("\n  Wine does not unload %s: expecting the removal warning" % old_path)
        self.start(make_package("std-soft", SOFT_AGAIN))
        self.install()
        progress = self.wait_progress()
        self.expect_message(progress, "フォント「ソフト表示」の削除に失敗しました。\n"
                                      "コントロールパネルのフォントを使って削除してから、"
                                      "再度実行してください。")
        self.driver.wait_gone(progress)
        self.assertTrue(self.run_.running(), "the main dialog stays after a stopped run")
        self.assertEqual(self.driver.dump(self.hwnd).caption.decode("cp932"), CAPTION)
        # The installer opens the Fonts folder for the user; Wine's explorer shows it as "Fonts".
        fonts_window = self.driver.wait("Fonts", timeout_ms=30000)["hwnd"]
        self.driver.close(fonts_window)
        self.driver.wait_gone(fonts_window)
        self.close_and_expect_exit_code_0()
        self.assert_registered(font_table(), SOFT.face_name, "FIE2ESoft.ttf")
        self.assert_same_file(old_path, package_file("std1", "FIE2ESoft.ttf"))
        self.assertNotIn("ソフト表示2.ttf", fonts_folder_listing())

    def test_4_unregistered_file_in_fonts_folder_gets_a_number(self):
        stranger = b"a file nobody registered"
        put_file(FONTS_FOLDER + r"\a.ttf", stranger)
        spec = FontSpec("FI E2E Numbered", "FIE2ENumbered")
        self.start(make_package("std3", [(spec.face_name, "a.ttf", ttf(spec))]))
        self.install()  # the single-font dialog: nothing to select
        # Nothing is asked: the completion message is the next window the installer shows.
        self.expect_completion()
        table = font_table()
        self.assert_registered(table, spec.face_name, "a1.ttf")
        self.assertEqual(read_bytes(FONTS_FOLDER + r"\a.ttf"), stranger)
        self.assert_same_file(FONTS_FOLDER + r"\a1.ttf", package_file("std3", "a.ttf"))
        self.assertIn(spec.face_name, gdi_families())


# ---- a folder of the user's choice -------------------------------------------------------------


class B1ChosenFolderTest(InstallCase):
    def test_new_folder_two_levels_deep(self):
        # The last character, 表, ends in byte 0x5C: a backslash must still be appended.
        folder = r"C:\新しいフォルダ\ソフト表"
        chosen = FontSpec("FI E2E Chosen", "FIE2EChosen")
        hyoji = FontSpec("FI E2E Hyoji", "FIE2EHyoji", "表示用ゴシック")
        entries = [(chosen.face_name, "chosen.ttf", ttf(chosen)),
                   (hyoji.face_name, "表示用.ttf", ttf(hyoji))]
        self.assertFalse(os.path.exists(unix_path(r"C:\新しいフォルダ")))
        self.start(make_package("chosen", entries))
        self.select_all()
        self.choose_folder(folder)
        self.install()
        self.expect_completion()
        self.assertTrue(os.path.isdir(unix_path(folder)))
        table = font_table()
        for face, file_name, _ in entries:
            self.assert_registered(table, face, folder + "\\" + file_name)
            self.assert_same_file(folder + "\\" + file_name, package_file("chosen", file_name))
        families = gdi_families()
        for face, _, _ in entries:
            self.assertIn(face, families)


    def test_same_faces_again_into_another_folder(self):
        # Unlike in the Fonts folder, an old file outside the destination is left where it is;
        # only its registration and its loaded font go.
        moved = FontSpec("FI E2E Moved", "FIE2EMoved")
        moved_jp = FontSpec("FI E2E Moved J", "FIE2EMovedJ", "移動明朝")
        for run, folder in ((1, r"C:\first"), (2, r"C:\second")):
            entries = [(moved.face_name, "m%d.ttf" % run, ttf(moved)),
                       (moved_jp.face_name, "j%d.ttf" % run, ttf(moved_jp))]
            self.start(make_package("moved%d" % run, entries))
            self.select_all()
            self.choose_folder(folder)
            self.install()
            self.expect_completion()
            table = font_table()
            for face, file_name, _ in entries:
                self.assert_registered(table, face, folder + "\\" + file_name)
        self.assertEqual(sorted(os.listdir(unix_path(r"C:\first"))), ["j1.ttf", "m1.ttf"])
        self.assertEqual(sorted(os.listdir(unix_path(r"C:\second"))), ["j2.ttf", "m2.ttf"])
        self.assertLessEqual({moved.face_name, moved_jp.face_name}, gdi_families())


class B2ConflictTest(InstallCase):
    """An unregistered a.ttf in the chosen folder, and each answer to the question."""

    stranger = b"a file of the user's, not a font"

    def start_clash(self, name, entries, strangers=("a.ttf",)):
        folder = "C:\\%s" % name
        for file_name in strangers:
            put_file(folder + "\\" + file_name, self.stranger)
        self.start(make_package(name + "-pkg", entries))
        if len(entries) > 1:
            self.select_all()
        self.choose_folder(folder)
        self.install()
        self.progress = self.wait_progress()
        return folder

    def wait_conflict(self, face, file_name):
        """The conflict dialog, owned by the progress dialog, with its message and buttons."""
        found = self.driver.wait(CAPTION, window_class="#32770", child_id=IDC_RENAME,
                                 owner=self.progress)
        dialog = self.driver.dump(found["hwnd"])
        self.assertEqual(self.control(dialog, IDC_CONFLICT_MESSAGE).text.decode("cp932"),
                         "%s のファイル「%s」は既に存在します。" % (face, file_name))
        texts = {c.id: c.text.decode("cp932") for c in dialog.controls}
        self.assertEqual((texts[IDOK], texts[IDC_RENAME], texts[IDCANCEL],
                          texts[IDC_SAME_FOR_FOLLOWING]),
                         ("上書き", "別名で保存", "ｷｬﾝｾﾙ", "以降のフォントも同様"))
        self.assertEqual(self.control(dialog, IDC_SAME_FOR_FOLLOWING).checked, 0)
        return found["hwnd"]

    def answer(self, dialog, button):
        self.driver.click(dialog, button)
        self.driver.wait_gone(dialog)

    def complete_pressing_overwrite(self):
        """Presses 上書き, for every font, on any conflict dialog until the run's message shows;
        expects the completion message and the end of the program. Returns the presses."""
        overwrites = 0
        deadline = time.monotonic() + RUN_TIMEOUT_MS / 1000
        message = None
        while message is None and time.monotonic() < deadline:
            for window in self.windows_on_screen():
                if window["hwnd"] == self.hwnd or window.text("caption") != CAPTION:
                    continue
                shown = self.driver.dump(window["hwnd"])
                if shown.control(IDC_RENAME) is not None:
                    self.driver.check(window["hwnd"], IDC_SAME_FOR_FOLLOWING)
                    self.answer(window["hwnd"], IDOK)
                    overwrites += 1
                elif shown.control(MSGBOX_TEXT_ID) is not None:
                    message = (window["hwnd"], shown.control(MSGBOX_TEXT_ID).text)
            time.sleep(0.2)
        self.assertIsNotNone(message, "no message after the install")
        self.assertEqual(message[1].decode("cp932"), DONE)
        self.answer_ok(message[0])
        self.driver.wait_gone(self.hwnd)
        self.assert_ends_with_exit_code_0()
        return overwrites

    def test_overwrite(self):
        spec = FontSpec("FI E2E Overwrite", "FIE2EOverwrite")
        folder = self.start_clash("clash1", [(spec.face_name, "a.ttf", ttf(spec))])
        dialog = self.wait_conflict(spec.face_name, "a.ttf")
        self.screenshot("conflict_dialog.png")
        self.answer(dialog, IDOK)
        self.expect_completion()
        self.assert_registered(font_table(), spec.face_name, folder + r"\a.ttf")
        self.assert_same_file(folder + r"\a.ttf", package_file("clash1-pkg", "a.ttf"))
        self.assertEqual(sorted(os.listdir(unix_path(folder))), ["a.ttf"])

    def test_the_packages_own_folder_is_no_clash_and_its_files_stay(self):
        # Each target is the package's own file: already in place, so nothing is asked, copied
        # or deleted. Were a clash asked about, 上書き for every font is what a user would press.
        first = FontSpec("FI E2E Own Folder", "FIE2EOwnFolder")
        second = FontSpec("FI E2E Own Folder J", "FIE2EOwnFolderJ", "自前明朝")
        entries = [(first.face_name, "own.ttf", ttf(first)),
                   (second.face_name, "自前.ttf", ttf(second))]
        self.start(make_package("ownpkg", entries))
        before = {name: package_file("ownpkg", name) for name in ("own.ttf", "自前.ttf")}
        self.select_all()
        self.choose_folder(r"C:\ownpkg")
        self.install()
        self.assertEqual(self.complete_pressing_overwrite(), 0)
        table = font_table()
        for face, file_name, _ in entries:
            self.assert_registered(table, face, "C:\\ownpkg\\" + file_name)
            self.assertEqual(package_file("ownpkg", file_name), before[file_name])
        self.assertEqual(sorted(os.listdir(unix_path(r"C:\ownpkg"))),
                         sorted(["FontInstaller.exe", "FontList.txt", "own.ttf", "自前.ttf"]))
        self.assertLessEqual({first.face_name, second.face_name}, gdi_families())

    def test_lines_not_chosen_keep_their_files(self):
        # One face on two lines (f.otf, f.ttf), and a chosen sub\b.ttf whose name is that of the
        # unchosen b.ttf. Two runs into the package's own folder, one line of the face each.
        face = FontSpec("FI E2E Two Lines", "FIE2ETwoLines")
        kept = FontSpec("FI E2E Not Chosen", "FIE2ENotChosen")
        chosen = FontSpec("FI E2E Same Name", "FIE2ESameName")
        entries = [(face.face_name, "f.otf", ttf(face)),
                   (face.face_name, "f.ttf", ttf(face, padding=4096)),
                   (kept.face_name, "b.ttf", ttf(kept)),
                   (chosen.face_name, "sub\\b.ttf", ttf(chosen))]
        package = make_package("twolinespkg", entries)
        before = {name: package_file("twolinespkg", name) for _, name, _ in entries}
        for run, lines in enumerate(([0, 3], [1])):
            self.start(package)
            for i, line in enumerate(lines):
                self.driver.select(self.hwnd, IDC_FONT_LIST, line, ctrl=i > 0)
            self.choose_folder(r"C:\twolinespkg")
            self.install()
            self.complete_pressing_overwrite()
            for name in before:
                self.assertEqual(package_file("twolinespkg", name), before[name],
                                 "%s after run %d" % (name, run + 1))
        table = font_table()
        self.assert_registered(table, face.face_name, r"C:\twolinespkg\f.ttf")
        self.assert_registered(table, chosen.face_name, r"C:\twolinespkg\b1.ttf")
        self.assert_same_file(r"C:\twolinespkg\b1.ttf", before["sub\\b.ttf"])
        self.assert_not_registered(table, kept.face_name)

    def test_save_under_another_name(self):
        spec = FontSpec("FI E2E Renamed", "FIE2ERenamed", "別名明朝")
        folder = self.start_clash("clash2", [(spec.face_name, "a.ttf", ttf(spec))])
        self.answer(self.wait_conflict(spec.face_name, "a.ttf"), IDC_RENAME)
        self.expect_completion()
        self.assert_registered(font_table(), spec.face_name, folder + r"\a1.ttf")
        self.assert_same_file(folder + r"\a1.ttf", package_file("clash2-pkg", "a.ttf"))
        self.assertEqual(read_bytes(folder + r"\a.ttf"), self.stranger)

    def test_cancel_stops_the_run_and_keeps_what_it_installed(self):
        before = FontSpec("FI E2E Before Cancel", "FIE2EBeforeCancel")
        stopped = FontSpec("FI E2E Cancelled", "FIE2ECancelled")
        folder = self.start_clash("clash3", [(before.face_name, "b.ttf", ttf(before)),
                                             (stopped.face_name, "a.ttf", ttf(stopped))])
        self.answer(self.wait_conflict(stopped.face_name, "a.ttf"), IDCANCEL)
        # No message: the progress dialog goes and the main dialog stays for another try.
        self.driver.wait_gone(self.progress)
        time.sleep(0.5)
        self.assert_only_main_dialog()
        table = font_table()
        self.assert_registered(table, before.face_name, folder + r"\b.ttf")
        self.assert_not_registered(table, stopped.face_name)
        self.assertEqual(read_bytes(folder + r"\a.ttf"), self.stranger)
        self.assertEqual(sorted(os.listdir(unix_path(folder))), ["a.ttf", "b.ttf"])
        self.close_and_expect_exit_code_0()

    def test_cancel_with_the_checkbox_ticked_numbers_the_next_run_unasked(self):
        spec = FontSpec("FI E2E Later Run", "FIE2ELaterRun")
        folder = self.start_clash("clash5", [(spec.face_name, "a.ttf", ttf(spec))])
        dialog = self.wait_conflict(spec.face_name, "a.ttf")
        self.driver.check(dialog, IDC_SAME_FOR_FOLLOWING)
        self.answer(dialog, IDCANCEL)
        self.driver.wait_gone(self.progress)
        self.assert_only_main_dialog()
        self.assert_not_registered(font_table(), spec.face_name)
        # The same process, a second press: the ticked box still holds, so nothing is asked and
        # the clash gets a numbered name.
        self.install()
        self.expect_completion()
        self.assert_registered(font_table(), spec.face_name, folder + r"\a1.ttf")
        self.assertEqual(read_bytes(folder + r"\a.ttf"), self.stranger)
        self.assertEqual(sorted(os.listdir(unix_path(folder))), ["a.ttf", "a1.ttf"])

    def test_checkbox_carries_the_answer_to_the_next_clash(self):
        first = FontSpec("FI E2E Carry A", "FIE2ECarryA")
        second = FontSpec("FI E2E Carry C", "FIE2ECarryC")
        folder = self.start_clash("clash4", [(first.face_name, "a.ttf", ttf(first)),
                                             (second.face_name, "c.ttf", ttf(second))],
                                  strangers=("a.ttf", "c.ttf"))
        dialog = self.wait_conflict(first.face_name, "a.ttf")
        self.driver.check(dialog, IDC_SAME_FOR_FOLLOWING)
        self.answer(dialog, IDC_RENAME)
        # No second question: the completion message is the next window shown.
        self.expect_completion()
        table = font_table()
        self.assert_registered(table, first.face_name, folder + r"\a1.ttf")
        self.assert_registered(table, second.face_name, folder + r"\c1.ttf")
        for file_name in ("a.ttf", "c.ttf"):
            self.assertEqual(read_bytes(folder + "\\" + file_name), self.stranger)
        self.assertEqual(sorted(os.listdir(unix_path(folder))),
                         ["a.ttf", "a1.ttf", "c.ttf", "c1.ttf"])


# ---- refusals ------------------------------------------------------------------------------------

PRESENT = FontSpec("FI E2E Present", "FIE2EPresent")
MISSING_FACE = "FI E2E Missing"
REFUSAL_PACKAGE = [(PRESENT.face_name, "present.ttf", ttf(PRESENT)),
                   (MISSING_FACE, "missing.ttf", None)]


class C1RefusalTest(InstallCase):
    """Each refusal leaves the system as it was and the main dialog open."""

    @classmethod
    def setUpClass(cls):
        cls.package = make_package("refuse", REFUSAL_PACKAGE)

    def setUp(self):
        self.table = font_table()
        self.listing = fonts_folder_listing()
        self.start(self.package)

    def assert_nothing_changed(self):
        self.assertEqual(font_table(), self.table)
        self.assertEqual(fonts_folder_listing(), self.listing)

    def test_nothing_selected(self):
        self.install()
        self.expect_message(self.hwnd, "インストールするフォントを選択してください。")
        self.assert_only_main_dialog()
        self.assert_nothing_changed()
        self.close_and_expect_exit_code_0()

    def test_chosen_folder_left_empty(self):
        self.driver.select(self.hwnd, IDC_FONT_LIST, 0)
        self.driver.check(self.hwnd, IDC_CHOSEN_FOLDER)
        self.install()
        self.expect_message(self.hwnd, "コピー先のフォルダを選択してください。")
        self.assert_only_main_dialog()
        self.assert_nothing_changed()
        self.close_and_expect_exit_code_0()

    def test_missing_font_file(self):
        self.select_all()
        self.install()
        progress = self.wait_progress()
        self.expect_message(progress, "ファイルmissing.ttfが見つかりません。")
        self.driver.wait_gone(progress)
        self.assert_only_main_dialog()
        self.assert_nothing_changed()
        self.close_and_expect_exit_code_0()


# ---- other users of the machine ----------------------------------------------------------------


class E1OtherUsersTest(InstallCase):
    """Another user swaps the chosen folder for a link to a folder of someone else's, at the
    moment between the installer's check and its delete. Wine follows such a (Unix) link, so what
    keeps the file there is the check on the handle the delete is made through."""

    victim = b"a file the installer never made"

    def swap_for_link(self, folder, target):
        os.rename(unix_path(folder), unix_path(folder + "-real"))
        os.symlink(unix_path(target), unix_path(folder))

    def test_a_link_swapped_in_while_the_clash_dialog_is_open_costs_no_file(self):
        spec = FontSpec("FI E2E Swap Clash", "FIE2ESwapClash")
        put_file(r"C:\swap1\a.ttf", b"a file of the user's, not a font")
        put_file(r"C:\victim1\a.ttf", self.victim)
        self.start(make_package("swap1-pkg", [(spec.face_name, "a.ttf", ttf(spec))]))
        self.choose_folder(r"C:\swap1")
        self.install()
        progress = self.wait_progress()
        dialog = self.driver.wait(CAPTION, window_class="#32770", child_id=IDC_RENAME,
                                  owner=progress)["hwnd"]
        self.swap_for_link(r"C:\swap1", r"C:\victim1")
        self.driver.click(dialog, IDOK)
        self.driver.wait_gone(dialog)
        self.expect_message(progress, r"ファイル C:\swap1\a.ttf の削除に失敗しました。")
        self.driver.wait_gone(progress)
        self.assertEqual(read_bytes(r"C:\victim1\a.ttf"), self.victim)
        self.assertEqual(read_bytes(r"C:\swap1-real\a.ttf"), b"a file of the user's, not a font")
        self.assert_not_registered(font_table(), spec.face_name)
        self.close_and_expect_exit_code_0()

    def test_a_link_swapped_in_before_cancel_costs_no_file(self):
        spec = FontSpec("FI E2E Swap Cancel", "FIE2ESwapCancel")
        os.makedirs(unix_path(r"C:\swap2"))
        put_file(r"C:\victim2\big.ttf", self.victim)
        self.start(make_package("swap2-pkg", [(spec.face_name, "big.ttf",
                                               ttf(spec, LARGE_PADDING))]))
        self.choose_folder(r"C:\swap2")
        self.install()
        progress = self.wait_progress()

        def copying():
            dialog = self.driver.dump(progress)
            return self.control(dialog, IDC_PROGRESS_BAR).record.number("pos") > 75

        self.until("copy under way", copying, True, timeout=60)
        self.swap_for_link(r"C:\swap2", r"C:\victim2")
        self.driver.click(progress, IDCANCEL)
        self.driver.wait_gone(progress)
        time.sleep(0.5)
        self.assert_only_main_dialog()
        self.assertEqual(read_bytes(r"C:\victim2\big.ttf"), self.victim)
        # Windows deletes the partial file with its handle. Wine unlinks it by its Unix name
        # when the handle closes, finds another file there now and leaves it: a leftover in the
        # real folder is Wine's, the file kept in the link's target is the installer's doing.
        self.assert_not_registered(font_table(), spec.face_name)
        self.close_and_expect_exit_code_0()

    def test_a_folder_whose_parent_others_may_empty_is_refused_before_anything_changes(self):
        # Wine keeps a folder's DACL as Unix permissions: a folder others may write reads as
        # Everyone with write, DELETE and FILE_DELETE_CHILD.
        spec = FontSpec("FI E2E Shared Parent", "FIE2ESharedParent")
        os.makedirs(unix_path(r"C:\shared\fonts"))
        os.chmod(unix_path(r"C:\shared"), 0o777)
        package = make_package("shared-pkg", [(spec.face_name, "s.ttf", ttf(spec))])
        self.start(package)
        self.choose_folder(r"C:\shared\fonts\new")
        self.install()
        box, shown, _ = self.wait_message(self.hwnd)
        self.assertTrue(shown.startswith("フォルダ「C:\\shared\\fonts\\new\\」には、ほかのユーザが"
                                         "フォントを置き換えられるため、インストールできません。"),
                        shown)
        self.assertIn("標準のフォントフォルダ", shown)
        self.answer_ok(box)
        self.assert_only_main_dialog()
        self.assertFalse(os.path.exists(unix_path(r"C:\shared\fonts\new")))
        self.assert_not_registered(font_table(), spec.face_name)
        # Closed to others again, the same folder takes the font.
        os.chmod(unix_path(r"C:\shared"), 0o770)
        self.install()
        self.expect_completion()
        self.assert_registered(font_table(), spec.face_name, r"C:\shared\fonts\new\s.ttf")

    def test_a_level_that_is_a_unix_link_is_refused_wherever_it_leads(self):
        # Wine lists a Unix link to a folder as a reparse point (FindFirstFileA), but a handle
        # opened on it, with FILE_FLAG_OPEN_REPARSE_POINT too, is the folder it leads to: no
        # reparse point, no tag, that folder's owner, DACL and final path. The installer takes
        # the listing's word: such a level is a link.
        spec = FontSpec("FI E2E Linked Level", "FIE2ELinkedLevel")
        os.makedirs(unix_path(r"C:\linktarget\fonts"))
        os.chmod(unix_path(r"C:\linktarget"), 0o777)
        os.symlink(unix_path(r"C:\linktarget"), unix_path(r"C:\linklevel"))
        self.start(make_package("linklevel-pkg", [(spec.face_name, "l.ttf", ttf(spec))]))
        refusal = ("」には、ほかのユーザがフォントを置き換えられるため、インストールできません。\n"
                   "標準のフォントフォルダを選ぶと、安全にインストールできます。")
        # To a folder others may change, and once it is closed to them: refused either way.
        for mode in (0o777, 0o755):
            os.chmod(unix_path(r"C:\linktarget"), mode)
            self.choose_folder(r"C:\linklevel\fonts")
            self.install()
            self.expect_message(self.hwnd, "フォルダ「C:\\linklevel\\fonts\\" + refusal)
            self.assert_only_main_dialog()
            self.assertEqual(os.listdir(unix_path(r"C:\linktarget\fonts")), [])
        self.assert_not_registered(font_table(), spec.face_name)
        # The same folder named where it lies takes the font.
        self.choose_folder(r"C:\linktarget\fonts")
        self.install()
        self.expect_completion()
        self.assert_registered(font_table(), spec.face_name, r"C:\linktarget\fonts\l.ttf")


# ---- a slow copy --------------------------------------------------------------------------------


class D1SlowCopyTest(InstallCase):
    def wait_copying(self, progress, face, start):
        """Until the progress dialog shows face's copy under way, past its start position."""

        def copying():
            dialog = self.driver.dump(progress)
            text = self.control(dialog, IDC_PROGRESS_TEXT).text.decode("cp932")
            position = self.control(dialog, IDC_PROGRESS_BAR).record.number("pos")
            return text == face + " をインストールしています。" and position > start

        self.until("copy of %s under way" % face, copying, True, timeout=60)

    def test_cancel_during_the_copy_of_a_large_file(self):
        small = FontSpec("FI E2E Small", "FIE2ESmall")
        large = FontSpec("FI E2E Large", "FIE2ELarge", "大きい明朝")
        self.start(make_package("slow1", [(small.face_name, "small.ttf", ttf(small)),
                                          (large.face_name, "large.ttf",
                                           ttf(large, LARGE_PADDING))]))
        self.select_all()
        self.install()
        progress = self.wait_progress()
        # Two fonts: five steps of 20; the second font's copy runs from 80 to 100.
        self.wait_copying(progress, large.face_name, 80)
        self.screenshot("progress_dialog.png")
        started = time.monotonic()
        self.driver.click(progress, IDCANCEL)
        self.driver.wait_gone(progress)
        print("\n  cancel took effect after %.2f s" % (time.monotonic() - started))
        time.sleep(0.5)
        self.assert_only_main_dialog()  # no warning
        table = font_table()
        self.assert_registered(table, small.face_name, "small.ttf")
        self.assert_same_file(FONTS_FOLDER + r"\small.ttf", package_file("slow1", "small.ttf"))
        self.assert_not_registered(table, large.face_name)
        self.assertFalse([name for name in fonts_folder_listing() if name.startswith("large")],
                         "no partial file")
        self.close_and_expect_exit_code_0()

    def test_install_and_close_are_held_during_the_copy(self):
        held = FontSpec("FI E2E Held", "FIE2EHeld")
        self.start(make_package("slow2", [(held.face_name, "held.ttf",
                                           ttf(held, LARGE_PADDING))]))
        self.install()
        progress = self.wait_progress()
        # One font: four steps of 25; its copy runs from 75 to 100.
        self.wait_copying(progress, held.face_name, 75)
        self.driver.click(self.hwnd, IDOK)
        self.driver.click(self.hwnd, IDCANCEL)
        self.driver.close(self.hwnd)
        time.sleep(0.5)
        # Still the one run: one progress dialog, and the main dialog is still there.
        progress_dialogs = [w["hwnd"] for w in self.windows_on_screen()
                            if w.text("caption") == PROGRESS_CAPTION]
        self.assertEqual(progress_dialogs, [progress],
                         "a second run, or the first one ended too early")
        main = self.driver.dump(self.hwnd)
        self.assertEqual((main.caption.decode("cp932"), main.record.flag("visible"),
                          main.record.flag("enabled")), (CAPTION, True, True),
                         "the main dialog stays as it was under the run")
        self.expect_completion()
        table = font_table()
        self.assert_registered(table, held.face_name, "held.ttf")
        self.assert_same_file(FONTS_FOLDER + r"\held.ttf", package_file("slow2", "held.ttf"))
        self.assertEqual([n for n in fonts_folder_listing() if n.startswith("held")],
                         ["held.ttf"])


class E1FontMakersListTest(InstallCase):
    """A FontList.txt written by the font maker's tool, fontlist.exe, in the same prefix."""

    def fontlist(self, *args):
        code, stdout, stderr = SESSION.run_to_end([CONFIG.fontlist, *args], 120)
        self.assertEqual(code, 0, "fontlist %s: %s%s" % (args, stdout, stderr))

    def test_a_list_written_by_fontlist_installs_and_reinstalls_without_a_warning(self):
        # One font for each way a face name goes wrong by hand: an English alias, a typographic
        # family, a name over 31 characters, a character without a CP932 form, a collection.
        package = SESSION.make_package(CONFIG.installer, "flpkg")
        subprocess.run([sys.executable, MAKE_TEST_FONTS, package], check=True, timeout=120,
                       stdin=subprocess.DEVNULL)
        os.remove(os.path.join(package, "expected.txt"))
        self.fontlist("make", r"C:\flpkg")
        self.fontlist("check", r"C:\flpkg")
        with open(os.path.join(package, "FontList.txt"), "rb") as listing:
            lines = [line.decode("cp932").split(",") for line in listing.read().split(b"\r\n")
                     if line]
        self.assertEqual(len(lines), 7)
        folder = r"C:\FLFonts"
        # Twice: the second run finds every face of the first by the names fontlist wrote, and
        # replaces it without a question or a warning.
        for _ in range(2):
            self.start(r"C:\flpkg\FontInstaller.exe")
            self.select_all()
            self.choose_folder(folder)
            self.install()
            self.expect_completion()
            table = font_table()
            for face, file_name in lines:
                ending = " (OpenType)" if file_name.endswith(".otf") else " (TrueType)"
                self.assert_registered(table, face, folder + "\\" + file_name, ending)
            self.assertEqual(sorted(os.listdir(unix_path(folder))),
                             sorted(file_name for _, file_name in lines))
        self.assertLessEqual({face for face, _ in lines}, gdi_families())

    def test_a_regular_and_bold_family_installs_both_and_reinstalls_without_a_warning(self):
        # Both files carry the family "FL Linked"; the Bold says so in its subfamily and style
        # bits, as real families do.
        package = SESSION.make_package(CONFIG.installer, "flbold")
        make_font(FontSpec("FL Linked", "FLLinked")).save(os.path.join(package, "linked.ttf"))
        bold = make_font(FontSpec("FL Linked", "FLLinked-Bold"))
        bold["name"].setName("Bold", 2, 3, 1, 0x0409)
        bold["name"].setName("FL Linked Bold", 4, 3, 1, 0x0409)
        bold["OS/2"].fsSelection = 0x20
        bold["OS/2"].usWeightClass = 700
        bold["head"].macStyle = 1
        bold.save(os.path.join(package, "linkedb.ttf"))
        self.fontlist("make", r"C:\flbold")
        self.fontlist("check", r"C:\flbold")
        with open(os.path.join(package, "FontList.txt"), "rb") as listing:
            self.assertEqual(listing.read(),
                             b"FL Linked,linked.ttf\r\nFL Linked Bold,linkedb.ttf\r\n")
        folder = r"C:\FLLinkedFonts"
        for _ in range(2):
            self.start(r"C:\flbold\FontInstaller.exe")
            self.select_all()
            self.choose_folder(folder)
            self.install()
            self.expect_completion()
            table = font_table()
            self.assert_registered(table, "FL Linked", folder + r"\linked.ttf")
            self.assert_registered(table, "FL Linked Bold", folder + r"\linkedb.ttf")
            self.assertEqual(sorted(os.listdir(unix_path(folder))), ["linked.ttf", "linkedb.ttf"])
            # A new process finds both members loaded, each under its own full name.
            faces = {r.text("full") for r in probe("faces", winharness.to_hex("FL Linked"))}
            self.assertLessEqual({"FL Linked", "FL Linked Bold"}, faces)

    def test_a_regular_face_stays_when_other_faces_of_its_family_come_in_packages_of_their_own(self):
        # Cabin from Debian's archive: its Medium, Bold and Italic carry name ID 1 "Cabin" as its
        # Regular does. Each comes in a package of its own under the name fontlist writes, and
        # none may be taken for the installed Regular.
        if not CONFIG.real_fonts:
            self.skipTest("no --real-fonts folder")
        folder = r"C:\CabinFonts"

        def package_of(name, file_name):
            package = SESSION.make_package(CONFIG.installer, name)
            with open(os.path.join(CONFIG.real_fonts, file_name), "rb") as font:
                put_file("C:\\%s\\%s" % (name, file_name), font.read())
            self.fontlist("make", "C:\\" + name)
            self.fontlist("check", "C:\\" + name)
            with open(os.path.join(package, "FontList.txt"), "rb") as listing:
                lines = [line.decode("cp932").split(",") for line in listing.read().split(b"\r\n")
                         if line]
            self.assertEqual([file for _, file in lines], [file_name])
            return "C:\\%s\\FontInstaller.exe" % name, lines[0][0]

        def install(exe):
            # A package of one font shows its name alone, with nothing to select.
            self.start(exe)
            self.choose_folder(folder)
            self.install()
            self.expect_completion()

        exe, face = package_of("cabinr", "Cabin-Regular.otf")
        self.assertEqual(face, "Cabin")
        install(exe)
        known = {r.text("full") for r in probe("faces", winharness.to_hex("Cabin"))}
        self.assertEqual(len(known), 1, known)
        installed = ["Cabin-Regular.otf"]
        for number, file_name in enumerate(["Cabin-Medium.otf", "Cabin-Bold.otf", "Cabin-Italic.otf"]):
            exe, face = package_of("cabin%d" % number, file_name)
            self.assertNotEqual(face, "Cabin", file_name)
            install(exe)
            installed.append(file_name)
            table = font_table()
            self.assert_registered(table, "Cabin", folder + r"\Cabin-Regular.otf", " (OpenType)")
            self.assert_registered(table, face, folder + "\\" + file_name, " (OpenType)")
            self.assertEqual(sorted(os.listdir(unix_path(folder))), sorted(installed))
            # A new process finds the Regular and every face installed since under "Cabin".
            faces = {r.text("full") for r in probe("faces", winharness.to_hex("Cabin"))}
            self.assertIn(face, faces)
            self.assertLessEqual(known, faces)
            known = faces
        self.assertEqual(len(known), 4, known)


def main():
    return winharness.run_module("FontInstaller installs", __doc__, CONFIG,
                                 ("installer", "uidriver", "fontprobe", "fontlist"))


if __name__ == "__main__":
    sys.exit(main())
