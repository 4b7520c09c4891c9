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
#include "parse/diagnostics.h"
#include "tools/commands.h"
#include "tools/json_text.h"
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

void PrintEntryLine(const ListedDirectory &directory, const ListedEntry &entry, std::ostream &out) {
  char head[96];
  std::snprintf(head, sizeof head, "%-8s 0x%04X  %-28s %-9s %6d  ", directory.name.c_str(), entry.tag,
                TagDisplayName(entry.tag, directory.space).c_str(), TypeName(entry.type).c_str(), entry.count);
  out << head << FormatValue(entry.type, entry.count, entry.bytes.data(), entry.bytes.size(), Length::kShort)
      << '\n';
}

void PrintEntryJson(const ListedDirectory &directory, const ListedEntry &entry, std::ostream &out) {
  const TagInfo *info = FindTagInfo(entry.tag, directory.space);
  out << "{\"tag\": " << entry.tag << ", \"name\": " << (info != nullptr ? JsonString(info->name) : "null")
      << ", \"type\": " << JsonString(TypeName(entry.type)) << ", \"count\": " << entry.count
      << ", \"value\": "
      << JsonString(FormatValue(entry.type, entry.count, entry.bytes.data(), entry.bytes.size(), Length::kFull))
      << "}";
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

// Collects the library's diagnostic lines while a document loads.
std::vector<std::string> *g_diagnosticLines = nullptr;

void CollectDiagnosticLine(const char *line) {
  if (g_diagnosticLines != nullptr) g_diagnosticLines->emplace_back(line);
}

bool IsDirectoryLine(std::string_view line) {
  for (std::string_view prefix : {"IFD:", "EntryCount=", "NextIFDOFfset:", "IPTC-", "8BIM "}) {
    if (line.substr(0, prefix.size()) == prefix) return true;
  }
  return false;
}

}  // namespace

int CommandInfo(const Options &options, Session &session) {
  for (const std::string &file : options.args) {
    ReadContext context(file);
    if (!Opened(context, file, session)) continue;
    session.out << PrintableText(file) << ": " << FormatName(kRExifGetFileFormat(context.get()))
                << ", Exif: " << YesNo(kRExifIsExifExist(context.get()));
    ThumbnailData thumbnail{nullptr, 0};
    if (kRExifIsThumbnailExist(context.get()) != 0 && kRExifGetThumbnailData(context.get(), &thumbnail) == 0) {
      session.out << ", thumbnail: yes (" << thumbnail.length << " bytes)";
    } else {
      session.out << ", thumbnail: no";
    }
    session.out << ", sound clip: " << YesNo(kRExifIsAudioExist(context.get())) << '\n';
  }
  return session.Status();
}

int CommandTags(const Options &options, Session &session) {
  std::ostream &out = session.out;
  const bool several = options.args.size() > 1;
  if (options.json) out << "{\"files\": [";
  for (size_t i = 0; i < options.args.size(); ++i) {
    const std::string &file = options.args[i];
    LoadedDocument document(file);
    if (options.json) out << (i == 0 ? "\n" : ",\n") << "  {\"file\": " << JsonString(file) << ", ";
    if (document.get() == nullptr) {
      const std::string reason = OpenFailure(file);
      session.Fail(file, reason);
      if (options.json) out << "\"error\": " << JsonString(reason) << "}";
      continue;
    }
    const ExifDocument &tree = *ToDocument(document.get());
    const std::vector<ListedDirectory> directories = ListDirectories(tree);
    if (options.json) {
      out << "\"format\": " << JsonString(FormatName(tree.format)) << ", ";
      PrintDirectoriesJson(directories, out);
      out << "}";
      continue;
    }
    if (several) out << "== " << PrintableText(file) << '\n';
    for (const ListedDirectory &directory : directories) {
      for (const ListedEntry &entry : directory.entries) PrintEntryLine(directory, entry, out);
    }
  }
  if (options.json) out << "\n]}\n";
  return session.Status();
}

int CommandGet(const Options &options, Session &session) {
  const std::string &file = options.args[0];
  const std::optional<TagRef> tag = ResolveTag(file, options.args[1], session);
  if (!tag) return session.Status();
  LoadedDocument document(file);
  if (!Opened(document, file, session)) return session.Status();
  TagValue value{0, 0, nullptr};
  if (kExifGetTag(document.get(), tag->number, &value, options.directory.value_or(0)) != 0) {
    session.Fail(file, "no tag " + PrintableText(options.args[1]));
    return session.Status();
  }
  std::unique_ptr<void, void (*)(void *)> block(value.data, std::free);
  // The block holds count x element size bytes.
  const size_t length = value.count > 0 ? static_cast<size_t>(value.count) * ElementSize(value.type) : 0;
  session.out << FormatValue(value.type, value.count, static_cast<const uint8_t *>(value.data), length,
                             Length::kFull)
              << '\n';
  return session.Status();
}

int CommandSegments(const Options &options, Session &session) {
  for (const std::string &file : options.args) {
    std::vector<std::string> lines;
    g_diagnosticLines = &lines;
    SetDiagnosticHook(CollectDiagnosticLine);
    LoadedDocument document(file);
    SetDiagnosticHook(nullptr);
    g_diagnosticLines = nullptr;
    const bool jpeg = document.get() != nullptr && kExifGetFileFormat(document.get()) == kFormatJpeg;
    if (options.args.size() > 1) session.out << "== " << PrintableText(file) << '\n';
    for (std::string &line : lines) {
      if (jpeg && !options.all && IsDirectoryLine(line)) continue;
      while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
      session.out << PrintableText(line) << '\n';
    }
    if (document.get() == nullptr) session.Fail(file, OpenFailure(file));
  }
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

}  // namespace kexif::cli
