"""Read and edit the Exif metadata of JPEG and TIFF files.

    import kexif
    with kexif.open("photo.jpg") as photo:        # load, edit, save
        photo["ExposureTime"]                      # Fraction(1, 160)
        photo["ImageDescription"] = "Harbour at dawn"
        photo.save()                               # in place, atomic
    info = kexif.read("photo.jpg")                 # read-only: reads only what is asked

Tags are named as the kexif tool names them ("ExposureTime", "GPSLatitude")
or given by number (0x829A). Values convert both ways: RATIONAL and
SRATIONAL to fractions.Fraction, ASCII to str, UNDEFINED to bytes, the
integer types to int, FLOAT and DOUBLE to float, and a tuple when a value
has other than exactly one element.
"""

import functools
import os
import tempfile
from typing import Any, Dict, Iterable, Iterator, List, NamedTuple, Optional, Sequence, Tuple, Union

from . import _kexif
from ._errors import Error, FileName
from ._values import Type, TypeLike, Value, as_type, decode, encode, guess_type

__all__ = ["Error", "ExifInfo", "Photo", "Tag", "Type", "Value", "copy_exif", "open", "read", "read_tags", "save_all"]
__version__ = "0.1.0"

TagKey = Union[str, int]

_FORMATS = {_kexif.FORMAT_JPEG: "JPEG", _kexif.FORMAT_TIFF: "TIFF"}
_SPACE_OF_DIRECTORY = {"GPS": _kexif.SPACE_GPS, "Interop": _kexif.SPACE_INTEROP}


class Tag(NamedTuple):
    """One directory entry as ``Photo.tags()`` lists it."""

    directory: str  # "IFD0", "Exif", "GPS", "Interop", "IFD1", "SubIFD(0x014A)"...
    id: int
    name: Optional[str]  # None for a tag the name table does not know
    type: Union[Type, int]  # an int for a type outside the twelve
    count: int
    value: Value
    raw: bytes  # the value bytes as the library holds them (native byte order)


class _TagRef(NamedTuple):
    number: int
    space: int
    name: str
    standard_type: int  # 0 when the tag is not in the name table


@functools.lru_cache(maxsize=1024, typed=True)
def _resolve(tag: TagKey) -> _TagRef:
    """A tag name from the name table (case ignored), a number, or a number
    written as text ("0x829A", "33434")."""
    if isinstance(tag, str):
        found = _kexif.find_tag(tag)
        if found is not None:
            number, space, standard = found
            return _TagRef(number, space, _kexif.tag_info(number, space)[0], standard)
        try:
            tag = int(tag, 0)
        except ValueError:
            raise ValueError(f"unknown tag name or number: {tag!r}") from None
    if isinstance(tag, bool) or not isinstance(tag, int):
        raise TypeError(f"a tag is a name or a number, not {type(tag).__name__}")
    if not 0 <= tag <= 0xFFFF:
        raise ValueError(f"tag number {tag} is outside 0..65535")
    info = _kexif.tag_info(tag, _kexif.SPACE_IMAGE)
    return _TagRef(tag, _kexif.SPACE_IMAGE, info[0] if info else f"0x{tag:04X}", info[1] if info else 0)


def _tag_of(directory: str, number: int, type_: int, count: int, raw: bytes) -> Tag:
    info = _kexif.tag_info(number, _SPACE_OF_DIRECTORY.get(directory, _kexif.SPACE_IMAGE))
    shown_type: Union[Type, int] = Type(type_) if 1 <= type_ <= 12 else type_
    return Tag(directory, number, info[0] if info else None, shown_type, count, decode(type_, raw), raw)


def _directory_name(ref: _TagRef, directory: int) -> str:
    if ref.space == _kexif.SPACE_GPS:
        return "GPS"
    if _kexif.is_exif_directory_tag(ref.number):
        return "Exif"
    return f"IFD{directory}"


def _read_sound(write: Any) -> Optional[bytes]:
    with tempfile.TemporaryDirectory(prefix="kexif-") as folder:
        target = os.path.join(folder, "clip.wav")
        if not write(target):
            return None
        with _open_file(target, "rb") as clip:
            return clip.read()


_open_file = open  # the built-in, which this module's open() hides


