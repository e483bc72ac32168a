"""The demo worn down in a real terminal (tmux): dozens of resizes, stop/continue cycles (Ctrl-Z
and SIGSTOP), a storm of window-change signals, a pane killed under it, keys during set-up,
music files of every kind. After each ordeal the process must have ended in time and the
terminal must be as the user had it: modes, cursor, title, main screen, and no stray text on it.
Each case writes what it survived to soak-figures/<case>.txt of the build folder and prints it."""
import contextlib
import fcntl
import os
import pty
import re
import shutil
import signal
import subprocess
import termios
import time
from pathlib import Path

import pytest

from harness.constants import DEMO_TITLE
from harness.tmux import USER_LINE, USER_TITLE
from harness.waiting import wait_for


@pytest.fixture
def record(paths, request, capsys):
    """Writes a case's figures to its file and prints them."""
    def write(figures):
        case = request.node.name.removeprefix("test_")
        folder = paths.build / "soak-figures"
        folder.mkdir(exist_ok=True)
        (folder / f"{case}.txt").write_text(figures + "\n")
        with capsys.disabled():
            print(f"\nfigures [{case}]: {figures}")
    return write


# The pane as the user sees it.

# Leftovers of escape sequences or query answers: "^[", "[?1;2c", "8;50;80t", "5;1R" and such.
STRAY = re.compile(r"\x1b|\^\[|\[[0-9;?]+[A-Za-z~]|[0-9];[0-9]+[Rtc]")


def expect_no_stray_text(pane):
    stray = [line for line in pane.text().splitlines() if STRAY.search(line)]
    assert not stray, f"stray text on the screen: {stray}"


def expect_users_view(pane):
    pane.expect_state("#{alternate_on}", "0")
    pane.expect_state("#{cursor_flag}", "1")
    pane.expect_state("#{pane_title}", USER_TITLE)


def expect_given_back(pane, before):
    pane.expect_given_back(before)
    expect_no_stray_text(pane)


def coloured(row):
    return any(cell.foreground != "default" or cell.background != "default" for cell in row)


def wait_for_picture(pane, row=None):
    """The picture is on the screen: ROW (default: the middle one) has colours."""
    row = pane.height // 2 if row is None else row
    wait_for(lambda: row < len(rows := pane.rows()) and coloured(rows[row]),
             f"no picture on row {row}", 5)


def wait_until_running(pane):
    pane.wait_for_state("#{alternate_on}", "1")
    pane.wait_for_state("#{pane_title}", DEMO_TITLE)
    wait_for_picture(pane)


def expect_running_state(pane):
    pane.expect_state("#{pane_title}", DEMO_TITLE)
    pane.expect_state("#{cursor_flag}", "0")
    pane.expect_state("#{alternate_on}", "1")


def expect_intact_then_end_by_key(pane, before):
    """Back at 80x50 after the abuse: the picture fills the pane down to its last row, whole, a
    key ends the run, and the terminal is as the user had it."""
    expect_running_state(pane)
    last = pane.height - 1
    wait_for(lambda: len(rows := pane.rows()) > last and coloured(rows[last]) and
             len(rows[last]) == pane.width, f"the picture does not fill row {last}", 5)
    pane.send_keys("q")
    pane.wait_for_text("^EXIT=0", 5)
    pane.erase_key_left_for_shell("q")
    expect_given_back(pane, before)


def clear_screen(pane):
    """An empty screen with the prompt alone on it, so a run's numbered lines are the only ones."""
    pane.type_line("clear")
    wait_for(lambda: re.fullmatch(r"\$ *", pane.text().strip("\n")),
             "the screen was not cleared", 5)


def start_demo(pane, paths, command="'{demo}'; echo EXIT=$?"):
    pane.type_line(command.format(demo=paths.demo))
    wait_until_running(pane)
    return wait_for(lambda: pane.programs(paths.demo), "no demo process")[0]


