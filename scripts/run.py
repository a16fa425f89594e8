"""Starts the utility against the simulated radio on COM1 (see scripts/run).

With a display, the person at the screen clicks through an update; without one,
Enter accepts every prompt. Either way the terminal shows the run record as it
grows, and the radio is re-cabled as the prompts ask: normal mode for the
connection prompt, boot mode (switch S1 on) for the writing-mode prompt."""
import argparse
import pathlib
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "rig"))

from rig import wine  # noqa: E402
from rig.programs import BOX, MAIN, answer, marker, press, record, shown, start_utility, window  # noqa: E402
from rig.radio import Radio, zk4100  # noqa: E402

SCREENSHOT = wine.BUILD / "run.png"


def rewire(radio, said):
    """What the prompt on the screen asks the person to do with the radio: the record's last
    event tells which prompt it is."""
    last = said[-1] if said else ""
    if last.startswith("identification: reply") and "accepted" in last or last.endswith("marker 3120"):
        radio.switch_to_boot()  # the writing-mode prompt
    elif last.startswith("run started"):
        radio.switch_to_normal()  # the connection prompt


def follow(utility, radio, accept):
    """Prints the run record as it grows and re-cables the radio at each prompt, until the
    utility ends, or (answering every box with OK) until a run has ended."""
    printed, boxes = len(record()), set()
    while utility.poll() is None:
        said = record()
        for event in said[printed:]:
            print(f"  {event}")
        printed = len(said)
        if accept and said and said[-1].startswith("run ended"):
            return
        box = next((w for w in shown(BOX) if w not in boxes), None)
        if box:
            boxes.add(box)
            rewire(radio, said)
            if accept:
                answer()
        time.sleep(0.2)


def headless(utility, radio):
    window(MAIN)
    press("Return")  # OK: start an update
    follow(utility, radio, accept=True)
    subprocess.run(["import", "-window", "root", str(SCREENSHOT)], check=False)
    print(f"\nScreenshot of the window after the update: {SCREENSHOT}")
    press("alt+e")  # Exit
    print(f"The utility ended with exit code {utility.wait(30)}")


def interactive(utility, radio):
    print("The utility is running with the simulated ZK-4100 on COM1: click OK to update it.")
    follow(utility, radio, accept=False)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--headless", action="store_true", help="no display: accept every prompt and report")
    args = parser.parse_args()
    wine.ensure_prefix()
    wine.stop_server()
    wine.start_server()
    marker("create")  # as an installation would: the utility itself never creates the key
    with Radio(zk4100(start_in="normal")) as radio:
        utility = start_utility()
        (headless if args.headless else interactive)(utility, radio)
        report = radio.stop()
    boot = report["radio"]["boot"]
    print(f"Bytes on the line: {report['to_radio']['count']} to the radio, {report['from_radio']['count']} from it")
    if boot:
        print(f"The radio's flash {'now holds' if boot['flash_matches'] else 'does NOT hold'} the firmware image.")
    wine.stop_server()


if __name__ == "__main__":
    main()
