"""The fixtures every pytest case shares (tests/harness holds the rest): the programs and folders
ctest passes, as --path NAME=PATH."""
from pathlib import Path

import pytest

pytest_plugins = ["harness.tmux", "harness.pty", "harness.xdisplay", "harness.wine",
                  "harness.sound_server", "harness.web_server"]


def pytest_addoption(parser):
    parser.addoption("--path", action="append", default=[], metavar="NAME=PATH",
                     help="a program or folder the tests use, by name")


class Paths:
    """The paths ctest passes; one a test asks for that was not passed, or does not exist, fails
    the test."""

    def __init__(self, given):
        self._given = dict(item.split("=", 1) for item in given)

    def __getattr__(self, name):
        if name not in self._given:
            pytest.fail(f"--path {name}=... was not given: this test cannot run")
        value = Path(self._given[name])
        if not value.exists():
            pytest.fail(f"{value} (--path {name}) does not exist")
        return value


@pytest.fixture
def paths(request):
    return Paths(request.config.getoption("path"))


def pytest_sessionfinish(session, exitstatus):
    """A case that was skipped, or expected to fail, fails the run: a check that did not check
    never passes quietly."""
    reporter = session.config.pluginmanager.get_plugin("terminalreporter")
    quiet = [kind for kind in ("skipped", "xfailed", "xpassed") if reporter.stats.get(kind)]
    if quiet and exitstatus == 0:
        reporter.write_line(f"FAIL: cases {', '.join(quiet)}: a check that did not check")
        session.exitstatus = 1
