#!/usr/bin/python3
"""The installer's speed under Wine, held against the least install of the same fonts.

From the top of the tree, after building the Windows side:

    cmake --preset win32 && cmake --build --preset win32 -j2
    /usr/bin/python3 bench/wine/bench_wine.py \\
        --installer-bench build/win32/bench/wine/FontInstallerBench.exe \\
        --minimal build/win32/bench/wine/minimal_installer.exe \\
        --uidriver build/win32/tests/e2e/uidriver.exe \\
        --template build/win32/wine-template --out-dir build/win32/bench-wine \\
        [--fonts 20] [--font-mib 5] [--startup-runs 5]

(peek_cost.exe is taken from beside the installer unless --peek-cost says otherwise.)

Everything runs in one Wine session on one Xvfb screen, both stopped again at the end:

- the cost of one PeekMessageA (peek_cost.exe, 10,000 calls) and of one uidriver round trip
  (the "list" command), the latter subtracted from the times taken through the driver;
- end to end: FontInstallerBench.exe on a package of --fonts fonts of about --font-mib MiB each,
  every font selected, installed into the Fonts folder, timed from the install click to the
  completion message; then minimal_installer.exe on as many other fonts of the same size into the
  same folder, timed from start to exit. The bench installer's own figures (queue calls, the
  longest stretch without a PeekMessage, the run's length) come from its FI_BENCH_STATS file;
- start-up: the bench installer on a FontList.txt of 1,000 lines, from process start to the main
  dialog on screen as seen by a uidriver wait already polling, the median of --startup-runs
  runs; the installer also notes when, after its process's creation, it asks for that dialog.

Last, PeekMessageA's cost is taken again with the prefix's Wine server tied to CPU 0 and the
program on CPU 0, then on CPU 1 (a server round trip costs much more across CPUs).

Output: a "machine" line, then one line per figure, "row<TAB>section<TAB>what<TAB>value<TAB>
unit", then notes for people. The fonts are real TrueType fonts with face names no other run
uses, padded with random bytes after their tables to the size asked for.
"""

import argparse
import os
import platform
import random
import statistics
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(TOP, "tests", "e2e"))
sys.path.insert(0, os.path.join(TOP, "tests", "fonts"))

import winharness  # noqa: E402
from installer_ui import (  # noqa: E402
    CAPTION,
    DONE,
    IDOK,
    IDC_FONT_LIST,
    IDC_SELECT_ALL,
    MSGBOX_TEXT_ID,
)
from make_fonts import FontSpec, make_font, write_font_list  # noqa: E402


MIB = 1024 * 1024
FONTS_FOLDER = r"C:\windows\Fonts"
STARTUP_LINES = 1000
PEEK_CALLS = 10000
PEEK_SAMPLES = 5
DRIVER_SAMPLES = 7
POLL_S = 0.05  # uidriver's polling interval

ROWS = []
NOTES = []


def row(section, what, value, unit):
    text = ("%.3f" % value) if isinstance(value, float) else str(value)
    ROWS.append("row\t%s\t%s\t%s\t%s" % (section, what, text, unit))
    print(ROWS[-1], flush=True)


def note(text):
    NOTES.append(text)


def log(text):
    sys.stderr.write("bench_wine: %s\n" % text)
    sys.stderr.flush()


# ---- the machine -------------------------------------------------------------------------------


def machine_line():
    cpu = "unknown"
    with open("/proc/cpuinfo") as info:
        for line in info:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    wine = subprocess.run([winharness.WINE, "--version"], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, timeout=60).stdout.strip()
    return "machine\tcpu=%s\tcores=%d\twine=%s\tkernel=%s" % (
        cpu, os.cpu_count() or 0, wine, platform.release())


# ---- fonts -------------------------------------------------------------------------------------


def padded_font(spec, path, size, filler):
    """The font, then filler bytes after its tables up to size (real bytes, not a sparse hole)."""
    make_font(spec).save(path)
    missing = size - os.path.getsize(path)
    with open(path, "ab") as out:
        while missing > 0:
            piece = filler[:missing]
            out.write(piece)
            missing -= len(piece)


