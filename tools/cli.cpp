#include "tools/cli.h"

#include <cctype>
#include <charconv>
#include <string_view>

#include "tools/commands.h"

namespace kexif::cli {
namespace {

// Option letters a command accepts: j --json, a --all, r --remove,
// o -o OUT, s --set IN, t --type T, d --dir N.
struct Command {
  const char *name;
  int (*run)(const Options &, Session &);
  size_t minArgs;
  size_t maxArgs;  // 0: any number
  const char *accepted;
  const char *usage;
  const char *summary;
  const char *example;
};

constexpr size_t kAnyNumber = 0;

const Command kCommands[] = {
    {"info", CommandInfo, 1, kAnyNumber, "", "info FILE...",
     "Format, whether Exif data, a thumbnail (with its size) and a sound clip are present.",
     "kexif info photo.jpg"},
    {"tags", CommandTags, 1, kAnyNumber, "j", "tags FILE... [--json]",
     "Every tag of every directory (IFD0, Exif, GPS, Interop, IFD1...) with number, name, type,\n"
     "count and value; --json prints one JSON document for the whole run. There a byte that\n"
     "is not UTF-8 (in a file name or a value) is written as \\udcXX, XX being the byte.",
     "kexif tags --json photo.jpg"},
    {"get", CommandGet, 2, 2, "d", "get FILE TAG [--dir N]",
     "The value of one tag, named or numbered (270, 0x010E); --dir picks the directory\n"
     "(0 = IFD0, 1 = IFD1) of tags outside the Exif sub-directory.",
     "kexif get photo.jpg ExposureTime"},
    {"segments", CommandSegments, 1, kAnyNumber, "a", "segments FILE... [--all]",
     "The JPEG segment structure, one line per segment as the library's scanner reports it;\n"
     "--all (and any TIFF file) adds the directory lines of the TIFF parser.",
     "kexif segments photo.jpg"},
    {"thumbnail", CommandThumbnail, 1, 1, "os", "thumbnail FILE [-o OUT.jpg] | FILE --set IN.jpg [-o OUT]",
     "Writes the embedded JPEG thumbnail to OUT.jpg (default FILE-thumb.jpg; '-' for standard output);\n"
     "--set makes IN.jpg the thumbnail and saves the photo in place (or to OUT).",
     "kexif thumbnail photo.jpg -o thumb.jpg"},
    {"set", CommandSet, 3, 3, "tdo", "set FILE TAG VALUE [--type T] [--dir N] [-o OUT]",
     "Sets a tag and saves the file in place (or to OUT). VALUE is read by the tag's type:\n"
     "text, whole numbers (\"1 2 3\"), rationals (1/160, 2.8) or hex bytes (\"30 32 33 30\").\n"
     "The type is --type, else the existing entry's, else the standard one for the tag.",
     "kexif set photo.jpg ImageDescription \"Harbour at dawn\""},
    {"rm", CommandRemove, 2, 2, "do", "rm FILE TAG [--dir N] [-o OUT]",
     "Removes a tag and saves the file in place (or to OUT).",
     "kexif rm photo.jpg GPSLatitude"},
    {"strip", CommandStrip, 2, 3, "o", "strip FILE MARKER [IDENTIFIER] [-o OUT]",
     "Removes a JPEG segment and saves the file in place (or to OUT). MARKER is APP0..APP15;\n"
     "APP1 removes every APP1 segment (Exif and XMP alike), any other marker the first segment\n"
     "with it, which must carry IDENTIFIER (e.g. JFIF, FPXR) when one is given.",
     "kexif strip photo.jpg APP1"},
    {"copy-exif", CommandCopyExif, 2, 2, "o", "copy-exif SRC DST [-o OUT]",
     "Copies the Exif data of SRC into DST and saves DST in place (or to OUT): JPEG to JPEG\n"
     "replaces DST's APP1 segments with SRC's Exif segment, TIFF to TIFF sets the entries of\n"
     "SRC's Exif sub-directory in DST.",
     "kexif copy-exif original.jpg edited.jpg"},
    {"audio", CommandAudio, 1, 1, "osr", "audio FILE [-o OUT.wav] | FILE --set IN.wav [-o OUT] | FILE --remove [-o OUT]",
     "Writes the sound clip stored with the photo to OUT.wav (default FILE.wav); --set stores\n"
     "IN.wav as the photo's sound clip, --remove removes it, each saving the photo in place (or to OUT).",
     "kexif audio photo.jpg -o memo.wav"},
};

const Command *FindCommand(std::string_view name) {
  for (const Command &command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

void PrintCommandHelp(const Command &command, std::ostream &out) {
  out << "kexif " << command.usage << "\n  ";
  for (const char *c = command.summary; *c != '\0'; ++c) {
    out << *c;
    if (*c == '\n') out << "  ";
  }
  out << "\n  example: " << command.example << "\n";
}

void PrintHelp(std::ostream &out) {
  out << "kexif - read and edit the Exif metadata of JPEG and TIFF files\n\n"
         "usage: kexif COMMAND ARGS...   (kexif COMMAND --help for one command)\n\n";
  for (const Command &command : kCommands) {
    PrintCommandHelp(command, out);
    out << "\n";
  }
  out << "Errors go to standard error as 'FILE: reason'. Several files are handled in turn;\n"
         "the exit status is 0 when all went well, 1 when a file failed, 2 for a bad command line.\n";
}

int UsageError(const std::string &message, const Command *command, std::ostream &err) {
  err << "kexif: " << message << "\n";
  if (command != nullptr) err << "usage: kexif " << command->usage << "\n";
  else err << "usage: kexif COMMAND ARGS... (see kexif --help)\n";
  return kExitUsage;
}

bool Accepts(const Command &command, char letter) {
  return std::string_view(command.accepted).find(letter) != std::string_view::npos;
}

// Parses the arguments after the command name. Returns an error message,
// empty on success.
std::string ParseOptions(const Command &command, const std::vector<std::string> &args, Options &options,
                         bool &help) {
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string &arg = args[i];
    // A negative number ("-2/3", "-0.5") is a value, not an option.
    const bool negativeNumber = arg.size() > 1 && arg[0] == '-' && (std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.');
    if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-" || negativeNumber) {
      options.args.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      help = true;
      continue;
    }
    char letter = 0;
    bool takesValue = false;
    if (arg == "--json") letter = 'j';
    else if (arg == "--all") letter = 'a';
    else if (arg == "--remove") letter = 'r';
    else if (arg == "-o" || arg == "--output") letter = 'o', takesValue = true;
    else if (arg == "--set") letter = 's', takesValue = true;
    else if (arg == "--type") letter = 't', takesValue = true;
    else if (arg == "--dir") letter = 'd', takesValue = true;
    if (letter == 0 || !Accepts(command, letter)) return "unknown option for " + std::string(command.name) + ": " + arg;
    std::string value;
    if (takesValue) {
      if (i + 1 >= args.size()) return arg + " needs a value";
      value = args[++i];
    }
    switch (letter) {
      case 'j': options.json = true; break;
      case 'a': options.all = true; break;
      case 'r': options.remove = true; break;
      case 'o': options.output = value; break;
      case 's': options.setFile = value; break;
      case 't': options.type = value; break;
      default: {
        int32_t number = -1;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), number);
        if (result.ec != std::errc() || result.ptr != value.data() + value.size() || number < 0) {
          return "--dir needs a directory number (0, 1, ...): " + value;
        }
        options.directory = number;
      }
    }
  }
  return "";
}

}  // namespace

int RunKexif(const std::vector<std::string> &args, std::ostream &out, std::ostream &err) {
  if (args.empty()) return UsageError("no command given", nullptr, err);
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    const Command *command = args.size() > 1 ? FindCommand(args[1]) : nullptr;
    if (command != nullptr) PrintCommandHelp(*command, out);
    else PrintHelp(out);
    return kExitOk;
  }
  const Command *command = FindCommand(args[0]);
  if (command == nullptr) return UsageError("unknown command: " + args[0], nullptr, err);
  Options options;
  bool help = false;
  const std::string problem = ParseOptions(*command, args, options, help);
  if (help) {
    PrintCommandHelp(*command, out);
    return kExitOk;
  }
  if (!problem.empty()) return UsageError(problem, command, err);
  if (options.args.size() < command->minArgs) return UsageError("missing arguments", command, err);
  if (command->maxArgs != kAnyNumber && options.args.size() > command->maxArgs) {
    return UsageError("too many arguments", command, err);
  }
  Session session(out, err);
  return command->run(options, session);
}

}  // namespace kexif::cli
