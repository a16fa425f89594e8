"""Behaviour of the simulated radio, driven through the pty slave as the utility would."""
import json
import os
import signal
import subprocess
import termios
import time

import pytest

from simdrive import SIM

ALL = bytes(range(256))
BYTE_MS = 10000 / 9600


def line(**changes):
    return {"baud": 9600, "data_bits": 8, "parity": "none", "stop_bits": 1,
            "crtscts": False, "ixon": False, "ixoff": False, **changes}


def test_raw_mode_passes_every_byte_unchanged(start):
    sim = start({"script": [{"expect": ALL.hex(), "reply": ALL[::-1].hex()}]})
    os.write(sim.fd, ALL)
    assert sim.read(512, timeout=0.3) == ALL[::-1]  # nothing added, nothing echoed
    report = sim.stop()
    assert (report["to_radio"]["hex"], report["from_radio"]["hex"]) == (ALL.hex(), ALL[::-1].hex())
    assert report["script"] == {"done": True, "step": 1, "mismatch": None}


def _to_9600_1_stop(a):
    a[4] = a[5] = termios.B9600
    a[2] &= ~termios.CSTOPB


def _to_4800_2_stop_ixoff_crtscts(a):
    a[4] = a[5] = termios.B4800
    a[2] |= termios.CSTOPB | termios.CRTSCTS
    a[0] |= termios.IXOFF


@pytest.mark.parametrize("initial, change, final", [
    ({"baud": 19200, "stop_bits": 2, "crtscts": True, "ixon": True}, _to_9600_1_stop,
     line(crtscts=True, ixon=True)),
    ({}, _to_4800_2_stop_ixoff_crtscts, line(baud=4800, stop_bits=2, crtscts=True, ixoff=True)),
])
def test_line_settings_applied_and_watched(start, initial, change, final):
    sim = start({"line": initial})
    attrs = termios.tcgetattr(sim.fd)
    assert attrs[5] == getattr(termios, f"B{line(**initial)['baud']}")
    change(attrs)
    termios.tcsetattr(sim.fd, termios.TCSANOW, attrs)
    time.sleep(0.05)
    report = sim.stop()
    history = [{k: v for k, v in h.items() if k != "t_ms"} for h in report["line_history"]]
    assert (report["line"], history) == (final, [line(**initial), final])


@pytest.mark.parametrize("script, exchanges, result", [
    ([{"send": "4142"}, {"expect": "0a0b", "reply": "06", "after_ms": 5},
      {"expect_count": 3, "reply": "0d0a"}, {"expect": "55"}],
     [("", "4142"), ("0a0b", "06"), ("010203", "0d0a"), ("55", "")],
     {"done": True, "step": 4, "mismatch": None}),
    ([{"expect": "0a0b", "reply": "06"}, {"expect_count": 1, "reply": "07"}],
     [("0a0c", ""), ("0a0b", "")],
     {"done": False, "step": 0, "mismatch": {"step": 0, "got": "0a0c", "expected": "0a0b"}}),
    ([{"send": "41", "after_ms": 100}, {"expect": "0102", "reply": "06"}],  # early input kept
     [("0102", "4106")], {"done": True, "step": 2, "mismatch": None}),
])
def test_script_answers_and_mismatch(start, script, exchanges, result):
    sim = start({"script": script})
    for out, expected in exchanges:
        os.write(sim.fd, bytes.fromhex(out))
        assert sim.read(64, timeout=0.2).hex() == expected
    report = sim.stop()
    assert report["script"] == result
    assert report["to_radio"]["hex"] == "".join(out for out, _ in exchanges)
    assert report["from_radio"]["hex"] == "".join(exp for _, exp in exchanges)


@pytest.mark.parametrize("pace, byte_ms, tol, min_s, max_s", [
    (None, 0.0, 0.5, 0.0, 0.05),
    ("9600", BYTE_MS, 0.002, 0.095, 1.0),
])
def test_pacing_both_directions(start, pace, byte_ms, tol, min_s, max_s):
    script = [{"send": "00" * 96}, {"expect_count": 8, "reply": [["1111", 0], ["22", 20]]}]
    sim = start({"script": script}, *(["--pace", pace] if pace else []))
    t0 = time.monotonic()
    assert sim.read(96) == bytes(96)
    assert min_s <= time.monotonic() - t0 < max_s
    os.write(sim.fd, bytes(8))
    assert sim.read(3) == b"\x11\x11\x22"
    report = sim.stop()
    sent, got = report["from_radio"]["t_ms"], report["to_radio"]["t_ms"]
    gaps = [b - a for a, b in zip(sent[:95], sent[1:96])] + [sent[97] - sent[96]]
    gaps += [b - a for a, b in zip(got, got[1:])]
    assert gaps == pytest.approx([byte_ms] * 103, abs=tol)  # incl. the two-byte reply part
    assert sent[96] - got[7] == pytest.approx(byte_ms, abs=tol)  # answered on arrival
    assert sent[98] - sent[96] == pytest.approx(20, abs=2 * tol)


