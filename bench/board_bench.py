#!/usr/bin/env python3
"""Benchmarks of the real Kazeban.exe under Wine against bare Win32 baselines.

Run from the repository root, after `bash scripts/build.sh mingw`:

    source scripts/wine-env.sh $PWD/build/mingw/wineprefix
    kazeban_make_prefix; unset DISPLAY; kazeban_start_display; kazeban_warm_wine
    python3 bench/board_bench.py [--runs 7] [--refreshes 500] [--interval 100]
                                 [--breakdown] [--json FILE]

Kazeban is single-instance within a prefix: when someone else runs it in the
same WINEPREFIX, give the benchmark a prefix of its own (the same source line
with another folder, e.g. /tmp/kazeban-bench-prefix; about 10 s and 700 MB
once). The script stops if it sees another Kazeban.exe in its prefix.

About three minutes with the defaults; --breakdown adds three runs (the
synchronous baseline; the board on an unchanging page; the board hidden),
about two minutes, that split a refresh's cost into fetching, updating the
labels and painting. Prints three tables:

1. Launch: from Popen of the program to the first request the local quote
   server logs, and to its window being found by an inspector
   `wait-window` process started beforehand (Kazeban: the board layered,
   which it becomes after its start-up refresh; BareFetch: its window
   visible, shown after its one fetch). The inspector polls every 50 ms, so a
   window time is late by 0 to 50 ms plus one poll's own work.
2. CPU per refresh: utime + stime of the Windows process (its Linux pid, as
   wine execs the loader) over `--refreshes` requests at `--interval` ms,
   and the same for the prefix's wineserver, which does part of every
   Windows call's work, and for the Xvfb of DISPLAY, which draws the windows.
3. Memory and handles before and after those refreshes: the inspector's
   `process` command (Windows side) and /proc/<pid>/status and fd (Linux side).

Baselines: build/mingw/BareFetch.exe (bench/win/BareFetch.cpp), once with
InternetOpenUrlA and once with --async (the board's own calls:
InternetConnectA/HttpOpenRequestA/HttpSendRequestA on an asynchronous
session); --breakdown adds the same calls synchronous (--connect).

Only loopback: every program fetches from a QuoteServer on 127.0.0.1, and
every wait here is bounded.
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import threading
import time
import urllib.request
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tools"))
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import harness  # noqa: E402
from quote_server import BASE_PATH, QuoteServer  # noqa: E402

WM_CLOSE = 0x0010
CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
# A warm Wine starts the inspector in about 0.15 s; this leaves it polling
# well before the program under test is launched.
WAITER_SETTLE_S = 0.6
WINDOW_TIMEOUT_MS = 20000


def bare_fetch_exe():
    path = harness.BUILD_DIR / "BareFetch.exe"
    if not path.is_file():
        raise FileNotFoundError(f"{path} not found: bash scripts/build.sh mingw")
    return path


def base_url(port):
    return f"http://127.0.0.1:{port}{BASE_PATH}"


def board_ini(port, interval_ms):
    return f"[Interval]\nInterval={interval_ms}\n[Feed]\nHost=127.0.0.1:{port}\n"


# ---------------------------------------------------------------------------
# The programs under test, each run from a folder of its own so that the
# inspector's --exe-path picks out this run's window and no other.


class KazebanSubject:
    window_class = "TMainForm"
    window_state = "--layered"

    def __init__(self, port, interval_ms, extra_ini="", label="Kazeban.exe"):
        self.label = label
        self.run = harness.BoardRun(ini=board_ini(port, interval_ms) + extra_ini,
                                    name="bench-board")

    @property
    def exe_filter(self):
        return self.run.exe_filter

    def start(self):
        self.run.start()
        return self.run.process

    def found(self, info):
        self.run.hwnd, self.run.pid = info["hwnd"], info["pid"]

    def stop(self):
        self.run.stop()
        self.run.__exit__(None, None, None)


class BareFetchSubject:
    window_class = "BareFetchWindow"
    window_state = "--visible"
    _serial = 0

    def __init__(self, port, count=1, interval_ms=1000, mode=None):
        """mode: None (InternetOpenUrlA), "--connect" or "--async"."""
        BareFetchSubject._serial += 1
        self.label = f"BareFetch {mode}" if mode else "BareFetch OpenUrl"
        self.dir = harness.WORK_DIR / f"bench-bare-{os.getpid()}-{BareFetchSubject._serial}"
        shutil.rmtree(self.dir, ignore_errors=True)
        self.dir.mkdir(parents=True)
        self.exe = self.dir / "BareFetch.exe"
        shutil.copy2(bare_fetch_exe(), self.exe)
        self.args = [base_url(port), count, interval_ms] + ([mode] if mode else [])
        self.process = None
        self.hwnd = None

    @property
    def exe_filter(self):
        return f"\\{self.dir.name}\\BareFetch.exe"

    def start(self):
        self.process = subprocess.Popen(
            ["wine", str(self.exe), *map(str, self.args)], cwd=self.dir,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            env=harness.wine_env())
        return self.process

    def found(self, info):
        self.hwnd = info["hwnd"]

    def stop(self):
        if self.process.poll() is None:
            try:
                if self.hwnd is not None:
                    harness.inspect("post", self.hwnd, WM_CLOSE, 0, 0)
                self.process.wait(5)
            except (harness.InspectError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


def wait_for_window(subject, timeout_s=20.0):
    info = harness.inspect("wait-window", "--class", subject.window_class, "--exe-path",
                           subject.exe_filter, subject.window_state,
                           "--timeout", int(timeout_s * 1000), timeout=timeout_s + 10)
    subject.found(info)
    return info


# ---------------------------------------------------------------------------
# Linux-side figures


def cpu_ms(pid):
    """utime + stime of every thread of pid, in ms (clock-tick resolution)."""
    with open(f"/proc/{pid}/stat") as f:
        data = f.read()
    fields = data[data.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) * 1000.0 / CLOCK_TICKS


def linux_memory(pid):
    values = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, rest = line.partition(":")
            if key in ("VmRSS", "VmHWM", "RssAnon", "Threads"):
                values[key] = int(rest.split()[0])
    values["fds"] = len(os.listdir(f"/proc/{pid}/fd"))
    return values


def find_wineserver():
    """The wineserver of this WINEPREFIX: it runs in a folder named after the
    prefix's device and inode. None when there is none."""
    prefix = os.stat(harness.wine_env()["WINEPREFIX"])
    tag = f"server-{prefix.st_dev:x}-{prefix.st_ino:x}"
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/comm") as f:
                if not f.read().startswith("wineserver"):
                    continue
            if os.readlink(f"/proc/{entry}/cwd").endswith(tag):
                return int(entry)
        except OSError:
            continue
    return None


