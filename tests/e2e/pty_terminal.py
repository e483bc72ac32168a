#!/usr/bin/env python3
"""A terminal for end-to-end tests on a pseudo terminal, for what tmux cannot stage: answers to
the start-up queries that come late (a slow remote link), a terminal that stops reading while
the demo writes, keys typed at exact moments of the start-up, every byte a command line writes,
and exact timings against a recording of the sound.

The program runs as the session leader on a fresh pseudo terminal of 80x50 cells, so that
terminal is its controlling terminal; this script holds both ends, reads everything written,
answers the queries when told to, types keys and sends signals at chosen moments.

Usage:
  pty_terminal.py late-answers DEMO DELAY_MS[,DELAY_MS...]
      The answers come DELAY_MS after the queries (several delays: one answer each, in order).
      The demo must not take them for a key: it runs on, ends on a typed key, leaves exactly
      that key unread, and gives the modes back.
  pty_terminal.py stuck-restore DEMO FIRST SECOND
      The terminal stops reading mid-run and suspends its output. Signal FIRST (a name like
      TERM) finds the restore stuck; SECOND must end the process at once, with the terminal
      modes already given back.
  pty_terminal.py keys-for-the-shell DEMO
      Under sh, the key that ends the run (Enter, a byte with the eighth bit set, Ctrl-S) is
      what sh's read gets next, as typed: Enter gives an empty line at once.
  pty_terminal.py tiocsti-refused DEMO DOUBLE
      With DOUBLE preloaded (a library that makes ioctl(TIOCSTI) fail), a key typed ahead,
      among the answers to the queries or after the first frame ends the run; only the one read
      with the answers is lost to the shell.
  pty_terminal.py command-line DEMO VERSION
      --help, --version, unknown arguments and a failed write: the exit status and every byte
      written, and nothing changed on the terminal.
  pty_terminal.py record DEMO OUT_DIR KEY_AT_S [RECORD_SINK]
      Answers at once; presses a key KEY_AT_S seconds after the first frame (0: never, the run
      ends by itself) and writes OUT_DIR/output.bin (every byte written) and OUT_DIR/times
      (the moments, in ms of this script's clock). With RECORD_SINK, parec records that
      PulseAudio source meanwhile into OUT_DIR/sound.raw, and OUT_DIR/times also tells the
      moment of its first sample.
Exit status 0 when every check holds; each failure is a line on standard error.
"""
import fcntl
import os
import re
import select
import signal
import struct
import subprocess
import sys
import termios
import time

QUERY_END = b"\x1b[c"  # the device attributes request goes last
ANSWERS = [b"\x1b[6;16;8t", b"\x1b[4;800;640t", b"\x1b[?62;22c"]
CURSOR_HIDE = b"\x1b[?25l"  # the last set-up step: the first frame follows
FRAME_BYTES = 2000  # a frame is never smaller
DRAIN_QUIET_S = 0.25  # the kernel hands a pty's last bytes over well within this
ROWS, COLUMNS = 50, 80
RATE = 44100
FRAME_SIZE = 4  # 16-bit stereo
BOOSTED_NICE = -10  # the scheduling share of a session whose sound is measured

failures = []


def fail(message):
    failures.append(message)
    print(f"FAIL: {message}", file=sys.stderr)


def now_ms():
    return time.monotonic() * 1000.0


def set_autogroup_nice(nice):
    """The scheduling weight of this process's session; kernels without session groups have
    nothing to set."""
    try:
        with open("/proc/self/autogroup", "w") as autogroup:
            autogroup.write(str(nice))
    except OSError:
        pass


