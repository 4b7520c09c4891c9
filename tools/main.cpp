#include <iostream>
#include <string>
#include <vector>

#include "tools/cli.h"

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return kexif::cli::RunKexif(args, std::cout, std::cerr);
}
