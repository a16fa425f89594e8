"""The build refuses payload files of the wrong size or first bytes, naming the file."""
import pathlib
import re
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[1]


@pytest.mark.parametrize("sample", ["write-control-program", "firmware"])  # wrong size; wrong first bytes
def test_the_build_refuses_a_payload_file_that_is_not_one(tmp_path, sample):
    source = ROOT / "payload" / f"sample-{sample}.bin"
    run = subprocess.run(["cmake", f"-DINPUT={source}", f"-DOUTPUT={tmp_path / 'payload.cpp'}", "-DSYMBOL=X",
                          "-DSIZE=262144", "-DPREFIX=059a", "-P", str(ROOT / "cmake" / "embed_payload.cmake")],
                         capture_output=True, text=True)
    # CMake wraps long messages at spaces: any run of blanks may be a line break.
    assert run.returncode != 0 and re.search(rf"Payload\s+file\s+{re.escape(str(source))}\s+.*must", run.stderr, re.S)
