"""End-to-end tests: the real program under Wine, simulated radios on its COM
ports, and the operator program doing what a person at the screen would do."""
import contextlib

import pytest

from rig.programs import LineProgram, Utility, marker
from rig.radio import Radio, zk4100


class Session:
    def __init__(self, stack):
        self._stack = stack
        self.radios = {}
        self.utility = None
        self.op = None

    def start(self, ports=(1,), scenario=None):
        """Radios on `ports`, then the program, then the operator that finds its window."""
        for port in ports:
            self.radios[port] = self._stack.enter_context(Radio(scenario, port=port))
        self.utility = Utility()
        self._stack.callback(self.utility.kill)
        self.op = self._stack.enter_context(LineProgram("operator.exe"))
        return self.op

    @property
    def radio(self):
        return self.radios[1]

    def state(self):
        reply = self.op("state")
        assert reply["ok"], reply
        return reply

    def until_box(self, ms=120000):
        """Follows the run to its next message box, or to its end: the events on
        the way, and the box left open (None when the run ended instead)."""
        self.op.send(f"watch {ms} stop-at-box")
        events = []
        while True:
            line = self.op.read(ms / 1000 + 30)
            if "ok" in line:
                assert line["ok"], line
                break
            events.append(line)
        end = events.pop()["event"]
        assert end in ("box-open", "idle"), end
        box = events.pop() if end == "box-open" else None
        return events, box

    def answer(self, button):
        assert self.op(f"answer-box {button}")["ok"]


@pytest.fixture
def session():
    with contextlib.ExitStack() as stack:
        yield Session(stack)


@pytest.fixture
def update(session):
    """The program with a ZK-4100 on COM1 and the marker as given, its window found."""
    def start(marker_setup=("create",), normal=None, boot=None, faults=None):
        marker(*marker_setup)
        session.start(scenario=zk4100(start_in="normal", normal=normal, boot=boot, faults=faults))
        assert session.op("find 30000")["ok"]
        return session
    yield start
    marker("clear")
