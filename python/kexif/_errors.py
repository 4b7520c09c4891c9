"""The exception kexif raises when a file cannot be read, edited or saved."""

import os
from typing import Union

FileName = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


class Error(Exception):
    """A photo that kexif cannot handle; ``filename`` and ``reason`` say which and why.

    Files that cannot be opened at all raise the matching ``OSError``
    (``FileNotFoundError``, ``PermissionError``, ...) instead, and values that
    do not fit a tag raise ``ValueError`` or ``TypeError``.
    """

    def __init__(self, filename: FileName, reason: str) -> None:
        super().__init__(filename, reason)
        self.filename = filename
        self.reason = reason

    def __str__(self) -> str:
        name = os.fsdecode(self.filename) if isinstance(self.filename, (str, bytes, os.PathLike)) else self.filename
        return f"{name}: {self.reason}"
