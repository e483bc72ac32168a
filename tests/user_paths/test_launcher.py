"""The installed command, a launcher that starts the demo in the data directory found beside
it (readlink -f), so that an installed tree can be moved: installed, moved elsewhere, started
from another directory directly or through a symbolic link, it runs the demo there with its
soundtrack. With the data directory gone it says so on standard error and the run is silent;
with the demo itself gone it fails before anything reaches the terminal."""
import os
import re
import shutil

import pytest

from harness.pty import assert_ended_cleanly
from harness.restored import assert_restored
from conftest import before_the_screen, install_build, sound_env, sound_played

DATA, DEMO = "share/games/floodvalley", "lib/games/floodvalley/floodvalley"
MISSING = re.compile(rb"floodvalley: (\S+) is missing: the run is silent\r\n")
# case: whether the data directory is kept, and whether the command is started through a link.
RUNS = {
    "moved": (True, False),
    "moved_through_a_link": (True, True),
    "data_directory_missing": (False, False),
}


def moved_tree(build_dir, tmp_path):
    tmp_path = tmp_path.resolve()  # as /proc tells the demo's folders
    install_build(build_dir, tmp_path / "installed")
    os.rename(tmp_path / "installed", tmp_path / "moved")
    (tmp_path / "elsewhere").mkdir()
    return tmp_path / "moved", tmp_path / "elsewhere"


@pytest.mark.parametrize("case", RUNS)
def test_launcher_runs_the_demo_in_a_moved_tree(paths, pty_run, tmp_path, case):
    data_kept, through_link = RUNS[case]
    tree, elsewhere = moved_tree(paths.build_dir, tmp_path)
    command = tree / "games/floodvalley"
    if through_link:
        (tmp_path / "floodvalley").symlink_to(command)
        command = tmp_path / "floodvalley"
    if not data_kept:
        shutil.rmtree(tree / DATA)
    sound = tmp_path / "sound.raw"
    run = pty_run([command], sound_env(sound), elsewhere)
    run.start_demo()
    runs_in = tree / DATA if data_kept else elsewhere
    assert os.readlink(f"/proc/{run.pid}/cwd") == str(runs_in)
    assert os.readlink(f"/proc/{run.pid}/exe") == str(tree / DEMO)
    if data_kept:
        run.until(lambda: sound_played(sound), "the soundtrack plays")
    status = run.end_by_key()
    assert_ended_cleanly(run, status)
    complaint = before_the_screen(run.output)
    if data_kept:
        assert complaint == b""
    else:
        named = MISSING.fullmatch(complaint)
        assert named, f"the complaint is {complaint!r}"
        assert os.path.normpath(named.group(1).decode()) == str(tree / DATA)
        assert not sound_played(sound)


def test_launcher_without_the_demo_fails_before_the_terminal(paths, pty_run, tmp_path):
    tree, elsewhere = moved_tree(paths.build_dir, tmp_path)
    (tree / DEMO).unlink()
    run = pty_run([tree / "games/floodvalley"], sound_env(tmp_path / "sound.raw"), elsewhere)
    status = run.wait_exit()
    assert status not in (0, None), "the launcher did not fail"
    assert DEMO.encode() in run.output, "the message does not name the missing demo"
    assert b"\x1b" not in run.output, "the terminal got escape sequences"
    assert_restored(run.state_before(), run.state_now())
