"""The board on the desktop: its windows, its labels and its refresh, seen
from outside through the inspector, the quote service's log and screenshots."""

import subprocess
from pathlib import Path
import time
import unittest

import harness
from harness import BoardRun
from quotes import (B, D, DOWN, PAIRS, S, TIME, TUKA, UP, VER, BASE_PATH, QuoteServer, free_port, page_for,
                    row, settings, worked_example_page)
LAYOUT_CAPTIONS = [("Label_Tuka1", "Label_B1", "Label_S1", "Label_D1")] + [
    ("Label_Tuka1", "Label_B1", "Label1", "Label_D1")] * 8


class RequestTest(unittest.TestCase):
    def test_each_refresh_asks_the_quote_page_with_the_next_counter(self):
        with QuoteServer(mode="fixture", fixture=worked_example_page()) as server, \
                BoardRun(settings(server.port, interval=300), name="requests") as run:
            run.start()
            run.wait_board(layered=True)
            requests = server.wait_for_requests(3, timeout=20)
        for n, request in enumerate(requests[:3], start=1):
            with self.subTest(n=n):
                # The suffix follows the query's last value with '?', byte for byte.
                self.assertEqual(request["request_line"], f"GET {BASE_PATH}?kk={n:04X} HTTP/1.1")
                self.assertEqual(request["user_agent"], "MyApp")
                self.assertEqual([name for name, _ in request["headers"]], ["Accept", "Host", "User-Agent"])

    def test_answers_are_not_written_to_the_cache(self):
        # Every URL is unique, so a cached copy could never be used again.
        marker = "cache-marker-%d" % time.time_ns()
        page = page_for(marker, [("USDJPY", "1.00", "1.01", "00A000")])
        cache = Path(harness.wine_env()["WINEPREFIX"]) / "drive_c" / "users"
        with QuoteServer(mode="fixture", fixture=page) as server, \
                BoardRun(settings(server.port, interval=200), name="cache") as run:
            server.cache_control = "max-age=3600"
            run.start()
            run.wait_board(layered=True)
            server.wait_for_requests(4, timeout=20)
            self.assertEqual(run.labels()[TIME], "TIME:" + marker)
        cached = [p for p in cache.rglob("*") if p.is_file() and "INetCache" in str(p)
                  and marker.encode() in p.read_bytes()]
        self.assertEqual(cached, [])

    def test_failed_attempts_advance_the_counter_too(self):
        with QuoteServer(mode="refuse") as server, \
                BoardRun(settings(server.port, interval=400), name="counter") as run:
            run.start()
            run.wait_board(layered=True)
            time.sleep(1.5)  # the start-up refresh and a few refused ticks
            server.set_mode("fixture", fixture=worked_example_page())
            first = server.wait_for_requests(1, timeout=10)[0]
        counter = int(first["request_line"].split("?kk=")[1].split()[0], 16)
        self.assertGreaterEqual(counter, 3, first["request_line"])


class RefreshTest(unittest.TestCase):
    def test_worked_example_page_fills_rows_and_missing_pairs_take_fragments(self):
        with QuoteServer(mode="fixture", fixture=worked_example_page()) as server, \
                BoardRun(settings(server.port), name="worked") as run:
            run.start()
            run.wait_board(layered=True)
            info = run.board_info()
        labels = {int(k): v for k, v in info["labels"].items()}
        texts = {k: v["text"] for k, v in labels.items()}
        self.assertEqual(texts[TIME], "TIME:12:34:56")
        self.assertEqual(row(texts, 1), ("USDJPY", "117.20", "117.25", UP))
        # Absent pairs are read from byte 22 of the page on; "00" comes from USDJPY's row.
        for n in range(2, 10):
            with self.subTest(row=n):
                self.assertEqual(row(texts, n), (PAIRS[n - 1], "4:56&nbsp;", "><tr><td>USDJPY", UP))
        for n in range(1, 10):
            with self.subTest(row=n):
                self.assertEqual(labels[TUKA + n - 1]["shown"], n <= 5)
        self.assertEqual(texts[VER], "Ver.1.000")

    def test_rows_follow_the_page_and_a_failed_refresh_keeps_them(self):
        rows = [(p, f"1{i}.25", f"1{i}.30", "00A000" if i % 2 else "FF0000") for i, p in enumerate(PAIRS)]
        page = page_for("09:15:00", rows)
        with QuoteServer(mode="fixture", fixture=page) as server, \
                BoardRun(settings(server.port, interval=300), name="keep") as run:
            run.start()
            run.wait_board(layered=True)
            shown = run.labels()
            self.assertEqual(shown[TIME], "TIME:09:15:00")
            for n, (pair, b, s, colour) in enumerate(rows, start=1):
                with self.subTest(row=n):
                    self.assertEqual(row(shown, n), (pair, b, s, UP if colour.startswith("00") else DOWN))
            server.set_mode("refuse")
            time.sleep(1.2)  # several refused refreshes
            self.assertEqual(run.labels(), shown)

    def test_without_a_service_the_layout_captions_stay(self):
        with BoardRun(settings(free_port()), name="offline") as run:
            run.start()
            run.wait_board(layered=True)
            texts = run.labels()
        self.assertEqual(texts[TIME], "TIME:")
        for n in range(1, 10):
            with self.subTest(row=n):
                self.assertEqual(row(texts, n), LAYOUT_CAPTIONS[n - 1])


