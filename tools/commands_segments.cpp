// The segments command: the JPEG segment structure of a file in plain
// names, or as the library's scanner describes it (--raw).
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "api/document_handle.h"
#include "model/exif_constants.h"
#include "parse/diagnostics.h"
#include "tools/commands.h"
#include "tools/segment_names.h"
#include "tools/value_text.h"

namespace kexif::cli {
namespace {

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

// One line per top-level segment: offset of its marker, marker, identifier
// or purpose, payload length.
void PrintSegments(const ExifDocument &document, const std::string &file, std::ostream &out) {
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> source(std::fopen(InputPath(file).c_str(), "rb"), std::fclose);
  constexpr int32_t kMarkerAndLength = 4;
  int64_t end = 0;  // where the previous node's bytes ended
  for (const MetaNode *node = document.root; node != nullptr; node = node->next) {
    const auto *segment = dynamic_cast<const SegmentNode *>(node);
    if (segment == nullptr) continue;
    const int32_t marker = segment->rawRun ? kIdRawRun : segment->id;
    const bool bare = marker == kMarkerSoi || marker == kMarkerEoi;
    // SOI and EOI carry no offset of their own: they follow what came before.
    const int64_t offset = segment->rawRun ? segment->fileOffset : bare ? end : segment->fileOffset - kMarkerAndLength;
    end = bare ? offset + 2 : segment->fileOffset + (segment->dataLength > 0 ? segment->dataLength : 0);
    std::string name = MarkerName(marker);
    const std::string words = marker >= kMarkerApp0 && marker <= kMarkerApp15 ? SegmentIdentifier(source.get(), *segment)
                                                                              : MarkerPurpose(marker);
    if (!words.empty()) name += " " + words;
    char head[32];
    std::snprintf(head, sizeof head, "%10lld  ", static_cast<long long>(offset));
    out << head << PrintableText(name);
    if (segment->dataLength > 0) {
      out << std::string(name.size() < 32 ? 32 - name.size() : 1, ' ') << segment->dataLength << " bytes";
    }
    out << '\n';
  }
}

}  // namespace

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
    if (jpeg && !options.raw) {
      PrintSegments(*ToDocument(document.get()), file, session.out);
      continue;
    }
    for (std::string &line : lines) {
      if (jpeg && !options.all && IsDirectoryLine(line)) continue;
      while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
      session.out << PrintableText(line) << '\n';
    }
    if (document.get() == nullptr) session.Fail(file, OpenFailure(file));
  }
  return session.Status();
}

}  // namespace kexif::cli
