"""floodvalley-frames --format ansi writes the bytes the terminal presenter writes for the same
frames on a terminal with synchronized output. The real demo runs on a clock that steps 137 ms a
frame (every remainder by 5, so the flood steps) through its whole 75 s and logs each frame's
time; the frames tool is fed that log. Only the presenter's first frame differs: it clears the
screen to black inside its update, the frame alone in the tool's output does not."""
import re
import subprocess

from harness.pty import DEVICE_ATTRIBUTES, SYNC_SUPPORTED, assert_ended_cleanly, demo_env

SYNC_BEGIN = b"\x1b[?2026h"
FRAME = re.compile(rb"\x1b\[\?2026h.*?\x1b\[\?2026l", re.S)  # one synchronized update
CLEAR_TO_BLACK = b"\x1b[0;40m\x1b[2J"  # plain attributes on black, then erase the screen
STEP_MS = 137
WHOLE_RUN_S = 120  # well under a second on a quiet machine
WHOLE_RUN_FRAMES = 549  # 0, 137, ... 548 x 137 = 75076 ms: the first frame at 75 s ends the run


def test_frames_tool_writes_the_presenters_bytes(paths, pty_run, tmp_path):
    env = demo_env(FLOODVALLEY_CLOCK_STEP=str(STEP_MS), FLOODVALLEY_CLOCK_DIR=str(tmp_path))
    run = pty_run([paths.stepping_demo], env, tmp_path, (SYNC_SUPPORTED, DEVICE_ATTRIBUTES))
    run.start_demo()
    status = run.wait_exit(WHOLE_RUN_S)
    assert_ended_cleanly(run, status)
    times = (tmp_path / "times").read_bytes()
    tool = subprocess.run([paths.frames, "--format", "ansi"], input=times, capture_output=True)
    assert tool.returncode == 0, tool.stderr
    shown, written = FRAME.findall(run.output), FRAME.findall(tool.stdout)
    assert len(times.split()) == len(shown) == len(written) == WHOLE_RUN_FRAMES
    assert b"".join(written) == tool.stdout, "the tool wrote bytes outside its frames"
    first = SYNC_BEGIN + CLEAR_TO_BLACK + written[0][len(SYNC_BEGIN):]
    assert shown[0] == first
    differing = [i for i in range(1, len(shown)) if shown[i] != written[i]]
    assert not differing, f"{len(differing)} frames differ, the first at {differing[0]}"
