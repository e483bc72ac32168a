"""floodvalley-frames under valgrind's memcheck: the whole 75-s run at 60 frames per second in
each text format, short runs in the picture formats (PNG files, a y4m video), a clock read from
standard input with a bad line in it, and an unusable font file. Every run must show no memcheck
error and leak nothing, and end with the status it has without valgrind."""
import re

import pytest

from harness.tool_runs import need_tool, run

WHOLE = "--fps 60 --seconds 75"
FONT = "--format png --fps 1 --seconds 1 --out {w}/png --font {w}/garbage.psf"


def frames(count):
    return lambda out, work: sum(line.startswith(b"frame ") for line in out.split(b"\n")) == count


CASES = {  # name: status, arguments ({w}: the work folder), standard input, check of the output
    "whole-run-cells": (0, f"{WHOLE} --every 100000", b"", frames(1)),
    "whole-run-ansi": (0, f"--format ansi {WHOLE} --every 450", b"", None),
    "whole-run-cells-every-second": (0, f"{WHOLE} --every 60", b"", None),
    "png-short-run": (0, "--format png --fps 4 --seconds 2 --out {w}/png", b"",
                      lambda out, work: len(list(work.glob("png/frame-*.png"))) == 9),
    "y4m-short-run": (0, "--format y4m --fps 10 --seconds 3 --every 2", b"",
                      lambda out, work: out.startswith(b"YUV4MPEG2")),
    "clock-with-a-bad-line": (2, "", b"0\n13000\n75000\nnot-a-time\n5\n", frames(3)),
    "unusable-font": (2, FONT, b"", None),
    "bad-option": (2, "--every 0", b"", None),
}


@pytest.mark.parametrize("name", CASES)
def test_clean_under_memcheck(paths, tmp_path, name):
    status, args, stdin, check = CASES[name]
    (tmp_path / "garbage.psf").write_bytes(bytes(range(256)) * 11 + bytes(range(184)))
    log = tmp_path / "memcheck.log"
    done = run([need_tool("valgrind", "analysis"), "--error-exitcode=99", "--leak-check=full",
                "--show-leak-kinds=all", "--errors-for-leak-kinds=definite,indirect,possible",
                f"--suppressions={paths.supp}", f"--log-file={log}", paths.frames,
                *args.format(w=tmp_path).split()], stdin)
    text = log.read_text()
    details = "\n".join(line for line in text.splitlines() if not re.match(r"==\d+== *$", line))
    assert done.returncode == status, f"status {done.returncode}, not {status}:\n{details[:4000]}"
    assert "ERROR SUMMARY: 0 errors" in text, f"memcheck found errors:\n{details[:4000]}"
    assert re.search("All heap blocks were freed|definitely lost: 0 bytes", text), details[:4000]
    assert not check or check(done.stdout, tmp_path), f"{name}: not the output wanted: " \
        f"{done.stdout[:300]}"
    print(re.search("total heap usage: .*", text).group(0))
