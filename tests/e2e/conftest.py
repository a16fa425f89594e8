"""End-to-end tests: the real program under Wine, simulated radios on its COM ports, and a
person's keys through the X server. What the program said is read where a technician reads
it, in its run record; its boxes are known on the screen by their captions."""
import contextlib
import pathlib

import pytest

from rig import wine
from rig.programs import BOX, MAIN, WAIT_S, answer, marker, press, record, start_utility, until, window
from rig.radio import Radio, zk4100


def desktop_running():
    """Whether the prefix's desktop process (Wine's explorer.exe /desktop) is there, closing or not."""
    prefix = f"WINEPREFIX={wine.PREFIX}\0".encode()
    for process in pathlib.Path("/proc").glob("[0-9]*"):
        with contextlib.suppress(OSError):
            if b"explorer.exe\0/desktop" in (process / "cmdline").read_bytes() and prefix in (
                    process / "environ").read_bytes():
                return True
    return False


class Session:
    """The program as a person at the screen drives it: each key pressed only once the program
    is in the state the key is meant for, as the screen or the record shows it."""

    def __init__(self, stack):
        self._stack = stack
        self.radios = {}
        self.utility = None
        self._read = 0  # record events already returned
        self._runs = self._said = 0  # runs started, and read to their end

    def start(self, ports=(1,), scenario=None, **utility):
        """Radios on `ports`, then the program, with a record of its own."""
        for port in ports:
            self.plug_radio(scenario, port)
        wine.clear_record()
        self._read = self._runs = self._said = 0
        # Wine closes a desktop that no program uses a moment after the last one ends (Windows never
        # does), and ends what was started on it meanwhile, or takes its windows with it.
        until(lambda: not desktop_running(), WAIT_S, "the desktop the last program left, closed")
        self.utility = start_utility(**utility)
        self._stack.callback(self.utility.wait)
        self._stack.callback(self.utility.kill)

    def plug_radio(self, scenario, port=1):
        """A simulated radio on COMn, in place of any radio there."""
        if port in self.radios:
            self.radios[port].stop()
        self.radios[port] = self._stack.enter_context(Radio(scenario, port=port))

    def ended(self):
        """Why nothing more can come from the program: it has ended."""
        return (code := self.utility.poll()) is not None and f"the program ended with exit code {code}"

    def run_over(self):
        """Why no box can come any more: the program has ended, or so has the run."""
        run_ended = self._said < self._runs and any(e.startswith("run ended") for e in record()[self._read:])
        return self.ended() or run_ended and "the run has ended (see its record)"

    def start_run(self):
        """Enter on the idle window, once the record says the earlier run ended (it does so once
        the window is idle again)."""
        if self._said < self._runs:
            self.run_said()
        window(MAIN, self.ended)
        press("Return")  # Enter presses OK, the default button
        self._runs += 1

    def answer(self, key="Return", **box):
        answer(key, hopeless=self.run_over, **box)

    def exit(self):
        """Exit pressed in the main window: the program's exit code; it must end within 20 s."""
        window(MAIN, self.ended)
        press("alt+e")
        return self.utility.wait(20)

    def enter_writing_mode(self):
        """The person re-cables the radio with S1 on, then accepts the prompt."""
        window(BOX, self.run_over)
        self.radios[1].switch_to_boot()
        self.answer()

    def run_said(self):
        """The next run's events in the record, from "run started" to "run ended", once it has ended."""
        def ended():
            events = record()[self._read:]
            end = next((i for i, e in enumerate(events) if e.startswith("run ended")), None)
            return None if end is None else events[:end + 1]
        run = until(ended, WAIT_S, "the run's end in the record", hopeless=self.ended)
        self._read += len(run)
        self._said += 1
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
    def start(marker_setup=("create",), normal=None, faults=None, ports=(1,), start_in="normal", line=None, **utility):
        marker(*marker_setup)
        session.start(ports, zk4100(start_in=start_in, normal=normal, faults=faults, line=line or {}), **utility)
        window(MAIN, session.ended)
        return session
    yield start
    marker("clear")
