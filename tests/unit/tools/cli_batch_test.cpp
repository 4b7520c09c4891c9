#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fault_injection.h"

#include "tests/unit/tools/run_kexif.h"
#include "tools/cli.h"
#include "tools/exif_date.h"

namespace kexif::cli {
namespace {

class CliBatch : public ToolTest {
 protected:
  const std::string &first = photo;
  std::string last = dir.Write("b.jpg", test::SamplePhotoJpeg(true));
};

TEST_F(CliBatch, EditsEveryGoodFileOnceAndReportsTheBadOneInTheMiddle) {
  const struct {
    std::vector<std::string> edit;
    std::vector<std::pair<const char *, const char *>> after;  // tag, get's output
  } rows[] = {
      {{"set", "-t", "Artist=Jane Doe", "-t", "Copyright=\u00a9 2026 Jane", "-j", "3"},
       {{"Artist", "Jane Doe\n"}, {"Copyright", "\u00a9 2026 Jane\n"}}},
      {{"rm", "-t", "Make", "-t", "Model", "-j", "1"}, {{"Make", ""}, {"Model", ""}}},
  };
  for (const auto &row : rows) {
    std::vector<std::string> args = row.edit;
    args.insert(args.end(), {first, junk, last});
    ExpectFileFailure(args, junk + ": not a JPEG or TIFF file, or its Exif data is damaged\n", junk);
    for (const std::string &photo : {first, last}) {
      for (const auto &[tag, shown] : row.after) EXPECT_EQ(Kexif({"get", photo, tag}).out, shown) << args[0] << " " << tag;
    }
  }
}

TEST_F(CliBatch, LeavesAFileUnchangedWhenOneOfItsEditsFails) {
  ExpectFileFailure({"rm", "-t", "Artist", "-t", "Make", first}, first + ": no tag Artist\n", first);
  const test::Bytes before = test::ReadFileBytes(first);
  EXPECT_EQ(Kexif({"set", "-t", "Make", first}).status, kExitUsage);
  EXPECT_EQ(Kexif({"set", "-t", "Shoesize=44", first}).status, kExitUsage);
  EXPECT_EQ(Kexif({"set", "-t", "Make=X", first, last, "-o", dir.File("out.jpg")}).status, kExitUsage);
  EXPECT_EQ(test::ReadFileBytes(first), before);
}

TEST_F(CliBatch, PrintsInArgumentOrderWhateverTheNumberOfThreads) {
  std::vector<std::string> files;
  for (int i = 0; i < 12; ++i) files.push_back(i % 5 == 2 ? junk : i % 2 == 0 ? first : last);
  std::vector<std::string> one = {"tags", "--json", "-j", "1"}, four = {"tags", "--json", "-j", "4"};
  one.insert(one.end(), files.begin(), files.end());
  four.insert(four.end(), files.begin(), files.end());
  const Outcome serial = Kexif(one);
  const Outcome parallel = Kexif(four);
  EXPECT_EQ(parallel.out, serial.out);
  EXPECT_EQ(parallel.err, serial.err);
  EXPECT_EQ(parallel.status, kExitFileFailed);
}

#ifdef KEXIF_FAULT_INJECTION
// Over more files than one batch holds, one rename fails: that file alone
// is reported and left as it was, after the files before it and before the
// files after it, and every other photo is edited.
TEST_F(CliBatch, ReportsASaveThatFailsInItsBatchAndEditsTheOthers) {
  constexpr size_t kFiles = 70;
  constexpr size_t kJunkAt = 3;
  const test::Bytes photo = test::ReadFileBytes(first);
  for (const char *jobs : {"1", "2"}) {
    std::vector<std::string> args = {"set", "-t", "Artist=Jane", "-j", jobs};
    for (size_t i = 0; i < kFiles; ++i) {
      args.push_back(i == kJunkAt ? junk : dir.Write("p" + std::to_string(i) + ".jpg", photo));
    }
    const IoCall rename = IoCall::kReplace;
    fault::Arm(kFiles - 4, EIO, &rename);  // in the second batch of one thread
    const Outcome run = Kexif(args);
    fault::Disarm();
    ASSERT_TRUE(fault::Fired());
    EXPECT_EQ(run.status, kExitFileFailed);
    std::istringstream lines(run.err);
    std::vector<size_t> reported;
    size_t unsaved = 0;
    for (std::string line; std::getline(lines, line);) {
      const auto at = std::find(args.begin() + 5, args.end(), line.substr(0, line.find(": ")));
      ASSERT_NE(at, args.end()) << line;
      reported.push_back(static_cast<size_t>(at - args.begin()));
      if (line.find(": cannot save to ") != std::string::npos) unsaved = reported.back();
    }
    ASSERT_EQ(reported.size(), 2u) << run.err;
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end())) << run.err;
    ASSERT_NE(unsaved, 0u) << run.err;
    for (size_t i = 5; i < args.size(); ++i) {
      if (args[i] == junk) continue;
      EXPECT_EQ(Kexif({"get", args[i], "Artist"}).out, i == unsaved ? "" : "Jane\n") << jobs << " " << args[i];
    }
    EXPECT_FALSE(test::HasSaveLeftover(dir.path()));
  }
}
#endif