def make_fonts(folder, tag, count, size, filler):
    """count fonts in folder (a Unix path): [(face, file name)]."""
    os.makedirs(folder, exist_ok=True)
    fonts = []
    for i in range(count):
        face = "FIB %s %02d" % (tag, i)
        file_name = "FIB%s%02d.ttf" % (tag, i)
        padded_font(FontSpec(face, "FIB%s%02d" % (tag, i)), os.path.join(folder, file_name),
                    size, filler)
        fonts.append((face, file_name))
    return fonts


# ---- measuring ---------------------------------------------------------------------------------


def parse_key_values(text):
    values = {}
    for line in text.splitlines():
        key, sep, value = line.strip().partition("=")
        if sep:
            values[key] = value
    return values


def run_checked(session, command, timeout):
    """A program under Wine to its end, again when Wine dies setting it up (exit 41)."""
    for attempt in range(3):
        code, stdout, stderr = session.run_to_end(command, timeout)
        if not (code == 41 and "malloc()" in stderr and attempt < 2):
            return code, stdout, stderr
        log("Wine died starting %s; once more" % os.path.basename(command[0]))
    return code, stdout, stderr


def peek_cost(session, exe):
    """Microseconds per PeekMessageA and per QueryPerformanceCounter: the median of a few runs."""
    peeks, qpcs = [], []
    for _ in range(PEEK_SAMPLES):
        code, stdout, stderr = run_checked(session, [exe, str(PEEK_CALLS)], 120)
        if code != 0:
            raise RuntimeError("peek_cost failed (%d): %s" % (code, stderr))
        values = parse_key_values(stdout)
        peeks.append(float(values["peek_us"]))
        qpcs.append(float(values["qpc_us"]))
    return statistics.median(peeks), statistics.median(qpcs), peeks


def wine_server_of(session):
    """The process id of the Wine server of this session's prefix, or None."""
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % name, "rb") as f:
                command = f.read().split(b"\0")[0]
            if not os.path.basename(command).startswith(b"wineserver"):
                continue
            with open("/proc/%s/environ" % name, "rb") as f:
                if ("WINEPREFIX=%s" % session.prefix).encode() in f.read().split(b"\0"):
                    return int(name)
        except OSError:
            continue
    return None


def peek_cost_by_placement(session, exe):
    """PeekMessageA's cost with the program on the Wine server's CPU and on the other one:
    {placement: median us}. The server is tied to CPU 0 for this, so it is measured last."""
    server = wine_server_of(session)
    if server is None or (os.cpu_count() or 1) < 2:
        return {}
    os.sched_setaffinity(server, {0})
    costs = {}
    for placement, cpu in (("same_cpu", "0"), ("other_cpu", "1")):
        samples = []
        for _ in range(PEEK_SAMPLES):
            done = subprocess.run(["taskset", "-c", cpu, winharness.WINE, exe, str(PEEK_CALLS)],
                                  env=session.env(), cwd=session.drive_c, capture_output=True,
                                  text=True, stdin=subprocess.DEVNULL, timeout=120)
            values = parse_key_values(done.stdout)
            if done.returncode == 0 and "peek_us" in values:
                samples.append(float(values["peek_us"]))
        if samples:
            costs[placement] = (statistics.median(samples), samples)
    return costs


def driver_round_trip(driver):
    """Seconds one uidriver command takes from start to end (the "list" command), median."""
    times = []
    for _ in range(DRIVER_SAMPLES):
        start = time.monotonic()
        result = driver.run("list")
        times.append(time.monotonic() - start)
        if result.code != 0:
            raise RuntimeError("uidriver list failed: %s" % result.stderr)
    return statistics.median(times), times


def select_all(driver, hwnd, expected):
    driver.click(hwnd, IDC_SELECT_ALL)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        items = driver.dump(hwnd).control(IDC_FONT_LIST).items
        if len(items) == expected and all(item.flag("selected") for item in items):
            return
        time.sleep(0.1)
    raise RuntimeError("the fonts were not all selected")


