"""The README's screenshots (see scripts/screenshots)."""
import pathlib
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "rig"))

from rig import wine  # noqa: E402
from rig.programs import LineProgram, Utility, click, marker  # noqa: E402
from rig.radio import Radio, zk4100  # noqa: E402

OUT = wine.ROOT / "docs" / "screenshots"


def shoot(op, name):
    """The main window alone, as it is on the screen now."""
    left, top, right, bottom = op("state")["rect"]
    path = OUT / f"{name}.png"
    subprocess.run(["import", "-window", "root", "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                    str(path)], check=True)
    print(f"wrote {path.relative_to(wine.ROOT)}")


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    wine.ensure_prefix()
    started = wine.start_server()
    marker("create", "3120")  # straight to the writing-mode prompt
    with tempfile.TemporaryDirectory() as folder:
        flag = pathlib.Path(folder) / "writing"
        # The radio holds one acknowledgement in block 9 long enough to take the picture.
        hold = {"at": "chunk:9:300", "kind": "signal", "flag_file": str(flag), "delay_ms": 900}
        with Radio(zk4100(start_in="boot", faults=[hold])):
            utility = Utility()
            with LineProgram("operator.exe") as op:
                op("find 30000")
                time.sleep(0.5)
                shoot(op, "idle")
                click(op, 1000)
                op("wait-box 10000")
                op("answer-box OK")
                while not flag.exists():
                    time.sleep(0.01)
                time.sleep(0.3)
                shoot(op, "writing")
                for _ in range(2):  # the completion and the normal-mode instructions
                    op("wait-box 60000")
                    op("answer-box OK")
                click(op, 1002)
            utility.wait(30)
    marker("clear")
    if started:
        wine.stop_server()


if __name__ == "__main__":
    main()
