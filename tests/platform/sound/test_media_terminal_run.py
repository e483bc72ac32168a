"""The demo in a real terminal (tmux) with its music playing, on SDL's disk driver and on
whatever audio this machine has: it draws its picture, ends on a key within a few seconds, and
nothing but the picture reaches the terminal: no line from the audio libraries (ALSA without a
sound card, SDL's disk driver banner). Music files of every other kind are run in the soak test
(tests/e2e/test_soak.py) and refused by the player in its unit test."""
import re
import shutil
import subprocess

import pytest

from harness.waiting import wait_for

LIBRARY_LINES = re.compile(rb"ALSA lib|CRITICAL:|disk i/o audio")


@pytest.mark.parametrize("env", ["SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=capture.raw", "X=1"],
                         ids=["disk", "default"])
def test_only_the_picture_reaches_the_terminal(pane, paths, env):
    shutil.copy(paths.track, pane.work / "TEVDRONE.MP3")
    log = pane.work / "terminal.log"
    log.touch()
    # The demo starts once every byte it writes is logged.
    pane.start(f"cd '{pane.work}' && while [ ! -e go ]; do sleep 0.05; done && "
               f"exec env {env} '{paths.demo}'", 80, 50)
    pane.log_output(log)
    (pane.work / "go").touch()
    wait_for(lambda: log.stat().st_size > 20000, "a picture drawn in the terminal", 10)
    if "disk" in env:  # the disk driver stands in for a sound card: the music really plays
        captured = pane.work / "capture.raw"
        wait_for(lambda: captured.exists() and captured.stat().st_size > 100000,
                 "the music played", 10)
    pane.send_keys("x")
    wait_for(lambda: subprocess.run(["tmux", "-L", pane.socket, "has-session"],
                                    capture_output=True).returncode, "the demo ended on the key", 5)
    found = LIBRARY_LINES.search(written := log.read_bytes())
    assert not found, f"library output reached the terminal: {written[found.start():][:60]!r}"
