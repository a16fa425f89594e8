"""Normal mode: ASCII commands, each ending in ';'. Only "TY" (identify) is understood;
anything else gets "?;".

Keys of the scenario's "normal" section:
    reply       the identification reply (default "TY120;")
    busy_until  a file: "?;" every BUSY_MS until it exists, then the reply (a radio busy for
                as long as a person at the other end needs)
"""
import pathlib

from . import known

NOT_NOW = b"?;"
BUSY_MS = 50


class NormalConfig:
    def __init__(self, raw):
        known(raw, {"reply", "busy_until"}, "normal")
        self.reply = [(raw.get("reply", "TY120;").encode("latin-1"), 0.0)]
        self.busy_until = raw.get("busy_until")


class Normal:
    name = "normal"

    def __init__(self, config, port):
        self.config, self.port = config, port
        self.commands, self.text = [], bytearray()

    def on_byte(self, byte):
        if byte != ord(";"):
            self.text.append(byte)
            return
        command = self.text.decode("latin-1")
        self.text.clear()
        if not command:
            return
        self.commands.append(command)
        if command == "TY":
            self.identify()
        else:
            self.port.send(NOT_NOW)

    def identify(self):
        if self.config.busy_until and not pathlib.Path(self.config.busy_until).exists():
            self.port.reply("busy", [(NOT_NOW, 0.0), (self.identify, BUSY_MS)])
        else:
            self.port.reply("query", self.config.reply)

    def report(self):
        return {"commands": self.commands}
