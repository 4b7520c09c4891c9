#include "tools/cli.h"

#include <cctype>
#include <charconv>
#include <string_view>

#include "tools/commands.h"

namespace kexif::cli {
namespace {

// "0.1.0" from a version number as kexif.h writes it (major * 10000 + minor * 100 + patch).
std::string VersionText(int32_t version) {
  return std::to_string(version / 10000) + "." + std::to_string(version / 100 % 100) + "." + std::to_string(version % 100);
}

// Option letters a command accepts: j --json, a --all, r --remove, o -o OUT,
// s --set X, y --type T, d --dir N, t -t TAG[=VALUE], J -j N, n -n/--raw,
// g --gps, S --shift D.
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
    {"info", CommandInfo, 1, kAnyNumber, "J", "info FILE... [-j N]",
     "Format, whether Exif data, a thumbnail (with its size) and a sound clip are present.",
     "kexif info photo.jpg"},
    {"tags", CommandTags, 1, kAnyNumber, "jnJ", "tags FILE... [-n] [--json] [-j N]",
     "Every tag of every directory (IFD0, Exif, GPS, Interop, IFD1...) with number, name, type,\n"
     "count and value as a person reads it (Flash \"On, Fired\", FNumber \"f/7.1\"); -n (--raw)\n"
     "shows the stored numbers instead. --json prints one JSON document for the whole run,\n"
     "each entry with both forms (\"value\" and \"raw\"); a byte that is not UTF-8\n"
     "(in a file name or a value) is written there as \\udcXX, XX being the byte.",
     "kexif tags --json photo.jpg"},
    {"get", CommandGet, 1, kAnyNumber, "dntJ", "get FILE TAG [-n] [--dir N] | -t TAG... FILE...",
     "The value of one tag, named or numbered (270, 0x010E); --dir picks the directory\n"
     "(0 = IFD0, 1 = IFD1) of tags outside the Exif sub-directory. With -t (repeatable) it\n"
     "prints \"FILE: TAG: value\" for each file and tag. -n prints the stored numbers.",
     "kexif get photo.jpg ExposureTime"},
    {"set", CommandSet, 1, kAnyNumber, "ytdoJ",
     "set FILE TAG VALUE [--type T] [--dir N] [-o OUT] | -t TAG=VALUE... FILE...",
     "Sets tags and saves each file once, in place (or to OUT). VALUE is read by the tag's type:\n"
     "text, whole numbers (\"1 2 3\"), rationals (1/160, 2.8) or hex bytes (\"30 32 33 30\");\n"
     "dates as YYYY:MM:DD HH:MM:SS, GPSLatitude/GPSLongitude also as decimal degrees (the\n"
     "reference N/S/E/W follows the sign), UserComment and XP tags as text. The type is --type,\n"
     "else the existing entry's, else the standard one for the tag. A file takes all of its\n"
     "assignments or none.",
     "kexif set -t Artist=\"Jane Doe\" -t Copyright=\"(c) 2026 Jane\" *.jpg"},
    {"rm", CommandRemove, 1, kAnyNumber, "dotgJ", "rm FILE TAG [--dir N] [-o OUT] | -t TAG... FILE... | --gps FILE...",
     "Removes tags and saves each file in place (or to OUT); --gps removes the whole GPS\n"
     "directory and its pointer.",
     "kexif rm --gps *.jpg"},
    {"dates", CommandDates, 1, kAnyNumber, "SsoJ", "dates FILE... [--shift SHIFT | --set DATE] [-o OUT]",
     "Shows DateTime, DateTimeOriginal and DateTimeDigitized; --shift moves all three by\n"
     "[+|-][[[Y:]M:]D ]H[:M[:S]] (\"+1:30\" is ninety minutes later, \"-1 2:00\" a day and two\n"
     "hours earlier), --set \"YYYY:MM:DD HH:MM:SS\" gives all three one value; both save each file.",
     "kexif dates --shift +1:30 *.jpg"},
    {"gps", CommandGps, 1, kAnyNumber, "sroJ", "gps FILE... [--set LAT,LON[,ALT] | --remove] [-o OUT]",
     "Prints latitude, longitude (decimal degrees, negative south and west) and altitude (m);\n"
     "--set writes them (creating the GPS directory when needed), --remove removes the GPS\n"
     "directory and its pointer.",
     "kexif gps --set 48.8566,2.3522,35 photo.jpg"},
    {"segments", CommandSegments, 1, kAnyNumber, "an", "segments FILE... [--all] [--raw]",
     "The JPEG segment structure, one line per segment: offset, marker and its name, the\n"
     "identifier of APPn segments in full (\"APP1 Exif\", \"APP2 ICC_PROFILE\") and the length.\n"
     "--raw prints the scanner's own lines instead; --raw --all (and any TIFF file) adds the\n"
     "directory lines of the TIFF parser.",
     "kexif segments photo.jpg"},
    {"thumbnail", CommandThumbnail, 1, kAnyNumber, "osrJ",
     "thumbnail FILE [-o OUT.jpg] | FILE --set IN.jpg [-o OUT] | --remove FILE...",
     "Writes the embedded JPEG thumbnail to OUT.jpg (default FILE-thumb.jpg; '-' for standard output);\n"
     "--set makes IN.jpg the thumbnail and saves the photo in place (or to OUT); --remove removes\n"
     "the thumbnail with its directory.",
     "kexif thumbnail photo.jpg -o thumb.jpg"},
    {"strip", CommandStrip, 1, kAnyNumber, "oaJ", "strip FILE MARKER [IDENTIFIER] [-o OUT] | --all FILE...",
     "Removes a JPEG segment and saves the file in place (or to OUT). MARKER is APP0..APP15;\n"
     "APP1 removes every APP1 segment (Exif and XMP alike), any other marker the first segment\n"
     "with it, which must carry IDENTIFIER (e.g. JFIF, ICC_PROFILE) when one is given. --all\n"
     "removes Exif, XMP, IPTC/Photoshop, ICC profiles and comments; the image data stays as it is.",
     "kexif strip --all photo.jpg"},
    {"copy-exif", CommandCopyExif, 2, kAnyNumber, "aoJ", "copy-exif SRC DST... [--all] [-o OUT]",
     "Copies the Exif data of SRC into each DST and saves it in place (or to OUT). JPEG to JPEG\n"
     "replaces DST's Exif segment only (XMP and every other segment stay) and keeps DST's own\n"
     "pixel dimensions and thumbnail unless --all is given; TIFF to TIFF sets the entries of\n"
     "SRC's Exif sub-directory in DST.",
     "kexif copy-exif original.jpg edited.jpg"},
    {"audio", CommandAudio, 1, 1, "osr", "audio FILE [-o OUT.wav] | FILE --set IN.wav [-o OUT] | FILE --remove [-o OUT]",
     "Writes the sound clip stored with the photo to OUT.wav (default FILE.wav); --set stores\n"
     "IN.wav as the photo's sound clip, --remove removes it, each saving the photo in place (or to OUT).",
     "kexif audio photo.jpg -o memo.wav"},
    {"names", CommandNames, 0, kAnyNumber, "", "names",
     "Every tag name the tool knows, with its number, directory and standard type, then the aliases.",
     "kexif names"},
};

struct OptionSpelling {
  const char *spelling;
  char letter;
  bool takesValue;
};

constexpr OptionSpelling kSpellings[] = {
    {"--json", 'j', false}, {"--all", 'a', false},   {"--remove", 'r', false}, {"-o", 'o', true},
    {"--output", 'o', true}, {"--set", 's', true},   {"--type", 'y', true},    {"--dir", 'd', true},
    {"-t", 't', true},       {"--tag", 't', true},   {"-j", 'J', true},        {"--jobs", 'J', true},
    {"-n", 'n', false},      {"--raw", 'n', false},  {"--gps", 'g', false},    {"--shift", 'S', true},
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

constexpr const char *kClosingHelp =
    "Commands over several files run them on every core (-j N sets how many at once) and\n"
    "print in argument order; '-' reads a photo from standard input for the reading commands.\n"
    "Errors go to standard error as 'FILE: reason'; one bad file does not stop the others.\n"
    "The exit status is 0 when all went well, 1 when a file failed, 2 for a bad command line.\n";

void PrintHelp(std::ostream &out) {
  out << "kexif - read and edit the Exif metadata of JPEG and TIFF files\n\n"
         "usage: kexif COMMAND ARGS...   (kexif COMMAND --help for one command; kexif --version)\n\n";
  for (const Command &command : kCommands) {
    PrintCommandHelp(command, out);
    out << "\n";
  }
  out << kClosingHelp;
}

// Text for roff: a leading '.' or '\'' and every backslash made literal.
std::string Roff(std::string_view text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
    lineStart = c == '\n';
  }
  return out;
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

bool ParseCount(const std::string &text, int32_t &number) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), number);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && number >= 0;
}