class Terminal:
    """The program on a pseudo terminal, with everything it writes kept in `output`."""

    def __init__(self, argv, cwd=None, env=None, autogroup_nice=None, typed_ahead=b"",
                 redirects=None):
        self.master, self.slave = os.openpty()
        fcntl.ioctl(self.master, termios.TIOCSWINSZ, struct.pack("HHHH", ROWS, COLUMNS, 0, 0))
        self.modes_before = termios.tcgetattr(self.slave)
        if typed_ahead:  # raw, so that it is neither echoed nor waits for a line end
            raw = termios.tcgetattr(self.slave)
            raw[3] &= ~(termios.ICANON | termios.ECHO)
            termios.tcsetattr(self.slave, termios.TCSANOW, raw)
            os.write(self.master, typed_ahead)
            select.select([self.slave], [], [], 5)
            termios.tcsetattr(self.slave, termios.TCSANOW, self.modes_before)
        self.started = now_ms()
        self.pid = os.fork()
        if self.pid == 0:
            self._exec(argv, cwd, env, autogroup_nice, redirects or {})
        self.output = bytearray()
        self.status = None
        self.reading = True
        self.queries_at = None
        self.first_frame_at = None

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
            os.execve(argv[0], argv, env if env is not None else os.environ)
        finally:
            os._exit(127)

    def pump(self, seconds):
        """Reads what the program writes for up to `seconds` (only while reading is on), and
        notes when the queries and the first frame came. Returns early when the program ends."""
        deadline = time.monotonic() + seconds
        while self.status is None:
            left = deadline - time.monotonic()
            if left <= 0:
                return
            if self.reading:
                ready, _, _ = select.select([self.master], [], [], min(left, 0.01))
                if ready:
                    self._read()
            else:
                time.sleep(min(left, 0.01))
            self.poll_exit()

    def _read(self):
        try:
            data = os.read(self.master, 65536)
        except OSError:
            return
        self.output += data
        if self.queries_at is None and QUERY_END in self.output:
            self.queries_at = now_ms()
        if self.first_frame_at is None:
            at = self.output.find(CURSOR_HIDE)
            if at >= 0 and len(self.output) - at > FRAME_BYTES:
                self.first_frame_at = now_ms()

    def pump_until(self, what, limit_s):
        deadline = time.monotonic() + limit_s
        while not what() and self.status is None and time.monotonic() < deadline:
            self.pump(0.01)
        return what()

    def poll_exit(self):
        if self.status is None:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid == self.pid:
                self.status = status
                self.ended_at = now_ms()
                self._drain()
        return self.status is not None

    def _drain(self):
        """Reads what the program wrote before it ended. This script holds the other end too, so
        the terminal stays open and no end-of-file comes; and the kernel hands the last bytes
        over to this side a moment after the write, so a program that has just ended may still
        have output on the way: read until nothing has come for a while."""
        while self.reading and select.select([self.master], [], [], DRAIN_QUIET_S)[0]:
            before = len(self.output)
            self._read()
            if len(self.output) == before:
                return

    def wait_exit(self, limit_s):
        """Keeps reading until the program ends; False if it is still running at the limit."""
        deadline = time.monotonic() + limit_s
        while not self.poll_exit() and time.monotonic() < deadline:
            self.pump(0.01)
        return self.status is not None

    def output_stuck(self):
        """Whether the program's writes have stopped getting through: what waits to be read
        has not grown for 300 ms, and the program sleeps (in its write)."""
        waiting = struct.unpack("i", fcntl.ioctl(self.master, termios.FIONREAD, b"\0" * 4))[0]
        now = time.monotonic()
        if waiting != getattr(self, "_waiting", None):
            self._waiting, self._waiting_since = waiting, now
            return False
        with open(f"/proc/{self.pid}/stat") as stat:
            state = stat.read().rsplit(")", 1)[1].split()[0]
        return now - self._waiting_since >= 0.3 and state == "S"

    def type(self, data):
        os.write(self.master, data)

    def unread_input(self):
        """What is left in the terminal's input for the next reader (the shell)."""
        attributes = termios.tcgetattr(self.slave)
        attributes[3] &= ~termios.ICANON
        attributes[6][termios.VMIN] = 0
        attributes[6][termios.VTIME] = 0
        termios.tcsetattr(self.slave, termios.TCSANOW, attributes)
        left = b""
        while True:
            chunk = os.read(self.slave, 4096)
            if not chunk:
                return left
            left += chunk

    def modes_kept(self):
        return termios.tcgetattr(self.slave) == self.modes_before

    def kill(self):
        if self.status is None:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
            self.status = -1


