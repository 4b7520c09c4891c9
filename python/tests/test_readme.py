"""The README's Python example runs as printed."""

import contextlib
import io
import re
from pathlib import Path

import kexif
import photos

README = Path(__file__).resolve().parents[2] / "README.md"


def test_readme_example_runs_and_does_what_it_says(tmp_path: Path, monkeypatch) -> None:
    section = README.read_text(encoding="utf-8").split("## Python", 1)[1]
    example = re.search(r"```python\n(.*?)```", section, re.S).group(1)
    (tmp_path / "photo.jpg").write_bytes(photos.camera_jpeg())
    (tmp_path / "original.jpg").write_bytes(photos.jpeg({0x010F: (2, "Original Make")}))
    (tmp_path / "edited.jpg").write_bytes(photos.jpeg({0x010F: (2, "Edited Make")}))
    monkeypatch.chdir(tmp_path)
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        exec(compile(example, str(README), "exec"), {})
    lines = out.getvalue().splitlines()
    assert lines[:3] == ["JPEG", "1/160", "Kexif Camera 1 2024:05:01 06:30:00"]
    assert lines[-1] == "Kexif Camera [Fraction(1, 160), Fraction(14, 5)]"
    with kexif.open("photo.jpg") as photo:
        assert (photo["ImageDescription"], photo[0xC4A5], photo.get("GPSLatitude")) == ("Harbour at dawn", (7, 8), None)
    assert kexif.read("edited.jpg")["Make"] == "Original Make"
