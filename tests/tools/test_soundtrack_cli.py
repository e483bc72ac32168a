"""floodvalley-soundtrack as the build runs it: the same file every time, excerpts, and a clear
one-line error with a non-zero status for bad use."""
import pytest

from harness.tool_runs import expect_refusal, expect_success


def test_the_same_bytes_every_time_and_excerpts(paths, tmp_path):
    expect_success([paths.soundtrack, tmp_path / "again.mp3"])
    built = paths.track.read_bytes()
    assert (tmp_path / "again.mp3").read_bytes() == built, f"a new render is not {paths.track}"
    assert not (tmp_path / "again.mp3.partial").exists(), "temporary file left behind"
    assert built[0] == 0xFF and built[1] >= 0xF0, f"not an MPEG audio stream: {built[:2].hex()}"
    expect_success([paths.soundtrack, "--raw", "--from", "10", "--seconds", "0.5", tmp_path / "x"])
    size = (tmp_path / "x").stat().st_size
    assert size == 22050 * 4, f"raw excerpt has {size} bytes, not half a second of 16-bit stereo"


@pytest.mark.parametrize("args, message", [
    ("", "no output file"),
    ("--loud out.mp3", "unknown option --loud"),
    ("--from soon out.mp3", "not a number of seconds: soon"),
    ("out.mp3 --seconds", "missing value after --seconds"),
    ("--from 70 --seconds 10 out.mp3", "within the track"),
    ("a.mp3 b.mp3", "more than one output"),
])
def test_usage_errors(paths, tmp_path, args, message):
    expect_refusal([paths.soundtrack, *args.split()], message=message, one_line=False,
                   cwd=tmp_path)
    assert not list(tmp_path.iterdir()), "a refused run wrote a file"


def test_an_unwritable_output_fails(paths, tmp_path):
    expect_refusal([paths.soundtrack, tmp_path / "no/such/dir/x.mp3"], status=1,
                   message="cannot create")