def answer_at_once(terminal):
    if terminal.queries_at is not None and not getattr(terminal, "answered", False):
        terminal.type(b"".join(ANSWERS))
        terminal.answered = True


def start_demo(demo, args=(), **kwargs):
    env = dict(os.environ, TERM="xterm-256color")
    env.pop("COLORTERM", None)
    env.update(kwargs.pop("env", {}))
    return Terminal([demo, *args], env=env, **kwargs)


def pump_answering(terminal, until, limit_s):
    """Reads and answers the queries at once, until `until()` holds or the limit is reached."""
    deadline = time.monotonic() + limit_s
    while not until() and terminal.status is None and time.monotonic() < deadline:
        terminal.pump(0.01)
        answer_at_once(terminal)
    return until()


def expect_clean_end(terminal, what, limit_s=5):
    """The program ends within limit_s with exit status 0 and the user's modes back; False when
    it is still running."""
    if not terminal.wait_exit(limit_s):
        fail(f"{what}: still running {limit_s} s after the key")
        return False
    expect_ended_by_itself(terminal, what)
    if not terminal.modes_kept():
        fail(f"{what}: the terminal modes were not given back")
    return True


def expect_ended_by_itself(terminal, what):
    if terminal.status is None:
        fail(f"{what}: still running")
    elif not os.WIFEXITED(terminal.status) or os.WEXITSTATUS(terminal.status) != 0:
        fail(f"{what}: ended with wait status {terminal.status}, expected exit status 0")
        # What came after the picture was given back: a sanitizer's report, for one.
        after = terminal.output.rsplit(b"\x1b[?1049l", 1)[-1][-4000:]
        print(after.decode("utf-8", "replace"), file=sys.stderr)


# --- late-answers -----------------------------------------------------------------------------

def late_answers(demo, delays_ms):
    """Each answer is held back by its delay; the key comes after the last answer, and not
    before the demo has stopped waiting for late answers at all (2 s)."""
    if len(delays_ms) == 1:
        schedule = [(delays_ms[0], b"".join(ANSWERS))]
    else:
        schedule = list(zip(delays_ms, ANSWERS))
    terminal = start_demo(demo)
    try:
        if not terminal.pump_until(lambda: terminal.queries_at is not None, 5):
            fail("the demo sent no queries")
            return
        for delay, answer in schedule:
            terminal.pump_until(lambda: now_ms() >= terminal.queries_at + delay, 5)
            terminal.type(answer)
        terminal.pump_until(lambda: now_ms() >= terminal.queries_at + 2500, 5)
        if terminal.status is not None:
            fail(f"answers after {delays_ms} ms ended the run as a key would")
            return
        if terminal.first_frame_at is None:
            fail("no frame was drawn")
        terminal.type(b"q")
        if not expect_clean_end(terminal, "after the key"):
            return
        left = terminal.unread_input()
        if left != b"q":
            fail(f"the input left for the shell is {left!r}, expected b'q' alone")
        print(f"answers after {delays_ms} ms: not taken for a key; the key ended the run in "
              f"{terminal.ended_at - terminal.queries_at - 2500:.0f} ms and was left unread")
    finally:
        terminal.kill()


# --- stuck-restore ----------------------------------------------------------------------------

