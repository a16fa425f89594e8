"""The window as a person at the keyboard meets it: Help, and no port to list or no common
controls to show it. (Keys that end nothing and Exit: test_update.py; the window menu and its
About box, idle and busy, in-process: tests/stage/test_window_menu.py.)"""
import re

import pytest

from rig import wine
from rig.programs import BOX, MAIN, press, until


def test_help_asks_the_viewer_for_the_programs_help_file(update, tmp_path):
    trace = tmp_path / "winhelp.txt"  # what the viewer tells of each request it gets
    s = update(debug="+winhelp", log=trace)
    press("alt+h")
    asked = until(lambda: re.search(r"Got\[\d+\]: cmd=(\d+) data=(\w+) fn=\"(.*)\"", trace.read_text()), 20,
                  "the viewer's trace of the request")
    # HELP_CONTEXT, the main window's context, and the file beside the program (the trace doubles "\\").
    assert (asked[1], asked[2], asked[3].replace("\\\\", "\\")) == (
        "1", "00020066", wine.windows_path(wine.exe_dir() / "ZK4100Update.HLP"))
    wine.run("taskkill", "/F", "/IM", "winhlp32.exe", check=False)  # it outlives the program


# No port (the box's text: in-process, tests/stage/conftest.py); no common controls in the system
# folder, said before any window is made, captioned with the program's name.
@pytest.mark.parametrize("overrides, caption, owner", [("", BOX, MAIN), ("comctl32=", "ZK4100Update", "")],
                         ids=["no-port", "no-common-controls"])
def test_without_ports_or_the_common_controls_it_says_so_and_ends(session, overrides, caption, owner):
    session.start(ports=(), dll_overrides=overrides)
    session.answer(caption=caption, owner=owner)
    assert session.utility.wait(20) == 0
