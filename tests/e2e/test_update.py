"""Whole updates through the window: prompts, identification, the registry marker, a
Cancel and a second run, Help during a run, and ports that cannot be opened. (One fault at
each step of the writing is the stage layer's property, tests/stage/test_faults.py.)"""
import shlex
import shutil
import time

import pytest

from rig import wine
from rig.programs import click, marker, press
from rig.radio import zk4100
from texts import (COMPLETED, CONNECTION, DETECTION_FAILED, HELP_FAILED, NORMAL_MODE, PORT_FAILED, RIGHTS,
                   WRITE_FAILED, WRITING_MODE)


def test_a_cancel_then_a_second_run_that_completes(update, request):
    # A file where the record's folder belongs: no record can be kept, and the runs go as ever.
    blocker = wine.record_file().parent
    shutil.rmtree(blocker, ignore_errors=True)
    blocker.parent.mkdir(parents=True, exist_ok=True)
    blocker.write_bytes(b"")
    request.addfinalizer(blocker.unlink)
    s = update(slow_identification=True)  # the key exists; "Data" does not yet
    s.start_run()
    s.expect_box(CONNECTION, "OK")
    state = s.state()  # identifying: busy, and Enter now presses Cancel
    assert state["focus"] == 1001
    assert {i: state["controls"][i]["enabled"] for i in ("1000", "1001", "1002", "1003", "1006", "57670")} == {
        "1000": False, "1001": True, "1002": False, "1003": False, "1006": True, "57670": True}
    press("Return")
    s.expect_box(WRITING_MODE)  # identification does not look at the abort ...
    assert marker("read") == {"key": True, "value": 3120}
    s.enter_writing_mode()
    s.expect_box(WRITE_FAILED, "OK")  # ... the loader does, at its first byte
    s.expect_idle()
    assert s.radio.stop()["radio"]["boot"]["program"]["received"] == 1

    s.plug_radio(zk4100(start_in="boot"))  # the second run starts without the abort
    s.start_run()
    s.expect_box(WRITING_MODE, "OK")
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
    assert s.radio.stop()["radio"]["boot"]["flash_matches"]


def test_the_readme_way_back_for_a_stranded_radio_goes_straight_to_the_writing_mode_prompt(update):
    s = update(("clear",))  # no installer made the key: a failed write has stranded the radio
    command = next(line.strip() for line in (wine.ROOT / "README.md").read_text().splitlines()
                   if line.strip().startswith("reg add "))
    command = command.replace("/reg:32", wine.reg_view())  # the x86_64 stand-in reads the 64-bit view
    wine.reg(*shlex.split(command)[1:])  # after "reg"
    s.start_run()
    s.expect_box(WRITING_MODE, "Cancel")  # refused: the stored marker stays
    s.expect_idle()
    assert s.radio.stop()["radio"]["normal"]["commands"] == []
    assert marker("read")["value"] == 3120


@pytest.mark.parametrize("setup, after_identification, stored", [
    (("clear",), WRITING_MODE, {"key": False, "value": None}),  # nothing persists, nothing is said
    (("create", "77"), RIGHTS, {"key": True, "value": 77}),  # readable only
], ids=["key-missing", "key-unwritable"])
def test_a_marker_that_cannot_be_stored(update, request, setup, after_identification, stored):
    s = update(setup)
    if stored["key"]:
        assert s.op("marker-rights read")["ok"]
        request.addfinalizer(lambda: s.op("marker-rights all"))
    s.start_run()
    s.expect_box(CONNECTION, "OK")
    s.expect_box(after_identification, "OK" if after_identification == RIGHTS else "Cancel")
    s.expect_idle()
    assert marker("read") == stored


def test_refusing_the_connection_prompt_changes_nothing(update):
    s = update()
    before = s.state()
    s.start_run()
    s.expect_box(CONNECTION, "Cancel")
    s.expect_idle()
    after = s.state()
    assert after["controls"] == before["controls"] and after["progress"] == before["progress"]
    assert s.radio.stop()["to_radio"]["count"] == 0  # nothing was sent to it
    assert marker("read")["value"] is None


def test_a_refused_identification_stores_nothing(update):
    s = update(normal={"reply": "TY121;"})  # position 4 is not '0'
    s.start_run()
    s.expect_box(CONNECTION, "OK")
    s.expect_box(DETECTION_FAILED, "OK")
    s.expect_idle()
    assert marker("read")["value"] is None


def test_a_help_box_read_during_a_chunk_wait_does_not_fail_the_write(update, tmp_path):
    # The radio holds back its 0x11 for a chunk 400 ms, well inside the 1,000 ms time-out,
    # and says when it begins; the operator presses Help then and reads its box for 3 s.
    flag = tmp_path / "holding"
    hold = {"at": "chunk:1:5", "kind": "signal", "flag_file": str(flag), "delay_ms": 400}
    s = update(("create", "3120"), faults=[hold], dll_overrides="winhlp32.exe=d")
    s.start_run()
    s.expect_box(WRITING_MODE)
    s.enter_writing_mode()
    deadline = time.monotonic() + 60
    while not flag.exists():
        assert time.monotonic() < deadline
        time.sleep(0.01)
    assert s.op("post-command 57670")["ok"]  # what the Help button sends
    s.expect_box(HELP_FAILED, caption="ZK4100Update")
    time.sleep(3)
    s.answer("OK")
    s.expect_box(COMPLETED, "OK")
    s.expect_box(NORMAL_MODE, "OK")
    s.expect_idle()
    assert s.radio.stop()["radio"]["boot"]["flash_matches"]


def test_the_write_goes_to_the_port_picked(update):
    s = update(("create", "3120"), ports=(1, 2), start_in="boot")
    click(s.op, 1003)  # COM2 from the list
    press("Down")
    press("Return")
    assert s.state()["combo"] == {"items": ["COM1", "COM2"], "selection": 1}
    s.start_run()
    s.expect_box(WRITING_MODE, "OK")
    s.expect_box(COMPLETED, "OK")
    s.expect_box(NORMAL_MODE, "OK")
    s.expect_idle()
    assert s.radios[2].stop()["radio"]["boot"]["flash_matches"]
    assert s.radios[1].stop()["to_radio"]["count"] == 0


@pytest.mark.parametrize("opening", ["first", "second"])
def test_a_port_that_cannot_be_opened_ends_the_run(update, opening):
    s = update(("create", "3120"))
    if opening == "first":
        s.radio.stop()
        s.start_run()
    else:
        s.start_run()
        s.expect_box(WRITING_MODE)
        s.radio.stop()
        s.answer("OK")
    events = s.expect_box(PORT_FAILED)
    s.answer("OK")
    events += s.expect_idle()
    assert not any(e["event"] == "caution" and e["visible"] for e in events)
