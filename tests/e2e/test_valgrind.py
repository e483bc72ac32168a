"""The demo under valgrind's memcheck in a real terminal (tmux): the real app and terminal
back-end on a clock running eight times faster (test_clock.cpp, fast mode), so the whole 75-s
timeline (every scene, caption and the end rule) passes in about ten seconds. Two runs at once
(valgrind's start-up is slow, and the clock runs on regardless): one that ends by itself with the
music decoded and played on SDL's disk audio driver, one with the machine's own audio set-up
ended by a key. Each must end with status 0, no memcheck error, nothing definitely or indirectly
lost, and the terminal as it was. "Possibly lost" blocks are shown but not counted: ALSA keeps its
parsed configuration in a global cache that is never freed and is reached only through pointers
into its middle; SDL and glib keep still-reachable tables. None of that is the program's."""
import re
import shutil
import time

from harness.constants import DEMO_TITLE
from harness.tool_runs import need_tool


def start_run(pane, paths, env):
    shutil.copy(paths.track, pane.work / "TEVDRONE.MP3")
    before = pane.start_shell()
    pane.type_line(f"env FLOODVALLEY_CLOCK_MODE=fast {env} valgrind --error-exitcode=99 "
                   "--leak-check=full --show-leak-kinds=definite,indirect,possible "
                   f"--errors-for-leak-kinds=definite,indirect --suppressions='{paths.supp}' "
                   f"--log-file=memcheck.log '{paths.stepping_demo}'; echo EXIT=$?")
    return before


def expect_clean_run(pane, before, limit_s, key=None):
    pane.wait_for_text("^EXIT=", limit_s)
    if key:
        pane.erase_key_left_for_shell(key)
    log = (pane.work / "memcheck.log").read_text()
    details = "\n".join(line for line in log.splitlines() if not re.match(r"==\d+== *$", line))
    status = re.search(r"^EXIT=(\d+)", pane.text(), re.M).group(1)
    assert status == "0", f"exit status {status}:\n{details[:4000]}"
    assert "ERROR SUMMARY: 0 errors" in log, f"memcheck found errors:\n{details[:4000]}"
    assert re.search("definitely lost|All heap blocks were freed", log), "no leak summary"
    pane.expect_given_back(before)
    print(re.search("total heap usage: .*", log).group(0))


def test_whole_runs_under_memcheck(new_pane, paths):
    need_tool("valgrind", "analysis")
    whole, keyed = new_pane(), new_pane()
    whole_before = start_run(whole, paths, "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=capture.raw")
    keyed_before = start_run(keyed, paths, "X=1")
    for pane in (whole, keyed):
        pane.wait_for_state("#{alternate_on}", "1", 60)
        pane.wait_for_state("#{pane_title}", DEMO_TITLE, 60)
    time.sleep(2)  # some frames under memcheck before the key
    keyed.send_keys("x")
    expect_clean_run(keyed, keyed_before, 60, key="x")
    expect_clean_run(whole, whole_before, 120)
    captured = whole.work / "capture.raw"
    assert captured.exists() and captured.stat().st_size > 100000, "the music did not play"
