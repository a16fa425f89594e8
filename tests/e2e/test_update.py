"""Whole updates through the window: prompts, identification, the registry marker,
the boot-mode stages, results, aborts, and the return to the idle window."""
import time

import pytest

from rig.programs import marker
from texts import (COMPLETED, CONNECTION, DETECTION_FAILED, NORMAL_MODE, PORT_FAILED, PROMPT_BUTTONS, RIGHTS,
                   WRITE_FAILED, WRITING_MODE)


def test_a_first_update_from_start_to_end(update):
    s = update(("create",))  # the key exists; "Data" does not yet
    s.start_run()
    s.expect_box(CONNECTION, PROMPT_BUTTONS)
    s.answer("OK")
    s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
    assert marker("read") == {"key": True, "value": 3120}
    s.enter_writing_mode()
    events = s.expect_box(COMPLETED)
    statuses = [e["text"] for e in events if e["event"] == "status"]
    assert statuses[-3:] == ["Loading a Write Control Program...", "Deleting the Old Firmware Program...",
                             "Transferring the new firmware..."]
    assert [e["text"] for e in events if e["event"] == "percent"][-1] == "100%"
    assert s.state()["controls"]["1009"]["visible"]
    s.answer("OK")
    s.expect_box(NORMAL_MODE)
    assert s.state()["controls"]["1009"]["visible"]  # until the second box is dismissed
    s.answer("OK")
    s.expect_idle()
    radio = s.radio.stop()["radio"]
    assert radio["normal"]["commands"] == ["TY"]
    assert radio["boot"]["flash_matches"]


def test_an_identified_radio_goes_straight_to_the_writing_mode_prompt(update):
    s = update(("create", "3120"))
    s.start_run()
    s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
    s.answer("Cancel")  # refused: the stored marker stays
    s.expect_idle()
    assert s.radio.stop()["radio"]["normal"]["commands"] == []
    assert marker("read")["value"] == 3120


@pytest.mark.parametrize("setup, after_identification, stored", [
    (("clear",), WRITING_MODE, {"key": False, "value": None}),  # nothing persists, nothing is said
    (("create", "77", "locked"), RIGHTS, {"key": True, "value": 77}),
], ids=["key-missing", "key-unwritable"])
def test_a_marker_that_cannot_be_stored(update, setup, after_identification, stored):
    s = update(setup)
    s.start_run()
    s.expect_box(CONNECTION, PROMPT_BUTTONS)
    s.answer("OK")
    if after_identification == RIGHTS:
        s.expect_box(RIGHTS)
        s.answer("OK")
    else:
        s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
        s.answer("Cancel")
    s.expect_idle()
    assert marker("read") == stored


def test_refusing_the_connection_prompt_changes_nothing(update):
    s = update()
    before = s.state()
    s.start_run()
    s.expect_box(CONNECTION, PROMPT_BUTTONS)
    s.answer("Cancel")
    s.expect_idle()
    after = s.state()
    assert after["controls"] == before["controls"] and after["progress"] == before["progress"]
    assert s.radio.stop()["from_radio"]["count"] == 0
    assert marker("read")["value"] is None


@pytest.mark.parametrize("normal, identified", [
    ({}, True),
    ({"busy": [0, 150, 150, 150]}, True),  # each "?;" gives another 200 ms
    ({"pieces": [["TY1", 0], ["20;", 5]]}, True),  # an accepted reply in two pieces
    ({"silent": True}, False),
    ({"reply": "TY121;"}, False),  # position 4 is not '0'
], ids=["accepted", "busy-then-accepted", "split", "silent", "refused"])
def test_identification(update, normal, identified):
    s = update(normal=normal)
    s.start_run()
    s.expect_box(CONNECTION, PROMPT_BUTTONS)
    s.answer("OK")
    if identified:
        s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
        s.answer("Cancel")
    else:
        s.expect_box(DETECTION_FAILED)
        s.answer("OK")
    s.expect_idle()
    assert marker("read")["value"] == (3120 if identified else None)


