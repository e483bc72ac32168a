"""The one way a test waits: for a state, polled, within a limit of wall-clock time that only
a broken program reaches; and the one way a service a test started is stopped: by its pid."""
import os
import signal
import time

import pytest


def wait_for(condition, what, limit_s=10, every_s=0.05):
    """Polls condition() until it returns something true, and returns that; fails the test with
    "WHAT: not so after N s" when the limit passes first."""
    deadline = time.monotonic() + limit_s
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            pytest.fail(f"{what}: not so after {limit_s} s")
        time.sleep(every_s)


def stop_by_pid(pid, grace_s=5):
    """Asks a service to end (SIGTERM), and kills it if it has not ended within GRACE_S."""
    def gone():
        try:
            os.kill(pid, 0)
            return os.waitpid(pid, os.WNOHANG)[0] == pid if _is_child(pid) else False
        except ProcessLookupError:
            return True
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + grace_s
    while not gone() and time.monotonic() < deadline:
        time.sleep(0.05)
    if not gone():
        os.kill(pid, signal.SIGKILL)


def _is_child(pid):
    try:
        return int(open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()[1]) == os.getpid()
    except (OSError, ValueError, IndexError):
        return False
