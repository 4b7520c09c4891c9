// Exif date and time values ("2026:12:06 10:00:00") and the shifts the
// dates command applies to them.
#ifndef KEXIF_TOOLS_EXIF_DATE_H
#define KEXIF_TOOLS_EXIF_DATE_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kexif::cli {

struct DateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// "YYYY:MM:DD HH:MM:SS" with a real calendar day and a time of day;
// nothing for any other text.
std::optional<DateTime> ParseExifDateTime(std::string_view text);
// True for "YYYY:MM:DD" with a real calendar day.
bool IsExifDate(std::string_view text);
std::string FormatExifDateTime(const DateTime &value);

// A shift of [+|-][[[Y:]M:]D ]H[:M[:S]]: years and months move the calendar
// (the day is kept, or the month's last day when it is shorter), days,
// hours, minutes and seconds move the clock.
struct DateShift {
  int sign = 1;
  int years = 0;
  int months = 0;
  int64_t seconds = 0;
};
std::optional<DateShift> ParseDateShift(std::string_view text);

// The shifted time; nothing when it would leave the years 1..9999.
std::optional<DateTime> ShiftDateTime(const DateTime &value, const DateShift &shift);

}  // namespace kexif::cli

#endif
