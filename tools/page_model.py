"""The board's fixed searches and cuts, written apart from the program.

Tests hold the pages the quote service sends up against it: the service's own
tests to show its pages fit the offsets, and the end-to-end tests to know what
the board must show for whatever page it was sent. Positions are 1-based and
0 means not found, as in the board.
"""

def _is_lead(byte):
    return 0x81 <= byte <= 0x9F or 0xE0 <= byte <= 0xFC


def find_token(text, token, dbcs=True):
    if not text or not token:
        return 0
    i = text.find(token)
    while i >= 0:
        run, k = 0, i - 1
        while dbcs and k >= 0 and _is_lead(text[k]):
            run, k = run + 1, k - 1
        if run % 2 == 0:   # an odd run of lead bytes makes text[i] a trail byte
            return i + 1
        i = text.find(token, i + 1)
    return 0


def cut(text, start, count):
    if start > len(text) or count < 1:
        return b""
    start = max(start, 1)
    return text[start - 1:start - 1 + count]


def rest(text, k):
    return cut(text, k, len(text) - k + 1)


def extract_time(page, dbcs=True):
    work = rest(page, find_token(page, b"timer", dbcs))
    work = rest(work, find_token(work, b">", dbcs) + 1)
    return b"TIME:" + cut(work, 0, find_token(work, b"&nbsp", dbcs) - 1)


def extract_pair(page, ticker, dbcs=True):
    work = rest(page, find_token(page, ticker, dbcs) + 22)
    c = find_token(work, b"</td>", dbcs)
    b = cut(work, 0, c - 1)
    work = rest(work, c + 9)
    s = cut(work, 0, find_token(work, b"</td>", dbcs) - 1)
    color = cut(work, find_token(work, b"color:#", dbcs) + 7, 2)
    return b, s, color


def received_text(body):
    """The body as the board keeps it: 1024-byte reads, each cut at its first NUL."""
    return b"".join(body[i:i + 1024].split(b"\0")[0] for i in range(0, len(body), 1024))
