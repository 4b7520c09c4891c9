// The gps command: prints the position of a photo in decimal degrees,
// writes one, or removes the GPS directory.
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "model/exif_constants.h"
#include "tools/commands.h"
#include "tools/gps_directory.h"
#include "tools/readable_value.h"
#include "tools/tag_assignment.h"
#include "tools/value_text.h"

namespace kexif::cli {
namespace {

constexpr uint32_t kAltitudeScale = 100;  // centimetres

struct Position {
  double latitude = 0;
  double longitude = 0;
  std::optional<double> altitude;
};

// "LAT,LON" or "LAT,LON,ALT" in decimal degrees and metres.
std::optional<Position> ParsePosition(const std::string &text) {
  std::vector<double> numbers;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    const size_t end = comma == std::string::npos ? text.size() : comma;
    const char *first = text.data() + start;
    const char *last = text.data() + end;
    while (first < last && *first == ' ') ++first;
    if (first < last && *first == '+') ++first;
    double number = 0;
    const auto result = std::from_chars(first, last, number);
    if (first == last || result.ec != std::errc() || result.ptr != last || !std::isfinite(number)) return std::nullopt;
    numbers.push_back(number);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (numbers.size() < 2 || numbers.size() > 3) return std::nullopt;
  Position position{numbers[0], numbers[1], std::nullopt};
  if (numbers.size() == 3) position.altitude = numbers[2];
  return position;
}

std::string ReferenceOf(KExifHandle handle, uint32_t tag) {
  const std::optional<FetchedValue> value = FetchTag(handle, tag, 0);
  if (!value) return "";
  return FormatValue(value->type, value->count, value->bytes.data(), value->bytes.size(), Length::kFull);
}

std::optional<double> Coordinate(KExifHandle handle, uint32_t tag, uint32_t referenceTag) {
  const std::optional<FetchedValue> value = FetchTag(handle, tag, 0);
  if (!value) return std::nullopt;
  return DecimalDegrees(RawValue{value->type, value->count, value->bytes.data(), value->bytes.size()},
                        ReferenceOf(handle, referenceTag));
}

void ShowPosition(const std::string &file, Session &session) {
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return;
  const std::optional<double> latitude = Coordinate(document.get(), kGpsLatitude, kGpsLatitudeRef);
  const std::optional<double> longitude = Coordinate(document.get(), kGpsLongitude, kGpsLongitudeRef);
  if (!latitude || !longitude) {
    session.Fail(file, "no GPS position");
    return;
  }
  session.out << PrintableText(file) << ": " << DecimalText(*latitude, 7) << "," << DecimalText(*longitude, 7);
  if (const std::optional<FetchedValue> altitude = FetchTag(document.get(), kGpsAltitude, 0)) {
    uint32_t parts[2] = {0, 0};
    if (altitude->type == kTypeRational && altitude->bytes.size() >= sizeof parts) {
      std::memcpy(parts, altitude->bytes.data(), sizeof parts);
    }
    if (parts[1] != 0) {
      const double metres = static_cast<double>(parts[0]) / parts[1];
      session.out << "," << DecimalText(ReferenceOf(document.get(), kGpsAltitudeRef) == "1" ? -metres : metres, 2);
    }
  }
  session.out << '\n';
}

bool Store(KExifHandle handle, uint32_t tag, const EncodedValue &value, const std::string &file, Session &session) {
  TagValue record{value.type, value.count, const_cast<uint8_t *>(value.bytes.data())};
  std::string reason;
  if (SetGpsTag(handle, tag, record, reason)) return true;
  session.Fail(file, "cannot write the position: " + reason);
  return false;
}

bool WritePosition(KExifHandle handle, const Position &position, const std::string &file, Session &session) {
  EncodedValue latitude, longitude;
  char latitudeRef = 0, longitudeRef = 0;
  std::string problem;
  if (!EncodeDegrees(position.latitude, true, latitude, latitudeRef, problem) ||
      !EncodeDegrees(position.longitude, false, longitude, longitudeRef, problem)) {
    session.Fail(file, problem);
    return false;
  }
  if (!Store(handle, kGpsLatitudeRef, AsciiValue(std::string(1, latitudeRef)), file, session) ||
      !Store(handle, kGpsLatitude, latitude, file, session) ||
      !Store(handle, kGpsLongitudeRef, AsciiValue(std::string(1, longitudeRef)), file, session) ||
      !Store(handle, kGpsLongitude, longitude, file, session)) {
    return false;
  }
  if (!position.altitude) return true;
  const double metres = std::fabs(*position.altitude);
  EncodedValue altitude{kTypeRational, 1, {}};
  std::string error;
  if (metres > 1e7 || !ParseValue(kTypeRational, std::to_string(std::llround(metres * kAltitudeScale)) + "/" +
                                                     std::to_string(kAltitudeScale), altitude, error)) {
    session.Fail(file, "altitude out of range");
    return false;
  }
  const EncodedValue below{kTypeByte, 1, {static_cast<uint8_t>(*position.altitude < 0 ? 1 : 0)}};
  return Store(handle, kGpsAltitudeRef, below, file, session) && Store(handle, kGpsAltitude, altitude, file, session);
}

}  // namespace

int CommandGps(const Options &options, Session &session) {
  if (options.setValue && options.remove) return session.Usage("--set and --remove exclude each other");
  if (!options.setValue && !options.remove) {
    ForEachFile(options.args, options, session,
                [](size_t, const std::string &file, Session &session) { ShowPosition(file, session); });
    return session.Status();
  }
  std::optional<Position> position;
  if (options.setValue && !(position = ParsePosition(*options.setValue))) {
    return session.Usage("--set needs LATITUDE,LONGITUDE[,ALTITUDE] in decimal degrees and metres: " +
                         PrintableText(*options.setValue));
  }
  if (const int usage = CheckEditTargets(options.args, options, session); usage != 0) return usage;
  ForEachFile(options.args, options, session, [&](size_t, const std::string &file, Session &session) {
    EditAndSave(file, options, session, [&](KExifHandle handle) {
      if (position) return WritePosition(handle, *position, file, session);
      if (RemoveGpsDirectory(handle)) return true;
      session.Fail(file, "no GPS directory");
      return false;
    });
  });
  return session.Status();
}

}  // namespace kexif::cli
