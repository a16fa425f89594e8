"""The window as an operator meets it: keys, the About box, help, and what a run allows.
(The window menu, idle and busy, is seen in-process: tests/unit/WindowTest.cpp.)"""
import time

from rig import wine
from rig.programs import click, marker, press
from texts import CONNECTION, WRITING_MODE


def end_attempts(s):
    press("Escape")
    press("alt+F4")
    assert s.op("close")["ok"]


def test_esc_alt_f4_and_the_close_request_end_nothing_idle_or_busy(update):
    s = update(slow_identification=True)
    end_attempts(s)
    press("Return")  # Enter presses OK, the default button
    s.expect_box(CONNECTION, "OK")
    end_attempts(s)
    s.expect_box(WRITING_MODE, "Cancel")  # the run was not cut short ...
    s.expect_idle()
    assert s.utility.running()  # ... nor the program ended
    assert marker("read")["value"] == 3120
    # Exit as the button sends it: a click is input the operator cannot see arrive.
    assert s.op("post-command 1002")["ok"] and s.utility.wait(20) == 0  # while Exit does end it


def test_the_about_box_opens_over_the_idle_window(update):
    s = update()
    press("alt+space")  # the window menu by keyboard, then its last entry
    deadline = time.monotonic() + 5  # the key is handled in the program's own time
    while not s.state()["menu_mode"]:
        assert time.monotonic() < deadline
        time.sleep(0.05)
    press("Up")
    press("Return")
    box = s.op("wait-box 5000")
    assert (box["caption"], box["owner_is_main"], box["buttons"]) == ("About Haldren ZK-4100 Update", True, ["OK"])
    assert "Haldren ZK-4100 Update\nVersion 1.04" in box["statics"]
    s.answer("OK")
    assert s.op("boxes")["boxes"] == []


def test_help_asks_the_viewer_for_the_programs_help_file(update):
    s = update()
    click(s.op, 57670)
    deadline, texts = time.monotonic() + 20, []
    while not any("ZK4100Update.HLP" in t for t in texts):  # the viewer names the file it was asked for
        assert time.monotonic() < deadline, texts
        time.sleep(0.2)
        texts = [t for w in s.op("windows")["windows"] for t in w["statics"]]
    assert any(f"\\build\\{wine.arch()}\\ZK4100Update.HLP" in t for t in texts)
    assert s.state()["exists"]
    wine.run("taskkill", "/F", "/IM", "winhlp32.exe", check=False)  # it outlives the program
