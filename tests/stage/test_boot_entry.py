"""Boot-mode entry: bursts of 0x00 until one is answered, then 0x55 -> 0xAA. (Faults at
each step: test_faults.py.)"""
import pytest

from rig.radio import zk4100

BURST = "00" * 10


@pytest.mark.parametrize("answer_burst, sent, result", [
    (3, BURST * 3 + "55", 1),
    (None, BURST * 5, 0),
], ids=["third-burst", "silent"])
def test_enter_boot_mode(stage, answer_burst, sent, result):
    radio, host = stage(zk4100(boot={"answer_burst": answer_burst}))
    reply = host.on_open_port("boot")[0]
    assert reply["result"] == result
    assert reply["display"] == []  # nothing on the screen changes
    wire = radio.stop()["to_radio"]
    assert wire["hex"] == sent
    # An unanswered burst is followed by the next one when the 200 ms time-out is over (the
    # radio's clock sees each burst a little late, some more than others).
    starts = [wire["t_ms"][10 * burst] for burst in range(sent.count(BURST))]
    assert all(150 <= later - earlier <= 600 for earlier, later in zip(starts, starts[1:]))


def test_an_answer_that_came_while_a_box_was_open_counts(stage):
    # A box the operator reads (held 600 ms, three time-outs) opens at the wait's first pump;
    # the answer comes 150 ms in, in time, while the time-out fires inside the box's loop.
    radio, host = stage(zk4100(faults=[{"at": "burst:1", "kind": "late", "delay_ms": 150}]))
    reply = host.on_open_port(("hold-boxes", 600), ("about-after", 0), "boot")[-1]
    assert reply["result"] == 1
    assert len(reply["boxes"]) == 1  # the box read meanwhile
    assert radio.stop()["to_radio"]["hex"] == BURST + "55"  # no second burst
