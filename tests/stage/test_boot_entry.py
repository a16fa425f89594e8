"""Boot-mode entry: bursts of 0x00 until one is answered, then 0x55 -> 0xAA."""
import pytest

from stagehost import on_open_port
from rig.radio import zk4100

BURST = "00" * 10


@pytest.mark.parametrize("boot, faults, sent, result", [
    ({"answer_burst": 3}, [], BURST * 3 + "55", 1),
    ({"answer_burst": None}, [], BURST * 5, 0),
    ({}, [{"at": "burst:1", "kind": "double"}], BURST, 0),              # 0x00 0x00 together
    ({}, [{"at": "burst:1", "kind": "wrong", "value": "ff"}], BURST, 0),
    ({}, [{"at": "confirm", "kind": "double"}], BURST + "55", 0),       # 0xAA with a second byte
    ({}, [{"at": "confirm", "kind": "late", "delay_ms": 400}], BURST + "55", 0),
], ids=["third-burst", "silent", "two-zeros", "wrong-byte", "aa-doubled", "aa-late"])
def test_enter_boot_mode(stage, boot, faults, sent, result):
    radio, host = stage(zk4100(boot=boot, faults=faults))
    reply = on_open_port(host, "boot")[0]
    assert reply["result"] == result
    assert reply["display"] == []  # nothing on the screen changes
    wire = radio.stop()["to_radio"]
    assert wire["hex"] == sent
    # An unanswered burst is followed by the next one only when 200 ms have passed.
    starts = [wire["t_ms"][10 * burst] for burst in range(sent.count(BURST))]
    assert all(190 <= later - earlier <= 1000 for earlier, later in zip(starts, starts[1:]))
