// The subcommands that change tags: set and rm (over one file or many),
// and the sound-clip editing of audio. Each loads a file, changes the
// document through the library and saves it with the library's safe save,
// in place or to -o OUT.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/exif_constants.h"
#include "tools/cli.h"
#include "tools/commands.h"
#include "tools/gps_directory.h"
#include "tools/tag_assignment.h"
#include "tools/value_text.h"

namespace kexif::cli {
namespace {

struct Assignment {
  std::string name;  // as the user wrote it
  TagRef tag;
  std::string text;
};

// The type of the entry the library would find for this tag, or 0.
int32_t ExistingType(KExifHandle handle, uint32_t tag, int32_t directory) {
  const std::optional<FetchedValue> value = FetchTag(handle, tag, directory);
  return value ? value->type : 0;
}

// Stores one assignment in the document; reports a failure to the session.
bool Assign(KExifHandle handle, const Assignment &assignment, int32_t forcedType, const std::string &file,
            const Options &options, Session &session) {
  const TagRef &tag = assignment.tag;
  const int32_t directory = options.directory.value_or(0);
  int32_t type = forcedType;
  if (type == 0) type = ExistingType(handle, tag.number, directory);
  if (type == 0 && tag.info != nullptr) type = tag.info->defaultType;
  if (type == 0) type = GuessType(assignment.text);
  std::vector<TagWrite> writes;
  std::string problem;
  if (!EncodeAssignment(tag, type, forcedType != 0, assignment.text, writes, problem)) {
    session.Fail(file, PrintableText(assignment.name) + " (" + TypeName(type) + "): " + PrintableText(problem));
    return false;
  }
  for (const TagWrite &write : writes) {
    TagValue record{write.value.type, write.value.count, const_cast<uint8_t *>(write.value.bytes.data())};
    std::string reason;
    if (write.gps ? !SetGpsTag(handle, write.tag, record, reason)
                  : kExifSetTag(handle, write.tag, &record, directory) != 0) {
      session.Fail(file, "cannot set " + PrintableText(assignment.name) + (reason.empty() ? "" : ": " + reason));
      return false;
    }
  }
  return true;
}

// The -t TAG=VALUE options; kExitUsage after reporting a bad one.
int ParseAssignments(const Options &options, Session &session, std::vector<Assignment> &assignments) {
  for (const std::string &option : options.tags) {
    const size_t equals = option.find('=');
    if (equals == std::string::npos) return session.Usage("-t needs TAG=VALUE: " + PrintableText(option));
    const std::string name = option.substr(0, equals);
    const std::optional<TagRef> tag = ResolveTag("-t", name, session);
    if (!tag) return kExitUsage;
    assignments.push_back(Assignment{name, *tag, option.substr(equals + 1)});
  }
  return 0;
}

}  // namespace

int CommandSet(const Options &options, Session &session) {
  int32_t type = 0;
  if (options.type) {
    type = ParseTypeName(*options.type);
    if (type == 0) return session.Usage("unknown type: " + PrintableText(*options.type) + " (BYTE, ASCII, SHORT, LONG, RATIONAL, SBYTE, UNDEFINED, SSHORT, SLONG, SRATIONAL, FLOAT, DOUBLE)");
  }
  std::vector<Assignment> assignments;
  std::vector<std::string> files = options.args;
  if (options.tags.empty()) {
    if (options.args.size() != 3) return session.Usage("set takes FILE TAG VALUE, or -t TAG=VALUE... FILE...");
    files.resize(1);
    const std::optional<TagRef> tag = ResolveTag(files[0], options.args[1], session);
    if (!tag) return session.Status();
    assignments.push_back(Assignment{options.args[1], *tag, options.args[2]});
  } else if (const int usage = ParseAssignments(options, session, assignments); usage != 0) {
    return usage;
  }
  if (const int usage = CheckEditTargets(files, options, session); usage != 0) return usage;
  ForEachFile(files, options, session, [&](size_t, const std::string &file, Session &session) {
    EditAndSave(file, options, session, [&](KExifHandle handle) {
      for (const Assignment &assignment : assignments) {
        if (!Assign(handle, assignment, type, file, options, session)) return false;
      }
      return true;
    });
  });
  return session.Status();
}

int CommandRemove(const Options &options, Session &session) {
  std::vector<std::pair<std::string, TagRef>> tags;
  std::vector<std::string> files = options.args;
  if (options.tags.empty() && !options.gps) {
    if (options.args.size() != 2) return session.Usage("rm takes FILE TAG, -t TAG... FILE... or --gps FILE...");
    files.resize(1);
    const std::optional<TagRef> tag = ResolveTag(files[0], options.args[1], session);
    if (!tag) return session.Status();
    tags.emplace_back(options.args[1], *tag);
  }
  for (const std::string &name : options.tags) {
    const std::optional<TagRef> tag = ResolveTag("-t", name, session);
    if (!tag) return kExitUsage;
    tags.emplace_back(name, *tag);
  }
  if (const int usage = CheckEditTargets(files, options, session); usage != 0) return usage;
  ForEachFile(files, options, session, [&](size_t, const std::string &file, Session &session) {
    EditAndSave(file, options, session, [&](KExifHandle handle) {
      if (options.gps && !RemoveGpsDirectory(handle)) {
        session.Fail(file, "no GPS directory");
        return false;
      }
      for (const auto &[name, tag] : tags) {
        if (kExifDelTag(handle, tag.number, options.directory.value_or(0)) != 0) {
          session.Fail(file, "no tag " + PrintableText(name));
          return false;
        }
      }
      return true;
    });
  });
  return session.Status();
}

int CommandAudio(const Options &options, Session &session) {
  if (options.setValue && options.remove) return session.Usage("--set and --remove exclude each other");
  if (!options.setValue && !options.remove) return ExtractAudio(options, session);
  const std::string &file = options.args[0];
  if (const int usage = CheckEditTargets({file}, options, session); usage != 0) return usage;
  if (options.setValue) {
    const std::string reason = UnreadableReason(*options.setValue);
    if (!reason.empty()) {
      session.Fail(*options.setValue, reason);
      return session.Status();
    }
  }
  EditAndSave(file, options, session, [&](KExifHandle handle) {
    if (options.remove) {
      if (kExifIsAudioExist(handle) == 0) {
        session.Fail(file, "no sound clip");
        return false;
      }
      kExifRemoveAudio(handle);
    } else if (kExifSetAudioFile(handle, options.setValue->c_str()) != 0) {
      // The library copies the name; the file is read by the save.
      session.Fail(file, "cannot take " + PrintableText(*options.setValue) + " as its sound clip");
      return false;
    }
    return true;
  });
  return session.Status();
}

}  // namespace kexif::cli
