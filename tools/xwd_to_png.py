#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Turns an xwd dump of a 24-bit TrueColor screen into an RGB PNG, optionally cropped.
#
#   xwd_to_png.py IN.xwd OUT.png [WIDTHxHEIGHT+X+Y]
import struct
import sys
import zlib

data = open(sys.argv[1], "rb").read()
fields = struct.unpack(">25I", data[:100])
header_size, width, height = fields[0], fields[4], fields[5]
byte_order, bits_per_pixel, bytes_per_line, colours = fields[7], fields[11], fields[12], fields[19]
pixels_at = header_size + colours * 12  # each XWDColor is 12 bytes
x0, y0, w, h = 0, 0, width, height
if len(sys.argv) > 3:
    size, x, y = sys.argv[3].split("+")
    w, h = (int(v) for v in size.split("x"))
    x0, y0 = int(x), int(y)
step = bits_per_pixel // 8
rows = bytearray()
for y in range(y0, y0 + h):
    line = data[pixels_at + y * bytes_per_line : pixels_at + (y + 1) * bytes_per_line]
    rows.append(0)  # filter: none
    for x in range(x0, x0 + w):
        p = line[x * step : x * step + step]
        rows += bytes((p[2], p[1], p[0])) if byte_order == 0 else bytes(p[step - 3 : step])


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b"")
open(sys.argv[2], "wb").write(png)
