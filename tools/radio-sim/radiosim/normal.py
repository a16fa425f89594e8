"""Normal mode: ASCII commands, each ending in ';'. Only "TY" (identify) is understood;
anything else gets "?;".

Keys of the scenario's "normal" section:
    reply           the identification reply (default "TY120;")
    pieces          [[text, delay_ms], ...] written in place of `reply`
    reply_after_ms  added to the reply's (first piece's) delay
    busy            [delay_ms, ...]: a "?;" after each, before the reply
    extra           [[text, delay_ms], ...] other replies sent first
    silent          true: answer nothing
"""
from .port import parts

KEYS = {"reply", "pieces", "reply_after_ms", "busy", "extra", "silent"}
NOT_NOW = b"?;"


def _text(text):
    return text.encode("latin-1")


class NormalConfig:
    def __init__(self, raw):
        unknown = set(raw) - KEYS
        if unknown:
            raise ValueError(f"normal: unknown key(s) {', '.join(sorted(unknown))}")
        reply = [[raw.get("reply", "TY120;"), 0]]
        reply = parts(raw.get("pieces", reply), _text)
        if not reply:
            raise ValueError("normal: 'pieces' is empty")
        (first, delay_ms), after_ms = reply[0], float(raw.get("reply_after_ms", 0))
        self.reply = [(first, delay_ms + after_ms)] + reply[1:]
        # Other replies and "busy" answers come first, each delay counted from the previous output.
        self.lead = parts(raw.get("extra", []), _text)
        self.lead += [(NOT_NOW, float(d)) for d in raw.get("busy", [])]
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
        self.port.log("command", text=command)
        if self.config.silent:
            return
        if command == "TY":
            self.port.reply("query", self.config.reply, lead=self.config.lead)
        else:
            self.port.send(NOT_NOW)

    def report(self):
        return {"commands": self.commands}
