"""Personality "radio": the ZK-4100 in its normal mode or its boot mode, with faults.

Scenario: {"personality": "radio", "start_in": "normal" or "boot", "normal": {...},
"boot": {...}, "faults": [{"at": STEP, "kind": KIND, ...}]}; normal.py, boot.py and
faults.py list their keys. SIGUSR1 stands for a person re-cabling the radio with its boot
switch on: boot mode from scratch; SIGUSR2 for the switch turned off again: normal mode.
Faults and a fault's silence outlast the switch.
"""
import signal

from . import known
from .boot import Boot, BootConfig
from .faults import Faults
from .normal import Normal, NormalConfig

MODES = {"normal": (Normal, NormalConfig), "boot": (Boot, BootConfig)}


class Port:
    """One mode's end of the line: its replies pass the scenario's faults, and its timers die
    with it when the radio changes mode."""

    def __init__(self, line, faults):
        self.line, self.faults = line, faults
        self.open = True  # cleared when the mode is left

    def send(self, data):
        if not self.faults.silent:
            self.line.send(data)

    def reply(self, step, parts, lead=(), then=None):
        """Send `lead`, then `parts` as the fault at `step` alters them, then call `then`.

        A part is (bytes or an action to run, delay_ms from the previous part)."""
        self._chain(list(lead) + self.faults.alter(step, parts, self.line), then)

    def _chain(self, parts, then):
        if not parts:
            return then and then()
        (item, delay_ms), rest = parts[0], parts[1:]

        def run():
            item() if callable(item) else self.send(item)
            self._chain(rest, then)
        self.line.later(delay_ms, lambda: self.open and run())


class Radio:
    name = "radio"

    def __init__(self, scenario):
        known(scenario, {"personality", "start_in", *MODES, "faults", "line", "pace_bps"}, "radio")
        self.start_in = scenario.get("start_in", "normal")
        if self.start_in not in MODES:
            raise ValueError(f"radio: start_in is 'normal' or 'boot', not {self.start_in!r}")
        self.configs = {name: config(scenario.get(name, {})) for name, (_, config) in MODES.items()}
        self.faults = Faults(scenario.get("faults", []))
        self.modes = {}  # the latest state of each mode entered, for the report
        self.mode = self.port = self.line = None

    def start(self, line):
        self.line = line
        self._enter(self.start_in)

    def on_byte(self, byte):
        self.mode.on_byte(byte)

    def on_signal(self, signum):
        self._enter("boot" if signum == signal.SIGUSR1 else "normal")

    def report(self):
        modes = {name: self.modes[name].report() if name in self.modes else None for name in MODES}
        return {"mode": self.mode.name, "faults": self.faults.fired, **modes}

    def _enter(self, name):
        if self.port:
            self.port.open = False  # what the old mode still had scheduled never happens
        self.port = Port(self.line, self.faults)
        self.mode = self.modes[name] = MODES[name][0](self.configs[name], self.port)