// Stores the value of one option; an error message, empty on success.
std::string Store(char letter, const std::string &value, Options &options) {
  switch (letter) {
    case 'j': options.json = true; break;
    case 'a': options.all = true; break;
    case 'r': options.remove = true; break;
    case 'n': options.raw = true; break;
    case 'g': options.gps = true; break;
    case 'o': options.output = value; break;
    case 's': options.setValue = value; break;
    case 'y': options.type = value; break;
    case 'S': options.shift = value; break;
    case 't': options.tags.push_back(value); break;
    case 'J': {
      int32_t jobs = 0;
      if (!ParseCount(value, jobs) || jobs < 1) return "-j needs a number of files at once (1, 2, ...): " + value;
      options.jobs = jobs;
      break;
    }
    default: {
      int32_t number = -1;
      if (!ParseCount(value, number)) return "--dir needs a directory number (0, 1, ...): " + value;
      options.directory = number;
    }
  }
  return "";
}

// Parses the arguments after the command name. Returns an error message,
// empty on success.
std::string ParseOptions(const Command &command, const std::vector<std::string> &args, Options &options,
                         bool &help) {
  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
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
    // -j4 and -tArtist=X as well as -j 4 and -t Artist=X.
    std::string attached;
    if (arg.size() > 2 && arg[1] != '-' && (arg[1] == 'j' || arg[1] == 't')) {
      attached = arg.substr(2);
      arg.resize(2);
    }
    const OptionSpelling *spelling = nullptr;
    for (const OptionSpelling &s : kSpellings) {
      if (arg == s.spelling) spelling = &s;
    }
    if (spelling == nullptr || !Accepts(command, spelling->letter)) {
      return "unknown option for " + std::string(command.name) + ": " + args[i];
    }
    std::string value = attached;
    if (spelling->takesValue && attached.empty()) {
      if (i + 1 >= args.size()) return arg + " needs a value";
      value = args[++i];
    }
    std::string problem = Store(spelling->letter, value, options);
    if (!problem.empty()) return problem;
  }
  return "";
}

}  // namespace

