"""A program on a fresh pseudo terminal of 80x50 cells, as its session leader, for what tmux
cannot stage: answers to the start-up queries that come late or never, keys typed ahead or at
exact moments, a terminal that stops reading, every byte a command writes, what it leaves in
the input for the shell, and exact timings against a recording of the sound.

The test holds both ends of the terminal, so it can read what is left in the input after the
run and suspend the output as a stop key would; pexpect keeps only the master end, and the
input is gone once the last holder of the other end closes it.

Fixture `pty_terminal`: pty_terminal(argv, env, ...) starts a PtyTerminal; whatever the test
does, one still running at the end is killed by its pid.

From the command line (tests/ as the working directory or on PYTHONPATH):
  python3 -m harness.pty record DEMO OUT_DIR KEY_AT_S [SOURCE]
      Answers at once; presses q KEY_AT_S seconds after the first frame (0: never, the run ends
      by itself) and writes OUT_DIR/output.bin (every byte written) and OUT_DIR/times (the
      moments, in ms of this process's clock). With SOURCE, parec records that PulseAudio source
      meanwhile into OUT_DIR/sound.raw, and OUT_DIR/times also tells its first sample's moment.
"""
import fcntl
import os
import select
import signal
import struct
import subprocess
import sys
import termios
import time

import pytest

from harness.constants import COLUMNS, ROWS
from harness.restored import assert_restored, state_before, state_from_output
from harness.waiting import wait_for

QUERIES_END = b"\x1b[c"  # the device attributes request goes last
CELL_SIZE, WINDOW_SIZE = b"\x1b[6;16;8t", b"\x1b[4;800;640t"
DEVICE_ATTRIBUTES = b"\x1b[?62;22c"  # no synchronized output
SYNC_SUPPORTED = b"\x1b[?2026;2$y"
ALL_ANSWERS = [CELL_SIZE, WINDOW_SIZE, DEVICE_ATTRIBUTES]
CURSOR_HIDE = b"\x1b[?25l"  # the last set-up step: the first frame follows
FRAME_END = b"\r"  # each frame ends with it, and has none inside
SCREEN_GIVEN_BACK = b"\x1b[?1049l"
DEMO_TAKES = [b"\x1b[?1049h", CURSOR_HIDE, b"\x1b[22;0t"]  # screen, cursor, title
DRAIN_QUIET_S = 0.25  # the kernel hands a pty's last bytes over well within this
RATE, FRAME_SIZE = 44100, 4  # 16-bit stereo
BOOSTED_NICE = -10  # the scheduling share of a session whose sound is measured


def now_ms():
    return time.monotonic() * 1000.0


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


def set_autogroup_nice(nice):
    """The scheduling weight of this process's session; kernels without session groups have
    nothing to set."""
    try:
        with open("/proc/self/autogroup", "w") as autogroup:
            autogroup.write(str(nice))
    except OSError:
        pass


