"""Whole updates through the window: prompts, identification, the registry marker,
the boot-mode stages, results, aborts, and the return to the idle window."""
import time

import pytest

from rig.programs import marker

CONNECTION = ("To start communication between the PC and ZK-4100: \n\n1. Switch off the ZK-4100 power.\n"
              "2. Connect the ZK-4100 to the PC using an RS-232C cable. \n3. Switch on the ZK-4100 power. \n\n"
              "When you are ready, click OK to continue.")
RIGHTS = "You need administrative privileges."
WRITING_MODE = ("To set the ZK-4100 to firmware writing mode: \n\n"
                "1. Remove the power supply cable from the ZK-4100.\n2. Remove the RS-232C cable from the ZK-4100.\n"
                "3. Remove the bottom cover of the ZK-4100.\n4. Turn the switch (S1) ON.\n"
                "5. Reconnect the RS-232C cable to the ZK-4100.\n6. Reconnect the power supply cable to the ZK-4100.\n\n"
                "When you are ready, click OK to start writing the new firmware.\n"
                "It takes about 7 minutes to write the new firmware.")
DETECTION_FAILED = "Could not detect the ZK-4100."
WRITE_FAILED = ("Failed!  The firmware has not been updated. \n\nRemove and reconnect the power supply cable.\n"
                "Then repeat the firmware writing step.")
COMPLETED = "Completed!  The firmware has been updated."
NORMAL_MODE = ("To return the ZK-4100 to normal mode: \n\n1. Remove the power supply cable from the ZK-4100.\n"
               "2. Remove the RS-232C cable from the ZK-4100.\n3. Turn the switch (S1) OFF.\n"
               "4. Reattach the bottom cover of the ZK-4100.\n5. Reconnect the power supply cable to the ZK-4100.\n"
               "6. Execute the FULL RESET function of the ZK-4100.")
PORT_FAILED = "Failed to open serial port."
IDLE_STATUS = "Select a serial port, then click OK to continue."
PROMPT_BUTTONS, OK_BUTTON = ["OK", "Cancel"], ["OK"]


def expect_box(session, text, buttons=OK_BUTTON):
    events, box = session.until_box()
    assert box is not None, "the run ended without a box"
    assert (box["caption"], box["text"], box["buttons"], box["owner_is_main"]) == (
        "ZK-4100 Update", text, buttons, True)
    return events


def expect_idle(session):
    """The run is over: the window is back in its idle state."""
    events, box = session.until_box()
    assert box is None, box
    state = session.state()
    controls = state["controls"]
    assert state["progress"]["pos"] == 0
    assert (controls["1007"]["text"], controls["1006"]["text"]) == (IDLE_STATUS, "")
    assert not controls["1009"]["visible"]
    assert {i: controls[i]["enabled"] for i in ("1000", "1001", "1002", "1003", "1006", "57670")} == {
        "1000": True, "1001": False, "1002": True, "1003": True, "1006": False, "57670": True}
    assert (state["focus"], state["default_id"]) == (1000, 1000)
    return events


def start_run(session):
    assert session.op("click 1000")["ok"]


def enter_writing_mode(session):
    """The person re-cables the radio with S1 on, then accepts the prompt."""
    session.radio.switch_to_boot()
    session.answer("OK")


def test_a_first_update_from_start_to_end(update):
    s = update(("create",))  # the key exists; "Data" does not yet
    start_run(s)
    expect_box(s, CONNECTION, PROMPT_BUTTONS)
    s.answer("OK")
    expect_box(s, WRITING_MODE, PROMPT_BUTTONS)
    assert marker("read") == {"key": True, "value": 3120}
    enter_writing_mode(s)
    events = expect_box(s, COMPLETED)
    statuses = [e["text"] for e in events if e["event"] == "status"]
    assert statuses[-3:] == ["Loading a Write Control Program...", "Deleting the Old Firmware Program...",
                             "Transferring the new firmware..."]
    assert [e["text"] for e in events if e["event"] == "percent"][-1] == "100%"
    assert s.state()["controls"]["1009"]["visible"]
    s.answer("OK")
    expect_box(s, NORMAL_MODE)
    assert s.state()["controls"]["1009"]["visible"]  # until the second box is dismissed
    s.answer("OK")
    expect_idle(s)
    radio = s.radio.stop()["radio"]
    assert radio["normal"]["commands"] == ["TY"]
    assert radio["boot"]["flash_matches"]


