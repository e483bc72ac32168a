"""The README's pictures are exactly what tools/readme-pictures makes: same names, same bytes."""
import os

from harness.tool_runs import run


def test_committed_pictures_are_a_fresh_rendering(paths, tmp_path):
    done = run([paths.script, tmp_path], env={**os.environ, "FLOODVALLEY_FRAMES": paths.frames})
    assert done.returncode == 0, f"readme-pictures exited {done.returncode}: {done.stderr}"
    # web/ holds the browser edition's screenshot, made by bench/run-web-bench, not by the script.
    diff = run(["diff", "-r", "--exclude=web", paths.committed, tmp_path])
    assert diff.returncode == 0, f"{paths.committed} differs from what tools/readme-pictures " \
        f"makes now; rerun it and commit:\n{diff.stdout.decode()}{diff.stderr.decode()}"
