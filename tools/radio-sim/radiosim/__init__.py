"""Simulated ZK-4100 radio on a pseudo-terminal or a serial device, for testing ZK-4100 Update
without hardware.

`line.Line` is the base (pty or device, pacing, wire log, event loop). A personality
(radio.Radio, script.Script) is built from the scenario and has:

    name              key of its section in the report
    start(line)       called once when the loop starts; keep `line` to talk to it
    on_byte(byte)     called with each byte from the utility at its (modelled) arrival time
    report()          JSON-ready dict stored under report[name]
    on_signal(signum) optional: SIGUSR1/SIGUSR2 to the simulator, passed on from the loop

and uses `line.send(data)`, `line.later(delay_ms, fn)` and `line.hangup()`.
"""


def known(raw, keys, where):
    """`raw`, a scenario section, once it is known to hold no keys but `keys`."""
    unknown = set(raw) - set(keys)
    if unknown:
        raise ValueError(f"{where}: unknown key(s) {', '.join(sorted(unknown))}")
    return raw


def parts(raw, encode):
    """Scenario parts [[text, delay_ms], ...] as [(bytes, delay_ms), ...]."""
    return [(encode(text), float(delay_ms)) for text, delay_ms in raw]
