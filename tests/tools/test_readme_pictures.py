"""The README's pictures are exactly what tools/readme-pictures makes: same names, same bytes."""
import filecmp
import os

from harness.tool_runs import run


def differences(compared, where=""):
    found = [f"only in one: {where}{n}" for n in compared.left_only + compared.right_only]
    found += [f"differs: {where}{n}" for n in compared.diff_files + compared.funny_files]
    for name, below in compared.subdirs.items():
        found += differences(below, f"{where}{name}/")
    return found


def test_committed_pictures_are_a_fresh_rendering(paths, tmp_path):
    done = run([paths.script, tmp_path], env={**os.environ, "FLOODVALLEY_FRAMES": paths.frames})
    assert done.returncode == 0, f"readme-pictures exited {done.returncode}: {done.stderr}"
    # web/ holds the browser edition's screenshot, made by bench/run-web-bench, not by the script.
    compared = filecmp.dircmp(paths.committed, tmp_path, ignore=["web"])
    found = differences(compared)
    assert not found, (f"{paths.committed} differs from what tools/readme-pictures makes now; "
                       "rerun it and commit:\n" + "\n".join(found))
