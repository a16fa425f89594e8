"""Normal mode: ASCII commands, each ending in ';'. Only "TY" (identify) is understood;
anything else gets "?;".

Keys of the scenario's "normal" section:
    reply   the identification reply (default "TY120;")
    busy    [delay_ms, ...]: a "?;" after each, before the reply
"""
from . import known

NOT_NOW = b"?;"


class NormalConfig:
    def __init__(self, raw):
        known(raw, {"reply", "busy"}, "normal")
        self.reply = [(raw.get("reply", "TY120;").encode("latin-1"), 0.0)]
        self.busy = [(NOT_NOW, float(d)) for d in raw.get("busy", [])]


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
            self.port.reply("query", self.config.reply, lead=self.config.busy)
        else:
            self.port.send(NOT_NOW)

    def report(self):
        return {"commands": self.commands}
