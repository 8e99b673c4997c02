"""Checks the local quote service against what the board does with a page.

The board cuts figures out of the page at fixed offsets, so the pages are
checked with a small model of that cutting rather than with an HTML parser.
"""

import json
import os
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import quote_server as qs  # noqa: E402
from page_model import extract_pair, extract_time, received_text  # noqa: E402

FIXTURES = os.path.join(ROOT, "tools", "fixtures")
TARGET = qs.BASE_PATH + "?kk=0001"
DISPLAY_ORDER = ("USDJPY", "EURJPY", "GBPJPY", "AUDJPY", "EURUSD",
                 "CHFJPY", "GBPUSD", "USDCHF", "GBPCHF")


# -- raw HTTP ----------------------------------------------------------------

def request_bytes(port, target=TARGET, method="GET", ua="MyApp"):
    lines = ["%s %s HTTP/1.1" % (method, target)]
    if ua is not None:
        lines.append("User-Agent: " + ua)
    lines += ["Host: 127.0.0.1:%d" % port, "Cache-Control: no-cache", "", ""]
    return "\r\n".join(lines).encode("latin-1")


def split_response(data):
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    status = int(lines[0].split(" ")[1])
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return status, headers, body


def fetch(port, target=TARGET, **kw):
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        s.sendall(request_bytes(port, target, **kw))
        chunks = []
        while True:
            chunk = s.recv(65536)
            if not chunk:
                break
            chunks.append(chunk)
    return split_response(b"".join(chunks))


