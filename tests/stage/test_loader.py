"""Loader transfer: the write control program byte by byte, then the erase result."""
import pathlib

import pytest

from stagehost import on_open_port
from rig.radio import payload_file, zk4100

PROGRAM = pathlib.Path(payload_file("ZK_WRITE_CONTROL_PROGRAM", "sample-write-control-program.bin")).read_bytes()
BOOT_BYTES = 11  # one burst and 0x55 before the program


def load(stage, boot=None, faults=None, abort_first=False):
    radio, host = stage(zk4100(boot=boot, faults=faults))
    replies = on_open_port(host, "boot", *(["abort"] if abort_first else []), "load", "link-state")
    assert replies[0]["result"] == 1
    reply, reply["link"] = replies[-2], replies[-1]
    return reply, radio.stop()


def test_sends_the_program_byte_by_byte_and_shows_its_progress(stage):
    reply, report = load(stage)
    assert reply["result"] == 1
    wire = report["to_radio"]
    assert bytes.fromhex(wire["hex"])[BOOT_BYTES:] == PROGRAM
    assert PROGRAM[:2] == b"\x05\x9a" and len(PROGRAM) == 1436
    # Each byte goes out only after the answer to the one before it has come.
    sent = wire["t_ms"][BOOT_BYTES:]
    answers = report["from_radio"]["t_ms"][2:]  # after the burst's 0x00 and the 0xAA
    assert all(answer <= later for answer, later in zip(answers, sent[1:]))

    display = reply["display"]
    percents = [i * 100 // 1436 + 1 for i in range(1436)]
    assert [v for kind, v in display if kind == "pos"] == percents + [100]
    assert [v for kind, v in display if kind == "range"] == [100]
    assert [v for kind, v in display if kind == "percent"] == [f"{p}%" for p in sorted(set(percents))]
    assert percents[14] == 1 and percents[15] == 2 and percents[-1] == 100
    assert [v for kind, v in display if kind == "status"] == [
        "Loading a Write Control Program...", "Deleting the Old Firmware Program..."]
    # On success the reader runs again over an empty ring.
    assert reply["link"]["reader"] and not reply["link"]["unread"]


@pytest.mark.parametrize("after_program, result", [
    ([["06aa", 0], ["00", 200]], 1),  # answer and erase result together: decided without reading again
    ([["0600", 0], ["aa", 200]], 0),  # together, but not 0xAA: fails without waiting for more
    ([["06", 0], ["00aa", 300]], 1),  # one byte, then only the last byte of the next read counts
    ([["06", 0], ["aa00", 300]], 0),
    ([["0611aa", 0], ["aa", 300]], 1),  # three bytes: another read follows
    ([["0611aa", 0]], 0),  # ... and none comes within 1,000 ms
    ([["06", 0], ["aa", 1500]], 0),  # the erase takes too long
], ids=["together-aa", "together-other", "next-read-00aa", "next-read-aa00", "three-then-aa", "three-alone",
        "slow-erase"])
def test_erase_result(stage, after_program, result):
    reply, report = load(stage, boot={"after_program": after_program})
    assert reply["result"] == result
    assert reply["link"]["reader"] == (result == 1)


def test_an_unanswered_byte_ends_the_transfer(stage):
    reply, report = load(stage, faults=[{"at": "program:5", "kind": "silence"}])
    assert reply["result"] == 0
    assert report["to_radio"]["count"] == BOOT_BYTES + 6
    assert not reply["link"]["reader"]


def test_an_abort_pressed_before_sends_one_byte_and_stops(stage):
    reply, report = load(stage, abort_first=True)
    assert reply["result"] == 0
    assert report["to_radio"]["count"] == BOOT_BYTES + 1
    assert ["percent", "1%"] in reply["display"]


def test_an_answer_that_came_while_a_box_was_open_counts(stage):
    # The first byte's answer comes 400 ms in; a box opens 100 ms in and is read for 1.5 s,
    # while the 1,000 ms time-out fires inside its loop.
    radio, host = stage(zk4100(faults=[{"at": "program:0", "kind": "late", "delay_ms": 400}]))
    replies = on_open_port(host, "boot", "hold-boxes 1500", "about-after 100", "load")
    assert replies[-1]["result"] == 1
    assert [box["caption"] for box in replies[-1]["boxes"]] == ["About Haldren ZK-4100 Update"]
    assert radio.stop()["radio"]["boot"]["program"]["matches"]
