"""The settings file beside the executable, read at start and written at
close, seen on disk and in the board's window."""

import ctypes
import os
import struct
import subprocess
import unittest

import harness
from harness import BoardRun, wait_until
from quotes import free_port

KEYS = [("Position", "top"), ("Position", "left"), ("Position", "show"), ("Interval", "Interval")]
DEFAULTS = {"top": "150", "left": "200", "show": "1", "Interval": "30000"}


def offline():
    """A [Feed] section that sends the board nowhere: no refresh waits."""
    return f"[Feed]\nHost=127.0.0.1:{free_port()}\n"


def values(ini_text):
    """{key: value} of the four keys, in file order, with their sections checked."""
    found, section = {}, None
    for line in ini_text.splitlines():
        if line.startswith("["):
            section = line.strip("[]")
        elif "=" in line:
            key, value = line.split("=", 1)
            if (section, key) in KEYS:
                found[key] = value
    return found


def run_and_close(test, ini):
    """Starts the board with ini, closes it, and returns (board window info, file text)."""
    with BoardRun(ini, name="settings") as run:
        run.start()
        board = run.wait_board(layered=True)
        run.close()
        test.assertEqual(run.wait_exit(15), 0)
        return board, run.ini_text()


def windows_path(path):
    return subprocess.run(["winepath", "-w", str(path)], env=harness.wine_env(), capture_output=True,
                          text=True, check=True).stdout.strip()


class LoadAndSaveTest(unittest.TestCase):
    def test_no_file_starts_with_defaults_and_close_writes_the_four_keys_in_order(self):
        with BoardRun(name="nofile") as run:
            run.start()
            board = run.wait_board(layered=True)
            self.assertIsNone(run.ini_text(), "reading must not create the file")
            run.close()
            self.assertEqual(run.wait_exit(15), 0)
            text = run.ini_text()
        r = board["rect"]
        self.assertEqual((r["left"], r["top"]), (200, 150))
        self.assertTrue(board["visible"])
        self.assertEqual(text, "[Position]\r\ntop=150\r\nleft=200\r\nshow=1\r\n[Interval]\r\nInterval=30000\r\n")

    def test_hand_edited_values_are_read_by_the_number_rule_and_written_back(self):
        # key, value in the file, value written back at close
        cases = [
            ("Interval", "0x7530", "30000"),
            ("Interval", "$7530", "30000"),
            ("Interval", "x7530", "30000"),
            ("Interval", "30000ms", "30000"),
            ("Interval", "", "30000"),
            ("Interval", "45000", "45000"),
            ("Interval", "0", "0"),
            ("Interval", "-1", "-1"),
            ("top", "12.5", "150"),
            ("top", "2147483648", "150"),
            ("top", "-5000", "-5000"),
            ("top", "+120", "120"),
            ("left", "-2147483648", "-2147483648"),
            ("left", " 300", "300"),
            ("show", "yes", "1"),
            ("show", "2", "0"),
            ("show", "-1", "0"),
            ("show", "0", "0"),
        ]
        for key, value, written in cases:
            with self.subTest(key=key, value=value):
                section = "Interval" if key == "Interval" else "Position"
                board, text = run_and_close(self, f"[{section}]\n{key}={value}\n" + offline())
                expected = dict(DEFAULTS, **{key: written})
                self.assertEqual(values(text), expected)
                self.assertEqual(board["visible"], expected["show"] == "1")
                if key in ("top", "left") and written != "-2147483648":
                    self.assertEqual(board["rect"][key], int(written))

    def test_comments_foreign_keys_and_sections_survive_a_close(self):
        ini = ("; kept by hand\n[Position]\ntop=40\n; about left\nleft=60\ncolour=blue\n"
               "[Other]\nname=値\n" + offline())
        _, text = run_and_close(self, ini)
        for line in ["; kept by hand", "; about left", "colour=blue", "[Other]", "name=値", "[Feed]", "Host=127.0.0.1:"]:
            with self.subTest(line=line):
                self.assertIn(line, text)
        self.assertEqual(values(text), {"top": "40", "left": "60", "show": "1", "Interval": "30000"})


