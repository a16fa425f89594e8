"""Runs fault plans (see scripts/soak) and tallies them per kind of fault."""
import argparse
import collections
import json
import pathlib
import random
import sys

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path[:0] = [str(ROOT / "tools" / "rig"), str(ROOT / "tools" / "radio-sim"), str(ROOT / "tests"),
                str(ROOT / "tests" / "stage")]

from faultplan import Host, draw, replay_line  # noqa: E402
from rig import wine  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("count", nargs="?", type=int, default=100)
    parser.add_argument("--plan", type=json.loads, help="one plan, as JSON")
    parser.add_argument("--seed", type=int, default=random.SystemRandom().randrange(1 << 32))
    args = parser.parse_args()
    rng = random.Random(args.seed)
    plans = [args.plan] if args.plan else [draw(rng) for _ in range(args.count)]
    print(f"{len(plans)} plans, seed {args.seed}", flush=True)
    tally = collections.defaultdict(lambda: [0, 0])
    wine.use_place("soak")  # its own prefix and COM ports: the tests may run meanwhile
    wine.ensure_prefix()
    started = wine.start_server()
    try:
        with Host() as host:
            for plan in plans:
                problems = host.run(plan)
                tally[plan["kind"]][bool(problems)] += 1
                if problems:
                    print(f"FAILED {plan}: {problems}\n  replay: {replay_line(plan)}", flush=True)
    finally:
        if started:
            wine.stop_server()
    for kind, (passed, failed) in sorted(tally.items()):
        print(f"  {kind:11} {passed:5} passed {failed:5} failed")
    failed = sum(f for _, f in tally.values())
    print(f"{len(plans) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