class Photo:
    """A JPEG or TIFF file loaded for editing (``kexif.open``).

    Nothing reaches the file until ``save()``. Use as a context manager, or
    call ``close()``, to let go of the file; leaving the ``with`` block does
    not save. One object may be shared by threads: they take turns.
    """

    def __init__(self, path: FileName) -> None:
        self.path: FileName = os.fspath(path)
        self._document = _kexif.Document(self.path)
        self._sound_files: List[str] = []

    # -- the file ------------------------------------------------------------

    @property
    def format(self) -> str:
        """"JPEG" or "TIFF"."""
        return _FORMATS[self._document.format()]

    @property
    def has_exif(self) -> bool:
        """True when the photo carries Exif data."""
        return self._document.has_exif()

    def save(self, path: Optional[FileName] = None) -> None:
        """Writes the edited photo over its file, or to path.

        The new file is written beside the target and only then put in its
        place, so a failed save leaves the target as it was and raises
        kexif.Error. Afterwards this object is the saved file: after
        ``save("out.jpg")`` further edits and a plain ``save()`` go to out.jpg.
        """
        target = self.path if path is None else os.fspath(path)
        try:
            self._document.save(target)
        finally:
            self._drop_sound_files()
        self.path = target

    def close(self) -> None:
        """Lets go of the file without saving; later calls raise ValueError."""
        self._document.close()
        self._drop_sound_files()

    @property
    def closed(self) -> bool:
        return bool(self._document.closed)

    def __enter__(self) -> "Photo":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()

    def __repr__(self) -> str:
        state = "closed" if self.closed else self.format
        return f"<kexif.Photo {os.fsdecode(self.path)!r} {state}>"

    # -- tags ----------------------------------------------------------------

    def entry(self, tag: TagKey, *, directory: int = 0) -> Optional[Tag]:
        """The entry of tag, or None.

        Tags of the Exif sub-directory are found there whatever directory
        says; the others from directory ``directory`` on (0: IFD0 and its
        GPS directory, 1: IFD1). Interoperability tags are found in the
        Interoperability directory.
        """
        ref = _resolve(tag)
        if ref.space == _kexif.SPACE_INTEROP:
            return next((t for t in self.tags() if t.directory == "Interop" and t.id == ref.number), None)
        found = self._raw(ref, directory)
        if found is None and _kexif.is_exif_directory_tag(ref.number):
            # The library looks the Exif sub-directory's tags up there only;
            # files also carry some of them (Orientation) in the directory.
            name = f"IFD{directory}"
            return next((t for t in self.tags() if t.directory == name and t.id == ref.number), None)
        if found is None:
            return None
        type_, count, raw = found
        return _tag_of(_directory_name(ref, directory), ref.number, type_, count, raw)

    def _raw(self, ref: "_TagRef", directory: int) -> Optional[Tuple[int, int, bytes]]:
        if ref.space == _kexif.SPACE_GPS:
            return self._document.get_gps(ref.number)
        return self._document.get(ref.number, directory)

    def get(self, tag: TagKey, default: Any = None, *, directory: int = 0) -> Any:
        """The value of tag (see ``entry``), or default when there is none."""
        found = self.entry(tag, directory=directory)
        return default if found is None else found.value

    def __getitem__(self, tag: TagKey) -> Value:
        found = self.entry(tag)
        if found is None:
            raise KeyError(tag)
        return found.value

    def __contains__(self, tag: object) -> bool:
        return isinstance(tag, (str, int)) and self.entry(tag) is not None

    def set(self, tag: TagKey, value: Any, *, type: Optional[TypeLike] = None, directory: int = 0) -> None:
        """Sets tag to value, adding the entry when it is missing.

        Without ``type`` the value takes the type of the existing entry,
        else the tag's standard type, else a type guessed from the value
        (see ``kexif._values.guess_type``). Raises ValueError for an unknown
        tag or a value out of range, TypeError for a value the type cannot
        take, and kexif.Error when the library refuses the entry. GPS tags
        go to the GPS directory, which is made when the photo has none.
        """
        ref = _resolve(tag)
        if ref.space == _kexif.SPACE_INTEROP:
            raise ValueError(f"{ref.name} lies in the Interoperability directory, which cannot be edited")
        existing = self._raw(ref, directory)
        if type is not None:
            chosen = as_type(type)
        elif existing is not None and 1 <= existing[0] <= 12:
            chosen = Type(existing[0])
        elif ref.standard_type:
            chosen = Type(ref.standard_type)
        else:
            chosen = guess_type(value)
        count, raw = encode(chosen, value)
        if ref.space == _kexif.SPACE_GPS:
            # GPS tags go to the GPS directory, which is made when missing.
            written = self._document.set_gps(ref.number, int(chosen), count, raw)
        else:
            written = self._document.set(ref.number, int(chosen), count, raw, directory)
        if not written:
            raise Error(self.path, f"cannot set {ref.name} in directory {directory}")

    def __setitem__(self, tag: TagKey, value: Any) -> None:
        self.set(tag, value)

    def delete(self, tag: TagKey, *, directory: int = 0) -> None:
        """Removes the entry of tag; KeyError when there is none."""
        ref = _resolve(tag)
        if ref.space == _kexif.SPACE_INTEROP:
            raise ValueError(f"{ref.name} lies in the Interoperability directory, which cannot be edited")
        if not self._document.delete(ref.number, directory):
            raise KeyError(tag)

    def __delitem__(self, tag: TagKey) -> None:
        self.delete(tag)

    def tags(self) -> List[Tag]:
        """Every entry of every directory in reading order: IFD0, then the
        sub-directories under its entries (Exif, Interop, GPS), then IFD1..."""
        return [_tag_of(*entry) for entry in self._entries()]

    def _entries(self) -> Iterator[Tuple[str, int, int, int, bytes]]:
        for directory, _space, number, type_, count, raw in self._document.entries():
            yield directory, number, type_, count, raw

    def as_dict(self) -> Dict[str, Value]:
        """{name: value} of every named entry (the first of each name)."""
        result: Dict[str, Value] = {}
        for t in self.tags():
            result.setdefault(t.name or f"0x{t.id:04X}", t.value)
        return result

    # -- payloads ------------------------------------------------------------

    @property
    def thumbnail(self) -> Optional[bytes]:
        """The JPEG thumbnail's bytes, or None. Assign JPEG bytes to replace it."""
        return self._document.thumbnail()

    @thumbnail.setter
    def thumbnail(self, jpeg: bytes) -> None:
        if not isinstance(jpeg, (bytes, bytearray, memoryview)):
            raise TypeError("a thumbnail is JPEG bytes")
        data = bytes(jpeg)
        if not data.startswith(b"\xff\xd8"):
            raise ValueError("a thumbnail must be a JPEG stream (FF D8 ...)")
        if not self._document.set_thumbnail(data):
            raise Error(self.path, f"cannot take a thumbnail of {len(data)} bytes")

    @property
    def sound_clip(self) -> Optional[bytes]:
        """The WAVE sound clip stored with a JPEG, or None. Assign WAVE bytes
        to replace it; ``del`` removes it."""
        if not self._document.has_sound_clip():
            return None
        return _read_sound(self._document.write_sound_clip)

    @sound_clip.setter
    def sound_clip(self, wave: bytes) -> None:
        if not isinstance(wave, (bytes, bytearray, memoryview)):
            raise TypeError("a sound clip is WAVE bytes")
        if self.format != "JPEG":
            raise Error(self.path, "sound clips are stored in JPEG files only")
        # The library reads the clip from a file when it saves.
        handle, name = tempfile.mkstemp(prefix="kexif-", suffix=".wav")
        with os.fdopen(handle, "wb") as clip:
            clip.write(bytes(wave))
        self._sound_files.append(name)
        if not self._document.set_sound_clip(name):
            raise Error(self.path, "cannot take the sound clip (empty, or larger than 2 GiB)")

    @sound_clip.deleter
    def sound_clip(self) -> None:
        if not self._document.remove_sound_clip():
            raise KeyError("sound_clip")

    def _drop_sound_files(self) -> None:
        for name in self._sound_files:
            try:
                os.unlink(name)
            except OSError:
                pass
        self._sound_files.clear()


