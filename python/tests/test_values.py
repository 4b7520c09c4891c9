"""Tag values through set, save, load and get, for every type and both formats."""

import math
from fractions import Fraction
from pathlib import Path

import pytest

import kexif
import photos

PRIVATE = 0xC4A5  # a tag the name table does not know: lands in IFD0


@pytest.mark.parametrize("tag, directory, expected", [
    ("ExposureTime", 0, Fraction(1, 160)),
    ("FNumber", 0, Fraction(14, 5)),
    ("ExposureBiasValue", 0, Fraction(-2, 3)),
    ("Make", 0, "Kexif Camera"),
    ("Orientation", 0, 1),  # an Exif-set tag that the file keeps in IFD0
    (0x9003, 0, "2024:05:01 06:30:00"),
    ("exifversion", 0, b"0230"),
    ("GPSLatitude", 0, (Fraction(59), Fraction(54), Fraction(3012, 100))),
    ("0x0103", 1, 6),
])
def test_get_converts_each_kind_of_value(camera: Path, tag, directory, expected) -> None:
    with kexif.open(camera) as photo:
        assert photo.get(tag, directory=directory) == expected
        assert type(photo.get(tag, directory=directory)) is type(expected)


@pytest.mark.parametrize("type_, value, expected", [
    ("BYTE", (1, 2, 255), (1, 2, 255)),
    ("ASCII", "Ærø 写真", "Ærø 写真"),
    ("SHORT", 65535, 65535),
    ("LONG", [4294967295, 0], (4294967295, 0)),
    ("RATIONAL", 2.8, Fraction(14, 5)),
    ("SBYTE", -128, -128),
    ("UNDEFINED", b"\x00\xff\x10", b"\x00\xff\x10"),
    ("SSHORT", (-2, 3), (-2, 3)),
    ("SLONG", -5, -5),
    ("SRATIONAL", (Fraction(-1, 2), "3/4"), (Fraction(-1, 2), Fraction(3, 4))),
    ("FLOAT", 0.5, 0.5),
    ("DOUBLE", (1.25, -2.5), (1.25, -2.5)),
    (kexif.Type.SHORT, "7 8", (7, 8)),  # text read as `kexif set` reads it
    (5, math.inf, math.inf),  # n/0: Fraction cannot hold it
])
def test_every_type_survives_a_save(camera: Path, type_, value, expected) -> None:
    with kexif.open(camera) as photo:
        photo.set(PRIVATE, value, type=type_)
        photo.save()
    with kexif.open(camera) as photo:
        entry = photo.entry(PRIVATE)
    assert entry is not None and entry.value == expected
    assert entry.type == (kexif.Type[type_] if isinstance(type_, str) else kexif.Type(type_))


@pytest.mark.parametrize("tag, value, expected_type", [
    ("ISOSpeedRatings", 400, kexif.Type.SHORT),        # the existing entry's type
    ("ExposureTime", "1/320", kexif.Type.RATIONAL),     # text read by the entry's type
    ("Artist", "Kari", kexif.Type.ASCII),               # new: the tag's standard type
    ("UserComment", b"ASCII\0\0\0hi", kexif.Type.UNDEFINED),
    (0xC4A6, Fraction(-1, 3), kexif.Type.SRATIONAL),    # unknown tag: guessed from the value
    (0xC4A7, "12 13", kexif.Type.LONG),
])
def test_a_value_without_type_takes_the_entry_or_standard_type(camera: Path, tag, value, expected_type) -> None:
    with kexif.open(camera) as photo:
        photo[tag] = value
        assert photo.entry(tag).type == expected_type


@pytest.mark.parametrize("tag, value, type_, error", [
    ("ISOSpeedRatings", 70000, None, ValueError),
    ("ISOSpeedRatings", "many", None, ValueError),
    ("ExposureTime", -1, None, ValueError),
    ("NoSuchTag", 1, None, ValueError),
    ("Make", 5, None, TypeError),
    ("Make", "x", "NOTATYPE", ValueError),
    (0x10000, 1, None, ValueError),
    (2.5, 1, None, TypeError),
    ("InteroperabilityIndex", "R98", None, ValueError),
    ("GPSAltitude", -10, None, ValueError),  # RATIONAL
])
def test_set_refuses_what_does_not_fit(camera: Path, tag, value, type_, error) -> None:
    with kexif.open(camera) as photo:
        before = photo.tags()
        with pytest.raises(error):
            photo.set(tag, value, type=type_)
        assert photo.tags() == before


@pytest.mark.parametrize("make", [photos.jpeg, lambda ifd0, **parts: photos.tiff_block(ifd0, **parts)])
@pytest.mark.parametrize("has_gps", [True, False])
def test_edits_round_trip_through_exiftool(tmp_path: Path, exiftool, make, has_gps) -> None:
    parts = photos.camera_entries()
    path = tmp_path / "photo.img"
    path.write_bytes(make(parts["ifd0"], exif=parts["exif"], gps=parts["gps"] if has_gps else None))
    with kexif.open(path) as photo:
        photo["ImageDescription"] = "Harbour at dawn"
        photo["ExposureTime"] = Fraction(1, 250)
        photo["ISOSpeedRatings"] = 800
        photo.set("GPSLatitude", [59, 55, Fraction(1, 2)])
        photo["GPSAltitude"] = Fraction(125, 10)  # a new GPS entry
        del photo["Model"]
        photo.save()
    seen = exiftool(path)[0]
    assert (seen["IFD0:ImageDescription"], seen["ExifIFD:ExposureTime"], seen["ExifIFD:ISO"]) == \
        ("Harbour at dawn", 0.004, 800)
    assert seen["GPS:GPSLatitude"] == pytest.approx(59 + 55 / 60 + 0.5 / 3600)
    assert seen["GPS:GPSAltitude"] == 12.5
    assert "IFD0:Model" not in seen and "ExifTool:Warning" not in seen
