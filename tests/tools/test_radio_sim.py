"""What the utility's own tests rely on in the simulated radio and cannot see for themselves: a
scenario it does not understand is refused, never half played (a fault plan with a misspelt
key would otherwise pass without its fault)."""
import json
import os
import subprocess
from pathlib import Path

import pytest

SIM = Path(__file__).resolve().parents[2] / "tools" / "radio-sim"


@pytest.mark.parametrize("scenario, says", [
    ({"script": [{"expect": "01", "reply": "02", "after_ms": 5}]}, "script step 0:"),
    ({"personality": "radio", "normal": {"replay": "TY"}}, "normal: unknown key(s) replay"),
    ({"personality": "radio", "faults": [{"at": "erase", "kind": "slow"}]}, "fault at erase: no such kind 'slow'"),
], ids=["script step", "unknown key", "fault kind"])
def test_refused(tmp_path, scenario, says):
    (tmp_path / "s.json").write_text(json.dumps(scenario))
    run = subprocess.run(["/usr/bin/python3", str(SIM), "--link", str(tmp_path / "COM1"), "--scenario",
                          str(tmp_path / "s.json")], capture_output=True, text=True, timeout=5)
    assert (run.returncode, run.stdout, run.stderr.count("\n")) == (2, "", 1)  # one line, nothing started
    assert run.stderr.startswith("radio-sim: error: ") and says in run.stderr
    assert not os.path.lexists(tmp_path / "COM1")
