"""Wine for a test: the loader that can run the demo on this machine, a private prefix kept
between runs (made afresh when an earlier run left it unusable), and a wineserver of the test's
own, stopped by its pid however the test ends."""
import os
import shlex
import signal
import subprocess
import tempfile
from pathlib import Path
from typing import NamedTuple

import pytest

from harness.waiting import stop_by_pid, wait_for

WINE_32, WINE_64 = "/usr/lib/wine/wine", "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


class Wine(NamedTuple):
    exe: Path  # the build to run
    loader: str
    prefix: Path
    env: dict  # what Wine's environment adds to the test's

    def command(self, program):
        """A shell command running PROGRAM (a .exe) under this Wine."""
        assignments = " ".join(f"{name}={shlex.quote(value)}" for name, value in self.env.items())
        return f"env {assignments} {shlex.quote(self.loader)} {shlex.quote(program)}"

    def environment(self):
        return dict(os.environ, **self.env)

    def run(self, *arguments, log):
        with open(log, "w") as out:
            subprocess.run([self.loader, *arguments], env=self.environment(), stdout=out,
                           stderr=subprocess.STDOUT)


def _runs(loader):
    try:
        return subprocess.run([loader, "--version"], capture_output=True).returncode == 0
    except OSError:
        return False


def choose_wine(paths, work):
    """32-bit Wine and the shipped 32-bit build; where this kernel cannot run 32-bit programs,
    64-bit Wine and the same source built for 64-bit Windows."""
    env = {"HOME": str(work / "home"), "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
    if _runs(WINE_32):  # Debian's launcher, which picks the 32-bit loader
        prefix = work / "prefix-wine32"
        return Wine(paths.exe32, "wine", prefix, dict(env, WINEPREFIX=str(prefix)))
    if _runs(WINE_64):
        prefix = work / "prefix-wine64"
        return Wine(paths.exe64, WINE_64, prefix,
                    dict(env, WINEPREFIX=str(prefix), WINELOADER=WINE_64))
    pytest.fail(f"no Wine loader can run the demo here: neither {WINE_32} nor {WINE_64} runs "
                "(the packages wine and wine32:i386 or wine64)")


def start_server(wine, log):
    """A wineserver for the prefix, in the foreground and persistent, so that its pid is ours;
    returned once its socket is there."""
    named = wine.prefix / "wineserver"  # the folder, under the temporary one, of its socket
    named.unlink(missing_ok=True)
    server = subprocess.Popen([WINESERVER, "-f", "-p"], env=wine.environment(),
                              stdout=open(log, "w"), stderr=subprocess.STDOUT)

    def listening():
        if server.poll() is not None:
            pytest.fail(f"the wineserver ended at once: {Path(log).read_text()[-500:]}")
        return named.exists() and any(
            Path(tempfile.gettempdir(), named.read_text().strip()).glob("server-*/socket"))
    wait_for(listening, "the wineserver does not listen", 30)
    return server


def stop_server(server):
    """SIGINT: the server ends every process of its prefix (services such as winedevice.exe
    outlive a server that is only terminated), writes the registry, and ends."""
    server.send_signal(signal.SIGINT)
    try:
        server.wait(30)
    except subprocess.TimeoutExpired:
        stop_by_pid(server.pid)


def prefix_usable(prefix):
    """wineboot can fail half-way (seen once on a fresh machine) and leave a registry behind with
    an empty drive_c, on which every run fails with "could not load kernel32.dll"."""
    return ((prefix / "system.reg").is_file() and
            (prefix / "drive_c/windows/system32/kernel32.dll").is_file())


def create_prefix(wine, work):
    """A new prefix; its registry is written as its server ends."""
    subprocess.run(["rm", "-rf", str(wine.prefix)], check=True)
    wine.prefix.mkdir(parents=True)
    server = start_server(wine, work / "wineserver-boot.log")
    try:
        wine.run("wineboot", "-i", log=work / "wineboot.log")
    finally:
        stop_server(server)


def prepare_prefix(wine, work):
    """A prefix an earlier run left usable is kept; a failed creation is tried once more."""
    for _ in range(2):
        if prefix_usable(wine.prefix):
            return
        create_prefix(wine, work)
    if not prefix_usable(wine.prefix):
        log = (work / "wineboot.log").read_text()[-800:]
        pytest.fail(f"wineboot did not create a usable {wine.prefix}:\n{log}")


@pytest.fixture
def wine(paths, tmp_path):
    """Wine ready to run the demo (Wine.command), with its own wineserver for the test."""
    work = paths.wine_work.resolve()
    chosen = choose_wine(paths, work)
    (work / "home").mkdir(exist_ok=True)
    prepare_prefix(chosen, work)
    server = start_server(chosen, tmp_path / "wineserver.log")
    try:
        yield chosen
    finally:
        stop_server(server)