# A process as the kernel shows it.

def stat_fields(pid):
    """The fields of /proc/PID/stat after the command's name (state first), or None when gone."""
    try:
        return Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    except OSError:
        return None


def process_state(pid):
    """'T' when stopped, 'S' otherwise, and the terminal's foreground process group; or 'gone'."""
    fields = stat_fields(pid)
    return f"{'T' if fields[0] == 'T' else 'S'} {fields[5]}" if fields else "gone"


def has_terminal(pid):
    """Whether the process has a controlling terminal still (none once it was hung up)."""
    fields = stat_fields(pid)
    return bool(fields) and fields[4] != "0"


def wait_for_process(pid, state, foreground, message):
    seen = []
    try:
        wait_for(lambda: seen.append(process_state(pid)) or seen[-1] == f"{state} {foreground}",
                 message, 5)
    except pytest.fail.Exception as failure:
        pytest.fail(f"{failure.msg} (state and foreground group: {seen[-1]})")


def gone(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return True
    return False


# Sizes that stress the layout: a single cell, one row, one column, just below and above the
# picture's 80x50 and its double-width 160x50, and far larger.
RESIZE_SIZES = [(1, 1), (300, 100), (80, 50), (79, 49), (2, 1), (1, 60), (160, 50), (159, 50),
                (300, 1), (81, 51), (40, 20), (120, 56), (1, 1), (200, 60), (80, 1), (10, 100),
                (161, 51), (300, 100), (3, 3), (100, 30), (25, 80), (1, 1), (240, 75), (80, 50),
                (50, 50)]


def test_resizes_during_a_run(pane, paths, record):
    before = pane.start_shell(80, 50)
    start_demo(pane, paths)
    survived = 0
    for size in RESIZE_SIZES * 2:
        pane.resize(*size)
        wanted = f"{size[0]}x{size[1]}"
        wait_for(lambda: pane.terminal_size() == wanted, f"the terminal did not become {wanted}")
        time.sleep(0.15)  # some frames at this size
        assert pane.programs(paths.demo), f"the demo ended at resize {survived + 1} ({wanted})"
        survived += 1
    pane.resize(80, 50)
    expect_intact_then_end_by_key(pane, before)
    record(f"resizes survived: {survived} (1x1 up to 300x100) in one run")


# Ten stops, each ended by the shell's fg: odd ones by Ctrl-Z typed on the terminal (SIGTSTP to
# the job), which the demo answers by giving the terminal back first, even ones by SIGSTOP, which
# it cannot catch, so the shell takes the terminal with the picture still up and writes on it.
# After each fg the picture must be redrawn whole and keys read one at a time again, not echoed.
# The pane is larger than the picture, so what the shell wrote outside it would stay visible.
# Each cycle waits for states only.
STOP_CYCLES = 10


def stop_and_continue(pane, pid, cycle):
    shell = pane.state("#{pane_pid}")
    if cycle % 2:
        pane.send_keys("C-z")
    else:
        os.kill(pid, signal.SIGSTOP)
    wait_for_process(pid, "T", shell, f"cycle {cycle}: the shell did not get the terminal back")
    if cycle % 2:
        expect_users_view(pane)
    pane.type_line("fg")
    wait_for_process(pid, "S", pid, f"cycle {cycle}: fg did not give the demo the terminal")
    wait_until_running(pane)
    expect_running_state(pane)
    wait_for(lambda: not re.search(r"Stopped|\$ fg", pane.text()),
             f"cycle {cycle}: the shell's text is left on the picture", 5)
    modes = subprocess.run(["stty", "-a", "-F", pane.state("#{pane_tty}")], capture_output=True,
                           text=True, check=True).stdout
    assert re.search(r"-icanon .*-echo ", modes), \
        f"cycle {cycle}: the terminal is not in the demo's key mode: {modes}"


def test_stop_continue_cycles(pane, paths, record):
    before = pane.start_shell(200, 60)
    pid = start_demo(pane, paths, "'{demo}'")
    started = time.monotonic()
    for cycle in range(1, STOP_CYCLES + 1):
        stop_and_continue(pane, pid, cycle)
    took = time.monotonic() - started
    # A stopped job loses the rest of its command line, so the shell is asked for the status.
    pane.send_keys("q")
    wait_for(lambda: gone(pid), "the demo did not end on its key", 5)
    pane.erase_key_left_for_shell("q")
    pane.type_line("echo EXIT=$?")
    pane.wait_for_text("^EXIT=0", 5)
    expect_given_back(pane, before)
    record(f"stop/continue cycles: {STOP_CYCLES} in {took:.0f} s ({(STOP_CYCLES + 1) // 2} by "
           f"Ctrl-Z, {STOP_CYCLES // 2} by SIGSTOP, each continued by fg)")


def signal_pending(pid, number):
    """Whether signal NUMBER waits to be taken by process PID (not when it is gone)."""
    try:
        status = Path(f"/proc/{pid}/status").read_text()
    except OSError:
        return False
    pending = re.search(r"^ShdPnd:\s*([0-9a-f]+)$", status, re.M)
    assert pending, f"no ShdPnd in /proc/{pid}/status"
    return bool(int(pending.group(1), 16) >> (number - 1) & 1)


# Ten bursts of 500 window-change signals, each signal taken by the demo before the next is
# sent (so none merge into one), with a resize after each burst.
def test_window_change_storm(pane, paths, record):
    before = pane.start_shell(80, 50)
    pid = start_demo(pane, paths)
    sent, started = 0, time.monotonic()
    for burst in range(1, 11):
        for _ in range(500):
            if gone(pid):
                pytest.fail(f"the demo ended after {sent} signals")
            os.kill(pid, signal.SIGWINCH)
            sent += 1
            wait_for(lambda: gone(pid) or not signal_pending(pid, signal.SIGWINCH),
                     f"the demo did not take window-change signal {sent}", 5, every_s=0)
        pane.resize(60 + burst * 4, 30 + burst * 2)
    took_ms = (time.monotonic() - started) * 1000
    pane.resize(80, 50)
    assert pane.programs(paths.demo), "the demo did not survive the storm"
    expect_intact_then_end_by_key(pane, before)
    record(f"window-change signals survived: {sent} in {took_ms:.0f} ms, each taken before the "
           "next, with 10 resizes among them")


def cpu_ticks(pid):
    fields = stat_fields(pid)
    return int(fields[11]) + int(fields[12]) if fields else 0


def expect_ended_after_pane_killed(pid, who):
    """The process ends by itself within a few seconds; if it is still there, its CPU use tells
    whether it spins."""
    try:
        wait_for(lambda: gone(pid), f"{who}: still running", 5)
    except pytest.fail.Exception:
        ticks = cpu_ticks(pid)
        time.sleep(1)  # the second over which its CPU use is measured
        ticks = cpu_ticks(pid) - ticks
        with contextlib.suppress(ProcessLookupError):
            os.kill(pid, signal.SIGKILL)
        pytest.fail(f"{who}: still running 5 s after its pane was killed ({ticks} CPU ticks in "
                    "the last second)")


def start_victim(pane, command):
    """The demo in a window beside the user's, drawing; the window must not exist yet."""
    pane.open_window("victim", command)
    for format_, value in (("#{alternate_on}", "1"), ("#{pane_title}", DEMO_TITLE)):
        wait_for(lambda: pane.window_state("victim", format_) == value,
                 f"the demo in the pane to kill shows no {format_} {value}")
    time.sleep(0.5)  # some frames


def start_hangup_run(pane, paths):
    """The demo under a shell that survives the hang-up and writes its exit status to a file: the
    demo is then neither the session leader nor sent SIGHUP, and must notice the lost terminal
    by itself. Returns the demo's pid."""
    for left in ("status", "demo.pid"):
        (pane.work / left).unlink(missing_ok=True)
    (pane.work / "hangup-run.sh").write_text(
        f"cd '{pane.work}'\n"
        "trap 'echo hangup >>shell-hangups' HUP\n"
        f"(echo $BASHPID >demo.pid; exec '{paths.demo}')\n"
        "echo $? >status\n")
    start_victim(pane, f"bash --norc --noprofile '{pane.work}/hangup-run.sh'")
    return int((pane.work / "demo.pid").read_text())


def expect_status_0(pane, who):
    status = pane.work / "status"
    wait_for(lambda: status.exists() and status.read_text().strip(), f"no {status}", 5)
    assert status.read_text().strip() == "0", f"{who} exited with {status.read_text().strip()}"


def test_pane_killed_mid_run(pane, paths, record):
    before = pane.start_shell(80, 50)
    # The demo is the pane's own process (and session leader): the hang-up signal ends it.
    start_victim(pane, f"exec '{paths.demo}'")
    pid = int(pane.window_state("victim", "#{pane_pid}"))
    pane.kill_window("victim")
    expect_ended_after_pane_killed(pid, "the session leader")
    # Under a shell that keeps running: no signal, only failing writes and a hung-up input.
    pid = start_hangup_run(pane, paths)
    pane.kill_window("victim")
    expect_ended_after_pane_killed(pid, "the demo under a shell")
    expect_status_0(pane, "the demo under a shell")
    # The same, but stopped when the pane goes (it has lost its terminal), continued afterwards.
    pid = start_hangup_run(pane, paths)
    os.kill(pid, signal.SIGSTOP)
    wait_for(lambda: process_state(pid).startswith("T") and has_terminal(pid),
             "the demo did not stop at its terminal", 5)
    pane.kill_window("victim")
    wait_for(lambda: not has_terminal(pid), "the demo still has its terminal", 5)
    os.kill(pid, signal.SIGCONT)
    expect_ended_after_pane_killed(pid, "the demo stopped while its pane was killed")
    expect_status_0(pane, "the stopped demo")
    # The other pane, and its user, saw nothing of it.
    expect_given_back(pane, before)
    record("runs ended by a killed pane: 3 (signalled, unsignalled, stopped at the time)")


def tiocsti_allowed():
    """Whether this user may put a byte back into its own controlling terminal's input, as the
    demo does with a key read among the answers: asked of the kernel on a pseudo terminal of its
    own, not read from a setting, since root may where others may not."""
    pid, _ = pty.fork()
    if pid == 0:
        try:
            fcntl.ioctl(0, termios.TIOCSTI, b"k")
        except OSError:
            os._exit(1)
        os._exit(0)
    return os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]) == 0