void PrintManualPage(std::ostream &out) {
  out << ".TH KEXIF 1 \"\" \"kexif " << VersionText(KEXIF_VERSION) << "\" \"User Commands\"\n"
         ".SH NAME\nkexif \\- read and edit the Exif metadata of JPEG and TIFF files\n"
         ".SH SYNOPSIS\n.B kexif\n.I COMMAND ARGS...\n.SH COMMANDS\n";
  for (const Command &command : kCommands) {
    out << ".TP\n.B kexif " << Roff(command.usage) << "\n" << Roff(command.summary) << "\n.br\nExample: "
        << Roff(command.example) << "\n";
  }
  out << ".SH NOTES\n" << Roff(kClosingHelp);
}

int RunKexif(const std::vector<std::string> &args, std::ostream &out, std::ostream &err, bool errIsTerminal) {
  if (args.empty()) return UsageError("no command given", nullptr, err);
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    const Command *command = args.size() > 1 ? FindCommand(args[1]) : nullptr;
    if (command != nullptr) PrintCommandHelp(*command, out);
    else PrintHelp(out);
    return kExitOk;
  }
  if (args[0] == "--version" || args[0] == "version") {
    out << "kexif " << VersionText(KEXIF_VERSION) << " (library " << VersionText(kExifGetVersion()) << ")\n";
    return kExitOk;
  }
  const Command *command = FindCommand(args[0]);
  if (command == nullptr) return UsageError("unknown command: " + args[0], nullptr, err);
  Options options;
  options.progress = errIsTerminal;
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
  const int status = command->run(options, session);
  if (status == kExitUsage) err << "usage: kexif " << command->usage << "\n";
  return status;
}

}  // namespace kexif::cli
