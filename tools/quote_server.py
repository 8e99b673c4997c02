#!/usr/bin/env python3
"""Local stand-in for the quote-widget service that Kazeban polls.

The board downloads one page and cuts figures out of it by fixed searches and
byte offsets, so every page served here keeps the exact byte layout those
offsets depend on.  Besides the normal page the server can misbehave on demand
(refuse, reset, hang, trickle, ...) so the board's handling of a bad service
can be exercised end to end without the real one.

Loopback only, standard library only.  Every slow or endless behaviour is
bounded in time and stops by itself or on stop().
"""

import argparse
import email.utils
import json
import os
import random
import re
import select
import signal
import socket
import struct
import sys
import threading
import time

BASE_PATH = ("/txt/html.php?sz=146x210&ticker=USDJPY,EURJPY,GBPJPY,AUDJPY,"
             "CHFJPY,EURUSD,GBPUSD,USDCHF,GBPCHF,&tz=+5&form=full"
             "&c1=154B26&c2=CCCCCC&c3=FFFFFF&lang=jp")
# The board appends its counter with "?" although the base already has a query.
TARGET_RE = re.compile(re.escape(BASE_PATH) + r"\?kk=[0-9A-F]{4,}")

# Page order follows the ticker parameter, not the board's display order.
TICKERS = ("USDJPY", "EURJPY", "GBPJPY", "AUDJPY", "CHFJPY",
           "EURUSD", "GBPUSD", "USDCHF", "GBPCHF")

MODES = ("demo", "fixture", "refuse", "404", "empty", "nul", "reset", "hang",
         "trickle", "slowhead", "huge")

RISING = "00A000"   # the board only looks at the first two digits: "00" = up
FALLING = "FF0000"

FIXTURE_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures")
CHARSET = "cp932"

NOT_FOUND_BODY = (
    b'<!DOCTYPE HTML PUBLIC "-//IETF//DTD HTML 2.0//EN">\n'
    b"<html><head>\n<title>404 Not Found</title>\n</head><body>\n"
    b"<h1>Not Found</h1>\n"
    b"<p>The requested URL was not found on this server.</p>\n"
    b"</body></html>\n")

_REASONS = {200: "OK", 404: "Not Found"}
_MAX_REQUEST = 64 * 1024
_REQUEST_TIMEOUT = 10.0
_POLL = 0.05


def _b(value):
    return value if isinstance(value, bytes) else str(value).encode(CHARSET)


# ---------------------------------------------------------------------------
# Pages

_HEAD = """<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">
<html lang="ja">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">
<meta http-equiv="Pragma" content="no-cache">
<meta http-equiv="Cache-Control" content="no-cache">
<title>為替レート</title>
<style type="text/css">
<!--
body { margin:0; padding:0; background-color:#154B26; color:#FFFFFF;
       font-family:"ＭＳ Ｐゴシック", Osaka, sans-serif; font-size:10px; }
table.board { width:146px; border-collapse:collapse; background-color:#154B26; }
table.board th { color:#CCCCCC; font-weight:normal; text-align:center;
                 border-bottom:1px solid #CCCCCC; padding:1px 2px; }
table.board td { color:#FFFFFF; text-align:right; padding:1px 2px; white-space:nowrap; }
table.board td.pair { text-align:left; font-weight:bold; }
table.board td.clock { text-align:center; color:#CCCCCC; }
table.board tr.odd td { background-color:#1C5A2F; }
div.title { color:#FFFFFF; font-weight:bold; text-align:center; padding:2px 0; }
div.note { color:#CCCCCC; font-size:9px; line-height:11px; padding:2px; }
div.note a { color:#CCCCCC; text-decoration:underline; }
a:hover { color:#FFFFFF; }
-->
</style>
</head>
<body>
<div class="title">為替レート（リアルタイム）</div>
<table class="board" cellspacing="0" cellpadding="1" summary="為替レート一覧">
"""

# The board takes the time from the first ">" after "timer" up to "&nbsp", so
# no other "timer" may come earlier and the time must be followed by "&nbsp".
_CLOCK = '<tr><td colspan="4" class="clock" id=timer>{time}&nbsp;更新</td></tr>\n'

_COLUMNS = ("<tr><th>通貨</th><th>Bid</th><th>Ask</th><th>前日比</th></tr>\n")

