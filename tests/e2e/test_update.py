"""Whole updates through the window: prompts, identification, the registry marker, a
Cancel and a second run, a record that cannot be kept where it goes, Help during a run and from a
downloads folder, the port picked, ports that cannot be opened, DLLs planted beside the program, and
the README's `make run`.
(One fault at each step of the writing is the stage layer's property, tests/stage/test_faults.py.)"""
import os
import shlex
import shutil
import subprocess

import pytest

from rig import wine
from rig.programs import (BOX, MAIN, PLANTED_RUN, WAIT_S, boxes, copy_program, marker, message, pages_shown,
                          planted_beside, press, prompt, record, until, window)
from rig.radio import zk4100
from texts import COMPLETED, CONNECTION, DETECTION_FAILED, NORMAL_MODE, PORT_FAILED, WRITE_FAILED, WRITING_MODE


def test_keys_that_end_nothing_a_cancel_then_a_second_run_that_completes_and_exit(update, tmp_path):
    # The radio answers "?;" until the person's keys have been seen: they land while it is
    # being identified, however long the machine takes.
    keys_seen = tmp_path / "keys-seen"
    s = update(normal={"busy_until": str(keys_seen)})  # the key exists; "Data" does not yet
    end_nothing = ("Escape", "alt+F4")  # alt+F4: the close request, as a window manager's close button sends it
    press(*end_nothing)
    s.start_run()
    s.answer()  # the connection prompt
    window(MAIN, s.run_over)
    press(*end_nothing, "Return")  # identifying: Enter now presses Cancel, which has the focus
    until(lambda: "Cancel pressed" in record(), WAIT_S, "the Cancel in the record", hopeless=s.run_over)
    keys_seen.touch()
    s.enter_writing_mode()  # identification does not look at the abort ...
    s.answer()  # "Failed!"
    run = s.run_said()
    assert boxes(run) == [prompt(CONNECTION, "OK"), prompt(WRITING_MODE, "OK"), message(WRITE_FAILED)]
    assert marker("read") == {"key": True, "value": 3120}
    assert s.radios[1].stop()["radio"]["boot"]["program"]["received"] == 1  # ... the loader does, at its first byte

    s.plug_radio(zk4100(start_in="boot"))  # the second run starts without the abort
    s.start_run()
    for _ in range(3):  # the writing-mode prompt, "Completed!", the normal-mode instructions
        s.answer()
    assert s.radios[1].stop()["radio"]["boot"]["flash_matches"]
    assert s.exit() == 0  # while Exit does end it


# What a standard user can leave where the record goes: a file in its folder's place, the folder or
# the file a link to elsewhere, the file a second name of another. No record is kept, nothing is
# written elsewhere, and the run goes as ever.
@pytest.mark.parametrize("left", ["file-for-folder", "folder-link", "file-link", "hard-link"])
def test_no_record_where_its_place_is_not_its_own_and_the_run_goes_as_ever(update, request, tmp_path, left):
    s = update(("create", "3120"), start_in="boot")
    elsewhere, log = tmp_path / "elsewhere", wine.record_file()
    elsewhere.mkdir()
    (elsewhere / "theirs.log").write_bytes(b"theirs")
    shutil.rmtree(log.parent, ignore_errors=True)
    log.parent.parent.mkdir(parents=True, exist_ok=True)
    request.addfinalizer(lambda: shutil.rmtree(log.parent) if log.parent.is_dir() and not log.parent.is_symlink()
                         else log.parent.unlink())
    if left == "file-for-folder":
        log.parent.write_bytes(b"")
    elif left == "folder-link":
        log.parent.symlink_to(elsewhere)
    else:
        log.parent.mkdir()
        (log.symlink_to if left == "file-link" else log.hardlink_to)(elsewhere / "theirs.log")
    s.start_run()
    for _ in range(3):  # the writing-mode prompt, "Completed!", the normal-mode instructions
        s.answer()
    assert s.radios[1].stop()["radio"]["boot"]["flash_matches"]
    assert [(p.name, p.read_bytes()) for p in elsewhere.iterdir()] == [("theirs.log", b"theirs")]


