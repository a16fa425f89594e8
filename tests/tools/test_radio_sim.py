"""What the utility's own tests cannot show of the simulated radio: playing it on a serial
device, and the arguments and scenarios it refuses."""
import json
import os
import select
import subprocess
from pathlib import Path

import pytest

SIM = Path(__file__).resolve().parents[2] / "tools" / "radio-sim"


def command(*args):
    return ["/usr/bin/python3", str(SIM), *map(str, args)]


def test_device_plays_the_radio(tmp_path):
    ours, theirs = os.openpty()
    device, report = os.ttyname(theirs), tmp_path / "report.json"
    # The committed scenario, run from elsewhere: its payload files count from its own folder.
    proc = subprocess.Popen(command("--device", device, "--scenario", SIM / "zk4100.json", "--report", report),
                            cwd=tmp_path, stdout=subprocess.PIPE, text=True)
    try:
        assert proc.stdout.readline() == f"READY {device}\n"
        os.close(theirs)
        os.write(ours, b";;;TY;")
        answer = b""
        while len(answer) < 6 and select.select([ours], [], [], 2)[0]:
            answer += os.read(ours, 6 - len(answer))
        assert answer == b"TY120;"
    finally:
        proc.terminate()
    assert proc.wait(5) == 0
    report = json.loads(report.read_text())
    assert [report[d]["hex"] for d in ("to_radio", "from_radio")] == [b";;;TY;".hex(), b"TY120;".hex()]
    assert report["line"] == {"baud": 9600, "data_bits": 8, "parity": "none", "stop_bits": 1,
                              "crtscts": False, "ixon": False, "ixoff": False}  # as the simulator set it


@pytest.mark.parametrize("args, scenario, says", [
    (["--device", "{}/none"], {}, "cannot open {}/none: [Errno 2] No such file or directory"),
    (["--device", "{}/s.json"], {}, "cannot open {}/s.json: [Errno 25] Inappropriate ioctl for device"),
    (["--device", "{}/none", "--pace", "9600"], {}, "drop --pace"),  # refused before opening
    (["--device", "{}/none"], {"line": {}}, "drop --pace"),
    (["--link", "{}/COM1"], {"line": {"data_bits": 7}}, "line: a pty cannot take"),
    (["--link", "{}/COM1"], {"script": [{"expect": "01", "reply": "02", "after_ms": 5}]}, "script step 0:"),
    (["--link", "{}/COM1"], {"personality": "radio", "normal": {"replay": "TY"}}, "normal: unknown key(s) replay"),
    (["--link", "{}/COM1"], {"personality": "radio", "faults": [{"at": "erase", "kind": "slow"}]},
     "fault at erase: no such kind 'slow'"),
], ids=["missing", "not a tty", "paced device", "device line", "pty line", "script step", "unknown key",
        "fault kind"])
def test_refused(tmp_path, args, scenario, says):
    (tmp_path / "s.json").write_text(json.dumps(scenario))
    run = subprocess.run(command(*(a.format(tmp_path) for a in args), "--scenario", tmp_path / "s.json"),
                         capture_output=True, text=True, timeout=5)  # one that started is killed
    assert (run.returncode, run.stdout, run.stderr.count("\n")) == (2, "", 1)  # one line, nothing started
    assert run.stderr.startswith("radio-sim: error: ") and says.format(tmp_path) in run.stderr
    assert not os.path.lexists(tmp_path / "COM1")
