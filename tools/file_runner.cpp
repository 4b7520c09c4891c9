// Runs a command's work over many files on several threads. Each file gets
// a session of its own over string streams; the calling thread writes them
// to the real streams in argument order as soon as every earlier file is
// done, so the output of a run is the same whatever the number of threads.
// Distinct document handles may be used from different threads at once.
// Each thread gathers the saves of its files in a batch; a file whose save
// waits there is done when the batch is committed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <sstream>
#include <thread>

#include "tools/batched_saves.h"
#include "tools/commands.h"

namespace kexif::cli {
namespace {

// Runs over more files than this show the progress line on a terminal.
constexpr size_t kProgressThreshold = 300;
constexpr auto kProgressInterval = std::chrono::milliseconds(250);

struct FileResult {
  std::ostringstream out;
  std::ostringstream err;
  Session session{out, err};
  bool failed = false;
  bool done = false;
};

class ProgressLine {
 public:
  ProgressLine(std::ostream &err, size_t total, bool shown) : err_(err), total_(total), shown_(shown) {}

  // Redraws the line when the interval has passed since the last drawing.
  void Update(size_t done) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (visible_ && now - drawn_ < kProgressInterval) return;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    char line[96];
    std::snprintf(line, sizeof line, "\r%zu/%zu files, %.0f files/s ", done, total_,
                  seconds > 0 ? static_cast<double>(done) / seconds : 0.0);
    err_ << line << std::flush;
    drawn_ = now;
    visible_ = true;
  }
  // Clears the line before other output is written.
  void Clear() {
    if (!visible_) return;
    err_ << "\r" << std::string(60, ' ') << "\r" << std::flush;
    visible_ = false;
  }

 private:
  std::ostream &err_;
  size_t total_;
  bool shown_;
  bool visible_ = false;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point drawn_;
};

void RunOne(const FileWork &work, size_t index, const std::string &file, Session &session) {
  try {
    work(index, file, session);
  } catch (const std::bad_alloc &) {
    session.Fail(file, "out of memory");
  }
}

}  // namespace

void ForEachFile(const std::vector<std::string> &files, const Options &options, Session &session,
                 const FileWork &work) {
  const size_t total = files.size();
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  const size_t jobs = std::min(options.jobs > 0 ? static_cast<size_t>(options.jobs) : cores, total);
  const bool progress = options.progress && total > kProgressThreshold;
  std::vector<std::unique_ptr<FileResult>> results(total);
  for (auto &result : results) result = std::make_unique<FileResult>();
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<size_t> next{0};
  size_t doneCount = 0;
  auto finish = [&](const std::vector<size_t> &indices) {
    std::lock_guard<std::mutex> lock(mutex);
    for (const size_t i : indices) {
      results[i]->failed = results[i]->session.Status() != 0;
      results[i]->done = true;
      ++doneCount;
    }
    finished.notify_all();
  };
  auto worker = [&] {
    BatchedSaves saves;
    std::vector<size_t> waiting;  // files whose saves wait in the batch
    auto commit = [&] {
      saves.Commit();
      finish(waiting);
      waiting.clear();
    };
    for (size_t i = next++; i < total; i = next++) {
      Session &fileSession = results[i]->session;
      fileSession.saves = &saves;
      const size_t before = saves.waiting();
      RunOne(work, i, files[i], fileSession);
      if (saves.waiting() > before) {
        waiting.push_back(i);
        if (saves.Full()) commit();
      } else {
        finish({i});
      }
    }
    commit();
  };
  std::vector<std::thread> threads;
  for (size_t t = 0; t < std::max<size_t>(jobs, 1); ++t) threads.emplace_back(worker);
  ProgressLine line(session.err, total, progress);
  for (size_t i = 0; i < total; ++i) {
    std::unique_ptr<FileResult> result;
    {
      std::unique_lock<std::mutex> lock(mutex);
      while (!results[i]->done) {
        finished.wait_for(lock, kProgressInterval);
        line.Update(doneCount);
      }
      result = std::move(results[i]);
    }
    const std::string out = result->out.str();
    const std::string err = result->err.str();
    if (!out.empty() || !err.empty()) line.Clear();
    session.out << out;
    session.err << err;
    if (result->failed) session.MarkFailed();
  }
  for (std::thread &thread : threads) thread.join();
  line.Clear();
}

}  // namespace kexif::cli
