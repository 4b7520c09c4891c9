"""Files: names, errors, payloads, saving, copying, threads and camera photos."""

import io
import os
import subprocess
import wave
from concurrent.futures import ThreadPoolExecutor
from fractions import Fraction
from pathlib import Path

import pytest

import kexif
import photos
from conftest import EXIFTOOL

SAMPLES = Path(__file__).resolve().parents[2].parent / "shared" / "camera-samples"
if not SAMPLES.is_dir():
    SAMPLES = Path("/work/shared/camera-samples")


def wave_bytes(frames: int) -> bytes:
    out = io.BytesIO()
    with wave.open(out, "wb") as clip:
        clip.setnchannels(1)
        clip.setsampwidth(1)
        clip.setframerate(8000)
        clip.writeframes(bytes(i % 256 for i in range(frames)))
    return out.getvalue()


@pytest.mark.parametrize("name", ["Ærø 写真.jpg", b"caf\xc3\xa9.jpg", "plain.jpg"])
@pytest.mark.parametrize("as_path", [True, False])
def test_str_bytes_and_path_names_open_save_read_and_copy(tmp_path: Path, name, as_path) -> None:
    folder = os.fsencode(tmp_path) if isinstance(name, bytes) else str(tmp_path)
    target = os.path.join(folder, name)
    with open(target, "wb") as out:
        out.write(photos.camera_jpeg())
    handle = Path(os.fsdecode(target)) if as_path else target
    with kexif.open(handle) as photo:
        photo["ImageDescription"] = "Ærø"
        photo.save()
    assert kexif.read(handle)["ImageDescription"] == "Ærø"
    source = tmp_path / "source.jpg"
    source.write_bytes(photos.jpeg({0x010F: (2, "Other Make")}, exif={0x829A: (5, [(1, 8)])}))
    kexif.copy_exif(source, handle)
    assert kexif.read(handle)["Make"] == "Other Make"


def test_open_and_read_errors_name_the_file(tmp_path: Path) -> None:
    text = tmp_path / "notes.txt"
    text.write_text("not a photo")
    text.with_name("a.jpg").write_bytes(photos.camera_jpeg())
    cases = [(tmp_path / "missing.jpg", FileNotFoundError), (tmp_path, IsADirectoryError), (text, kexif.Error)]
    for opener in (kexif.open, kexif.read):
        for path, error in cases:
            with pytest.raises(error) as raised:
                opener(path)
            assert raised.value.filename == str(path)
    assert "not a JPEG or TIFF file" in str(raised.value) and str(text) in str(raised.value)
    for opener in (kexif.open, kexif.read, lambda name: kexif.copy_exif(text.with_name("a.jpg"), name)):
        with pytest.raises(ValueError):
            opener(str(text.with_name("a.jpg")) + "\0.txt")  # would open a.jpg if cut at the NUL
    with pytest.raises(FileNotFoundError) as raised:
        kexif.read_tags([text.with_name("a.jpg"), tmp_path / "missing.jpg"], ["Make"])
    assert raised.value.filename == str(tmp_path / "missing.jpg")


@pytest.mark.skipif(os.geteuid() == 0, reason="root reads every file")
def test_an_unreadable_file_raises_permission_error(camera: Path) -> None:
    camera.chmod(0)
    with pytest.raises(PermissionError):
        kexif.open(camera)


def test_misuse_raises_and_leaves_the_file_unchanged(camera: Path, tmp_path: Path) -> None:
    before = camera.read_bytes()
    photo = kexif.open(camera)
    photo["Artist"] = "Kari"
    with pytest.raises(kexif.Error) as raised:
        photo.save(tmp_path / "no such folder" / "out.jpg")
    assert "cannot save" in raised.value.reason
    with pytest.raises(KeyError):
        del photo["GainControl"]
    with pytest.raises(KeyError):
        photo["GainControl"]
    with pytest.raises(ValueError):
        photo.thumbnail = b"not a jpeg"
    with pytest.raises(KeyError):
        del photo.sound_clip
    photo.close()
    with pytest.raises(ValueError):
        photo.get("Make")
    assert camera.read_bytes() == before
    with pytest.raises(ValueError):
        kexif.read(camera)["Software"]  # the read-only family does not answer it
    tiff = tmp_path / "photo.tif"
    tiff.write_bytes(photos.tiff_block({0x010F: (2, "Tiff")}))
    with pytest.raises(kexif.Error) as raised:
        kexif.copy_exif(tiff, camera)
    assert raised.value.filename == str(camera) and "JPEG to JPEG" in raised.value.reason


def test_thumbnail_and_sound_clip_are_replaced_and_removed(camera: Path) -> None:
    clip = wave_bytes(150_000)  # several FPXR segments
    thumbnail = photos.TINY_JPEG + b"\0" * 10
    with kexif.open(camera) as photo:
        assert photo.thumbnail == photos.TINY_JPEG and photo.sound_clip is None
        photo.thumbnail = thumbnail
        photo.sound_clip = clip
        photo.save()
        assert (photo.thumbnail, photo.sound_clip) == (thumbnail, clip)
    info = kexif.read(camera)
    assert (info.thumbnail, info.sound_clip) == (thumbnail, clip)
    info.close()
    with kexif.open(camera) as photo:
        del photo.sound_clip
        photo.save()
        assert photo.sound_clip is None and photo["Make"] == "Kexif Camera"