# A key typed at moments from "with the command" to "just after the first frame" ends the run
# without being lost or mixed with the terminal's answers to the start-up queries. Where the
# kernel refuses TIOCSTI, a key that came among the answers is lost (docs/terminal.md): the shell
# then gets that key or nothing, never anything else.
KEY_DELAYS_S = [0, 0.005, 0.01, 0.02, 0.03, 0.05, 0.08, 0.12, 0.2, 0.4]


def test_key_pressed_during_set_up(pane, paths, record):
    before = pane.start_shell(80, 50)
    allowed = tiocsti_allowed()
    left, lost = (r"\[k\]" if allowed else r"\[k?\]"), 0
    for run, delay in enumerate(KEY_DELAYS_S):
        clear_screen(pane)  # numbered, so what is on the screen cannot be the previous run's
        pane.type_line(f"'{paths.demo}'; echo EXIT{run}=$?; read -r -t 5 -n 1 key; echo; "
                       f'echo "KEY{run}=[$key]"')
        time.sleep(delay)  # the moment the key is typed
        pane.send_keys("k")
        # Not anchored: a key typed before the demo has taken the terminal is echoed by the
        # terminal driver itself, in front of what follows.
        pane.wait_for_text(f"EXIT{run}=0", 5)
        pane.wait_for_text(f"^KEY{run}={left}$", 6)
        lost += bool(re.search(rf"^KEY{run}=\[\]", pane.text(), re.M))
        expect_users_view(pane)
        expect_no_stray_text(pane)
    pane.type_line(f"clear; echo {USER_LINE}")
    pane.wait_for_text(f"^{USER_LINE}")
    expect_given_back(pane, before)
    record(f"runs ended by a key during set-up: {len(KEY_DELAYS_S)} (key 0 to 400 ms after the "
           f"command), TIOCSTI {'allowed' if allowed else 'refused'}, keys lost: {lost}")


