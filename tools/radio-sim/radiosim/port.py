"""One mode's end of the line: its replies pass the scenario's faults, and its timers die
with it when the radio changes mode."""


def parts(raw, encode):
    """Scenario parts [[text, delay_ms], ...] as [(bytes, delay_ms), ...]."""
    return [(encode(text), float(delay_ms)) for text, delay_ms in raw]


class Port:
    def __init__(self, line, faults):
        self.line, self.faults = line, faults
        self.open = True  # cleared when the mode is left

    def log(self, what, **fields):
        self.line.log(what, **fields)

    def later(self, delay_ms, fn):
        self.line.later(delay_ms, lambda: self.open and fn())

    def send(self, data):
        if not self.faults.silent:
            self.line.send(data)

    def reply(self, step, parts, lead=(), then=None):
        """Send `lead`, then `parts` as the fault at `step` alters them, then call `then`.

        A part is (bytes or an action to run, delay_ms from the previous part)."""
        self._chain(list(lead) + self.faults.alter(step, parts, self.line), then)

    def _chain(self, parts, then):
        if not parts:
            if then:
                then()
            return
        (item, delay_ms), rest = parts[0], parts[1:]

        def run():
            if callable(item):
                item()
            else:
                self.send(item)
            self._chain(rest, then)
        self.later(delay_ms, run)
