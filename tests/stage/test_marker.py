"""The registry marker under HKEY_LOCAL_MACHINE as the program reads and writes it, set up by
Wine's reg.exe; and the rights the program needs to write it."""
import pytest

from rig import wine
from rig.programs import marker, record
from rig.radio import zk4100
from texts import CONNECTION, RIGHTS, as_seen, boxes_for


@pytest.mark.parametrize("setup, before, after", [
    ((), 3120, 3120),  # no key: the read-back keeps what is in memory
    (("create",), 3120, 3120),  # no value: likewise
    (("create", "3120"), 0, 3120),
    (("create", "77"), 3120, 77),
    (("create", "300C", "REG_BINARY"), 3120, 0),  # too short
    (("create", "300C00000000", "REG_BINARY"), 3120, 0),  # too long
    (("create", "3120", "REG_SZ"), 3120, 0),
], ids=["no-key", "no-value", "identified", "other-number", "short", "long", "string"])
def test_a_read_takes_a_full_dword_and_counts_any_other_value_as_not_identified(host, setup, before, after):
    marker(*(setup or ("clear",)))
    assert host("marker", before)["marker"] == after


def test_a_write_stores_the_marker_but_never_creates_the_key(host):
    marker("clear")
    host("write-marker")
    assert marker("read") == {"key": False, "value": None}
    marker("create", "5")
    host("write-marker")
    assert marker("read") == {"key": True, "value": 3120}


def test_a_key_the_user_may_only_read_ends_the_run_after_identification_saying_so(stage, tmp_path):
    marker("create", "77")
    # While the radio is asked, the PC goes to sleep, wakes, and is shut down by force: the
    # record tells each, the last as its last line.
    asked = tmp_path / "asked"
    radio, host = stage(zk4100(start_in="normal", faults=[{"at": "query", "kind": "signal", "flag_file": str(asked),
                                                           "delay_ms": 100}]))
    for ms, message, *event in ((0, 0x218, 4, 0), (10, 0x218, 18, 0), (20, 0x16, 1, 0x40000000)):
        host("post-on-file", wine.windows_path(asked), ms, message, *event)  # WM_POWERBROADCAST, WM_ENDSESSION
    assert host("marker-rights", "read")["result"]  # as a user without administrator rights meets it
    try:
        shown = host("update")["boxes"]
        stored = host("marker", 0)["marker"]
    finally:
        host("marker-rights", "all")
    assert (as_seen(shown), stored) == (boxes_for(CONNECTION, RIGHTS), 77)
    assert record()[-3:] == ["the PC goes to sleep during the run (a closed lid, a flat battery)",
                             "the PC wakes up during the run",
                             "the session ends (a forced shutdown) during the run: the run stops here"]