def test_a_marker_without_its_key_is_passed_over_in_silence_then_the_helps_way_back(update):
    # No key, no marker to store (the installer makes the key); a key the user may only read:
    # tests/stage/test_marker.py.
    s = update(("clear",))
    s.start_run()
    s.answer()
    s.answer("Escape")
    assert boxes(s.run_said()) == [prompt(CONNECTION, "OK"), prompt(WRITING_MODE, "Cancel")]
    assert marker("read") == {"key": False, "value": None}
    # A failed write has stranded the radio: the help's way back goes straight to the prompt.
    command = next(line.strip() for line in (wine.ROOT / "docs" / "help.md").read_text().splitlines()
                   if line.strip().startswith("reg add "))
    command = command.replace("/reg:32", wine.reg_view())  # the x86_64 stand-in reads the 64-bit view
    wine.reg(*shlex.split(command)[1:])  # after "reg"
    s.start_run()
    s.answer("Escape")  # refused: the stored marker stays
    assert boxes(s.run_said()) == [prompt(WRITING_MODE, "Cancel")]
    assert s.radios[1].stop()["radio"]["normal"]["commands"] == ["TY"]  # the first run's
    assert marker("read")["value"] == 3120


def test_refusing_the_connection_prompt_changes_nothing_nor_does_a_refused_identification(update):
    # Position 4 is not '0'; the record keeps all of it, a backslash and a byte past ASCII escaped.
    reply, recorded = "TY121 \\x41 firmware 1.03\xe9 (long);", "TY121 \\x5Cx41 firmware 1.03\\xE9 (long);"
    s = update(normal={"reply": reply})
    # A record of 1 MB: the next run moves it over the old one and begins a new file.
    full, old = b"x" * 1024 * 1024, wine.record_file().with_name("update.old.log")
    wine.record_file().parent.mkdir(parents=True, exist_ok=True)
    wine.record_file().write_bytes(full)
    old.write_bytes(b"an older record")
    s.start_run()
    s.answer("Escape")
    assert boxes(s.run_said()) == [prompt(CONNECTION, "Cancel")]
    s.start_run()  # the window is idle again: Enter starts the next run, whose events follow
    s.answer()
    s.answer()
    run = s.run_said()
    assert boxes(run) == [prompt(CONNECTION, "OK"), message(DETECTION_FAILED)]
    assert f"identification: reply {recorded} refused, after 0 busy replies" in run
    assert old.read_bytes() == full
    assert s.radios[1].stop()["to_radio"]["count"] == 6  # the second run's query: the first sent nothing
    assert marker("read")["value"] is None


def test_help_slow_to_read_then_help_gone_during_chunk_waits_and_an_end_of_session_refused_only_during_the_write(
        update, request, tmp_path):
    # The radio holds back its 0x11 for a chunk 400 ms, well inside the 1,000 ms time-out, twice,
    # and says when it begins. The first time the person presses Help while its page cannot be read
    # yet (a share that answers late): the write goes on meanwhile, and the page opens once it can be
    # read, by the second hold. Then Help again with the page gone: "Failed to launch help.",
    # captioned with the program's name, read for 3 s, while Windows asks to end the session. At the
    # next run's connection prompt, Windows ends it.
    program = copy_program(tmp_path)
    page = tmp_path / "help/procedure.html"
    flags = [tmp_path / f"holding-{n}" for n in (1, 2)]
    holds = [{"at": at, "kind": "signal", "flag_file": str(flag), "delay_ms": 400}
             for at, flag in zip(("chunk:1:5", "chunk:4:5"), flags)]
    s = update(("create", "3120"), faults=holds, program=program)
    whole = page.read_bytes()
    page.unlink()
    os.mkfifo(page)
    late = os.open(page, os.O_RDWR)  # a reader of the page waits until it is written
    request.addfinalizer(lambda: os.close(late))
    s.start_run()
    s.enter_writing_mode()
    until(flags[0].exists, WAIT_S, "the radio holding back its reply", every=0.01, hopeless=s.run_over)
    window(MAIN, s.run_over)
    press("alt+h")
    until(flags[1].exists, WAIT_S, "the radio holding back its reply again", every=0.01, hopeless=s.run_over)
    assert pages_shown() == []
    # The share answers: what reads the page from now on finds it whole at once (the desktop's shell
    # too), and the read that waits gets it.
    (tmp_path / "whole.html").write_bytes(whole)
    os.replace(tmp_path / "whole.html", page)
    os.write(late, whole)
    until(pages_shown, WAIT_S, "the help's page asked of the browser", hopeless=s.run_over)
    page.unlink()
    window(MAIN, s.run_over)
    press("alt+h")
    window(program.stem, s.run_over)
    assert wine.end_session() == 1  # refused
    s.answer(caption=program.stem, read_s=3)
    s.answer()
    s.answer()
    run = s.run_said()
    assert boxes(run) == [prompt(WRITING_MODE, "OK"), message(COMPLETED), message(NORMAL_MODE)]
    # The PC is held from the loader transfer to the result, and only then.
    at = {e.split(":")[0]: i for i, e in enumerate(run)}
    assert (run.index(prompt(WRITING_MODE, "OK")) < at["boot mode entered"] < at["hold began"]
            < at["Windows asked to end the session (a shutdown or restart)"] < at["hold ended"]
            < run.index(message(COMPLETED))), run
    assert s.radios[1].stop()["radio"]["boot"]["flash_matches"]
    assert pages_shown() == [page]
    marker("create", "0")  # a radio to identify: the next run waits at the connection prompt
    s.start_run()
    window(BOX, s.run_over)
    assert (wine.end_session(), s.utility.wait(20)) == (0, 0)  # a prompt holds nothing: the program agrees and ends


