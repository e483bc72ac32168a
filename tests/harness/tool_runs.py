"""Running the project's command-line tools as a user does: a program with its arguments and
standard input, its status and both outputs kept for the checks and the failure messages."""
import shutil
import subprocess

import pytest


def need_tool(name, group):
    """The path of NAME on PATH; a test that needs it and cannot find it fails, naming it."""
    found = shutil.which(str(name))
    if not found:
        pytest.fail(f"missing tool {name} (tools/setup/ensure-packages {group})")
    return found


def run(argv, stdin=b"", stdout=subprocess.PIPE, **options):
    """Runs ARGV to its end: returns the CompletedProcess, outputs as bytes."""
    return subprocess.run([str(a) for a in argv], input=stdin, stdout=stdout,
                          stderr=subprocess.PIPE, **options)


def expect_success(argv, stdin=b"", **options):
    """ARGV ends with status 0; returns its CompletedProcess."""
    done = run(argv, stdin, **options)
    assert done.returncode == 0, f"{argv[1:]} exited {done.returncode}: {done.stderr}"
    return done


def expect_refusal(argv, status=2, stdin=b"", message="", one_line=True, **options):
    """ARGV ends with STATUS and MESSAGE on the first line of standard error, which is its only
    line when ONE_LINE; returns what it wrote to standard output."""
    done = run(argv, stdin, **options)
    error = done.stderr.decode(errors="replace")
    assert done.returncode == status, f"{argv[1:]} exited {done.returncode}, not {status}: {error}"
    assert not one_line or (error.count("\n") == 1 and error.endswith("\n")), \
        f"{argv[1:]}: error is not one line: {error!r}"
    assert message in error.split("\n")[0], \
        f"{argv[1:]}: expected '{message}' in the error, got: {error}"
    return done.stdout
