"""The build refuses what it must not ship: payload files of the wrong size or first bytes, naming
the file; a help that does not quote a text the program shows, naming the text."""
import pathlib
import re
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[1]


@pytest.mark.parametrize("sample", ["write-control-program", "firmware"])  # wrong size; wrong first bytes
def test_the_build_refuses_a_payload_file_that_is_not_one(tmp_path, sample):
    source = ROOT / "payload" / f"sample-{sample}.bin"
    run = subprocess.run(["cmake", f"-DINPUT={source}", f"-DOUTPUT={tmp_path / 'payload.cpp'}", "-DSYMBOL=X",
                          "-DSIZE=262144", "-DPREFIX=059a", f"-DSAMPLE={source}", "-P",
                          str(ROOT / "cmake" / "embed_payload.cmake")],
                         capture_output=True, text=True)
    # CMake wraps long messages at spaces: any run of blanks may be a line break.
    assert run.returncode != 0 and re.search(rf"Payload\s+file\s+{re.escape(str(source))}\s+.*must", run.stderr, re.S)


@pytest.mark.parametrize("changed, text, new, said", [
    ("Resources.rc", '"Com Port:"', '"Serial port:"', 'Resources.rc: "Serial port:"'),  # a label of the window
    ("ZK4100Update.rc", '"&About ZK-4100 Update..."', '"&About this program..."',
     'ZK4100Update.rc: "About this program..."'),  # the window menu's entry, as it reads
    ("Texts.h", '"Failed to open serial port."', '"Could not open the port."', "Texts.h: PortOpenFailed"),
], ids=["label", "menu", "message"])
def test_the_build_refuses_a_help_that_does_not_quote_a_text_the_program_shows(tmp_path, changed, text, new, said):
    shown = {name: ROOT / "ui" / name for name in ("Texts.h", "Resources.rc", "ZK4100Update.rc")}
    source = shown[changed].read_text()
    assert text in source
    shown[changed] = tmp_path / changed
    shown[changed].write_text(source.replace(text, new))
    run = subprocess.run(["/usr/bin/python3", ROOT / "cmake" / "make_help.py", ROOT / "docs" / "help.md",
                          tmp_path / "help", *shown.values()], capture_output=True, text=True)
    assert run.returncode != 0 and said in run.stderr and not (tmp_path / "help").exists(), run.stderr
