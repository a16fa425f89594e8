"""The README's screenshots (see scripts/screenshots)."""
import pathlib
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "rig"))

from rig import wine  # noqa: E402
from rig.programs import MAIN, answer, marker, pages_shown, press, start_utility, until, window  # noqa: E402
from rig.radio import Radio, zk4100  # noqa: E402

OUT = wine.ROOT / "docs" / "screenshots"


def shoot(name):
    """The main window alone, as it is on the screen now."""
    path = OUT / f"{name}.png"
    subprocess.run(["import", "-window", window(MAIN), str(path)], check=True)
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
            utility = start_utility()
            time.sleep(0.5)
            shoot("idle")
            press("alt+h")  # the page the browser is asked for, drawn as a browser draws it
            page = until(pages_shown, 20, "the help's page")[0]
            # The page's pictures are local files, which wkhtmltoimage loads only when told to.
            subprocess.run(["wkhtmltoimage", "--quiet", "--enable-local-file-access", "--quality", "80", "--width",
                            "900", "--height", "1100", page, OUT / "help.png"], check=True)
            press("Return")  # OK
            answer()  # the writing-mode prompt
            until(flag.exists, 60, "the radio holding back its reply", every=0.01)
            time.sleep(0.3)
            shoot("writing")
            for _ in range(2):  # the completion and the normal-mode instructions
                answer()
            press("alt+e")
            utility.wait(30)
    marker("clear")
    if started:
        wine.stop_server()


if __name__ == "__main__":
    main()