class WindowTest(unittest.TestCase):
    def test_board_is_layered_and_out_of_the_taskbar(self):
        with BoardRun(settings(free_port()), name="windows") as run:
            run.start()
            board = run.wait_board(layered=True, visible=True)
            info = run.board_info()
        app = info["app"]
        self.assertEqual(board["layered"], {"ok": True, "key": 0xFFFFFF, "alpha": 230, "flags": 3}
                         if "ok" in board["layered"] else board["layered"])
        self.assertEqual(board["layered"]["key"], 0xFFFFFF)
        self.assertEqual(board["layered"]["alpha"], 230)
        self.assertEqual(board["layered"]["flags"], harness.LWA_COLORKEY | harness.LWA_ALPHA)
        self.assertTrue(board["exstyle"] & harness.WS_EX_LAYERED)
        self.assertTrue(board["style"] & harness.WS_POPUP)
        self.assertFalse(board["style"] & harness.WS_CAPTION)
        self.assertEqual(board["title"], "Kazeban")
        r = board["rect"]
        self.assertEqual((r["left"], r["top"], r["right"] - r["left"], r["bottom"] - r["top"]), (200, 150, 182, 178))
        # Owned by the hidden tool window: no taskbar button of its own.
        self.assertEqual(board["owner"], app["hwnd"])
        self.assertFalse(board["exstyle"] & harness.WS_EX_APPWINDOW)
        self.assertFalse(app["visible"])
        self.assertTrue(app["exstyle"] & harness.WS_EX_TOOLWINDOW)

    def test_screenshot_shows_green_and_red_arrows_on_a_see_through_board(self):
        rows = [(p, "1.25", "1.30", "00A000" if i < 2 else "FF0000") for i, p in enumerate(PAIRS)]
        desktop = (0x3A, 0x6E, 0xA5)
        harness.set_desktop_color(desktop)
        with QuoteServer(mode="fixture", fixture=page_for("10:00:00", rows)) as server, \
                BoardRun(settings(server.port), name="shot") as run:
            run.start()
            run.wait_board(layered=True, visible=True)
            time.sleep(0.5)
            children = {c["id"]: c for c in run.children()}
            board = run.board_info()["board"]
            shot = harness.screenshot()
        left, top = board["rect"]["left"], board["rect"]["top"]

        def colours(label_id):
            r = children[label_id]["rect"]
            return shot.crop_colors((left + r["left"], top + r["top"], left + r["right"], top + r["bottom"]))

        green, red = (0, 255, 0), (255, 0, 0)
        for n in (1, 2):
            with self.subTest(arrow=n):
                self.assertGreater(colours(D + n - 1)[green], 5)
        for n in (3, 4, 5):
            with self.subTest(arrow=n):
                self.assertGreater(colours(D + n - 1)[red], 5)
        # No white is drawn anywhere on the board: the key colour is see-through,
        # and a strip without labels shows the desktop itself.
        everything = shot.crop_colors((left, top, left + 182, top + 178))
        self.assertEqual(everything[(255, 255, 255)], 0)
        strip = shot.crop_colors((left, top + 162, left + 182, top + 178))
        self.assertEqual(set(strip), {desktop})


class LifeTest(unittest.TestCase):
    def test_a_second_start_ends_at_once_and_leaves_one_board(self):
        with BoardRun(settings(free_port()), name="single") as run:
            run.start()
            run.wait_board(layered=True)
            started = time.monotonic()
            second = subprocess.run(["wine", str(run.exe)], cwd=run.dir, env=harness.wine_env(),
                                    stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
            self.assertEqual(second.returncode, 0)
            self.assertLess(time.monotonic() - started, 10)
            self.assertEqual(len(harness.inspect("windows", "--class", "TMainForm")), 1)

    def test_query_end_session_says_yes_and_the_program_exits(self):
        with BoardRun(settings(free_port()), name="queryend") as run:
            run.start()
            run.wait_board(layered=True)
            answer = run.send(harness.WM_QUERYENDSESSION)
            self.assertTrue(answer["ok"])
            self.assertEqual(answer["result"], 1)
            self.assertEqual(run.wait_exit(15), 0)


if __name__ == "__main__":
    unittest.main()
