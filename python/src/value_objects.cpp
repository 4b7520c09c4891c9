#include "value_objects.h"

#include <cstring>
#include <type_traits>

#include "model/exif_constants.h"

namespace py = pybind11;

namespace kexif::python {
namespace {

py::object *g_rationalFactory = nullptr;  // lives as long as the module

template <typename T>
T ElementAt(const char *bytes, size_t index) {
  T value;
  std::memcpy(&value, bytes + index * sizeof(T), sizeof(T));
  return value;
}

template <typename T>
py::object Number(const char *bytes, size_t index) {
  if constexpr (std::is_floating_point_v<T>) {
    return py::float_(static_cast<double>(ElementAt<T>(bytes, index)));
  } else {
    return py::int_(ElementAt<T>(bytes, index));
  }
}

template <typename T>
py::object Rational(const char *bytes, size_t index) {
  return (*g_rationalFactory)(py::int_(ElementAt<T>(bytes, 2 * index)), py::int_(ElementAt<T>(bytes, 2 * index + 1)));
}

// One element, or a tuple of count elements.
template <py::object (*Element)(const char *, size_t)>
py::object Elements(const char *bytes, size_t count) {
  if (count == 1) return Element(bytes, 0);
  py::tuple values(count);
  for (size_t i = 0; i < count; ++i) values[i] = Element(bytes, i);
  return std::move(values);
}

}  // namespace

void SetRationalFactory(py::object factory) {
  if (g_rationalFactory == nullptr) g_rationalFactory = new py::object();  // never released: see above
  *g_rationalFactory = std::move(factory);
}

py::object DecodeValue(int32_t type, const char *bytes, size_t length) {
  const int32_t size = ElementSize(type);
  const size_t count = size == 0 ? 0 : length / static_cast<size_t>(size);
  switch (type) {
    case kTypeAscii: {
      const void *nul = std::memchr(bytes, 0, length);
      const size_t text = nul == nullptr ? length : static_cast<size_t>(static_cast<const char *>(nul) - bytes);
      return py::reinterpret_steal<py::object>(PyUnicode_DecodeUTF8(bytes, static_cast<Py_ssize_t>(text), "replace"));
    }
    case kTypeByte: return Elements<Number<uint8_t>>(bytes, count);
    case kTypeShort: return Elements<Number<uint16_t>>(bytes, count);
    case kTypeLong: return Elements<Number<uint32_t>>(bytes, count);
    case kTypeSByte: return Elements<Number<int8_t>>(bytes, count);
    case kTypeSShort: return Elements<Number<int16_t>>(bytes, count);
    case kTypeSLong: return Elements<Number<int32_t>>(bytes, count);
    case kTypeFloat: return Elements<Number<float>>(bytes, count);
    case kTypeDouble: return Elements<Number<double>>(bytes, count);
    case kTypeRational:
    case kTypeSRational:
      if (g_rationalFactory == nullptr) throw py::value_error("no rational factory");
      return type == kTypeRational ? Elements<Rational<uint32_t>>(bytes, count)
                                   : Elements<Rational<int32_t>>(bytes, count);
    default: return py::bytes(bytes, length);
  }
}

}  // namespace kexif::python
