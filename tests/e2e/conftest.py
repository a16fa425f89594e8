"""End-to-end tests: the real program under Wine, simulated radios on its COM
ports, and the operator program doing what a person at the screen would do."""
import contextlib

import pytest

from rig.programs import LineProgram, Utility
from rig.radio import Radio


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

    def state(self):
        reply = self.op("state")
        assert reply["ok"], reply
        return reply


@pytest.fixture
def session():
    with contextlib.ExitStack() as stack:
        yield Session(stack)
