"""The simulated radio as COMn of the prefix, for the length of a `with` block."""
import json
import pathlib
import signal
import subprocess
import tempfile

from . import wine

SIM = wine.ROOT / "tools" / "radio-sim"
PYTHON = "/usr/bin/python3"


def payload_file(variable, sample):
    """The payload file the build under test embedded: its CMake cache says which."""
    cache = wine.exe_dir() / "CMakeCache.txt"
    if cache.exists():
        for line in cache.read_text().splitlines():
            if line.startswith(variable + ":"):
                return line.split("=", 1)[1]
    return str(wine.ROOT / "payload" / sample)


def image_file():
    return payload_file("ZK_FIRMWARE_IMAGE", "sample-firmware.bin")


def zk4100(start_in="boot", normal=None, boot=None, faults=None, **top):
    """A scenario for the simulated ZK-4100 that checks what it receives against
    the payload the utility was built with."""
    return {"personality": "radio", "start_in": start_in, "normal": normal or {},
            "boot": {"program_file": payload_file("ZK_WRITE_CONTROL_PROGRAM", "sample-write-control-program.bin"),
                     "image_file": image_file(), **(boot or {})},
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
