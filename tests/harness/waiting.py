"""The one way a test waits: for a state, polled, within a limit of wall-clock time that only
a broken program reaches."""
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