def test_from_downloads_beside_planted_dlls_the_ports_that_open_the_port_picked_and_a_port_gone(update, tmp_path):
    # The program is started from a downloads folder that holds DLLs named after Windows' own.
    program = copy_program(tmp_path)
    with planted_beside(program):
        # COM1 and COM3 cannot be opened; another program has left hardware flow control on.
        s = update(("create", "3120"), ports=(2, 4), start_in="boot", line={"crtscts": True}, program=program,
                   cwd=program.parent, **PLANTED_RUN)
        press("shift+Tab", "Down")  # from OK back to the list, and its second entry
        s.start_run()
        for _ in range(3):
            s.answer()
        run = s.run_said()
        assert ", port COM4," in run[0]
        assert ["CTS flow on" in e for e in run if e.startswith("port opened")] == [True, True]  # the pty passes all
        assert boxes(run) == [prompt(WRITING_MODE, "OK"), message(COMPLETED), message(NORMAL_MODE)]
        assert s.radios[4].stop()["radio"]["boot"]["flash_matches"]
        assert s.radios[2].stop()["to_radio"]["count"] == 0
        # COM4 gone when it is opened again after the prompt (its first opening: in-process).
        s.plug_radio(zk4100(start_in="boot"), port=4)
        s.start_run()
        window(BOX, s.run_over)
        s.radios[4].stop()
        s.answer()
        s.answer()
        assert boxes(s.run_said()) == [prompt(WRITING_MODE, "OK"), message(PORT_FAILED)]
        window(MAIN, s.ended)
        press("alt+h")  # the shell's loads for the browser, beside the copies too
        assert until(pages_shown, WAIT_S, "the help's page") == [tmp_path / "help/procedure.html"]


def test_make_run_twice_as_a_newcomer_after_earlier_runs_filled_the_record(request):
    # The README's first command without a display, after earlier runs left a record of 1 MB that
    # ends as every run does: the first make run rotates it, the second follows the first's run.
    earlier = b"2020-01-01 00:00:00.000 COM1 run ended after 9999.000 s\r\n" * 20000
    wine.record_file().parent.mkdir(parents=True, exist_ok=True)
    wine.record_file().write_bytes(earlier)
    request.addfinalizer(lambda: (wine.stop_server(), wine.start_server(), marker("clear")))  # make run ends both
    newcomer = {name: value for name, value in os.environ.items() if name != "DISPLAY"}
    kept = b""
    for _ in range(2):
        done = subprocess.run(["make", "run"], cwd=wine.ROOT, env=newcomer, capture_output=True, text=True, timeout=300)
        said = "\n".join(f"exit code {done.returncode}\n{done.stdout}{done.stderr}".splitlines()[-40:])
        assert done.returncode == 0 and "The radio's flash now holds the firmware image." in done.stdout, said
        assert done.stdout.count("  run started") == done.stdout.count("  run ended") == 1 and "9999" not in said, said
        assert wine.record_file().with_name("update.old.log").read_bytes() == earlier
        assert wine.record_file().read_bytes().startswith(kept)  # an earlier record is never changed
        kept = wine.record_file().read_bytes()