# Every kind of music file a user can end up with, the real track first and last.
MUSIC_FILES = {
    "track": lambda path, track: shutil.copy(track, path),
    "missing": lambda path, track: None,
    "fifo": lambda path, track: os.mkfifo(path),
    "directory": lambda path, track: path.mkdir(),
    "garbage": lambda path, track: path.write_bytes(os.urandom(200000)),
    "text": lambda path, track: path.write_text("this is not music\n"),
    "empty": lambda path, track: path.write_bytes(b""),
    "truncated": lambda path, track: path.write_bytes(track.read_bytes()[:3000]),
    "device": lambda path, track: path.symlink_to("/dev/zero"),
    "loop": lambda path, track: path.symlink_to(path.name),
}
MUSIC_FILE_ORDER = list(MUSIC_FILES) + ["track"]


def make_music_file(folder, kind, track):
    path = folder / "TEVDRONE.MP3"
    if path.is_dir() and not path.is_symlink():
        path.rmdir()
    path.unlink(missing_ok=True)
    MUSIC_FILES[kind](path, track)


def expect_no_library_message(log, text, kind):
    # Only long markers in the bytes: the picture's random glyphs hold every short word sooner
    # or later.
    found = re.search(rb"(ALSA lib|CRITICAL:|disk i/o audio)[^\r]{0,60}", log)
    assert not found, f"a library message reached the terminal ({kind}): {found.group(0)!r}"
    found = re.search("ALSA|SDL|mpg123|rror", text)
    assert not found, f"a library message is on the screen ({kind}): {text}"


