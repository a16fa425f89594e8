"""Fault plans for whole updates, and the oracle every outcome must meet.

A plan puts one fault at one step of the exchange with the radio in firmware writing mode
(silence, a wrong byte, two bytes at once, a reply well inside or well past its time-out,
a flood, the cable pulled), or presses Cancel while the radio takes its time over a reply.
The stage host runs the whole update through the start handler, every box answered OK. A
plan that identifies the radio first starts with "Data" = 0 and the radio in normal mode,
switched to boot mode once it has answered, as a person does at the writing-mode prompt."""
import json
import os
import pathlib
import random
import tempfile
import threading
import time

from radiosim.boot import BLOCKS, CHUNK
from rig import wine
from rig.programs import StageHost, marker
from rig.radio import SAMPLE_PROGRAM, Radio, zk4100
from texts import BOXES, COMPLETED, CONNECTION, DETECTION_FAILED, IDLE_STATUS, NORMAL_MODE, WRITE_FAILED, WRITING_MODE

KINDS = ("silence", "wrong", "double", "late-under", "late-over", "flood", "hangup", "cancel")
PROGRAM = SAMPLE_PROGRAM.read_bytes()
LAST_BLOCK = len(BLOCKS) - 1
ERASE_MS = 100  # the radio's erase: a late-under erase result still comes in half the time-out
# The window as it is idle: the controls that a run enables or disables (by id), its texts, ...
IDLE = {"enabled": {"1000": True, "1001": False, "1002": True, "1003": True, "1006": False, "57670": True},
        "status": IDLE_STATUS, "percent": "", "progress": 0, "caution": False, "port_open": False, "reader": False}


def step(rng, token):
    """A step of the exchange: `token` names it, or leaves a block, chunk or program byte to draw."""
    kind, _, rest = token.partition(":")
    if kind == "program":
        return f"program:{len(PROGRAM) - 1 if rest == 'last' else rng.randrange(len(PROGRAM))}"
    block = int(rest.split(":")[0]) if rest else rng.randrange(len(BLOCKS))
    chunks = BLOCKS[block][1] // CHUNK
    if kind == "chunk":
        return f"chunk:{block}:{chunks - 1 if rest.endswith(':last') else rng.randrange(chunks)}"
    return {"burst": "burst:1", "confirm": "confirm", "erase": "erase"}.get(kind, f"{kind}:{block}")


def draw(rng):
    stage = rng.choice(("burst", "confirm", "program", "erase", "command", "ready", "chunk", "checksum"))
    return {"kind": rng.choice(KINDS), "at": step(rng, stage), "identify": rng.random() < 0.25}


# The set make test runs: each kind at every step where its outcome rule is its own (boot entry
# with its own message, a program byte that any answer answers, the last program byte, the erase
# result that two bytes may carry), and in the blocks, beyond the first three; the last block's
# last chunk and checksum have rules of their own. A late reply inside the time-out is judged by
# the same rule everywhere: one plan. The plans at the erase result begin with a radio not yet
# identified, so that the run stores the marker that the failure must keep.
FIXED = {"silence": ("burst", "confirm", "program", "erase", f"checksum:{LAST_BLOCK}"),
         "wrong": ("burst", "confirm", "program", "erase", "chunk:4:last"),
         "double": ("burst", "confirm", "program", "program:last", "erase", "command:5"),
         "late-under": (f"checksum:{LAST_BLOCK}",),
         "late-over": ("burst", "program", "erase", "ready:6"),
         "flood": ("burst", "program", "erase", "chunk:7"),
         "hangup": ("burst", "program", "erase", f"chunk:{LAST_BLOCK}:last"),
         "cancel": ("burst", "program:last", "erase", "chunk:4", f"checksum:{LAST_BLOCK}")}


def fixed_plans(seed=2026):
    rng = random.Random(seed)
    return [{"kind": kind, "at": step(rng, token), "identify": token == "erase"}
            for kind, tokens in FIXED.items() for token in tokens]


def plans():
    """make test's fixed set; under make soak (SOAK: a number of fresh plans, or one plan again
    as JSON), those."""
    soak = os.environ.get("SOAK")
    if not soak:
        return fixed_plans()
    if soak.startswith("{"):
        return [json.loads(soak)]
    rng = random.Random()
    return [draw(rng) for _ in range(int(soak))]


def timeout_ms(at):
    return 200 if at in ("burst:1", "confirm") else 1000


def sim_fault(plan, flag):
    kind, at = plan["kind"], plan["at"]
    if kind in ("late-under", "cancel"):  # well inside the utility's time-out
        delay = {"delay_ms": timeout_ms(at) * 0.4}
        return {"at": at, "kind": "signal", "flag_file": str(flag), **delay} if kind == "cancel" else \
            {"at": at, "kind": "late", **delay}
    if kind == "late-over":  # well past it
        return {"at": at, "kind": "late", "delay_ms": timeout_ms(at) * 2}
    return {"at": at, "kind": kind, **({"value": "5a"} if kind == "wrong" else {})}


