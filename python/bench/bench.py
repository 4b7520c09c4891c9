"""Times kexif against Pillow, piexif and exifread.

1. Reading the same 7 tags from 1000 generated camera-like JPEG files.
2. Setting one tag and saving a 24-megapixel JPEG.
3. What an edit does to the maker notes of the camera photos in
   ../shared/camera-samples (when present), judged by exiftool's decoding.

Each timing is the best of --repeat runs, all measured in this one run; the
reading rounds alternate between the libraries.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path
from typing import Callable, Dict, List, Optional

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "tests"))

import exifread  # noqa: E402
import piexif  # noqa: E402
from PIL import Image  # noqa: E402

import kexif  # noqa: E402
import photos  # noqa: E402

TAGS = ["Make", "Model", "Orientation", "DateTimeOriginal", "ExposureTime", "FNumber", "ISOSpeedRatings"]
EXIF_IDS = {"DateTimeOriginal": 0x9003, "ExposureTime": 0x829A, "FNumber": 0x829D, "ISOSpeedRatings": 0x8827}
IFD0_IDS = {"Make": 0x010F, "Model": 0x0110, "Orientation": 0x0112}
SAMPLES = HERE.parents[2] / "shared" / "camera-samples"
if not SAMPLES.is_dir():
    SAMPLES = Path("/work/shared/camera-samples")


def camera_parts(i: int) -> Dict[str, object]:
    parts = photos.camera_entries()
    exif = dict(parts["exif"])
    exif[0x927C] = (7, bytes(range(256)) * 6)  # a 1.5 kB maker note, as cameras write
    exif[0x8827] = (3, [100 + i % 3000])
    return {"ifd0": parts["ifd0"], "exif": exif, "gps": parts["gps"]}


def make_small_photos(folder: Path, count: int) -> List[str]:
    thumbnail = photos.TINY_JPEG[:-2] + b"\0" * 6000 + b"\xff\xd9"
    names = []
    for i in range(count):
        parts = camera_parts(i)
        data = photos.jpeg(parts["ifd0"], exif=parts["exif"], gps=parts["gps"], ifd1={0x0103: (3, [6])},
                           thumbnail=thumbnail)
        name = folder / f"photo{i:04d}.jpg"
        name.write_bytes(data)
        names.append(str(name))
    return names


def make_big_photo(folder: Path) -> str:
    """A 6000 x 4000 JPEG with a camera-like Exif block."""
    parts = camera_parts(0)
    exif = b"Exif\0\0" + photos.tiff_block(parts["ifd0"], exif=parts["exif"], gps=parts["gps"])
    image = Image.effect_noise((6000, 4000), 40).convert("RGB")
    name = folder / "big.jpg"
    image.save(name, quality=90, exif=exif)
    return str(name)


# -- reading 7 tags ----------------------------------------------------------

def read_kexif(path: str) -> list:
    with kexif.read(path) as info:
        return info.get_many(TAGS)


def read_kexif_by_name(path: str) -> list:
    with kexif.read(path) as info:
        return [info.get(t) for t in TAGS]


def read_pillow(path: str) -> list:
    with Image.open(path) as image:
        exif = image.getexif()
        sub = exif.get_ifd(0x8769)
        return [exif.get(IFD0_IDS[t]) if t in IFD0_IDS else sub.get(EXIF_IDS[t]) for t in TAGS]


def read_piexif(path: str) -> list:
    data = piexif.load(path)
    return [data["0th"].get(IFD0_IDS[t]) if t in IFD0_IDS else data["Exif"].get(EXIF_IDS[t]) for t in TAGS]


EXIFREAD_NAMES = {"Make": "Image Make", "Model": "Image Model", "Orientation": "Image Orientation",
                  "DateTimeOriginal": "EXIF DateTimeOriginal", "ExposureTime": "EXIF ExposureTime",
                  "FNumber": "EXIF FNumber", "ISOSpeedRatings": "EXIF ISOSpeedRatings"}


def read_exifread(path: str) -> list:
    with open(path, "rb") as f:
        tags = exifread.process_file(f, details=False)
    return [tags.get(EXIFREAD_NAMES[t]) for t in TAGS]


# -- editing a 24 MP photo ---------------------------------------------------

def edit_kexif(source: str, target: str) -> None:
    with kexif.open(source) as photo:
        photo["ImageDescription"] = "Harbour at dawn"
        photo.save(target)


def edit_pillow(source: str, target: str) -> None:
    # Pillow writes Exif only while encoding the image again.
    with Image.open(source) as image:
        exif = image.getexif()
        exif[0x010E] = "Harbour at dawn"
        image.save(target, quality=90, exif=exif)


def edit_piexif(source: str, target: str) -> None:
    data = piexif.load(source)
    data["0th"][0x010E] = b"Harbour at dawn"
    piexif.insert(piexif.dump(data), source, target)


def interleaved_best_times(jobs: Dict[str, Callable[[], object]], repeat: int) -> Dict[str, float]:
    """The best time of each job over repeat rounds; every round runs each job
    once, so that a change in the machine's load falls on all of them."""
    best = {label: float("inf") for label in jobs}
    for _ in range(repeat):
        for label, work in jobs.items():
            start = time.perf_counter()
            work()
            best[label] = min(best[label], time.perf_counter() - start)
    return best


