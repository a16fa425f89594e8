"""Block programming: the image in 12 blocks of acknowledged 128-byte chunks."""
import pathlib

import pytest

from stagehost import on_open_port
from rig import wine
from rig.radio import image_file, zk4100

IMAGE = pathlib.Path(image_file()).read_bytes()
BLOCKS = [(a, 0x1000) for a in range(0, 0x8000, 0x1000)] + [
    (0x08000, 0x8000), (0x10000, 0x10000), (0x20000, 0x10000), (0x30000, 0x10000)]


def block_start(index):
    """Offset of a block's command in what the utility sends (12 framing bytes, 129 per chunk)."""
    return sum(12 + size // 128 * 129 for _, size in BLOCKS[:index])


def chunk_end(block, chunk):
    """Offset just after a chunk's data (before the utility's 0x11 for it)."""
    return block_start(block) + 11 + (chunk + 1) * 129 - 1


def flash(stage, faults=(), abort=None):
    radio, host = stage(zk4100(boot={"start_erased": True}, faults=list(faults)))
    reply = on_open_port(host, *([abort] if abort else []), "flash")[-1]
    return reply, radio.stop()


def test_a_complete_write(stage):
    reply, report = flash(stage)
    assert reply["result"] == 1
    boot = report["radio"]["boot"]
    assert boot["flash_matches"] and boot["stage"] == "done" and not boot["errors"]
    assert (report["to_radio"]["count"], report["from_radio"]["count"]) == (264336, 2084)

    sent = bytes.fromhex(report["to_radio"]["hex"])
    eight = block_start(8)
    assert sent[eight:eight + 10] == bytes.fromhex("5700 00008000 00008000")
    assert sent[eight + 11:eight + 11 + 128] == IMAGE[0x08000:0x08080]
    # The checksum restarts with every block: the complement of that block's sum alone.
    sums = [sum(IMAGE[a:a + s]) & 0xFF for a, s in BLOCKS]
    assert [b["checksum"] for b in boot["blocks"]] == [~s & 0xFF for s in sums]
    assert all(b["checksum_ok"] for b in boot["blocks"])
    assert {0xFF, 0xCB} <= {b["checksum"] for b in boot["blocks"]}  # the all-0xFF and the 0x34 blocks

    display = reply["display"]
    ends = [a + 128 * (c + 1) for a, s in BLOCKS for c in range(s // 128 - 1)]  # all but a block's last chunk
    positions = [offset * 100 // 262143 for offset in ends]
    assert len(positions) == 2036
    assert [v for kind, v in display if kind == "pos"] == positions
    assert [positions[ends.index(o)] for o in (128, 4224, 65664, 196736, 262016)] == [0, 1, 25, 75, 99]
    texts = [v for kind, v in display if kind == "percent"]
    assert texts[0] == "0%" and texts[-1] == "100%" and texts[-2] == "99%"
    assert [v for kind, v in display if kind == "status"] == ["Transferring the new firmware..."]


@pytest.mark.parametrize("fault, last_sent", [
    ({"at": "chunk:0:3", "kind": "double"}, lambda: chunk_end(0, 3)),       # fails after 1,000 ms
    ({"at": "command:2", "kind": "wrong", "value": "00"}, lambda: block_start(2) + 2),  # no address sent
    ({"at": "ready:1", "kind": "late", "delay_ms": 1500}, lambda: block_start(1) + 10),
    ({"at": "checksum:1", "kind": "silence"}, lambda: block_start(2)),      # the next block is not opened
    ({"at": "chunk:9:7", "kind": "flood"}, lambda: chunk_end(9, 7)),
], ids=["double-ack", "command-refused", "late-ready", "checksum-unanswered", "flood"])
def test_a_wrong_reply_ends_the_write(stage, fault, last_sent):
    reply, report = flash(stage, faults=[fault])
    assert reply["result"] == 0
    assert report["to_radio"]["count"] == last_sent()


def test_abort_during_a_chunk_wait_stops_at_once(stage, tmp_path):
    flag = tmp_path / "chunk-waiting"
    # The radio holds its answer for 600 ms: an abort that waited for it would send the handshake.
    fault = {"at": "chunk:4:10", "kind": "signal", "flag_file": str(flag), "delay_ms": 600}
    reply, report = flash(stage, faults=[fault], abort=f"abort-on-file {wine.windows_path(flag)}")
    assert reply["result"] == 0
    assert report["to_radio"]["count"] == chunk_end(4, 10)


def test_abort_after_the_last_acknowledgement_is_not_seen(stage):
    reply, report = flash(stage, abort="abort-on-percent 100%")
    assert reply["result"] == 1
    assert report["radio"]["boot"]["flash_matches"]


def test_abort_between_chunks_stops_before_the_next(stage):
    reply, report = flash(stage, abort="abort-on-percent 5%")
    assert reply["result"] == 0
    # Stopped where the chunk that first showed 5% was answered and its 0x11 sent.
    offset = next(o for o in range(128, 262144, 128) if o * 100 // 262143 == 5)
    block = max(i for i, (address, _) in enumerate(BLOCKS) if address < offset)
    assert report["to_radio"]["count"] == chunk_end(block, (offset - BLOCKS[block][0]) // 128 - 1) + 1
