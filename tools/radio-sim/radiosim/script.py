"""Scripted responder: a list of steps, each optionally waiting for input, then sending.

Step keys:
    expect        hex; wait until exactly these bytes arrive next
    expect_count  wait for any N bytes
    reply / send  output of a waiting / non-waiting step: hex, or [[hex, delay_ms], ...]
                  where each delay counts from the previous part
    after_ms      delay before the output: from the previous step's end for a non-waiting
                  step, from the last expected byte for a waiting one
    hangup        true: drop the line after the output; bytes still queued are lost, so
                  hang up in a later step (with after_ms) to let them go out first

Input arriving before a step waits for it is kept for that step. On a mismatch the script
stops answering for the rest of the run.
"""

_KEYS = {"expect", "expect_count", "reply", "send", "after_ms", "hangup"}


class Step:
    def __init__(self, i, raw):
        unknown = set(raw) - _KEYS
        if unknown:
            raise ValueError(f"script step {i}: unknown key(s) {', '.join(sorted(unknown))}")
        if "expect" in raw and "expect_count" in raw:
            raise ValueError(f"script step {i}: 'expect' and 'expect_count' exclude each other")
        self.expect = bytes.fromhex(raw["expect"]) if "expect" in raw else None
        self.count = len(self.expect) if self.expect is not None else raw.get("expect_count", 0)
        if ("expect" in raw or "expect_count" in raw) and self.count < 1:
            raise ValueError(f"script step {i}: expects no bytes")
        output_key, wrong_key = ("reply", "send") if self.count else ("send", "reply")
        if wrong_key in raw:
            raise ValueError(f"script step {i}: use '{output_key}', not '{wrong_key}', here")
        output = raw.get(output_key, [])
        if isinstance(output, str):
            output = [[output, 0]]
        self.parts = [(bytes.fromhex(h), float(delay)) for h, delay in output]
        self.after_ms = float(raw.get("after_ms", 0))
        self.hangup = bool(raw.get("hangup", False))


class Script:
    name = "script"

    def __init__(self, steps):
        self.steps = [Step(i, raw) for i, raw in enumerate(steps)]
        self.step = 0
        self.mismatch = None
        self.pending = bytearray()  # input not yet claimed by a waiting step
        self.got = bytearray()  # input claimed by the current step
        self.expecting = False

    def start(self, line):
        self.line = line
        self._begin_step()

    def on_byte(self, byte):
        self.pending.append(byte)
        self._consume()

    def report(self):
        return {"done": self.step == len(self.steps), "step": self.step, "mismatch": self.mismatch}

    def _begin_step(self):
        if self.step == len(self.steps):
            return
        s = self.steps[self.step]
        self.got = bytearray()
        if s.count:
            self.expecting = True
            self._consume()
        else:
            self.line.later(s.after_ms, self._emit)

    def _consume(self):
        while self.expecting and self.pending:
            s = self.steps[self.step]
            self.got.append(self.pending.pop(0))
            if s.expect is not None and not s.expect.startswith(self.got):
                self.expecting = False
                self.mismatch = {"step": self.step, "got": self.got.hex(), "expected": s.expect.hex()}
                self.line.log("script mismatch", **self.mismatch)
            elif len(self.got) == s.count:
                self.expecting = False
                self.line.later(s.after_ms, self._emit)

    def _emit(self, part=0):
        s = self.steps[self.step]
        if part < len(s.parts):
            data, delay_ms = s.parts[part]

            def send_part():
                self.line.send(data)
                self._emit(part + 1)
            self.line.later(delay_ms, send_part)
            return
        if s.hangup:
            self.line.hangup()
        self.line.log("script step done", step=self.step)
        self.step += 1
        self._begin_step()


def build(scenario):
    return Script(scenario.get("script", []))
