"""radio-sim: play a ZK-4100 radio on a pty or a serial device for ZK-4100 Update tests.

usage: python3 tools/radio-sim (--link PATH | --device PATH) [--scenario FILE.json]
                               [--report FILE.json] [--pace BPS]

With --link, prints "READY /dev/pts/N" once PATH links to a new pty; with --device (a serial
port such as /dev/ttyUSB0, set to 9600 8N1 raw without flow control) prints "READY PATH" once
it is open. A device paces itself, so it takes neither --pace nor the scenario's pace_bps or
line. Runs until SIGTERM or SIGINT, then writes the report and removes the link if it still
points to our pty. SIGUSR1 and SIGUSR2 go to the personality (the radio takes them as "switched to
boot mode" and "back to normal"). Relative file names in a scenario count from its folder.
Anything wrong at the start: one line on stderr, exit status 2.
"""
import argparse
import json
import os
import signal
import sys

from radiosim.line import Line
from radiosim.radio import Radio
from radiosim.script import Script

FILE_KEYS = {"program_file", "image_file", "flag_file"}
PERSONALITIES = {"radio": Radio, "script": Script}


class Parser(argparse.ArgumentParser):
    def error(self, message):
        self.exit(2, f"{self.prog}: error: {message}\n")  # one line: no usage before it


def resolve(node, folder):
    """`node` with its relative file names made relative to `folder` instead."""
    if isinstance(node, dict):
        return {k: os.path.join(folder, v) if k in FILE_KEYS and isinstance(v, str) and v
                else resolve(v, folder) for k, v in node.items()}
    if isinstance(node, list):
        return [resolve(v, folder) for v in node]
    return node


def main(argv=None):
    p = Parser(prog="radio-sim", description=__doc__.splitlines()[0])
    where = p.add_mutually_exclusive_group(required=True)
    where.add_argument("--link", help="symlink to create, pointing to the pty slave")
    where.add_argument("--device", help="serial device to play the radio on instead of a pty")
    p.add_argument("--scenario", help="scenario JSON (default: silent radio, 9600 8N1)")
    p.add_argument("--report", help="where to write the JSON report on exit")
    p.add_argument("--pace", type=int, metavar="BPS", help="bit/s to pace both directions at")
    args = p.parse_args(argv)
    try:
        scenario = {}
        if args.scenario:
            with open(args.scenario) as f:
                scenario = resolve(json.load(f), os.path.dirname(os.path.abspath(args.scenario)))
        if not isinstance(scenario, dict):
            raise ValueError("a scenario is a JSON object")
        name = scenario.get("personality", "script")
        if name not in PERSONALITIES:
            raise ValueError(f"no such personality: {name!r}")
        personality = PERSONALITIES[name](scenario)
        pace = args.pace if args.pace is not None else scenario.get("pace_bps")
        if pace is not None and pace <= 0:
            raise ValueError(f"pace must be a positive bit rate, not {pace}")
        if args.device is not None and (pace is not None or "line" in scenario):
            raise ValueError(f"{args.device} runs at 9600 8N1 at the line's own pace: "
                             "drop --pace and the scenario's pace_bps and line")
        line = Line(scenario.get("line", {}), pace, link=args.link, device=args.device)
    except (OSError, ValueError) as e:
        p.error(str(e))
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, line.stop)
    for sig in (signal.SIGUSR1, signal.SIGUSR2):
        signal.signal(sig, line.deliver if hasattr(personality, "on_signal") else signal.SIG_IGN)
    print(f"READY {line.tty}", flush=True)
    try:
        line.run(personality)
    finally:
        line.close()
    if args.report:  # written whole or not at all, for readers that poll for it
        tmp = f"{args.report}.{os.getpid()}.tmp"
        with open(tmp, "w") as f:
            json.dump({**line.report(), personality.name: personality.report()}, f)
        os.replace(tmp, args.report)
    return 0


if __name__ == "__main__":
    sys.exit(main())
