"""The radio's end of the serial line: a pty (or a serial device) with pacing, a wire log
and the event loop.

Times are modelled rather than measured wherever pacing applies, so the wire log and replies
do not drift with scheduler latency: a callback runs "at" its event time, and what it sends
departs relative to that time.
"""
import heapq
import itertools
import os
import select
import time
from collections import deque

from . import termio

POLL_S = 0.005  # line settings are polled at least this often


class Wire:
    """Bytes of one direction with their times in ms since the sim started."""

    def __init__(self):
        self.data, self.t_ms = bytearray(), []

    def add(self, byte, t_ms):
        self.data.append(byte)
        self.t_ms.append(round(t_ms, 4))

    def to_json(self):
        return {"count": len(self.data), "hex": self.data.hex(), "t_ms": self.t_ms}


class Line:
    def __init__(self, settings, pace_bps=None, link=None, device=None):
        """On a new pty that `link` points to, or on the serial `device` (a path) as it is."""
        self.t0 = time.monotonic()
        self.pace_bps = pace_bps
        self.byte_time = 10 / pace_bps if pace_bps else 0.0  # 8N1: start + 8 data + stop bits
        self.link, self.slave = link, None
        if device is not None:
            self.fd, self.tty = termio.open_device(device), device
        else:
            # Our slave fd stays open for the whole run: the master then never sees EIO when
            # the utility closes the port, and the settings stay readable.
            self.fd, self.slave = os.openpty()
            self.tty = os.ttyname(self.slave)
            termio.configure(self.slave, settings)  # one termios serves both ends: both are raw now
            tmp = f"{link}.{os.getpid()}.tmp"
            os.symlink(self.tty, tmp)
            os.replace(tmp, link)
        os.set_blocking(self.fd, False)
        self.to_radio, self.from_radio = Wire(), Wire()
        self._rx, self._tx, self._timers = deque(), deque(), []  # (time, byte) / (time, seq, fn)
        self._seq = itertools.count()
        self._rx_free = self._tx_free = 0.0  # when each direction's wire is next idle
        self._now = None  # event time while a callback runs
        self._stop_signal = None
        self._signals = deque()  # caught by deliver(), passed on from the loop
        self._poll_settings()

    # --- interface for personalities -------------------------------------------------------
    def later(self, delay_ms, fn):
        heapq.heappush(self._timers, (self._clock() + delay_ms / 1000, next(self._seq), fn))

    def send(self, data):
        """Queue bytes behind whatever is still on the wire."""
        if self.fd is None:  # hung up
            return
        for b in data:
            self._tx_free = max(self._clock(), self._tx_free) + self.byte_time
            self._tx.append((self._tx_free, b))

    def now_ms(self):
        """The time of the event being handled, as the wires record times."""
        return round(self._ms(self._clock()), 4)

    def hangup(self):
        """Drop the line for good: on a pty the utility's reads see EOF and its writes fail;
        a device's last close drops DTR."""
        if self.fd is not None:
            self._tx.clear()
            self._rx.clear()
            os.close(self.fd)
            self.fd = None

    # --- loop ------------------------------------------------------------------------------
    def stop(self, signum, _frame=None):
        """Signal handler: leave the loop within one poll period."""
        self._stop_signal = signum

    def deliver(self, signum, _frame=None):
        """Signal handler: hand the signal to the personality from the loop, not mid-callback."""
        self._signals.append(signum)

    def run(self, personality):
        personality.start(self)
        while self._stop_signal is None:
            now = self._wait()
            if self.fd is not None:
                self._read(now)
            self._dispatch(personality, now)
            while self._signals:
                self._now = now
                personality.on_signal(self._signals.popleft())
                self._now = None
            self._flush()
            self._poll_settings()

    def close(self):
        """Remove the link unless someone has repointed it meanwhile."""
        if self.link and os.path.islink(self.link) and os.readlink(self.link) == self.tty:
            os.unlink(self.link)
        for fd in (self.fd, self.slave):
            if fd is not None:
                os.close(fd)

    def report(self):
        return {"pace_bps": self.pace_bps, "to_radio": self.to_radio.to_json(),
                "from_radio": self.from_radio.to_json(), "line": self.settings}

    # --- internals -------------------------------------------------------------------------
    def _clock(self):
        return time.monotonic() if self._now is None else self._now

    def _ms(self, t):
        return (t - self.t0) * 1000

    def _wait(self):
        now = time.monotonic()
        deadlines = [now + POLL_S]
        deadlines += [q[0][0] for q in (self._rx, self._timers) if q]
        tx_due = bool(self._tx) and self._tx[0][0] <= now
        if self._tx and not tx_due:
            deadlines.append(self._tx[0][0])
        fds = [] if self.fd is None else [self.fd]
        select.select(fds, fds if tx_due else [], [], max(0.0, min(deadlines) - now))
        return time.monotonic()

    def _read(self, now):
        try:
            data = os.read(self.fd, 4096)
        except BlockingIOError:
            return
        for b in data:
            self._rx_free = max(now, self._rx_free) + self.byte_time
            self._rx.append((self._rx_free, b))

    def _dispatch(self, personality, now):
        """Run byte arrivals and timers that are due, in time order."""
        while True:
            rx_t = self._rx[0][0] if self._rx else None
            timer_t = self._timers[0][0] if self._timers else None
            if rx_t is not None and rx_t <= now and (timer_t is None or rx_t <= timer_t):
                self._now, b = self._rx.popleft()
                self.to_radio.add(b, self._ms(self._now))
                personality.on_byte(b)
            elif timer_t is not None and timer_t <= now:
                self._now, _, fn = heapq.heappop(self._timers)
                fn()
            else:
                break
        self._now = None

    def _flush(self):
        if self.fd is None:
            return
        now = time.monotonic()
        due = bytes(b for _, b in itertools.takewhile(lambda e: e[0] <= now, self._tx))
        try:
            written = os.write(self.fd, due) if due else 0
        except BlockingIOError:  # the utility is not reading; retry when writable
            written = 0
        for _ in range(written):
            t, b = self._tx.popleft()
            self.from_radio.add(b, self._ms(t if self.byte_time else now))

    def _poll_settings(self):
        if self.fd is not None:  # a hung-up tty refuses tcgetattr; keep the last settings
            self.settings = termio.read(self.fd)  # a pty master reads its slave's