class Host:
    """One stage host for many plans; each plan gets a radio of its own on COM1."""

    def __enter__(self):
        marker("create", "3120")  # a radio identified: each run goes straight to the writing mode
        with Radio():  # a port to list when the host's dialog starts: kept until it has
            self.host = StageHost()
            assert self.host("ports")["items"] == ["COM1"]
        assert idle(self.host) == IDLE  # as the window starts
        return self

    def __exit__(self, *exc):
        self.host.close()

    def run(self, plan):
        """The problems that `plan` showed: an empty list when the oracle held."""
        with tempfile.TemporaryDirectory() as folder:
            flag, answered = pathlib.Path(folder) / "cancel", pathlib.Path(folder) / "answered"
            faults = [sim_fault(plan, flag)]
            if plan.get("identify"):
                marker("create", "0")
                faults.append({"at": "query", "kind": "signal", "flag_file": str(answered)})
            # The port as a driver may leave it, Xon/Xoff both ways: 0x11 and 0x13 must pass all the same.
            scenario = zk4100("normal" if plan.get("identify") else "boot", boot={"erase_ms": ERASE_MS}, faults=faults,
                              line={"ixon": True, "ixoff": True})
            with Radio(scenario) as radio:
                if plan["kind"] == "cancel":  # pressed while the radio holds back its reply
                    self.host("abort-on-file", wine.windows_path(flag))
                done = threading.Event()
                switch = threading.Thread(target=switch_after_answer, args=(answered, radio, done))
                switch.start()
                boxes = self.host("update")["boxes"]
                done.set()
                switch.join()
                state = idle(self.host)
                stored = self.host("marker", 0)["marker"]
                report = radio.stop()
        if stored != 3120:
            marker("create", "3120")  # the next plans start from an identified radio all the same
        return judge(plan, boxes, state, stored, report)


def idle(host):
    """The host's window as far as IDLE describes it."""
    return {k: v for k, v in host("state").items() if k in IDLE}


def switch_after_answer(answered, radio, done):
    """S1 turned on once the radio has answered the identification: its reply is on its way."""
    while not done.is_set():
        if answered.exists():
            time.sleep(0.05)
            radio.switch_to_boot()
            return
        time.sleep(0.005)


def must_fail(plan):
    """Whether the fault must end the update (True), must not (False), or may do either (None)."""
    kind, at = plan["kind"], plan["at"]
    if at == "erase" and kind in ("double", "flood"):  # AA AA is an erase result
        return None
    if kind == "late-under" or (at == "burst:1" and kind == "late-over"):  # the next burst takes it
        return False
    if at.startswith("program:") and kind != "cancel":  # any answer answers a byte, but the last one's comes with AA
        return kind in ("silence", "late-over", "hangup") or (at == f"program:{len(PROGRAM) - 1}" and kind == "double")
    return True


def allowed_after(plan):
    """What may reach the radio after the faulty reply was due: boot entry does not look at a
    Cancel, and the loader sees it only once it has sent the program's first byte."""
    if plan["kind"] == "cancel" and plan["at"] in ("burst:1", "confirm"):
        return (b"\x55" if plan["at"] == "burst:1" else b"") + PROGRAM[:1]
    return b""


def judge(plan, boxes, state, marker, report):
    problems = []
    shown = [(b["text"], b["icon"], b["buttons"]) for b in boxes]
    expected = {text: (text, *box) for text, box in BOXES.items()}
    boot = report["radio"]["boot"]
    # The radio's last 0x06 withheld, spoilt, or come after a Cancel: its flash is whole, but the
    # utility cannot know, and a repeat is harmless.
    withheld = plan["at"] == f"checksum:{LAST_BLOCK}" and plan["kind"] != "late-under"
    written = boot["flash_matches"] and sum(b["checksum_ok"] for b in boot["blocks"]) == len(BLOCKS) and not withheld
    completed = shown[-2:] == [expected[COMPLETED], expected[NORMAL_MODE]]
    if completed != written:
        problems.append(f"the run {'completed' if completed else 'failed'} but the radio's flash is "
                        f"{'' if written else 'not '}written")
    if must_fail(plan) is not None and completed == must_fail(plan):
        problems.append(f"the run {'completed' if completed else 'failed'}")
    opening = [expected[CONNECTION], expected[WRITING_MODE]] if plan.get("identify") else [expected[WRITING_MODE]]
    if shown[:len(opening)] != opening:
        problems.append(f"first boxes {shown[:len(opening)]}")
    if not completed:
        detection = plan["at"] in ("burst:1", "confirm") and plan["kind"] != "cancel"
        message = DETECTION_FAILED if detection else WRITE_FAILED
        if shown[-1] != expected[message]:
            problems.append(f"last box {shown[-1]}, not {expected[message]}")
    between = shown[len(opening):-2] if completed else shown[len(opening):-1]
    # Only a pulled cable adds a box: the system's text for the failed write.
    if between and not (plan["kind"] == "hangup" and all(icon == "exclamation" for _, icon, _ in between)):
        problems.append(f"unexpected boxes {between}")
    # The caution line is shown from the end of the writing-mode prompt to the run's last box.
    if [b["caution"] for b in boxes] != [False] * len(opening) + [True] * (len(boxes) - len(opening)):
        problems.append(f"the caution line, box by box: {[b['caution'] for b in boxes]}")
    if state != IDLE:
        problems.append(f"not idle afterwards: {state}")
    if marker != 3120:
        problems.append(f"marker {marker}")
    fired = [f for f in report["radio"]["faults"] if f["at"] != "query"]
    if [f["at"] for f in fired] != [plan["at"]]:
        problems.append(f"the fault fired at {[f['at'] for f in fired]}")
        return problems
    if plan["kind"] == "late-under":  # a reply that was not late would prove nothing
        due, delay = fired[0]["t_ms"], sim_fault(plan, None)["delay_ms"]
        came = next(t for t in report["from_radio"]["t_ms"] if t > due)
        if came < due + delay - 1:
            problems.append(f"the reply came {came - due:.0f} ms after it was due, not {delay:.0f}")
    if not completed:
        after = bytes.fromhex(report["to_radio"]["hex"])[fired[0]["received"]:]
        # A burst left unanswered is followed by the next burst, and by nothing else.
        if after.strip(b"\0" if plan["at"] == "burst:1" and plan["kind"] != "cancel" else b"") != allowed_after(plan):
            problems.append(f"{len(after)} bytes reached the radio after the failure")
    return problems
