"""The utility's end of the simulated radio: start it, talk through the pty slave."""
import json
import os
import select
import signal
import struct
import subprocess
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
SIM = ROOT / "tools" / "radio-sim"
PROGRAM = ROOT / "payload" / "sample-write-control-program.bin"
IMAGE = ROOT / "payload" / "sample-firmware.bin"
BLOCKS = [(a, 0x1000) for a in range(0, 0x8000, 0x1000)] + [
    (0x08000, 0x8000), (0x10000, 0x10000), (0x20000, 0x10000), (0x30000, 0x10000)]


class Sim:
    def __init__(self, tmp_path, scenario, *args, device=None):
        """`scenario`: a dict or a file; `device`: (our fd, its path) to use instead of a pty."""
        self.link, self.report_path = tmp_path / "COM1", tmp_path / "report.json"
        if isinstance(scenario, dict):
            (tmp_path / "scenario.json").write_text(json.dumps(scenario))
            scenario = tmp_path / "scenario.json"
        where = ["--device", device[1]] if device else ["--link", str(self.link)]
        self.proc = subprocess.Popen(
            ["/usr/bin/python3", str(SIM), *where, "--report", str(self.report_path),
             "--scenario", str(scenario), *args],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True, cwd=tmp_path)
        ready = self.proc.stdout.readline().split()
        self.pts = device[1] if device else os.readlink(self.link)
        assert ready == ["READY", self.pts]
        self.fd = device[0] if device else os.open(self.pts, os.O_RDWR | os.O_NOCTTY)

    def read(self, n, timeout=2.0):
        """Up to n bytes, stopping early only when nothing comes for `timeout` s."""
        data = b""
        while len(data) < n and select.select([self.fd], [], [], timeout)[0]:
            chunk = os.read(self.fd, n - len(data))
            if not chunk:
                break
            data += chunk
        return data

    def stop(self, sig=signal.SIGTERM):
        self.proc.send_signal(sig)
        assert self.proc.wait(5) == 0
        assert self.proc.stdout.read() == ""  # READY is the only line
        os.close(self.fd)
        return json.loads(self.report_path.read_text())


def boot_steps(answer_burst=1):
    """A whole boot-mode session as {step: (bytes the utility sends, reply it expects)}."""
    program, image = PROGRAM.read_bytes(), IMAGE.read_bytes()
    steps = {f"burst:{n}": (bytes(10), b"\x00" if n == answer_burst else b"")
             for n in range(1, answer_burst + 1)}
    steps["confirm"] = (b"\x55", b"\xaa")
    steps.update({f"program:{i}": (bytes([b]), b"\x06") for i, b in enumerate(program)})
    steps["erase"] = (b"", b"\xaa")
    for b, (address, size) in enumerate(BLOCKS):
        data = image[address:address + size]
        steps[f"command:{b}"] = (b"\x57\x00", b"\x06")
        steps[f"ready:{b}"] = (struct.pack(">II", address, size), b"\x11")
        # The utility's 0x11 after each radio 0x11 goes out with the next chunk or the checksum.
        steps.update({f"chunk:{b}:{c // 128}": (b"\x11" + data[c:c + 128], b"\x11")
                      for c in range(0, size, 128)})
        steps[f"checksum:{b}"] = (bytes([0x11, ~sum(data) & 0xFF]), b"\x06")
    return steps


def drive(sim, steps, until=None, timeout=1.0):
    """Plays `steps` up to `until` or the first reply not as expected, and returns that step's
    (name, reply or None when the line is gone, seconds to the reply); None if all went well."""
    for name, (out, expected) in steps.items():
        t0 = time.monotonic()
        try:
            os.write(sim.fd, out)
        except OSError:
            return name, None, 0.0
        # Nothing expected: wait as long as the utility gives a bit-rate matching burst.
        got = sim.read(len(expected), timeout) if expected else sim.read(1, 0.25)
        took = time.monotonic() - t0
        got += sim.read(4096, 0)  # what came in the same write
        if got != expected or name == until:
            return name, got, took
    return None
