// Tag values as Python objects: the conversion both families answer with.
#ifndef KEXIF_PYTHON_VALUE_OBJECTS_H
#define KEXIF_PYTHON_VALUE_OBJECTS_H

#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>

namespace kexif::python {

// Takes the callable that makes the object of one rational from its
// numerator and denominator (both Python ints; the denominator may be 0).
void SetRationalFactory(pybind11::object factory);

// The Python form of the value bytes of a type (native byte order): str for
// ASCII (up to the first NUL, undecodable UTF-8 replaced), bytes for
// UNDEFINED and types outside 1..12, the factory's objects for rationals,
// int or float for the other types; a tuple when the bytes hold other than
// one element. Only whole elements are read.
pybind11::object DecodeValue(int32_t type, const char *bytes, size_t length);

}  // namespace kexif::python

#endif
