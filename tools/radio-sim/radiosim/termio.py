"""Line settings of the pty: raw mode and conversion between termios and a settings dict;
and a real serial device, opened as the radio's line.

On Linux both pty ends share one termios, so settings made by the utility on its side are
what we read back here. The kernel forces a pty to 8 data bits without parity, so those two
always read 8/"none" whatever the utility asked for.
"""
import os
import termios as T

DEFAULTS = {"baud": 9600, "data_bits": 8, "parity": "none", "stop_bits": 1,
            "crtscts": False, "ixon": False, "ixoff": False}

_SPEEDS = {getattr(T, n): int(n[1:]) for n in dir(T) if n[0] == "B" and n[1:].isdigit()}
_SPEED_CODES = {bps: code for code, bps in _SPEEDS.items()}
_SIZES = {T.CS5: 5, T.CS6: 6, T.CS7: 7, T.CS8: 8}
_PARITY = {"none": 0, "even": T.PARENB, "odd": T.PARENB | T.PARODD}
_PARITY_MASK = T.PARENB | T.PARODD
IFLAG, OFLAG, CFLAG, LFLAG, ISPEED, OSPEED, CC = range(7)


def _raw(attrs):
    """cfmakeraw(), plus no software flow control unless asked for."""
    attrs[IFLAG] &= ~(T.IGNBRK | T.BRKINT | T.PARMRK | T.ISTRIP | T.INLCR | T.IGNCR | T.ICRNL
                      | T.IXON | T.IXOFF | T.IXANY | T.INPCK)
    attrs[OFLAG] &= ~T.OPOST
    attrs[LFLAG] &= ~(T.ECHO | T.ECHONL | T.ICANON | T.ISIG | T.IEXTEN)
    attrs[CFLAG] = (attrs[CFLAG] & ~(T.CSIZE | _PARITY_MASK)) | T.CS8 | T.CREAD | T.CLOCAL
    attrs[CC][T.VMIN], attrs[CC][T.VTIME] = 1, 0
    return attrs


def configure(fd, settings):
    """Raw mode plus `settings` (keys of DEFAULTS, missing ones defaulted)."""
    unknown = set(settings) - set(DEFAULTS)
    if unknown:
        raise ValueError(f"unknown line setting(s): {', '.join(sorted(unknown))}")
    s = {**DEFAULTS, **settings}
    try:
        speed = _SPEED_CODES[s["baud"]]
        size = {v: k for k, v in _SIZES.items()}[s["data_bits"]]
        parity = _PARITY[s["parity"]]
    except KeyError as e:
        raise ValueError(f"unsupported line setting value {e}") from None
    if s["stop_bits"] not in (1, 2):
        raise ValueError(f"stop_bits must be 1 or 2, not {s['stop_bits']!r}")
    a = _raw(T.tcgetattr(fd))
    a[CFLAG] = (a[CFLAG] & ~(T.CSIZE | T.CSTOPB | T.CRTSCTS)) | size | parity
    a[CFLAG] |= (T.CSTOPB if s["stop_bits"] == 2 else 0) | (T.CRTSCTS if s["crtscts"] else 0)
    a[IFLAG] |= (T.IXON if s["ixon"] else 0) | (T.IXOFF if s["ixoff"] else 0)
    a[ISPEED] = a[OSPEED] = speed
    T.tcsetattr(fd, T.TCSANOW, a)
    held = read(fd)
    if held != s:
        lost = {k: s[k] for k in s if held[k] != s[k]}
        raise ValueError(f"the pty cannot hold line setting(s) {lost}")


def read(fd):
    """The current settings as a dict like DEFAULTS; an unmapped speed reads as None."""
    a = T.tcgetattr(fd)
    c = a[CFLAG]
    parity_bits = c & _PARITY_MASK if c & T.PARENB else 0
    return {"baud": _SPEEDS.get(a[OSPEED]),
            "data_bits": _SIZES[c & T.CSIZE],
            "parity": next(k for k, v in _PARITY.items() if v == parity_bits),
            "stop_bits": 2 if c & T.CSTOPB else 1,
            "crtscts": bool(c & T.CRTSCTS),
            "ixon": bool(a[IFLAG] & T.IXON),
            "ixoff": bool(a[IFLAG] & T.IXOFF)}


def open_device(path):
    """An fd on serial device `path` at 9600 8N1, raw, no flow control; OSError if unusable.

    The fd is a dup, so closing it is the last close and drops DTR (HUPCL), as a radio
    switched off would. Our raw mode on top of pyserial's clears BRKINT too, which pyserial
    leaves as it finds it."""
    import serial  # python3-serial: only needed for devices
    try:
        port = serial.Serial(path, 9600, serial.EIGHTBITS, serial.PARITY_NONE,
                             serial.STOPBITS_ONE, timeout=0)
    except serial.SerialException as e:
        cause = e.__context__ or e  # the system's words: pyserial's repeat the path
        why = "[Errno {}] {}".format(*cause.args) if len(cause.args) == 2 else cause
        raise OSError(f"cannot open {path}: {why}") from None
    fd = os.dup(port.fileno())
    port.close()
    a = _raw(T.tcgetattr(fd))
    a[CFLAG] |= T.HUPCL
    T.tcsetattr(fd, T.TCSANOW, a)
    return fd