def test_save_elsewhere_keeps_the_original_and_follows_the_copy(camera: Path, tmp_path: Path) -> None:
    before = camera.read_bytes()
    copy = tmp_path / "copy.jpg"
    with kexif.open(camera) as photo:
        photo["ExposureTime"] = Fraction(1, 30)
        photo.save(copy)
        photo["FNumber"] = Fraction(4)
        photo.save()
        assert photo.path == str(copy)
    assert camera.read_bytes() == before
    assert kexif.read(copy).get_many(["ExposureTime", "FNumber", "Make"]) == [Fraction(1, 30), 4, "Kexif Camera"]
    assert kexif.read_tags([camera, copy], ["ExposureTime", 0x829D, "Model"]) == \
        [[Fraction(1, 160), Fraction(14, 5), "Model 7"], [Fraction(1, 30), 4, "Model 7"]]


def test_a_thread_pool_reads_and_edits_many_files(tmp_path: Path) -> None:
    paths = []
    for i in range(48):
        path = tmp_path / f"p{i}.jpg"
        path.write_bytes(photos.jpeg({0x010F: (2, f"Make {i}")}, exif={0x8827: (3, [i])}))
        paths.append(path)

    def edit(path: Path) -> int:
        with kexif.open(path) as photo:
            photo["ISOSpeedRatings"] = photo["ISOSpeedRatings"] + 100
            photo.save()
        return kexif.read(path)["ISOSpeedRatings"]

    with ThreadPoolExecutor(max_workers=8) as pool:
        assert list(pool.map(edit, paths)) == [i + 100 for i in range(48)]
    # One photo shared by threads: they take turns.
    with kexif.open(paths[0]) as shared, ThreadPoolExecutor(max_workers=8) as pool:
        assert set(pool.map(lambda _: shared["Make"], range(200))) == {"Make 0"}


def maker_note_lines(path: Path) -> list:
    out = subprocess.run([EXIFTOOL, "-a", "-G0:1", "-s", "-n", "-MakerNotes:all", str(path)],
                         check=True, capture_output=True).stdout.decode("utf-8", "replace")
    return sorted(out.splitlines())


SAMPLE_NAMES = sorted(p.name for p in SAMPLES.glob("*.jpg")) if SAMPLES.is_dir() else []


@pytest.mark.parametrize("sample", SAMPLE_NAMES)
def test_camera_photos_keep_their_maker_note_bytes_through_an_edit(tmp_path: Path, sample: str) -> None:
    path = tmp_path / sample
    path.write_bytes((SAMPLES / sample).read_bytes())
    with kexif.open(path) as photo:
        before = photo.tags()
        photo["ImageDescription"] = "edited"
        photo.save()
        after = {(t.directory, t.id): t for t in photo.tags()}
    assert after[("IFD0", 0x010E)].value == "edited"
    kept = [(t.directory, t.id, t.raw) for t in before if t.id == 0x927C]
    assert kept and [(d, i, after[(d, i)].raw) for d, i, _ in kept] == kept


@pytest.mark.skipif(not SAMPLE_NAMES or EXIFTOOL is None, reason="needs the camera samples and exiftool")
def test_camera_maker_notes_decode_the_same_after_an_edit(tmp_path: Path) -> None:
    changed = []
    for sample in SAMPLE_NAMES:
        path = tmp_path / sample
        path.write_bytes((SAMPLES / sample).read_bytes())
        with kexif.open(path) as photo:
            photo["ImageDescription"] = "edited"
            photo.save()
        if maker_note_lines(path) != maker_note_lines(SAMPLES / sample):
            changed.append(sample)
    assert changed == []


def test_save_all_saves_every_photo_and_reports_the_one_that_fails(tmp_path: Path) -> None:
    paths = [tmp_path / f"p{i}.jpg" for i in range(70)]  # more than one batch
    for path in paths:
        path.write_bytes(photos.camera_jpeg())
    opened = [kexif.open(path) for path in paths]
    for i, photo in enumerate(opened):
        photo["Artist"] = f"artist {i}"
    bad = paths[66]
    bad.unlink()
    bad.mkdir()  # its save cannot replace a folder
    errors = kexif.save_all(opened)
    assert [(error.filename, error.reason) for error in errors] == [
        (str(bad), "cannot save; the file was left as it was")
    ]
    assert bad.is_dir()
    for i, (path, photo) in enumerate(zip(paths, opened)):
        if path != bad:
            assert photo["Artist"] == f"artist {i}"  # the photo is now its saved file
            with kexif.open(path) as again:
                assert again["Artist"] == f"artist {i}"
    assert not [name for name in os.listdir(tmp_path) if ".$#$" in name]
    opened[0].close()
    with pytest.raises(ValueError):
        kexif.save_all(opened)
    for photo in opened[1:]:
        photo.close()