def stuck_restore(demo, first, second):
    first_signal = getattr(signal, "SIG" + first)
    second_signal = getattr(signal, "SIG" + second)
    terminal = start_demo(demo)
    try:
        terminal.pump_until(lambda: terminal.queries_at is not None, 5)
        answer_at_once(terminal)
        if not terminal.pump_until(lambda: terminal.first_frame_at is not None, 5):
            fail("no frame was drawn")
            return
        terminal.pump(0.2)
        # The reader stops; the terminal's output is suspended as well (as by a stop key), so
        # that not even a few bytes of slack in its buffers let the restore through.
        terminal.reading = False
        termios.tcflow(terminal.slave, termios.TCOOFF)
        if not terminal.pump_until(terminal.output_stuck, 5):
            fail("the demo's output never filled the terminal's buffer")
            return
        os.kill(terminal.pid, first_signal)
        terminal.pump(0.5)
        if terminal.status is not None:
            fail(f"SIG{first} ended the process although the restore could not be written; "
                 "the case does not test what it should")
            return
        if not terminal.modes_kept():
            fail(f"after SIG{first}, with the restore stuck, the modes are not given back")
        sent = now_ms()
        os.kill(terminal.pid, second_signal)
        if not terminal.wait_exit(5):
            fail(f"still running 5 s after the second signal (SIG{second})")
            return
        took = terminal.ended_at - sent
        if not os.WIFSIGNALED(terminal.status) or os.WTERMSIG(terminal.status) != second_signal:
            fail(f"wait status {terminal.status}, expected the end by SIG{second}")
        if not terminal.modes_kept():
            fail("the terminal modes were not given back")
        print(f"SIG{first} with the restore stuck, then SIG{second}: ended in {took:.0f} ms, "
              "modes given back")
    finally:
        terminal.kill()


# --- keys-for-the-shell -----------------------------------------------------------------------

# The key that ends the run, what is typed once the run is over, and the line sh's read must
# get. Enter is a newline, as the user's ICRNL makes it, so the read returns with an empty line
# at once; a byte with the eighth bit set, and Ctrl-S, which output flow control would take,
# come through byte for byte.
SHELL_KEYS = [
    ("Enter", b"\r", b"", b""),
    ("a byte with the eighth bit set", b"\xe9", b"\r", b"\xe9"),
    ("Ctrl-S", b"\x13", b"\r", b"\x13"),
]
SHELL_SCRIPT = '"$0"; IFS= read -r line; printf "got[%s]\\n" "$line"'
SCREEN_GIVEN_BACK = b"\x1b[?1049l"  # written after the modes are back
GOT_LINE = re.compile(rb"got\[(.*)\]\r\n", re.S)


def keys_for_the_shell(demo):
    for name, key, then, line in SHELL_KEYS:
        terminal = start_demo("/bin/sh", ["-c", SHELL_SCRIPT, demo])
        try:
            if not pump_answering(terminal, lambda: terminal.first_frame_at is not None, 5):
                fail(f"{name}: no frame was drawn")
                continue
            terminal.type(key)
            if not terminal.pump_until(lambda: SCREEN_GIVEN_BACK in terminal.output, 5):
                fail(f"{name}: the run did not end on the key")
                continue
            terminal.type(then)
            if not terminal.pump_until(lambda: GOT_LINE.search(terminal.output), 5):
                fail(f"{name}: sh's read has not returned 5 s after {then!r} was typed")
                continue
            got = GOT_LINE.search(terminal.output).group(1)
            if got != line:
                fail(f"{name}: sh read the line {got!r}, expected {line!r}")
            expect_clean_end(terminal, name)
            print(f"{name}: left for the shell as typed, read as {got!r}")
        finally:
            terminal.kill()


# --- tiocsti-refused --------------------------------------------------------------------------

# When the key is typed, and what the shell must find after the run, on a kernel that refuses
# TIOCSTI. Only a key typed while the terminal answers the queries is read with the answers and
# needs handing back: it is lost, but it still ends the run. A key typed ahead or after the
# answers is never read.
REFUSED_CASES = [
    ("typed ahead", b"q"),
    ("among the answers", b""),
    ("after the first frame", b"q"),
]