def installer_run(session, args, driver, tag, filler):
    """The bench installer on a package: (seconds from click to the completion message, stats)."""
    package = session.make_package(args.installer_bench, "benchpkg")
    size = int(args.font_mib * MIB)
    fonts = make_fonts(package, tag, args.fonts, size, filler)
    write_font_list(os.path.join(package, "FontList.txt"), fonts)
    stats_path = os.path.join(package, "stats.txt")

    os.environ["FI_BENCH_STATS"] = r"C:\benchpkg\stats.txt"
    try:
        run = session.start_program(r"C:\benchpkg\FontInstaller.exe")
    finally:
        del os.environ["FI_BENCH_STATS"]
    try:
        hwnd = driver.wait(CAPTION, window_class="#32770", child_id=IDC_FONT_LIST,
                           timeout_ms=60000)["hwnd"]
        select_all(driver, hwnd, args.fonts)

        # The watcher is polling before the click, so only its last poll and its exit, not its
        # start, fall between the run's end and the time taken here.
        seen = {}

        def watch():
            try:
                seen["box"] = driver.wait(CAPTION, window_class="#32770", child_id=MSGBOX_TEXT_ID,
                                          owner=hwnd, timeout_ms=600000)["hwnd"]
            except Exception as error:  # reported below, in the main thread
                seen["error"] = error
            seen["at"] = time.monotonic()

        watcher = threading.Thread(target=watch)
        watcher.start()
        time.sleep(3)
        clicked = time.monotonic()
        driver.click(hwnd, IDOK)
        click_took = time.monotonic() - clicked
        watcher.join()
        if "error" in seen:
            raise RuntimeError("no completion message: %s" % seen["error"])
        elapsed = seen["at"] - clicked

        box, *_ = driver.msgbox(seen["box"])
        if box.text("text") != DONE:
            raise RuntimeError("the run ended with %r" % box.text("text"))
        driver.click(seen["box"], IDOK)
        driver.wait_gone(hwnd, timeout_ms=30000)
        code = run.wait(30)
        if code != 0:
            raise RuntimeError("the installer ended with %d" % code)
    finally:
        run.stop()
    with open(stats_path) as stats:
        figures = parse_key_values(stats.read())
    for _, file_name in fonts:
        installed = os.path.join(session.drive_c, "windows", "Fonts", file_name)
        if os.path.getsize(installed) != size:
            raise RuntimeError("%s was not installed whole" % file_name)
    return elapsed, click_took, figures


def minimal_run(session, args, tag, filler):
    """minimal_installer.exe on other fonts: (seconds from start to exit, its own figures)."""
    folder = os.path.join(session.drive_c, "benchmin")
    fonts = make_fonts(folder, tag, args.fonts, int(args.font_mib * MIB), filler)
    lines = ["%s|C:\\benchmin\\%s|%s\\%s" % (face, file_name, FONTS_FOLDER, file_name)
             for face, file_name in fonts]
    with open(os.path.join(folder, "list.txt"), "wb") as out:
        out.write("".join(line + "\r\n" for line in lines).encode("cp932"))
    with open(os.path.join(folder, "empty.txt"), "wb"):
        pass

    # Wine's own cost of starting and ending a program that then only broadcasts, for scale.
    start = time.monotonic()
    code, _, stderr = run_checked(session, [args.minimal, r"C:\benchmin\empty.txt"], 120)
    empty = time.monotonic() - start
    if code != 0:
        raise RuntimeError("minimal_installer on an empty list failed (%d): %s" % (code, stderr))

    start = time.monotonic()
    code, stdout, stderr = session.run_to_end([args.minimal, r"C:\benchmin\list.txt"], 600)
    elapsed = time.monotonic() - start
    if code != 0:
        raise RuntimeError("minimal_installer failed (%d): %s" % (code, stderr))
    for _, file_name in fonts:
        installed = os.path.join(session.drive_c, "windows", "Fonts", file_name)
        if os.path.getsize(installed) != int(args.font_mib * MIB):
            raise RuntimeError("%s was not installed whole" % file_name)
    return elapsed, empty, parse_key_values(stdout)