@pytest.mark.parametrize("boot, faults, message", [
    ({"answer_burst": None}, [], DETECTION_FAILED),
    ({}, [{"at": "program:3", "kind": "silence"}], WRITE_FAILED),
    ({}, [{"at": "chunk:2:5", "kind": "silence"}], WRITE_FAILED),
], ids=["boot-entry", "loader", "blocks"])
def test_a_failure_in_writing_mode_keeps_the_marker(update, boot, faults, message):
    s = update(("create", "3120"), boot=boot, faults=faults)
    s.start_run()
    s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
    s.enter_writing_mode()
    s.expect_box(message)
    assert s.state()["controls"]["1009"]["visible"]
    s.answer("OK")
    s.expect_idle()
    assert marker("read")["value"] == 3120


def test_cancel_during_identification_ends_the_run_at_the_loaders_first_byte(update):
    s = update(slow_identification=True)
    s.start_run()
    s.expect_box(CONNECTION, PROMPT_BUTTONS)
    s.answer("OK")
    # What the Cancel button tells its dialog when clicked: under Wine a real click on
    # Cancel while a stage pumps its messages is now and then lost.
    assert s.op("post-command 1001")["ok"]
    s.expect_box(WRITING_MODE, PROMPT_BUTTONS)  # identification went on to its end
    s.enter_writing_mode()
    s.expect_box(WRITE_FAILED)
    s.answer("OK")
    s.expect_idle()
    assert s.radio.stop()["radio"]["boot"]["program"]["received"] == 1


def test_cancel_during_block_writing_ends_the_run(update):
    s = update(("create", "3120"), pace=115200)  # the blocks take some 20 s: time to press Cancel
    s.start_run()
    s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
    s.enter_writing_mode()
    deadline = time.monotonic() + 60
    while s.state()["controls"]["1007"]["text"] != "Transferring the new firmware...":
        assert time.monotonic() < deadline
        time.sleep(0.05)
    assert s.op("post-command 1001")["ok"]  # Cancel's own notification: see the test above
    s.expect_box(WRITE_FAILED)
    s.answer("OK")
    s.expect_idle()
    assert not s.radio.stop()["radio"]["boot"]["flash_matches"]


@pytest.mark.parametrize("opening", ["first", "second"])
def test_a_port_that_cannot_be_opened_ends_the_run(update, opening):
    s = update(("create", "3120"))
    if opening == "first":
        s.radio.stop()
        s.start_run()
    else:
        s.start_run()
        s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
        s.radio.stop()
        s.answer("OK")
    events = s.expect_box(PORT_FAILED)
    s.answer("OK")
    events += s.expect_idle()
    assert not any(e["event"] == "caution" and e["visible"] for e in events)


def test_a_help_box_read_during_a_chunk_wait_does_not_fail_the_write(update, tmp_path):
    # The radio holds back its 0x11 for a chunk 400 ms, well inside the 1,000 ms time-out,
    # and says when it begins; the operator presses Help then and reads its box for 3 s.
    flag = tmp_path / "holding"
    hold = {"at": "chunk:1:5", "kind": "signal", "flag_file": str(flag), "delay_ms": 400}
    s = update(("create", "3120"), faults=[hold], dll_overrides="winhlp32.exe=d")
    s.start_run()
    s.expect_box(WRITING_MODE, PROMPT_BUTTONS)
    s.enter_writing_mode()
    deadline = time.monotonic() + 60
    while not flag.exists():
        assert time.monotonic() < deadline
        time.sleep(0.01)
    assert s.op("post-command 57670")["ok"]  # what the Help button sends
    box = s.op("wait-box 5000")
    assert (box["caption"], box["text"]) == ("ZK4100Update", "Failed to launch help.")
    time.sleep(3)
    s.answer("OK")
    s.expect_box(COMPLETED)
    s.answer("OK")
    s.expect_box(NORMAL_MODE)
    s.answer("OK")
    s.expect_idle()
    assert s.radio.stop()["radio"]["boot"]["flash_matches"]