class ExifInfo:
    """A file opened by the read-only family (``kexif.read``): each question
    reads only what it needs from the file, and nothing can be changed.

    It answers Make, Model, DateTime, ImageDescription, Orientation and the
    tags of the Exif sub-directory (ExposureTime, FNumber, ...); asking for
    any other tag raises ValueError (``kexif.open`` reaches them all).
    """

    def __init__(self, path: FileName) -> None:
        self.path: FileName = os.fspath(path)
        self._reader = _kexif.Reader(self.path)

    @property
    def format(self) -> str:
        """"JPEG" or "TIFF"."""
        return _FORMATS[self._reader.format()]

    @property
    def has_exif(self) -> bool:
        return self._reader.has_exif()

    @staticmethod
    @functools.lru_cache(maxsize=1024, typed=True)
    def _number(tag: TagKey) -> int:
        ref = _resolve(tag)
        if ref.space != _kexif.SPACE_IMAGE or not (_kexif.is_exif_directory_tag(ref.number) or ref.number in _CACHED):
            raise ValueError(f"the read-only family does not answer {ref.name}; use kexif.open")
        return ref.number

    def get(self, tag: TagKey, default: Any = None) -> Any:
        """The value of tag, or default when the file has none."""
        found = self._reader.get(self._number(tag))
        return default if found is None else found

    def get_many(self, tags: Sequence[TagKey]) -> List[Any]:
        """The values of several tags (None for each one missing), read in one call."""
        return self._reader.get_many([self._number(t) for t in tags])

    def __getitem__(self, tag: TagKey) -> Value:
        found = self._reader.get(self._number(tag))
        if found is None:
            raise KeyError(tag)
        return found

    @property
    def thumbnail(self) -> Optional[bytes]:
        """The JPEG thumbnail's bytes, or None."""
        return self._reader.thumbnail()

    @property
    def sound_clip(self) -> Optional[bytes]:
        """The WAVE sound clip stored with a JPEG, or None."""
        if not self._reader.has_sound_clip():
            return None
        return _read_sound(self._reader.write_sound_clip)

    def close(self) -> None:
        self._reader.close()

    def __enter__(self) -> "ExifInfo":
        return self

    def __exit__(self, *exc: Any) -> None:
        self.close()


