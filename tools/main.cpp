#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "tools/cli.h"

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Hidden: the manual page the build installs.
  if (args.size() == 1 && args[0] == "--manual-page") {
    kexif::cli::PrintManualPage(std::cout);
    return 0;
  }
  std::ios::sync_with_stdio(false);
  return kexif::cli::RunKexif(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
