"""Starts the utility against the simulated radio on COM1 (see scripts/run)."""
import argparse
import pathlib
import subprocess
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "rig"))

from rig import wine  # noqa: E402
from rig.programs import LineProgram, Utility  # noqa: E402
from rig.radio import Radio  # noqa: E402

SCREENSHOT = wine.BUILD / "run.png"


def show_window(op):
    state = op("state")
    controls = state["controls"]
    print(f"Port list: {', '.join(state['combo']['items'])} (selected: "
          f"{state['combo']['items'][state['combo']['selection']]})")
    print(f"Status line: {controls['1007']['text']!r}")
    print(f"Percent: {controls['1006']['text']!r}")


def headless(utility):
    with LineProgram("operator.exe") as op:
        if not op("find 30000")["ok"]:
            box = op("wait-box 1000")
            print(f"Message box: {box.get('text')!r}")
            op("answer-box OK")
            return
        show_window(op)
        subprocess.run(["import", "-window", "root", str(SCREENSHOT)], check=False)
        print(f"Screenshot: {SCREENSHOT}")
        op("click 1002")  # Exit
    print(f"The utility ended with exit code {utility.wait(30)}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--headless", action="store_true", help="no display: report what the window shows")
    args = parser.parse_args()
    wine.ensure_prefix()
    wine.stop_server()
    wine.start_server()
    with Radio() as radio:
        utility = Utility()
        if args.headless:
            headless(utility)
        else:
            print("The simulated radio is COM1. Close the utility with Exit.")
            utility.wait(None)
        report = radio.stop()
    print(f"Bytes on the line: {report['to_radio']['count']} to the radio, "
          f"{report['from_radio']['count']} from it")
    wine.stop_server()


if __name__ == "__main__":
    main()
