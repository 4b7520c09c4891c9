// The subcommands that only read: info, tags, get, segments and the
// extraction of thumbnails and sound clips.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "api/document_handle.h"
#include "model/exif_constants.h"
#include "tools/cli.h"
#include "tools/commands.h"
#include "tools/json_text.h"
#include "tools/readable_value.h"
#include "tools/tag_walk.h"
#include "tools/value_text.h"

namespace kexif::cli {
namespace {

const char *FormatName(int32_t format) {
  switch (format) {
    case kFormatJpeg: return "JPEG";
    case kFormatTiff: return "TIFF";
    default: return "unknown";
  }
}

const char *YesNo(int32_t flag) { return flag != 0 ? "yes" : "no"; }

// The raw text of the GPS reference entry the entry's value depends on, from
// the same directory; empty when there is none.
std::string ReferenceIn(const ListedDirectory &directory, uint32_t tag) {
  const std::optional<uint32_t> reference = ReferenceTag(tag, directory.space);
  if (!reference) return "";
  for (const ListedEntry &entry : directory.entries) {
    if (entry.tag == *reference) {
      return FormatValue(entry.type, entry.count, entry.bytes.data(), entry.bytes.size(), Length::kFull);
    }
  }
  return "";
}

std::string EntryText(const ListedDirectory &directory, const ListedEntry &entry, bool raw, Length form) {
  const RawValue value{entry.type, entry.count, entry.bytes.data(), entry.bytes.size()};
  const std::string reference = ReferenceIn(directory, entry.tag);
  return raw ? RawValueText(entry.tag, directory.space, value, reference, form)
             : ReadableValue(entry.tag, directory.space, value, reference, form);
}

void PrintEntryLine(const ListedDirectory &directory, const ListedEntry &entry, bool raw, std::ostream &out) {
  char head[96];
  std::snprintf(head, sizeof head, "%-8s 0x%04X  %-28s %-9s %6d  ", directory.name.c_str(), entry.tag,
                TagDisplayName(entry.tag, directory.space).c_str(), TypeName(entry.type).c_str(), entry.count);
  out << head << PrintableText(EntryText(directory, entry, raw, Length::kShort)) << '\n';
}

void PrintEntryJson(const ListedDirectory &directory, const ListedEntry &entry, std::ostream &out) {
  const TagInfo *info = FindTagInfo(entry.tag, directory.space);
  out << "{\"tag\": " << entry.tag << ", \"name\": " << (info != nullptr ? JsonString(info->name) : "null")
      << ", \"type\": " << JsonString(TypeName(entry.type)) << ", \"count\": " << entry.count
      << ", \"value\": " << JsonString(EntryText(directory, entry, false, Length::kFull))
      << ", \"raw\": " << JsonString(EntryText(directory, entry, true, Length::kFull)) << "}";
}

void PrintDirectoriesJson(const std::vector<ListedDirectory> &directories, std::ostream &out) {
  out << "\"directories\": [";
  for (size_t d = 0; d < directories.size(); ++d) {
    out << (d == 0 ? "\n" : ",\n") << "    {\"name\": " << JsonString(directories[d].name) << ", \"entries\": [";
    const std::vector<ListedEntry> &entries = directories[d].entries;
    for (size_t e = 0; e < entries.size(); ++e) {
      out << (e == 0 ? "\n" : ",\n") << "      ";
      PrintEntryJson(directories[d], entries[e], out);
    }
    out << "]}";
  }
  out << "]";
}

// The value of one tag of a loaded document as get prints it; empty with
// a failure reported when the file has no such tag.
std::optional<std::string> TagText(KExifHandle handle, const TagRef &tag, const Options &options) {
  const int32_t directory = options.directory.value_or(0);
  const std::optional<FetchedValue> fetched = FetchTag(handle, tag.number, directory);
  if (!fetched) return std::nullopt;
  const TagSpace space = tag.info != nullptr ? tag.info->space : TagSpace::kImage;
  std::string reference;
  if (const std::optional<uint32_t> referenceTag = ReferenceTag(tag.number, space)) {
    if (const std::optional<FetchedValue> r = FetchTag(handle, *referenceTag, directory)) {
      reference = FormatValue(r->type, r->count, r->bytes.data(), r->bytes.size(), Length::kFull);
    }
  }
  const RawValue value{fetched->type, fetched->count, fetched->bytes.data(), fetched->bytes.size()};
  return options.raw ? RawValueText(tag.number, space, value, reference, Length::kFull)
                     : ReadableValue(tag.number, space, value, reference, Length::kFull);
}

}  // namespace

int CommandInfo(const Options &options, Session &session) {
  ForEachFile(options.args, options, session, [](size_t, const std::string &file, Session &session) {
    ReadContext context(file);
    if (!Opened(context, file, session)) return;
    session.out << PrintableText(file) << ": " << FormatName(kRExifGetFileFormat(context.get()))
                << ", Exif: " << YesNo(kRExifIsExifExist(context.get()));
    ThumbnailData thumbnail{nullptr, 0};
    if (kRExifIsThumbnailExist(context.get()) != 0 && kRExifGetThumbnailData(context.get(), &thumbnail) == 0) {
      session.out << ", thumbnail: yes (" << thumbnail.length << " bytes)";
    } else {
      session.out << ", thumbnail: no";
    }
    session.out << ", sound clip: " << YesNo(kRExifIsAudioExist(context.get())) << '\n';
  });
  return session.Status();
}

int CommandTags(const Options &options, Session &session) {
  const bool several = options.args.size() > 1;
  if (options.json) session.out << "{\"files\": [";
  ForEachFile(options.args, options, session, [&](size_t index, const std::string &file, Session &session) {
    std::ostream &out = session.out;
    LoadedDocument document(file);
    if (options.json) out << (index == 0 ? "\n" : ",\n") << "  {\"file\": " << JsonString(file) << ", ";
    if (document.get() == nullptr) {
      const std::string reason = OpenFailure(file);
      session.Fail(file, reason);
      if (options.json) out << "\"error\": " << JsonString(reason) << "}";
      return;
    }
    const ExifDocument &tree = *ToDocument(document.get());
    const std::vector<ListedDirectory> directories = ListDirectories(tree);
    if (options.json) {
      out << "\"format\": " << JsonString(FormatName(tree.format)) << ", ";
      PrintDirectoriesJson(directories, out);
      out << "}";
      return;
    }
    if (several) out << "== " << PrintableText(file) << '\n';
    for (const ListedDirectory &directory : directories) {
      for (const ListedEntry &entry : directory.entries) PrintEntryLine(directory, entry, options.raw, out);
    }
  });
  if (options.json) session.out << "\n]}\n";
  return session.Status();
}

int CommandGet(const Options &options, Session &session) {
  if (options.tags.empty()) {
    if (options.args.size() != 2) return session.Usage("get takes FILE TAG, or -t TAG... FILE...");
    const std::string &file = options.args[0];
    const std::optional<TagRef> tag = ResolveTag(file, options.args[1], session);
    if (!tag) return session.Status();
    LoadedDocument document(file);
    if (!Opened(document, file, session)) return session.Status();
    const std::optional<std::string> text = TagText(document.get(), *tag, options);
    if (!text) session.Fail(file, "no tag " + PrintableText(options.args[1]));
    else session.out << PrintableText(*text) << '\n';
    return session.Status();
  }
  std::vector<TagRef> tags;
  for (const std::string &name : options.tags) {
    const std::optional<TagRef> tag = ResolveTag("-t", name, session);
    if (!tag) return kExitUsage;
    tags.push_back(*tag);
  }
  ForEachFile(options.args, options, session, [&](size_t, const std::string &file, Session &session) {
    LoadedDocument document(file);
    if (!Opened(document, file, session)) return;
    for (size_t i = 0; i < tags.size(); ++i) {
      const std::optional<std::string> text = TagText(document.get(), tags[i], options);
      if (!text) session.Fail(file, "no tag " + PrintableText(options.tags[i]));
      else session.out << PrintableText(file) << ": " << PrintableText(options.tags[i]) << ": " << PrintableText(*text) << '\n';
    }
  });
  return session.Status();
}

int ExtractThumbnail(const Options &options, Session &session) {
  const std::string &file = options.args[0];
  const std::string target = options.output.value_or(SiblingName(file, "-thumb.jpg"));
  ReadContext context(file);
  if (!Opened(context, file, session)) return session.Status();
  ThumbnailData thumbnail{nullptr, 0};
  if (kRExifGetThumbnailData(context.get(), &thumbnail) != 0 || thumbnail.data == nullptr || thumbnail.length <= 0) {
    session.Fail(file, "no thumbnail");
    return session.Status();
  }
  std::string reason;
  if (!WriteFileBytes(target, file, thumbnail.data, static_cast<size_t>(thumbnail.length), session.out, reason)) {
    session.Fail(file, reason);
  } else if (target != "-") {
    session.out << PrintableText(target) << ": " << thumbnail.length << " bytes\n";
  }
  return session.Status();
}

int ExtractAudio(const Options &options, Session &session) {
  const std::string &file = options.args[0];
  const std::string target = options.output.value_or(SiblingName(file, ".wav"));
  ReadContext context(file);
  if (!Opened(context, file, session)) return session.Status();
  if (kRExifIsAudioExist(context.get()) == 0) {
    session.Fail(file, "no sound clip");
  } else if (kRExifGetAudioFile(context.get(), target.c_str()) != 0) {
    session.Fail(file, "cannot write the sound clip to " + PrintableText(target));
  } else {
    session.out << PrintableText(target) << '\n';
  }
  return session.Status();
}

int CommandNames(const Options &options, Session &session) {
  if (!options.args.empty()) return session.Usage("names takes no arguments");
  for (const TagInfo &info : KnownTags()) {
    const char *space = info.space == TagSpace::kGps ? "GPS" : info.space == TagSpace::kInterop ? "Interop" : "IFD0/Exif";
    char line[96];
    std::snprintf(line, sizeof line, "%-28s 0x%04X  %-9s %s\n", info.name, info.number, space,
                  TypeName(info.defaultType).c_str());
    session.out << line;
  }
  for (const TagAlias &alias : KnownAliases()) session.out << alias.alias << " = " << alias.name << '\n';
  return session.Status();
}

}  // namespace kexif::cli
