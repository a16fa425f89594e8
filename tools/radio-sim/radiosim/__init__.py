"""Simulated ZK-4100 radio on a pseudo-terminal or a serial device, for testing ZK-4100 Update
without hardware.

`line.Line` is the base (pty or device, pacing, wire log, event loop). A personality is a module
`radiosim.<name>` with `build(scenario)` returning an object that has:

    name              key of its section in the report
    start(line)       called once when the loop starts; keep `line` to talk to it
    on_byte(byte)     called with each byte from the utility at its (modelled) arrival time
    report()          JSON-ready dict stored under report[name]
    on_signal(signum) optional: SIGUSR1 to the simulator, passed on from the loop

and uses `line.send(data)`, `line.later(delay_ms, fn)`, `line.log(what, **fields)`,
`line.now_ms()`, `line.settings` (the utility's current line settings) and `line.hangup()`.
A wrapper (e.g. a fault) can be a personality itself: build the inner one with
load_personality() and hand it a stand-in for `line` that alters what it sends.
"""
import importlib
import importlib.util


def load_personality(name, scenario):
    """Build personality `name` (module radiosim.<name>) for `scenario`."""
    module = f"{__name__}.{name}"
    if name.isidentifier() and importlib.util.find_spec(module):
        build = getattr(importlib.import_module(module), "build", None)
        if build:
            return build(scenario)
    raise ValueError(f"no such personality: {name!r}")
