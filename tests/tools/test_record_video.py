"""tools/record-video on a one-second run: a playable MP4 with the soundtrack muxed in, a silent
one with a note when there is no soundtrack, and clear refusals of bad options."""
import os

import pytest

from harness.tool_runs import expect_refusal, expect_success, need_tool

QUIET = ["-hide_banner", "-loglevel", "error", "-nostdin"]
STREAMS = ["-show_entries", "stream=codec_type,codec_name,width,height"]


def ffmpeg(program, *args):
    return expect_success([need_tool(program, "pictures"), *args]).stdout


def probe(video, *query):
    return ffmpeg("ffprobe", "-v", "error", *query, "-of", "csv=p=0", video).decode().split()


def record(paths, *args, refused=False):
    env = {**os.environ, "FLOODVALLEY_FRAMES": str(paths.frames)}
    if refused:
        return expect_refusal([paths.script, *args], env=env)
    return expect_success([paths.script, "--seconds", "1", *args], env=env).stderr.decode()


def test_with_the_soundtrack(paths, tmp_path):
    # A 3-second tone stands in for the soundtrack; the video cuts it to the run's length.
    ffmpeg("ffmpeg", *QUIET, "-f", "lavfi", "-i", "sine=frequency=440:duration=3", "-c:a",
           "libmp3lame", tmp_path / "tone.mp3")
    record(paths, "--soundtrack", tmp_path / "tone.mp3", tmp_path / "a.mp4")
    streams = probe(tmp_path / "a.mp4", *STREAMS)
    assert streams == ["h264,video,640,400", "aac,audio"], streams
    frames = probe(tmp_path / "a.mp4", "-count_frames", "-select_streams", "v:0",
                   "-show_entries", "stream=nb_read_frames")
    assert frames == ["61"], f"expected 61 frames (0 s to 1 s at 60 fps), got {frames}"
    sound = probe(tmp_path / "a.mp4", "-select_streams", "a:0", "-show_entries", "stream=duration")
    assert 0.9 < float(sound[0]) < 1.2, f"sound lasts {sound} s, not the run's 1.017 s"


def test_silent_without_a_soundtrack_from_the_starting_flag(paths, tmp_path):
    note = record(paths, "--soundtrack", tmp_path / "absent.mp3", tmp_path / "a.mp4")
    streams = probe(tmp_path / "a.mp4", *STREAMS)
    assert streams == ["h264,video,640,400"], streams
    assert f"no soundtrack at {tmp_path / 'absent.mp3'}" in note, f"no note: {note}"
    rgb = ffmpeg("ffmpeg", *QUIET, "-i", tmp_path / "a.mp4", "-frames:v", "1", "-f", "rawvideo",
                 "-pix_fmt", "rgb24", "-")
    # Red glyphs on red and green glyphs on green keep their hue whatever the glyph, so one
    # pixel tells, even after lossy encoding: within 60 of either shade in every channel.
    for y, where, shades in ((20, "top right", "red"), (380, "bottom right", "green")):
        seen = rgb[(y * 640 + 600) * 3:(y * 640 + 600) * 3 + 3]
        wanted = [(v, 0, 0) if shades == "red" else (0, v, 0) for v in (200, 128)]
        assert any(all(abs(s - w) < 60 for s, w in zip(seen, c)) for c in wanted), \
            f"{where} is not {shades}: {tuple(seen)}"


@pytest.mark.parametrize("args", ["", "--seconds", "--seconds x {w}/a.mp4", "--crf 99 {w}/a.mp4",
                                  "--bogus {w}/a.mp4", "{w}/a.mp4 {w}/b.mp4",
                                  "--font {w}/absent.psf {w}/a.mp4"])
def test_refusals(paths, tmp_path, args):
    record(paths, *args.format(w=tmp_path).split(), refused=True)
    assert not (tmp_path / "a.mp4").exists(), "a refused run left a file"