def tiocsti_refused(demo, double):
    for when, left_expected in REFUSED_CASES:
        log = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"tiocsti-{os.getpid()}.log")
        if os.path.exists(log):
            os.unlink(log)
        env = {"LD_PRELOAD": double, "TIOCSTI_DOUBLE_LOG": log}
        typed_ahead = b"q" if when == "typed ahead" else b""
        terminal = start_demo(demo, env=env, typed_ahead=typed_ahead)
        try:
            if when == "among the answers":
                if not terminal.pump_until(lambda: terminal.queries_at is not None, 5):
                    fail(f"{when}: the demo sent no queries")
                    continue
                terminal.type(b"q" + b"".join(ANSWERS))
                terminal.answered = True
            elif when == "after the first frame":
                if not pump_answering(terminal, lambda: terminal.first_frame_at is not None, 5):
                    fail(f"{when}: no frame was drawn")
                    continue
                terminal.type(b"q")
            pump_answering(terminal, lambda: terminal.status is not None, 5)
            if not expect_clean_end(terminal, when, 1):
                continue
            notes = open(log).read().split() if os.path.exists(log) else []
            if "loaded" not in notes:
                fail(f"{when}: the TIOCSTI double {double} was not in effect: this proves nothing")
            if when == "among the answers" and "refused" not in notes:
                fail(f"{when}: the demo never tried TIOCSTI, so the refusal was not tested")
            left = terminal.unread_input()
            if left != left_expected:
                fail(f"{when}: the input left for the shell is {left!r}, expected "
                     f"{left_expected!r}")
            print(f"TIOCSTI refused, key {when}: the run ended, {left!r} left for the shell, "
                  f"{notes.count('refused')} refusal(s)")
        finally:
            terminal.kill()
            if os.path.exists(log):
                os.unlink(log)


# --- command-line -----------------------------------------------------------------------------

USAGE_FIRST_LINE = b"usage: floodvalley [--help | --version]\n"


def is_usage(text):
    """The usage: its synopsis first, a line for each option, plain lines of text only."""
    printable = all(32 <= byte < 127 or byte == 10 for byte in text)
    return (text.startswith(USAGE_FIRST_LINE) and b"\n  --help " in text and
            b"\n  --version " in text and printable and text.endswith(b"\n"))


def error_line(argument):
    return b"floodvalley: unexpected argument '" + argument + b"' (try --help)\n"


def command_line(demo, version):
    """Each command line on a terminal: the status, exactly the bytes of standard output on the
    terminal and of standard error (in a file), and the terminal's modes untouched."""
    cases = [
        # arguments, where standard output goes, status, standard output, standard error
        ([b"--help"], None, 0, is_usage, b""),
        ([b"--version"], None, 0, b"floodvalley " + version.encode() + b"\n", b""),
        ([b"--bogus"], None, 2, b"", error_line(b"--bogus")),
        ([b"--version", b"now"], None, 2, b"", error_line(b"now")),
        ([b"play\x1b[2J\x9b"], None, 2, b"", error_line(b"play?[2J?")),
        ([b"--version"], "/dev/full", 1, b"", lambda err: err.startswith(b"floodvalley: ") and
         err.count(b"\n") == 1 and err.endswith(b"\n")),
    ]
    scratch = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"command-line-{os.getpid()}")
    for args, stdout_to, status, out_expected, err_expected in cases:
        shown = repr(b" ".join(args))[2:-1]
        redirects = {2: scratch}
        if stdout_to:
            redirects[1] = stdout_to
        terminal = start_demo(demo, args, redirects=redirects)
        try:
            if not terminal.wait_exit(5):
                fail(f"{shown}: still running after 5 s")
                continue
            err = open(scratch, "rb").read()
            out = bytes(terminal.output).replace(b"\r\n", b"\n")
            got = os.WEXITSTATUS(terminal.status) if os.WIFEXITED(terminal.status) else None
            if got != status:
                fail(f"{shown}: wait status {terminal.status}, expected exit status {status}")
            for stream, text, expected in (("stdout", out, out_expected),
                                           ("stderr", err, err_expected)):
                if not (expected(text) if callable(expected) else text == expected):
                    fail(f"{shown}: {stream} is {text!r}")
            if not terminal.modes_kept():
                fail(f"{shown}: the terminal modes were changed")
            print(f"{shown}: status {got}, {len(out)} bytes on stdout, {len(err)} on stderr")
        finally:
            terminal.kill()
            os.unlink(scratch)


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
        self.first_sample_at = None
        self.last_read_at = None

    def read(self):
        try:
            data = self.process.stdout.read(1 << 20)
        except BlockingIOError:
            return
        if not data:
            return
        at = now_ms()
        self.last_read_at = at
        self.file.write(data)
        self.frames += len(data) // FRAME_SIZE
        bound = at - self.frames * 1000.0 / RATE
        if self.first_sample_at is None or bound < self.first_sample_at:
            self.first_sample_at = bound

    def stop(self):
        self.process.terminate()
        self.process.wait()
        self.file.close()


