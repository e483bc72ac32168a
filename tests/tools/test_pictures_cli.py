"""floodvalley-frames --format png|y4m as a user runs it: file names and sizes, the video
stream's layout, and every way a font file can be unusable (one line, status 2, no pictures)."""
import gzip
import os
from pathlib import Path

import pytest

from harness.tool_runs import expect_refusal, run

FONT = bytes([0x36, 0x04, 0x00, 0x08]) + b"".join(bytes([n]) * 8 for n in range(256))
CONSOLE_FONT = Path("/usr/share/consolefonts/Lat15-VGA8.psf.gz")
TALL = bytes([0x36, 0x04, 0x00, 0x10]) + bytes(4096)
UNUSABLE = {"cut.psf": FONT[:1000], "cut.psf.gz": gzip.compress(FONT, mtime=0)[:300],
            "empty.psf": b"", "text.psf": b"not a font at all\n", "tall.psf": TALL,
            "absent.psf": None}


@pytest.fixture
def font(tmp_path):
    """A plain 8x8 PSF1 font without unicode table: glyph n is eight bytes of value n."""
    (tmp_path / "test.psf").write_bytes(FONT)
    return tmp_path / "test.psf"


def pictures(paths, *args):
    done = run([paths.frames, *args])
    assert done.returncode == 0, f"{args} exited {done.returncode}: {done.stderr}"
    return done.stdout


def test_png_files_and_gzip_fonts(paths, font, tmp_path):
    assert len(FONT) == 2052
    (tmp_path / "test.psf.gz").write_bytes(gzip.compress(FONT))
    for name in ("test.psf", "test.psf.gz"):
        pictures(paths, "--format", "png", "--out", tmp_path / name[5:], "--font",
                 tmp_path / name, "--fps", "10", "--seconds", "1", "--every", "5")
    files = sorted(os.listdir(tmp_path / "psf"))
    assert files == ["frame-00000.png", "frame-00005.png", "frame-00010.png"], files
    header = (tmp_path / "psf/frame-00005.png").read_bytes()[:24].hex()
    assert header == "89504e470d0a1a0a0000000d494844520000028000000190", f"png header: {header}"
    assert (tmp_path / "psf/frame-00010.png").read_bytes() == \
        (tmp_path / "psf.gz/frame-00010.png").read_bytes(), "gzip font draws differently"


def test_default_font(paths, tmp_path):
    assert os.access(CONSOLE_FONT, os.R_OK), \
        f"the console font {CONSOLE_FONT} is not installed (tools/setup/ensure-packages pictures)"
    pictures(paths, "--format", "png", "--out", tmp_path, "--fps", "1", "--seconds", "0")
    picture = tmp_path / "frame-00000.png"
    assert picture.exists() and picture.stat().st_size > 0, "default font wrote no picture"


@pytest.mark.parametrize("name", UNUSABLE)
def test_unusable_fonts(paths, tmp_path, name):
    if UNUSABLE[name] is not None:
        (tmp_path / name).write_bytes(UNUSABLE[name])
    expect_refusal([paths.frames, "--format", "png", "--out", tmp_path / "bad", "--font",
                    tmp_path / name, "--fps", "1", "--seconds", "1"], message=str(tmp_path / name))
    assert not (tmp_path / "bad").exists() or not os.listdir(tmp_path / "bad"), \
        f"{name}: pictures were written"


def test_a_tall_fonts_error_gives_its_size(paths, tmp_path):
    (tmp_path / "tall.psf").write_bytes(TALL)
    expect_refusal([paths.frames, "--format", "y4m", "--font", tmp_path / "tall.psf", "--fps",
                    "1", "--seconds", "1"], message="8x16")


@pytest.mark.parametrize("args", ["--format png", "--out {work}/x", "--font {font}",
                                  "--format y4m", "--format png --out"])
def test_options_that_do_not_fit_together(paths, font, tmp_path, args):
    expect_refusal([paths.frames, *args.format(work=tmp_path, font=font).split()])


def test_y4m_layout(paths, font):
    video = pictures(paths, "--format", "y4m", "--font", font, "--fps", "30", "--seconds", "1",
                     "--every", "3")
    first_line = b"YUV4MPEG2 W640 H400 F30:3 Ip A1:1 C444 XCOLORRANGE=LIMITED\n"
    assert video.startswith(first_line), f"y4m header: {video[:80]}"
    frame = b"FRAME\n" + bytes(3 * 640 * 400)
    assert len(video) == len(first_line) + 11 * len(frame), \
        f"y4m size {len(video)}, expected 11 frames (0, 3, ..., 30)"
    last = video[len(first_line) + 10 * len(frame):]
    assert last.startswith(b"FRAME\n"), "the last frame does not start with FRAME"


def test_a_full_disk_is_a_failure(paths, font):
    with open("/dev/full", "wb") as full:
        done = run([paths.frames, "--format", "y4m", "--font", font, "--fps", "1", "--seconds",
                    "1"], stdout=full)
    assert done.returncode == 1, f"writing y4m to a full disk exited {done.returncode}, not 1"
