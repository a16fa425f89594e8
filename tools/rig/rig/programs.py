"""Windows programs of the build under Wine: the utility itself, and the
programs that answer one JSON line per command line (the stage host, the operator)."""
import json
import os
import re
import select
import subprocess
import time

from . import wine

# Where the program keeps the marker, as its source names it.
MARKER_KEY = "HKLM\\" + re.search(r'MARKER_KEY = "(.*)"', (wine.ROOT / "update" / "Marker.h").read_text())[1].replace(
    "\\\\", "\\")


def exe(name):
    """Path of a program of the build under test (wine.arch())."""
    build = wine.exe_dir()
    for folder in (build, build / "tests", *sorted((build / "tools").glob("*"))):
        if (folder / name).exists():
            return folder / name
    raise FileNotFoundError(f"{name} is not built; run make build")


class LineProgram:
    """A console program that reads commands and answers each with one JSON line."""

    def __init__(self, name, *args):
        self._process = subprocess.Popen([wine.loader(), str(exe(name)), *args], env=wine.env(), stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self._pending = b""  # output read but not yet returned: select() cannot see it

    def send(self, line):
        self._process.stdin.write(line + "\n")
        self._process.stdin.flush()

    def read(self, timeout=60):
        """The next JSON line of output."""
        deadline = time.monotonic() + timeout
        fd = self._process.stdout.fileno()
        while b"\n" not in self._pending:
            ready, _, _ = select.select([fd], [], [], max(0, deadline - time.monotonic()))
            if not ready:
                raise TimeoutError(f"no answer within {timeout} s")
            chunk = os.read(fd, 65536)
            if not chunk:
                raise EOFError(f"the program ended (exit code {self._process.poll()})")
            self._pending += chunk
        line, self._pending = self._pending.split(b"\n", 1)
        return json.loads(line)

    def __call__(self, line, timeout=60):
        self.send(line)
        return self.read(timeout)

    def close(self):
        if self._process.poll() is None:
            try:
                self.send("quit")
                self._process.wait(timeout=20)
            except (BrokenPipeError, subprocess.TimeoutExpired):
                self._process.kill()
                self._process.wait()
        self._process.stdin.close()
        self._process.stdout.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def stage_host():
    """The unit tests' program as the stage tests' host of the dialog."""
    return LineProgram("unit_tests.exe", "--stage-host")


def marker(action, value=None):
    """The registry marker as an installer or an administrator sets it up ("create", with "Data" if
    `value` is given; "clear"), or as it is stored ("read": {"key": bool, "value": n or None}), by
    Wine's reg.exe in the view that the program reads."""
    stored = wine.reg_values(MARKER_KEY)
    if action == "read":
        return {"key": stored is not None, "value": int(stored["Data"], 16) if stored and "Data" in stored else None}
    if stored is not None:
        wine.reg("delete", MARKER_KEY, "/f", wine.reg_view())
    if action == "create":
        data = ("/v", "Data", "/t", "REG_DWORD", "/d", value) if value is not None else ()
        wine.reg("add", MARKER_KEY, *data, "/f", wine.reg_view())


def press(keys):
    """Keys as a person types them, through the X server that Wine's desktop reads (xdotool's
    names: "Return", "alt+F4")."""
    _x_input("key", keys)


def click(op, control):
    """A left click in the middle of the main window's control, as a person makes it."""
    left, top, right, bottom = op("state")["controls"][str(control)]["rect"]
    _x_input("mousemove", str((left + right) // 2), str((top + bottom) // 2), "click", "1")


def _x_input(*args):
    subprocess.run(["xdotool", *args], check=True)
    time.sleep(0.1)  # queued, not yet handled: a moment, so that a following look usually sees it


class Utility:
    """ZK4100Update.exe, started as an operator would start it."""

    def __init__(self, dll_overrides="", program=None):
        """The build's program, or `program` (a Windows path: where an installer put it)."""
        env = wine.env()
        if dll_overrides:
            env["WINEDLLOVERRIDES"] += ";" + dll_overrides
        self._process = subprocess.Popen([wine.loader(), program or str(exe("ZK4100Update.exe"))], env=env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait(self, timeout):
        """The exit code, or None if it is still running after `timeout` seconds."""
        try:
            return self._process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self._process.poll() is None

    def kill(self):
        """Ends the program (the Windows process ends with it); a help viewer it started lives on."""
        if self.running():
            self._process.kill()
            self._process.wait()
