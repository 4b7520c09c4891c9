// Runs one kexif command line in the test process and keeps what it wrote.
#ifndef KEXIF_TESTS_UNIT_TOOLS_RUN_KEXIF_H
#define KEXIF_TESTS_UNIT_TOOLS_RUN_KEXIF_H

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/jpeg_builder.h"
#include "tests/support/sample_photo.h"
#include "tests/support/temp_files.h"
#include "tools/cli.h"

namespace kexif::cli {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

inline Outcome Kexif(const std::vector<std::string> &args) {
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunKexif(args, out, err);
  return {status, out.str(), err.str()};
}

// Runs a command line that must fail for a file with exactly the error
// text and print nothing, and leave the file `kept` (when given) byte for byte as it was.
inline void ExpectFileFailure(const std::vector<std::string> &args, const std::string &err,
                              const std::string &kept = "") {
  const test::Bytes before = kept.empty() ? test::Bytes{} : test::ReadFileBytes(kept);
  const Outcome run = Kexif(args);
  EXPECT_EQ(run.status, kExitFileFailed) << args[0] << " " << err;
  EXPECT_EQ(run.err, err);
  EXPECT_EQ(run.out, "");
  if (!kept.empty()) {
    EXPECT_EQ(test::ReadFileBytes(kept), before) << kept;
  }
}

// A scratch folder holding the sample photo, a JPEG without Exif data and
// a file that is no photo.
class ToolTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string photo = dir.Write("photo.jpg", test::SamplePhotoJpeg());
  std::string plain = dir.Write("plain.jpg", test::MakeJpegWithoutExif());
  std::string junk = dir.Write("junk.jpg", test::Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'h', 'o', 't', 'o'});
};

}  // namespace kexif::cli

#endif