# Ticker, then exactly 16 bytes, then B; 9 bytes between B and S; the row's
# colour is the first "color:#" after S.  The board depends on these sizes.
_ROW = ('<tr><td>{ticker}</td><td nowrap>{b}</td><td>{s}</td>'
        '<td style="color:#{color}">{change}</td></tr>\n')

_FOOT = """</table>
<div class="note">
表示されているレートは参考値です。実際のお取引価格とは異なる場合があります。<br>
Bid は売値、Ask は買値を示します。前日比はニューヨーク市場終値との比較です。<br>
レートの配信は予告なく停止または遅延することがあります。本情報に基づいて
行われた取引により生じたいかなる損害についても、当社は一切の責任を負いません。<br>
掲載情報の無断転載を禁じます。
</div>
<div class="note">
<b>市場の取引時間（日本時間）</b><br>
東京市場　 9:00～17:00<br>
ロンドン市場　16:00～翌1:00（夏時間は15:00～翌0:00）<br>
ニューヨーク市場　22:00～翌7:00（夏時間は21:00～翌6:00）<br>
土曜日・日曜日および各国の祝日は取引が行われないため、レートは更新されません。
年末年始やクリスマス前後は流動性が低下し、スプレッドが拡大することがあります。
</div>
<div class="note">
<b>ご注意</b><br>
外国為替証拠金取引は、元本や利益を保証するものではありません。
為替相場の変動により損失が生じるおそれがあり、預託した証拠金の額を上回る損失が
発生する可能性があります。お取引の際は、契約締結前交付書面等の内容を十分に
ご理解のうえ、ご自身の判断と責任において行ってください。
</div>
<div class="note">
<a href="/txt/help.html" target="_blank">ヘルプ</a> |
<a href="/txt/terms.html" target="_blank">利用規約</a> |
<a href="/txt/privacy.html" target="_blank">個人情報保護方針</a> |
<a href="/txt/widget.html" target="_blank">ウィジェットを設置する</a>
</div>
<script type="text/javascript">
<!--
(function () {
  var reloadAfter = 30000;
  var started = new Date().getTime();
  function reload() {
    if (new Date().getTime() - started >= reloadAfter) {
      window.location.reload();
    } else {
      window.setTimeout(reload, 1000);
    }
  }
  window.setTimeout(reload, 1000);
})();
//-->
</script>
<noscript><div class="note">JavaScript を有効にすると自動で更新されます。</div></noscript>
<!-- widget 146x210 full / jp -->
</body>
</html>
"""


def _row_bytes(row):
    ticker, b, s, color = row[:4]
    color = _b(color).lstrip(b"#")
    if len(row) > 4:
        change = _b(row[4])
    else:
        change = b"+0.01" if color.startswith(b"00") else b"-0.01"
    return (b"<tr><td>" + _b(ticker) + b"</td><td nowrap>" + _b(b)
            + b"</td><td>" + _b(s) + b'</td><td style="color:#' + color
            + b'">' + change + b"</td></tr>\n")


def page_for(time_text, rows):
    """A full quote page with the given time and rows.

    rows: (ticker, b, s, color_hex[, change]); str values are encoded as
    Shift_JIS, bytes are used as they are.  color_hex may carry a leading "#".
    """
    parts = [_HEAD.encode(CHARSET),
             _CLOCK.format(time="\0").encode(CHARSET).replace(b"\0", _b(time_text)),
             _COLUMNS.encode(CHARSET)]
    parts.extend(_row_bytes(r) for r in rows)
    parts.append(_FOOT.encode(CHARSET))
    return b"".join(parts)


def worked_example_page():
    """The 136-byte page whose positions the board's extraction is checked on."""
    return (b"<tr><td id=timer>12:34:56&nbsp;</td></tr>"
            b"<tr><td>USDJPY</td><td nowrap>117.20</td><td>117.25</td>"
            b"<td style=color:#00A000>+0.05</td></tr>")


def _insert_nuls(page):
    """Puts one NUL inside USDJPY's B figure and one a few reads later.

    The board drops everything from a NUL to the end of that 1024-byte read, so
    the second NUL sits at least 1024 bytes after the first.
    """
    first = page.index(b"USDJPY") + 22 + 3
    second = first + 1500
    if second >= len(page):
        second = len(page) - 1
    return page[:first] + b"\0" + page[first:second] + b"\0" + page[second:]