def best_time(work: Callable[[], object], repeat: int) -> float:
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        work()
        best = min(best, time.perf_counter() - start)
    return best


# -- maker notes -------------------------------------------------------------

def maker_note_lines(path: str) -> List[str]:
    out = subprocess.run(["exiftool", "-a", "-G0:1", "-s", "-n", "-MakerNotes:all", path],
                         capture_output=True, check=True).stdout.decode("utf-8", "replace")
    return sorted(out.splitlines())


def warnings(path: str) -> List[str]:
    out = subprocess.run(["exiftool", "-a", "-s", "-Warning", path], capture_output=True).stdout.decode("utf-8", "replace")
    return out.splitlines()


def maker_note_verdict(original: str, edited: Optional[str], problem: str = "") -> str:
    if edited is None:
        return f"edit failed ({problem})"
    before, after = maker_note_lines(original), maker_note_lines(edited)
    if not after:
        return "lost"
    changed = len(set(before) ^ set(after)) // 2 or len(set(before) ^ set(after))
    new_warnings = [w for w in warnings(edited) if w not in warnings(original)]
    verdict = "kept" if before == after else f"{changed} of {len(before)} lines differ"
    return verdict + (f"; new warning: {new_warnings[0].split(': ', 1)[-1]}" if new_warnings else "")


def check_maker_notes(folder: Path) -> None:
    if not SAMPLES.is_dir() or shutil.which("exiftool") is None:
        print("\nmaker notes: skipped (no camera samples or no exiftool)")
        return
    print("\nmaker notes after setting ImageDescription (exiftool -MakerNotes:all before and after)")
    print(f"  {'photo':32} {'kexif':34} piexif")
    for sample in sorted(SAMPLES.glob("*.jpg")):
        results = []
        for name, edit in (("kexif", edit_kexif), ("piexif", edit_piexif)):
            target = str(folder / f"{name}-{sample.name}")
            try:
                edit(str(sample), target)
            except Exception as error:  # a library that cannot handle the photo
                results.append(maker_note_verdict(str(sample), None, f"{type(error).__name__}: {error}"[:60]))
                continue
            results.append(maker_note_verdict(str(sample), target))
        print(f"  {sample.name:32} {results[0]:34} {results[1]}")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--repeat", type=int, default=7)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory(prefix="kexif-bench-") as scratch:
        folder = Path(scratch)
        names = make_small_photos(folder, args.files)
        expected = read_kexif(names[0])
        print(f"reading {len(TAGS)} tags from {len(names)} photos ({os.path.getsize(names[0])} bytes each),"
              f" best of {args.repeat}")
        readers = [("kexif.read + get_many", read_kexif), ("kexif.read + get per tag", read_kexif_by_name),
                   ("Pillow getexif", read_pillow), ("piexif.load", read_piexif),
                   ("exifread.process_file", read_exifread)]
        jobs: Dict[str, Callable[[], object]] = {"kexif.read_tags (all files)": lambda: kexif.read_tags(names, TAGS)}
        for label, reader in readers:
            assert len(reader(names[0])) == len(TAGS)
            jobs[label] = lambda reader=reader: [reader(n) for n in names]
        times = interleaved_best_times(jobs, args.repeat)
        fastest_other = min(times["Pillow getexif"], times["piexif.load"], times["exifread.process_file"])
        for label, seconds in times.items():
            print(f"  {label:28} {seconds * 1000:8.1f} ms  {seconds / len(names) * 1e6:7.1f} us/photo"
                  f"  {fastest_other / seconds:5.1f}x the fastest other")
        print(f"  kexif values: {expected}")

        big = make_big_photo(folder)
        print(f"\nsetting ImageDescription and saving a 6000x4000 JPEG ({os.path.getsize(big) / 1e6:.1f} MB),"
              f" best of {args.repeat}")
        for label, edit in (("kexif (safe save)", edit_kexif), ("Pillow (re-encodes the image)", edit_pillow),
                            ("piexif.insert", edit_piexif)):
            target = str(folder / "edited.jpg")
            seconds = best_time(lambda: edit(big, target), args.repeat)
            print(f"  {label:30} {seconds * 1000:8.1f} ms")
        print("  exifread                       cannot write")
        check_maker_notes(folder)


if __name__ == "__main__":
    main()
