"""The release artifacts as users get them, built by tools/make-dist (--path dist=build/dist,
--path page=the browser edition's page as the build made it):
  the Debian package: its fields and files, lintian, the menu entry, the manual pages, the icons
    and the page;
  installed with dpkg (root or password-less sudo only): a user's shell in tmux starts
    `floodvalley` from the home directory, with its title, picture and soundtrack, ending on q
    with status 0 and leaving the q for the shell, a kill reaching the demo itself; the installed
    page plays from file:// in headless Chromium; `dpkg --purge` leaves the file system as it
    was (the package is purged however the test ends);
  the Windows zip: its files, the page beside the executable, README.txt's line endings and the
    executable's import table."""
import gzip
import os
import re
import subprocess
import zipfile
from pathlib import Path

import pytest

from harness.constants import DEMO_TITLE, SOURCE_DIR
from harness.waiting import wait_for

VERSION = re.search(r"^project\(floodvalley VERSION ([0-9.]+)",
                    (SOURCE_DIR / "CMakeLists.txt").read_text(), re.M).group(1)
USER_PATH = "/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games"  # Debian's for users
SGR_RED = "\x1b[31m\x1b[101m"  # console 0xC4, red on bright red, as tmux shows it
SGR_GREEN = "\x1b[32m\x1b[102m"  # console 0xA2, green on bright green
PAGE_PATH = "/usr/share/games/floodvalley/floodvalley.html"
DEMO_PROGRAM = "/usr/lib/games/floodvalley/floodvalley"
DOC = "/usr/share/doc/floodvalley"
PICTURES = ("1-starting-flag 2-flood-under-way 3-first-caption 4-white-flood 5-caption-again "
            "6-caption-third-time 7-second-caption 8-third-caption 9-signature").split()
EXPECTED_FILES = sorted([
    "/usr/bin/floodvalley-frames", "/usr/games/floodvalley", DEMO_PROGRAM,
    "/usr/lib/games/floodvalley/floodvalley-sound.so",
    "/usr/share/applications/floodvalley.desktop",
    f"{DOC}/README.md", f"{DOC}/changelog.gz", f"{DOC}/copyright",
    *(f"{DOC}/docs/{name}.md" for name in "benchmarks browser packaging reliability terminal "
      "testing tools windows".split()),
    *(f"{DOC}/docs/pictures/{name}.png" for name in PICTURES),
    f"{DOC}/docs/pictures/web/browser-edition.png",
    "/usr/share/games/floodvalley/TEVDRONE.MP3", PAGE_PATH,
    *(f"/usr/share/icons/hicolor/{n}x{n}/apps/floodvalley.png" for n in (16, 32, 48, 64, 128, 256)),
    "/usr/share/lintian/overrides/floodvalley",
    "/usr/share/man/man1/floodvalley-frames.1.gz", "/usr/share/man/man6/floodvalley.6.gz"])
ZIP_TOP = f"floodvalley-{VERSION}-win32"


def output(*command, **options):
    """What COMMAND prints; a command that fails fails the test with what it said."""
    done = subprocess.run(command, capture_output=True, text=True, **options)
    assert done.returncode == 0, f"{' '.join(command)}: status {done.returncode}\n{done.stderr}"
    return done.stdout


@pytest.fixture
def deb(paths):
    return _given(paths.dist / f"floodvalley_{VERSION}_amd64.deb")


@pytest.fixture
def unpacked(deb, tmp_path):
    output("dpkg-deb", "-x", str(deb), str(tmp_path / "deb"))
    return tmp_path / "deb"


def _given(path):
    if not path.is_file():
        pytest.fail(f"no {path}: tools/make-dist builds it")
    return path


def field(deb, name):
    return output("dpkg-deb", "-f", str(deb), name).strip()


def listing(deb):
    """dpkg-deb -c's lines as (permissions, owner, path without the leading dot)."""
    return [(line.split()[0], line.split()[1], line.split()[5][1:])
            for line in output("dpkg-deb", "-c", str(deb)).splitlines()]


# --- The Debian package ------------------------------------------------------------------------

