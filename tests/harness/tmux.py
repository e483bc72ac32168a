"""The tmux driver: a private tmux server for one test, killed by its pid however the test ends,
and its pane as a user's terminal, looked at through tmux's own view of it (cells and colours,
title, cursor, which screen) and through the shell that runs in it."""
import os
import re
import shlex
import subprocess
from pathlib import Path

import pytest

from harness import cells
from harness.restored import TerminalState, assert_restored
from harness.waiting import stop_by_pid, wait_for

USER_TITLE = "users own title"
USER_LINE = "BEFORE-THE-DEMO"  # what the user had on the screen before the run


class Pane:
    """The one pane of a private tmux server, WIDTH x HEIGHT, its files in WORK."""

    def __init__(self, socket, work):
        self.socket = socket
        self.work = work
        self.width = self.height = None
        self._states = 0

    def tmux(self, *arguments):
        done = subprocess.run(["tmux", "-L", self.socket, *arguments], capture_output=True,
                              text=True)
        if done.returncode != 0:
            pytest.fail(f"tmux {' '.join(arguments)} failed: {done.stderr.strip()}\n"
                        f"{self._shown()}")
        return done.stdout

    def start(self, command, width, height):
        self.width, self.height = width, height
        self.tmux("new-session", "-d", "-x", str(width), "-y", str(height), command)

    def state(self, format_):
        return self.tmux("display-message", "-p", format_).rstrip("\n")

    def text(self):
        return self.tmux("capture-pane", "-p")

    def rows(self):
        return cells.from_tmux_capture(self.tmux("capture-pane", "-p", "-e", "-N"))

    def _shown(self):
        done = subprocess.run(["tmux", "-L", self.socket, "capture-pane", "-p"],
                              capture_output=True, text=True)
        return f"--- pane ({self.width}x{self.height}):\n{done.stdout}"

    def send_keys(self, *keys):
        self.tmux("send-keys", *keys)

    def type_line(self, line):
        self.tmux("send-keys", line, "Enter")

    def wait_for_text(self, pattern, limit_s=10):
        """Waits for a line of the pane matching PATTERN (a regular expression)."""
        found = re.compile(pattern, re.M)
        try:
            wait_for(lambda: found.search(self.text()), f"no '{pattern}' on the screen", limit_s)
        except pytest.fail.Exception as failure:
            pytest.fail(f"{failure.msg}\n{self._shown()}")

    def wait_for_state(self, format_, expected, limit_s=10):
        try:
            wait_for(lambda: self.state(format_) == expected,
                     f"{format_} is not '{expected}'", limit_s)
        except pytest.fail.Exception:
            pytest.fail(f"{format_} stayed '{self.state(format_)}', expected '{expected}'\n"
                        f"{self._shown()}")

    def expect_state(self, format_, expected):
        assert self.state(format_) == expected, f"{format_} is '{self.state(format_)}'"

    def terminal_size(self):
        """COLUMNSxROWS of the pane's terminal, as the kernel tells a program in it."""
        tty = self.state("#{pane_tty}")
        rows, columns = subprocess.run(["stty", "-F", tty, "size"], capture_output=True,
                                       text=True, check=True).stdout.split()
        return f"{columns}x{rows}"

    def resize(self, width, height):
        self.width, self.height = width, height
        self.tmux("resize-window", "-x", str(width), "-y", str(height))

    def programs(self, program):
        """The pids of PROGRAM's processes in the pane's session (the shell's, when it runs one)."""
        session = self.state("#{pane_pid}")
        found = subprocess.run(["pgrep", "-s", session], capture_output=True, text=True)
        if found.returncode > 1:
            pytest.fail(f"pgrep failed: {found.stderr}")
        target = os.path.realpath(program)
        return [int(pid) for pid in found.stdout.split() if _executable(pid) == target]

    def expect_picture(self, expected, limit_s=20):
        """Waits until every cell of the pane is as EXPECTED (cells.expected_screen) allows."""
        seen = []

        def shows_it():
            seen[:] = cells.differences(expected, self.rows())
            return not seen
        try:
            wait_for(shows_it, "the pane does not show the picture", limit_s)
        except pytest.fail.Exception as failure:
            pytest.fail(f"{failure.msg}:\n" + "\n".join(seen))

    def log_output(self, path=None):
        """From now on appends every byte written to the pane to PATH; without PATH, stops."""
        self.tmux("pipe-pane", *(["-o", f"cat >>'{path}'"] if path else []))

    # Other windows of the pane's session, by name: programs the user does not look at.

    def open_window(self, name, command):
        self.tmux("new-window", "-d", "-n", name, command)

    def window_state(self, name, format_):
        return self.tmux("display-message", "-p", "-t", f":{name}", format_).rstrip("\n")

    def kill_window(self, name):
        """Kills the window's pane, as closing it would: its terminal is gone at once."""
        self.tmux("kill-pane", "-t", f":{name}")

    # The user's shell.

    def start_shell(self, width=80, height=50, env=()):
        """A shell in a fresh pane of the given size, in the work folder, with a known title, a
        known prompt and a line of the user's on the screen. ENV: assignments for the shell and
        so for what it runs."""
        assignments = " ".join(shlex.quote(a) for a in env)
        self.start(f"env -u COLORTERM {assignments} PS1='$ ' bash --norc --noprofile",
                   width, height)
        self.wait_for_text(r"^\$")
        self.type_line(f"printf '\\033]2;{USER_TITLE}\\033\\\\'; cd '{self.work}'; clear")
        self.wait_for_state("#{pane_title}", USER_TITLE)
        self.type_line(f"echo {USER_LINE}")
        self.wait_for_text(f"^{USER_LINE}")
        return self.user_state()

    def user_state(self):
        """The terminal as the shell at its prompt has it (restored.TerminalState); the modes
        are the shell's own `stty -g`, read between its commands."""
        self.wait_for_text(r"^\$")
        self._states += 1
        modes = self.work / f"modes.{self._states}"
        self.type_line(f"stty -g > {modes.name} && echo STATE-{self._states}")
        self.wait_for_text(f"^STATE-{self._states}")
        kept = re.search(f"^{USER_LINE}", self.text(), re.M)
        screen = ("alternate" if self.state("#{alternate_on}") == "1"
                  else "main, the user's lines kept" if kept else "main, the user's lines gone")
        return TerminalState(self.state("#{pane_title}"), modes.read_text(), screen,
                             "shown" if self.state("#{cursor_flag}") == "1" else "hidden")

    def expect_given_back(self, before):
        """The terminal as the user had it, at its size, and a shell that reads and runs."""
        assert_restored(before, self.user_state())
        self.expect_state("#{pane_width}x#{pane_height}", f"{self.width}x{self.height}")
        self.type_line("echo SHELL-$((6 * 7))")
        self.wait_for_text("^SHELL-42")

    def erase_key_left_for_shell(self, key):
        """The key that ended a run stays in the input for the shell, whose line editor shows it
        after the prompt once it has the terminal; only then is it erased. A Backspace that came
        earlier, while the terminal was still in the user's line mode, would be lost."""
        self.wait_for_text(f"^\\$ {re.escape(key)}$")
        self.send_keys("BSpace")


def _executable(pid):
    try:
        return os.readlink(f"/proc/{pid}/exe")
    except OSError:
        return None


@pytest.fixture
def new_pane(tmp_path, request):
    """Starts panes, each on a private tmux server of its own and with its own work folder; every
    server is stopped by its pid at the end of the test."""
    panes = []

    def start():
        work = tmp_path / f"pane-{len(panes)}"
        work.mkdir()
        socket = f"floodvalley-{os.getpid()}-{len(panes)}-{request.node.name}"[:90]
        panes.append(Pane(socket, work))
        return panes[-1]
    yield start
    for each in panes:
        server = subprocess.run(["tmux", "-L", each.socket, "display-message", "-p", "#{pid}"],
                                capture_output=True, text=True).stdout.strip()
        if server.isdigit():
            stop_by_pid(int(server))
        Path(f"/tmp/tmux-{os.getuid()}/{each.socket}").unlink(missing_ok=True)


@pytest.fixture
def pane(new_pane):
    """A pane of a private tmux server, in the test's work folder."""
    return new_pane()