def test_an_identified_radio_goes_straight_to_the_writing_mode_prompt(update):
    s = update(("create", "3120"))
    start_run(s)
    expect_box(s, WRITING_MODE, PROMPT_BUTTONS)
    s.answer("Cancel")  # refused: the stored marker stays
    expect_idle(s)
    assert s.radio.stop()["radio"]["normal"]["commands"] == []
    assert marker("read")["value"] == 3120


@pytest.mark.parametrize("setup, after_identification, stored", [
    (("clear",), WRITING_MODE, {"key": False, "value": None}),  # nothing persists, nothing is said
    (("create", "77", "locked"), RIGHTS, {"key": True, "value": 77}),
], ids=["key-missing", "key-unwritable"])
def test_a_marker_that_cannot_be_stored(update, setup, after_identification, stored):
    s = update(setup)
    start_run(s)
    expect_box(s, CONNECTION, PROMPT_BUTTONS)
    s.answer("OK")
    if after_identification == RIGHTS:
        expect_box(s, RIGHTS)
        s.answer("OK")
    else:
        expect_box(s, WRITING_MODE, PROMPT_BUTTONS)
        s.answer("Cancel")
    expect_idle(s)
    assert marker("read") == stored


def test_refusing_the_connection_prompt_changes_nothing(update):
    s = update()
    before = s.state()
    start_run(s)
    expect_box(s, CONNECTION, PROMPT_BUTTONS)
    s.answer("Cancel")
    expect_idle(s)
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
    start_run(s)
    expect_box(s, CONNECTION, PROMPT_BUTTONS)
    s.answer("OK")
    if identified:
        expect_box(s, WRITING_MODE, PROMPT_BUTTONS)
        s.answer("Cancel")
    else:
        expect_box(s, DETECTION_FAILED)
        s.answer("OK")
    expect_idle(s)
    assert marker("read")["value"] == (3120 if identified else None)


@pytest.mark.parametrize("boot, faults, message", [
    ({"answer_burst": None}, [], DETECTION_FAILED),
    ({}, [{"at": "program:3", "kind": "silence"}], WRITE_FAILED),
    ({}, [{"at": "chunk:2:5", "kind": "silence"}], WRITE_FAILED),
], ids=["boot-entry", "loader", "blocks"])
def test_a_failure_in_writing_mode_keeps_the_marker(update, boot, faults, message):
    s = update(("create", "3120"), boot=boot, faults=faults)
    start_run(s)
    expect_box(s, WRITING_MODE, PROMPT_BUTTONS)
    enter_writing_mode(s)
    expect_box(s, message)
    assert s.state()["controls"]["1009"]["visible"]
    s.answer("OK")
    expect_idle(s)
    assert marker("read")["value"] == 3120


def test_cancel_during_identification_ends_the_run_at_the_loaders_first_byte(update):
    s = update(normal={"busy": [0, 150, 150, 150, 150]})  # identification takes about a second
    start_run(s)
    expect_box(s, CONNECTION, PROMPT_BUTTONS)
    s.answer("OK")
    assert s.op("click 1001")["ok"]
    expect_box(s, WRITING_MODE, PROMPT_BUTTONS)  # identification went on to its end
    enter_writing_mode(s)
    expect_box(s, WRITE_FAILED)
    s.answer("OK")
    expect_idle(s)
    assert s.radio.stop()["radio"]["boot"]["program"]["received"] == 1


def test_cancel_during_block_writing_ends_the_run(update):
    s = update(("create", "3120"))
    start_run(s)
    expect_box(s, WRITING_MODE, PROMPT_BUTTONS)
    enter_writing_mode(s)
    deadline = time.monotonic() + 60
    while s.state()["controls"]["1007"]["text"] != "Transferring the new firmware...":
        assert time.monotonic() < deadline
        time.sleep(0.05)
    assert s.op("click 1001")["ok"]
    expect_box(s, WRITE_FAILED)
    s.answer("OK")
    expect_idle(s)
    assert not s.radio.stop()["radio"]["boot"]["flash_matches"]


@pytest.mark.parametrize("opening", ["first", "second"])
def test_a_port_that_cannot_be_opened_ends_the_run(update, opening):
    s = update(("create", "3120"))
    if opening == "first":
        s.radio.stop()
        start_run(s)
    else:
        start_run(s)
        expect_box(s, WRITING_MODE, PROMPT_BUTTONS)
        s.radio.stop()
        s.answer("OK")
    events = expect_box(s, PORT_FAILED)
    s.answer("OK")
    events += expect_idle(s)
    assert not any(e["event"] == "caution" and e["visible"] for e in events)
