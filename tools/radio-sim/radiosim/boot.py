"""Boot mode: the radio's loader, byte by byte. Bit-rate matching bursts, the write control
program (0x06 for each byte), the erase, then the flash blocks in a fixed order.

Keys of the scenario's "boot" section:
    answer_burst    which burst of ten 0x00 is answered (from 1, default 1; null: none)
    program_file    what the program should be; the report compares
    erase_ms        from the last program byte's answer to the erase result 0xAA (default 300)
    after_program   [[hex, delay_ms], ...] sent after the last program byte instead of its
                    answer and the erase result
    image_file      what the flash should hold at the end; the report compares
    start_erased    true: the program is already running and the flash erased, so the
                    radio expects the first block's command at once (tests of the
                    block phase alone)
"""
import struct

from . import known, parts

BLOCKS = [(a, 0x1000) for a in range(0, 0x8000, 0x1000)] + [
    (0x08000, 0x8000), (0x10000, 0x10000), (0x20000, 0x10000), (0x30000, 0x10000)]
FLASH_SIZE = 0x40000
BURST = 10  # zero bytes per bit-rate matching burst
CHUNK = 128
ACK, NAK, READY = b"\x06", b"\x15", b"\x11"


def _read(path, size=None):
    if path is None:
        return None
    with open(path, "rb") as f:
        data = f.read()
    if size is not None and len(data) != size:
        raise ValueError(f"boot: {path} has {len(data)} bytes, not {size}")
    return data


class BootConfig:
    def __init__(self, raw):
        known(raw, {"answer_burst", "program_file", "erase_ms", "after_program", "image_file",
                    "start_erased"}, "boot")
        self.answer_burst = burst = raw.get("answer_burst", 1)
        if burst is not None and (type(burst) is not int or burst < 1):
            raise ValueError(f"boot: answer_burst must be null or from 1, not {burst!r}")
        self.erase_ms = float(raw.get("erase_ms", 300))
        after = raw.get("after_program")
        self.after_program = None if after is None else parts(after, bytes.fromhex)
        self.program = _read(raw.get("program_file"))
        self.image = _read(raw.get("image_file"), FLASH_SIZE)
        self.start_erased = bool(raw.get("start_erased", False))


class Boot:
    name = "boot"

    def __init__(self, config, port):
        self.config, self.port = config, port
        self.stage = "command" if config.start_erased else "sync"  # also the handler of the next byte
        self.zeros = self.bursts = 0
        self.program = bytearray()
        self.flash = bytearray(b"\xff" * FLASH_SIZE)
        self.block = 0  # index of the block expected next
        self.unit = bytearray()  # command, header or chunk being received
        self.offset = self.sum = 0  # within the current block
        self.blocks, self.errors = [], []

    def on_byte(self, byte):
        getattr(self, "_" + self.stage, self._ignore)(byte)

    def report(self):
        def matches(got, wanted):
            return None if wanted is None else got == wanted
        return {"stage": self.stage, "bursts": self.bursts, "blocks": self.blocks, "errors": self.errors,
                "program": {"received": len(self.program),
                            "matches": matches(self.program, self.config.program)},
                "flash_matches": matches(self.flash, self.config.image)}

    # --- one handler per stage that reads -------------------------------------------------
    def _sync(self, byte):
        if byte:
            self.zeros = 0
            return self._error(bytes([byte]))
        self.zeros += 1
        if self.zeros < BURST:
            return
        self.zeros, self.bursts = 0, self.bursts + 1
        answered = self.bursts == self.config.answer_burst
        if answered:
            self.stage = "confirm"
        self.port.reply(f"burst:{self.bursts}", [(b"\x00", 0.0)] if answered else [])

    def _confirm(self, byte):
        if byte != 0x55:
            return self._error(bytes([byte]))
        self.stage = "program"
        self.port.reply("confirm", [(b"\xaa", 0.0)])

    def _program(self, byte):
        self.program.append(byte)
        step = f"program:{len(self.program) - 1}"
        if len(self.program) < 2 or len(self.program) < int.from_bytes(self.program[:2], "big") + 2:
            return self.port.reply(step, [(ACK, 0.0)])
        self.stage = "erase"  # busy erasing: nothing is read
        after = self.config.after_program
        answer = [] if after is not None else [(ACK, 0.0)]
        erased = after if after is not None else [(b"\xaa", self.config.erase_ms)]
        self.port.reply(step, answer,
                        then=lambda: self.port.reply("erase", erased, then=self._erased))

    def _erased(self):
        self.stage = "command"

    def _command(self, byte):
        command = self._collect(byte, 2)
        if command is None:
            return
        if command != b"\x57\x00":
            return self._refuse(command)
        self.stage = "header"
        self.port.reply(f"command:{self.block}", [(ACK, 0.0)])

    def _header(self, byte):
        header = self._collect(byte, 8)
        if header is None:
            return
        if struct.unpack(">II", header) != BLOCKS[self.block]:
            return self._refuse(header)
        self.stage, self.offset, self.sum = "ack", 0, 0
        self.port.reply(f"ready:{self.block}", [(READY, 0.0)])

    def _ack(self, byte):
        if byte != READY[0]:
            return self._refuse(bytes([byte]))
        self.stage = "data" if self.offset < BLOCKS[self.block][1] else "checksum"

    def _data(self, byte):
        chunk = self._collect(byte, CHUNK)
        if chunk is None:
            return
        at = BLOCKS[self.block][0] + self.offset
        self.flash[at:at + CHUNK] = chunk
        self.sum += sum(chunk)
        self.port.reply(f"chunk:{self.block}:{self.offset // CHUNK}", [(READY, 0.0)])
        self.offset += CHUNK
        self.stage = "ack"

    def _checksum(self, byte):
        ok = byte == ~self.sum & 0xFF
        self.blocks.append({"index": self.block, "checksum": byte, "checksum_ok": ok})
        if not ok:
            return self._refuse(bytes([byte]))
        self.block += 1
        self.stage = "done" if self.block == len(BLOCKS) else "command"
        self.port.reply(f"checksum:{self.block - 1}", [(ACK, 0.0)])

    # --- helpers ---------------------------------------------------------------------------
    def _collect(self, byte, size):
        """The unit once `size` bytes of it have arrived, else None."""
        self.unit.append(byte)
        if len(self.unit) < size:
            return None
        unit, self.unit = bytes(self.unit), bytearray()
        return unit

    def _refuse(self, got):
        """Anything unexpected in the block phase: NAK, then wait for the block's command again."""
        self._error(got)
        self.stage, self.unit = "command", bytearray()
        self.port.send(NAK)

    def _ignore(self, byte):  # erasing, or done
        self._error(bytes([byte]))

    def _error(self, got):
        self.errors.append({"stage": self.stage, "block": self.block, "got": got.hex()})
