"""The browser edition's tests (web.test.mjs) under node's test runner, in headless Chromium,
against the site served from 127.0.0.1. A test the runner skipped or left to do would pass
quietly: its counts must show none."""
import os
import re
import subprocess

from harness.constants import SOURCE_DIR


def test_browser_edition(paths, site_url):
    environment = {"FLOODVALLEY_SITE_URL": site_url,
                   "FLOODVALLEY_SINGLE_FILE": str(paths.single_file),
                   "FLOODVALLEY_FRAMES": str(paths.frames),
                   "FLOODVALLEY_SOUNDTRACK": str(paths.soundtrack)}
    run = subprocess.run(["node", "--test", "--test-reporter=tap", "tests/web/web.test.mjs"],
                         cwd=SOURCE_DIR, env={**os.environ, **environment}, capture_output=True,
                         text=True)
    print(run.stdout, run.stderr)
    assert run.returncode == 0, f"node --test exited with status {run.returncode}"
    counts = dict(re.findall(r"^# (skipped|todo) (\d+)$", run.stdout, re.M))
    assert counts == {"skipped": "0", "todo": "0"}, \
        f"expected '# skipped 0' and '# todo 0' from the runner, saw {counts}"
