"""The main window's own behaviour, in-process (Wine keeps menus per process): its window menu,
and when that opens."""
from rig.programs import ABOUT

SC_SIZE, SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE, SC_RESTORE = 0xF000, 0xF010, 0xF020, 0xF030, 0xF060, 0xF120


def test_the_window_menu_loses_size_maximize_and_close_and_gains_about(host):
    # The standard menu (Restore, Move, Size, Minimize, Maximize, separator, Close, and whatever
    # the platform adds after it) without Size, Maximize, Close and the separator before Close.
    menu = host("menu")
    standard = menu["standard"]
    kept = [e for e, after in zip(standard, standard[1:] + [[None]])
            if e[0] not in (SC_SIZE, SC_MAXIMIZE, SC_CLOSE) and not (e[0] == 0 and after[0] == SC_CLOSE)]
    assert [e[0] for e in kept[:3]] == [SC_RESTORE, SC_MOVE, SC_MINIMIZE]
    assert menu["entries"][:-1] == kept + [[0, ""]]
    about, text = menu["entries"][-1]
    assert text == "&About ZK-4100 Update..."
    assert [b["caption"] for b in host("syscommand", about)["boxes"]] == [ABOUT]


def test_the_window_menu_opens_only_while_idle(host):
    about = host("menu")["entries"][-1][0]
    for idle in (True, False):
        host("enable-start", idle)
        for how in ("keyboard", "mouse"):  # the window icon clicked
            assert host("opens-menu", how)["opened"] == idle, (how, idle)
        assert not host("opens-menu", "context")["opened"]
        assert len(host("syscommand", about)["boxes"]) == 1  # About itself is obeyed either way
    host("enable-start", True)
