"""An install for one user as the README shows it, cmake --install of a build with --prefix
~/.local (here under a HOME of the test's own): every file lands where docs/packaging.md puts
it under that prefix and nothing lands anywhere else, and ~/.local/games/floodvalley, started
from the home directory, runs the demo with its soundtrack."""
import os
import subprocess

from harness.pty import assert_ended_cleanly
from conftest import install_build, sound_env, sound_played

ICON_SIZES = (16, 32, 48, 64, 128, 256)
# docs/packaging.md's table with /usr as the prefix; outside a release the licence is LICENSE,
# and the sound module lies beside the demo, where the demo looks first (docs/tools.md).
DOCUMENTED = {
    "games/floodvalley",
    "lib/games/floodvalley/floodvalley",
    "lib/games/floodvalley/floodvalley-sound.so",
    "share/games/floodvalley/TEVDRONE.MP3",
    "bin/floodvalley-frames",
    "share/man/man6/floodvalley.6.gz",
    "share/man/man1/floodvalley-frames.1.gz",
    "share/applications/floodvalley.desktop",
    "share/doc/floodvalley/README.md",
    "share/doc/floodvalley/LICENSE",
} | {f"share/icons/hicolor/{n}x{n}/apps/floodvalley.png" for n in ICON_SIZES}


def documents(source_dir):
    """The README's documents and pictures: docs/ of the sources, under the doc directory."""
    return {f"share/doc/floodvalley/{path.relative_to(source_dir)}"
            for path in (source_dir / "docs").rglob("*") if path.suffix in (".md", ".png")}


def test_install_for_one_user(paths, pty_run, tmp_path):
    home = tmp_path.resolve() / "home"  # as /proc tells the demo's folder
    home.mkdir()
    prefix = home / ".local"
    installed = install_build(paths.build_dir, prefix)
    outside = [str(path) for path in installed if not path.is_relative_to(prefix)]
    assert not outside, f"installed outside {prefix}"
    landed = {str(path.relative_to(prefix)) for path in installed if not path.is_dir()}
    assert landed == DOCUMENTED | documents(paths.source_dir)
    version = subprocess.run([prefix / "bin/floodvalley-frames", "--version"], capture_output=True)
    assert version.returncode == 0 and version.stdout.startswith(b"floodvalley")
    sound = tmp_path / "sound.raw"
    run = pty_run([prefix / "games/floodvalley"], sound_env(sound, HOME=str(home)), home)
    run.start_demo()
    assert os.readlink(f"/proc/{run.pid}/cwd") == str(prefix / "share/games/floodvalley")
    run.until(lambda: sound_played(sound), "the soundtrack plays")
    status = run.end_by_key()
    assert_ended_cleanly(run, status)
