"""Starts the utility against the simulated radio on COM1 (see scripts/run).

With a display, the person at the screen clicks through an update; without one,
the operator program clicks OK and accepts every prompt, and the terminal shows
each message box, the status line and the percent figure as they change. Either
way the radio is re-cabled as the prompts ask: normal mode for the connection
prompt, boot mode (switch S1 on) for the writing-mode prompt."""
import argparse
import pathlib
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "rig"))

from rig import wine  # noqa: E402
from rig.programs import LineProgram, Utility, click, marker  # noqa: E402
from rig.radio import Radio, zk4100  # noqa: E402

SCREENSHOT = wine.BUILD / "run.png"
FOREVER_MS = 24 * 3600 * 1000


SHOWN = {}  # the last value printed of each kind: each watch starts by reporting them all


def show(event):
    kind = event["event"]
    value = event.get("text", event.get("visible"))
    if kind != "box" and SHOWN.get(kind) == value:
        return
    SHOWN[kind] = value
    if kind == "status":
        print(f"  status:  {event['text']}")
    elif kind == "percent" and event["text"]:
        # On a terminal the figure counts up in place.
        last = event["text"] == "100%" or not sys.stdout.isatty()
        print(f"  percent: {event['text']}", end="\n" if last else "\r", flush=True)
    elif kind == "caution":
        print(f"  caution line {'shown' if event['visible'] else 'hidden'}")
    elif kind == "box":
        print(f"\n[{event['caption']}] {' / '.join(event['buttons'])}")
        print("  " + event["text"].replace("\n", "\n  "))


def rewire(radio, box):
    """What the prompt asks the person to do with the radio."""
    if box["text"].startswith("To start communication"):
        radio.switch_to_normal()
    elif box["text"].startswith("To set the ZK-4100 to firmware writing mode"):
        radio.switch_to_boot()


def follow(op, radio, answer):
    """Follows the utility box by box until a run ends (answering) or it exits."""
    while True:
        op.send(f"watch {FOREVER_MS}")
        box = None
        while True:
            line = op.read(FOREVER_MS / 1000)
            if "ok" in line:
                if not line["ok"]:
                    return  # the window is gone
                break
            show(line)
            if line["event"] == "box":
                box = line
            if line["event"] in ("idle", "gone"):
                op.read()
                return
        if box:
            rewire(radio, box)
            if answer:
                op(f"answer-box {box['buttons'][0]}")
            else:
                while op("boxes").get("boxes"):
                    time.sleep(0.2)


def headless(utility, radio):
    with LineProgram("operator.exe") as op:
        if not op("find 30000")["ok"]:
            sys.exit("the utility's window did not appear")
        click(op, 1000)  # OK: start an update
        follow(op, radio, answer=True)
        subprocess.run(["import", "-window", "root", str(SCREENSHOT)], check=False)
        print(f"\nScreenshot of the window after the update: {SCREENSHOT}")
        click(op, 1002)  # Exit
    print(f"The utility ended with exit code {utility.wait(30)}")


def interactive(utility, radio):
    print("The utility is running with the simulated ZK-4100 on COM1: click OK to update it.")
    with LineProgram("operator.exe") as op:
        if op("find 30000")["ok"]:
            while utility.running():
                follow(op, radio, answer=False)
    utility.wait(None)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--headless", action="store_true", help="no display: accept every prompt and report")
    args = parser.parse_args()
    wine.ensure_prefix()
    wine.stop_server()
    wine.start_server()
    marker("create")  # as an installation would: the utility itself never creates the key
    with Radio(zk4100(start_in="normal")) as radio:
        utility = Utility()
        (headless if args.headless else interactive)(utility, radio)
        report = radio.stop()
    boot = report["radio"]["boot"]
    print(f"Bytes on the line: {report['to_radio']['count']} to the radio, {report['from_radio']['count']} from it")
    if boot:
        print(f"The radio's flash {'now holds' if boot['flash_matches'] else 'does NOT hold'} the firmware image.")
    wine.stop_server()


if __name__ == "__main__":
    main()