TEST_F(CliBatch, ShiftsAndSetsTheThreeDatesTogether) {
  ASSERT_EQ(Kexif({"dates", "--shift", "+14:00:02", first, junk, last}).status, kExitFileFailed);
  const std::string shifted = Kexif({"dates", first}).out;
  EXPECT_EQ(shifted, first + ": DateTime: 2026:12:07 00:00:02\n" + first + ": DateTimeOriginal: 2026:12:07 00:00:00\n" +
                         first + ": DateTimeDigitized: 2026:12:07 00:00:00\n");
  std::string other = Kexif({"dates", last}).out;  // the big-endian copy, under the first one's name
  for (size_t at = other.find(last); at != std::string::npos; at = other.find(last)) other.replace(at, last.size(), first);
  EXPECT_EQ(other, shifted);
  EXPECT_EQ(Kexif({"dates", "--set", "2026:02:30 10:00:00", first}).status, kExitUsage);
  EXPECT_EQ(Kexif({"dates", "--set", "2026:12:06 10:00:00", first, plain}).status, kExitOk);
  EXPECT_EQ(Kexif({"get", plain, "DateTimeOriginal"}).out, "2026:12:06 10:00:00\n");
  const Outcome refused = Kexif({"set", first, "DateTimeOriginal", "yesterday"});
  EXPECT_EQ(refused.err, first + ": DateTimeOriginal (ASCII): not a date and time as YYYY:MM:DD HH:MM:SS: yesterday\n");
}

TEST(DateShift, MovesTheCalendarAcrossMidnightMonthEndsAndLeapDays) {
  const struct {
    const char *from;
    const char *shift;
    const char *to;
  } rows[] = {
      {"2026:12:31 23:30:00", "+0:45", "2027:01:01 00:15:00"},
      {"2024:03:01 00:10:00", "-0:20", "2024:02:29 23:50:00"},
      {"2025:03:01 00:10:00", "-0:20", "2025:02:28 23:50:00"},
      {"2026:04:30 22:00:00", "2 3:00", "2026:05:03 01:00:00"},
      {"2026:01:31 12:00:00", "1:0 0", "2026:02:28 12:00:00"},    // a month on, clamped
      {"2024:02:29 08:00:00", "1:0:0 0", "2025:02:28 08:00:00"},  // a year on from a leap day
      {"2025:03:31 01:00:00", "-1 2:00", "2025:03:29 23:00:00"},
      {"2026:06:15 10:00:00", "-1:00:00 2:00", "2025:06:15 08:00:00"},
      {"2026:06:15 10:00:00", "+90", "2026:06:19 04:00:00"},
  };
  for (const auto &row : rows) {
    const std::optional<DateTime> from = ParseExifDateTime(row.from);
    const std::optional<DateShift> shift = ParseDateShift(row.shift);
    ASSERT_TRUE(from && shift) << row.shift;
    const std::optional<DateTime> to = ShiftDateTime(*from, *shift);
    ASSERT_TRUE(to) << row.shift;
    EXPECT_EQ(FormatExifDateTime(*to), row.to) << row.from << " " << row.shift;
  }
  for (const char *bad : {"", "+", "1:2:3:4", "1 2 3", "a:00", "1::2", "-1:-2"}) EXPECT_FALSE(ParseDateShift(bad)) << bad;
  for (const char *bad : {"yesterday", "2026:13:01 00:00:00", "2025:02:29 00:00:00", "2026:12:06 24:00:00",
                          "2026-12-06 10:00:00", "2026:12:06 10:00"}) {
    EXPECT_FALSE(ParseExifDateTime(bad)) << bad;
  }
  EXPECT_FALSE(ShiftDateTime(*ParseExifDateTime("9999:12:31 23:00:00"), *ParseDateShift("+2:00")));
}

}  // namespace
}  // namespace kexif::cli
