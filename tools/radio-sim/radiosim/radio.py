"""Personality "radio": the ZK-4100 in its normal mode or its boot mode, with faults.

Scenario: {"personality": "radio", "start_in": "normal" or "boot", "normal": {...},
"boot": {...}, "faults": [{"at": STEP, "kind": KIND, ...}]}; normal.py, boot.py and
faults.py list their keys. SIGUSR1 stands for a person re-cabling the radio with its boot
switch on: boot mode from scratch; SIGUSR2 for the switch turned off again: normal mode.
Faults and a fault's silence outlast the switch.
"""
import signal

from .boot import Boot, BootConfig
from .faults import Faults
from .normal import Normal, NormalConfig
from .port import Port

KEYS = {"personality", "start_in", "normal", "boot", "faults", "line", "pace_bps"}
MODES = {"normal": (Normal, NormalConfig), "boot": (Boot, BootConfig)}


class Radio:
    name = "radio"

    def __init__(self, scenario):
        unknown = set(scenario) - KEYS
        if unknown:
            raise ValueError(f"radio: unknown key(s) {', '.join(sorted(unknown))}")
        self.start_in = scenario.get("start_in", "normal")
        if self.start_in not in MODES:
            raise ValueError(f"radio: start_in is 'normal' or 'boot', not {self.start_in!r}")
        self.configs = {name: config(scenario.get(name, {})) for name, (_, config) in MODES.items()}
        self.faults = Faults(scenario.get("faults", []))
        self.modes = {}  # the latest state of each mode entered, for the report
        self.mode = self.port = self.line = None
        self.switches = 0

    def start(self, line):
        self.line = line
        self._enter(self.start_in)

    def on_byte(self, byte):
        self.mode.on_byte(byte)

    def on_signal(self, signum):
        entered = "boot" if signum == signal.SIGUSR1 else "normal"
        self.switches += 1
        self.line.log("mode switch", left=self.mode.name, entered=entered)
        self._enter(entered)

    def report(self):
        modes = {name: self.modes[name].report() if name in self.modes else None for name in MODES}
        return {"mode": self.mode.name, "switches": self.switches, "faults": self.faults.fired,
                **modes}

    def _enter(self, name):
        if self.port:
            self.port.open = False  # what the old mode still had scheduled never happens
        self.port = Port(self.line, self.faults)
        self.mode = self.modes[name] = MODES[name][0](self.configs[name], self.port)


def build(scenario):
    return Radio(scenario)
