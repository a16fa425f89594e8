"""Faults a scenario sets on single replies of the radio, each named by its step:

    burst:N      the answer to bit-rate matching burst N (from 1; empty when not answered)
    confirm      the 0xAA after 0x55
    program:I    the answer to the program byte at offset I
    erase        the erase result (or the whole `after_program`)
    command:B    0x06 after 0x57 0x00 of block B (blocks and chunks count from 0)
    ready:B      0x11 after the header of block B
    chunk:B:C    0x11 after chunk C of block B
    checksum:B   the 0x06 for a right checksum of block B
    query        the identification reply in normal mode

A fault fires once, at the time its reply was due; the delay_ms of `late` and `signal` is
added to the reply's own delay.
"""
import pathlib
import random
import re

from . import known

STEP = re.compile(r"(burst|program|command|ready|checksum):\d+|chunk:\d+:\d+|confirm|erase|query")
OPTIONS = {"silence": {}, "wrong": {"value": "00"}, "double": {}, "late": {"delay_ms": 1500},
           "flood": {}, "hangup": {}, "signal": {"delay_ms": 0, "flag_file": None}}
FLOOD = 1000  # bytes


class Fault:
    def __init__(self, raw):
        self.at, self.kind = raw.get("at"), raw.get("kind")
        if not isinstance(self.at, str) or not STEP.fullmatch(self.at):
            raise ValueError(f"fault: no such step {self.at!r}")
        if self.kind not in OPTIONS:
            raise ValueError(f"fault at {self.at}: no such kind {self.kind!r}")
        o = {**OPTIONS[self.kind], **known(raw, {"at", "kind", *OPTIONS[self.kind]}, f"fault at {self.at}")}
        if self.kind == "signal" and not o["flag_file"]:
            raise ValueError(f"fault at {self.at}: 'signal' needs 'flag_file'")
        self.value = bytes.fromhex(o.get("value", ""))
        self.delay_ms = float(o.get("delay_ms", 0))
        self.flag_file = o.get("flag_file")


class Faults:
    def __init__(self, raw_list):
        self.pending, self.fired, self.silent = {}, [], False
        for fault in map(Fault, raw_list):
            if fault.at in self.pending:
                raise ValueError(f"two faults at {fault.at}")
            self.pending[fault.at] = fault

    def alter(self, step, parts, line):
        """`parts` of the reply at `step`, replaced by the fault set there if it has not fired."""
        fault = self.pending.pop(step, None)
        if fault is None:
            return parts
        action, instead = self._effect(fault, parts, line)

        def fire():
            # What the utility had sent by then: nothing more may follow a failure it causes.
            self.fired.append({"at": step, "kind": fault.kind, "received": len(line.to_radio.data),
                               "t_ms": line.now_ms()})
            if action:
                action()
        return [(fire, parts[0][1] if parts else 0.0)] + instead

    def _effect(self, fault, parts, line):
        """What happens when the reply is due, and the parts sent after it instead."""
        held = [(d, fault.delay_ms if i == 0 else delay) for i, (d, delay) in enumerate(parts)]
        data = b"".join(d for d, _ in parts)
        if fault.kind == "silence":
            return lambda: setattr(self, "silent", True), []
        if fault.kind == "wrong":
            return None, [(fault.value, 0.0)]
        if fault.kind == "double":
            return None, [(data * 2, 0.0)] if data else []
        if fault.kind == "flood":
            return None, [(random.Random(fault.at).randbytes(FLOOD), 0.0)]
        if fault.kind == "hangup":
            return line.hangup, []
        if fault.kind == "signal":
            return pathlib.Path(fault.flag_file).touch, held
        return None, held  # late
