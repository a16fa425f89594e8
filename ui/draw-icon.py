#!/usr/bin/env python3
"""Draws IDI_APP (app.ico): a transceiver with a download arrow, 32x32 and 16x16,
16 colours each. Run it again after changing a picture; the .ico is committed."""
import pathlib
import struct

# The standard 16-colour palette, in its usual order.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DARK_GREEN, SILVER, GREY, RED, LIME, YELLOW, WHITE = 0, 2, 7, 8, 9, 10, 11, 15


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [[None] * size for _ in range(size)]  # None: transparent

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.pixels[y][x] = colour

    def frame(self, x0, y0, x1, y1, fill, edge=BLACK):
        self.rect(x0, y0, x1, y1, edge)
        self.rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)

    def disc(self, cx, cy, r, fill, edge=BLACK):
        for y in range(self.size):
            for x in range(self.size):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if d <= r * r:
                    self.pixels[y][x] = fill if d <= (r - 1) ** 2 else edge

    def arrow(self, cx, top, shaft, head, colour):
        self.rect(cx - shaft // 2, top, cx + shaft // 2, top + head, colour)
        for i in range(head + 1):
            self.rect(cx - head + i, top + head + i, cx + head - i, top + head + i, colour)


def draw32():
    c = Canvas(32)
    c.rect(6, 2, 6, 12, BLACK)          # antenna
    c.disc(6, 2, 2, RED)
    c.frame(1, 12, 30, 28, GREY)        # body
    c.rect(2, 13, 29, 13, SILVER)       # top highlight
    c.frame(4, 15, 18, 20, DARK_GREEN)  # display
    c.rect(6, 17, 14, 18, LIME)
    for x in (4, 8, 12, 16):            # keys
        c.frame(x, 23, x + 2, 25, SILVER)
    c.disc(24, 20, 4, SILVER)           # tuning knob
    c.rect(24, 17, 24, 19, BLACK)
    c.arrow(23, 0, 4, 5, YELLOW)        # the update arrow
    return c


def draw16():
    c = Canvas(16)
    c.rect(3, 1, 3, 6, BLACK)
    c.rect(3, 0, 3, 0, RED)
    c.frame(0, 6, 15, 14, GREY)
    c.frame(2, 8, 8, 11, DARK_GREEN)
    c.rect(3, 9, 7, 10, LIME)
    c.disc(12, 10, 2, SILVER)
    c.arrow(12, 0, 2, 2, YELLOW)
    return c


def dib(canvas):
    n = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_row = (n // 2 + 3) & ~3
    mask_row = ((n + 31) // 32) * 4
    colours, mask = b"", b""
    for row in reversed(canvas.pixels):  # bottom-up
        nibbles = [p if p is not None else 0 for p in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, n, 2))
        colours += packed.ljust(colour_row, b"\0")
        bits = 0
        for x, p in enumerate(row):
            bits |= (p is None) << (n - 1 - x)
        mask += bits.to_bytes(n // 8, "big").ljust(mask_row, b"\0")
    return header + palette + colours + mask


def main():
    images = [dib(draw32()), dib(draw16())]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    out += b"".join(images)
    (pathlib.Path(__file__).resolve().parent / "app.ico").write_bytes(out)


if __name__ == "__main__":
    main()
