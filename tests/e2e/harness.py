"""Runs the real Kazeban.exe under Wine and watches it from outside.

The end-to-end tests see the program only the way a user or the system would:
its windows (through KazebanProbe.exe, run under the same wineserver), its
settings file on disk, and screenshots of the X display.

Environment (exported by the test command, or by hand after
``source scripts/wine-env.sh <prefix>`` and starting a display):
WINEPREFIX, DISPLAY, KAZEBAN_BUILD_DIR (holds Kazeban.exe and
KazebanProbe.exe; default <repo>/build/mingw), KAZEBAN_SOURCE_DIR.
KAZEBAN_EXE / KAZEBAN_PROBE override the two programs' paths;
KAZEBAN_KEEP_WORK=1 keeps every run's work folder.
"""

import collections
import itertools
import json
import os
import shutil
import struct
import subprocess
import tempfile
import time
from pathlib import Path

SOURCE_DIR = Path(os.environ.get("KAZEBAN_SOURCE_DIR") or Path(__file__).resolve().parents[2])
BUILD_DIR = Path(os.environ.get("KAZEBAN_BUILD_DIR") or SOURCE_DIR / "build" / "mingw")
WORK_DIR = BUILD_DIR / "e2e-work"

WM_CLOSE = 0x0010
WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016
WM_KEYDOWN = 0x0100
WM_COMMAND = 0x0111
WM_SYSCOMMAND = 0x0112
WM_LBUTTONUP = 0x0202
WM_RBUTTONUP = 0x0205
VK_RETURN = 0x0D
VK_ESCAPE = 0x1B
VK_DOWN = 0x28

WS_POPUP = 0x80000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_THICKFRAME = 0x00040000
WS_EX_TOPMOST = 0x00000008
WS_EX_TOOLWINDOW = 0x00000080
WS_EX_APPWINDOW = 0x00040000
WS_EX_LAYERED = 0x00080000
LWA_COLORKEY = 0x1
LWA_ALPHA = 0x2

# Each call to the inspector is a Wine process start, about 0.15 s once the
# wineserver is warm: poll inside the inspector, not in Python, where it counts.
_POLL_SLICE_MS = 2000


class InspectError(RuntimeError):
    """The inspector failed: bad usage, or Wine itself did not run."""

    def __init__(self, args, result):
        super().__init__(
            f"KazebanProbe {' '.join(args)} exited {result.returncode}: "
            f"{result.stdout.strip()} {result.stderr.strip()}"
        )
        self.returncode = result.returncode
        self.stdout = result.stdout
        self.stderr = result.stderr


class WindowNotFound(InspectError):
    """The inspector's exit code 1: no such window, or a wait timed out."""


def wine_env():
    """The environment every Wine process of a test needs."""
    env = dict(os.environ)
    # Without code page 932 in the program, its Shift_JIS captions turn into '?'.
    env["LANG"] = env["LC_ALL"] = "ja_JP.UTF-8"
    env.setdefault("WINEDEBUG", "-all")
    env.setdefault("WINEARCH", "win64")
    env.setdefault("WINEPREFIX", str(BUILD_DIR / "wineprefix"))
    for proxy in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY"):
        env.pop(proxy, None)
    env["no_proxy"] = "127.0.0.1,localhost"
    return env


def _find_program(variable, name):
    if os.environ.get(variable):
        return Path(os.environ[variable])
    for folder in (BUILD_DIR, BUILD_DIR / "src", BUILD_DIR / "tools"):
        if (folder / name).is_file():
            return folder / name
    raise FileNotFoundError(f"{name} not found in {BUILD_DIR} (build it, or set {variable})")


def kazeban_exe():
    return _find_program("KAZEBAN_EXE", "Kazeban.exe")


def inspector_exe():
    return _find_program("KAZEBAN_PROBE", "KazebanProbe.exe")


def _run_wine(words, timeout):
    """Runs one Wine command; a CompletedProcess with stdout and stderr as text.

    Output goes through files, not pipes: a Wine process that is first to need
    the desktop starts explorer.exe, which inherits its standard handles and
    outlives it, so reading a pipe to its end would wait for that explorer.
    """
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        process = subprocess.Popen(
            ["wine", *words], stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=wine_env()
        )
        try:
            returncode = process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise
        return subprocess.CompletedProcess(words, returncode, _read_text(out), _read_text(err))


def _read_text(file):
    file.seek(0)
    return file.read().decode("utf-8", errors="replace")


def inspect(*args, timeout=30):
    """Runs KazebanProbe.exe with args and returns its parsed JSON answer.

    Raises WindowNotFound when the window is gone (or a wait timed out) and
    InspectError on any other failure.
    """
    words = [str(a) for a in args]
    result = _run_wine([str(inspector_exe()), *words], timeout)
    if result.returncode == 1:
        raise WindowNotFound(words, result)
    if result.returncode != 0:
        raise InspectError(words, result)
    return json.loads(result.stdout)


