"""The test build of the demo on a stepping clock (tests/e2e/test_clock.cpp, frame mode), seen
from the test: its folder holds the log of every frame's moment (`times`); at each hold it
writes `holding-I`, and waits; `freeze-I` stops its frames (it answers `frozen-I`: the frames
drawn and the terminal's columns and rows) and `go-I` lets it go on."""
import subprocess

from harness.cells import read_frame
from harness.constants import ROWS
from harness.waiting import wait_for

FRAME_LINES = 1 + 2 * ROWS  # a frame of the frames tool: its header, glyphs and attributes


class SteppingClock:
    def __init__(self, folder):
        self.folder = folder

    def environment(self, holds):
        """What the demo is started with to hold at each of HOLDS (milliseconds)."""
        return {"FLOODVALLEY_CLOCK_DIR": str(self.folder),
                "FLOODVALLEY_CLOCK_HOLDS": ",".join(str(ms) for ms in holds)}

    def frames_drawn(self):
        times = self.folder / "times"
        return times.read_bytes().count(b"\n") if times.exists() else 0

    def wait_until_holding(self, hold, ms):
        wait_for((self.folder / f"holding-{hold}").exists, f"the clock did not reach {ms} ms", 60)

    def wait_for_more_frames(self, count, what):
        drawn = self.frames_drawn()
        wait_for(lambda: self.frames_drawn() >= drawn + count, what, 30)

    def freeze(self, hold):
        """Stops the frames at hold HOLD; the terminal's size at the last frame: columns, rows and,
        where the terminal tells them, its width and height in pixels."""
        (self.folder / f"freeze-{hold}").touch()
        frozen = self.folder / f"frozen-{hold}"
        wait_for(lambda: frozen.exists() and frozen.read_text(), f"the clock froze ({hold})", 20)
        frames, *size = (int(word) for word in frozen.read_text().split())
        assert frames == self.frames_drawn(), "the clock's log and its count differ"
        return size

    def go(self, hold):
        (self.folder / f"go-{hold}").touch()

    def last_frame(self, frames_tool):
        """The last frame drawn, as the frames tool draws it from the log: 4000 canvas cells
        (glyph, attribute)."""
        times = (self.folder / "times").read_bytes()
        frames = times.count(b"\n")
        assert frames >= 2, f"only {frames} frames were drawn"
        drawn = subprocess.run([str(frames_tool), "--every", str(frames - 1)], input=times,
                               capture_output=True)
        assert drawn.returncode == 0, f"the frames tool failed: {drawn.stderr.decode()}"
        lines = drawn.stdout.decode().splitlines()[-FRAME_LINES:]
        assert len(lines) == FRAME_LINES, "the frames tool gave no frame"
        return read_frame("\n".join(lines))