# The reset answer stops right before this row: the time and the first three
# rows arrive whole, the rest never does.
_RESET_AT = b"<tr><td>AUDJPY"


def _pad_to_read_boundary(page, at, read_size=1024):
    """Pads with a comment before `at` so that `at` falls on a read boundary.

    The board reads in 1024-byte pieces; whether a platform hands over a short
    piece when the connection breaks under it varies, but whole pieces always
    arrive, so a break on a boundary gives the same page text everywhere.
    """
    minimum = len(b"<!---->\n")
    end = -(-(at + minimum) // read_size) * read_size
    pad = b"<!--" + b" " * (end - at - minimum) + b"-->\n"
    return page[:at] + pad + page[at:]


class RateWalk:
    """Nine rates that move a few ticks per page, some up and some down."""

    _START = {  # (mid in ticks, ticks per unit, spread in ticks)
        "USDJPY": (15723, 100, 3), "EURJPY": (17041, 100, 4),
        "GBPJPY": (19912, 100, 5), "AUDJPY": (10355, 100, 4),
        "CHFJPY": (17780, 100, 5), "EURUSD": (10842, 10000, 2),
        "GBPUSD": (12665, 10000, 3), "USDCHF": (8843, 10000, 3),
        "GBPCHF": (11201, 10000, 5),
    }

    def __init__(self, rng=None):
        self._rng = rng or random.Random()
        self._mid = {t: v[0] for t, v in self._START.items()}

    def step(self):
        moves = {t: self._rng.choice((-1, 1)) * self._rng.randint(1, 6) for t in TICKERS}
        # A page where every row points the same way would hide one arrow colour.
        if len({m > 0 for m in moves.values()}) == 1:
            t = self._rng.choice(TICKERS)
            moves[t] = -moves[t]
        rows = []
        for t in TICKERS:
            _, unit, spread = self._START[t]
            self._mid[t] += moves[t]
            digits = 2 if unit == 100 else 4
            fmt = "%.{}f".format(digits)
            b = fmt % (self._mid[t] / unit)
            s = fmt % ((self._mid[t] + spread) / unit)
            change = ("+" if moves[t] > 0 else "-") + fmt % (abs(moves[t]) / unit)
            rows.append((t, b, s, RISING if moves[t] > 0 else FALLING, change))
        return rows


# ---------------------------------------------------------------------------
# Server

class QuoteServer:
    """Serves the board's one URL; everything else gets a 404.

    Modes: demo (moving rates), fixture (a file's or a bytes object's exact
    bytes), refuse (nothing listens; the port is taken again on the next
    mode), 404, empty, nul, reset, hang, trickle, slowhead (the head
    itself a byte at a time), huge.  Each request is kept
    in `requests` as a dict with time, request_line (as received), user_agent,
    headers, path, plus mode, status and body (the page the answer carries;
    for huge only its start, for hang None).
    """

    def __init__(self, mode="demo", fixture=None, port=0, host="127.0.0.1",
                 log_path=None, trickle_interval=0.5, hang_limit=120.0,
                 huge_size=64 * 1024 * 1024):
        if host not in ("127.0.0.1", "localhost"):
            raise ValueError("the quote server only binds to loopback")
        self.host = "127.0.0.1"
        self.port = port
        self.log_path = log_path
        self.trickle_interval = trickle_interval
        self.hang_limit = hang_limit
        self.huge_size = huge_size
        self.reset_delay = 0.2   # lets the client read the part before the RST
        # A cacheable answer shows whether the client writes answers to its cache.
        self.cache_control = "no-cache, no-store"
        self.on_request = None   # callable(dict), for the command line's echo
        self._lock = threading.Lock()
        self._cond = threading.Condition(self._lock)
        self._requests = []
        self._conns = set()
        self._threads = set()
        self._stop = threading.Event()
        self._listener = None
        self._listening = False
        self._want_listen = True
        self._accept_thread = None
        self._walk = RateWalk()
        self._mode = None
        self._fixture_bytes = None
        self._apply_mode(mode, fixture)

    # -- lifecycle ---------------------------------------------------------

    def start(self):
        lsock = self._bind()
        self.port = lsock.getsockname()[1]
        with self._lock:
            self._want_listen = self._mode != "refuse"
            if self._want_listen:
                self._listener, self._listening = lsock, True
            else:
                lsock.close()
        self._accept_thread = threading.Thread(
            target=self._accept_loop, name="quote-accept", daemon=True)
        self._accept_thread.start()
        return self

    def stop(self):
        self._stop.set()
        if self._accept_thread is not None:
            self._accept_thread.join(0.5)
        with self._lock:
            conns = list(self._conns)
            threads = list(self._threads)
            if self._listener is not None:
                self._listener.close()
                self._listener, self._listening = None, False
            self._cond.notify_all()
        for c in conns:
            _abort_quietly(c)
        deadline = time.monotonic() + 0.5
        for t in threads:
            t.join(max(0.0, deadline - time.monotonic()))

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # -- control -----------------------------------------------------------

    @property
    def mode(self):
        return self._mode

    def set_mode(self, mode, fixture=None):
        """Switches behaviour for requests from now on; open connections keep theirs."""
        self._apply_mode(mode, fixture)
        if self._accept_thread is None:
            return
        want = mode != "refuse"
        with self._cond:
            self._want_listen = want
            ok = self._cond.wait_for(
                lambda: self._listening == want or self._stop.is_set(), timeout=3.0)
        if not ok:
            raise RuntimeError("could not %s port %d" % (
                "listen again on" if want else "close", self.port))

    def _apply_mode(self, mode, fixture):
        if mode not in MODES:
            raise ValueError("unknown mode %r (one of %s)" % (mode, ", ".join(MODES)))
        data = None
        if mode == "fixture":
            if fixture is None:
                raise ValueError("fixture mode needs a fixture")
            data = fixture if isinstance(fixture, bytes) else _read_fixture(fixture)
        with self._lock:
            self._mode, self._fixture_bytes = mode, data

    # -- request log -------------------------------------------------------

    @property
    def requests(self):
        with self._lock:
            return list(self._requests)

    def clear_requests(self):
        with self._lock:
            self._requests.clear()

    def wait_for_requests(self, n, timeout):
        with self._cond:
            self._cond.wait_for(lambda: len(self._requests) >= n, timeout=timeout)
            return list(self._requests)

    def _record(self, entry):
        if self.log_path:
            line = json.dumps({k: entry[k] for k in (
                "time", "request_line", "user_agent", "headers", "path", "mode")},
                ensure_ascii=False)
            with self._lock, open(self.log_path, "a", encoding="utf-8") as f:
                f.write(line + "\n")
        with self._cond:
            self._requests.append(entry)
            self._cond.notify_all()
        if self.on_request is not None:
            try:
                self.on_request(entry)
            except Exception:
                pass

    # -- sockets -----------------------------------------------------------

    def _bind(self):
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            s.bind((self.host, self.port))
            s.listen(16)
        except OSError:
            s.close()
            raise
        s.setblocking(False)
        return s

    def _reconcile_listener(self):
        with self._cond:
            want, have = self._want_listen, self._listener
        if want and have is None:
            try:
                lsock = self._bind()
            except OSError:
                return None
            with self._cond:
                self._listener, self._listening = lsock, True
                self._cond.notify_all()
            return lsock
        if not want and have is not None:
            # Closing the listener also drops connections still in the
            # backlog, which the client sees as refused as well.
            have.close()
            with self._cond:
                self._listener, self._listening = None, False
                self._cond.notify_all()
            return None
        return have

    def _accept_loop(self):
        while not self._stop.is_set():
            lsock = self._reconcile_listener()
            if lsock is None:
                self._stop.wait(_POLL)
                continue
            try:
                ready, _, _ = select.select([lsock], [], [], _POLL)
                if not ready:
                    continue
                conn, _ = lsock.accept()
            except (BlockingIOError, InterruptedError):
                continue
            except OSError:
                if self._stop.is_set():
                    break
                continue
            conn.setblocking(True)
            t = threading.Thread(target=self._serve_conn, args=(conn,),
                                 name="quote-conn", daemon=True)
            with self._lock:
                if self._stop.is_set():
                    conn.close()
                    break
                self._conns.add(conn)
                self._threads.add(t)
            t.start()

    def _serve_conn(self, conn):
        try:
            raw = self._read_request(conn)
            if raw:
                self._respond(conn, raw)
        except OSError:
            pass
        finally:
            with self._lock:
                self._conns.discard(conn)
                self._threads.discard(threading.current_thread())
            try:
                conn.close()
            except OSError:
                pass

    def _read_request(self, conn):
        conn.settimeout(_POLL)
        data = b""
        deadline = time.monotonic() + _REQUEST_TIMEOUT
        while (b"\r\n\r\n" not in data and b"\n\n" not in data
               and len(data) < _MAX_REQUEST and time.monotonic() < deadline
               and not self._stop.is_set()):
            try:
                chunk = conn.recv(4096)
            except socket.timeout:
                continue
            if not chunk:
                break
            data += chunk
        return data

    def _respond(self, conn, raw):
        head = re.split(rb"\r?\n\r?\n", raw, maxsplit=1)[0]
        lines = re.split(rb"\r?\n", head)
        request_line = lines[0].decode("latin-1")
        headers = []
        for line in lines[1:]:
            name, sep, value = line.decode("latin-1").partition(":")
            if sep:
                headers.append((name, value.strip()))
        user_agent = next((v for n, v in headers if n.strip().lower() == "user-agent"), None)
        parts = request_line.split(" ")
        target = parts[1] if len(parts) >= 2 else ""
        matches = (len(parts) == 3 and parts[0] == "GET"
                   and TARGET_RE.fullmatch(target) is not None)

        with self._lock:
            mode, fixture = self._mode, self._fixture_bytes
        if mode == "refuse":
            # Accepted in the moment before the listener closed: a reset is as
            # close to a refusal as this connection can get.
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            return
        entry = {"time": time.time(), "request_line": request_line,
                 "user_agent": user_agent, "headers": headers, "path": target,
                 "mode": mode if matches else "unknown-target",
                 "status": None, "body": None}
        if not matches:
            mode = "404"
        body = self._body_for(mode, fixture)
        if mode == "404":
            entry["status"] = 404
        elif mode not in ("hang",):
            entry["status"] = 200
        entry["body"] = body
        self._record(entry)

        if mode == "hang":
            self._stop.wait(self.hang_limit)
            return
        if mode == "huge":
            self._send_huge(conn, body)
            return
        length = len(body)
        header = _response_head(entry["status"], length, self.cache_control)
        if mode == "reset":
            cut = body.index(_RESET_AT)
            self._send(conn, header + body[:cut])
            self._stop.wait(self.reset_delay)
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            return   # the close in _serve_conn now sends RST
        if mode == "trickle":
            self._send_trickle(conn, header, body)
            return
        if mode == "slowhead":
            # The status line and headers a byte at a time: every single wait
            # of the client is short, only their sum is not.
            self._send_trickle(conn, b"", header + body)
            return
        self._send(conn, header + body)
        self._finish(conn)

    def _body_for(self, mode, fixture):
        if mode == "404":
            return NOT_FOUND_BODY
        if mode == "empty":
            return b""
        if mode == "fixture":
            return fixture
        with self._lock:
            rows = self._walk.step()
        page = page_for(time.strftime("%H:%M:%S"), rows)
        if mode == "nul":
            page = _insert_nuls(page)
        elif mode == "reset":
            page = _pad_to_read_boundary(page, page.index(_RESET_AT))
        return page

    def _send(self, conn, data, deadline=None):
        """sendall that gives up on stop() or at the deadline."""
        if deadline is None:
            deadline = time.monotonic() + self.hang_limit
        conn.settimeout(_POLL)
        view = memoryview(data)
        while view and not self._stop.is_set():
            if time.monotonic() >= deadline:
                return False
            try:
                n = conn.send(view)
            except socket.timeout:
                continue
            view = view[n:]
        return not view

    def _finish(self, conn):
        # A close with unread input would reset the connection and could
        # destroy the response in flight; half-close and drain first.
        try:
            conn.shutdown(socket.SHUT_WR)
            conn.settimeout(_POLL)
            deadline = time.monotonic() + 1.0
            while time.monotonic() < deadline and not self._stop.is_set():
                try:
                    if not conn.recv(4096):
                        break
                except socket.timeout:
                    continue
        except OSError:
            pass

    def _send_trickle(self, conn, header, body):
        deadline = time.monotonic() + self.hang_limit
        if not self._send(conn, header, deadline):
            return
        for i in range(len(body)):
            if self._stop.wait(self.trickle_interval) or time.monotonic() >= deadline:
                return
            if not self._send(conn, body[i:i + 1], deadline):
                return
        self._finish(conn)

    def _send_huge(self, conn, page):
        size = self.huge_size
        deadline = time.monotonic() + self.hang_limit
        if not self._send(conn, _response_head(200, size, self.cache_control), deadline):
            return
        start = page[:size]
        if not self._send(conn, start, deadline):
            return
        sent = len(start)
        filler = (b"<!-- " + b"-" * 58 + b" -->\n") * 1024   # 64 KiB, no tokens
        while sent < size:
            chunk = filler[:size - sent]
            if not self._send(conn, chunk, deadline):
                return
            sent += len(chunk)
        self._finish(conn)


def _response_head(status, length, cache_control):
    lines = ["HTTP/1.1 %d %s" % (status, _REASONS[status]),
             "Date: " + email.utils.formatdate(usegmt=True),
             "Server: Apache",
             "Content-Type: text/html; charset=Shift_JIS",
             "Content-Length: %d" % length,
             "Cache-Control: " + cache_control,
             "Connection: close", "", ""]
    return "\r\n".join(lines).encode("ascii")


def _abort_quietly(conn):
    try:
        conn.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass
    try:
        conn.close()
    except OSError:
        pass


def _read_fixture(name):
    path = name
    if not os.path.exists(path) and os.path.exists(os.path.join(FIXTURE_DIR, name)):
        path = os.path.join(FIXTURE_DIR, name)
    with open(path, "rb") as f:
        return f.read()


# ---------------------------------------------------------------------------
# Command line

def _parse_mode_line(text):
    words = text.strip().split(None, 1)
    if not words:
        return None
    return words[0], (words[1].strip() if len(words) > 1 else None)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Local quote service for Kazeban.")
    ap.add_argument("--host", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=8740, help="0 picks a free port")
    ap.add_argument("--mode", default="demo", choices=MODES)
    ap.add_argument("--fixture", help="page file for --mode fixture "
                    "(a bare name is looked up in tools/fixtures)")
    ap.add_argument("--log", help="append one JSON line per request")
    ap.add_argument("--port-file", help="write the chosen port here once listening")
    ap.add_argument("--mode-file", help="switch modes while running: the file holds "
                    "'MODE [FIXTURE]' and is re-read whenever it changes")
    ap.add_argument("--trickle-interval", type=float, default=0.5)
    ap.add_argument("--hang-limit", type=float, default=120.0)
    ap.add_argument("--huge-size", type=int, default=64 * 1024 * 1024)
    args = ap.parse_args(argv)

    server = QuoteServer(mode=args.mode, fixture=args.fixture, port=args.port,
                         host=args.host, log_path=args.log,
                         trickle_interval=args.trickle_interval,
                         hang_limit=args.hang_limit, huge_size=args.huge_size)

    def echo(entry):
        print("%s %r UA=%r -> %s %s" % (
            time.strftime("%H:%M:%S"), entry["request_line"], entry["user_agent"],
            entry["status"], entry["mode"]), file=sys.stderr, flush=True)
    server.on_request = echo

    done = threading.Event()
    for sig in (signal.SIGINT, signal.SIGTERM):
        signal.signal(sig, lambda *_: done.set())

    server.start()
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % server.port)
        os.replace(tmp, args.port_file)   # readers never see a half-written port
    print("quote server on %s:%d mode=%s" % (server.host, server.port, server.mode),
          flush=True)

    seen = None
    try:
        while not done.wait(0.1):
            if not args.mode_file:
                continue
            try:
                stamp = os.stat(args.mode_file).st_mtime_ns
                if stamp == seen:
                    continue
                seen = stamp
                with open(args.mode_file, encoding="utf-8") as f:
                    parsed = _parse_mode_line(f.read())
                if parsed:
                    server.set_mode(*parsed)
                    print("mode=%s" % server.mode, file=sys.stderr, flush=True)
            except (OSError, ValueError, RuntimeError) as e:
                print("mode file: %s" % e, file=sys.stderr, flush=True)
    finally:
        server.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main())