def find_x_server():
    """The Xvfb of DISPLAY, which draws every window the programs update."""
    display = os.environ.get("DISPLAY", "")
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                words = [w.decode("utf-8", "replace") for w in f.read().split(b"\0")]
        except OSError:
            continue
        if words and os.path.basename(words[0]) == "Xvfb" and display in words[1:]:
            return int(entry)
    return None


def other_wine_programs():
    """Windows programs (not Wine's own services) in this WINEPREFIX: they share
    its wineserver, and a second Kazeban.exe would meet the single-instance rule."""
    prefix = f"WINEPREFIX={os.path.realpath(harness.wine_env()['WINEPREFIX'])}".encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                first = f.read().split(b"\0")[0].decode("utf-8", "replace")
            if not first.lower().endswith(".exe") or "\\windows\\system32\\" in first.lower():
                continue
            with open(f"/proc/{entry}/environ", "rb") as f:
                if prefix not in f.read().split(b"\0"):
                    continue
        except OSError:
            continue
        found.append(first)
    return sorted(set(found))


# ---------------------------------------------------------------------------
# 1. Launch


def launch_once(server, subject):
    """(ms to the first request, ms to the window found) of one launch."""
    server.clear_requests()
    waiter = subprocess.Popen(
        ["wine", str(harness.inspector_exe()), "wait-window", "--class", subject.window_class,
         "--exe-path", subject.exe_filter, subject.window_state,
         "--timeout", str(WINDOW_TIMEOUT_MS)],
        stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
        env=harness.wine_env())
    found = {}

    # A line, not the end of the pipe: an explorer.exe that the inspector
    # starts may inherit the pipe and keep it open.
    def read_answer():
        line = waiter.stdout.readline()
        found["time"] = time.time()
        found["line"] = line

    reader = threading.Thread(target=read_answer, daemon=True)
    try:
        time.sleep(WAITER_SETTLE_S)
        if waiter.poll() is not None:
            raise RuntimeError("the inspector ended before the launch")
        reader.start()
        launched = time.time()
        process = subject.start()
        requests = server.wait_for_requests(1, timeout=WINDOW_TIMEOUT_MS / 1000)
        reader.join(WINDOW_TIMEOUT_MS / 1000 + 5)
        if not requests or not found.get("line"):
            raise RuntimeError(
                f"{subject.label}: {len(requests)} requests, window "
                f"{'found' if found.get('line') else 'not found'}; the program "
                + ("is still running" if process.poll() is None
                   else f"exited with {process.returncode}"))
        subject.found(json.loads(found["line"]))
        return ((requests[0]["time"] - launched) * 1000, (found["time"] - launched) * 1000)
    finally:
        if waiter.poll() is None:
            try:
                waiter.wait(WINDOW_TIMEOUT_MS / 1000 + 5)
            except subprocess.TimeoutExpired:
                waiter.kill()
                waiter.wait()
        waiter.stdout.close()
        subject.stop()


