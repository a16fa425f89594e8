"""The window as a person at the keyboard meets it: Help, no port to list or no common
controls to show it, and no multimedia timer for a run. (Keys that end nothing and Exit:
test_update.py; the window menu and its About box, idle and busy, in-process:
tests/stage/test_window_menu.py.)"""

import pytest

from rig.programs import BOX, MAIN, copy_program, pages_shown, press, until


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
    session.start(ports=ports, dll_overrides=overrides)
    if caption:
        session.answer(caption=caption, owner=owner)
        assert session.utility.wait(20) == 0
    else:
        session.start_run()
        session.answer("Escape")  # the run's first prompt
        assert [e for e in session.run_said() if "no 1 ms timer" in e]
        assert session.exit() == 0