@pytest.mark.parametrize("sig, repoint", [(signal.SIGTERM, False), (signal.SIGINT, True)])
def test_link_replaced_and_removed_if_still_ours(start, tmp_path, sig, repoint):
    (tmp_path / "COM1").write_text("stale")
    sim = start({})
    if repoint:
        os.symlink("/dev/null", tmp_path / "other")
        os.replace(tmp_path / "other", sim.link)
    last_event = sim.stop(sig)["events"][-1]
    assert (last_event["what"], last_event["signal"]) == ("stop", sig)
    assert os.path.lexists(sim.link) == repoint


def test_hangup_ends_the_line(start):
    sim = start({"script": [{"send": "41"}, {"hangup": True, "after_ms": 200}]})
    assert sim.read(1) == b"A"
    assert sim.read(1) == b""  # EOF once hung up
    with pytest.raises(OSError):
        os.write(sim.fd, b"x")
    assert "hangup" in [e["what"] for e in sim.stop()["events"]]


@pytest.mark.parametrize("scenario", [
    {"script": [{"expect": "01", "expect_count": 1}]}, {"script": [{"send": "01", "expect": "02"}]},
    {"script": [{"reply": "01"}]}, {"script": [{"expect": ""}]}, {"script": [{"sleep_ms": 1}]},
    {"line": {"baud": 12345}}, {"line": {"data_bits": 7}}, {"personality": "line"}, {"pace_bps": 0},
    {"personality": "radio", "start_in": "sleep"}, {"personality": "radio", "normal": {"replay": ""}},
    {"personality": "radio", "boot": {"answer_burst": 0}},
    {"personality": "radio", "boot": {"image_file": "/nonexistent"}},
    {"personality": "radio", "faults": [{"at": "chunk:1", "kind": "late"}]},
    {"personality": "radio", "faults": [{"at": "erase", "kind": "signal"}]},
])
def test_bad_scenario_rejected(tmp_path, scenario):
    (tmp_path / "s.json").write_text(json.dumps(scenario))
    _refused("--link", tmp_path / "COM1", "--scenario", tmp_path / "s.json")
    assert not os.path.lexists(tmp_path / "COM1")


@pytest.mark.parametrize("args, says", [
    (["--device", "{}/none"], "cannot open {}/none: [Errno 2] No such file or directory"),
    (["--device", "{}/file"], "cannot open {}/file: [Errno 25] Inappropriate ioctl for device"),
    (["--device", "{}/none", "--pace", "9600"], "drop --pace"),  # refused before opening
    (["--device", "{}/none", "--scenario", "{}/file"], "drop --pace"),  # one with "line"
    (["--link", "{}/COM1", "--device", "{}/none"], "not allowed with argument --link"),
    ([], "one of the arguments --link --device is required"),
], ids=["missing", "not a tty", "paced", "line set", "both", "neither"])
def test_bad_device_or_arguments_rejected(tmp_path, args, says):
    (tmp_path / "file").write_text('{"line": {}}')
    assert says.format(tmp_path) in _refused(*(a.format(tmp_path) for a in args)).stderr


def _refused(*args):
    """The simulator's run with `args`, checked to end at once with one line on stderr."""
    run = subprocess.run(["/usr/bin/python3", str(SIM), *map(str, args)],
                         capture_output=True, text=True)
    assert (run.returncode, run.stdout, run.stderr.count("\n")) == (2, "", 1)
    assert run.stderr.startswith("radio-sim: error: ")
    return run


def test_device_plays_the_radio(start):
    ours, theirs = os.openpty()
    # The committed scenario, run from elsewhere: its payload files count from its own folder.
    sim = start(SIM / "zk4100.json", device=(ours, os.ttyname(theirs)))
    os.close(theirs)
    os.write(ours, b";;;TY;")
    assert sim.read(6) == b"TY120;"
    report = sim.stop()
    wire = [bytes.fromhex(report[d]["hex"]) for d in ("to_radio", "from_radio")]
    assert wire == [b";;;TY;", b"TY120;"]
    assert report["line"] == line()  # as the simulator set the device