class RefusedWriteTest(unittest.TestCase):
    def test_a_refused_write_shows_the_box_and_the_program_stays(self):
        with BoardRun(name="refused") as run:
            run.ini_path.mkdir()  # the system refuses to write a file over a folder
            run.start()
            run.wait_board(layered=True)
            run.close()
            box = run.wait_window("#32770", timeout=15)
            texts = [c["text"] for c in run.children(box["hwnd"])]
            self.assertIn(windows_path(run.ini_path) + " に書き込めません.", texts)
            self.assertEqual(box["title"], "Kazeban")
            self.assertEqual(box["owner"], run.board_info()["app"]["hwnd"])
            self.assertTrue(run.running)

            run.post(harness.WM_COMMAND, 1, 0, hwnd=box["hwnd"])  # OK
            wait_until(lambda: not run.windows("#32770"), timeout=10, message="the box to go")
            self.assertTrue(run.running)
            self.assertTrue(run.board_info()["board"]["visible"])

            run.ini_path.rmdir()
            run.close()
            self.assertEqual(run.wait_exit(15), 0)
            self.assertEqual(values(run.ini_text()), DEFAULTS)


def start_and_move(run, left, top):
    """Starts the board and moves it, as a user dragging it would."""
    run.start()
    run.wait_board(layered=True)
    harness.inspect("move", run.hwnd, left, top)
    wait_until(lambda: run.board_info()["board"]["rect"]["left"] == left, timeout=5, message="the move")


class SessionEndTest(unittest.TestCase):
    def test_the_end_of_the_session_keeps_a_moved_board(self):
        with BoardRun(offline(), name="logoff") as run:
            start_and_move(run, 321, 234)
            run.end_session()
            self.assertIsNotNone(run.wait_exit(30))
            self.assertEqual(values(run.ini_text()), dict(DEFAULTS, top="234", left="321"))

    def test_settings_are_on_disk_at_the_end_of_the_session_and_written_once(self):
        # Whether the close posted at the query still runs before the system
        # ends the process is a race; here the system ends it right after
        # WM_ENDSESSION, with no query and so no close at all.
        with BoardRun(offline(), name="endsession") as run:
            start_and_move(run, 40, 60)
            self.assertTrue(run.send(harness.WM_ENDSESSION, 1, 0)["ok"])
            self.assertEqual(values(run.ini_text()), dict(DEFAULTS, top="60", left="40"))
            # The close that follows must not write them a second time.
            run.write_ini(run.ini_text().replace("top=60", "top=999"))
            run.close()
            self.assertEqual(run.wait_exit(15), 0)
            self.assertEqual(values(run.ini_text())["top"], "999")


IN_ACCESS, IN_MODIFY, IN_ATTRIB, IN_CLOSE_WRITE, IN_OPEN, IN_CREATE = 0x1, 0x2, 0x4, 0x8, 0x20, 0x100


class InotifyWatch:
    """Every event on one file name in a folder, by the kernel's own account."""

    def __init__(self, folder, name):
        self.libc = ctypes.CDLL(None, use_errno=True)
        self.fd = self.libc.inotify_init1(os.O_NONBLOCK)
        mask = IN_ACCESS | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_OPEN | IN_CREATE
        self.libc.inotify_add_watch(self.fd, str(folder).encode(), mask)
        self.name = name.encode()

    def events(self):
        found = []
        try:
            data = os.read(self.fd, 65536)
        except BlockingIOError:
            return found
        i = 0
        while i < len(data):
            _, mask, _, length = struct.unpack_from("iIII", data, i)
            if data[i + 16:i + 16 + length].rstrip(b"\0") == self.name:
                found.append(hex(mask))
            i += 16 + length
        return found

    def close(self):
        os.close(self.fd)


class SecondStartTest(unittest.TestCase):
    def test_a_second_start_neither_reads_nor_writes_the_file(self):
        with BoardRun(offline(), name="second") as run:
            run.start()
            run.wait_board(layered=True)
            before = run.ini_path.read_bytes()
            watch = InotifyWatch(run.dir, "Kazeban.INI")
            try:
                second = subprocess.run(["wine", str(run.exe)], cwd=run.dir, env=harness.wine_env(),
                                        stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
                self.assertEqual(second.returncode, 0)
                self.assertEqual(watch.events(), [])
            finally:
                watch.close()
            self.assertEqual(run.ini_path.read_bytes(), before)


if __name__ == "__main__":
    unittest.main()
