"""Real terminal emulators, xterm and kitty, each on a private virtual X display (Xvfb, no window
manager): opened with the console's palette at 80x50 cells (room for 160 where square), keys
typed as X key events, the title read from the window's properties, screenshots of the window.

The terminal runs a session script: the user's title and a line on the screen, the terminal's
modes noted (terminal_modes.py, inside the terminal), then, once the test says so, the program;
afterwards the key left for the shell and the modes again. The terminal stays open until the
test ends. Everything it notes goes to the test's scratch folder.
"""
import contextlib
import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

from harness.constants import CONSOLE_RGB, CONSOLE_TO_PALETTE
from harness.restored import USER_TITLE, TerminalState
from harness.tool_runs import need_tool
from harness.waiting import wait_for

X_TOOLS = ("Xvfb", "xdotool", "xprop", "xwd", "convert-im6.q16")
TERMINALS = ("xterm", "kitty")
CURSOR_COLOUR = "#ff8000"  # no cell of the picture has it: a visible cursor shows
MODES_PROGRAM = Path(__file__).with_name("terminal_modes.py")


def missing_tools(tools):
    return [tool for tool in tools if shutil.which(tool) is None]


def require_tools(*tools):
    """Fails the test naming the first tool that is not installed."""
    for tool in tools:
        need_tool(tool, "xterminals")


def stop(process):
    """Ends a process this harness started, by its pid, and waits for it."""
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def _display_number(fd, seen):
    """What Xvfb has written to its -displayfd so far, once a whole line."""
    with contextlib.suppress(BlockingIOError):
        seen += os.read(fd, 64)
    return seen.decode().strip() if seen.endswith(b"\n") else None


@contextlib.contextmanager
def virtual_display(log_path):
    """A private Xvfb, large enough for 160 columns of kitty's cells; stopped on leaving."""
    require_tools(*X_TOOLS)
    read_end, write_end = os.pipe()
    os.set_blocking(read_end, False)
    with open(log_path, "wb") as log:
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "2048x1200x24",
             "-nolisten", "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL, stderr=log)
    os.close(write_end)
    try:
        seen = bytearray()
        number = wait_for(lambda: _display_number(read_end, seen), "Xvfb gave its display")
        yield XDisplay(f":{number}")
    finally:
        os.close(read_end)
        stop(xvfb)


