"""Opening, sending and receiving over a pseudo-terminal that plays the radio."""
import time

import pytest

from rig.programs import BOX, marker, record
from texts import CONNECTION, OK_BUTTON, PORT_FAILED, as_seen, boxes_for


@pytest.mark.parametrize("flow", [
    {"crtscts": True, "ixon": False, "ixoff": False},
    {"crtscts": True, "ixon": True, "ixoff": True},
    {"crtscts": False, "ixon": False, "ixoff": False},
])
def test_open_sets_9600_8n1_without_xon_xoff_and_keeps_hardware_flow_control(stage, flow):
    # A pty always reports 8 data bits without parity, so the line starts at
    # 19200 with two stop bits to show that speed and stop bits are set.
    radio, host = stage({"line": {"baud": 19200, "stop_bits": 2, **flow}})
    assert host("open")["result"] == 1
    host("close")
    line = radio.stop()["line"]
    assert line == {"baud": 9600, "data_bits": 8, "parity": "none", "stop_bits": 1, **flow, "ixon": False,
                    "ixoff": False}


def test_bytes_travel_both_ways_unchanged(stage):
    every_byte = bytes(range(256))
    reply = bytes(range(255, 55, -1))  # 200 bytes: what the ring can hold at once
    radio, host = stage({"script": [{"expect": every_byte.hex(), "reply": reply.hex()}]})
    assert host("ports")["items"] == ["COM1"]
    assert host("open")["result"] == 1
    host("start-reader")
    assert host("send", every_byte)["result"] == 1
    assert host("wait", 3000, reply, 0, [])["result"] == 1  # these bytes exactly, in time
    host("stop-reader")
    host("close")
    report = radio.stop()
    assert report["to_radio"]["hex"] == every_byte.hex()
    assert report["script"]["done"]


def test_a_port_that_vanished_after_listing_fails_to_open(stage):
    radio, host = stage()
    listed = host("ports")
    assert (listed["items"], listed["selection"], listed["boxes"]) == (["COM1"], 0, [])
    radio.stop()
    opened = host("open")
    assert (opened["result"], as_seen(opened["boxes"])) == (0, boxes_for(PORT_FAILED))


def test_a_write_the_line_never_takes_or_refuses_fails_saying_so(stage):
    radio, host = stage()
    assert host("open")["result"] == 1
    radio.freeze()  # the other side reads no more: the pseudo-terminal fills, then takes nothing
    for _ in range(1000):  # 128 KB: far more than the line holds
        asked = time.monotonic()
        sent = host("send", bytes(128), timeout=30)  # a write that hangs leaves the host silent
        # A healthy write returns at once; this one waited out the write time-out (2 s and more).
        if sent["result"] == 0 or time.monotonic() - asked > 1.5:
            break
    timed_out = (BOX, host("system-text", 1460)["text"], "exclamation", OK_BUTTON)  # ERROR_TIMEOUT
    assert (sent["result"], as_seen(sent["boxes"])) == (0, [timed_out])
    host("close")
    sent = host("send", b"\x55")  # a write that fails outright (no port: an invalid handle) says why too
    assert (sent["result"], as_seen(sent["boxes"])) == (0, [(BOX, host("system-text", 6)["text"], *timed_out[2:])])
    # The line still full when a run identifies the radio: its query meets the same, and the run
    # ends there, saying so.
    marker("create")
    assert as_seen(host("update")["boxes"]) == boxes_for(CONNECTION) + [timed_out]
    run = record()
    assert run[run.index("writing 6 bytes: the port took 0") + 1:][:2] == [
        f"writing to the port failed: {timed_out[1].strip()}", "identification failed at the query: sending failed"]
    marker("clear")
