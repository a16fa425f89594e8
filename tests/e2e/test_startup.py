"""Start-up: the port list and the window an operator first sees, or the message that there is no port."""
from rig.programs import click
from texts import IDLE_STATUS, NO_PORTS

CAUTION = "CAUTION: Do not operate a keyboard and mouse while updating the firmware."


def test_lists_the_ports_that_open_and_shows_the_idle_window(session):
    op = session.start(ports=(2, 4))
    assert op("find 30000")["ok"]
    state = session.state()
    assert state["combo"] == {"items": ["COM2", "COM4"], "selection": 0}
    controls = state["controls"]
    assert {i: controls[i]["text"] for i in ("1000", "1001", "57670", "1002", "1005", "1007", "1006", "1009")} == {
        "1000": "&OK", "1001": "&Cancel", "57670": "&Help", "1002": "&Exit", "1005": "Com Port:",
        "1007": IDLE_STATUS, "1006": "", "1009": CAUTION}
    assert {i: (controls[i]["enabled"], controls[i]["visible"]) for i in ("1001", "1006", "1009")} == {
        "1001": (False, True), "1006": (False, True), "1009": (True, False)}
    assert (state["focus"], state["default_id"], state["progress"]["pos"]) == (1000, 1000, 0)
    click(op, 1002)
    assert session.utility.wait(20) == 0


def test_without_ports_it_says_so_and_ends(session):
    op = session.start(ports=())
    box = op("wait-box 30000")
    assert (box["caption"], box["text"], box["icon"], box["buttons"]) == ("ZK-4100 Update", NO_PORTS, "stop", ["OK"])
    assert op("answer-box OK")["ok"]
    assert session.utility.wait(20) == 0
