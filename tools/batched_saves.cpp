#include "tools/batched_saves.h"

#include "api/document_handle.h"
#include "tools/commands.h"

namespace kexif::cli {

bool BatchedSaves::Add(KExifHandle handle, const std::string &file, const std::string &target, Session &session) {
  ExifDocument *document = ToDocument(handle);
  if (document == nullptr || batch_.Add(*document, target.c_str()) != SaveResult::kSaved) {
    ReportSaveFailure(file, target, session);
    return false;
  }
  waiting_.push_back(Waiting{file, target, &session});
  return true;
}

void BatchedSaves::Commit() {
  const std::vector<SaveResult> results = batch_.Commit();
  for (size_t i = 0; i < results.size() && i < waiting_.size(); ++i) {
    if (results[i] != SaveResult::kSaved) ReportSaveFailure(waiting_[i].file, waiting_[i].target, *waiting_[i].session);
  }
  waiting_.clear();
}

}  // namespace kexif::cli
