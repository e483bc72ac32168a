"""The installed command, a launcher that starts the demo in the data directory found beside
it (readlink -f), so that an installed tree can be moved: installed, moved elsewhere, started
from another directory directly or through a symbolic link, it runs the demo there with its
soundtrack. With the data directory gone it says so on standard error and the run is silent;
with the demo itself gone it fails before anything reaches the terminal."""
import os
import re
import shutil

import pytest

from conftest import assert_clean_end, before_the_screen, install_build, sound_env, sound_played

DATA, DEMO = "share/games/floodvalley", "lib/games/floodvalley/floodvalley"
MISSING = re.compile(rb"floodvalley: (\S+) is missing: the run is silent\r\n")


def remove_data(tree):
    shutil.rmtree(tree / DATA)


def remove_demo(tree):
    (tree / DEMO).unlink()


# case: what is taken from the moved tree, whether the command is started through a link,
# and where the demo must run (None: it must not start).
CASES = {
    "moved": (None, False, DATA),
    "moved_through_a_link": (None, True, DATA),
    "data_directory_missing": (remove_data, False, "."),
    "demo_missing": (remove_demo, False, None),
}


@pytest.mark.parametrize("case", CASES)
def test_launcher_in_a_moved_tree(paths, pty_run, tmp_path, case):
    take_away, through_link, runs_in = CASES[case]
    install_build(paths.build_dir, tmp_path / "installed")
    tree = tmp_path / "moved"
    os.rename(tmp_path / "installed", tree)
    if take_away:
        take_away(tree)
    command = tree / "games/floodvalley"
    if through_link:
        (tmp_path / "bin").mkdir()
        (tmp_path / "bin/floodvalley").symlink_to(command)
        command = tmp_path / "bin/floodvalley"
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    sound = tmp_path / "sound.raw"
    run = pty_run([command], sound_env(sound), elsewhere)
    if runs_in is None:
        status = run.wait_end()
        assert status not in (0, None), "the launcher did not fail"
        assert b"\x1b" not in run.output, "the terminal got escape sequences"
        assert DEMO.encode() in run.output, "the message does not name the missing demo"
        assert run.modes_after == run.modes_before
        return
    run.start_demo()
    demo_at = (tree if runs_in == DATA else elsewhere) / runs_in
    assert os.readlink(f"/proc/{run.child.pid}/cwd") == str(demo_at.resolve())
    assert os.readlink(f"/proc/{run.child.pid}/exe") == str(tree / DEMO)
    if runs_in == DATA:
        run.pump_until(lambda: sound_played(sound), "the soundtrack plays")
    status = run.end_by_key()
    assert_clean_end(run, status)
    complaint = before_the_screen(run.output)
    if take_away is remove_data:
        named = MISSING.fullmatch(complaint)
        assert named, f"the complaint is {complaint!r}"
        assert os.path.normpath(named.group(1).decode()) == str(tree / DATA)
        assert not sound_played(sound)
    else:
        assert complaint == b""
