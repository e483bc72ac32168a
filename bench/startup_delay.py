#!/usr/bin/env python3
"""Start-up delay of the demo: the time from exec to its first frame on a pseudo terminal, on a
terminal that never answers the start-up queries and on one that answers at once; and, of that,
the time from exec to the queries, and from the queries to the first frame.

The first frame is the first output after the cursor was hidden (the last set-up step) that
is the size of a frame. Run it from a folder with the music file for the figures with sound.

Usage: bench/startup_delay.py DEMO [RUNS]
"""
import os
import pty
import select
import signal
import statistics
import struct
import sys
import time

QUERY_END = b"\x1b[c"  # the device attributes request goes last
CURSOR_HIDE = b"\x1b[?25l"
FRAME_BYTES = 2000
ANSWERS = b"\x1b[6;16;8t\x1b[4;800;640t\x1b[?62;22c"


def first_frame_ms(demo, answer):
    """(exec to queries, exec to first frame) in ms for one run. The child tells the moment it
    calls exec (the monotonic clock is the machine's, the same in both processes), so the cost
    of forking this interpreter is not counted."""
    exec_read, exec_write = os.pipe()
    pid, fd = pty.fork()
    if pid == 0:
        os.close(exec_read)
        os.write(exec_write, struct.pack("d", time.monotonic()))
        os.execv(demo, [demo])
    os.close(exec_write)
    started = struct.unpack("d", os.read(exec_read, 8))[0]
    os.close(exec_read)
    seen = b""
    asked = None
    try:
        while True:
            ready, _, _ = select.select([fd], [], [], 5)
            if not ready:
                raise RuntimeError("no frame within 5 s")
            seen += os.read(fd, 65536)
            now = time.monotonic()
            if asked is None and QUERY_END in seen:
                asked = now
                if answer:
                    os.write(fd, ANSWERS)
            hidden = seen.find(CURSOR_HIDE)
            if hidden >= 0 and len(seen) - hidden > FRAME_BYTES:
                return ((asked or now) - started) * 1000, (now - started) * 1000
    finally:
        os.close(fd)  # first, so the demo's restore cannot block on a full terminal
        os.kill(pid, signal.SIGTERM)
        os.waitpid(pid, 0)


def main():
    demo = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    for label, answer in (("silent terminal", False), ("answering terminal", True)):
        results = [first_frame_ms(demo, answer) for _ in range(runs)]
        parts = (("exec to queries", [r[0] for r in results]),
                 ("queries to frame", [r[1] - r[0] for r in results]),
                 ("exec to frame", [r[1] for r in results]))
        for part, times in parts:
            print(f"{label:20s} {part:17s} median {statistics.median(times):6.1f} ms  "
                  f"min {min(times):6.1f}  max {max(times):6.1f}  ({runs} runs)")


if __name__ == "__main__":
    main()