def bench_launch(runs):
    results = {"Kazeban.exe": [], "BareFetch OpenUrl": []}
    with QuoteServer(mode="demo") as server:
        # One unmeasured launch each: the first start of a program pays for
        # files and fonts that every later start finds in the page cache.
        makers = [lambda: KazebanSubject(server.port, 30000),
                  lambda: BareFetchSubject(server.port)]
        for make in makers:
            launch_once(server, make())
        # Interleaved, so that a drift of the machine touches both alike.
        for _ in range(runs):
            for make in makers:
                subject = make()
                results[subject.label].append(launch_once(server, subject))
    return results


# ---------------------------------------------------------------------------
# 2 and 3. CPU, memory and handles over many refreshes


def helpers_cpu(helpers):
    return {name: cpu_ms(pid) for name, pid in helpers.items() if pid}


def windows_process(win_pid):
    return harness.inspect("process", win_pid)


def bench_refreshes(make_subject, refreshes, interval_ms, helpers, page=None):
    """CPU per refresh and memory/handles before and after, for one program;
    the server's moving demo page, or always the same page when one is given."""
    limit = refreshes * interval_ms / 1000 * 3 + 30
    mode = "fixture" if page is not None else "demo"
    with QuoteServer(mode=mode, fixture=page) as server:
        subject = make_subject(server)
        try:
            process = subject.start()
            pid = process.pid
            info = wait_for_window(subject)
            # Found layered (or shown), the program is past its start-up refresh.
            # The inspector takes a few refreshes' time: a sample stands for
            # the middle of it.
            before_count = len(server.requests)
            before_win = windows_process(info["pid"])
            before_linux = linux_memory(pid)
            before_count = (before_count + len(server.requests)) / 2
            first = len(server.requests) + 1

            # Sampled just after a request is logged, both ends at the same
            # point of a refresh.
            if len(server.wait_for_requests(first, timeout=10)) < first:
                raise RuntimeError(f"{subject.label}: no refresh after start-up")
            cpu_start, helpers_start, time_start = cpu_ms(pid), helpers_cpu(helpers), time.time()
            rss_track = []
            step = max(1, refreshes // 5)
            for done in list(range(step, refreshes, step)) + [refreshes]:
                if len(server.wait_for_requests(first + done, timeout=limit)) < first + done:
                    raise RuntimeError(f"{subject.label}: only {len(server.requests) - first} "
                                       f"of {refreshes} refreshes within {limit:.0f} s")
                if done == refreshes:
                    cpu_end, helpers_end, time_end = cpu_ms(pid), helpers_cpu(helpers), time.time()
                rss_track.append((done, linux_memory(pid)["RssAnon"]))

            after_count = len(server.requests)
            after_win = windows_process(info["pid"])
            after_linux = linux_memory(pid)
            after_count = (after_count + len(server.requests)) / 2
            if process.poll() is not None:
                raise RuntimeError(f"{subject.label} exited with {process.returncode}")
            failed = [r for r in server.requests if r["status"] != 200]
        finally:
            subject.stop()
    return {
        "label": subject.label,
        "refreshes": refreshes,
        "cpu_ms_per_refresh": (cpu_end - cpu_start) / refreshes,
        "helpers_ms_per_refresh": {
            name: (helpers_end[name] - helpers_start[name]) / refreshes
            for name in helpers_start},
        "period_ms": (time_end - time_start) * 1000 / refreshes,
        "before": {"windows": before_win, "linux": before_linux, "requests": before_count},
        "after": {"windows": after_win, "linux": after_linux, "requests": after_count},
        "rss_anon_track_kb": rss_track,
        "non_200": len(failed),
    }


def demo_page():
    """One page of the demo service, to serve unchanged."""
    with QuoteServer(mode="demo") as server:
        with urllib.request.urlopen(base_url(server.port) + "?kk=0001", timeout=10) as answer:
            return answer.read()


# ---------------------------------------------------------------------------
# Report


def spread(values):
    return f"{statistics.median(values):7.0f}  [{min(values):5.0f} - {max(values):5.0f}]"


def print_launch(results, runs):
    print(f"\n1. Launch (ms from Popen; median [min - max] of {runs} runs; "
          "window found by polling every 50 ms)")
    print(f"  {'program':<22}{'first request':>28}{'window found':>30}")
    for label, pairs in results.items():
        state = "layered" if label.startswith("Kazeban") else "visible"
        print(f"  {label:<22}{spread([p[0] for p in pairs]):>28}"
              f"{spread([p[1] for p in pairs]):>22} ({state})")


def growth(row, section, key):
    before, after = row["before"][section].get(key), row["after"][section].get(key)
    if before is None or after is None:
        return None, None, None
    span = row["after"]["requests"] - row["before"]["requests"]
    return before, after, (after - before) / span if span else None


def print_refreshes(rows, interval_ms):
    print(f"\n2. CPU per refresh ({rows[0]['refreshes']} refreshes, timer {interval_ms} ms; "
          f"clock tick {1000 / CLOCK_TICKS:.0f} ms)")
    print(f"  {'program':<22}{'process ms':>12}{'wineserver ms':>15}{'Xvfb ms':>9}"
          f"{'period ms':>11}{'non-200':>9}")
    for row in rows:
        helpers = row["helpers_ms_per_refresh"]
        cells = [f"{helpers[name]:.2f}" if name in helpers else "n/a"
                 for name in ("wineserver", "Xvfb")]
        print(f"  {row['label']:<22}{row['cpu_ms_per_refresh']:>12.2f}{cells[0]:>15}"
              f"{cells[1]:>9}{row['period_ms']:>11.1f}{row['non_200']:>9}")

    print("\n3. Memory and handles, before -> after the refreshes (growth per refresh)")
    figures = [
        ("windows", "private_bytes", "PrivateUsage (Wine: 0 for another process)", 1),
        ("windows", "private_committed", "committed private, KB (VirtualQueryEx)", 1024),
        ("windows", "pagefile", "PagefileUsage, KB (Wine: RssAnon)", 1024),
        ("windows", "working_set", "WorkingSetSize, KB", 1024),
        ("windows", "handles", "GetProcessHandleCount (Wine: 0)", 1),
        ("windows", "handles_probed", "kernel handles (probed)", 1),
        ("windows", "gdi", "GDI objects (GetGuiResources)", 1),
        ("windows", "user", "USER objects (GetGuiResources)", 1),
        ("linux", "VmRSS", "Linux VmRSS, KB", 1),
        ("linux", "VmHWM", "Linux VmHWM, KB", 1),
        ("linux", "RssAnon", "Linux RssAnon, KB", 1),
        ("linux", "fds", "Linux open fds", 1),
        ("linux", "Threads", "Linux threads", 1),
    ]
    for row in rows:
        span = row["after"]["requests"] - row["before"]["requests"]
        print(f"  {row['label']}  (samples {span:.0f} requests apart)")
        for section, key, text, unit in figures:
            before, after, per = growth(row, section, key)
            if before is None:
                errors = row["after"]["windows"].get("errors", {})
                note = f"error {errors[key]}" if key in errors else "n/a"
                print(f"    {text:<46}{note:>30}")
                continue
            per_text = f"{per / unit:+.3f}/refresh" if per is not None else ""
            print(f"    {text:<46}{before / unit:>11.0f} -> {after / unit:<11.0f}{per_text:>16}")
        track = ", ".join(f"{n}:{kb}" for n, kb in row["rss_anon_track_kb"])
        print(f"    {'RssAnon KB after N refreshes':<46}  {track}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--runs", type=int, default=7, help="measured launches per program")
    parser.add_argument("--refreshes", type=int, default=500)
    parser.add_argument("--interval", type=int, default=100, help="refresh interval, ms")
    parser.add_argument("--skip-launch", action="store_true")
    parser.add_argument("--skip-refreshes", action="store_true")
    parser.add_argument("--breakdown", action="store_true",
                        help="also run the board on an unchanging page and hidden "
                             "(two more refresh runs)")
    parser.add_argument("--json", help="also write every figure to this file")
    args = parser.parse_args()
    if not os.environ.get("DISPLAY"):
        sys.exit("DISPLAY is not set: see the top of this file")

    started = time.time()
    helpers = {"wineserver": find_wineserver(), "Xvfb": find_x_server()}
    others = other_wine_programs()
    if any(name.lower().endswith("kazeban.exe") for name in others):
        sys.exit(f"another Kazeban.exe runs in this WINEPREFIX ({', '.join(others)}): "
                 "the single-instance rule would end ours; use a prefix of your own")
    print(f"Kazeban benchmarks; WINEPREFIX={harness.wine_env()['WINEPREFIX']}; "
          f"wineserver pid {helpers['wineserver'] or 'not found'}; "
          f"Xvfb pid {helpers['Xvfb'] or 'not found'} on {os.environ['DISPLAY']}")
    if others:
        print(f"  note: other Windows programs share the wineserver: {', '.join(others)}")
    print(f"  load average {os.getloadavg()[0]:.2f} on {os.cpu_count()} CPUs")
    report = {"interval_ms": args.interval}

    if not args.skip_launch:
        launch = bench_launch(args.runs)
        report["launch_ms"] = launch
        print_launch(launch, args.runs)

    if not args.skip_refreshes:
        count = args.refreshes + 50  # the bare loop ends by itself, after the samples
        makers = [
            (lambda server: KazebanSubject(server.port, args.interval), None),
            (lambda server: BareFetchSubject(server.port, count, args.interval, "--async"),
             None),
            (lambda server: BareFetchSubject(server.port, count, args.interval), None),
        ]
        if args.breakdown:
            # Which part of a refresh costs what: the synchronous calls against
            # the asynchronous ones; the same page leaves every caption as it
            # was; a hidden board updates its labels unpainted.
            makers += [
                (lambda server: BareFetchSubject(server.port, count, args.interval, "--connect"),
                 None),
                (lambda server: KazebanSubject(server.port, args.interval,
                                               label="Kazeban, same page"), demo_page()),
                (lambda server: KazebanSubject(server.port, args.interval,
                                               "[Position]\nshow=0\n", "Kazeban, hidden"),
                 None),
            ]
        rows = [bench_refreshes(make, args.refreshes, args.interval, helpers, page)
                for make, page in makers]
        report["refreshes"] = rows
        print_refreshes(rows, args.interval)

    later = other_wine_programs()
    if later:
        print(f"\n  note: other Windows programs seen at the end: {', '.join(later)}")
    print(f"\nTotal {time.time() - started:.0f} s; load average {os.getloadavg()[0]:.2f}")
    if args.json:
        Path(args.json).write_text(json.dumps(report, indent=1))


if __name__ == "__main__":
    main()
