"""The simulated radio as COMn of the prefix, for the length of a `with` block."""
import hashlib
import json
import pathlib
import signal
import subprocess
import tempfile

from . import wine

SIM = wine.ROOT / "tools" / "radio-sim"
PYTHON = "/usr/bin/python3"


# What every build but a release's carries (scripts/build), and what the radio checks against
# unless a scenario names other files.
SAMPLE_IMAGE = wine.ROOT / "payload" / "sample-firmware.bin"
SAMPLE_PROGRAM = wine.ROOT / "payload" / "sample-write-control-program.bin"


def payload_named(image=SAMPLE_IMAGE, program=SAMPLE_PROGRAM):
    """The record's first line's clause for a program built with these files: the first 16 hex
    digits of each one's SHA-256, and "(sample)" after the sample's."""
    def named(path, sample):
        data = pathlib.Path(path).read_bytes()
        return hashlib.sha256(data).hexdigest()[:16] + (" (sample)" if data == sample.read_bytes() else "")
    return (f"payload sha256: firmware image {named(image, SAMPLE_IMAGE)}, "
            f"write control program {named(program, SAMPLE_PROGRAM)}")


def zk4100(start_in="boot", normal=None, boot=None, faults=None, **top):
    """A scenario for the simulated ZK-4100 that checks what it receives against the sample
    payload, or the files that `boot` names."""
    return {"personality": "radio", "start_in": start_in, "normal": normal or {},
            "boot": {"program_file": str(SAMPLE_PROGRAM), "image_file": str(SAMPLE_IMAGE), **(boot or {})},
            "faults": faults or [], **top}


class Radio:
    def __init__(self, scenario=None, port=1, pace=None):
        self.scenario = scenario or {}
        self.port = port
        self.pace = pace
        self.report = None
        self._dir = None
        self._process = None

    def __enter__(self):
        self._dir = tempfile.TemporaryDirectory(prefix="zk-radio-")
        folder = pathlib.Path(self._dir.name)
        (folder / "scenario.json").write_text(json.dumps(self.scenario))
        command = [PYTHON, str(SIM), "--link", str(wine.port_link(self.port)),
                   "--scenario", str(folder / "scenario.json"), "--report", str(folder / "report.json")]
        if self.pace:
            command += ["--pace", str(self.pace)]
        self._process = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)
        ready = self._process.stdout.readline()
        if not ready.startswith("READY"):
            self._process.kill()
            raise RuntimeError(f"the simulated radio did not start: {ready!r}")
        return self

    def switch_to_boot(self):
        """What a person does between the prompts: re-cables the radio with S1 on."""
        self._process.send_signal(signal.SIGUSR1)

    def switch_to_normal(self):
        """S1 off again: the radio starts in its normal mode."""
        self._process.send_signal(signal.SIGUSR2)

    def freeze(self):
        """The radio reads nothing more until it is stopped: the line fills up."""
        self._process.send_signal(signal.SIGSTOP)

    def stop(self):
        """Ends the radio and keeps its report; the port is then absent again."""
        if self._process is None:
            return self.report
        self._process.send_signal(signal.SIGCONT)
        self._process.send_signal(signal.SIGTERM)
        self._process.wait(timeout=20)
        self._process.stdout.close()
        self._process = None
        self.report = json.loads((pathlib.Path(self._dir.name) / "report.json").read_text())
        wine.set_port(self.port, None)
        return self.report

    def __exit__(self, *exc):
        self.stop()
        self._dir.cleanup()
