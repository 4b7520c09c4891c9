#include "parse/deferred_scan.h"

#include <cstdint>

#include "parse/jpeg_scanner.h"
#include "parse/tree_builder.h"
#include "stream/byte_stream.h"
#include "stream/checked_read.h"

namespace kexif {
namespace {

// Undoes a completion that did not finish: cuts the chain after the last
// node the head had and puts the cursor back.
class AppendUndo {
 public:
  explicit AppendUndo(ExifDocument &document)
      : document_(document), last_(LastTopLevel(document)), current_(document.current),
        childSlot_(document.childSlot), siblingSlot_(document.siblingSlot) {}
  ~AppendUndo() {
    if (kept_) return;
    MetaNode **tail = last_ != nullptr ? &last_->next : &document_.root;
    MetaNode *added = *tail;
    *tail = nullptr;
    delete added;  // only nodes of the rest: nothing outside points into them
    document_.current = current_;
    document_.childSlot = childSlot_;
    document_.siblingSlot = siblingSlot_;
  }
  AppendUndo(const AppendUndo &) = delete;
  AppendUndo &operator=(const AppendUndo &) = delete;

  MetaNode *last() const { return last_; }
  // The rest stays. The cursor stays on its last node, as a whole load
  // leaves it, unless an edit moved the cursor since the load (from
  // headCursor, where the head's scan left it): then it goes back there.
  void Keep(const MetaNode *headCursor) {
    kept_ = true;
    if (current_ == headCursor) return;
    document_.current = current_;
    document_.childSlot = childSlot_;
    document_.siblingSlot = siblingSlot_;
  }

 private:
  static MetaNode *LastTopLevel(ExifDocument &document) {
    MetaNode *last = document.root;
    while (last != nullptr && last->next != nullptr) last = last->next;
    return last;
  }

  ExifDocument &document_;
  MetaNode *last_;
  MetaNode *current_;
  MetaNode **childSlot_;
  MetaNode **siblingSlot_;
  bool kept_ = false;
};

class JpegRest final : public PendingScan {
 public:
  JpegRest(const MetaNode *headCursor, int64_t resumeAt, int64_t sosMarkerAt, int64_t fileSize)
      : headCursor_(headCursor), resumeAt_(resumeAt), sosMarkerAt_(sosMarkerAt), fileSize_(fileSize) {}

  bool Complete(ExifDocument &document) override {
    if (document.stream == nullptr || !SosMarkerStillThere(*document.stream)) return false;
    AppendUndo undo(document);
    // The rest follows the last node of the chain, whatever edits did to
    // the head meanwhile.
    if (undo.last() != nullptr) {
      document.SetCursor(undo.last());
    } else {
      document.current = nullptr;
      document.childSlot = document.siblingSlot = &document.root;
    }
    TreeBuilder builder(&document);
    int64_t reached = 0;
    if (ScanJpegRest(*document.stream, builder, resumeAt_, fileSize_, &reached) == 0) return false;
    if (reached < fileSize_) return false;  // the file is shorter than it was
    undo.Keep(headCursor_);
    return true;
  }

 private:
  bool SosMarkerStillThere(ByteStream &stream) const {
    if (sosMarkerAt_ < 0 || sosMarkerAt_ > INT32_MAX) return false;
    if (stream.Seek(kSeekFromStart, static_cast<int32_t>(sosMarkerAt_)) != 0) return false;
    uint8_t marker[2] = {0, 0};
    return ReadExact(stream, marker, sizeof marker) && marker[0] == 0xFF && marker[1] == kMarkerSos;
  }

  const MetaNode *headCursor_;  // compared, never followed
  int64_t resumeAt_;
  int64_t sosMarkerAt_;
  int64_t fileSize_;
};

}  // namespace

std::unique_ptr<PendingScan> DeferJpegRest(const SegmentNode *sos, int64_t resumeAt, int64_t fileSize) {
  constexpr int32_t kMarkerAndLength = 4;  // the SOS node's offset is that of its payload
  return std::make_unique<JpegRest>(sos, resumeAt, int64_t{sos->fileOffset} - kMarkerAndLength, fileSize);
}

}  // namespace kexif
