"""floodvalley-frames under valgrind's memcheck: the whole 75-s run at 60 frames per second in
each text format, short runs in the picture formats (PNG files, a y4m video), a clock read from
standard input with a bad line in it, and an unusable font file. Every run must show no memcheck
error and leak nothing, and end with the status it has without valgrind."""
import re

import pytest

from harness.tool_runs import need_tool, run

WHOLE_RUN = "--fps 60 --seconds 75"
CASES = [  # name, status, arguments ({w}: the work folder), standard input
    ("whole-run-cells", 0, f"{WHOLE_RUN} --every 100000", b""),
    ("whole-run-ansi", 0, f"--format ansi {WHOLE_RUN} --every 450", b""),
    ("whole-run-cells-every-second", 0, f"{WHOLE_RUN} --every 60", b""),
    ("png-short-run", 0, "--format png --fps 4 --seconds 2 --out {w}/png", b""),
    ("y4m-short-run", 0, "--format y4m --fps 10 --seconds 3 --every 2", b""),
    ("clock-with-a-bad-line", 2, "", b"0\n13000\n75000\nnot-a-time\n5\n"),
    ("unusable-font", 2, "--format png --fps 1 --seconds 1 --out {w}/png --font {w}/garbage.psf",
     b""),
    ("bad-option", 2, "--every 0", b""),
]


def memcheck(paths, work, status, args, stdin):
    """Runs the frames tool under memcheck; returns its standard output."""
    log = work / "memcheck.log"
    done = run([need_tool("valgrind", "analysis"), "--error-exitcode=99", "--leak-check=full",
                "--show-leak-kinds=all", "--errors-for-leak-kinds=definite,indirect,possible",
                f"--suppressions={paths.supp}", f"--log-file={log}", paths.frames,
                *args.format(w=work).split()], stdin)
    text = log.read_text()
    details = "\n".join(line for line in text.splitlines() if not re.match(r"==\d+== *$", line))
    assert done.returncode == status, f"status {done.returncode} (expected {status}):\n" + \
        details[:4000]
    assert "ERROR SUMMARY: 0 errors" in text, f"memcheck found errors:\n{details[:4000]}"
    assert re.search("All heap blocks were freed|definitely lost: 0 bytes", text), \
        f"memory was lost:\n{details[:4000]}"
    print(re.search("total heap usage: .*", text).group(0))
    return done.stdout


@pytest.mark.parametrize("name, status, args, stdin", CASES, ids=[c[0] for c in CASES])
def test_clean_under_memcheck(paths, tmp_path, name, status, args, stdin):
    (tmp_path / "garbage.psf").write_bytes(bytes(range(256)) * 11 + bytes(range(184)))
    out = memcheck(paths, tmp_path, status, args, stdin)
    frames = out.count(b"\nframe ") + out.startswith(b"frame ")
    expected_frames = {"whole-run-cells": 1, "clock-with-a-bad-line": 3}
    if name in expected_frames:
        assert frames == expected_frames[name], f"{name}: {frames} frames printed"
    if name == "png-short-run":
        pictures = list((tmp_path / "png").glob("frame-*.png"))
        assert len(pictures) == 9, f"{len(pictures)} pictures, expected 9 (0 to 2 s at 4 fps)"
    if name == "y4m-short-run":
        assert out.startswith(b"YUV4MPEG2"), f"not a y4m stream: {out[:20]}"