def startup_runs(session, args, driver, tag):
    """Per run: (seconds from the start of the bench installer to its main dialog on screen, as
    a driver already polling sees it; milliseconds from the process's creation to the main
    dialog asked for, as the installer itself measured)."""
    package = session.make_package(args.installer_bench, "benchstart")
    write_font_list(os.path.join(package, "FontList.txt"),
                    [("FIB Start %s %04d" % (tag, i), "FIBS%s%04d.ttf" % (tag, i))
                     for i in range(STARTUP_LINES)])
    times, inside = [], []
    for number in range(args.startup_runs):
        # The watcher is started first and polls every 50 ms, so the driver's own start-up does
        # not fall into the time taken, and does not compete with the installer's.
        seen = {}

        def watch():
            try:
                seen["hwnd"] = driver.wait(CAPTION, window_class="#32770",
                                           child_id=IDC_FONT_LIST, timeout_ms=60000)["hwnd"]
            except Exception as error:  # reported below, in the main thread
                seen["error"] = error
            seen["at"] = time.monotonic()

        watcher = threading.Thread(target=watch)
        watcher.start()
        time.sleep(1.5)
        os.environ["FI_BENCH_STATS"] = r"C:\benchstart\stats-%d.txt" % number
        try:
            start = time.monotonic()
            run = session.start_program(r"C:\benchstart\FontInstaller.exe")
        finally:
            del os.environ["FI_BENCH_STATS"]
        try:
            watcher.join()
            if "error" in seen:
                raise RuntimeError("no main dialog: %s" % seen["error"])
            times.append(seen["at"] - start)
            hwnd = seen["hwnd"]
            if number == 0:
                items = driver.dump(hwnd).control(IDC_FONT_LIST).items
                if len(items) != STARTUP_LINES:
                    raise RuntimeError("the list shows %d fonts, not %d"
                                       % (len(items), STARTUP_LINES))
            driver.close(hwnd)
            driver.wait_gone(hwnd, timeout_ms=30000)
            run.wait(30)
        finally:
            run.stop()
        with open(os.path.join(package, "stats-%d.txt" % number)) as stats:
            inside.append(float(parse_key_values(stats.read())["creation_to_dialog_ms"]))
    return times, inside


