"""End-to-end tests: the real program under Wine, simulated radios on its COM
ports, and the operator program doing what a person at the screen would do."""
import contextlib

import pytest

from rig.programs import LineProgram, Utility, click, marker
from rig.radio import Radio, zk4100
from texts import BOXES, IDLE_ENABLED, IDLE_STATUS

BS_TYPEMASK = 0xF


class Session:
    def __init__(self, stack):
        self._stack = stack
        self.radios = {}
        self.utility = None
        self.op = None

    def start(self, ports=(1,), scenario=None, dll_overrides="", program=None):
        """Radios on `ports`, then the program, then the operator that finds its window."""
        for port in ports:
            self.plug_radio(scenario, port)
        self.utility = Utility(dll_overrides, program)
        self._stack.callback(self.utility.kill)
        self.op = self._stack.enter_context(LineProgram("operator.exe"))
        return self.op

    def plug_radio(self, scenario, port=1):
        """A simulated radio on COMn, in place of any radio there."""
        if port in self.radios:
            self.radios[port].stop()
        self.radios[port] = self._stack.enter_context(Radio(scenario, port=port))

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
        self.op.send(f"watch {ms}")
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

    def expect_box(self, text, answer=None, caption="ZK-4100 Update"):
        """The run's next box is this one, in its own box, owned by the main window, and
        `answer` is pressed in it: the events before it."""
        events, box = self.until_box()
        assert box is not None, "the run ended without a box"
        assert (box["caption"], box["text"], box["icon"], box["buttons"], box["owner_is_main"]) == (
            caption, text, *BOXES[text], True)
        if answer:
            self.answer(answer)
        return events

    def expect_idle(self):
        """The run is over and the window is idle again, whatever the outcome."""
        events, box = self.until_box()
        assert box is None, box
        state = self.state()
        controls = state["controls"]
        assert state["progress"]["pos"] == 0
        assert (controls["1007"]["text"], controls["1006"]["text"]) == (IDLE_STATUS, "")
        assert not controls["1009"]["visible"]
        assert {i: controls[i]["enabled"] for i in IDLE_ENABLED} == IDLE_ENABLED
        assert (state["focus"], state["default_id"]) == (1000, 1000)
        # OK is the default button again; Cancel and Help are drawn as plain push buttons.
        assert [controls[i]["style"] & BS_TYPEMASK for i in ("1000", "1001", "57670")] == [1, 0, 0]
        return events

    def start_run(self):
        click(self.op, 1000)

    def enter_writing_mode(self):
        """The person re-cables the radio with S1 on, then accepts the prompt."""
        self.radio.switch_to_boot()
        self.answer("OK")


@pytest.fixture
def session():
    with contextlib.ExitStack() as stack:
        yield Session(stack)


@pytest.fixture
def update(session):
    """The program with a ZK-4100 on COM1 (or on each of `ports`) and the marker as given, its
    window found."""
    def start(marker_setup=("create",), normal=None, boot=None, faults=None, slow_identification=False,
              dll_overrides="", ports=(1,), start_in="normal"):
        if slow_identification:  # "?;" for about two seconds: time to press keys during identification
            normal = {"busy": [0] + [50] * 40}
        marker(*marker_setup)
        session.start(ports, zk4100(start_in=start_in, normal=normal, boot=boot, faults=faults),
                      dll_overrides=dll_overrides)
        assert session.op("find 30000")["ok"]
        return session
    yield start
    marker("clear")
