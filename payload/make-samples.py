#!/usr/bin/env python3
"""Writes the sample payload that the simulated radio is tested with.

usage: make-samples.py [FOLDER SEED]: another payload of the same shape, drawn from SEED, in
FOLDER (the tests' stand-in for the maker's files); without them, the sample, here.

The bytes are deterministic and meaningless to a real radio. They are chosen so
that the block tests can tell blocks apart: every block has its own checksum,
except block 2 (all 0xFF) and block 5 (all 0x00), and block 3 sums to 0x34.
"""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tools" / "radio-sim"))
from radiosim.boot import BLOCKS  # noqa: E402  the radio's flash, as the simulated radio has it

IMAGE_SIZE = 0x40000
PROGRAM_SIZE = 1436
ALL_FF, ALL_00, SUM_34 = 2, 5, 3


def xorshift(seed):
    state = seed
    while True:
        state ^= (state << 13) & 0xFFFFFFFF
        state ^= state >> 17
        state ^= (state << 5) & 0xFFFFFFFF
        yield state & 0xFF


def block_bytes(index, size, noise):
    if index == ALL_FF:
        return bytearray(b"\xff" * size)
    if index == ALL_00:
        return bytearray(size)
    data = bytearray(next(noise) for _ in range(size))
    wanted = 0x34 if index == SUM_34 else (0x11 * index + 0x40) & 0xFF
    data[-1] = (data[-1] + wanted - sum(data)) & 0xFF
    return data


def main(folder=pathlib.Path(__file__).resolve().parent, seed=0x2545F491):
    noise = xorshift(seed)
    image = bytearray()
    for index, (_, size) in enumerate(BLOCKS):
        image += block_bytes(index, size, noise)
    assert len(image) == IMAGE_SIZE
    program = bytearray(b"\x05\x9a") + bytearray(next(noise) for _ in range(PROGRAM_SIZE - 2))
    (folder / "sample-firmware.bin").write_bytes(image)
    (folder / "sample-write-control-program.bin").write_bytes(program)


if __name__ == "__main__":
    main(*(pathlib.Path(sys.argv[1]), int(sys.argv[2], 0)) if len(sys.argv) == 3 else ())