def test_control_fields(deb):
    assert field(deb, "Version") == VERSION
    assert field(deb, "Section") == "games"
    depends = field(deb, "Depends")  # computed from the programs' libraries, each with a version
    for name in ("libc6", "libsdl2-mixer-2.0-0", "libpng16-16", "zlib1g", "libstdc++6"):
        assert f"{name} (>= " in depends, f"no versioned {name} in Depends: {depends}"
    assert len(field(deb, "Description").splitlines()) >= 10, "no summary and long description"


def test_exactly_the_expected_files_root_owned_755_or_644(deb):
    entries = listing(deb)
    assert sorted(path for mode, _, path in entries if not mode.startswith("d")) == EXPECTED_FILES
    wrong = [entry for entry in entries if entry[1] != "root/root"
             or entry[0] not in ("drwxr-xr-x", "-rwxr-xr-x", "-rw-r--r--")]
    assert not wrong, f"expected root/root with 755 or 644, saw {wrong}"


def test_copyright_carries_the_licence(unpacked):
    copyright_ = (unpacked / DOC[1:] / "copyright").read_text().splitlines()
    starts = [i for i, line in enumerate(copyright_)
              if line == "License: Expat" and (i == 0 or copyright_[i - 1] == "")]
    assert starts, "no paragraph 'License: Expat' in the copyright file"
    text = [re.sub(r"^\.$", "", line.removeprefix(" ")) for line in copyright_[starts[0] + 1:]]
    assert text == (SOURCE_DIR / "LICENSE").read_text().splitlines()[4:]


def test_menu_entry_valid_and_in_a_terminal(unpacked):
    entry = unpacked / "usr/share/applications/floodvalley.desktop"
    output("desktop-file-validate", str(entry))
    assert "Terminal=true" in entry.read_text().splitlines(), \
        f"expected a line Terminal=true in the menu entry:\n{entry.read_text()}"


def test_manual_pages_render_without_warnings(unpacked):
    for page in sorted(unpacked.glob("usr/share/man/man*/*.gz")):
        groff = subprocess.run(["groff", "-ww", "-z", "-man"], input=gzip.decompress(
            page.read_bytes()), capture_output=True)
        man = subprocess.run(["man", "--warnings", "-l", str(page)], capture_output=True,
                             env={**os.environ, "LC_ALL": "C.UTF-8", "MANWIDTH": "80"})
        messages = (groff.stdout + groff.stderr + man.stderr).decode().strip()
        assert not messages, f"{page.name}: {messages}"


def test_manual_page_says_how_to_open_the_page(unpacked):
    shown = output("man", "-l", str(unpacked / "usr/share/man/man6/floodvalley.6.gz"),
                   env={**os.environ, "MANWIDTH": "80"})
    assert f"file://{PAGE_PATH}" in shown


@pytest.mark.parametrize("size", [16, 32, 48, 64, 128, 256])
def test_icon_has_the_size_its_directory_names(unpacked, size):
    icon = unpacked / f"usr/share/icons/hicolor/{size}x{size}/apps/floodvalley.png"
    assert f"PNG image data, {size} x {size}," in output("file", str(icon))


def test_the_page_is_the_one_the_build_made(paths, unpacked):
    built = paths.page.read_bytes()
    assert (unpacked / PAGE_PATH[1:]).read_bytes() == built, "the package's page differs"
    assert (paths.dist / "floodvalley.html").read_bytes() == built, "the release's page differs"


def test_lintian_no_error_and_no_warning(deb):
    """lintian's own status says whether it ran through (0 with info tags, 2 with errors or
    warnings); one that crashes or cannot read the package fails, whatever it printed."""
    done = subprocess.run(["lintian", "--display-info", "--fail-on", "error,warning", str(deb)],
                          capture_output=True, text=True)
    said = [line for line in (done.stdout + done.stderr).splitlines()
            if "running with root privileges" not in line]
    assert done.returncode == 0, f"lintian exited with status {done.returncode}:\n" + \
        "\n".join(said)


# --- Installed ---------------------------------------------------------------------------------

