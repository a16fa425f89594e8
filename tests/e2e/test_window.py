"""The window as a person at the keyboard meets it: Help, no port to list or no common
controls to show it, and no multimedia timer for a run. (Keys that end nothing and Exit:
test_update.py; the window menu and its About box, idle and busy, in-process:
tests/stage/test_window_menu.py.)"""

import pytest

from rig.programs import BOX, MAIN, copy_program, marker, pages_shown, press, until
from rig.radio import zk4100


@pytest.mark.parametrize("cut", [False, True], ids=["whole", "cut-short"])
def test_help_opens_the_update_procedure_in_the_browser_unless_its_page_is_damaged(update, tmp_path, cut):
    program = copy_program(tmp_path)
    procedure = tmp_path / "help/procedure.html"  # the main window's topic
    if cut:  # as a download or a copy that stopped half way leaves it
        procedure.write_bytes(procedure.read_bytes()[:-100])
    s = update(program=program)
    press("alt+h")
    if cut:
        s.answer(caption=program.stem)  # "Failed to launch help.", captioned with the program's name
        assert pages_shown() == []
    else:
        assert until(pages_shown, 20, "a page asked of the browser") == [procedure]


# No port (the box's text: in-process, tests/stage/conftest.py); no common controls in the system
# folder, said before any window is made, captioned with the program's name; no multimedia timer
# there: a run goes on without its 1 ms timer, and its record says so.
@pytest.mark.parametrize("ports, overrides, caption, owner", [
    ((), "", BOX, MAIN), ((), "comctl32=", "ZK4100Update", ""), ((1,), "winmm=", None, None)],
    ids=["no-port", "no-common-controls", "no-timer-dll"])
def test_without_ports_or_the_common_controls_it_says_so_and_ends_without_the_timer_a_run_goes_on(
        session, ports, overrides, caption, owner):
    marker("create", "3120")  # a radio identified here: the run begins at the writing-mode prompt
    session.start(ports=ports, scenario=zk4100(start_in="boot"), dll_overrides=overrides)
    if caption:
        session.answer(caption=caption, owner=owner)
        assert session.utility.wait(20) == 0
    else:
        session.start_run()
        for _ in range(3):  # the writing-mode prompt, "Completed!", the normal-mode instructions
            session.answer()
        assert [e for e in session.run_said() if e.startswith("hold began") and "no 1 ms timer" in e]
        assert session.radios[1].stop()["radio"]["boot"]["flash_matches"]
        assert session.exit() == 0
    marker("clear")
