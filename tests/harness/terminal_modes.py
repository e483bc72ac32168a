#!/usr/bin/env python3
"""Asks the terminal on /dev/tty which of its modes are set and prints one line per mode.

usage: terminal_modes.py OUT  (run inside the terminal: it asks the terminal itself)

The modes a full-screen program changes or may leave changed: the cursor shown (25), autowrap
(7), the alternate screen (1049, 47, 1047), the application cursor keys (1), synchronized output
(2026), bracketed paste (2004), mouse reports (1000, 1002, 1003, 1006). Each is asked with DECRQM
and the device attributes request goes last, so its answer means all answers are in. Writes
"<mode> <state>" lines to OUT (state as the terminal reports it, "-" when it did not answer);
exits 1 when the terminal did not answer the device attributes within 3 s. Nothing is written
on the screen; the terminal's modes (stty) are put back as they were.
"""
import os
import re
import select
import sys
import termios
import time
import tty

MODES = [25, 7, 1049, 47, 1047, 1, 2026, 2004, 1000, 1002, 1003, 1006]


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    fd = os.open("/dev/tty", os.O_RDWR | os.O_NOCTTY)
    saved = termios.tcgetattr(fd)
    answers = b""
    try:
        tty.setraw(fd, termios.TCSANOW)
        os.write(fd, b"".join(b"\x1b[?%d$p" % mode for mode in MODES) + b"\x1b[c")
        deadline = time.monotonic() + 3
        while not re.search(rb"\x1b\[\?[0-9;]*c", answers) and time.monotonic() < deadline:
            ready, _, _ = select.select([fd], [], [], 0.1)
            if ready:
                answers += os.read(fd, 4096)
    finally:
        termios.tcsetattr(fd, termios.TCSANOW, saved)
        os.close(fd)
    states = {int(m): s.decode() for m, s in re.findall(rb"\x1b\[\?([0-9]+);([0-9]+)\$y", answers)}
    with open(sys.argv[1], "w") as out:
        for mode in MODES:
            out.write(f"{mode} {states.get(mode, '-')}\n")
    if not re.search(rb"\x1b\[\?[0-9;]*c", answers):
        sys.exit("the terminal did not answer")


main()
