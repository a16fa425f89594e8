"""Line settings of the pty: raw mode and conversion between termios and a settings dict;
and a real serial device, opened as the radio's line.

On Linux both pty ends share one termios, so settings made by the utility on its side are
what we read back here. The kernel forces a pty to 8 data bits without parity, and a device
stays at our 8N1, so those two are fixed.
"""
import os
import termios as T

DEFAULTS = {"baud": 9600, "data_bits": 8, "parity": "none", "stop_bits": 1,
            "crtscts": False, "ixon": False, "ixoff": False}

_SPEEDS = {getattr(T, n): int(n[1:]) for n in dir(T) if n[0] == "B" and n[1:].isdigit()}
_SPEED_CODES = {bps: code for code, bps in _SPEEDS.items()}
IFLAG, OFLAG, CFLAG, LFLAG, ISPEED, OSPEED, CC = range(7)


def _raw(attrs):
    """cfmakeraw() at 8N1, without flow control."""
    attrs[IFLAG] &= ~(T.IGNBRK | T.BRKINT | T.PARMRK | T.ISTRIP | T.INLCR | T.IGNCR | T.ICRNL
                      | T.IXON | T.IXOFF | T.IXANY | T.INPCK)
    attrs[OFLAG] &= ~T.OPOST
    attrs[LFLAG] &= ~(T.ECHO | T.ECHONL | T.ICANON | T.ISIG | T.IEXTEN)
    attrs[CFLAG] &= ~(T.CSIZE | T.PARENB | T.PARODD | T.CSTOPB | T.CRTSCTS)
    attrs[CFLAG] |= T.CS8 | T.CREAD | T.CLOCAL
    attrs[CC][T.VMIN], attrs[CC][T.VTIME] = 1, 0
    return attrs


def configure(fd, settings):
    """Raw mode plus `settings` (keys of DEFAULTS, missing ones defaulted)."""
    s = {**DEFAULTS, **settings}
    if (set(s) != set(DEFAULTS) or s["baud"] not in _SPEED_CODES or s["stop_bits"] not in (1, 2)
            or (s["data_bits"], s["parity"]) != (8, "none")):
        raise ValueError(f"line: a pty cannot take {settings}")
    a = _raw(T.tcgetattr(fd))
    a[CFLAG] |= (T.CSTOPB if s["stop_bits"] == 2 else 0) | (T.CRTSCTS if s["crtscts"] else 0)
    a[IFLAG] |= (T.IXON if s["ixon"] else 0) | (T.IXOFF if s["ixoff"] else 0)
    a[ISPEED] = a[OSPEED] = _SPEED_CODES[s["baud"]]
    T.tcsetattr(fd, T.TCSANOW, a)


def read(fd):
    """The current settings as a dict like DEFAULTS; an unmapped speed reads as None."""
    a = T.tcgetattr(fd)
    return {**DEFAULTS, "baud": _SPEEDS.get(a[OSPEED]), "stop_bits": 2 if a[CFLAG] & T.CSTOPB else 1,
            "crtscts": bool(a[CFLAG] & T.CRTSCTS), "ixon": bool(a[IFLAG] & T.IXON),
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
