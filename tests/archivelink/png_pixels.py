"""The pixels of a PNG file, read with the standard library only, enough to
tell a blank screenshot from a page and one page colour from another.

Reads 8-bit truecolour images (RGB or RGBA, not interlaced), which is what
Chromium writes for screenshots; anything else raises ValueError.
"""

import struct
import zlib
from collections import Counter

SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {2: 3, 6: 4}  # colour type -> bytes per pixel


def _chunks(data):
    at = len(SIGNATURE)
    while at + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        yield kind, data[at + 8:at + 8 + length]
        at += 12 + length


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _unfilter(kind, row, prior, bpp):
    if kind == 0:
        return row
    out = bytearray(row)
    n = len(out)
    if kind == 1:
        for i in range(bpp, n):
            out[i] = (out[i] + out[i - bpp]) & 0xFF
    elif kind == 2:
        out = bytearray((x + y) & 0xFF for x, y in zip(row, prior))
    elif kind == 3:
        for i in range(n):
            left = out[i - bpp] if i >= bpp else 0
            out[i] = (out[i] + ((left + prior[i]) >> 1)) & 0xFF
    elif kind == 4:
        for i in range(n):
            left = out[i - bpp] if i >= bpp else 0
            upper_left = prior[i - bpp] if i >= bpp else 0
            out[i] = (out[i] + _paeth(left, prior[i], upper_left)) & 0xFF
    else:
        raise ValueError(f"unknown PNG row filter {kind}")
    return out


def colour_counts(path):
    """Counter of (r, g, b) over every pixel; alpha is ignored."""
    with open(path, "rb") as png:
        data = png.read()
    if not data.startswith(SIGNATURE):
        raise ValueError(f"{path} is not a PNG file")
    header = None
    compressed = bytearray()
    for kind, body in _chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
    if header is None:
        raise ValueError(f"{path} has no IHDR chunk")
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in CHANNELS or interlace != 0:
        raise ValueError(f"{path}: depth {depth}, colour type {colour_type}, interlace {interlace} not supported")
    bpp = CHANNELS[colour_type]
    stride = width * bpp
    raw = zlib.decompress(bytes(compressed))
    if len(raw) != height * (stride + 1):
        raise ValueError(f"{path}: {len(raw)} bytes of pixel data, expected {height * (stride + 1)}")

    counts = Counter()
    prior = bytes(stride)
    for y in range(height):
        start = y * (stride + 1)
        row = _unfilter(raw[start], raw[start + 1:start + 1 + stride], prior, bpp)
        counts.update(zip(row[0::bpp], row[1::bpp], row[2::bpp]))
        prior = row
    return counts