def boost_own_session():
    """A busy machine must not starve the sound or the clock readings being measured: this
    script, in a session of its own, gets a heavier share of the processors (root only)."""
    if os.geteuid() != 0:
        return
    try:
        os.setsid()
    except OSError:
        pass  # already a session leader
    set_autogroup_nice(BOOSTED_NICE)


def record(demo, out_dir, key_at_s, sink):
    if sink:
        boost_own_session()
    recorder = Recorder(sink, os.path.join(out_dir, "sound.raw")) if sink else None
    terminal = None

    def pump(seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            terminal.pump(0.002)
            answer_at_once(terminal)
            if recorder:
                recorder.read()
            if terminal.status is not None and seconds > 0.5:
                return

    try:
        if recorder:
            while recorder.frames < RATE // 2:  # the recording runs before the demo starts
                time.sleep(0.005)
                recorder.read()
                if recorder.process.poll() is not None:
                    fail(f"the recorder (parec) ended with status {recorder.process.returncode}")
                    return
        terminal = start_demo(demo, cwd=out_dir,
                              autogroup_nice=BOOSTED_NICE if sink and os.geteuid() == 0 else None)
        while terminal.first_frame_at is None and terminal.status is None:
            pump(0.01)
            if now_ms() - terminal.started > 5000:
                fail("no frame within 5 s")
                return
        key_sent_at = None
        if key_at_s > 0:
            pump(key_at_s - (now_ms() - terminal.first_frame_at) / 1000.0)
            key_sent_at = now_ms()
            terminal.type(b"q")
        pump(90)
        if terminal.status is None:
            fail("the run did not end")
            return
        expect_ended_by_itself(terminal, "the run")
        pump(0.5)  # the sound after the end, if any
        with open(os.path.join(out_dir, "output.bin"), "wb") as out:
            out.write(terminal.output)
        with open(os.path.join(out_dir, "times"), "w") as times:
            times.write(f"first_frame_ms {terminal.first_frame_at:.3f}\n")
            times.write(f"key_ms {key_sent_at if key_sent_at else -1:.3f}\n")
            times.write(f"ended_ms {terminal.ended_at:.3f}\n")
            if recorder:
                times.write(f"first_sample_ms {recorder.first_sample_at:.3f}\n")
                # Lost samples show as a recording shorter than the time it took.
                times.write(f"recorded_ms {recorder.frames * 1000.0 / RATE:.3f}\n")
                times.write(f"last_read_ms {recorder.last_read_at:.3f}\n")
    finally:
        if terminal:
            terminal.kill()
        if recorder:
            recorder.stop()


def main():
    case, demo = sys.argv[1], sys.argv[2]
    if case == "late-answers":
        late_answers(demo, [int(d) for d in sys.argv[3].split(",")])
    elif case == "stuck-restore":
        stuck_restore(demo, sys.argv[3], sys.argv[4])
    elif case == "keys-for-the-shell":
        keys_for_the_shell(demo)
    elif case == "tiocsti-refused":
        tiocsti_refused(demo, sys.argv[3])
    elif case == "command-line":
        command_line(demo, sys.argv[3])
    elif case == "record":
        record(demo, sys.argv[3], float(sys.argv[4]), sys.argv[5] if len(sys.argv) > 5 else None)
    else:
        sys.exit(f"unknown case {case}")
    if failures:
        sys.exit(1)


if __name__ == "__main__":
    main()
