// The kexif command-line tool: subcommands over the library's C interface
// (and, for the tag listing, over the document tree).
#ifndef KEXIF_TOOLS_CLI_H
#define KEXIF_TOOLS_CLI_H

#include <ostream>
#include <string>
#include <vector>

namespace kexif::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFileFailed = 1;  // at least one file could not be handled
inline constexpr int kExitUsage = 2;       // the command line itself is wrong

// Runs one command line (without the program name). Results go to out,
// errors to err as "FILE: reason" lines. errIsTerminal allows the progress
// line of long runs on err.
int RunKexif(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
             bool errIsTerminal = false);

// The help text as a manual page (roff), for the installed kexif.1.
void PrintManualPage(std::ostream &out);

}  // namespace kexif::cli

#endif
