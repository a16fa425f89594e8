"""radio-sim: play a ZK-4100 radio on a pty for ZK-4100 Update tests.

usage: python3 tools/radio-sim --link PATH [--scenario FILE.json] [--report FILE.json] [--pace BPS]

Prints "READY /dev/pts/N" once PATH links to the pty, runs until SIGTERM or SIGINT, then
writes the report and removes PATH if it still points to our pty. SIGUSR1 and SIGUSR2 go
to the personality (the radio takes them as "switched to boot mode" and "back to normal").
"""
import argparse
import json
import signal
import sys

from radiosim import load_personality
from radiosim.line import Line
from radiosim.report import write_atomic


def main(argv=None):
    p = argparse.ArgumentParser(prog="radio-sim", description=__doc__.splitlines()[0])
    p.add_argument("--link", required=True, help="symlink to create, pointing to the pty slave")
    p.add_argument("--scenario", help="scenario JSON (default: silent radio, 9600 8N1)")
    p.add_argument("--report", help="where to write the JSON report on exit")
    p.add_argument("--pace", type=int, metavar="BPS", help="bit/s to pace both directions at")
    args = p.parse_args(argv)
    try:
        scenario = {}
        if args.scenario:
            with open(args.scenario) as f:
                scenario = json.load(f)
        if not isinstance(scenario, dict):
            raise ValueError("a scenario is a JSON object")
        personality = load_personality(scenario.get("personality", "script"), scenario)
        pace = args.pace if args.pace is not None else scenario.get("pace_bps")
        if pace is not None and pace <= 0:
            raise ValueError(f"pace must be a positive bit rate, not {pace}")
        line = Line(args.link, scenario.get("line", {}), pace)
    except (OSError, ValueError) as e:
        p.error(str(e))
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, line.stop)
    for sig in (signal.SIGUSR1, signal.SIGUSR2):
        signal.signal(sig, line.deliver)
    print(f"READY {line.pts}", flush=True)
    try:
        line.run(personality)
    finally:
        line.close()
    if args.report:
        write_atomic(args.report, {**line.report(), personality.name: personality.report()})
    return 0


if __name__ == "__main__":
    sys.exit(main())
