"""Tag values between Python objects and the bytes the library holds.

The library holds a value as count elements in native byte order, each
RATIONAL or SRATIONAL as two 32-bit numbers (numerator, denominator).
"""

import enum
import math
import numbers
import struct
from fractions import Fraction
from typing import Any, Callable, Iterable, List, Tuple, Union

from . import _kexif


class Type(enum.IntEnum):
    """The twelve field types of a TIFF directory entry."""

    BYTE = 1
    ASCII = 2
    SHORT = 3
    LONG = 4
    RATIONAL = 5
    SBYTE = 6
    UNDEFINED = 7
    SSHORT = 8
    SLONG = 9
    SRATIONAL = 10
    FLOAT = 11
    DOUBLE = 12


# struct codes of the single-number types, with their ranges for integers.
_CODES = {Type.BYTE: "B", Type.SHORT: "H", Type.LONG: "I", Type.SBYTE: "b", Type.SSHORT: "h", Type.SLONG: "i",
          Type.FLOAT: "f", Type.DOUBLE: "d"}
_RANGES = {Type.BYTE: (0, 0xFF), Type.SHORT: (0, 0xFFFF), Type.LONG: (0, 0xFFFFFFFF), Type.SBYTE: (-0x80, 0x7F),
           Type.SSHORT: (-0x8000, 0x7FFF), Type.SLONG: (-0x80000000, 0x7FFFFFFF),
           Type.RATIONAL: (0, 0xFFFFFFFF), Type.SRATIONAL: (-0x80000000, 0x7FFFFFFF)}

Value = Union[int, str, bytes, Fraction, float, Tuple[Any, ...]]
TypeLike = Union[Type, int, str]


def as_type(value: TypeLike) -> Type:
    """The Type a name ("SHORT", case ignored), a number 1..12 or a Type stands for."""
    try:
        if isinstance(value, str):
            return Type[value.upper()]
        return Type(value)
    except (KeyError, ValueError):
        raise ValueError(f"unknown type {value!r}; one of {', '.join(t.name for t in Type)}") from None


def _reduced_fraction(numerator: int, denominator: int) -> Fraction:
    """Fraction(numerator, denominator) for a positive denominator, made
    without Fraction's argument checks, which dominate reading a value."""
    divisor = math.gcd(numerator, denominator)
    fraction = object.__new__(Fraction)
    fraction._numerator = numerator // divisor  # type: ignore[attr-defined]
    fraction._denominator = denominator // divisor  # type: ignore[attr-defined]
    return fraction


try:  # the short cut relies on Fraction's two slots; check them once
    if _reduced_fraction(-6, 8) != Fraction(-3, 4) or hash(_reduced_fraction(6, 8)) != hash(Fraction(3, 4)):
        raise AttributeError
except AttributeError:
    _reduced_fraction = Fraction  # noqa: F811


def _rational(numerator: int, denominator: int) -> Union[Fraction, float]:
    # Fraction cannot hold n/0, which cameras do write (0/0 for "unknown").
    if denominator == 0:
        return math.nan if numerator == 0 else math.copysign(math.inf, numerator)
    return _reduced_fraction(numerator, denominator)


_kexif.set_rational_factory(_rational)

# decode(type, raw): the Python form of a value: str for ASCII (up to the
# first NUL, UTF-8 with undecodable bytes replaced), bytes for UNDEFINED and
# unknown types, Fraction for rationals (a float NaN or infinity for a zero
# denominator), int or float for the others; a tuple when there is not
# exactly one element.
decode: Callable[[int, bytes], Value] = _kexif.decode


def _elements(value: Any) -> List[Any]:
    if isinstance(value, (str, bytes, bytearray, memoryview)):
        raise TypeError(f"expected a number or a sequence of numbers, not {type(value).__name__}")
    if isinstance(value, Iterable):
        return list(value)
    return [value]


def _check_range(type_: Type, value: int) -> int:
    low, high = _RANGES[type_]
    if not low <= value <= high:
        raise ValueError(f"{value} does not fit {type_.name} ({low}..{high})")
    return value