class PtyTerminal:
    """The program on a pseudo terminal, with everything it writes kept in `output`. With
    `answers`, the start-up queries are answered with them as soon as they come."""

    def __init__(self, argv, env, cwd=None, answers=None, typed_ahead=b"", redirects=None,
                 autogroup_nice=None):
        self.master, self.slave = os.openpty()
        fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLUMNS, 0, 0))
        self.modes_before = termios.tcgetattr(self.slave)
        self._type_ahead(typed_ahead)
        self.answers, self.answered = answers, False
        self.output = bytearray()
        self.status = self.queries_at = self.first_frame_at = self.ended_at = None
        self.reading = True
        self.pid = os.fork()
        if self.pid == 0:
            self._exec([os.fsencode(a) for a in argv], cwd, env, autogroup_nice, redirects or {})

    def _type_ahead(self, keys):
        """Keys waiting in the input before the program starts; typed in raw mode, so that they
        are neither echoed nor held for a line end."""
        if keys:
            raw = termios.tcgetattr(self.slave)
            raw[3] &= ~(termios.ICANON | termios.ECHO)
            termios.tcsetattr(self.slave, termios.TCSANOW, raw)
            os.write(self.master, keys)
            select.select([self.slave], [], [], 5)
            termios.tcsetattr(self.slave, termios.TCSANOW, self.modes_before)

    def _exec(self, argv, cwd, env, autogroup_nice, redirects):
        try:
            os.setsid()
            if autogroup_nice is not None:
                set_autogroup_nice(autogroup_nice)
            fcntl.ioctl(self.slave, termios.TIOCSCTTY, 0)
            for fd in (0, 1, 2):
                os.dup2(self.slave, fd)
            for fd, path in redirects.items():
                os.dup2(os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC), fd)
            os.close(self.master)
            os.close(self.slave)
            if cwd:
                os.chdir(cwd)
            os.execve(argv[0], argv, env)
        finally:
            os._exit(127)

    # --- reading ------------------------------------------------------------------------------

    def pump(self, seconds):
        """Reads what the program writes for up to `seconds` (while reading is on), notes when
        the queries and the first frame came and answers the queries; returns early when the
        program ends."""
        deadline = time.monotonic() + seconds
        while not self.poll_exit():
            left = deadline - time.monotonic()
            if left <= 0:
                return
            if not self.reading:
                time.sleep(min(left, 0.01))
            elif select.select([self.master], [], [], min(left, 0.01))[0]:
                self._read()

    def _read(self):
        try:
            data = os.read(self.master, 65536)
        except OSError:
            return
        self.output += data
        if self.queries_at is None and QUERIES_END in self.output:
            self.queries_at = now_ms()
        if self.queries_at is not None and self.answers and not self.answered:
            self.type(b"".join(self.answers))
            self.answered = True
        if self.first_frame_at is None:
            hidden = self.output.find(CURSOR_HIDE)
            if hidden >= 0 and self.output.find(FRAME_END, hidden) >= 0:
                self.first_frame_at = now_ms()

    def poll_exit(self):
        if self.status is None:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid == self.pid:
                self.status, self.ended_at = status, now_ms()
                self._drain()
        return self.status is not None

    def _drain(self):
        """Reads what the program wrote before it ended. The test holds the other end too, so no
        end-of-file comes, and the kernel hands the last bytes over a moment after the write:
        read until nothing has come for a while."""
        while self.reading and select.select([self.master], [], [], DRAIN_QUIET_S)[0]:
            before = len(self.output)
            self._read()
            if len(self.output) == before:
                return

    def until(self, condition, what, limit_s=30):
        """Keeps reading (a program whose output is not read stops) until condition() holds;
        returns its value. Fails the test at the limit, or when the program ends first."""
        def pumped():
            self.pump(0.01)
            value = condition()
            if not value and self.status is not None:
                pytest.fail(f"{what}: not so when the program ended; the end of what it "
                            f"wrote: {self.tail()!r}")
            return value
        return wait_for(pumped, what, limit_s, every_s=0)

    def expect(self, data, limit_s=30):
        return self.until(lambda: data in self.output, f"{data!r} written", limit_s)

    def start_demo(self, limit_s=60):
        """Waits for the queries and for the whole first frame (answering as told)."""
        self.until(lambda: self.first_frame_at, "the first frame drawn", limit_s)

    def wait_exit(self, limit_s=30):
        """Reads to the end; returns the exit status (None after a signal)."""
        wait_for(lambda: self.pump(0.01) or self.status is not None, "the program ended",
                 limit_s, every_s=0)
        return os.WEXITSTATUS(self.status) if os.WIFEXITED(self.status) else None

    def end_by_key(self, key=b"q", limit_s=30):
        self.type(key)
        return self.wait_exit(limit_s)

    def tail(self):
        """The end of what was written after the picture was given back (a sanitizer's report,
        for one), or of everything."""
        return bytes(self.output.rsplit(SCREEN_GIVEN_BACK, 1)[-1][-2000:])

    def output_stuck(self):
        """Whether the program's writes have stopped getting through: what waits to be read has
        not grown for 300 ms, and the program sleeps (in its write)."""
        waiting = struct.unpack("i", fcntl.ioctl(self.master, termios.FIONREAD, b"\0" * 4))[0]
        now = time.monotonic()
        if waiting != getattr(self, "_waiting", None):
            self._waiting, self._waiting_since = waiting, now
            return False
        with open(f"/proc/{self.pid}/stat") as stat:
            state = stat.read().rsplit(")", 1)[1].split()[0]
        return now - self._waiting_since >= 0.3 and state == "S"

    # --- the terminal's side ------------------------------------------------------------------

    def type(self, data):
        os.write(self.master, data)

    def suspend_output(self):
        """The reader stops and the output is suspended as by a stop key, so that not even a few
        bytes of slack in the terminal's buffers let anything through."""
        self.reading = False
        termios.tcflow(self.slave, termios.TCOOFF)

    def unread_input(self):
        """What is left in the terminal's input for the next reader (the shell)."""
        attributes = termios.tcgetattr(self.slave)
        attributes[3] &= ~termios.ICANON
        attributes[6][termios.VMIN] = attributes[6][termios.VTIME] = 0
        termios.tcsetattr(self.slave, termios.TCSANOW, attributes)
        left = b""
        while chunk := os.read(self.slave, 4096):
            left += chunk
        return left

    def state_before(self):
        return state_before(self.modes_before)

    def state_now(self):
        return state_from_output(termios.tcgetattr(self.slave), bytes(self.output))

    def kill(self):
        """Ends the program and what it started in its process group (a build, the demo under
        sh), by the program's pid, which leads that group."""
        if self.status is None:
            try:
                os.killpg(self.pid, signal.SIGKILL)
            except ProcessLookupError:  # not yet in a session of its own
                os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
            self.status = -1
        for fd in (self.master, self.slave):
            try:
                os.close(fd)
            except OSError:
                pass


def assert_ended_cleanly(terminal, status):
    """Exit status 0, a run of the demo (it took the screen, cursor and title), and the terminal
    given back as it was."""
    assert status == 0, f"wait status {terminal.status}, expected exit status 0; after the " \
                        f"picture: {terminal.tail()!r}"
    missing = [taken for taken in DEMO_TAKES if taken not in terminal.output]
    assert not missing, f"{missing} never written: not a run of the demo"
    assert_restored(terminal.state_before(), terminal.state_now())


