"""Normal mode: ASCII commands, each ending in ';'. Only "TY" (identify) is understood;
anything else gets "?;".

Keys of the scenario's "normal" section:
    reply   the identification reply (default "TY120;")
    pieces  [[text, delay_ms], ...] written in place of `reply`, each delay from the one before
    busy    [delay_ms, ...]: a "?;" after each, before the reply
    silent  true: answer nothing
"""
from . import known, parts

NOT_NOW = b"?;"


class NormalConfig:
    def __init__(self, raw):
        known(raw, {"reply", "pieces", "busy", "silent"}, "normal")
        self.reply = parts(raw.get("pieces", [[raw.get("reply", "TY120;"), 0]]),
                           lambda text: text.encode("latin-1"))
        self.busy = [(NOT_NOW, float(d)) for d in raw.get("busy", [])]
        self.silent = bool(raw.get("silent", False))


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
        if self.config.silent:
            return
        if command == "TY":
            self.port.reply("query", self.config.reply, lead=self.config.busy)
        else:
            self.port.send(NOT_NOW)

    def report(self):
        return {"commands": self.commands}
