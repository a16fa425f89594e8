"""The window as an operator meets it: keys, the window menu and its About box,
help, and what a run allows and refuses."""
import time

from rig.programs import marker
from texts import CONNECTION, PROMPT_BUTTONS, WRITE_FAILED, WRITING_MODE

ABOUT_CAPTION = "About Haldren ZK-4100 Update"


def in_identification(update):
    """A run that waits in identification (busy radio) with the connection prompt accepted."""
    s = update(slow_identification=True)
    s.start_run()
    s.expect_box(CONNECTION, PROMPT_BUTTONS)
    s.answer("OK")
    return s


def test_enter_while_idle_starts_a_run(update):
    s = update()
    assert s.op("key enter")["ok"]
    s.expect_box(CONNECTION, PROMPT_BUTTONS)
    s.answer("Cancel")
    s.expect_idle()


def test_right_after_a_start_enter_presses_cancel(update):
    s = in_identification(update)
    state = s.state()
    assert state["focus"] == 1001
    assert {i: state["controls"][i]["enabled"] for i in ("1000", "1001", "1002", "1003", "1006", "57670")} == {
        "1000": False, "1001": True, "1002": False, "1003": False, "1006": True, "57670": True}
    assert s.op("key enter")["ok"]
    s.expect_box(WRITING_MODE, PROMPT_BUTTONS)  # identification does not look at the abort
    s.enter_writing_mode()
    s.expect_box(WRITE_FAILED)  # ... the loader does, at its first byte
    s.answer("OK")
    s.expect_idle()
    assert s.radio.stop()["radio"]["boot"]["program"]["received"] == 1


def test_esc_alt_f4_and_the_close_request_do_not_end_a_run(update):
    s = in_identification(update)
    for action in ("key esc", "key alt+f4", "close"):
        assert s.op(action)["ok"]
    s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
    s.answer("Cancel")
    s.expect_idle()
    assert s.utility.running()
    assert marker("read")["value"] == 3120  # the run was not cut short


def open_about_box(s):
    """The window menu by keyboard, then its last entry."""
    assert s.op("key alt+space")["ok"]
    assert s.state()["menu_mode"]
    assert s.op("key up")["ok"] and s.op("key enter")["ok"]


def test_the_about_box_opens_over_the_idle_window(update):
    s = update()
    open_about_box(s)
    box = s.op("wait-box 5000")
    assert (box["caption"], box["owner_is_main"], box["buttons"]) == (ABOUT_CAPTION, True, ["OK"])
    assert "Haldren ZK-4100 Update\nVersion 1.04" in box["statics"]
    s.answer("OK")
    assert s.op("boxes")["boxes"] == []


def test_the_window_menu_stays_shut_during_a_run(update):
    s = in_identification(update)
    assert s.op("key alt+space")["ok"]
    assert not s.state()["menu_mode"]
    s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
    s.answer("Cancel")
    s.expect_idle()


def test_help_asks_the_viewer_for_the_programs_help_file(update):
    s = update()
    assert s.op("click 57670")["ok"]
    deadline, texts = time.monotonic() + 20, []
    while not any("ZK4100Update.HLP" in t for t in texts):  # the viewer names the file it was asked for
        assert time.monotonic() < deadline, texts
        time.sleep(0.2)
        texts = [t for w in s.op("windows")["windows"] for t in w["statics"]]
    assert any("\\build\\x86_64\\ZK4100Update.HLP" in t for t in texts)
    assert s.state()["exists"]


def test_a_help_viewer_that_cannot_start_is_reported(session):
    op = session.start(dll_overrides="winhlp32.exe=d")
    assert op("find 30000")["ok"]
    assert op("click 57670")["ok"]
    box = op("wait-box 10000")
    assert (box["caption"], box["text"], box["buttons"]) == ("ZK4100Update", "Failed to launch help.", ["OK"])
    session.answer("OK")
    assert session.state()["controls"]["1000"]["enabled"]
