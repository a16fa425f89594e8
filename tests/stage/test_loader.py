"""Loader transfer: the write control program byte by byte, then the erase result. (Faults
at each step: test_faults.py.)"""

import pytest

from rig.programs import record
from rig.radio import SAMPLE_PROGRAM, zk4100
from texts import OK_BUTTON, as_seen

PROGRAM = SAMPLE_PROGRAM.read_bytes()
BOOT_BYTES = 11  # one burst and 0x55 before the program


def load(stage, boot=None, faults=None):
    radio, host = stage(zk4100(boot=boot, faults=faults))
    replies = host.on_open_port("boot", "load", "state")
    assert replies[0]["result"] == 1
    reply, reply["link"] = replies[-2], replies[-1]
    return reply, radio.stop()


def test_sends_the_program_byte_by_byte_and_shows_its_progress(stage):
    reply, report = load(stage)
    assert reply["result"] == 1
    wire = report["to_radio"]
    assert bytes.fromhex(wire["hex"])[BOOT_BYTES:] == PROGRAM
    # Each byte goes out only after the answer to the one before it has come.
    sent = wire["t_ms"][BOOT_BYTES:]
    answers = report["from_radio"]["t_ms"][2:]  # after the burst's 0x00 and the 0xAA
    assert all(answer <= later for answer, later in zip(answers, sent[1:]))

    display = reply["display"]
    positions = [v for kind, v in display if kind == "pos"]
    # After byte 0, 14, 15 and 1,435; then 100 while the old firmware is deleted.
    assert (positions[0], positions[14], positions[15], positions[1435:]) == (1, 1, 2, [100, 100])
    texts = [v for kind, v in display if kind == "percent"]
    assert (texts[0], texts[1], texts[-1]) == ("1%", "2%", "100%")
    assert [v for kind, v in display if kind == "status"] == [
        "Loading a Write Control Program...", "Deleting the Old Firmware Program..."]
    # On success the reader runs again over an empty ring.
    assert reply["link"]["reader"] and not reply["link"]["unread"]


@pytest.mark.parametrize("after_program, result", [
    ([["06aa", 0], ["00", 200]], 1),  # answer and erase result together: decided without reading again
    ([["0600", 0], ["aa", 200]], 0),  # together, but not 0xAA: fails without waiting for more
    ([["06", 0], ["aa00", 300]], 0),  # one byte, then only the last byte of the next read counts
], ids=["together-aa", "together-other", "next-read-aa00"])
def test_erase_result(stage, after_program, result):
    reply, report = load(stage, boot={"after_program": after_program})
    assert (reply["result"], reply["link"]["reader"]) == (result, result == 1)


@pytest.mark.parametrize("boot, faults, silent_from", [
    (None, [{"at": "program:5", "kind": "silence"}], BOOT_BYTES + 5),  # a program byte unanswered
    ({"after_program": [["06", 0]]}, None, BOOT_BYTES + len(PROGRAM) - 1),  # no erase result
], ids=["answer", "erase-result"])
def test_gives_up_a_second_after_the_last_byte_or_answer(stage, boot, faults, silent_from):
    reply, report = load(stage, boot=boot, faults=faults)
    assert reply["result"] == 0
    # The stage's time less the part that the radio saw answered.
    answered_ms = report["from_radio"]["t_ms"][-1] - report["to_radio"]["t_ms"][BOOT_BYTES]
    if faults:  # the silent byte was sent, not answered
        answered_ms = report["to_radio"]["t_ms"][silent_from] - report["to_radio"]["t_ms"][BOOT_BYTES]
    assert 900 <= reply["ms"] - answered_ms <= 2000


def test_an_answer_that_came_while_a_box_was_open_counts(stage):
    # The first byte's answer comes 400 ms in; a box opens 100 ms in and is read for 2.5 s,
    # while the 1,000 ms time-out fires inside its loop.
    radio, host = stage(zk4100(faults=[{"at": "program:0", "kind": "late", "delay_ms": 400}]))
    replies = host.on_open_port("boot", ("hold-boxes", 2500), ("about-after", 100), "load")
    assert replies[-1]["result"] == 1
    assert len(replies[-1]["boxes"]) == 1  # the box read meanwhile
    assert radio.stop()["radio"]["boot"]["program"]["matches"]


def test_a_read_short_of_what_the_port_had_queued_shows_test_and_the_record_says_so(stage):
    radio, host = stage(zk4100())
    replies = host.on_open_port(("record", "COM1"), "boot", ("short-reads", 1), "load")
    assert replies[2]["result"]  # the driver's next read, the first answer's, gives nothing
    # Captioned with the program's name, an OK button and no icon.
    assert as_seen(replies[-1]["boxes"])[0] == ("stage_host", "Test", "none", OK_BUTTON)
    assert 'loader transfer: 1 bytes queued, the reads gave 0 (last read: ); message "Test"' in record()
