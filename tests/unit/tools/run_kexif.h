// Runs one kexif command line in the test process and keeps what it wrote.
#ifndef KEXIF_TESTS_UNIT_TOOLS_RUN_KEXIF_H
#define KEXIF_TESTS_UNIT_TOOLS_RUN_KEXIF_H

#include <sstream>
#include <string>
#include <vector>

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

}  // namespace kexif::cli

#endif
