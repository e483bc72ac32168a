"""The command line on a terminal: --help, --version, unknown arguments and a failed write, each
with its exit status, exactly the bytes of standard output (on the terminal) and of standard
error (in a file), and the terminal left exactly as it was."""
import re

import pytest

from harness.constants import SOURCE_DIR
from harness.pty import demo_env
from harness.restored import assert_restored

VERSION = re.search(r"project\(floodvalley VERSION ([\d.]+)",
                    (SOURCE_DIR / "CMakeLists.txt").read_text()).group(1).encode()


def is_usage(text):
    """The usage: its synopsis first, a line for each option, plain lines of text only."""
    printable = all(32 <= byte < 127 or byte == 10 for byte in text)
    return (text.startswith(b"usage: floodvalley [--help | --version]\n") and printable and
            b"\n  --help " in text and b"\n  --version " in text and text.endswith(b"\n"))


def one_error_line(text):
    return text.startswith(b"floodvalley: ") and text.count(b"\n") == 1 and text.endswith(b"\n")


def error_line(argument):
    return b"floodvalley: unexpected argument '" + argument + b"' (try --help)\n"


@pytest.mark.parametrize("args, stdout_to, status, out, err", [
    ([b"--help"], None, 0, is_usage, b""),
    ([b"--version"], None, 0, b"floodvalley " + VERSION + b"\n", b""),
    ([b"--bogus"], None, 2, b"", error_line(b"--bogus")),
    ([b"--version", b"now"], None, 2, b"", error_line(b"now")),
    ([b"play\x1b[2J\x9b"], None, 2, b"", error_line(b"play?[2J?")),
    ([b"--version"], "/dev/full", 1, b"", one_error_line),
], ids=["help", "version", "unknown", "extra", "escapes", "failed_write"])
def test_command_line_answers_without_touching_the_terminal(paths, pty_terminal, tmp_path,
                                                            args, stdout_to, status, out, err):
    redirects = {2: tmp_path / "stderr", **({1: stdout_to} if stdout_to else {})}
    run = pty_terminal([paths.demo, *args], demo_env(), redirects=redirects)
    assert run.wait_exit() == status, f"wait status {run.status}, expected exit status {status}"
    written = {"stdout": bytes(run.output).replace(b"\r\n", b"\n"),
               "stderr": (tmp_path / "stderr").read_bytes()}
    for stream, expected in (("stdout", out), ("stderr", err)):
        text = written[stream]
        assert expected(text) if callable(expected) else text == expected, \
            f"{stream} is {text!r}"
    assert_restored(run.state_before(), run.state_now())
