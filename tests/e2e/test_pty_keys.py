"""Keys and signals on a pseudo terminal, where the test stages what tmux cannot: answers to the
start-up queries that come late, keys typed ahead and at chosen moments of the start-up, a kernel
that refuses TIOCSTI, and a terminal that stops reading while the demo restores it."""
import os
import re
import signal

import pytest

from harness.pty import ALL_ANSWERS, SCREEN_GIVEN_BACK, assert_ended_cleanly, demo_env, now_ms

ANSWERS_WAITED_FOR_MS = 2000  # after it, the demo takes nothing for a late answer


def by_name(values):
    return "_".join(str(value) for value in values)


@pytest.mark.parametrize("delays_ms", [(150,), (600,), (1000,), (150, 700, 1500)], ids=by_name)
def test_late_answers_are_not_keys(paths, pty_terminal, delays_ms):
    """Each answer held back by its delay (one delay: all of them at once); the key comes after
    the demo has stopped waiting for answers, ends the run and is left unread."""
    schedule = list(zip(delays_ms, ALL_ANSWERS if len(delays_ms) > 1 else [b"".join(ALL_ANSWERS)]))
    run = pty_terminal([paths.demo], demo_env())
    run.until(lambda: run.queries_at, "the queries sent")
    for delay, answer in schedule:
        run.until(lambda: now_ms() >= run.queries_at + delay, f"{delay} ms after the queries")
        run.type(answer)
    over = run.queries_at + ANSWERS_WAITED_FOR_MS + 500
    run.until(lambda: now_ms() >= over, f"the run going on after answers at {delays_ms} ms")
    assert run.first_frame_at, "no frame was drawn"
    assert_ended_cleanly(run, run.end_by_key())
    assert run.unread_input() == b"q", "the key was not left unread for the shell"
    print(f"answers after {delays_ms} ms: not taken for a key; the key ended the run in "
          f"{run.ended_at - over:.0f} ms and was left unread")


# The key that ends the run, what is typed once the run is over, and the line sh's read must
# get. Enter is a newline, as the user's ICRNL makes it, so the read returns with an empty line
# at once; a byte with the eighth bit set, and Ctrl-S, which output flow control would take,
# come through byte for byte.
@pytest.mark.parametrize("key, then, line", [
    (b"\r", b"", b""),
    (b"\xe9", b"\r", b"\xe9"),
    (b"\x13", b"\r", b"\x13"),
], ids=["enter", "eighth_bit_set", "ctrl_s"])
def test_key_is_left_for_the_shell_as_typed(paths, pty_terminal, key, then, line):
    script = '"$0"; IFS= read -r line; printf "got[%s]\\n" "$line"'
    run = pty_terminal(["/bin/sh", "-c", script, paths.demo], demo_env(), answers=ALL_ANSWERS)
    run.start_demo()
    run.type(key)
    run.expect(SCREEN_GIVEN_BACK)
    run.type(then)
    got = run.until(lambda: re.search(rb"got\[(.*)\]\r\n", run.output, re.S),
                    f"sh's read returned after {then!r}").group(1)
    assert got == line, f"sh read the line {got!r}, expected {line!r}"
    assert_ended_cleanly(run, run.wait_exit())


# When the key is typed, and what the shell must find after the run, on a kernel that refuses
# TIOCSTI. Only a key typed while the terminal answers the queries is read with the answers and
# needs handing back: it is lost, but it still ends the run. A key typed ahead or after the
# answers is never read.
@pytest.mark.parametrize("when, left", [
    ("typed_ahead", b"q"),
    ("among_the_answers", b""),
    ("after_the_first_frame", b"q"),
])
def test_run_ends_when_tiocsti_is_refused(paths, pty_terminal, tmp_path, when, left):
    log = tmp_path / "tiocsti.log"
    env = demo_env(LD_PRELOAD=str(paths.tiocsti_double), TIOCSTI_DOUBLE_LOG=str(log))
    among = when == "among_the_answers"
    run = pty_terminal([paths.demo], env, answers=None if among else ALL_ANSWERS,
                       typed_ahead=b"q" if when == "typed_ahead" else b"")
    if among:
        run.until(lambda: run.queries_at, "the queries sent")
        run.type(b"q" + b"".join(ALL_ANSWERS))
    elif when == "after_the_first_frame":
        run.start_demo()
        run.type(b"q")
    assert_ended_cleanly(run, run.wait_exit())
    notes = log.read_text().split() if log.exists() else []
    assert "loaded" in notes, "the TIOCSTI double was not in effect: this proves nothing"
    assert "refused" in notes or not among, "TIOCSTI was never tried: the refusal went untested"
    assert run.unread_input() == left, "not what the shell must find"
    print(f"TIOCSTI refused, key {when}: {left!r} left, {notes.count('refused')} refusal(s)")


@pytest.mark.parametrize("first, second", [("TERM", "TERM"), ("TERM", "INT"), ("HUP", "QUIT")],
                         ids=lambda name: name)
def test_second_signal_ends_a_stuck_restore(paths, pty_terminal, first, second):
    """The terminal stops reading mid-run: FIRST finds the restore stuck behind the output,
    SECOND ends the process at once, the modes already given back."""
    run = pty_terminal([paths.demo], demo_env(), answers=ALL_ANSWERS)
    run.start_demo()
    run.pump(0.2)
    run.suspend_output()
    run.until(run.output_stuck, "the demo's output filling the terminal's buffer")
    os.kill(run.pid, signal.Signals[f"SIG{first}"])
    run.pump(0.5)
    assert run.status is None, f"SIG{first} ended the process though the restore was stuck"
    assert run.state_now().modes == run.modes_before, f"after SIG{first}: modes not given back"
    sent = now_ms()
    os.kill(run.pid, signal.Signals[f"SIG{second}"])
    assert run.wait_exit() is None and os.WTERMSIG(run.status) == signal.Signals[f"SIG{second}"],\
        f"wait status {run.status}, expected the end by SIG{second}"
    assert run.state_now().modes == run.modes_before, "the terminal modes were not given back"
    print(f"SIG{first} with the restore stuck, then SIG{second}: ended in "
          f"{run.ended_at - sent:.0f} ms, modes given back")
