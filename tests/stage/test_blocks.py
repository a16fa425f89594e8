"""Block programming: the image in 12 blocks of acknowledged 128-byte chunks, and two copies of
the program writing two radios at once. (Faults at each step: test_faults.py.)"""
import concurrent.futures
import contextlib

import pytest

from radiosim.boot import BLOCKS, CHUNK
from rig.programs import StageHost, marker, message, record
from rig.radio import SAMPLE_IMAGE, Radio, payload_named, zk4100
from texts import COMPLETED

IMAGE = SAMPLE_IMAGE.read_bytes()


def block_start(index):
    """Offset of a block's command in what the utility sends (12 framing bytes, 129 per chunk)."""
    return sum(12 + size // CHUNK * (CHUNK + 1) for _, size in BLOCKS[:index])


def chunk_end(block, chunk):
    """Offset just after a chunk's data (before the utility's 0x11 for it)."""
    return block_start(block) + 11 + (chunk + 1) * (CHUNK + 1) - 1


def flash(stage, faults=(), abort=None):
    radio, host = stage(zk4100(boot={"start_erased": True}, faults=list(faults)))
    reply = host.on_open_port(*([abort] if abort else []), "flash")[-1]
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
    assert {0xFF, 0xCB} <= {b["checksum"] for b in boot["blocks"]}  # the all-0xFF and the 0x34 blocks

    # The figures a person sees: after chunk 1 of blocks 0, 1, 9 and 11, and after the last update.
    positions = [v for kind, v in reply["display"] if kind == "pos"]
    assert len(positions) == 2036  # every chunk but a block's last
    assert [positions[i] for i in (0, 31, 2036 - 3 * 511, 2036 - 511, -1)] == [0, 1, 25, 75, 99]
    texts = [v for kind, v in reply["display"] if kind == "percent"]
    assert texts[0] == "0%" and texts[-1] == "100%" and texts[-2] == "99%"
    assert [v for kind, v in reply["display"] if kind == "status"] == ["Transferring the new firmware..."]


def test_a_reply_that_never_comes_ends_the_write_a_second_later(stage):
    reply, report = flash(stage, faults=[{"at": "command:0", "kind": "silence"}])
    assert reply["result"] == 0
    assert 900 <= reply["ms"] <= 2000
    assert report["to_radio"]["count"] == 2  # nothing after the unanswered command


@pytest.mark.parametrize("at", ["5%", "100%"])
def test_abort_between_chunks_stops_before_the_next_but_after_the_last_acknowledgement_is_not_seen(stage, at):
    reply, report = flash(stage, abort=("abort-on-percent", at))
    assert ["percent", at] in reply["display"]  # the Cancel was pressed ...
    if at == "100%":  # ... and not looked at
        assert reply["result"] == 1 and report["radio"]["boot"]["flash_matches"]
        return
    assert reply["result"] == 0
    # Stopped where the chunk that first showed 5% was answered and its 0x11 sent.
    offset = next(o for o in range(CHUNK, len(IMAGE), CHUNK) if o * 100 // (len(IMAGE) - 1) == 5)
    block = max(i for i, (address, _) in enumerate(BLOCKS) if address < offset)
    assert report["to_radio"]["count"] == chunk_end(block, (offset - BLOCKS[block][0]) // CHUNK - 1) + 1


def test_two_copies_write_two_radios_at_once_each_run_whole_in_the_record():
    marker("create", "3120")
    lines = 300  # each copy's own before its run, all at once: the two copies' appends meet
    identified = "identification: reply TY120; accepted, after 0 busy replies"

    def lines_then_update(host, port):
        host("record", port)
        for _ in range(lines):
            host("identify", [[list(b"TY120;"), 0]])
        return host("update")
    with contextlib.ExitStack() as stack:
        hosts = []
        for port in (2, 1):  # each copy takes the first port it lists as it starts: COM2, then COM1
            stack.enter_context(Radio(zk4100(), port=port))
            hosts.append(stack.enter_context(StageHost()))
            hosts[-1]("ports")  # listed before the next port appears
        with concurrent.futures.ThreadPoolExecutor() as pool:
            list(pool.map(lines_then_update, hosts, ("COM2", "COM1")))
    marker("clear")
    events = record()
    starts, ends = ([i for i, e in enumerate(events) if e.startswith(word)] for word in ("run started", "run ended"))
    assert max(starts) < min(ends)  # at once
    for port in ("COM1", "COM2"):
        run = record(port)
        assert run.count(identified) == lines, (port, len(run) - run.count(identified))
        run = run[lines:]
        # Then the payload it carries, which support reads there: here the sample.
        assert run and run[0].startswith(f"run started: version 1.04, port {port},"), (port, run)
        assert run[0].split("; ")[1] == payload_named(), run[0]
        assert run[-1].startswith("run ended") and message(COMPLETED) in run, (port, run)
        assert sum(e.startswith("block ") for e in run) == len(BLOCKS), (port, run)