def dpkg(*arguments):
    """dpkg as root, trying again while another install holds its lock (apt on a shared
    machine)."""
    done = []

    def ran_unless_locked():
        done[:] = [subprocess.run([*as_root(), "dpkg", *arguments], capture_output=True,
                                  text=True)]
        return done[0].returncode == 0 or "lock" not in done[0].stdout + done[0].stderr
    wait_for(ran_unless_locked, f"dpkg {' '.join(arguments)} gets its lock", limit_s=900)
    return done[0]


def as_root():
    if os.getuid() == 0:
        return []
    try:
        sudo = subprocess.run(["sudo", "-n", "true"], capture_output=True).returncode
    except OSError as error:
        sudo = error
    if sudo != 0:
        pytest.fail(f"installing the package needs root or password-less sudo ({sudo})")
    return ["sudo", "-n"]


def known_to_dpkg():
    """Whether dpkg holds anything of the package: installed, half so, or its configuration."""
    status = subprocess.run(["dpkg-query", "-W", "-f=${db:Status-Status}", "floodvalley"],
                            capture_output=True, text=True).stdout
    return status not in ("", "not-installed")


def snapshot(deb):
    """The directories the package has files in, with what they hold, and dpkg's records of it.
    Desktop and icon caches are rewritten by other packages' triggers."""
    seen = set()
    for mode, _, directory in listing(deb):
        if mode.startswith("d") and os.path.isdir(directory):
            seen.add(directory)
            seen.update(str(entry) for entry in Path(directory).iterdir()
                        if entry.name not in ("mimeinfo.cache", "icon-theme.cache"))
    return sorted(seen | {str(p) for p in Path("/var/lib/dpkg/info").glob("floodvalley.*")})


@pytest.fixture
def installed(deb):
    """The package installed with dpkg -i; purged at the end whatever the test does. Gives the
    file system as it was before."""
    as_root()
    if known_to_dpkg():
        pytest.fail("floodvalley is already installed here: remove it first "
                    "(dpkg --purge floodvalley)")
    before = snapshot(deb)
    try:
        done = dpkg("-i", str(deb))
        assert done.returncode == 0, f"dpkg -i failed:\n{done.stdout}{done.stderr}"
        yield before
    finally:
        if known_to_dpkg():
            purged = dpkg("--purge", "floodvalley")
            assert purged.returncode == 0, f"could not purge floodvalley:\n{purged.stderr}"


def test_installed_then_purged(deb, installed, new_pane):
    assert output("man", "-w", "floodvalley").strip() == "/usr/share/man/man6/floodvalley.6.gz"
    assert output("floodvalley-frames", "--version").strip() == f"floodvalley-frames {VERSION}"
    check_installed_run(new_pane())
    output("node", str(SOURCE_DIR / "tests/packaging/open_page.mjs"), PAGE_PATH, DEMO_TITLE)
    done = dpkg("--purge", "floodvalley")
    assert done.returncode == 0, f"dpkg --purge failed:\n{done.stdout}{done.stderr}"
    assert not Path(PAGE_PATH).exists(), "the purge left the page"
    assert snapshot(deb) == installed, "the purge did not leave every directory as it was"