# Between runs the music file is swapped for things that are not music. Every run starts, draws,
# ends on its key and leaves nothing behind. Every byte the run writes to the terminal is logged,
# so a library message is caught even where the picture would have hidden it.
def test_music_file_swapped_between_runs(pane, paths, record):
    before = pane.start_shell(80, 50)
    for run, kind in enumerate(MUSIC_FILE_ORDER):
        make_music_file(pane.work, kind, paths.track)
        clear_screen(pane)
        log = pane.work / f"run-{run}.log"
        log.write_bytes(b"")
        pane.log_output(log)
        pane.type_line(f"'{paths.demo}'; echo EXIT{run}=$?")
        wait_until_running(pane)
        expect_running_state(pane)
        wait_for(lambda: log.stat().st_size > 20000, f"no picture was drawn ({kind})", 5)
        time.sleep(0.5)  # some frames with the music playing, or failing to
        pane.send_keys("x")
        pane.wait_for_text(f"^EXIT{run}=0", 5)
        pane.log_output()
        pane.erase_key_left_for_shell("x")
        expect_users_view(pane)
        expect_no_library_message(log.read_bytes(), pane.text(), kind)
        expect_no_stray_text(pane)
    pane.type_line(f"clear; echo {USER_LINE}")
    pane.wait_for_text(f"^{USER_LINE}")
    expect_given_back(pane, before)
    record(f"runs with the music file swapped: {len(MUSIC_FILE_ORDER)} (track, missing, FIFO, "
           "directory, garbage, text, empty, truncated, /dev/zero, symlink loop)")
