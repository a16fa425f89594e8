"""Personality "script": steps {"expect": hex, "reply": hex}, each sending its reply once
exactly its bytes have arrived. On a mismatch the script stops answering for the rest of the
run; without steps it is a silent line.
"""
from . import known


class Script:
    name = "script"

    def __init__(self, scenario):
        known(scenario, {"personality", "script", "line", "pace_bps"}, "script")
        self.steps = []
        for i, step in enumerate(scenario.get("script", [])):
            if set(step) != {"expect", "reply"} or not step["expect"]:
                raise ValueError(f"script step {i}: give 'expect' (some bytes) and 'reply', only")
            self.steps.append((bytes.fromhex(step["expect"]), bytes.fromhex(step["reply"])))
        self.step, self.got = 0, bytearray()

    def start(self, line):
        self.line = line

    def on_byte(self, byte):
        if self.step >= len(self.steps):  # done, or stopped by a mismatch
            return
        expect, reply = self.steps[self.step]
        self.got.append(byte)
        if not expect.startswith(self.got):
            self.step = len(self.steps) + 1
        elif self.got == expect:
            self.line.send(reply)
            self.step, self.got = self.step + 1, bytearray()

    def report(self):
        return {"done": self.step == len(self.steps)}
