"""Runs FontInstaller.exe under Wine on a virtual screen and works it with uidriver.exe.

    with Xvfb() as screen:
        with WineSession(template, screen.display) as wine:
            package = wine.make_package(installer_exe)         # drive_c/pkg/FontInstaller.exe
            run = wine.start_program(r"C:\\pkg\\FontInstaller.exe")
            box = wine.driver(uidriver_exe).wait(CAPTION, window_class="#32770")
            ...
            code = run.wait(20)

Everything started here is stopped again when its "with" block ends, also on failure: the
program and uidriver by their process ids, the prefix's Wine server with wineserver -k.

Run with Debian's /usr/bin/python3 (the tests also use fontTools from there).
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from dataclasses import dataclass, field
from typing import Dict, List, Optional, Sequence

HERE = os.path.dirname(os.path.abspath(__file__))
PREFIX_SCRIPT = os.path.join(HERE, "..", "wine", "prefix.sh")

CP932 = "cp932"

# The build under test, as the build sets FI_WINE_ARCH: win32, the product, under Wine's 32-bit
# loader in a 32-bit prefix; or win64, the 64-bit build of the same sources, under the 64-bit
# loader in a 64-bit prefix, where the machine cannot run 32-bit programs. The loader is named
# directly, as in prefix.sh: Debian's "wine" takes the 32-bit one whenever it is installed.
WINE_ARCH = os.environ.get("FI_WINE_ARCH", "win32")
if WINE_ARCH not in ("win32", "win64"):
    raise SystemExit("FI_WINE_ARCH must be win32 or win64, not %r" % WINE_ARCH)
WINE = "/usr/lib/wine/wine64" if WINE_ARCH == "win64" else "/usr/lib/wine/wine"
ROUTE = ("the 64-bit build of the same sources in a 64-bit Wine prefix" if WINE_ARCH == "win64"
         else "the 32-bit build (the product) in a 32-bit Wine prefix")

# The same settings prefix.sh gives its Wine runs.
WINE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
    "LC_ALL": "ja_JP.UTF-8",
    "WINEARCH": WINE_ARCH,
    "FI_WINE_ARCH": WINE_ARCH,
}
if WINE_ARCH == "win64":
    WINE_ENV["WINELOADER"] = WINE


def wine_environment(**more: str) -> Dict[str, str]:
    """This process's environment with the settings of the build's Wine runs."""
    env = dict(os.environ, **WINE_ENV, **more)
    if WINE_ARCH != "win64":
        env.pop("WINELOADER", None)
    return env


# Screens and sessions not yet stopped, for stop_all_on_signal.
_live = []


def stop_all_on_signal() -> None:
    """On SIGTERM (a test runner's time-out) or SIGINT, stops every screen and session first."""

    def handler(signum, frame):
        for thing in reversed(list(_live)):
            try:
                thing.stop()
            except Exception:  # stop what can be stopped; the process is ending anyway
                pass
        os._exit(128 + signum)

    signal.signal(signal.SIGTERM, handler)
    signal.signal(signal.SIGINT, handler)


def to_hex(text: str) -> str:
    """Text as uidriver takes it: CP932 bytes in hex."""
    return text.encode(CP932).hex().upper()


def _prefix_sh(function: str, *args: str, timeout: float = 120) -> None:
    subprocess.run(
        ["bash", "-c", 'source "$0"; "$@"', PREFIX_SCRIPT, function, *args],
        check=True,
        timeout=timeout,
        stdin=subprocess.DEVNULL,
    )


def ensure_template(template: str) -> None:
    """Boots the shared template prefix once (about 12 s); later calls return at once."""
    _prefix_sh("wine_template", template, timeout=300)


def _stop_process(process: subprocess.Popen, grace: float = 5) -> None:
    """Ends one process this module started, by its id."""
    if process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(grace)


def _lock_owner(number: int) -> Optional[int]:
    """The process id an X server wrote into the lock file of a display number."""
    try:
        with open("/tmp/.X%d-lock" % number) as lock:
            return int(lock.read().strip())
    except (OSError, ValueError):
        return None


class Xvfb:
    """A virtual X screen on a free display number."""

    def __init__(self, width: int = 1024, height: int = 768, first_display: int = 70):
        self.size = "%dx%dx24" % (width, height)
        self.first_display = first_display
        self.display: Optional[str] = None
        self.process: Optional[subprocess.Popen] = None

    def __enter__(self) -> "Xvfb":
        self.start()
        return self

    def __exit__(self, *exc) -> None:
        self.stop()

    def start(self, timeout: float = 10) -> None:
        for number in range(self.first_display, self.first_display + 100):
            socket = "/tmp/.X11-unix/X%d" % number
            if os.path.exists(socket) or os.path.exists("/tmp/.X%d-lock" % number):
                continue
            process = subprocess.Popen(
                ["Xvfb", ":%d" % number, "-screen", "0", self.size, "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
            )
            deadline = time.monotonic() + timeout
            while time.monotonic() < deadline and process.poll() is None:
                # Two runs may start a server on the same number at once; the socket then belongs
                # to the winner, whose process id is in the lock file. Only ours counts.
                if os.path.exists(socket) and _lock_owner(number) == process.pid:
                    self.process = process
                    self.display = ":%d" % number
                    _live.append(self)
                    return
                time.sleep(0.05)
            # Lost a race for this number to another server, or too slow: try the next.
            _stop_process(process)
        raise RuntimeError("could not start Xvfb on any display")

    def stop(self) -> None:
        if self.process is not None:
            _stop_process(self.process)
            self.process = None
        if self in _live:
            _live.remove(self)

    def screenshot(self, path: str) -> str:
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        subprocess.run(
            ["import", "-window", "root", path],
            env=dict(os.environ, DISPLAY=self.display),
            check=True,
            timeout=30,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
        )
        return path


@dataclass
class Record:
    """One line of uidriver output: "kind key=value ..."."""

    kind: str
    fields: Dict[str, str]

    def __getitem__(self, key: str) -> str:
        return self.fields[key]

    def bytes(self, key: str) -> bytes:
        """A text field, as the CP932 bytes it stands for."""
        return bytes.fromhex(self.fields[key])

    def text(self, key: str) -> str:
        return self.bytes(key).decode(CP932, errors="replace")

    def number(self, key: str) -> int:
        return int(self.fields[key])

    def flag(self, key: str) -> bool:
        return self.fields[key] == "1"


def parse_records(output: str) -> List[Record]:
    records = []
    for line in output.splitlines():
        words = line.split()
        if not words:
            continue
        fields = {}
        for word in words[1:]:
            key, _, value = word.partition("=")
            fields[key] = value
        records.append(Record(words[0], fields))
    return records


@dataclass
class Control:
    record: Record
    items: List[Record] = field(default_factory=list)  # list box items, in order

    @property
    def id(self) -> int:
        return self.record.number("id")

    @property
    def class_name(self) -> str:
        return self.record["class"]

    @property
    def text(self) -> bytes:
        return self.record.bytes("text")

    @property
    def enabled(self) -> bool:
        return self.record.flag("enabled")

    @property
    def visible(self) -> bool:
        return self.record.flag("visible")

    @property
    def checked(self) -> int:
        return self.record.number("check")


@dataclass
class Window:
    """A window and its controls, as uidriver dump saw them."""

    record: Record
    controls: List[Control]

    @property
    def hwnd(self) -> str:
        return self.record["hwnd"]

    @property
    def caption(self) -> bytes:
        return self.record.bytes("caption")

    def control(self, control_id: int) -> Optional[Control]:
        for control in self.controls:
            if control.id == control_id:
                return control
        return None

    def describe(self) -> str:
        """Readable text of the dump, for failure messages."""
        lines = ["%s caption=%r" % (self.record["class"], self.caption.decode(CP932, "replace"))]
        for control in self.controls:
            lines.append(
                "  %5d %-18s enabled=%d visible=%d %r"
                % (control.id, control.class_name, control.enabled, control.visible,
                   control.text.decode(CP932, "replace"))
            )
            for item in control.items:
                lines.append("        item selected=%d %r"
                             % (item.flag("selected"), item.text("text")))
        return "\n".join(lines)


class DriverError(AssertionError):
    """uidriver did not do what was asked; the message says what was on screen."""


@dataclass
class DriverResult:
    code: int
    records: List[Record]
    stdout: str
    stderr: str


class Driver:
    """uidriver.exe commands, run in one Wine session."""

    def __init__(self, session: "WineSession", exe: str):
        self.session = session
        self.exe = exe

    # Commands that only look: safe to start again.
    READ_ONLY = ("wait", "waitgone", "list", "dump", "msgbox")

    def run(self, *args: str, timeout: float = 60) -> DriverResult:
        read_only = bool(args) and args[0] in self.READ_ONLY
        attempts = 5
        for attempt in range(attempts):
            try:
                code, stdout, stderr = self.session.run_to_end([self.exe, *args], timeout)
            except subprocess.TimeoutExpired:
                # Every driver command ends within its own time-out, so a driver still running
                # long after it is stuck in Wine itself (seen now and then under load with the
                # 64-bit loader). A command that only looks is run again, once.
                if not (read_only and attempt == 0):
                    raise
                sys.stderr.write("uidriver %s: still running after %.0f s; once more\n"
                                 % (args[0], timeout))
                continue
            # Now and then a new Wine process dies in glibc's allocator while Wine sets it up,
            # before the driver has done anything (exit 41, "malloc(): ..."). It comes in spells
            # of a few seconds, seen right after an install's font-change broadcast, when every
            # process started dies the same way. A command that only looks is run again after a
            # growing pause (7.5 s in all); anything else is reported as it is.
            wine_died = code == 41 and "malloc()" in stderr
            if not (wine_died and read_only and attempt < attempts - 1):
                break
            pause = 0.5 * 2 ** min(attempt, 3)
            sys.stderr.write("uidriver %s: Wine died starting it (%s); again in %.1f s\n"
                             % (args[0], stderr.strip(), pause))
            time.sleep(pause)
        return DriverResult(code, parse_records(stdout), stdout, stderr)

    def _check(self, result: DriverResult, what: str) -> DriverResult:
        if result.code != 0:
            raise DriverError(
                "uidriver %s failed (exit %d): %s\non screen:\n%s"
                % (what, result.code, result.stderr.strip(), self.on_screen())
            )
        return result

    def on_screen(self) -> str:
        result = self.run("list")
        lines = []
        for record in result.records:
            if record.kind == "window":
                lines.append("  %s %s %r"
                             % (record["hwnd"], record["class"], record.text("caption")))
        return "\n".join(lines) or "  (no visible window)"

    def wait(self, caption: Optional[str], window_class: Optional[str] = None,
             child_id: Optional[int] = None, timeout_ms: int = 20000,
             owner: Optional[str] = None) -> Record:
        args = ["wait", "--timeout-ms", str(timeout_ms)]
        if caption is not None:
            args += ["--caption-hex", to_hex(caption)]
        if owner is not None:
            args += ["--owner", owner]
        if window_class is not None:
            args += ["--class", window_class]
        if child_id is not None:
            args += ["--child-id", str(child_id)]
        result = self._check(self.run(*args, timeout=timeout_ms / 1000 + 30), "wait %r" % caption)
        return result.records[0]

    def wait_gone(self, hwnd: str, timeout_ms: int = 10000) -> None:
        self._check(self.run("waitgone", "--hwnd", hwnd, "--timeout-ms", str(timeout_ms),
                             timeout=timeout_ms / 1000 + 30), "waitgone")

    def dump(self, hwnd: str) -> Window:
        records = self._check(self.run("dump", "--hwnd", hwnd), "dump").records
        window = Window(records[0], [])
        for record in records[1:]:
            if record.kind == "control":
                window.controls.append(Control(record))
            elif record.kind == "item":
                window.controls[-1].items.append(record)
        return window

    def msgbox(self, hwnd: str) -> List[Record]:
        """The "msgbox" record, then one "button" record per button."""
        return self._check(self.run("msgbox", "--hwnd", hwnd), "msgbox").records

    def click(self, hwnd: str, control_id: int) -> None:
        self._check(self.run("click", "--hwnd", hwnd, "--id", str(control_id)), "click")

    def close(self, hwnd: str) -> None:
        self._check(self.run("close", "--hwnd", hwnd), "close")

    def check(self, hwnd: str, control_id: int) -> None:
        """Clicks a radio button or check box and waits until it shows the click."""
        self._check(self.run("check", "--hwnd", hwnd, "--id", str(control_id)), "check")

    def type_text(self, hwnd: str, control_id: int, text: str) -> None:
        """Types text into an edit, replacing what it held, and waits until it shows."""
        self._check(self.run("type", "--hwnd", hwnd, "--id", str(control_id),
                             "--text-hex", to_hex(text)), "type %r" % text)

    def select(self, hwnd: str, control_id: int, index: int, ctrl: bool = False,
               shift: bool = False) -> None:
        """Clicks a list item (with Ctrl or Shift held) and waits for its new selection."""
        self._check(self.run("select", "--hwnd", hwnd, "--id", str(control_id),
                             "--index", str(index), "--ctrl", "1" if ctrl else "0",
                             "--shift", "1" if shift else "0"),
                    "select %d" % index)

    def key(self, hwnd: str, key: str) -> Record:
        """Presses esc, enter or tab where the focus is in hwnd's program; says where that was."""
        return self._check(self.run("key", "--hwnd", hwnd, "--key", key), "key %s" % key).records[0]

    def browse(self, hwnd: str, path: str) -> None:
        """Moves the shell's folder browser to path and waits for its tree to show it."""
        self._check(self.run("browse", "--hwnd", hwnd, "--path-hex", to_hex(path)),
                    "browse %r" % path)


class ProgramRun:
    """A program started under Wine; its exit code is the Windows program's own."""

    def __init__(self, process: subprocess.Popen, log_path: str):
        self.process = process
        self.log_path = log_path

    def wait(self, timeout: float) -> int:
        """The exit code; raises subprocess.TimeoutExpired if it does not end in time."""
        return self.process.wait(timeout)

    def running(self) -> bool:
        return self.process.poll() is None

    def stop(self) -> None:
        """Ends the program by its process id, if it is still running."""
        _stop_process(self.process)

    def log(self) -> str:
        with open(self.log_path, "rb") as log:
            return log.read().decode("utf-8", "replace")


class WineSession:
    """A fresh copy of the template prefix, with its own Wine server."""

    def __init__(self, template: str, display: str, keep: bool = False):
        self.template = os.path.abspath(template)
        self.display = display
        self.keep = keep
        self.prefix: Optional[str] = None
        self._workdir: Optional[str] = None
        self._processes: List[subprocess.Popen] = []
        self._logs = 0

    def __enter__(self) -> "WineSession":
        # Beside the template, so that the hard-linked copy stays on one file system.
        self._workdir = tempfile.mkdtemp(prefix="e2e-", dir=os.path.dirname(self.template))
        _live.append(self)
        self.prefix = os.path.join(self._workdir, "prefix")
        _prefix_sh("wine_fresh_prefix", self.template, self.prefix)
        return self

    def __exit__(self, *exc) -> None:
        self.stop()

    def stop(self) -> None:
        try:
            if self.prefix is not None:
                _prefix_sh("wine_stop", self.prefix, timeout=60)
        finally:
            for process in self._processes:
                _stop_process(process)
            self._processes = []
            if self._workdir is not None and not self.keep:
                shutil.rmtree(self._workdir, ignore_errors=True)
            self._workdir = None
            self.prefix = None
            if self in _live:
                _live.remove(self)

    @property
    def drive_c(self) -> str:
        return os.path.join(self.prefix, "drive_c")

    def env(self) -> Dict[str, str]:
        return wine_environment(WINEPREFIX=self.prefix, DISPLAY=self.display)

    def make_package(self, installer_exe: str, folder: str = "pkg") -> str:
        """Copies the installer into drive_c/<folder>; returns that folder's Unix path."""
        package = os.path.join(self.drive_c, folder)
        os.makedirs(package, exist_ok=True)
        shutil.copy(installer_exe, os.path.join(package, "FontInstaller.exe"))
        return package

    def _log(self, name: str) -> str:
        self._logs += 1
        return os.path.join(self._workdir, "%s-%d.log" % (name, self._logs))

    def start_program(self, program: str, *args: str, cwd: Optional[str] = None) -> ProgramRun:
        """Starts program (a Windows or Unix path) and returns at once."""
        log_path = self._log("program")
        # Output goes to a file: the Wine server can hold a pipe open after the program ends,
        # so only the process's end, never the end of its output, tells that it has finished.
        with open(log_path, "wb") as log:
            process = subprocess.Popen(
                [WINE, program, *args],
                env=self.env(),
                cwd=cwd or self.drive_c,
                stdin=subprocess.DEVNULL,
                stdout=log,
                stderr=subprocess.STDOUT,
            )
        self._processes.append(process)
        return ProgramRun(process, log_path)

    def run_to_end(self, command: List[str], timeout: float):
        """Runs a program under Wine to its end: (exit code, stdout, stderr)."""
        out_path, err_path = self._log("out"), self._log("err")
        with open(out_path, "wb") as out, open(err_path, "wb") as err:
            process = subprocess.Popen(
                [WINE, *command],
                env=self.env(),
                cwd=self.drive_c,
                stdin=subprocess.DEVNULL,
                stdout=out,
                stderr=err,
            )
        self._processes.append(process)
        try:
            code = process.wait(timeout)
        finally:
            _stop_process(process)
            self._processes.remove(process)
        with open(out_path, "rb") as out, open(err_path, "rb") as err:
            stdout = out.read().decode("ascii", "replace")
            stderr = err.read().decode("utf-8", "replace")
        return code, stdout, stderr

    def driver(self, exe: str) -> Driver:
        return Driver(self, exe)


# ---- running a module of end-to-end tests ----------------------------------------------------


class SummaryResult(unittest.TextTestResult):
    """Also keeps how long each test took."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.timings = []

    def startTest(self, test):
        self._started = time.monotonic()
        super().startTest(test)

    def stopTest(self, test):
        self.timings.append((test.id().split(".")[-1], time.monotonic() - self._started))
        super().stopTest(test)


def run_module(title: str, doc: str, config, programs: Sequence[str]) -> int:
    """Parses the command line into config (one --NAME per program, then --template,
    --artifacts and --keep-prefix), runs the module's tests and prints how each went.
    Returns the process exit code."""
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    for name in programs:
        parser.add_argument("--" + name, required=True, help=name + ".exe")
    parser.add_argument("--template", required=True, help="template Wine prefix folder")
    parser.add_argument("--artifacts", required=True, help="folder for screenshots")
    parser.add_argument("--keep-prefix", action="store_true", help="keep the Wine prefix")
    parser.add_argument("--real-fonts", help="folder of font files from Debian's packages")
    args, rest = parser.parse_known_args()
    for name in (*programs, "template", "artifacts"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    vars(config).update(vars(args))
    os.makedirs(config.artifacts, exist_ok=True)
    stop_all_on_signal()

    started = time.monotonic()
    program = unittest.main(
        argv=[sys.argv[0]] + rest,
        testRunner=unittest.TextTestRunner(resultclass=SummaryResult, verbosity=2),
        exit=False,
    )
    result = program.result

    def name(test):
        return test.id().split(".")[-1]

    # Failures outside any test, such as in setUpModule, count as failures too.
    failed = [name(test) for test, _ in result.failures + result.errors]
    skipped = [name(test) for test, _ in result.skipped]
    print("\n%s, end to end, on %s:" % (title, ROUTE))
    for test_name, seconds in result.timings:
        status = "FAIL" if test_name in failed else "skip" if test_name in skipped else "ok"
        print("  %-4s %-66s %5.1f s" % (status, test_name, seconds))
    passed = len([t for t, _ in result.timings if t not in failed and t not in skipped])
    print("  screenshots in %s" % config.artifacts)
    print("  total time %.1f s" % (time.monotonic() - started))
    print("  route: %s" % ROUTE)
    line = "e2e: %d passed, %d failed" % (passed, len(failed))
    print(line + (", %d skipped" % len(skipped) if skipped else ""))
    return 0 if result.wasSuccessful() and result.testsRun > 0 else 1