# ---- the whole -------------------------------------------------------------------------------


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--installer-bench", required=True)
    parser.add_argument("--minimal", required=True)
    parser.add_argument("--uidriver", required=True)
    parser.add_argument("--template", required=True)
    parser.add_argument("--out-dir", required=True)
    parser.add_argument("--peek-cost", help="peek_cost.exe (default: beside the installer)")
    parser.add_argument("--fonts", type=int, default=20)
    parser.add_argument("--font-mib", type=float, default=5)
    parser.add_argument("--startup-runs", type=int, default=5)
    args = parser.parse_args()
    for name in ("installer_bench", "minimal", "uidriver", "template", "out_dir"):
        setattr(args, name, os.path.abspath(getattr(args, name)))
    args.peek_cost = os.path.abspath(
        args.peek_cost or os.path.join(os.path.dirname(args.installer_bench), "peek_cost.exe"))
    os.makedirs(args.out_dir, exist_ok=True)

    winharness.stop_all_on_signal()
    winharness.ensure_template(args.template)
    machine = machine_line()
    print(machine, flush=True)

    # Face names no earlier run used, so the installer's removal pass finds nothing of ours.
    tag = "%08X" % random.SystemRandom().getrandbits(32)
    filler = os.urandom(MIB)
    total_mib = args.fonts * int(args.font_mib * MIB) / MIB

    with winharness.Xvfb() as screen, winharness.WineSession(args.template,
                                                             screen.display) as session:
        driver = session.driver(args.uidriver)
        # A new prefix is busy for a while after its first program (Wine's own services and
        # explorer start): a first round of measures is made and thrown away.
        peek_cost(session, args.peek_cost)
        driver_round_trip(driver)
        peek_us, qpc_us, peek_samples = peek_cost(session, args.peek_cost)
        trip, trip_samples = driver_round_trip(driver)
        log("driver round trip %.0f ms; PeekMessageA %.1f us" % (trip * 1000, peek_us))

        log("installer: %d fonts of %.1f MiB" % (args.fonts, args.font_mib))
        raw, click_took, stats = installer_run(session, args, driver, tag + "A", filler)
        log("minimal installer")
        minimal, empty, minimal_figures = minimal_run(session, args, tag + "B", filler)
        log("start-up, %d runs" % args.startup_runs)
        trip_between, _ = driver_round_trip(driver)
        starts, starts_inside = startup_runs(session, args, driver, tag + "S")
        peek_us_after, _, peek_samples_after = peek_cost(session, args.peek_cost)
        placements = peek_cost_by_placement(session, args.peek_cost)

    installer = raw - trip
    run_s = float(stats["run_ms"]) / 1000
    minimal_inside = float(minimal_figures["inside_ms"]) / 1000
    peeks = int(stats["peek_calls_in_runs"])
    queue_calls = peeks + sum(int(stats[k]) for k in ("is_dialog_calls_in_runs",
                                                     "translate_calls_in_runs",
                                                     "dispatch_calls_in_runs"))
    peek_in_run_us = float(stats["peek_ms_in_runs"]) * 1000 / peeks if peeks else 0.0
    start_median = statistics.median(starts)

    s = "wine-install"
    row(s, "package", total_mib, "MiB")
    row(s, "fonts", args.fonts, "count")
    row(s, "driver_round_trip", trip * 1000, "ms")
    row(s, "installer_click_to_done_raw", raw, "s")
    row(s, "installer_click_to_done", installer, "s")
    row(s, "installer_run_inside", run_s, "s")
    row(s, "minimal_start_to_exit", minimal, "s")
    row(s, "minimal_inside", minimal_inside, "s")
    row(s, "minimal_empty_list_start_to_exit", empty, "s")
    row(s, "ratio_installer_to_minimal", installer / minimal, "x")
    row(s, "ratio_inside", run_s / minimal_inside, "x")
    row(s, "installer_throughput", total_mib / installer, "MiB/s")
    row(s, "minimal_throughput", total_mib / minimal, "MiB/s")
    row(s, "peek_calls", peeks, "count")
    row(s, "peek_calls_per_mib", peeks / total_mib, "calls/MiB")
    row(s, "queue_calls", queue_calls, "count")
    row(s, "longest_between_peeks", float(stats["max_peek_gap_ms"]), "ms")
    row(s, "longest_without_pump", max(float(stats["max_peek_gap_ms"]),
                                       float(stats["run_start_to_first_peek_ms"]),
                                       float(stats["last_peek_to_run_end_ms"])), "ms")
    row(s, "run_start_to_first_peek", float(stats["run_start_to_first_peek_ms"]), "ms")
    row(s, "last_peek_to_run_end", float(stats["last_peek_to_run_end_ms"]), "ms")
    row(s, "peek_cost", peek_us, "us")
    row(s, "peek_cost_in_run", peek_in_run_us, "us")
    row(s, "peek_cost_after", peek_us_after, "us")
    for placement, (cost, _) in sorted(placements.items()):
        row(s, "peek_cost_" + placement, cost, "us")
    row(s, "queue_share_estimated", 100.0 * peeks * peek_us / 1e6 / run_s, "%")
    row(s, "queue_share_estimated_in_run_cost", 100.0 * peeks * peek_in_run_us / 1e6 / run_s, "%")
    row(s, "queue_share_measured", 100.0 * float(stats["queue_ms_in_runs"]) / 1000 / run_s, "%")
    row(s, "add_font_resource", float(stats["add_font_ms_in_runs"]), "ms")
    row(s, "font_change_broadcast", float(stats["broadcast_ms_in_runs"]), "ms")
    row(s, "progress_bar_messages", int(stats["item_messages_in_runs"]), "count")
    row(s, "progress_bar_messages_time", float(stats["item_messages_ms_in_runs"]), "ms")
    row(s, "other_work_in_run", run_s * 1000 - float(stats["queue_ms_in_runs"])
        - float(stats["ui_ms_in_runs"]) - float(stats["add_font_ms_in_runs"]), "ms")
    row(s, "qpc_cost", qpc_us, "us")
    s = "wine-startup"
    row(s, "fontlist_lines", STARTUP_LINES, "count")
    row(s, "to_main_dialog_raw_median", start_median * 1000, "ms")
    row(s, "driver_round_trip", trip_between * 1000, "ms")
    row(s, "to_main_dialog", (start_median - POLL_S / 2) * 1000, "ms")
    row(s, "to_main_dialog_low", max(0.0, start_median - trip_between) * 1000, "ms")
    row(s, "creation_to_dialog_call_median", statistics.median(starts_inside), "ms")
    row(s, "runs", len(starts), "count")

    note("Wine session: one prefix and one Xvfb screen for every figure; tag %s." % tag)
    note("uidriver round trip (list, %d samples, before the install): %s ms; before the "
         "start-up runs: %.0f ms. Each is subtracted from the times taken through the driver "
         "next to it; the driver also polls only every 50 ms."
         % (DRIVER_SAMPLES, ", ".join("%.0f" % (t * 1000) for t in trip_samples),
            trip_between * 1000))
    note("The install click itself took %.0f ms to return (the click is posted within it)."
         % (click_took * 1000))
    note("PeekMessageA, %d calls on an empty queue, %d runs before the install: %s us per call "
         "(the median is the figure used); %d runs at the end: %s us; inside the install run (timed around each call): %.1f us. "
         "One QueryPerformanceCounter %.3f us (the bench installer takes two per queue call)."
         % (PEEK_CALLS, PEEK_SAMPLES, ", ".join("%.1f" % p for p in peek_samples), PEEK_SAMPLES,
            ", ".join("%.1f" % p for p in peek_samples_after), peek_in_run_us, qpc_us))
    if placements:
        note("PeekMessageA with the Wine server tied to CPU 0, per call: %s."
             % "; ".join("program on the %s CPU %s us"
                         % (p.split("_")[0], ", ".join("%.1f" % v for v in samples))
                         for p, (_, samples) in sorted(placements.items())))
    note("Run inside the installer (progress dialog created to destroyed): %.2f s; "
         "of it in PeekMessageA %.2f s, in all queue calls %.2f s, AddFontResourceA %.0f ms, "
         "the broadcast %.0f ms, %s progress-bar messages %.0f ms, other "
         "dialog calls %.0f ms; the rest (reading and writing the files, the registry, checks) "
         "%.0f ms. The completion message came %s ms after the run's end."
         % (run_s, float(stats["peek_ms_in_runs"]) / 1000, float(stats["queue_ms_in_runs"]) / 1000,
            float(stats["add_font_ms_in_runs"]), float(stats["broadcast_ms_in_runs"]),
            stats["item_messages_in_runs"], float(stats["item_messages_ms_in_runs"]),
            float(stats["ui_ms_in_runs"]) - float(stats["broadcast_ms_in_runs"])
            - float(stats["item_messages_ms_in_runs"]),
            run_s * 1000 - float(stats["queue_ms_in_runs"]) - float(stats["ui_ms_in_runs"])
            - float(stats["add_font_ms_in_runs"]),
            stats.get("run_end_to_message_box_ms", "?")))
    note("Peeks that found a message: %s of %d; stretches between peeks over 1 ms: %s, over "
         "10 ms: %s; the longest ended at peek %s."
         % (stats["peek_hits_in_runs"], peeks, stats["peek_gaps_over_1ms"],
            stats["peek_gaps_over_10ms"], stats["max_peek_gap_at_peek"]))
    note("Start-up to the main dialog with %d lines, each run as the polling driver saw it: %s "
         "ms. to_main_dialog takes off the mean polling delay (25 ms) only, so it still holds "
         "the driver's exit; to_main_dialog_low takes off a whole driver round trip. Inside "
         "the installer, from its process's creation to the main dialog asked for (FontList.txt "
         "read and listed): %s ms."
         % (STARTUP_LINES, ", ".join("%.0f" % (t * 1000) for t in starts),
            ", ".join("%.1f" % t for t in starts_inside)))
    note("Minimal installer: Wine's start and end of a program that only broadcasts took "
         "%.2f s; inside the process the %d fonts took %.2f s."
         % (empty, args.fonts, minimal_inside))
    print()
    for text in NOTES:
        print("# " + text)

    with open(os.path.join(args.out_dir, "bench-wine.tsv"), "w") as out:
        out.write(machine + "\n")
        out.write("\n".join(ROWS) + "\n")
    with open(os.path.join(args.out_dir, "bench-wine-stats.txt"), "w") as out:
        out.write("".join("%s=%s\n" % item for item in stats.items()))
    return 0


if __name__ == "__main__":
    sys.exit(main())
