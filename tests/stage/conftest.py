"""In-process tests: the real dialog, hidden in the stage host, on its own or with the simulated
radio on COM1."""
import contextlib

import pytest

from rig.programs import StageHost
from rig.radio import Radio
from texts import NO_PORTS, as_seen, boxes_for


@pytest.fixture
def stage():
    """Starts the radio with a scenario, then the host (which lists the ports as it starts)."""
    with contextlib.ExitStack() as stack:
        def start(scenario=None):
            radio = stack.enter_context(Radio(scenario))
            host = stack.enter_context(StageHost())
            return radio, host
        yield start


@pytest.fixture(scope="module")
def host():
    """One host for a module's in-process tests, without a radio: as it starts, its window lists
    no port and says so in a box, which is answered."""
    with StageHost() as h:
        started = h("ports")
        assert (started["items"], as_seen(started["boxes"])) == ([], boxes_for(NO_PORTS))
        yield h
