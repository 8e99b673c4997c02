"""A misbehaving quote service: the board stays alive, every refresh comes
back within its bound, and the labels show what the page text allows."""

import time
import unittest

from harness import BoardRun, wait_until
from quotes import QuoteServer, TIME, expected_labels, page_as_read, page_for, settings, PAIRS

# Whatever the server does, one refresh is over within this (plus the tick).
REFRESH_BOUND = 45.0
HUGE = 256 * 1024 * 1024

KNOWN_ROWS = [(p, "100.%02d" % i, "100.%02d" % (i + 50), "00A000") for i, p in enumerate(PAIRS)]
KNOWN_PAGE = page_for("08:00:00", KNOWN_ROWS)


def reset_text(body):
    return body[:body.index(b"<tr><td>AUDJPY")]


# mode, the page text the board should end up with (None: the labels stay as they were)
FAULTS = [
    ("refuse", None),
    ("404", page_as_read),
    ("empty", page_as_read),
    ("nul", page_as_read),
    ("reset", reset_text),
    ("hang", None),
    ("trickle", "any"),
    ("slowhead", None),
    ("huge", "any"),
]


def peak_memory_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


class FaultTest(unittest.TestCase):
    def test_board_survives_every_fault_and_refreshes_within_the_bound(self):
        with QuoteServer(mode="fixture", fixture=KNOWN_PAGE, huge_size=HUGE) as server, \
                BoardRun(settings(server.port, interval=500), name="faults") as run:
            run.start()
            run.wait_board(layered=True)
            known = run.labels()
            self.assertEqual(known[TIME], "TIME:08:00:00")
            for mode, text_of in FAULTS:
                with self.subTest(mode=mode):
                    before = len(server.requests)
                    server.set_mode(mode)
                    faulty = None
                    if mode == "refuse":
                        time.sleep(1.5)
                    else:
                        faulty = wait_until(lambda: next((r for r in server.requests[before:] if r["mode"] == mode),
                                                         None), timeout=15, message=f"a request in {mode} mode")
                    if text_of is None:
                        # A refresh that could not open the page keeps every label.
                        self.assertEqual(run.labels(), known)
                    count = len(server.requests)
                    server.set_mode("fixture", fixture=KNOWN_PAGE)
                    after = server.wait_for_requests(count + 1, REFRESH_BOUND + 5)
                    self.assertGreater(len(after), count, "no refresh after the fault")
                    if faulty is not None:
                        self.assertLess(after[count]["time"] - faulty["time"], REFRESH_BOUND)
                    wait_until(lambda: run.labels() == known, timeout=10, message="the board current again")
            self.assertTrue(run.running)
            self.assertLess(peak_memory_kb(run.process.pid), 160 * 1024, "the huge body was not cut off")

    def test_labels_show_what_each_broken_page_leaves(self):
        with QuoteServer(mode="fixture", fixture=KNOWN_PAGE) as server, \
                BoardRun(settings(server.port, interval=0), name="pages") as run:
            for mode, text_of in FAULTS:
                if not callable(text_of):
                    continue
                with self.subTest(mode=mode):
                    server.set_mode(mode)
                    before = len(server.requests)
                    run.start()
                    run.wait_board(layered=True)
                    request = server.wait_for_requests(before + 1, 10)[before]
                    expected = expected_labels(text_of(request["body"] or b""))
                    shown = run.labels()
                    self.assertEqual({k: shown[k] for k in expected}, expected)
                    run.stop()
                    run.hwnd = None


if __name__ == "__main__":
    unittest.main()
