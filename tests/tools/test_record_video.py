"""tools/record-video on a one-second run: a playable MP4 with the soundtrack muxed in, a silent
one with a note when there is no soundtrack, and clear refusals of bad options."""
import os

import pytest

from harness.tool_runs import expect_refusal, need_tool, run


def ffprobe(video, *query):
    done = run([need_tool("ffprobe", "pictures"), "-v", "error", *query, "-of", "csv=p=0", video])
    assert done.returncode == 0, f"ffprobe {video}: {done.stderr}"
    return done.stdout.decode().split()


def streams(video):
    return ffprobe(video, "-show_entries", "stream=codec_type,codec_name,width,height")


def with_frames_tool(paths):
    return {**os.environ, "FLOODVALLEY_FRAMES": str(paths.frames)}


def record(paths, *args):
    done = run([paths.script, "--seconds", "1", *args], env=with_frames_tool(paths))
    assert done.returncode == 0, f"record-video {args} exited {done.returncode}: {done.stderr}"
    return done.stderr.decode()


@pytest.fixture
def tone(tmp_path):
    """A 3-second tone stands in for the soundtrack; the video cuts it to the run's length."""
    done = run([need_tool("ffmpeg", "pictures"), "-hide_banner", "-loglevel", "error", "-nostdin",
                "-f", "lavfi", "-i", "sine=frequency=440:duration=3", "-c:a", "libmp3lame",
                tmp_path / "tone.mp3"])
    assert done.returncode == 0, f"could not make a test soundtrack: {done.stderr}"
    return tmp_path / "tone.mp3"


def test_with_the_soundtrack(paths, tmp_path, tone):
    video = tmp_path / "with-sound.mp4"
    record(paths, "--soundtrack", tone, video)
    assert streams(video) == ["h264,video,640,400", "aac,audio"], streams(video)
    frames = ffprobe(video, "-count_frames", "-select_streams", "v:0", "-show_entries",
                     "stream=nb_read_frames")
    assert frames == ["61"], f"expected 61 frames (0 s to 1 s at 60 fps), got {frames}"
    seconds = float(ffprobe(video, "-select_streams", "a:0", "-show_entries",
                            "stream=duration")[0])
    assert 0.9 < seconds < 1.2, f"sound lasts {seconds} s, not the run's 1.017 s"


def pixel(rgb, x, y):
    return tuple(rgb[(y * 640 + x) * 3:(y * 640 + x) * 3 + 3])


def is_like(seen, *wanted):
    """Within 60 of one of the WANTED colours in every channel: red glyphs on red and green on
    green keep their hue whatever the glyph, so one pixel tells, even after lossy encoding."""
    return any(all(abs(s - w) < 60 for s, w in zip(seen, colour)) for colour in wanted)


def test_silent_without_a_soundtrack_from_the_starting_flag(paths, tmp_path):
    video = tmp_path / "silent.mp4"
    note = record(paths, "--soundtrack", tmp_path / "absent.mp3", video)
    assert streams(video) == ["h264,video,640,400"], streams(video)
    assert f"no soundtrack at {tmp_path / 'absent.mp3'}" in note, f"no note: {note}"
    first = run([need_tool("ffmpeg", "pictures"), "-hide_banner", "-loglevel", "error",
                 "-nostdin", "-i", video, "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24",
                 "-"]).stdout
    top, bottom = pixel(first, 600, 20), pixel(first, 600, 380)
    assert is_like(top, (200, 0, 0), (128, 0, 0)), f"top right is not red: {top}"
    assert is_like(bottom, (0, 200, 0), (0, 128, 0)), f"bottom right is not green: {bottom}"


@pytest.mark.parametrize("args", ["", "--seconds", "--seconds x {w}/a.mp4", "--crf 99 {w}/a.mp4",
                                  "--bogus {w}/a.mp4", "{w}/a.mp4 {w}/b.mp4",
                                  "--font {w}/absent.psf {w}/a.mp4"])
def test_refusals(paths, tmp_path, args):
    expect_refusal([paths.script, *args.format(w=tmp_path).split()], env=with_frames_tool(paths))
    assert not (tmp_path / "a.mp4").exists(), "a refused run left a file"
