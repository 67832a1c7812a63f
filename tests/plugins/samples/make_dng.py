#!/usr/bin/env python3
"""Writes a small valid DNG for the camera raw plug-in's tests and benchmark.

The raw data is an uncompressed 16-bit RGGB mosaic of the quadrant picture
(top left red, top right green, bottom left blue, bottom right white) whose
camera colours are linear sRGB, so a developed picture shows those colours.
With --preview the file is laid out as cameras and converters do: IFD 0 is
the JPEG preview (NewSubFileType 1) and carries the DNG tags, the raw image
is its SubIFD. Only the standard library is used.

  make_dng.py OUT.dng WIDTH HEIGHT [--preview JPEG] [--orientation N]
"""

import argparse
import struct

WHITE = 4095  # 12-bit sensor values in 16-bit samples

SHORT, LONG, RATIONAL, SRATIONAL, BYTE, ASCII = 3, 4, 5, 10, 1, 2

# Camera RGB = linear sRGB: the matrix from XYZ (D65) to linear sRGB.
XYZ_TO_SRGB = [3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570]


def mosaic(width, height):
    """The RGGB samples of the quadrant picture, row by row, as bytes."""
    colours = {(0, 0): (1, 0, 0), (0, 1): (0, 1, 0), (1, 0): (0, 0, 1), (1, 1): (1, 1, 1)}
    rows = []
    for half in (0, 1):
        for parity in (0, 1):
            row = b""
            for side in (0, 1):
                r, g, b = colours[(half, side)]
                pair = (r, g) if parity == 0 else (g, b)
                row += struct.pack("<HH", pair[0] * WHITE, pair[1] * WHITE) * (width // 4)
            rows.append(row)
    top_even, top_odd, bottom_even, bottom_odd = rows
    out = bytearray()
    for y in range(height):
        top = y < height // 2
        even = y % 2 == 0
        out += (top_even if even else top_odd) if top else (bottom_even if even else bottom_odd)
    return bytes(out)


class Ifd:
    """One image file directory; values are packed when the file is laid out."""

    def __init__(self):
        self.entries = {}

    def add(self, tag, kind, values):
        if kind == ASCII:
            values = values.encode() + b"\0"
        elif not isinstance(values, (list, tuple)):
            values = [values]
        self.entries[tag] = (kind, values)

    def packed_value(self, kind, values):
        if kind == ASCII or kind == BYTE:
            return bytes(values), len(values)
        if kind == SHORT:
            return struct.pack("<%dH" % len(values), *values), len(values)
        if kind == LONG:
            return struct.pack("<%dI" % len(values), *values), len(values)
        if kind in (RATIONAL, SRATIONAL):
            data = b""
            for v in values:
                num = int(round(v * 10000))
                data += struct.pack("<iI" if kind == SRATIONAL else "<II", num, 10000)
            return data, len(values)
        raise ValueError(kind)


def layout(ifds, blobs):
    """ifds: list of Ifd; the first is IFD 0. Tags whose value is a string
    naming a blob or an IFD are filled with its offset. Returns the file."""
    # Pass 1: sizes. Header 8, then each IFD with its out-of-line values,
    # then the blobs.
    offsets = {}
    pos = 8
    for i, ifd in enumerate(ifds):
        offsets["ifd%d" % i] = pos
        pos += 2 + 12 * len(ifd.entries) + 4
        for kind, values in ifd.entries.values():
            data, _ = ifd.packed_value(kind, [0] * len(values) if isinstance(values[0], str)
                                       else values)
            if len(data) > 4:
                pos += len(data) + (len(data) & 1)
    for name, data in blobs.items():
        offsets[name] = pos
        pos += len(data) + (len(data) & 1)
    # Pass 2: write.
    out = bytearray(b"II*\0" + struct.pack("<I", offsets["ifd0"]))
    for i, ifd in enumerate(ifds):
        assert len(out) == offsets["ifd%d" % i]
        extra = bytearray()
        extra_at = len(out) + 2 + 12 * len(ifd.entries) + 4
        table = struct.pack("<H", len(ifd.entries))
        for tag in sorted(ifd.entries):
            kind, values = ifd.entries[tag]
            if isinstance(values[0], str):
                values = [offsets[v] for v in values]
            data, count = ifd.packed_value(kind, values)
            if len(data) <= 4:
                field = data.ljust(4, b"\0")
            else:
                field = struct.pack("<I", extra_at + len(extra))
                extra += data + (b"\0" if len(data) & 1 else b"")
            table += struct.pack("<HHI", tag, kind, count) + field
        out += table + struct.pack("<I", 0) + extra
    for name, data in blobs.items():
        assert len(out) == offsets[name]
        out += data + (b"\0" if len(data) & 1 else b"")
    return bytes(out)


def dng_tags(ifd, orientation):
    ifd.add(271, ASCII, "Glimr")
    ifd.add(272, ASCII, "Test camera")
    ifd.add(274, SHORT, orientation)
    ifd.add(50706, BYTE, [1, 4, 0, 0])
    ifd.add(50707, BYTE, [1, 1, 0, 0])
    ifd.add(50708, ASCII, "Glimr Test camera")
    ifd.add(50721, SRATIONAL, XYZ_TO_SRGB)
    ifd.add(50728, RATIONAL, [1.0, 1.0, 1.0])
    ifd.add(50778, SHORT, 21)  # D65


def raw_ifd(width, height, new_subfile_type):
    ifd = Ifd()
    ifd.add(254, LONG, new_subfile_type)
    ifd.add(256, LONG, width)
    ifd.add(257, LONG, height)
    ifd.add(258, SHORT, 16)
    ifd.add(259, SHORT, 1)
    ifd.add(262, SHORT, 32803)  # colour filter array
    ifd.add(273, LONG, "raw")
    ifd.add(277, SHORT, 1)
    ifd.add(278, LONG, height)
    ifd.add(279, LONG, width * height * 2)
    ifd.add(284, SHORT, 1)
    ifd.add(33421, SHORT, [2, 2])
    ifd.add(33422, BYTE, [0, 1, 1, 2])  # R G / G B
    ifd.add(50714, LONG, 0)
    ifd.add(50717, LONG, WHITE)
    return ifd


def jpeg_size(data):
    """Width and height from the first start-of-frame marker."""
    i = 2
    while i + 9 < len(data):
        if data[i] != 0xFF:
            raise ValueError("not a JPEG")
        marker, length = data[i + 1], struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            height, width = struct.unpack(">HH", data[i + 5:i + 9])
            return width, height
        i += 2 + length
    raise ValueError("no frame header")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("width", type=int)
    parser.add_argument("height", type=int)
    parser.add_argument("--preview", help="baseline JPEG to embed as the preview")
    parser.add_argument("--orientation", type=int, default=1)
    args = parser.parse_args()
    if args.width % 4 or args.height % 2:
        parser.error("width must be a multiple of 4 and height even")
    blobs = {"raw": mosaic(args.width, args.height)}
    if args.preview:
        with open(args.preview, "rb") as f:
            jpeg = f.read()
        pw, ph = jpeg_size(jpeg)
        blobs["preview"] = jpeg
        preview = Ifd()
        preview.add(254, LONG, 1)
        preview.add(256, LONG, pw)
        preview.add(257, LONG, ph)
        preview.add(258, SHORT, [8, 8, 8])
        preview.add(259, SHORT, 7)  # JPEG
        preview.add(262, SHORT, 6)  # YCbCr
        preview.add(273, LONG, "preview")
        preview.add(277, SHORT, 3)
        preview.add(278, LONG, ph)
        preview.add(279, LONG, len(jpeg))
        preview.add(284, SHORT, 1)
        preview.add(330, LONG, "ifd1")
        dng_tags(preview, args.orientation)
        ifds = [preview, raw_ifd(args.width, args.height, 0)]
    else:
        raw = raw_ifd(args.width, args.height, 0)
        dng_tags(raw, args.orientation)
        ifds = [raw]
    with open(args.out, "wb") as f:
        f.write(layout(ifds, blobs))


if __name__ == "__main__":
    main()
