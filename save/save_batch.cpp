#include "save/save_batch.h"

#include <algorithm>
#include <atomic>
#include <set>
#include <string>
#include <system_error>

#include "platform/replacement_file.h"
#include "stream/byte_stream.h"

#ifndef _WIN32
#include <thread>
#endif

namespace kexif {

namespace {

// Calls work(i) once for each i below count, on up to threads threads.
template <class Work>
void ForEachIndex(size_t count, size_t threads, const Work &work) {
#ifdef _WIN32
  // The 32-bit Windows runtime has no threads of the standard library;
  // there each save waits in turn.
  (void)threads;
  for (size_t i = 0; i < count; ++i) work(i);
#else
  std::atomic<size_t> next{0};
  auto run = [&] {
    for (size_t i = next++; i < count; i = next++) work(i);
  };
  std::vector<std::thread> helpers;
  const size_t wanted = std::min(threads, count);
  for (size_t t = 1; t < wanted; ++t) {
    try {
      helpers.emplace_back(run);
    } catch (const std::system_error &) {
      break;  // fewer helpers; the calling thread does the rest
    }
  }
  run();
  for (std::thread &helper : helpers) helper.join();
#endif
}

}  // namespace

SaveBatch::SaveBatch(size_t syncThreads) : syncThreads_(std::max<size_t>(syncThreads, 1)) {}

SaveBatch::~SaveBatch() = default;

SaveResult SaveBatch::Add(ExifDocument &document, const char *fileName) {
  auto replacement = std::make_unique<ReplacementFile>();
  const SaveResult written = WriteReplacement(document, fileName, *replacement);
  if (written != SaveResult::kSaved) return written;
  if (!replacement->SetAttributes()) return SaveResult::kReplaceFailed;
  replacement->StartWriteback();
  const int64_t size = document.stream != nullptr ? document.stream->Size() : 0;
  waitingBytes_ += size > 0 ? static_cast<uint64_t>(size) : 0;
  // The source is read no more; releasing it also lets Windows replace it.
  ReleaseStream(document.stream);
  document.stream = nullptr;
  entries_.push_back(std::move(replacement));
  return SaveResult::kSaved;
}

std::vector<SaveResult> SaveBatch::Commit() {
  std::vector<SaveResult> results(entries_.size(), SaveResult::kReplaceFailed);
  // Each thread writes only its own entries' results.
  ForEachIndex(entries_.size(), syncThreads_, [&](size_t i) {
    if (entries_[i]->MakeDurable() && entries_[i]->Rename(false)) results[i] = SaveResult::kSaved;
  });
  std::set<std::string> folders;
  for (size_t i = 0; i < entries_.size(); ++i) {
    // The targets are replaced whether or not the folder's sync succeeds.
    if (results[i] == SaveResult::kSaved && folders.insert(entries_[i]->folder()).second) {
      (void)entries_[i]->SyncFolder();
    }
  }
  entries_.clear();  // removes the temporary files of the failed saves
  waitingBytes_ = 0;
  return results;
}

}  // namespace kexif
