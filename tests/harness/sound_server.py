"""A private PulseAudio server for one test, headless, with a null sink whose monitor records
what it plays; clients find it the way every client does, through the environment it gives.
It runs in a runtime folder and a home of its own, and is stopped by its pid however the test
ends. Fixture `sound_server`: .env (for its clients), .monitor (the source to record), .pid."""
import os
import shutil
import subprocess
from pathlib import Path
from typing import NamedTuple

import pytest

from harness.pty import BOOSTED_NICE
from harness.waiting import wait_for

TESTS_DIR = Path(__file__).resolve().parents[1]


class SoundServer(NamedTuple):
    pid: int
    env: dict
    monitor: str
    log: Path

    def log_tail(self):
        return "\n".join(self.log.read_text(errors="replace").splitlines()[-15:])


def start_server(folder):
    runtime, home = folder / "runtime", folder / "home"
    home.mkdir(parents=True)
    runtime.mkdir(mode=0o700)
    env = {"XDG_RUNTIME_DIR": str(runtime), "PULSE_RUNTIME_PATH": str(runtime / "pulse"),
           "HOME": str(home)}
    # -n: no default script; as root it warns that it is not meant to run so, and works. In a
    # session of its own, so that as root it can be given a heavier share of the processors: on
    # a busy machine a starved server plays silence where the music should be. Without its CPU
    # load limiter, which ends a server that took much of the processors over a few seconds.
    with open(folder / "server.log", "wb") as log:
        server = subprocess.Popen(
            ["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--no-cpu-limit",
             "--use-pid-file=no", "--load=module-null-sink sink_name=test",
             "--load=module-native-protocol-unix"], env=dict(os.environ, **env),
            stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
    return server, SoundServer(server.pid, env, "test.monitor", folder / "server.log")


@pytest.fixture
def sound_server(tmp_path):
    missing = [tool for tool in ("pulseaudio", "parec") if not shutil.which(tool)]
    if missing:
        pytest.fail(f"missing {missing} (tools/setup/ensure-packages sound-server)")
    server, described = start_server(tmp_path / "sound-server")
    try:
        socket = Path(described.env["PULSE_RUNTIME_PATH"]) / "native"
        wait_for(lambda: socket.exists() or server.poll() is not None, "the sound server up")
        assert server.poll() is None, f"the sound server ended:\n{described.log_tail()}"
        autogroup = Path(f"/proc/{server.pid}/autogroup")
        if os.geteuid() == 0 and os.access(autogroup, os.W_OK):
            autogroup.write_text(str(BOOSTED_NICE))
        yield described
        assert server.poll() is None, f"the sound server ended:\n{described.log_tail()}"
    finally:
        server.terminate()
        try:
            server.wait(10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()


def record(demo, out_dir, key_at_s, env, source=None):
    """`python3 -m harness.pty record` in a session of its own (the weight it gives the run
    must not fall on the test's session): OUT_DIR/output.bin, times and, from SOURCE,
    sound.raw."""
    command = ["/usr/bin/python3", "-B", "-m", "harness.pty", "record", demo, out_dir,
               str(key_at_s), *([source] if source else [])]
    done = subprocess.run(command, cwd=TESTS_DIR, env=env, capture_output=True, text=True,
                          start_new_session=True)
    assert done.returncode == 0, f"the recorded run of {demo} failed:\n{done.stderr[-3000:]}"
