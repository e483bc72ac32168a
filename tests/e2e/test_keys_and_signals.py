"""Keys and signals as a user's terminal brings them, in tmux: Ctrl-S and Ctrl-Q end the run like
any other key (the terminal's flow control must not take them), and signals the demo was started
with ignored (nohup, trap '' INT, an asynchronous command of a script) stay ignored. After each
run the terminal is the user's again, its modes exactly."""
import os
import signal
import time
from pathlib import Path

import pytest

from harness.constants import DEMO_TITLE
from harness.waiting import wait_for


@pytest.mark.parametrize("key, code", [("C-s", "023"), ("C-q", "021")],
                         ids=["ctrl_s", "ctrl_q"])
def test_key_ends_the_run(pane, paths, key, code):
    """The key is left for the shell, whose next read gets it."""
    before = pane.start_shell()
    pane.type_line(f"'{paths.demo}'; date +%s%N >ended; "
                   "read -r -t 5 -n 1 key; printf 'KEY=%q\\n' \"$key\"")
    pane.wait_for_state("#{pane_title}", DEMO_TITLE)
    pressed = time.time_ns()
    pane.send_keys(key)
    ended = pane.work / "ended"
    wait_for(lambda: ended.exists() and ended.read_text().strip(),
             f"the demo still runs 5 s after {key}", 5)
    pane.wait_for_text(f"^KEY=\\$'\\\\{code}'")
    pane.expect_given_back(before)
    print(f"figures: {key} to the shell running again: "
          f"{(int(ended.read_text()) - pressed) // 1000000} ms")


def in_mask(pid, mask, signal_):
    """Whether SIGNAL_ is in the process's mask MASK (SigIgn, SigCgt) of /proc/PID/status."""
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith(mask + ":"):
            return bool(int(line.split()[1], 16) >> (signal_ - 1) & 1)
    pytest.fail(f"no {mask} in /proc/{pid}/status")


# Each way of starting the demo with signals ignored, and those signals: each must stay ignored,
# and sending it changes nothing; a key then ends the run with status 0.
@pytest.mark.parametrize("command, ignored", [
    ("nohup '{demo}' 2>/dev/null", ["HUP"]),  # output to nohup.out, so nothing is drawn
    ("(trap '' INT; '{demo}')", ["INT"]),  # Ctrl-C at the terminal does nothing
    ("bash -c \"'{demo}' & wait \\$!\"", ["INT", "QUIT"]),  # no job control: both ignored
], ids=["nohup_keeps_hangups", "trap_keeps_interrupts", "background_job_keeps_interrupts"])
def test_ignored_signals_stay_ignored(pane, paths, command, ignored):
    before = pane.start_shell()
    pane.type_line(command.format(demo=paths.demo) + "; echo EXIT=$?")
    pid = wait_for(lambda: pane.programs(paths.demo), "the demo did not start")[0]
    wait_for(lambda: in_mask(pid, "SigCgt", signal.SIGTERM), "the demo installed no handlers", 5)
    for name in ignored:
        number = signal.Signals[f"SIG{name}"]
        assert in_mask(pid, "SigIgn", number) and not in_mask(pid, "SigCgt", number), \
            f"SIG{name} is not ignored"
        os.kill(pid, number)
    pane.send_keys("q")
    pane.wait_for_text("^EXIT=0")  # a signal that ended it would show as 128 + its number
    pane.erase_key_left_for_shell("q")
    pane.expect_given_back(before)
    nohup_out = pane.work / "nohup.out"
    assert not nohup_out.exists() or nohup_out.stat().st_size == 0, "output went to nohup.out"