class XDisplay:
    """The X tools pointed at one display."""

    def __init__(self, name):
        self.name = name

    def env(self, **more):
        """This process's environment on the display, 16 colours only (kitty says itself that
        it has 24-bit colour)."""
        env = dict(os.environ, DISPLAY=self.name, **more)
        env.pop("COLORTERM", None)
        return env

    def tool(self, *argv, given=None):
        return subprocess.run(argv, env=self.env(), input=given, stdout=subprocess.PIPE,
                              check=True).stdout

    def open_terminal(self, terminal, command, square=False, log=subprocess.DEVNULL, env=None):
        """TERMINAL at the top left running COMMAND (argv) in 80x50 cells of the console's
        palette. SQUARE: room for 160 columns (xterm may resize itself on the demo's request;
        kitty ignores such requests, so its window is made that wide)."""
        if terminal == "xterm":
            resources = [f"XTerm*color{CONSOLE_TO_PALETTE[i]}: {rgb}"
                         for i, rgb in enumerate(CONSOLE_RGB)]
            resources.append(f"XTerm*cursorColor: {CURSOR_COLOUR}")
            if square:
                resources.append("XTerm*allowWindowOps: true")
            argv = ["xterm", "-geometry", "80x50+0+0", "-fn", "6x13"]
            argv += [word for resource in resources for word in ("-xrm", resource)]
            argv += ["-e", *command]
        elif terminal == "kitty":
            options = [f"color{CONSOLE_TO_PALETTE[i]}={rgb}" for i, rgb in enumerate(CONSOLE_RGB)]
            options += ["remember_window_size=no", "window_padding_width=0",
                        f"initial_window_width={160 if square else 80}c",
                        "initial_window_height=50c", "cursor_blink_interval=0",
                        f"cursor={CURSOR_COLOUR}", "font_family=DejaVu Sans Mono", "font_size=11"]
            argv = ["kitty", "--config", "NONE"]
            argv += [word for option in options for word in ("-o", option)]
            argv += command
        else:
            pytest.fail(f"no terminal {terminal!r} ({', '.join(TERMINALS)})")
        return subprocess.Popen(argv, env=self.env(LIBGL_ALWAYS_SOFTWARE="1", **(env or {})),
                                stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    def focus(self, window):
        """No window manager gives the focus: the test gives it to the window."""
        self.tool("xdotool", "windowfocus", "--sync", window)

    def key(self, name):
        """NAME as xdotool names keys: q, ctrl+c..."""
        self.tool("xdotool", "key", "--clearmodifiers", name)

    def title(self, window):
        found = re.search(r'^WM_NAME\([A-Z_0-9]*\) = "(.*)"$',
                          self.tool("xprop", "-id", window, "WM_NAME").decode(), re.M)
        return found.group(1) if found else None

    def screenshot(self, window):
        """The window as a PAM picture of 8-bit RGB_ALPHA pixels."""
        xwd = self.tool("xwd", "-silent", "-id", window)
        return self.tool("convert-im6.q16", "xwd:-", "-alpha", "set", "pam:-", given=xwd)


SESSION = r"""cd "$1"
echo "$WINDOWID" > window.id
stty -g > stty.before
python3 "$2" modes.before; echo $? > modes.before.status
printf '\033]2;%s\033\\' "$3"
printf 'BEFORE-THE-DEMO\n$ '
touch ready
while [ ! -e start ]; do sleep 0.05; done
trap true INT   # Ctrl-C ends the program, not this script (and the program gets the default)
env $(cat program.env) "$(cat program.path)"
echo $? > status
stty -g > stty.after
read -r -s -t 0.5 -n 1 key || true
printf '%s' "$key" > key.after
python3 "$2" modes.after; echo $? > modes.after.status
touch ended
while true; do sleep 1; done
"""


class Screen:
    """A settled screenshot: equal to another when pixel for pixel the same (cursor included)."""

    def __init__(self, pam, path):
        self.pam, self.path = pam, path
        path.write_bytes(pam)

    def __eq__(self, other):
        return self.pam == other.pam

    def __repr__(self):
        return f"the window as in {self.path}"


class XTerminal:
    """One terminal emulator on the display, running the session script in WORK."""

    def __init__(self, display, terminal, work, square):
        self.display, self.terminal, self.work = display, terminal, work
        self.window = self.before = None
        (work / "session.sh").write_text(SESSION)
        with open(work / f"{terminal}.log", "wb") as log:
            self.process = display.open_terminal(
                terminal, ["bash", str(work / "session.sh"), str(work), str(MODES_PROGRAM),
                           USER_TITLE], square, log)

    def wait_until_ready(self):
        wait_for(lambda: (self.work / "ready").exists(), f"{self.terminal} started", 30)
        self.window = (self.work / "window.id").read_text().strip()
        self.display.focus(self.window)

    def key(self, name):
        self.display.key(name)

    def title(self):
        return self.display.title(self.window)

    def wait_for_title(self, expected, limit_s=10):
        seen = []
        try:
            wait_for(lambda: seen.append(self.title()) or seen[-1] == expected,
                     f"the title is {expected!r}", limit_s)
        except pytest.fail.Exception as failure:
            pytest.fail(f"{failure}; it is {seen[-1]!r}")

    def screenshot(self):
        return self.display.screenshot(self.window)

    def settled_screenshot(self):
        """A screenshot once two taken a moment apart are the same: the terminal has drawn all
        it had."""
        shots = [None, None]

        def unchanged():
            shots[:] = [shots[1], self.screenshot()]
            return shots[1] if shots[0] == shots[1] else None
        return wait_for(unchanged, "the screen settled", limit_s=10, every_s=0.25)

    def changed_screenshot(self):
        """A screenshot that differs from one taken just before it: the terminal has drawn
        since this was called (frames are coming)."""
        first = self.screenshot()

        def changed():
            shot = self.screenshot()
            return shot if shot != first else None
        return wait_for(changed, "the window changed (frames are drawn)", every_s=0.05)

    def run(self, program, **env):
        """Starts PROGRAM in the waiting terminal with ENV added to its environment, once the
        terminal as the user had it is noted (self.before)."""
        (self.work / "program.path").write_text(f"{program}\n")
        (self.work / "program.env").write_text("".join(f"{k}={v}\n" for k, v in env.items()))
        self.wait_for_title(USER_TITLE)
        self.before = self.state("before")
        (self.work / "start").touch()

    def expect_ended(self, status, key_left=""):
        """The run ended with STATUS and KEY_LEFT was left for the shell."""
        wait_for(lambda: (self.work / "ended").exists(), "the run ended", 90)
        ended = int((self.work / "status").read_text())
        assert ended == status, f"exit status {ended}, expected {status}"
        left = (self.work / "key.after").read_text()
        assert left == key_left, f"the shell got {left!r}, expected {key_left!r}"

    def _modes(self, when):
        """terminal_modes.py ran to its end and the terminal answered for every mode: a helper
        that failed, or a terminal that said nothing, must not make before and after alike."""
        status = (self.work / f"modes.{when}.status").read_text().strip()
        if status != "0":
            pytest.fail(f"terminal_modes.py failed {when} the run (status {status})")
        answers = dict(line.split() for line in (self.work / f"modes.{when}").read_text()
                       .splitlines())
        unanswered = [mode for mode, state in answers.items() if state == "-"]
        if unanswered:
            pytest.fail(f"no answer {when} the run for: {' '.join(unanswered)}")
        return answers

    def state(self, when):
        """The terminal before or after the run: the window's title, its line settings (stty)
        and modes (DECRQM answers), the settled screen, and the cursor (mode 25)."""
        answers = self._modes(when)
        cursor = {"1": "shown", "3": "shown", "2": "hidden", "4": "hidden"}.get(
            answers.pop("25"), "mode 25 unknown")
        stty = (self.work / f"stty.{when}").read_text().strip()
        screen = Screen(self.settled_screenshot(), self.work / f"{when}.pam")
        if self.before:  # a terminal may retitle its window a moment after it has answered
            with contextlib.suppress(pytest.fail.Exception):
                wait_for(lambda: self.title() == self.before.title, "the title given back", 5)
        return TerminalState(self.title(), {"stty": stty, "DECRQM": answers}, screen, cursor)


@pytest.fixture
def x_display(tmp_path):
    with virtual_display(tmp_path / "xvfb.log") as display:
        yield display


@pytest.fixture
def x_terminal(x_display, tmp_path):
    """x_terminal(NAME, square=False): NAME (xterm or kitty) opened on the display, ready to
    run a program; closed when the test ends."""
    opened = []

    def open_terminal(terminal, square=False):
        require_tools(terminal)
        (tmp_path / terminal).mkdir()
        opened.append(XTerminal(x_display, terminal, tmp_path / terminal, square))
        opened[-1].wait_until_ready()
        return opened[-1]
    yield open_terminal
    for terminal in opened:
        stop(terminal.process)
