"""Start-up, the port list, and the ways the window does and does not end."""
import time

import pytest

from texts import IDLE_STATUS


def test_lists_the_ports_that_open_and_shows_the_idle_texts(session):
    op = session.start(ports=(2, 4))
    assert op("find 30000")["ok"]
    state = session.state()
    assert state["combo"] == {"items": ["COM2", "COM4"], "selection": 0}
    assert state["controls"]["1007"]["text"] == IDLE_STATUS
    assert state["controls"]["1006"]["text"] == ""
    assert op("click 1002")["ok"]
    assert session.utility.wait(20) == 0


def test_without_ports_it_says_so_and_ends(session):
    op = session.start(ports=())
    box = op("wait-box 30000")
    assert (box["caption"], box["text"], box["buttons"]) == (
        "ZK-4100 Update", "There are no serial ports available.", ["OK"])
    assert op("answer-box OK")["ok"]
    assert session.utility.wait(20) == 0


@pytest.mark.parametrize("action", ["key esc", "key alt+f4", "close"])
def test_esc_alt_f4_and_the_close_request_do_not_end_the_dialog(session, action):
    op = session.start()
    assert op("find 30000")["ok"]
    assert op(action)["ok"]
    time.sleep(1)
    assert session.state()["exists"]
    assert session.utility.running()
    assert op("click 1002")["ok"]
    assert session.utility.wait(20) == 0
