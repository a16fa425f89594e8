"""Wire log of one direction, and the atomic report write."""
import json
import os


class Wire:
    """Bytes of one direction with their times in ms since the sim started."""

    def __init__(self):
        self.data = bytearray()
        self.t_ms = []

    def add(self, byte, t_ms):
        self.data.append(byte)
        self.t_ms.append(round(t_ms, 4))

    def to_json(self):
        return {"count": len(self.data), "hex": self.data.hex(), "t_ms": self.t_ms}


def write_atomic(path, obj):
    """Readers polling for the file must never see it half written."""
    tmp = f"{path}.{os.getpid()}.tmp"
    with open(tmp, "w") as f:
        json.dump(obj, f)
    os.replace(tmp, path)
