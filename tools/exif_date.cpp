#include "tools/exif_date.h"

#include <charconv>
#include <cstdio>
#include <vector>

namespace kexif::cli {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int kLargestYear = 9999;
// Limits of one shift field, far beyond any real shift, so sums cannot
// overflow.
constexpr int64_t kLargestShiftField = 10'000'000;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Exactly digits decimal digits at text[at].
bool Digits(std::string_view text, size_t at, size_t digits, int &out) {
  if (at > text.size() || digits > text.size() - at) return false;
  out = 0;
  for (size_t i = at; i < at + digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    out = out * 10 + (text[i] - '0');
  }
  return true;
}

bool ValidDay(int year, int month, int day) {
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int year, int month, int day) {
  const int64_t y = year - (month <= 2 ? 1 : 0);
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yearOfEra = y - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, DateTime &out) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  out.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  out.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  out.year = static_cast<int>(yearOfEra + era * 400 + (out.month <= 2 ? 1 : 0));
}

// Numbers separated by ':'; nothing when a part is empty or no number.
std::optional<std::vector<int64_t>> ColonNumbers(std::string_view text) {
  std::vector<int64_t> numbers;
  size_t start = 0;
  for (;;) {
    const size_t colon = text.find(':', start);
    const std::string_view part = text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
    int64_t n = 0;
    const auto result = std::from_chars(part.data(), part.data() + part.size(), n);
    if (part.empty() || result.ec != std::errc() || result.ptr != part.data() + part.size() || n < 0 ||
        n > kLargestShiftField) {
      return std::nullopt;
    }
    numbers.push_back(n);
    if (colon == std::string_view::npos) return numbers;
    start = colon + 1;
  }
}

}  // namespace

std::optional<DateTime> ParseExifDateTime(std::string_view text) {
  DateTime t;
  if (text.size() != 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  if (!Digits(text, 0, 4, t.year) || !Digits(text, 5, 2, t.month) || !Digits(text, 8, 2, t.day) ||
      !Digits(text, 11, 2, t.hour) || !Digits(text, 14, 2, t.minute) || !Digits(text, 17, 2, t.second)) {
    return std::nullopt;
  }
  if (!ValidDay(t.year, t.month, t.day) || t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
  return t;
}

bool IsExifDate(std::string_view text) {
  int year = 0, month = 0, day = 0;
  return text.size() == 10 && text[4] == ':' && text[7] == ':' && Digits(text, 0, 4, year) &&
         Digits(text, 5, 2, month) && Digits(text, 8, 2, day) && ValidDay(year, month, day);
}

std::string FormatExifDateTime(const DateTime &t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

std::optional<DateShift> ParseDateShift(std::string_view text) {
  DateShift shift;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    shift.sign = text[0] == '-' ? -1 : 1;
    text.remove_prefix(1);
  }
  std::string_view timePart = text;
  const size_t space = text.find(' ');
  if (space != std::string_view::npos) {
    const std::optional<std::vector<int64_t>> date = ColonNumbers(text.substr(0, space));
    if (!date || date->size() > 3) return std::nullopt;
    const size_t n = date->size();
    shift.seconds = (*date)[n - 1] * kSecondsPerDay;
    if (n >= 2) shift.months = static_cast<int>((*date)[n - 2]);
    if (n == 3) shift.years = static_cast<int>((*date)[0]);
    timePart = text.substr(space + 1);
  }
  const std::optional<std::vector<int64_t>> time = ColonNumbers(timePart);
  if (!time || time->size() > 3) return std::nullopt;
  static const int64_t kUnits[] = {3600, 60, 1};
  for (size_t i = 0; i < time->size(); ++i) shift.seconds += (*time)[i] * kUnits[i];
  return shift;
}

std::optional<DateTime> ShiftDateTime(const DateTime &value, const DateShift &shift) {
  // The calendar part first: 2026:01:31 plus one month is 2026:02:28.
  int64_t monthIndex = static_cast<int64_t>(value.year) * 12 + (value.month - 1) +
                       shift.sign * (static_cast<int64_t>(shift.years) * 12 + shift.months);
  if (monthIndex < 12 || monthIndex >= (kLargestYear + 1) * 12LL) return std::nullopt;
  const int year = static_cast<int>(monthIndex / 12);
  const int month = static_cast<int>(monthIndex % 12) + 1;
  const int day = value.day < DaysInMonth(year, month) ? value.day : DaysInMonth(year, month);
  const int64_t seconds = DaysFromCivil(year, month, day) * kSecondsPerDay + value.hour * 3600 +
                          value.minute * 60 + value.second + shift.sign * shift.seconds;
  const int64_t days = seconds >= 0 ? seconds / kSecondsPerDay : (seconds - kSecondsPerDay + 1) / kSecondsPerDay;
  const int64_t ofDay = seconds - days * kSecondsPerDay;
  DateTime out;
  CivilFromDays(days, out);
  if (out.year < 1 || out.year > kLargestYear) return std::nullopt;
  out.hour = static_cast<int>(ofDay / 3600);
  out.minute = static_cast<int>(ofDay % 3600 / 60);
  out.second = static_cast<int>(ofDay % 60);
  return out;
}

}  // namespace kexif::cli
