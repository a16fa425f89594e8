"""Fault plans for whole updates, and the oracle every outcome must meet.

A plan puts one fault at one step of the exchange with the radio in firmware writing mode
(silence, a wrong byte, two bytes at once, a reply well inside or well past its time-out,
a flood, the cable pulled), or presses Cancel at a moment. The stage host runs the whole
update through the start handler, every box answered OK, with a radio already identified."""
import json
import random

from radiosim.boot import BLOCKS, CHUNK
from rig.programs import LineProgram, marker
from rig.radio import Radio, zk4100
from texts import BOXES, COMPLETED, DETECTION_FAILED, IDLE_ENABLED, IDLE_STATUS, NORMAL_MODE, WRITE_FAILED, WRITING_MODE

KINDS = ("silence", "wrong", "double", "late-under", "late-over", "flood", "hangup", "cancel")
STAGES = ("burst", "confirm", "program", "erase", "command", "ready", "chunk", "checksum")
PROGRAM_BYTES = 1436
ERASE_MS = 100  # the radio's erase: a late-under erase result still comes in half the time-out
CANCEL_WINDOW_MS = 6000  # about one whole update, unpaced
ES_CONTINUOUS, ES_SYSTEM_REQUIRED = 0x80000000, 0x1
IDLE = {"enabled": IDLE_ENABLED, "status": IDLE_STATUS, "percent": "", "progress": 0, "caution": False, "port_open": False,
        "reader": False, "execution_state": ES_CONTINUOUS}


def draw(rng, kind=None, stage=None, blocks=len(BLOCKS)):
    kind = kind or rng.choice(KINDS)
    if kind == "cancel":
        return {"kind": kind, "after_ms": rng.randrange(CANCEL_WINDOW_MS)}
    block = rng.randrange(blocks)
    at = {"burst": "burst:1", "confirm": "confirm", "program": f"program:{rng.randrange(PROGRAM_BYTES)}",
          "erase": "erase", "command": f"command:{block}", "ready": f"ready:{block}",
          "chunk": f"chunk:{block}:{rng.randrange(BLOCKS[block][1] // CHUNK)}",
          "checksum": f"checksum:{block}"}[stage or rng.choice(STAGES)]
    return {"kind": kind, "at": at}


def fixed_plans(seed=2026, count=24):
    """The set make test runs: every kind, each at three different stages; in the first
    blocks only, to keep the set quick (make soak draws from all of them)."""
    rng = random.Random(seed)
    return [draw(rng, KINDS[i % len(KINDS)], STAGES[(i + i // len(KINDS)) % len(STAGES)], blocks=3)
            for i in range(count)]


def sim_fault(plan):
    kind, at = plan["kind"], plan["at"]
    if kind.startswith("late"):  # well inside (0.4x) or well past (2x) the utility's time-out
        timeout_ms = 200 if at in ("burst:1", "confirm") else 1000
        return {"at": at, "kind": "late", "delay_ms": timeout_ms * (0.4 if kind == "late-under" else 2)}
    return {"at": at, "kind": kind, **({"value": "5a"} if kind == "wrong" else {})}


class Host:
    """One stage host for many plans; each plan gets a radio of its own on COM1."""

    def __enter__(self):
        marker("create", "3120")  # a radio identified: each run goes straight to the writing mode
        with Radio():  # a port to list when the host's dialog starts: kept until it has
            self.host = LineProgram("stage_host.exe")
            assert self.host("ports")["items"] == ["COM1"]
        return self

    def __exit__(self, *exc):
        self.host.close()

    def run(self, plan):
        """The problems that `plan` showed: an empty list when the oracle held."""
        cancel = plan["kind"] == "cancel"
        with Radio(zk4100(boot={"erase_ms": ERASE_MS}, faults=[] if cancel else [sim_fault(plan)])) as radio:
            if cancel:
                self.host(f"abort-after {plan['after_ms']}")
            boxes = self.host("update", timeout=120)["boxes"]
            state = {k: v for k, v in self.host("state").items() if k in IDLE}
            stored = self.host("marker").get("marker")
            report = radio.stop()
        return judge(plan, boxes, state, stored, report)


def must_fail(plan):
    """Whether the fault must end the update (True), must not (False), or may do either (None)."""
    kind, at = plan["kind"], plan.get("at")
    if kind == "cancel" or (at == "erase" and kind in ("double", "flood")):  # AA AA is an erase result
        return None
    if kind == "late-under" or (at == "burst:1" and kind == "late-over"):  # the next burst takes it
        return False
    if at.startswith("program:"):  # any answer answers a byte, but the last one's comes with AA
        return kind in ("silence", "late-over", "hangup") or (at == f"program:{PROGRAM_BYTES - 1}" and kind == "double")
    return True


def judge(plan, boxes, state, marker, report):
    problems = []
    shown = [(b["text"], b["icon"], b["buttons"]) for b in boxes]
    expected = {text: (text, *box) for text, box in BOXES.items()}
    boot = report["radio"]["boot"]
    # The radio's last 0x06 withheld or spoilt: its flash is whole, but the utility cannot know.
    withheld = plan.get("at") == f"checksum:{len(BLOCKS) - 1}" and plan["kind"] != "late-under"
    written = boot["flash_matches"] and sum(b["checksum_ok"] for b in boot["blocks"]) == len(BLOCKS) and not withheld
    completed = shown[-2:] == [expected[COMPLETED], expected[NORMAL_MODE]]
    if completed != written:
        problems.append(f"the run {'completed' if completed else 'failed'} but the radio's flash is "
                        f"{'' if written else 'not '}written")
    if must_fail(plan) is not None and completed == must_fail(plan):
        problems.append(f"the run {'completed' if completed else 'failed'}")
    if shown[0] != expected[WRITING_MODE]:
        problems.append(f"first box {shown[0]}")
    if not completed:
        message = DETECTION_FAILED if plan.get("at") in ("burst:1", "confirm") else WRITE_FAILED
        if shown[-1] != expected[message]:
            problems.append(f"last box {shown[-1]}, not {expected[message]}")
    between = shown[1:-2] if completed else shown[1:-1]
    # Only a pulled cable adds a box: the system's text for the failed write.
    if between and not (plan["kind"] == "hangup" and all(icon == "exclamation" for _, icon, _ in between)):
        problems.append(f"unexpected boxes {between}")
    if any(b["execution_state"] != ES_CONTINUOUS | ES_SYSTEM_REQUIRED for b in boxes):
        problems.append("the system was not kept awake during the run")
    if state != IDLE:
        problems.append(f"not idle afterwards: {state}")
    if marker != 3120:
        problems.append(f"marker {marker}")
    fired = report["radio"]["faults"]
    if not completed and fired:
        after = bytes.fromhex(report["to_radio"]["hex"])[fired[0]["received"]:]
        # A burst left unanswered is followed by the next burst, and by nothing else.
        if after.strip(b"\0" if plan["at"] == "burst:1" else b""):
            problems.append(f"{len(after)} bytes reached the radio after the failure")
    return problems


def replay_line(plan):
    return f"make soak PLAN='{json.dumps(plan)}'"
