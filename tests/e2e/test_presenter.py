"""The presenter in a real terminal (tmux): after a frame the terminal comes to hold exactly the
canvas, cell for cell, glyph and colours, and black around it, in every layout (polled, as tmux
takes the bytes in its own time); and the demo makes no heap call at all from its first frame to
its last, its music's threads included."""
import shutil
import time

import pytest

from harness import cells
from harness.waiting import wait_for

CASES = 7  # the canvases floodvalley_present_check shows, one after the other


def canvas_of(path):
    """floodvalley_present_check's cells: "<glyph> <fg> <bg>" per canvas cell."""
    return [cells.Cell(line[0], *line[2:].split()) for line in path.read_text().split("\n")
            if line]


@pytest.mark.parametrize("size", [(80, 50), (100, 56), (171, 53), (41, 20)],
                         ids=["on_a_screen_of_its_size", "when_centred", "in_double_width",
                              "fitted_when_smaller"])
def test_picture_is_exact(pane, paths, tmp_path, size):
    pane.start(f"env -u COLORTERM '{paths.present_check}' '{tmp_path}' 2>'{tmp_path}/errors'",
               *size)
    for i in range(CASES):
        wait_for(lambda: (tmp_path / f"{i}.ready").exists(), f"no canvas {i}", 20)
        canvas = canvas_of(tmp_path / f"{i}.cells")
        assert len(canvas) == 4000, f"canvas {i} has {len(canvas)} cells"
        pane.expect_picture(cells.expected_screen(canvas, *size, "16"))
        (tmp_path / f"{i}.next").touch()


# The real demo with its music on SDL's disk driver (no sound device needed), run for a few
# seconds and ended by a key, under a preloaded counter of every heap call.
def test_no_heap_while_running(pane, paths, tmp_path):
    shutil.copy(paths.track, tmp_path / "TEVDRONE.MP3")
    pane.start(f"cd '{tmp_path}' && env LD_PRELOAD='{paths.heap_counter}' "
               f"FLOODVALLEY_HEAP_REPORT=heap SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=audio.raw "
               f"'{paths.demo}' 2>errors; sleep 30", 80, 50)
    pane.wait_for_state("#{alternate_on}", "1")
    time.sleep(2)  # some hundreds of frames
    pane.send_keys("q")
    report = wait_for(lambda: (tmp_path / "heap").exists() and
                      (tmp_path / "heap").read_text().split(), "no heap report")
    assert report[::2] == ["frames", "allocations", "frees"] and len(report) == 6, \
        f"the heap report is not 'frames N allocations N frees N': {report}"
    frames, allocations, frees = (int(n) for n in report[1::2])
    print(f"frames {frames}, allocations {allocations}, frees {frees}")
    assert frames >= 50, f"only {frames} frames were drawn"
    assert (tmp_path / "audio.raw").stat().st_size > 0, "the music did not play"
    assert (allocations, frees) == (0, 0), \
        f"{allocations} allocations and {frees} frees during {frames} frames"
