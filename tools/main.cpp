#include <unistd.h>

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tools/cli.h"

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // For the build: writes the manual page that is installed with the tool.
  if (args.size() == 2 && args[0] == "--manual-page") {
    std::ofstream page(args[1]);
    kexif::cli::PrintManualPage(page);
    page.close();
    return page ? 0 : 1;
  }
  std::ios::sync_with_stdio(false);
  return kexif::cli::RunKexif(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
