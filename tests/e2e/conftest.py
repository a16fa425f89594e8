"""End-to-end tests: the real program under Wine, simulated radios on its COM ports, and a
person's keys through the X server. What the program said is read where a technician reads
it, in its run record; its boxes are known on the screen by their captions."""
import contextlib

import pytest

from rig import wine
from rig.programs import BOX, MAIN, answer, marker, press, record, start_utility, until, window
from rig.radio import Radio, zk4100


def pytest_collection_modifyitems(items):
    """The installer's test last: the only one with a second Wine server on the display. Once,
    the next program's window never got the keyboard after it."""
    items.sort(key=lambda item: item.path.name == "test_installer.py")


class Session:
    def __init__(self, stack):
        self._stack = stack
        self.radios = {}
        self.utility = None
        self._read = 0  # record events already returned

    def start(self, ports=(1,), scenario=None, **utility):
        """Radios on `ports`, then the program, with a record of its own."""
        for port in ports:
            self.plug_radio(scenario, port)
        with contextlib.suppress(FileNotFoundError, NotADirectoryError):
            wine.record_file().unlink()
        self._read = 0
        self.utility = start_utility(**utility)
        self._stack.callback(self.utility.wait)
        self._stack.callback(self.utility.kill)

    def plug_radio(self, scenario, port=1):
        """A simulated radio on COMn, in place of any radio there."""
        if port in self.radios:
            self.radios[port].stop()
        self.radios[port] = self._stack.enter_context(Radio(scenario, port=port))

    @property
    def radio(self):
        return self.radios[1]

    def start_run(self):
        window(MAIN)
        press("Return")  # Enter presses OK, the default button

    answer = staticmethod(answer)

    def exit(self):
        """Exit pressed in the main window: the program's exit code; it must end within 20 s."""
        window(MAIN)
        press("alt+e")
        return self.utility.wait(20)

    def enter_writing_mode(self):
        """The person re-cables the radio with S1 on, then accepts the prompt."""
        window(BOX)
        self.radio.switch_to_boot()
        self.answer()

    def run_said(self, timeout=120):
        """The next run's events in the record, from "run started" to "run ended", once it has ended."""
        def ended():
            events = record()[self._read:]
            end = next((i for i, e in enumerate(events) if e.startswith("run ended")), None)
            return None if end is None else events[:end + 1]
        run = until(ended, timeout, "the run's end in the record")
        self._read += len(run)
        assert run[0].startswith("run started"), run
        return run


@pytest.fixture
def session():
    with contextlib.ExitStack() as stack:
        yield Session(stack)


@pytest.fixture
def update(session):
    """The program with a ZK-4100 on COM1 (or on each of `ports`) and the marker as given, its
    window on the screen."""
    def start(marker_setup=("create",), normal=None, faults=None, ports=(1,), start_in="normal", **utility):
        marker(*marker_setup)
        session.start(ports, zk4100(start_in=start_in, normal=normal, faults=faults), **utility)
        window(MAIN)
        return session
    yield start
    marker("clear")
