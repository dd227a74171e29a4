#!/usr/bin/env python3
"""Builds vorrindel.ico from the PNG icons: a 32x32 two-colour, a 32x32 sixteen-colour and a 16x16
sixteen-colour image, as classic palette bitmaps with a transparency mask. Needs ImageMagick's
`convert` to read the PNGs.

    packaging/windows/make-icon.py packaging/icons packaging/windows/vorrindel.ico
"""
import struct
import subprocess
import sys
from pathlib import Path

# The sixteen colours every display shows the same way.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# The icon is a blue tile with a white page: nearest-colour matching over all sixteen would turn the
# blue grey or teal, so its pixels choose among the colours that keep its look.
KEPT = [0, 4, 7, 15]  # black, navy, silver, white
MONO = [(0, 0, 0), (255, 255, 255)]


def pixels(png, size):
    raw = subprocess.run(["convert", str(png), "-resize", f"{size}x{size}", "-depth", "8", "rgba:-"],
                         check=True, capture_output=True).stdout
    return [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]


def nearest(rgb, palette, allowed):
    return min(allowed, key=lambda i: sum((a - b) ** 2 for a, b in zip(rgb, palette[i])))


def bitmap(px, size, palette, allowed, bits):
    """An icon image: BITMAPINFOHEADER, palette, colour rows and mask rows, both bottom-up."""
    def rows(values, depth):
        stride = (size * depth + 31) // 32 * 4
        out = bytearray()
        for y in reversed(range(size)):
            row = bytearray(stride)
            for x in range(size):
                v = values[y * size + x]
                bit = x * depth
                row[bit // 8] |= v << (8 - depth - bit % 8)
            out += row
        return out

    opaque = [p[3] >= 128 for p in px]
    colour = [nearest(p[:3], palette, allowed) if o else 0 for p, o in zip(px, opaque)]
    mask = [0 if o else 1 for o in opaque]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(palette), 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + rows(colour, bits) + rows(mask, 1)


def main(icons, out):
    images = [
        (32, 2, bitmap(pixels(Path(icons) / "vorrindel-32.png", 32), 32, MONO, [0, 1], 1)),
        (32, 16, bitmap(pixels(Path(icons) / "vorrindel-32.png", 32), 32, VGA, KEPT, 4)),
        (16, 16, bitmap(pixels(Path(icons) / "vorrindel-16.png", 16), 16, VGA, KEPT, 4)),
    ]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, image in images:
        bits = 1 if colours == 2 else 4
        data += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(image), offset)
        offset += len(image)
    data += b"".join(image for _, _, image in images)
    Path(out).write_bytes(data)


if __name__ == "__main__":
    main(*sys.argv[1:3])
