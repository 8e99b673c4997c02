"""The local quote service and settings texts the end-to-end tests share."""

import socket
import sys

import harness

sys.path.insert(0, str(harness.SOURCE_DIR / "tools"))

from page_model import extract_pair, extract_time, received_text as page_as_read  # noqa: E402,F401
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


def expected_labels(page):
    """{control id: caption} that a refresh of this page text shows."""
    labels = {TIME: extract_time(page).decode("cp932", "replace")}
    for n, pair in enumerate(PAIRS, start=1):
        b, s, code = extract_pair(page, pair.encode())
        labels.update({TUKA + n - 1: pair, B + n - 1: b.decode("cp932", "replace"),
                       S + n - 1: s.decode("cp932", "replace"), D + n - 1: UP if code == b"00" else DOWN})
    return labels
