// The subcommands that change a file: set, rm and the sound-clip editing of
// audio. Each loads the file,
// changes the document through the library and saves it with the
// library's safe save, in place or to -o OUT.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "api/document_handle.h"
#include "edit/gps_directory.h"
#include "model/exif_constants.h"
#include "tools/cli.h"
#include "tools/commands.h"
#include "tools/value_text.h"

namespace kexif::cli {
namespace {

bool IsGpsTag(const TagRef &tag) { return tag.info != nullptr && tag.info->space == TagSpace::kGps; }

// The type of the entry the library would find for this tag, or 0. GPS
// tags are looked up in the GPS directory only.
int32_t ExistingType(KExifHandle handle, const TagRef &tag, int32_t directory) {
  if (IsGpsTag(tag)) {
    const TagNode *entry = FindGpsEntry(*ToDocument(handle), tag.number);
    return entry != nullptr ? entry->type : 0;
  }
  TagValue value{0, 0, nullptr};
  if (kExifGetTag(handle, tag.number, &value, directory) != 0) return 0;
  std::free(value.data);
  return value.type;
}

}  // namespace

bool SaveEdited(KExifHandle handle, const std::string &file, const Options &options, Session &session) {
  const std::string target = options.output.value_or(file);
  if (kExifSaveFile(handle, target.c_str()) != 0) {
    session.Fail(file, "cannot save to " + PrintableText(target) + "; the file was left as it was");
    return false;
  }
  return true;
}

int CommandSet(const Options &options, Session &session) {
  const std::string &file = options.args[0];
  int32_t type = 0;
  if (options.type) {
    type = ParseTypeName(*options.type);
    if (type == 0) return session.Usage("unknown type: " + PrintableText(*options.type) + " (BYTE, ASCII, SHORT, LONG, RATIONAL, SBYTE, UNDEFINED, SSHORT, SLONG, SRATIONAL, FLOAT, DOUBLE)");
  }
  const std::optional<TagRef> tag = ResolveTag(file, options.args[1], session);
  if (!tag) return session.Status();
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return session.Status();
  const int32_t directory = options.directory.value_or(0);
  const int32_t existing = ExistingType(document.get(), *tag, directory);
  if (type == 0) type = existing;
  if (type == 0 && tag->info != nullptr) type = tag->info->defaultType;
  if (type == 0) type = GuessType(options.args[2]);
  EncodedValue value;
  std::string problem;
  if (!ParseValue(type, options.args[2], value, problem)) {
    session.Fail(file, PrintableText(options.args[1]) + " (" + TypeName(type) + "): " + problem);
    return session.Status();
  }
  TagValue record{value.type, value.count, value.bytes.data()};
  // GPS tags go to the GPS directory, which is made when missing.
  const bool written = IsGpsTag(*tag) ? SetGpsTag(*ToDocument(document.get()), tag->number, record) != 0
                                      : kExifSetTag(document.get(), tag->number, &record, directory) == 0;
  if (!written) {
    session.Fail(file, "cannot set " + PrintableText(options.args[1]));
    return session.Status();
  }
  SaveEdited(document.get(), file, options, session);
  return session.Status();
}

int CommandRemove(const Options &options, Session &session) {
  const std::string &file = options.args[0];
  const std::optional<TagRef> tag = ResolveTag(file, options.args[1], session);
  if (!tag) return session.Status();
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return session.Status();
  if (kExifDelTag(document.get(), tag->number, options.directory.value_or(0)) != 0) {
    session.Fail(file, "no tag " + PrintableText(options.args[1]));
    return session.Status();
  }
  SaveEdited(document.get(), file, options, session);
  return session.Status();
}

int CommandAudio(const Options &options, Session &session) {
  if (options.setFile && options.remove) return session.Usage("--set and --remove exclude each other");
  if (!options.setFile && !options.remove) return ExtractAudio(options, session);
  const std::string &file = options.args[0];
  if (options.setFile) {
    const std::string reason = UnreadableReason(*options.setFile);
    if (!reason.empty()) {
      session.Fail(*options.setFile, reason);
      return session.Status();
    }
  }
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return session.Status();
  if (options.remove) {
    if (kExifIsAudioExist(document.get()) == 0) {
      session.Fail(file, "no sound clip");
      return session.Status();
    }
    kExifRemoveAudio(document.get());
  } else if (kExifSetAudioFile(document.get(), options.setFile->c_str()) != 0) {
    session.Fail(file, "cannot take " + PrintableText(*options.setFile) + " as its sound clip");
    return session.Status();
  }
  SaveEdited(document.get(), file, options, session);
  return session.Status();
}

}  // namespace kexif::cli
