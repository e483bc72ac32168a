#!/usr/bin/env python3
"""Start-up delay of the demo on a terminal that never answers its queries, and on one that
answers at once: the time from starting the process to the first frame on the screen, and from
the queries to the first frame (the part the answers can hold up).

Usage: bench/startup_delay.py DEMO [RUNS]
"""
import os
import pty
import select
import signal
import statistics
import sys
import time

QUERIES = b"\x1b[c"
FRAME_START = b"\x1b[2J"  # the first frame clears the screen (in a synchronized update or not)
ANSWERS = b"\x1b[6;16;8t\x1b[4;800;640t\x1b[?62;22c"


def first_frame_ms(demo, answer):
    started = time.monotonic()
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(demo, [demo])
    seen = b""
    answered = False
    asked = None
    try:
        while True:
            ready, _, _ = select.select([fd], [], [], 5)
            if not ready:
                raise RuntimeError("no frame within 5 s")
            seen += os.read(fd, 65536)
            if asked is None and QUERIES in seen:
                asked = time.monotonic()
            if answer and not answered and QUERIES in seen:
                os.write(fd, ANSWERS)
                answered = True
            if FRAME_START in seen:
                now = time.monotonic()
                return (now - started) * 1000, (now - (asked or now)) * 1000
    finally:
        os.close(fd)  # first, so the demo's restore cannot block on a full terminal
        os.kill(pid, signal.SIGTERM)
        os.waitpid(pid, 0)


def main():
    demo = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    for label, answer in (("silent terminal", False), ("answering terminal", True)):
        results = [first_frame_ms(demo, answer) for _ in range(runs)]
        for part, times in (("start to frame", [r[0] for r in results]),
                            ("queries to frame", [r[1] for r in results])):
            print(f"{label:20s} {part:17s} median {statistics.median(times):6.1f} ms  "
                  f"min {min(times):6.1f}  max {max(times):6.1f}  ({runs} runs)")


if __name__ == "__main__":
    main()