@pytest.fixture
def pty_terminal():
    """Starts programs on pseudo terminals: pty_terminal(argv, env, ...)."""
    started = []

    def start(argv, env, **options):
        started.append(PtyTerminal(argv, env, **options))
        return started[-1]

    yield start
    for terminal in started:
        terminal.kill()


# --- record -----------------------------------------------------------------------------------

class Recorder:
    """parec on a PulseAudio source, read as it comes. Each read tells that the samples so far
    were captured no later than now, so the moment of the first sample is at most the smallest
    (read time - samples so far / rate); reads come every few milliseconds, so it is close."""

    def __init__(self, source, path):
        self.process = subprocess.Popen(
            ["parec", "-d", source, "--format=s16le", f"--rate={RATE}", "--channels=2",
             "--latency-msec=5"], stdout=subprocess.PIPE)
        os.set_blocking(self.process.stdout.fileno(), False)
        self.file = open(path, "wb")
        self.frames = 0
        self.first_sample_at = self.last_read_at = None

    def read(self):
        try:
            data = self.process.stdout.read(1 << 20)
        except BlockingIOError:
            return
        if not data:
            return
        at = self.last_read_at = now_ms()
        self.file.write(data)
        self.frames += len(data) // FRAME_SIZE
        bound = at - self.frames * 1000.0 / RATE
        if self.first_sample_at is None or bound < self.first_sample_at:
            self.first_sample_at = bound

    def wait_running(self):
        """Half a second recorded before the demo starts."""
        def recording():
            self.read()
            assert self.process.poll() is None, f"parec ended ({self.process.returncode})"
            return self.frames >= RATE // 2
        wait_for(recording, "parec recording", every_s=0.005)

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.file.close()


def boost_own_session():
    """A busy machine must not starve the sound or the clock readings being measured: this
    process, in a session of its own, gets a heavier share of the processors (root only)."""
    if os.geteuid() != 0:
        return
    try:
        os.setsid()
    except OSError:
        pass  # already a session leader
    set_autogroup_nice(BOOSTED_NICE)


def pump_recording(terminal, recorder, seconds, done=lambda: False):
    """Reads the terminal and the recording for up to `seconds`, until done() or the end."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline and terminal.status is None and not done():
        terminal.pump(0.002)
        if recorder:
            recorder.read()


def record(demo, out_dir, key_at_s, source=None):
    if source:
        boost_own_session()
    recorder = Recorder(source, os.path.join(out_dir, "sound.raw")) if source else None
    terminal = None
    try:
        if recorder:
            recorder.wait_running()
        boosted = BOOSTED_NICE if source and os.geteuid() == 0 else None
        terminal = PtyTerminal([demo], demo_env(), cwd=out_dir, answers=ALL_ANSWERS,
                               autogroup_nice=boosted)
        pump_recording(terminal, recorder, 10, lambda: terminal.first_frame_at)
        assert terminal.first_frame_at, f"no frame within 10 s: {terminal.tail()!r}"
        key_sent_at = -1
        if key_at_s > 0:
            pump_recording(terminal, recorder,
                           key_at_s - (now_ms() - terminal.first_frame_at) / 1000.0)
            key_sent_at = now_ms()
            terminal.type(b"q")
        pump_recording(terminal, recorder, 90)
        assert terminal.status is not None, "the run did not end"
        assert terminal.wait_exit(0) == 0, f"the run ended badly: {terminal.tail()!r}"
        if recorder:
            deadline = time.monotonic() + 0.5  # the sound after the end, if any
            while time.monotonic() < deadline:
                recorder.read()
                time.sleep(0.002)
        write_record(out_dir, terminal, key_sent_at, recorder)
    finally:
        if terminal:
            terminal.kill()
        if recorder:
            recorder.stop()


def write_record(out_dir, terminal, key_sent_at, recorder):
    with open(os.path.join(out_dir, "output.bin"), "wb") as out:
        out.write(terminal.output)
    with open(os.path.join(out_dir, "times"), "w") as times:
        times.write(f"first_frame_ms {terminal.first_frame_at:.3f}\n")
        times.write(f"key_ms {key_sent_at:.3f}\n")
        times.write(f"ended_ms {terminal.ended_at:.3f}\n")
        if recorder:
            times.write(f"first_sample_ms {recorder.first_sample_at:.3f}\n")
            # Lost samples show as a recording shorter than the time it took.
            times.write(f"recorded_ms {recorder.frames * 1000.0 / RATE:.3f}\n")
            times.write(f"last_read_ms {recorder.last_read_at:.3f}\n")


if __name__ == "__main__":
    if len(sys.argv) not in (5, 6) or sys.argv[1] != "record":
        sys.exit("usage: python3 -m harness.pty record DEMO OUT_DIR KEY_AT_S [SOURCE]")
    record(sys.argv[2], sys.argv[3], float(sys.argv[4]), *sys.argv[5:])
