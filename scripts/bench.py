"""Measures a complete boot-mode write (boot entry, loader transfer, 12 blocks)
against the simulated radio: once unpaced, which leaves only the utility's own
overhead, and once paced at 9600 bit/s 8N1, as on a real line."""
import argparse
import os
import pathlib
import subprocess
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "rig"))

from rig import wine  # noqa: E402
from rig.programs import StageHost  # noqa: E402
from rig.radio import SAMPLE_PROGRAM, Radio, zk4100  # noqa: E402

BITS_PER_BYTE = 10  # start bit, 8 data bits, stop bit
ERASE_MS = 300      # the simulated radio's erase time, part of the line's share
WINDOWS_TICK_MS = 15.625  # the default timer tick of Windows
USB_LATENCY_MS = 16  # a USB serial adapter's usual default latency timer: it holds each reply that long
PROGRAM_BYTES = SAMPLE_PROGRAM.stat().st_size  # the write control program, sent after boot-mode entry's 0x55


def exchanges(report, since_ms=0.0, until_ms=float("inf")):
    """Turn-arounds on the line: a run of the radio's bytes after a run of the utility's (those
    whose answer came between the two times, both included)."""
    sent = [(t, 0) for t in report["to_radio"]["t_ms"]]
    received = [(t, 1) for t in report["from_radio"]["t_ms"]]
    order = sorted(sent + received)
    return sum(1 for (_, before), (t, after) in zip(order, order[1:])
               if (before, after) == (0, 1) and since_ms <= t <= until_ms)


def stages(report):
    """Each stage's time on the radio's clock, from its first byte sent to the next stage's, and its
    exchanges: (name, seconds, exchanges)."""
    sent, times = report["to_radio"]["hex"], report["to_radio"]["t_ms"]
    confirm = bytes.fromhex(sent).index(0x55)  # after the bursts of 0x00
    bounds = [times[0], times[confirm + 1], times[confirm + 1 + PROGRAM_BYTES], report["from_radio"]["t_ms"][-1]]
    names = ("boot mode entry", "loader and erase", "12 blocks")
    return [(name, (end - begin) / 1000, exchanges(report, begin, end))
            for name, begin, end in zip(names, bounds, bounds[1:])]


def cpu_seconds(pid):
    """The user and system time of a process so far."""
    fields = pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def run(pace):
    with Radio(zk4100(boot={"erase_ms": ERASE_MS}), pace=pace) as radio:
        with StageHost() as host:
            before, started = cpu_seconds(host.process.pid), time.monotonic()
            replies = host.on_open_port("boot", "load", "flash", timeout=1200)
            total, after = time.monotonic() - started, cpu_seconds(host.process.pid)
        report = radio.stop()
    results = [reply["result"] for reply in replies]
    if results != [1, 1, 1] or not report["radio"]["boot"]["flash_matches"]:
        sys.exit(f"the write failed: stage results {results}")
    return total, after - before, report


def show(title, pace, total, cpu, report):
    to_radio, from_radio = report["to_radio"]["count"], report["from_radio"]["count"]
    line = (to_radio + from_radio) * BITS_PER_BYTE / 9600 + ERASE_MS / 1000
    turns = exchanges(report)
    print(f"{title} (radio {'paced at %d bit/s' % pace if pace else 'unpaced'})")
    print(f"  total time            {total:9.2f} s")
    print(f"  bytes to the radio    {to_radio:9d}")
    print(f"  bytes from the radio  {from_radio:9d}")
    print(f"  exchanges             {turns:9d}")
    print(f"  line time at 9600 8N1 {line:9.2f} s   (10 bits a byte, erase {ERASE_MS} ms)")
    print(f"  ratio total/line      {total / line:9.3f}")
    if pace:
        print(f"  overhead per exchange {(total - line) / turns * 1000:9.3f} ms   (beyond the line time)")
    else:
        print(f"  time per exchange     {total / turns * 1000:9.3f} ms   (the utility's polling and the pty)")
    for name, seconds, turns_in in stages(report):
        print(f"  {name:<22}{seconds:9.2f} s   {turns_in:5d} exchanges, "
              f"{turns_in * USB_LATENCY_MS / 1000:6.1f} s more at a USB adapter's {USB_LATENCY_MS} ms latency")
    print(f"  with a USB adapter    {total + turns * USB_LATENCY_MS / 1000:9.1f} s   "
          f"(total + exchanges x {USB_LATENCY_MS} ms: each reply held that long)")
    print(f"  utility CPU time      {cpu:9.2f} s   ({cpu / total:.0%} of the total: the reader polls without pause)")
    # Each exchange waits at least one Sleep(1). Without a 1 ms timer resolution for the run,
    # stock Windows rounds it up to a whole timer tick, which Wine does not show.
    print(f"  at a 15.6 ms tick     {turns * (WINDOWS_TICK_MS - 1) / 1000:9.1f} s   more (exchanges x 14.6 ms), "
          "what the run's 1 ms timer resolution saves on Windows")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--unpaced-only", action="store_true", help="skip the paced run (about 5 minutes)")
    args = parser.parse_args()
    subprocess.run([str(wine.ROOT / "scripts" / "stats")], check=False)
    wine.ensure_prefix()
    started_server = wine.start_server()
    try:
        show("Unpaced", None, *run(None))
        if not args.unpaced_only:
            show("Paced", 9600, *run(9600))
    finally:
        if started_server:
            wine.stop_server()


if __name__ == "__main__":
    main()
