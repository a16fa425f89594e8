"""Whole updates under one fault each (faultplan.py): the update completes if and only if
the radio's flash holds the image and every block was acknowledged; every failure ends in
its stage's message, with the window idle, the port closed, the marker kept, and nothing
sent after it."""
import json

import pytest

from faultplan import Host, plans


@pytest.fixture(scope="module")
def host():
    with Host() as h:
        yield h


@pytest.mark.parametrize("plan", plans(), ids=lambda p: f"{p['kind']}@{p['at']}")
def test_one_fault_in_a_whole_update(host, plan):
    problems = host.run(plan)
    assert not problems, f"{problems}\nreplay: make soak PLAN='{json.dumps(plan)}'"
