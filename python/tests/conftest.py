import json
import os
import shutil
import subprocess
import sys
from pathlib import Path
from typing import Callable, Dict, List

import pytest

sys.path.insert(0, os.path.dirname(__file__))
import photos  # noqa: E402

EXIFTOOL = shutil.which("exiftool") or ("/usr/bin/exiftool" if os.path.exists("/usr/bin/exiftool") else None)


@pytest.fixture
def camera(tmp_path: Path) -> Path:
    """A JPEG with IFD0, Exif, GPS and IFD1 entries and a thumbnail."""
    path = tmp_path / "photo.jpg"
    path.write_bytes(photos.camera_jpeg())
    return path


@pytest.fixture
def exiftool() -> Callable[..., List[Dict[str, object]]]:
    """exiftool's numeric JSON output for files, or a skip when it is absent."""
    if EXIFTOOL is None:
        pytest.skip("exiftool is not installed")

    def run(*args: object) -> List[Dict[str, object]]:
        out = subprocess.run([EXIFTOOL, "-j", "-n", "-G1", *map(str, args)], check=True, capture_output=True)
        return json.loads(out.stdout)

    return run
