"""floodvalley-frames --format png|y4m as a user runs it: file names and sizes, the video
stream's layout, and every way a font file can be unusable (one line, status 2, no pictures)."""
import gzip
import os
from pathlib import Path

import pytest

from harness.tool_runs import expect_refusal, expect_success, run

# A plain 8x8 PSF1 font without unicode table: glyph n is eight bytes of value n.
FONT = bytes([0x36, 0x04, 0x00, 0x08]) + b"".join(bytes([n]) * 8 for n in range(256))
FONTS = {"test.psf": FONT, "test.psf.gz": gzip.compress(FONT), "cut.psf": FONT[:1000],
         "cut.psf.gz": gzip.compress(FONT)[:300], "empty.psf": b"",
         "text.psf": b"not a font at all\n", "tall.psf": bytes([0x36, 4, 0, 0x10]) + bytes(4096)}
UNUSABLE = ["cut.psf", "cut.psf.gz", "empty.psf", "text.psf", "tall.psf", "absent.psf"]
REFUSALS = [  # arguments and what the one line of error holds ({w}: the work folder)
    *[(f"--format png --out {{w}}/bad --font {{w}}/{n} --fps 1 --seconds 1", f"{{w}}/{n}")
      for n in UNUSABLE],
    ("--format y4m --font {w}/tall.psf --fps 1 --seconds 1", "8x16"),
    *[(args, "") for args in ("--format png", "--out {w}/x", "--font {w}/test.psf",
                              "--format y4m", "--format png --out")]]


@pytest.fixture
def work(tmp_path):
    for name, content in FONTS.items():
        (tmp_path / name).write_bytes(content)
    return tmp_path


def test_png_files_and_gzip_fonts(paths, work):
    for font in ("psf", "psf.gz"):
        expect_success([paths.frames, "--format", "png", "--out", work / font, "--font",
                        work / f"test.{font}", "--fps", "10", "--seconds", "1", "--every", "5"])
    files = sorted(os.listdir(work / "psf"))
    assert files == ["frame-00000.png", "frame-00005.png", "frame-00010.png"], files
    header = (work / "psf/frame-00005.png").read_bytes()[:24].hex()
    assert header == "89504e470d0a1a0a0000000d494844520000028000000190", f"png header: {header}"
    assert (work / "psf/frame-00010.png").read_bytes() == \
        (work / "psf.gz/frame-00010.png").read_bytes(), "gzip font draws differently"


def test_default_font(paths, tmp_path):
    font = Path("/usr/share/consolefonts/Lat15-VGA8.psf.gz")
    assert os.access(font, os.R_OK), f"{font} is missing (tools/setup/ensure-packages pictures)"
    expect_success([paths.frames, "--format", "png", "--out", tmp_path, "--fps", "1", "--seconds",
                    "0"])
    assert (tmp_path / "frame-00000.png").stat().st_size > 0, "default font wrote no picture"


@pytest.mark.parametrize("args, message", REFUSALS)
def test_refusals(paths, work, args, message):
    expect_refusal([paths.frames, *args.format(w=work).split()], message=message.format(w=work))
    assert not (work / "bad").exists() or not os.listdir(work / "bad"), "pictures were written"


def test_y4m_layout(paths, work):
    video = expect_success([paths.frames, "--format", "y4m", "--font", work / "test.psf", "--fps",
                            "30", "--seconds", "1", "--every", "3"]).stdout
    first_line = b"YUV4MPEG2 W640 H400 F30:3 Ip A1:1 C444 XCOLORRANGE=LIMITED\n"
    assert video.startswith(first_line), f"y4m header: {video[:80]}"
    frame = len(b"FRAME\n") + 3 * 640 * 400
    assert len(video) == len(first_line) + 11 * frame, \
        f"y4m size {len(video)}, expected 11 frames (0, 3, ..., 30)"
    assert video[len(first_line) + 10 * frame:].startswith(b"FRAME\n"), \
        "the last frame does not start with FRAME"


def test_a_full_disk_is_a_failure(paths, work):
    with open("/dev/full", "wb") as full:
        done = run([paths.frames, "--format", "y4m", "--font", work / "test.psf", "--fps", "1",
                    "--seconds", "1"], stdout=full)
    assert done.returncode == 1, f"writing y4m to a full disk exited {done.returncode}, not 1"
