"""The browser edition's site served from 127.0.0.1 by web/serve.py, at a port the system picks,
and stopped by its pid however the test (or the benchmark) ends."""
import contextlib
import re
import subprocess
import sys
import tempfile
from pathlib import Path

import pytest

from harness.constants import SOURCE_DIR
from harness.waiting import stop_by_pid, wait_for


@contextlib.contextmanager
def serving(directory):
    """Serves DIRECTORY while the block runs; gives the site's address, http://127.0.0.1:PORT/."""
    with tempfile.TemporaryDirectory(prefix="floodvalley-site-") as work:
        port_file = Path(work) / "port"
        server = subprocess.Popen([sys.executable, str(SOURCE_DIR / "web/serve.py"),
                                   str(directory), "--port", "0", "--port-file", str(port_file),
                                   "--quiet"])
        try:
            wait_for(lambda: port_file.exists() or _ended(server), "the web server listens")
            if not port_file.exists():
                pytest.fail(f"the web server exited with status {server.returncode} before it"
                            " listened")
            url = f"http://127.0.0.1:{port_file.read_text().strip()}/"
            if not re.fullmatch(r"http://127\.0\.0\.1:[0-9]+/", url):
                pytest.fail(f"the web server gave no port: {url!r}")
            yield url
        finally:
            stop_by_pid(server.pid)
            server.wait()


def _ended(server):
    return server.poll() is not None


@pytest.fixture
def site_url(paths):
    """The site given as --path site=DIR, served for the test."""
    with serving(paths.site) as url:
        yield url