def read_head(sock):
    """Reads up to the end of the response head; returns (status, headers, extra body)."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = sock.recv(4096)
        if not chunk:
            break
        data += chunk
    return split_response(data)


# -- pages -------------------------------------------------------------------

class PageLayoutTest(unittest.TestCase):
    def test_worked_example_positions(self):
        page = qs.worked_example_page()
        self.assertEqual(len(page), 136)
        table = [(1, b"<tr><td id="), (12, b"timer"), (17, b">"), (18, b"12:34:56"),
                 (26, b"&nbsp;"), (32, b"</td></tr><tr><td>"), (50, b"USDJPY"),
                 (56, b"</td><td nowrap>"), (72, b"117.20"), (78, b"</td><td>"),
                 (87, b"117.25"), (93, b"</td><td style="), (108, b"color:#"),
                 (115, b"00A000"), (121, b">"), (122, b"+0.05"), (127, b"</td></tr>")]
        for pos, chunk in table:
            with self.subTest(pos=pos):
                self.assertEqual(page[pos - 1:pos - 1 + len(chunk)], chunk)
        self.assertEqual(extract_time(page), b"TIME:12:34:56")
        self.assertEqual(extract_pair(page, b"USDJPY"), (b"117.20", b"117.25", b"00"))
        self.assertEqual(extract_pair(page, b"EURJPY"),
                         (b"4:56&nbsp;", b"><tr><td>USDJPY", b"00"))

    def test_page_for_round_trips_through_the_cutting(self):
        rows = [("USDJPY", "157.23", "157.26", "00A000"),
                ("EURJPY", "170.41", "170.45", "#FF0000"),
                ("GBPJPY", "199.1", "199.15円", "0080FF"),
                (b"\x95\xc4\x83\x68\x83\x8bAUDJPY", b"103.5", b"103.6", b"FF0000")]
        page = qs.page_for("12時34分56秒", rows)
        self.assertEqual(extract_time(page), b"TIME:" + "12時34分56秒".encode("cp932"))
        expected = {b"USDJPY": (b"157.23", b"157.26", b"00"),
                    b"EURJPY": (b"170.41", b"170.45", b"FF"),
                    b"GBPJPY": (b"199.1", "199.15円".encode("cp932"), b"00"),
                    b"AUDJPY": (b"103.5", b"103.6", b"FF")}
        for ticker, want in expected.items():
            with self.subTest(ticker=ticker):
                self.assertEqual(extract_pair(page, ticker), want)

    def test_fixtures_give_the_documented_labels(self):
        with open(os.path.join(FIXTURES, "expected.json"), encoding="utf-8") as f:
            expected = json.load(f)
        cases = [(name, variant, dbcs) for name, entry in expected.items()
                 if not name.startswith("_")
                 for variant, dbcs in (("labels", True), ("labels_without_dbcs", False))
                 if variant in entry]
        self.assertGreaterEqual(len(cases), 7)
        for name, variant, dbcs in cases:
            with open(os.path.join(FIXTURES, name), "rb") as f:
                page = received_text(f.read())
            labels = expected[name][variant]
            with self.subTest(fixture=name, variant=variant):
                self.assertEqual(extract_time(page, dbcs).decode("cp932"), labels["time"])
                got = {t: [x.decode("cp932") for x in extract_pair(page, t.encode(), dbcs)]
                       for t in DISPLAY_ORDER}
                self.assertEqual(got, labels["pairs"])


# -- serving -----------------------------------------------------------------

class ServerTestCase(unittest.TestCase):
    server_args = {}

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.log_path = os.path.join(self.tmp.name, "requests.jsonl")
        self.server = qs.QuoteServer(log_path=self.log_path, **self.server_args).start()
        self.port = self.server.port

    def tearDown(self):
        self.server.stop()
        self.tmp.cleanup()


class RequestLogTest(ServerTestCase):
    def test_request_line_and_agent_are_kept_byte_exact(self):
        raw = request_bytes(self.port)
        status, _, _ = fetch(self.port)
        self.assertEqual(status, 200)
        entry, = self.server.wait_for_requests(1, 2)
        self.assertEqual(entry["request_line"],
                         raw.split(b"\r\n")[0].decode("latin-1"))
        self.assertEqual(entry["request_line"], "GET " + TARGET + " HTTP/1.1")
        self.assertEqual(entry["user_agent"], "MyApp")
        self.assertEqual(entry["path"], TARGET)
        self.assertEqual([n for n, _ in entry["headers"]],
                         ["User-Agent", "Host", "Cache-Control"])
        with open(self.log_path, encoding="utf-8") as f:
            logged = [json.loads(line) for line in f]
        self.assertEqual(len(logged), 1)
        self.assertEqual(logged[0]["request_line"], entry["request_line"])
        self.assertEqual(logged[0]["user_agent"], "MyApp")

    def test_only_the_board_target_is_answered(self):
        cases = [(TARGET, "GET", 200),
                 (qs.BASE_PATH + "?kk=7FFFFFFF", "GET", 200),
                 (qs.BASE_PATH + "?kk=10000", "GET", 200),
                 (qs.BASE_PATH + "&kk=0001", "GET", 404),
                 (qs.BASE_PATH + "?kk=000a", "GET", 404),
                 (qs.BASE_PATH + "?kk=001", "GET", 404),
                 (qs.BASE_PATH, "GET", 404),
                 (TARGET.replace("tz=+5", "tz=%2B5"), "GET", 404),
                 ("/", "GET", 404),
                 (TARGET, "POST", 404)]
        for target, method, want in cases:
            with self.subTest(target=target, method=method):
                status, _, body = fetch(self.port, target, method=method)
                self.assertEqual(status, want)
                if want == 404:
                    self.assertIn(b"Not Found", body)
        logged = [e["path"] for e in self.server.wait_for_requests(len(cases), 2)]
        self.assertEqual(logged, [t for t, _, _ in cases])

    def test_missing_agent_is_logged_as_none(self):
        fetch(self.port, ua=None)
        self.assertIsNone(self.server.wait_for_requests(1, 2)[0]["user_agent"])


class DemoPageTest(ServerTestCase):
    def test_pages_fit_the_cutting_and_rates_move(self):
        pages = []
        for _ in range(4):
            status, headers, body = fetch(self.port)
            self.assertEqual(status, 200)
            self.assertEqual(int(headers["content-length"]), len(body))
            self.assertIn("Shift_JIS", headers["content-type"])
            pages.append(body)
        seen = []
        for n, page in enumerate(pages):
            with self.subTest(page=n):
                self.assertNotIn(b"\0", page)
                self.assertRegex(extract_time(page), rb"^TIME:\d\d:\d\d:\d\d$")
                colors = set()
                figures = {}
                for ticker in qs.TICKERS:
                    b, s, color = extract_pair(page, ticker.encode())
                    digits = 2 if ticker.endswith("JPY") else 4
                    fig = rb"^\d+\.\d{%d}$" % digits
                    self.assertRegex(b, fig, ticker)
                    self.assertRegex(s, fig, ticker)
                    self.assertGreater(float(s), float(b), ticker)
                    self.assertIn(color, (b"00", b"FF"), ticker)
                    colors.add(color)
                    figures[ticker] = b
                self.assertEqual(colors, {b"00", b"FF"})
                seen.append(figures)
        for earlier, later in zip(seen, seen[1:]):
            self.assertNotEqual(earlier, later)

    def test_page_is_a_realistic_size_with_a_japanese_title(self):
        _, _, page = fetch(self.port)
        self.assertGreater(len(page), 3000)
        self.assertIn("<title>為替レート</title>".encode("cp932"), page)


class FaultModeTest(ServerTestCase):
    server_args = {"trickle_interval": 0.05, "huge_size": 300000}

    def test_fixture_is_served_byte_for_byte(self):
        path = os.path.join(FIXTURES, "dbcs.html")
        with open(path, "rb") as f:
            want = f.read()
        self.server.set_mode("fixture", path)
        self.assertEqual(fetch(self.port)[2], want)
        self.server.set_mode("fixture", b"abc")
        self.assertEqual(fetch(self.port)[2], b"abc")

    def test_refuse_then_serve_again_on_the_same_port(self):
        self.server.set_mode("refuse")
        with self.assertRaises(ConnectionRefusedError):
            fetch(self.port)
        self.server.set_mode("demo")
        self.assertEqual(self.server.port, self.port)
        self.assertEqual(fetch(self.port)[0], 200)

    def test_status_and_body_modes(self):
        with open(os.path.join(FIXTURES, "not_found.html"), "rb") as f:
            not_found = f.read()
        cases = [("empty", 200, lambda body: body == b""),
                 ("404", 404, lambda body: body == not_found),
                 ("nul", 200, lambda body: body.count(b"\0") >= 2)]
        for mode, want_status, body_ok in cases:
            with self.subTest(mode=mode):
                self.server.set_mode(mode)
                status, headers, body = fetch(self.port)
                self.assertEqual(status, want_status)
                self.assertEqual(int(headers["content-length"]), len(body))
                self.assertTrue(body_ok(body), body[:200])

    def test_nuls_fall_in_different_reads(self):
        self.server.set_mode("nul")
        body = fetch(self.port)[2]
        first, last = body.index(b"\0"), body.rindex(b"\0")
        self.assertNotEqual(first // 1024, last // 1024)
        self.assertGreater(len(received_text(body)), 1024)

    def test_reset_cuts_the_body_short(self):
        self.server.set_mode("reset")
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            s.sendall(request_bytes(self.port))
            status, headers, body = read_head(s)
            with self.assertRaises(ConnectionResetError):
                while True:
                    chunk = s.recv(4096)
                    if not chunk:
                        break   # an orderly end is the fault this test is for
                    body += chunk
        self.assertEqual(status, 200)
        self.assertLess(len(body), int(headers["content-length"]))
        # Whole 1024-byte reads only, so every platform keeps the same part.
        self.assertEqual(len(body) % 1024, 0)
        self.assertRegex(extract_time(body), rb"^TIME:\d\d:\d\d:\d\d$")
        self.assertRegex(extract_pair(body, b"USDJPY")[0], rb"^\d+\.\d\d$")

    def test_hang_sends_nothing_and_stop_is_prompt(self):
        self.server.set_mode("hang")
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            s.sendall(request_bytes(self.port))
            self.assertEqual(select.select([s], [], [], 1.0)[0], [])
            self.assertEqual(len(self.server.requests), 1)
            started = time.monotonic()
            self.server.stop()
            self.assertLess(time.monotonic() - started, 1.0)
            try:
                self.assertEqual(s.recv(100), b"")
            except ConnectionResetError:
                pass

    def test_hang_gives_up_after_its_limit(self):
        self.server.hang_limit = 0.3
        self.server.set_mode("hang")
        with socket.create_connection(("127.0.0.1", self.port), timeout=3) as s:
            s.sendall(request_bytes(self.port))
            started = time.monotonic()
            self.assertEqual(s.recv(100), b"")
            self.assertLess(time.monotonic() - started, 2.0)

    def test_trickle_sends_the_body_slowly(self):
        self.server.set_mode("trickle")
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            s.sendall(request_bytes(self.port))
            status, headers, body = read_head(s)
            self.assertEqual(status, 200)
            deadline = time.monotonic() + 0.5
            while time.monotonic() < deadline:
                if select.select([s], [], [], 0.05)[0]:
                    body += s.recv(4096)
        self.assertGreater(len(body), 0)
        self.assertLess(len(body), 20)
        self.assertGreater(int(headers["content-length"]), 3000)

    def test_slowhead_sends_even_the_status_line_slowly(self):
        self.server.set_mode("slowhead")
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            s.sendall(request_bytes(self.port))
            received = b""
            deadline = time.monotonic() + 0.5
            while time.monotonic() < deadline:
                if select.select([s], [], [], 0.05)[0]:
                    received += s.recv(4096)
        self.assertTrue(received.startswith(b"HTTP/1.1"[:len(received)]), received)
        self.assertGreater(len(received), 0)
        self.assertLess(len(received), 20)

    def test_huge_body_matches_its_length(self):
        self.server.set_mode("huge")
        status, headers, body = fetch(self.port)
        self.assertEqual(status, 200)
        self.assertEqual(int(headers["content-length"]), 300000)
        self.assertEqual(len(body), 300000)
        self.assertRegex(extract_time(body), rb"^TIME:\d\d:\d\d:\d\d$")

    def test_unknown_mode_is_rejected(self):
        with self.assertRaises(ValueError):
            self.server.set_mode("slow")


class CommandLineTest(unittest.TestCase):
    def test_runs_logs_switches_mode_and_stops_on_sigterm(self):
        with tempfile.TemporaryDirectory() as tmp:
            port_file = os.path.join(tmp, "port")
            log = os.path.join(tmp, "log.jsonl")
            mode_file = os.path.join(tmp, "mode")
            proc = subprocess.Popen(
                [sys.executable, os.path.join(ROOT, "tools", "quote_server.py"),
                 "--port", "0", "--port-file", port_file, "--log", log,
                 "--mode", "fixture", "--fixture", "worked_example.html",
                 "--mode-file", mode_file],
                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            try:
                line = proc.stdout.readline()
                port = int(re.fullmatch(r"quote server on 127\.0\.0\.1:(\d+) mode=fixture\n",
                                        line).group(1))
                with open(port_file) as f:
                    self.assertEqual(int(f.read()), port)
                self.assertEqual(fetch(port)[2], qs.worked_example_page())
                with open(mode_file, "w") as f:
                    f.write("empty\n")
                deadline = time.monotonic() + 3
                while fetch(port)[2] and time.monotonic() < deadline:
                    time.sleep(0.05)
                self.assertEqual(fetch(port)[2], b"")
                proc.send_signal(signal.SIGTERM)
                self.assertEqual(proc.wait(timeout=3), 0)
                self.assertIn("MyApp", proc.stderr.read())
                with open(log, encoding="utf-8") as f:
                    self.assertEqual(json.loads(f.readline())["request_line"],
                                     "GET " + TARGET + " HTTP/1.1")
            finally:
                if proc.poll() is None:
                    proc.kill()
                    proc.wait()
                proc.stdout.close()
                proc.stderr.close()


if __name__ == "__main__":
    unittest.main()
