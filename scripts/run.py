"""Starts the utility against the simulated radio on COM1 (see scripts/run).

With a display, the person at the screen clicks through an update; without one,
Enter accepts every prompt. Either way the terminal shows this run's record as it
grows, and the radio is re-cabled as the prompts ask: normal mode for the
connection prompt, boot mode (switch S1 on) for the writing-mode prompt."""
import argparse
import os
import pathlib
import re
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "rig"))

from rig import wine  # noqa: E402
from rig.programs import BOX, MAIN, answer, events, marker, message, press, shown, start_utility, window  # noqa: E402
from rig.radio import Radio, zk4100  # noqa: E402

SCREENSHOT = wine.BUILD / "run.png"
STALL_S = 60  # headless: a run that neither writes a record line nor shows a box this long has hung


def first_line(name):
    """The first line of a text of the program's (ui/Texts.h), as its record quotes a box."""
    return re.search(rf'\b{name} =\s*"([^"\\]*)', (wine.ROOT / "ui" / "Texts.h").read_text())[1]


# The boxes an update that completes shows after its prompts, as the record names them.
RESULTS = tuple(message(first_line(name)) for name in ("Completed", "NormalModeInstructions"))


class Failed(Exception):
    """What went wrong, in one line for the person who typed make run."""


class RecordTail:
    """The lines the record gains from now on: what earlier runs left never counts, and a record
    that is rotated (moved to update.old.log, a new update.log begun) is read from its new start."""

    def __init__(self):
        self.path = wine.record_file()
        self.file, self.offset = self._where()

    def _where(self):
        try:
            stat = self.path.stat()
        except OSError:
            return None, 0
        return stat.st_ino, stat.st_size

    def new_events(self):
        try:
            with open(self.path, "rb") as record:
                file = os.fstat(record.fileno()).st_ino
                if file != self.file:  # begun anew since last read
                    self.file, self.offset = file, 0
                record.seek(self.offset)
                written = record.read()
        except OSError:
            return []
        whole = written[:written.rfind(b"\r\n") + 2]  # a line still being written waits for its end
        self.offset += len(whole)
        return events(whole)


def box_asks(run):
    """What the box on the screen is, from the current run's events: a message is recorded before it
    is shown, a prompt once answered. "connection" or "writing" for a prompt, else the message's line."""
    if run and run[-1].startswith("message "):
        return run[-1]
    prompts = ["writing"] if "marker 3120" in run[0] else ["connection", "writing"]
    answered = sum(e.startswith("prompt ") for e in run)
    return prompts[answered] if answered < len(prompts) else "a prompt after the writing-mode prompt"


def follow(utility, radio, tail, accept):
    """Prints the lines `tail` reads and re-cables the radio at each prompt, until the utility ends
    or, answering every box with Enter, until a run has ended."""
    run, boxes, last_news = [], set(), time.monotonic()
    while utility.poll() is None:
        box = next((w for w in shown(BOX) if w not in boxes), None)
        news = tail.new_events()  # after the look for a box: every line written before it is in
        for event in news:
            print(f"  {event}")
            run = [event] if event.startswith("run started") else run + [event]
            if accept and event.startswith("run ended"):
                return
        if news or box and run:
            last_news = time.monotonic()
        elif accept and time.monotonic() - last_news > STALL_S:
            raise Failed(f"the utility has neither written its record nor shown a box for {STALL_S} s")
        if box and run:
            boxes.add(box)
            asks = box_asks(run)
            if asks == "connection":
                radio.switch_to_normal()
            elif asks == "writing":
                radio.switch_to_boot()
            elif accept and asks not in RESULTS:
                raise Failed(f"the utility showed a box nobody expected: {asks}")
            if accept:
                answer()
        time.sleep(0.2)
    if accept:
        raise Failed(f"the utility ended with exit code {utility.returncode} before its run did")


def headless(utility, radio, tail):
    gone = lambda: utility.poll() is not None and f"the utility ended with exit code {utility.returncode}"  # noqa: E731
    window(MAIN, gone)
    press("Return")  # OK: start an update
    follow(utility, radio, tail, accept=True)
    screenshot()
    window(MAIN, gone)
    press("alt+e")  # Exit
    try:
        code = utility.wait(30)
    except subprocess.TimeoutExpired:
        raise Failed("the utility did not end within 30 s of Exit") from None
    if code:
        raise Failed(f"the utility ended with exit code {code}")


def interactive(utility, radio, tail):
    print("The utility is running with the simulated ZK-4100 on COM1: click OK to update it.")
    follow(utility, radio, tail, accept=False)


def screenshot():
    subprocess.run(["import", "-window", "root", str(SCREENSHOT)], check=False)
    print(f"Screenshot of the display: {SCREENSHOT}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--headless", action="store_true", help="no display: accept every prompt and report")
    args = parser.parse_args()
    sys.stdout.reconfigure(line_buffering=True)  # each line as it comes, through a pipe too
    wine.ensure_prefix()
    wine.stop_server()
    wine.start_server()
    marker("create")  # as an installation would: the utility itself never creates the key
    failed = None
    with Radio(zk4100(start_in="normal")) as radio:
        tail = RecordTail()  # before the utility starts: its first line is this run's
        utility = start_utility()
        try:
            (headless if args.headless else interactive)(utility, radio, tail)
        except KeyboardInterrupt:
            failed = "interrupted"
        except Exception as what:  # the rig's waits fail with an AssertionError that says what
            failed = str(what) or type(what).__name__
            screenshot()
        finally:
            if utility.poll() is None:
                utility.kill()
        report = radio.stop()
    boot = report["radio"]["boot"]
    print(f"Bytes on the line: {report['to_radio']['count']} to the radio, {report['from_radio']['count']} from it")
    holds = bool(boot and boot["flash_matches"])
    print(f"The radio's flash {'now holds' if holds else 'does NOT hold'} the firmware image.")
    wine.stop_server()
    if args.headless and not failed and not holds:
        failed = "the update ended without the image in the radio's flash"
    if failed:
        print(f"make run failed: {failed}", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
