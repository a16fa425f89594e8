"""The simulated radio's normal mode, boot mode and faults, driven as the utility would."""
import os
import signal
import struct
import time

import pytest

from simdrive import IMAGE, PROGRAM, boot_steps, drive

BOOT = {"personality": "radio", "start_in": "boot",
        "boot": {"program_file": str(PROGRAM), "image_file": str(IMAGE)}}


def boot(faults=(), **config):
    return {**BOOT, "boot": {**BOOT["boot"], **config}, "faults": list(faults)}


def _block(steps, b):
    """The steps of block b alone."""
    kinds = ("command", "ready", "chunk", "checksum")
    return {k: v for k, v in steps.items() if k.startswith(kinds) and k.split(":")[1] == str(b)}


@pytest.mark.parametrize("at, out, recorded", [
    ("command:1", b"\x57\x01", "5701"),
    ("ready:1", struct.pack(">II", 0x2000, 0x1000), "0000200000001000"),
    ("ready:1", struct.pack(">II", 0x1000, 0x800), "0000100000000800"),
    ("checksum:0", b"\x11\x00", "00"),
], ids=["command", "address", "size", "checksum"])
def test_refused_with_nak_then_block_accepted_again(start, at, out, recorded):
    steps = boot_steps()
    steps[at] = (out, b"\x15")
    sim = start(BOOT)
    assert drive(sim, steps, until=at)[:2] == (at, b"\x15")
    block = int(at.split(":")[1])
    assert drive(sim, _block(boot_steps(), block)) is None
    radio = sim.stop()["radio"]["boot"]
    assert [(e["block"], e["got"]) for e in radio["errors"]] == [(block, recorded)]
    assert [b["checksum_ok"] for b in radio["blocks"] if b["index"] == block] == (
        [False, True] if at.startswith("checksum") else [True])


@pytest.mark.parametrize("at, fault, reply, seconds, then", [
    ("burst:1", {"kind": "silence"}, b"", 1.0, b""),  # the whole wait; silent from then on
    ("confirm", {"kind": "wrong", "value": "a5"}, b"\xa5", 0.0, b"\x06"),
    ("program:7", {"kind": "double"}, b"\x06\x06", 0.0, b"\x06"),
    ("erase", {"kind": "late", "delay_ms": 400}, b"\xaa", 0.7, b"\x06"),
    ("command:1", {"kind": "flood"}, 1000, 0.0, b"\x11"),
    ("ready:2", {"kind": "hangup"}, b"", 0.0, None),
    ("chunk:3:5", {"kind": "signal", "delay_ms": 200}, b"\x11", 0.2, b"\x11"),
], ids=lambda v: v["kind"] if isinstance(v, dict) else None)
def test_fault_at_one_step(start, tmp_path, at, fault, reply, seconds, then):
    flag = tmp_path / "cancel"
    if fault["kind"] == "signal":
        fault = {**fault, "flag_file": str(flag)}
    steps = boot_steps()
    sim = start(boot([{"at": at, **fault}]))
    name, got, took = drive(sim, steps, until=at)
    got += sim.read(4096, 0.1)  # the rest of a flood
    assert (name, len(got) if isinstance(reply, int) else got) == (at, reply)
    assert took == pytest.approx(seconds, abs=0.1)
    assert flag.exists() == (fault["kind"] == "signal")
    following = list(steps)[list(steps).index(at) + 1]
    assert drive(sim, {following: steps[following]}, until=following, timeout=0.3)[1] == then
    assert [(f["at"], f["kind"]) for f in sim.stop()["radio"]["faults"]] == [(at, fault["kind"])]


@pytest.mark.parametrize("normal, fault, sent, answer, span_ms", [
    ({}, None, ";;;TY;", "TY120;", 0),
    ({"reply": "TY121;"}, None, ";;;TY;", "TY121;", 0),
    ({"busy": [60, 60], "reply_after_ms": 80}, None, ";;;TY;", "?;?;TY120;", 200),
    ({"pieces": [["TY1", 0], ["20;", 100]]}, None, ";;;TY;", "TY120;", 100),
    ({"extra": [["XY7;", 30]]}, None, ";;;TY;", "XY7;TY120;", 30),
    ({"silent": True}, None, ";;;TY;", "", None),
    ({}, None, ";ID;;TY;", "?;TY120;", 0),
    ({}, {"kind": "late", "delay_ms": 150}, ";;;TY;", "TY120;", 150),
    ({"busy": [50]}, {"kind": "double"}, ";;;TY;", "?;TY120;TY120;", 50),
])
def test_normal_mode_answers(start, normal, fault, sent, answer, span_ms):
    faults = [{"at": "query", **fault}] if fault else []
    sim = start({"personality": "radio", "normal": normal, "faults": faults})
    os.write(sim.fd, sent.encode())
    assert sim.read(len(answer) or 1, timeout=0.4) + sim.read(64, 0.05) == answer.encode()
    report = sim.stop()
    assert report["radio"]["normal"]["commands"] == [c for c in sent.split(";") if c]
    sent_t = report["from_radio"]["t_ms"]
    span = sent_t[-1] - report["to_radio"]["t_ms"][-1] if sent_t else None
    assert span == (None if span_ms is None else pytest.approx(span_ms, abs=15))


def test_signals_switch_between_the_modes(start):
    sim = start({"personality": "radio", "normal": {"busy": [200]}})
    os.write(sim.fd, b";;;TY;")
    time.sleep(0.05)  # the query is in; its "?;" is due at 200 ms
    for _ in range(2):  # the second time after the bit rate was matched: from scratch again
        sim.proc.send_signal(signal.SIGUSR1)
        time.sleep(0.2)  # past the time of that "?;"
        assert drive(sim, {"burst:1": (bytes(10), b"\x00")}) is None
    sim.proc.send_signal(signal.SIGUSR2)  # S1 off again: normal mode answers the query
    time.sleep(0.05)
    os.write(sim.fd, b";;;TY;")
    assert sim.read(8, timeout=0.6) == b"?;TY120;"  # the same busy radio, from scratch
    report = sim.stop()
    radio = report["radio"]
    assert (radio["mode"], radio["switches"], radio["normal"]["commands"]) == ("normal", 3, ["TY"])
    assert (radio["boot"]["bursts"], radio["boot"]["errors"]) == (1, [])
    assert report["from_radio"]["hex"] == "0000" + b"?;TY120;".hex()  # the first "?;" died with its mode
    assert [e["what"] for e in report["events"]].count("mode switch") == 3
