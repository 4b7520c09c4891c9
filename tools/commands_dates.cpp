// The dates command: shows, shifts or sets DateTime, DateTimeOriginal and
// DateTimeDigitized together.
#include <string>

#include "model/exif_constants.h"
#include "tools/commands.h"
#include "tools/exif_date.h"
#include "tools/tag_assignment.h"
#include "tools/value_text.h"

namespace kexif::cli {
namespace {

constexpr uint32_t kTagDateTimeOriginal = 36867;
constexpr uint32_t kTagDateTimeDigitized = 36868;

struct DateTag {
  uint32_t tag;
  const char *name;
};

constexpr DateTag kDateTags[] = {
    {kTagDateTime, "DateTime"}, {kTagDateTimeOriginal, "DateTimeOriginal"}, {kTagDateTimeDigitized, "DateTimeDigitized"}};

// The ASCII value of a date tag up to its NUL; nothing when there is none.
std::optional<std::string> DateText(KExifHandle handle, uint32_t tag) {
  const std::optional<FetchedValue> value = FetchTag(handle, tag, 0);
  if (!value || value->type != kTypeAscii) return std::nullopt;
  std::string text(value->bytes.begin(), value->bytes.end());
  return text.substr(0, text.find('\0'));
}

bool SetDate(KExifHandle handle, uint32_t tag, const std::string &text) {
  const EncodedValue value = AsciiValue(text);
  TagValue record{value.type, value.count, const_cast<uint8_t *>(value.bytes.data())};
  return kExifSetTag(handle, tag, &record, 0) == 0;
}

void ShowDates(const std::string &file, Session &session) {
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return;
  for (const DateTag &date : kDateTags) {
    const std::optional<std::string> text = DateText(document.get(), date.tag);
    session.out << PrintableText(file) << ": " << date.name << ": " << PrintableText(text.value_or("-")) << '\n';
  }
}

// Shifts every date tag the file has; a file without any, or with one that
// is no date, fails as a whole.
bool ShiftDates(KExifHandle handle, const DateShift &shift, const std::string &file, Session &session) {
  bool any = false;
  for (const DateTag &date : kDateTags) {
    const std::optional<std::string> text = DateText(handle, date.tag);
    if (!text) continue;
    const std::optional<DateTime> value = ParseExifDateTime(*text);
    if (!value) {
      session.Fail(file, std::string(date.name) + " is no date as YYYY:MM:DD HH:MM:SS: " + PrintableText(*text));
      return false;
    }
    const std::optional<DateTime> shifted = ShiftDateTime(*value, shift);
    if (!shifted || !SetDate(handle, date.tag, FormatExifDateTime(*shifted))) {
      session.Fail(file, std::string("cannot shift ") + date.name);
      return false;
    }
    any = true;
  }
  if (!any) session.Fail(file, "no DateTime, DateTimeOriginal or DateTimeDigitized to shift");
  return any;
}

}  // namespace

int CommandDates(const Options &options, Session &session) {
  if (options.shift && options.setValue) return session.Usage("--shift and --set exclude each other");
  if (!options.shift && !options.setValue) {
    ForEachFile(options.args, options, session,
                [](size_t, const std::string &file, Session &session) { ShowDates(file, session); });
    return session.Status();
  }
  std::optional<DateShift> shift;
  if (options.shift && !(shift = ParseDateShift(*options.shift))) {
    return session.Usage("--shift needs [+|-][[[Y:]M:]D ]H[:M[:S]] (e.g. +1:30, \"-1 2:00\"): " +
                         PrintableText(*options.shift));
  }
  if (options.setValue && !ParseExifDateTime(*options.setValue)) {
    return session.Usage("--set needs a date and time as YYYY:MM:DD HH:MM:SS: " + PrintableText(*options.setValue));
  }
  if (const int usage = CheckEditTargets(options.args, options, session); usage != 0) return usage;
  ForEachFile(options.args, options, session, [&](size_t, const std::string &file, Session &session) {
    EditAndSave(file, options, session, [&](KExifHandle handle) {
      if (shift) return ShiftDates(handle, *shift, file, session);
      for (const DateTag &date : kDateTags) {
        if (!SetDate(handle, date.tag, *options.setValue)) {
          session.Fail(file, std::string("cannot set ") + date.name);
          return false;
        }
      }
      return true;
    });
  });
  return session.Status();
}

}  // namespace kexif::cli
