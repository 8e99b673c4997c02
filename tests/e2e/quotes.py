"""The local quote service and settings texts the end-to-end tests share."""

import socket
import sys

import harness

sys.path.insert(0, str(harness.SOURCE_DIR / "tools"))

from quote_server import BASE_PATH, QuoteServer, page_for, worked_example_page  # noqa: E402,F401

# Control IDs of the board's labels: row n of a column is base + n - 1.
TUKA, B, S, D = 101, 201, 301, 401
TIME, VER = 501, 502
UP, DOWN = "↑", "↓"


def free_port():
    """A loopback port nothing listens on (for a board with no service)."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def settings(port, interval=None, extra=""):
    """A settings file that points the board at the local service."""
    text = ""
    if interval is not None:
        text += f"[Interval]\nInterval={interval}\n"
    text += f"[Feed]\nHost=127.0.0.1:{port}\n"
    return text + extra


def row(labels, n):
    """(pair, B, S, arrow) of row n."""
    return tuple(labels[base + n - 1] for base in (TUKA, B, S, D))


PAIRS = ("USDJPY", "EURJPY", "GBPJPY", "AUDJPY", "EURUSD", "CHFJPY", "GBPUSD", "USDCHF", "GBPCHF")


def _is_lead(byte):
    return 0x81 <= byte <= 0x9F or 0xE0 <= byte <= 0xFC


def _find(text, token):
    """1-based position of the first match not starting on a Shift_JIS trail byte, or 0."""
    start = 0
    while text and token:
        i = text.find(token, start)
        if i < 0:
            return 0
        run = 0
        while i - run - 1 >= 0 and _is_lead(text[i - run - 1]):
            run += 1
        if run % 2 == 0:
            return i + 1
        start = i + 1
    return 0


def _cut(text, start, count):
    if start > len(text) or count < 1:
        return b""
    start = max(start, 1)
    return text[start - 1:start - 1 + count]


def _rest(text, start):
    return _cut(text, start, len(text) - start + 1)


def page_as_read(body):
    """The page text the board keeps: 1024-byte pieces, each cut at its first NUL."""
    return b"".join(body[i:i + 1024].split(b"\0")[0] for i in range(0, len(body), 1024))


def expected_labels(page):
    """{control id: caption} that a refresh of this page text shows, by the
    board's fixed searches and offsets (a model written apart from the program)."""
    work = _rest(page, _find(page, b"timer"))
    work = _rest(work, _find(work, b">") + 1)
    labels = {TIME: "TIME:" + _cut(work, 0, _find(work, b"&nbsp") - 1).decode("cp932", "replace")}
    for n, pair in enumerate(PAIRS, start=1):
        work = _rest(page, _find(page, pair.encode()) + 22)
        c = _find(work, b"</td>")
        b = _cut(work, 0, c - 1)
        work = _rest(work, c + 9)
        s = _cut(work, 0, _find(work, b"</td>") - 1)
        code = _cut(work, _find(work, b"color:#") + 7, 2)
        labels.update({TUKA + n - 1: pair, B + n - 1: b.decode("cp932", "replace"),
                       S + n - 1: s.decode("cp932", "replace"), D + n - 1: UP if code == b"00" else DOWN})
    return labels
