"""Builds small JPEG and TIFF files with chosen Exif entries for the tests.

An entry is (type, values): text for ASCII, bytes for BYTE and UNDEFINED,
a list of numbers for the integer and float types, a list of
(numerator, denominator) pairs for the rational types.
"""

import struct
from typing import Dict, Optional, Tuple

Entries = Dict[int, Tuple[int, object]]

_CODES = {1: "B", 3: "H", 4: "I", 6: "b", 8: "h", 9: "i", 11: "f", 12: "d"}
EXIF_POINTER, GPS_POINTER = 0x8769, 0x8825
THUMB_OFFSET, THUMB_LENGTH = 0x0201, 0x0202

# A 1x1 grey baseline JPEG: quantisation table, frame, one-code Huffman
# tables, and a single block (DC difference 0, end of block).
TINY_JPEG = bytes.fromhex(
    "ffd8"
    "ffdb0043" "00" + "01" * 64 +
    "ffc0000b080001000101011100"
    "ffc4001400" "01" + "00" * 15 + "00"
    "ffc4001410" "01" + "00" * 15 + "00"
    "ffda0008010100003f00" "3f"
    "ffd9")


def _value_bytes(order: str, type_: int, values: object) -> Tuple[int, bytes]:
    if type_ == 2:
        raw = str(values).encode() + b"\0"
        return len(raw), raw
    if type_ in (1, 7) and isinstance(values, (bytes, bytearray)):
        return len(values), bytes(values)
    items = list(values)  # type: ignore[call-overload]
    if type_ in (5, 10):
        flat = [n for pair in items for n in pair]
        return len(items), struct.pack(f"{order}{len(flat)}{'I' if type_ == 5 else 'i'}", *flat)
    return len(items), struct.pack(f"{order}{len(items)}{_CODES[type_]}", *items)


def _directory(order: str, entries: Entries, start: int, next_offset: int) -> Tuple[bytes, int]:
    """One directory placed at start with its value area after it; returns the
    bytes and the offset just past them."""
    head = struct.pack(f"{order}H", len(entries))
    area = b""
    area_start = start + 2 + 12 * len(entries) + 4
    for tag in sorted(entries):
        type_, values = entries[tag]
        count, raw = _value_bytes(order, type_, values)
        if len(raw) <= 4:
            field = raw.ljust(4, b"\0")
        else:
            field = struct.pack(f"{order}I", area_start + len(area))
            area += raw + b"\0" * (len(raw) % 2)
        head += struct.pack(f"{order}HHI", tag, type_, count) + field
    block = head + struct.pack(f"{order}I", next_offset) + area
    return block, start + len(block)


def tiff_block(ifd0: Entries, exif: Optional[Entries] = None, gps: Optional[Entries] = None,
               ifd1: Optional[Entries] = None, thumbnail: Optional[bytes] = None, order: str = "<",
               tail: bytes = b"") -> bytes:
    """A TIFF structure: IFD0 with Exif and GPS sub-directories, then IFD1
    (with the thumbnail when given), then tail."""
    ifd0 = dict(ifd0)

    def layout(offsets: Dict[str, int]) -> Tuple[bytes, Dict[str, int]]:
        out = (b"II*\0" if order == "<" else b"MM\0*") + struct.pack(f"{order}I", 8)
        found: Dict[str, int] = {}
        first = dict(ifd0)
        if exif is not None:
            first[EXIF_POINTER] = (4, [offsets.get("exif", 0)])
        if gps is not None:
            first[GPS_POINTER] = (4, [offsets.get("gps", 0)])
        second = dict(ifd1 or {})
        if thumbnail is not None:
            second[THUMB_OFFSET] = (4, [offsets.get("thumb", 0)])
            second[THUMB_LENGTH] = (4, [len(thumbnail)])
        block, end = _directory(order, first, 8, offsets.get("ifd1", 0) if second else 0)
        out += block
        for name, entries in (("exif", exif), ("gps", gps)):
            if entries is not None:
                found[name] = end
                block, end = _directory(order, entries, end, 0)
                out += block
        if second:
            found["ifd1"] = end
            block, end = _directory(order, second, end, 0)
            out += block
        if thumbnail is not None:
            found["thumb"] = end
            out += thumbnail
        return out + tail, found

    # A first pass finds where the sub-directories and the thumbnail land.
    _, offsets = layout({})
    out, again = layout(offsets)
    assert again == offsets
    return out


def jpeg(ifd0: Entries, **parts: object) -> bytes:
    """A JPEG with an APP1 Exif segment holding tiff_block(ifd0, **parts)."""
    payload = b"Exif\0\0" + tiff_block(ifd0, **parts)  # type: ignore[arg-type]
    return TINY_JPEG[:2] + b"\xff\xe1" + struct.pack(">H", len(payload) + 2) + payload + TINY_JPEG[2:]


def camera_entries() -> Dict[str, Entries]:
    """IFD0, Exif and GPS entries as a camera writes them."""
    return {
        "ifd0": {0x010F: (2, "Kexif Camera"), 0x0110: (2, "Model 7"), 0x0112: (3, [1]),
                 0x011A: (5, [(72, 1)]), 0x0132: (2, "2024:05:01 06:30:00")},
        "exif": {0x829A: (5, [(1, 160)]), 0x829D: (5, [(28, 10)]), 0x8827: (3, [200]),
                 0x9000: (7, b"0230"), 0x9003: (2, "2024:05:01 06:30:00"), 0x9204: (10, [(-2, 3)])},
        "gps": {0x0001: (2, "N"), 0x0002: (5, [(59, 1), (54, 1), (3012, 100)])},
    }


def camera_jpeg(thumbnail: bool = True) -> bytes:
    parts = camera_entries()
    return jpeg(parts["ifd0"], exif=parts["exif"], gps=parts["gps"],
                ifd1={0x0103: (3, [6])}, thumbnail=TINY_JPEG if thumbnail else None)
