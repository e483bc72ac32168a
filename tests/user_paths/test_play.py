"""./play as a user runs it from a checkout, on a terminal: it builds the demo quietly in
build/play (reusing that build when it is there: a second run only checks it), runs it there,
where it finds its soundtrack, and a key ends the run with status 0 and the terminal given back.
Any argument but --web is a usage error that touches nothing."""
import os
import re

from harness.pty import assert_ended_cleanly
from harness.restored import assert_restored
from conftest import before_the_screen, sound_env, sound_played

BUILD_S = 900  # a first build on a busy machine of two cores
BUILD_MESSAGES = re.compile(rb"^(-- |\[\d+/\d+\] |ninja: |CMake )", re.M)


def test_play_builds_and_runs_the_demo(paths, pty_run, tmp_path):
    sound = tmp_path / "sound.raw"
    run = pty_run([paths.source_dir / "play"], sound_env(sound), paths.source_dir)
    run.start_demo(BUILD_S)
    built = paths.source_dir.resolve() / "build/play/app"
    assert os.readlink(f"/proc/{run.pid}/exe") == str(built / "floodvalley")
    assert os.readlink(f"/proc/{run.pid}/cwd") == str(built)
    run.until(lambda: sound_played(sound), "the soundtrack plays")
    status = run.end_by_key()
    assert_ended_cleanly(run, status)
    shown = before_the_screen(run.output)
    assert not BUILD_MESSAGES.search(shown), f"the build was not quiet: {shown[-600:]!r}"


def test_play_refuses_other_arguments(paths, pty_run, tmp_path):
    run = pty_run([paths.source_dir / "play", "--bogus"], sound_env(tmp_path / "sound"), tmp_path)
    assert run.wait_exit() == 2
    assert run.output == b"usage: ./play [--web]\r\n"
    assert_restored(run.state_before(), run.state_now())