def _integer(type_: Type, value: Any) -> int:
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{type_.name} takes whole numbers, not {value!r}")
    return _check_range(type_, int(value))


def _fraction_parts(type_: Type, value: Any) -> Tuple[int, int]:
    if isinstance(value, str):
        value = Fraction(value)  # "3/4", "2.8"; ValueError otherwise
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{type_.name} takes numbers (Fraction, int, float), not {value!r}")
    if isinstance(value, float) and math.isnan(value):
        return 0, 0
    if isinstance(value, float) and math.isinf(value):
        return _check_range(type_, 1 if value > 0 else -1), 0
    exact = Fraction(value)
    low, high = _RANGES[type_]
    limit = high  # the denominator is always positive and below high
    fraction = exact if isinstance(value, numbers.Rational) else exact.limit_denominator(1_000_000)
    while not (low <= fraction.numerator <= high and fraction.denominator <= high) and limit > 1:
        limit //= 16
        fraction = exact.limit_denominator(limit)
    if not (low <= fraction.numerator <= high and fraction.denominator <= high):
        raise ValueError(f"{value} does not fit {type_.name}")
    return fraction.numerator, fraction.denominator


def encode(type_: Type, value: Any) -> Tuple[int, bytes]:
    """The element count and bytes of value as a value of type_.

    Text for a type other than ASCII and UNDEFINED is read as ``kexif set``
    reads it ("1/160", "2.8", "1 2 3"). Raises TypeError for an object the
    type cannot take and ValueError for a number outside the type's range.
    """
    if isinstance(value, str) and type_ not in (Type.ASCII, Type.UNDEFINED):
        _, count, raw = _kexif.parse_value(int(type_), value)
        return count, raw
    if type_ == Type.ASCII:
        if isinstance(value, str):
            value = value.encode("utf-8")
        if not isinstance(value, (bytes, bytearray, memoryview)):
            raise TypeError(f"ASCII takes str or bytes, not {type(value).__name__}")
        raw = bytes(value)
        if not raw.endswith(b"\0"):
            raw += b"\0"
        return len(raw), raw
    if type_ == Type.UNDEFINED:
        if isinstance(value, str):
            value = value.encode("ascii")
        if not isinstance(value, (bytes, bytearray, memoryview)):
            raise TypeError(f"UNDEFINED takes bytes, not {type(value).__name__}")
        raw = bytes(value)
        return len(raw), raw
    elements = _elements(value)
    if type_ in (Type.RATIONAL, Type.SRATIONAL):
        parts = [p for e in elements for p in _fraction_parts(type_, e)]
        code = "I" if type_ == Type.RATIONAL else "i"
        return len(elements), struct.pack(f"={len(parts)}{code}", *parts)
    if type_ in (Type.FLOAT, Type.DOUBLE):
        for e in elements:
            if isinstance(e, bool) or not isinstance(e, numbers.Real):
                raise TypeError(f"{type_.name} takes numbers, not {e!r}")
        return len(elements), struct.pack(f"={len(elements)}{_CODES[type_]}", *(float(e) for e in elements))
    integers = [_integer(type_, e) for e in elements]
    return len(integers), struct.pack(f"={len(integers)}{_CODES[type_]}", *integers)


def guess_type(value: Any) -> Type:
    """The type a value for a tag that neither exists nor has a standard type
    is stored as: text as ``kexif set`` guesses it ("1/160" RATIONAL, "1 2"
    LONG, other text ASCII), bytes UNDEFINED, float DOUBLE, other
    non-integral numbers RATIONAL (SRATIONAL when negative), integers LONG
    (SLONG when negative)."""
    if isinstance(value, str):
        return Type(_kexif.guess_type(value))
    if isinstance(value, (bytes, bytearray, memoryview)):
        return Type.UNDEFINED
    elements = _elements(value)
    negative = any(e < 0 for e in elements)
    if any(isinstance(e, float) for e in elements):
        return Type.DOUBLE
    if all(isinstance(e, numbers.Integral) for e in elements):
        return Type.SLONG if negative else Type.LONG
    return Type.SRATIONAL if negative else Type.RATIONAL
