"""The sound module is looked for beside the demo, then in FLOODVALLEY_MODULE_DIR, the folder
the build names: found there, it is loaded and the soundtrack plays; with that folder empty the
run is silent and otherwise the same, ending with status 0 and the terminal given back."""
import shutil

import pytest

from harness.pty import assert_ended_cleanly
from conftest import module_loaded, sound_env, sound_played


@pytest.mark.parametrize("module_in_folder", [True, False], ids=["module", "empty"])
def test_module_folder(paths, pty_run, tmp_path, module_in_folder):
    assert not (paths.demo.parent / paths.module.name).exists(), "a module lies beside the demo"
    for old in paths.module_dir.iterdir():
        old.unlink()
    if module_in_folder:
        shutil.copy(paths.module, paths.module_dir)
    shutil.copy(paths.track, tmp_path)
    sound = tmp_path / "sound.raw"
    run = pty_run([paths.demo], sound_env(sound), tmp_path)
    run.start_demo()  # the music is opened before the first frame
    assert module_loaded(run.pid) == module_in_folder
    if module_in_folder:
        run.until(lambda: sound_played(sound), "the soundtrack plays")
    status = run.end_by_key()
    assert_ended_cleanly(run, status)
    assert sound_played(sound) == module_in_folder