# The first-directory tags the read-only family keeps: DateTime, Make,
# Model, ImageDescription, Orientation.
_CACHED = frozenset({306, 271, 272, 270, 274})


def open(path: FileName) -> Photo:  # noqa: A001 - like gzip.open
    """Loads a JPEG or TIFF file for editing.

    Raises FileNotFoundError, PermissionError or IsADirectoryError when the
    file cannot be read, and kexif.Error when it is no JPEG or TIFF file
    kexif can parse.
    """
    return Photo(path)


def read(path: FileName) -> ExifInfo:
    """Opens a file with the read-only family: fast, reads only what is asked."""
    return ExifInfo(path)


def read_tags(paths: Iterable[FileName], tags: Sequence[TagKey]) -> List[List[Any]]:
    """The values of the same tags (those ``ExifInfo`` answers) in many files:
    one list per file, None for each tag a file lacks. The files are read
    one after the other without the GIL; the first that cannot be read
    raises as ``kexif.read`` would."""
    numbers = [ExifInfo._number(t) for t in tags]
    return _kexif.read_tags([os.fspath(p) for p in paths], numbers)


def save_all(photos: Iterable[Photo]) -> List[Error]:
    """Saves every photo over its own file, as ``save()`` does, with the
    files of up to 64 photos put on disk together: much faster than
    ``save()`` in a loop, and each file is still at every instant its
    complete old or complete new self. A photo that cannot be saved keeps
    its file as it was and does not stop the others; the list returned holds
    one kexif.Error per such photo (empty when all were saved). Each saved
    photo is afterwards its saved file."""
    photos = list(photos)
    for photo in photos:
        if photo.closed:
            raise ValueError(f"{os.fsdecode(photo.path)}: the photo is closed")
    try:
        reasons = _kexif.save_all([photo._document for photo in photos])
    finally:
        for photo in photos:
            photo._drop_sound_files()
    return [Error(photo.path, reason) for photo, reason in zip(photos, reasons) if reason is not None]


def copy_exif(source: FileName, target: FileName) -> None:
    """Carries the Exif data of source into target (JPEG to JPEG: the whole
    Exif segment; TIFF to TIFF: the Exif sub-directory) and saves target in
    place with the safe save. Raises kexif.Error naming the file at fault."""
    source, target = os.fspath(source), os.fspath(target)
    for name in (source, target):
        _kexif.Reader(name).close()  # the OSError or kexif.Error of an unreadable file
    _kexif.copy_exif(source, target)
