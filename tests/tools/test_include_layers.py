"""The include-layer check fails on includes that point the wrong way (the old cycle between the
platform header and the canvas among them), passes on those that point down, and passes on the
tree itself."""
from harness.tool_runs import run

TREE = {
    "platform/platform.hpp": ["canvas/cell_canvas.hpp"],
    "canvas/present_canvas.cpp": ["platform/terminal/terminal_host.hpp"],
    "scene/captions.cpp": ["canvas/cell_canvas.hpp", "platform/console_records.hpp"],
    "tests/app/run_demo_test.cpp": ["app/run_demo.hpp", "platform/fake/fake_platform.hpp"],
}


def test_wrong_way_includes_are_found(paths, tmp_path):
    for name, includes in TREE.items():
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / name).write_text("".join(f'#include "{i}"\n' for i in includes))
    done = run([paths.checker, tmp_path])
    assert done.returncode != 0, "wrong-way includes were let through"
    assert done.stdout.decode() == (
        "canvas/present_canvas.cpp:1: canvas/ may not include platform/terminal/terminal_host.hpp\n"
        "platform/platform.hpp:1: platform/ may not include canvas/cell_canvas.hpp\n"), done.stdout


def test_the_tree_points_down(paths):
    done = run([paths.checker, paths.root])
    assert done.returncode == 0, f"the tree has includes that point the wrong way: {done.stdout}"
