"""What the user-path tests share beyond the harness's pseudo terminal (harness/pty.py): the
sound sent to a file, the sound module looked for, an install of the build, and what a command
wrote before the demo's screen."""
import subprocess
from pathlib import Path

import pytest

from harness.pty import DEVICE_ATTRIBUTES, demo_env


def sound_env(sound_file, **changes):
    """The demo's sound goes to a file (SDL's disk driver), so a test can tell it played."""
    return demo_env(SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=str(sound_file), **changes)


@pytest.fixture
def pty_run(pty_terminal):
    """pty_run(argv, env, cwd): a command on a terminal like a user's, which answers only the
    device attributes query (no synchronized output, no sizes in pixels)."""
    return lambda argv, env, cwd, answers=(DEVICE_ATTRIBUTES,): pty_terminal(
        argv, env, cwd=cwd, answers=answers)


def module_loaded(pid):
    """Whether the process has the sound module mapped."""
    return b"floodvalley-sound.so" in Path(f"/proc/{pid}/maps").read_bytes()


def sound_played(sound_file):
    return sound_file.exists() and sound_file.stat().st_size > 0


def install_build(build_dir, prefix):
    """cmake --install of the build into prefix; returns the files it says it installed."""
    done = subprocess.run(["cmake", "--install", str(build_dir), "--prefix", str(prefix)],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stdout + done.stderr
    return [Path(line.split(": ", 1)[1]) for line in done.stdout.splitlines()
            if line.startswith(("-- Installing: ", "-- Up-to-date: "))]


def before_the_screen(output):
    """What a command wrote on the user's screen before the demo's first escape sequence."""
    return output.split(b"\x1b", 1)[0]
