"""What the user-path tests share: the programs under test (passed by ctest), and a command run
on a fresh 80x50 pseudo terminal the way a user's terminal runs it, with every byte it writes
kept, its start-up queries answered, and a check that it ended cleanly and gave everything back.
Whatever a test does, a command still running at its end is killed by its pid."""
import io
import os
import signal
import subprocess
import termios
import time
from pathlib import Path

import pexpect
import pytest

ROWS, COLUMNS = 50, 80
QUERIES_END = b"\x1b[c"  # the device attributes request goes last
ANSWERS = b"\x1b[?62;22c"  # only the device attributes: no synchronized output
ANSWERS_WITH_SYNC = b"\x1b[?2026;2$y\x1b[?62;22c"  # synchronized output supported
CURSOR_HIDE = b"\x1b[?25l"  # the last set-up step: the first frame follows
FRAME_END = b"\r"  # each frame ends with it, and has none inside
# What the demo takes and what gives it back; the give-back must come last.
TAKEN_AND_GIVEN_BACK = [
    ("alternate screen", b"\x1b[?1049h", b"\x1b[?1049l"),
    ("cursor", b"\x1b[?25l", b"\x1b[?25h"),
    ("title", b"\x1b[22;0t", b"\x1b[23;0t"),
]
FIRST_FRAME_S = 60  # a slow, shared machine takes seconds where a second would do
END_S = 30


def fresh_modes():
    """The modes of a pseudo terminal nobody has changed: those the command found."""
    master, slave = os.openpty()
    try:
        return termios.tcgetattr(slave)
    finally:
        os.close(master)
        os.close(slave)


def demo_env(**changes):
    """The user's environment on an xterm-like terminal without COLORTERM; a change of None
    removes that variable."""
    env = dict(os.environ, TERM="xterm-256color")
    env.pop("COLORTERM", None)
    for name, value in changes.items():
        if value is None:
            env.pop(name, None)
        else:
            env[name] = value
    return env


def sound_env(sound_file, **changes):
    """The demo's sound goes to a file (SDL's disk driver), so a test can tell it played."""
    return demo_env(SDL_AUDIODRIVER="disk", SDL_DISKAUDIOFILE=str(sound_file), **changes)


class PtyRun:
    """A command on its own pseudo terminal, as its session leader."""

    def __init__(self, argv, env, cwd):
        self.modes_before = fresh_modes()
        self.log = io.BytesIO()
        self.child = pexpect.spawn(str(argv[0]), [str(a) for a in argv[1:]], env=env,
                                   cwd=str(cwd), dimensions=(ROWS, COLUMNS))
        self.child.logfile_read = self.log
        self.modes_after = None

    @property
    def output(self):
        return self.log.getvalue()

    def expect(self, data, timeout):
        try:
            self.child.expect_exact(data, timeout=timeout)
        except (pexpect.TIMEOUT, pexpect.EOF) as end:
            kind = "nothing more came" if isinstance(end, pexpect.TIMEOUT) else "it ended"
            pytest.fail(f"waited for {data!r}, {kind}; the end of what it wrote: "
                        f"{self.output[-600:]!r}")

    def start_demo(self, answers=ANSWERS, timeout=FIRST_FRAME_S):
        """Answers the start-up queries and waits for the whole first frame."""
        self.expect(QUERIES_END, timeout)
        self.child.send(answers)
        self.expect(CURSOR_HIDE, timeout)
        self.expect(FRAME_END, timeout)

    def pump_until(self, condition, what, timeout=FIRST_FRAME_S):
        """Keeps reading (a command whose output is not read stops) until condition() holds."""
        deadline = time.monotonic() + timeout
        while not condition():
            if time.monotonic() > deadline:
                pytest.fail(f"{what}: not so after {timeout} s")
            try:
                self.child.read_nonblocking(65536, timeout=0.05)
            except pexpect.TIMEOUT:
                pass
            except pexpect.EOF:
                pytest.fail(f"{what}: not so when the command ended")

    def wait_end(self, timeout=END_S):
        """Reads to the end; returns the exit status (None after a signal)."""
        self.expect(pexpect.EOF, timeout)
        self.modes_after = termios.tcgetattr(self.child.child_fd)
        self.child.close()
        return self.child.exitstatus

    def end_by_key(self, key=b"q"):
        self.child.send(key)
        return self.wait_end()

    def stop(self):
        if self.child.isalive():
            os.kill(self.child.pid, signal.SIGKILL)
        self.child.close(force=True)


@pytest.fixture
def pty_run():
    """Starts commands on pseudo terminals: pty_run(argv, env, cwd)."""
    runs = []

    def start(argv, env, cwd):
        runs.append(PtyRun(argv, env, cwd))
        return runs[-1]

    yield start
    for run in runs:
        run.stop()


def assert_clean_end(run, status):
    """Exit status 0, the terminal's modes as they were, and the screen, cursor and title given
    back after the last time they were taken."""
    assert (status, run.child.signalstatus) == (0, None), f"end: {run.output[-600:]!r}"
    assert run.modes_after == run.modes_before, "the terminal modes were not given back"
    for name, taken, given_back in TAKEN_AND_GIVEN_BACK:
        assert taken in run.output, f"the {name} was never taken: not a run of the demo"
        assert run.output.rindex(given_back) > run.output.rindex(taken), \
            f"the {name} was not given back"


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