def wait_until(condition, timeout=10.0, interval=0.2, message="condition"):
    """Polls condition() until it returns something truthy, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise AssertionError(
                f"timed out after {timeout} s waiting for {message} (last: {value!r})"
            )
        time.sleep(interval)


def _rect_tuple(rect):
    if isinstance(rect, dict):
        return rect["left"], rect["top"], rect["right"], rect["bottom"]
    return tuple(rect)


class Image:
    """An RGB screenshot: pixel(x, y) -> (r, g, b)."""

    def __init__(self, width, height, rgb, path=None):
        if len(rgb) != width * height * 3:
            raise ValueError(f"{len(rgb)} bytes for a {width}x{height} RGB image")
        self.width, self.height, self.rgb, self.path = width, height, rgb, path

    @classmethod
    def load(cls, path):
        with open(path, "rb") as f:
            header = f.read(24)
        if header[:8] != b"\x89PNG\r\n\x1a\n" or header[12:16] != b"IHDR":
            raise ValueError(f"{path} is not a PNG")
        width, height = struct.unpack(">II", header[16:24])
        rgb = subprocess.run(
            ["convert", str(path), "-depth", "8", "rgb:-"], capture_output=True, check=True
        ).stdout
        return cls(width, height, rgb, path)

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"({x}, {y}) outside {self.width}x{self.height}")
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i : i + 3])

    def crop_colors(self, rect):
        """A Counter of the (r, g, b) colours inside rect (left, top, right, bottom),
        right and bottom exclusive, as Windows rects are; a dict from the inspector works."""
        left, top, right, bottom = _rect_tuple(rect)
        left, top = max(left, 0), max(top, 0)
        right, bottom = min(right, self.width), min(bottom, self.height)
        colors = collections.Counter()
        for y in range(top, bottom):
            row = self.rgb[(y * self.width + left) * 3 : (y * self.width + right) * 3]
            colors.update(zip(row[0::3], row[1::3], row[2::3]))
        return colors


def screenshot(path=None):
    """Grabs the whole X screen (every window as drawn, the desktop behind); without
    a path the PNG goes to WORK_DIR, where a failing test's evidence is kept."""
    if path is None:
        WORK_DIR.mkdir(parents=True, exist_ok=True)
        fd, path = tempfile.mkstemp(prefix="shot-", suffix=".png", dir=WORK_DIR)
        os.close(fd)
    subprocess.run(["import", "-window", "root", f"png:{path}"], check=True, capture_output=True)
    return Image.load(path)


def set_desktop_color(rgb):
    """Paints the X root window, so that what a layered window lets through shows."""
    color = rgb if isinstance(rgb, str) else "#%02x%02x%02x" % tuple(rgb)
    subprocess.run(["xsetroot", "-solid", color], check=True)


def end_session(timeout=30):
    """Logs the Wine session off: WM_QUERYENDSESSION and WM_ENDSESSION to every
    program of the prefix, then ends them. It reaches every running program,
    not one run's."""
    return _run_wine(["wineboot", "--end-session"], timeout)


def ini_bytes(text):
    """An INI text as the program reads it: Shift_JIS with CRLF line ends."""
    if isinstance(text, bytes):
        return text
    lines = text.replace("\r\n", "\n").split("\n")
    return "\r\n".join(lines).encode("cp932")


