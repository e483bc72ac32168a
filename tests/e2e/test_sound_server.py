"""The demo's sound through a real sound server, as users hear it: a private PulseAudio with a
null sink (harness/sound_server.py), which the demo finds the way every client does (no
SDL_AUDIODRIVER), and whose monitor is recorded while the demo runs on a pseudo terminal."""
import array
import math
import os
import re
import shutil
import subprocess

from harness.constants import CAPTION_WINDOWS
from harness.sound_server import record

KEY_AT_S = CAPTION_WINDOWS[-1][0] + 1.5  # after the last caption's accent
READING_CLOCK = {"FLOODVALLEY_CLOCK_MODE": "reading", "FLOODVALLEY_CLOCK_STEP": "50"}
LIBRARY_TEXT = re.compile(rb"(ALSA lib|CRITICAL|PulseAudio|jack server|Cannot connect).{0,60}")
SUPPRESSIONS = os.path.join(os.path.dirname(__file__), "sound_server.lsan.supp")


def client_env(*changes):
    """The demo's environment: no SDL_AUDIODRIVER, and a sanitized build's leak check leaving
    libpulse's own blocks alone without listing them at exit, on the terminal compared."""
    env = {name: value for name, value in os.environ.items() if name != "SDL_AUDIODRIVER"}
    lsan = [env["LSAN_OPTIONS"]] if env.get("LSAN_OPTIONS") else []
    env["LSAN_OPTIONS"] = ":".join(lsan + [f"suppressions={SUPPRESSIONS}", "print_suppressions=0"])
    for change in changes:
        env.update(change)
    return env


def run_folder(folder, track):
    folder.mkdir()
    shutil.copy(track, folder / "TEVDRONE.MP3")
    return folder


def rms(recording):
    samples = array.array("h", recording.read_bytes())
    return int(math.sqrt(sum(s * s for s in samples) / max(1, len(samples))))


def module_dir(build_dir):
    """Where the build's demo looks for its sound module when none lies beside it."""
    cache = (build_dir / "CMakeCache.txt").read_text()
    found = re.search(r"^FLOODVALLEY_MODULE_DIR:PATH=(.+)$", cache, re.M)
    assert found, f"no FLOODVALLEY_MODULE_DIR in {build_dir}/CMakeCache.txt"
    return found.group(1)


def test_accents_arrive_with_the_captions(paths, sound_server, tmp_path):
    """A run ended by a key 1.5 s into the last caption: the accents come with the captions
    (within 250 ms), the sound stops within 200 ms of the key (sound_check's bounds)."""
    out = run_folder(tmp_path / "heard", paths.track)
    record(paths.demo, out, KEY_AT_S, client_env(sound_server.env), sound_server.monitor)
    assert (out / "sound.raw").stat().st_size > 60 * 44100 * 4, "the recording is short"
    check = subprocess.run([paths.sound_check, out / "sound.raw", out / "times"],
                           capture_output=True, text=True)
    print(check.stdout + check.stderr)
    assert check.returncode == 0, f"the sound does not follow the picture:\n{check.stderr}"


def test_silent_without_any_sound_device(paths, sound_server, tmp_path):
    """The test-clock build through the server, then without its sound module, then with no
    server and no ALSA device: the same bytes on the terminal every time (the same frames, no
    library text), and silence without the module."""
    served = client_env(sound_server.env, READING_CLOCK)
    heard = run_folder(tmp_path / "heard", paths.track)
    record(paths.stepping_demo, heard, 0, served, sound_server.monitor)
    rms_heard = rms(heard / "sound.raw")
    assert rms_heard > 100, f"the run through the server was silent (RMS {rms_heard})"
    installed = os.path.join(module_dir(paths.build_dir), "floodvalley-sound.so")
    assert not os.path.exists(installed), f"a sound module is installed: {installed}"
    alone = tmp_path / "alone" / paths.stepping_demo.name
    alone.parent.mkdir()
    shutil.copy(paths.stepping_demo, alone)
    without_module = run_folder(tmp_path / "without_module", paths.track)
    record(alone, without_module, 0, served, sound_server.monitor)
    assert rms(without_module / "sound.raw") == 0, "sound without the sound module"
    (tmp_path / "no-devices.conf").write_bytes(b"")
    no_device = run_folder(tmp_path / "no_device", paths.track)
    record(paths.stepping_demo, no_device, 0, client_env(READING_CLOCK, {
        "PULSE_SERVER": f"unix:{tmp_path}/no-such-server",
        "ALSA_CONFIG_PATH": str(tmp_path / "no-devices.conf")}))
    shown = {folder.name: (folder / "output.bin").read_bytes()
             for folder in (heard, without_module, no_device)}
    assert len(shown["no_device"]) > 1000000, "the silent run drew too little"
    said = LIBRARY_TEXT.search(shown["no_device"])
    assert not said, f"library text reached the terminal: {said.group(0)!r}"
    differing = [name for name, output in shown.items() if output != shown["heard"]]
    assert not differing, f"the terminal got other bytes in the runs {differing}"
    print(f"figures: {len(shown['heard'])} bytes, the same with and without sound "
          f"(RMS {rms_heard} with)")