def check_installed_run(pane):
    """The demo started as `floodvalley` from a user's shell in the home directory, the sound
    going to a file through SDL's disk driver."""
    home, sound = pane.work / "home", pane.work / "sound.raw"
    home.mkdir()
    pane.start(f"env -i HOME='{home}' TERM=tmux-256color PATH='{USER_PATH}' PS1='$ ' "
               f"SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='{sound}' bash --norc --noprofile", 80, 50)
    pane.wait_for_text(r"^\$")
    pane.type_line("cd ~ && clear")
    pane.type_line('floodvalley; echo EXIT=$?; read -r -t 5 -n 1 key; echo; echo "KEY=[$key]"')
    pane.wait_for_state("#{pane_title}", DEMO_TITLE, limit_s=15)
    demo = the_demo(pane)
    assert os.readlink(f"/proc/{demo}/cwd") == "/usr/share/games/floodvalley"
    assert not (home / "TEVDRONE.MP3").exists(), "the home directory has a soundtrack"
    wait_for(lambda: flag_shown(pane.tmux("capture-pane", "-p", "-e").splitlines()),
             "the flag: red field in the top row, green in the bottom row")
    wait_for(lambda: sound_was_played(sound), f"more than 0.5 s of sound in {sound}")
    pane.send_keys("q")
    pane.wait_for_text(r"^KEY=")
    pane.wait_for_text(r"^EXIT=0$", limit_s=0)
    pane.wait_for_text(r"^KEY=\[q\]$", limit_s=0)
    # Killed, the demo dies of the signal and the shell sees it (143: SIGTERM).
    pane.type_line("clear; floodvalley; echo EXIT=$?")
    pane.wait_for_state("#{pane_title}", DEMO_TITLE, limit_s=15)
    os.kill(the_demo(pane), 15)
    pane.wait_for_text(r"^EXIT=")
    pane.wait_for_text(r"^EXIT=143$", limit_s=0)
    assert not children(pane), "a process is left in the pane"


def children(pane):
    shell = pane.state("#{pane_pid}")
    found = subprocess.run(["pgrep", "-P", shell], capture_output=True, text=True)
    return [int(pid) for pid in found.stdout.split()]


def the_demo(pane):
    """The one process the pane's shell runs: the demo itself, no launcher left."""
    running = children(pane)
    programs = [os.readlink(f"/proc/{pid}/exe") for pid in running]
    assert programs == [DEMO_PROGRAM], f"expected the shell to run {DEMO_PROGRAM}, saw {programs}"
    return running[0]


def flag_shown(rows):
    return len(rows) >= 50 and SGR_RED in rows[0] and SGR_GREEN in rows[49]


def sound_was_played(sound):
    """More than half a second of sound, and not all of it silence."""
    if not sound.exists() or sound.stat().st_size <= 100000:
        return False
    with sound.open("rb") as samples:
        return any(samples.read(1000000))


# --- The Windows zip ---------------------------------------------------------------------------

@pytest.fixture
def zip_top(paths, tmp_path):
    archive = _given(paths.dist / f"{ZIP_TOP}.zip")
    names = sorted(n for n in zipfile.ZipFile(archive).namelist() if not n.endswith("/"))
    expected = [f"{ZIP_TOP}/{name}" for name in ("LICENSE.txt", "README.txt", "TEVDRONE.MP3",
                                                 "floodvalley.exe", "floodvalley.html")]
    assert names == expected
    zipfile.ZipFile(archive).extractall(tmp_path / "zip")
    return tmp_path / "zip" / ZIP_TOP


def test_zip_readme_in_crlf_says_how_to_run(zip_top):
    lines = (zip_top / "README.txt").read_bytes().split(b"\n")
    assert lines[-1] == b"" and all(line.endswith(b"\r") for line in lines[:-1])
    text = (zip_top / "README.txt").read_text()
    assert "Double-click floodvalley.exe" in text
    assert "floodvalley.html is the same demo as one web page" in text


@pytest.mark.parametrize("name, packaged", [("TEVDRONE.MP3", "/usr/share/games/floodvalley/"
                                                             "TEVDRONE.MP3"),
                                            ("floodvalley.html", PAGE_PATH)])
def test_zip_file_is_the_debian_packages(zip_top, unpacked, name, packaged):
    assert (zip_top / name).read_bytes() == (unpacked / packaged[1:]).read_bytes()


def test_zip_a_32_bit_console_program_importing_only_system_dlls(zip_top):
    dump = output("i686-w64-mingw32-objdump", "-p", str(zip_top / "floodvalley.exe"))
    assert "file format pei-i386" in dump
    assert re.search(r"^Subsystem\s+00000003\s+\(Windows CUI\)", dump, re.M)
    dlls = sorted({name.upper() for name in re.findall(r"^\s*DLL Name: (\S+)", dump, re.M)})
    assert dlls == ["KERNEL32.DLL", "MSVCRT.DLL", "USER32.DLL", "WINMM.DLL"]