class BoardRun:
    """One run of Kazeban.exe from its own folder, with its own settings file.

        with BoardRun(ini="[Position]\\ntop=40\\nleft=60\\n", name="position") as run:
            run.start()
            board = run.wait_board(layered=True)
            self.assertEqual((board["rect"]["left"], board["rect"]["top"]), (60, 40))
            self.assertIn(101, run.labels())

    The folder is BUILD_DIR/e2e-work/<name>-<pid>-<n>/; it is deleted when the
    block ends without an exception (read files inside the block, or pass
    keep=True) and kept for a look when it fails.
    """

    _serial = itertools.count(1)

    def __init__(self, ini=None, name="run", exe=None, keep=False):
        self.dir = WORK_DIR / f"{name}-{os.getpid()}-{next(self._serial)}"
        shutil.rmtree(self.dir, ignore_errors=True)
        self.dir.mkdir(parents=True)
        self.exe = self.dir / "Kazeban.exe"
        shutil.copy2(exe or kazeban_exe(), self.exe)
        self.ini_path = self.dir / "Kazeban.INI"
        # Outside the folder: the program's own files there are under test.
        self.log_path = self.dir.with_name(self.dir.name + ".log")
        self.keep = keep or bool(os.environ.get("KAZEBAN_KEEP_WORK"))
        self.process = None
        self.hwnd = None
        self.pid = None  # the Windows pid, which is not the Linux one
        self._log = None
        if ini is not None:
            self.write_ini(ini)

    @property
    def exe_filter(self):
        """What --exe-path matches: this run's copy of the program and no other."""
        return f"\\{self.dir.name}\\Kazeban.exe"

    def write_ini(self, ini):
        self.ini_path.write_bytes(ini_bytes(ini))

    def ini_text(self):
        try:
            return self.ini_path.read_bytes().decode("cp932")
        except FileNotFoundError:
            return None

    def start(self, *args):
        if not os.environ.get("DISPLAY"):
            raise RuntimeError("DISPLAY is not set: start Xvfb and openbox (scripts/wine-env.sh)")
        self._log = open(self.log_path, "wb")
        # /usr/bin/wine execs the loader, so this pid is the Windows process itself.
        self.process = subprocess.Popen(
            ["wine", str(self.exe), *map(str, args)],
            cwd=self.dir,
            stdin=subprocess.DEVNULL,
            stdout=self._log,
            stderr=subprocess.STDOUT,
            env=wine_env(),
        )
        return self

    @property
    def running(self):
        return self.process is not None and self.process.poll() is None

    def wait_window(self, cls, timeout=10.0, visible=False, layered=False):
        """Waits for a top-level window of this run of class cls and returns its info."""
        options = ["--class", cls, "--exe-path", self.exe_filter]
        options += ["--visible"] if visible else []
        options += ["--layered"] if layered else []
        deadline = time.monotonic() + timeout
        while True:
            remaining_ms = int((deadline - time.monotonic()) * 1000)
            try:
                slice_ms = max(0, min(_POLL_SLICE_MS, remaining_ms))
                return inspect("wait-window", *options, "--timeout", slice_ms)
            except WindowNotFound:
                pass
            if self.process is not None and self.process.poll() is not None:
                raise AssertionError(
                    f"Kazeban exited with {self.process.returncode} "
                    f"before a {cls} window appeared; "
                    f"log: {self.log_path}"
                )
            if remaining_ms <= 0:
                raise AssertionError(f"no {cls} window of this run within {timeout} s")

    def wait_board(self, timeout=20.0, layered=False, visible=False):
        """Waits for the board (with layered=True until its colour key and alpha
        are set too) and returns its window info."""
        info = self.wait_window("TMainForm", timeout, visible=visible, layered=layered)
        self.hwnd, self.pid = info["hwnd"], info["pid"]
        return info

    def windows(self, cls=None):
        """This run's top-level windows, in Z order (topmost first)."""
        options = ["--class", cls] if cls else []
        return inspect("windows", "--exe-path", self.exe_filter, *options)

    def board_info(self):
        """{"board": window info, "app": the application window, "labels": {"101": ...}}."""
        return inspect("board", "--exe-path", self.exe_filter)

    def labels(self):
        """{control id: caption} of every label of the board."""
        return {int(k): v["text"] for k, v in self.board_info()["labels"].items()}

    def children(self, hwnd=None):
        return inspect("children", hwnd or self._board_hwnd())

    def send(self, msg, wparam=0, lparam=0, hwnd=None, timeout_ms=5000):
        """SendMessageTimeout to the board (or hwnd): {"ok", "result", "error"}."""
        target = hwnd or self._board_hwnd()
        return inspect("send", target, msg, wparam, lparam, "--timeout", timeout_ms)

    def post(self, msg, wparam=0, lparam=0, hwnd=None):
        return inspect("post", hwnd or self._board_hwnd(), msg, wparam, lparam)

    def move(self, x, y, hwnd=None):
        """Moves the board (or hwnd) to screen position x, y: {"ok", "rect"}."""
        return inspect("move", hwnd or self._board_hwnd(), x, y)

    def close(self):
        """Posts WM_CLOSE to the board, as the window manager's close would."""
        return self.post(WM_CLOSE)

    def end_session(self, timeout=30):
        return end_session(timeout)

    def wait_exit(self, timeout=10.0):
        """The exit code, or None when the program is still running after timeout."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def _board_hwnd(self):
        if self.hwnd is None:
            self.wait_board()
        return self.hwnd

    def stop(self):
        """Ends the program: WM_CLOSE first so that it can save, then a kill."""
        if self.running:
            closing = False
            try:
                if self.hwnd is not None:
                    closing = self.close()["ok"]
            except InspectError:
                pass
            if not closing or self.wait_exit(5) is None:
                self.process.kill()
                self.process.wait(10)
        if self._log:
            self._log.close()
            self._log = None

    def __enter__(self):
        return self

    def __exit__(self, exc_type, exc, tb):
        self.stop()
        if exc_type is None and not self.keep:
            shutil.rmtree(self.dir, ignore_errors=True)
            self.log_path.unlink(missing_ok=True)
        return False
