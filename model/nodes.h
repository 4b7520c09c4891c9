// The four node classes of the document tree. A node owns its first child
// and its next sibling: destroying a node destroys its subtree and every
// sibling after it. Links are raw pointers because editors address the link
// fields themselves (a cursor slot is the address of a link field).
#ifndef KEXIF_MODEL_NODES_H
#define KEXIF_MODEL_NODES_H

#include <cstddef>
#include <cstdint>
#include <new>

#include "model/exif_constants.h"

namespace kexif {

class ByteStream;

// Which of the classes below a node is, so that a look at a node's class
// costs a compare rather than a runtime type check. The shape names the
// node's own class exactly (no other class derives from these), which the
// teardown relies on to end nodes without a virtual call.
enum class NodeShape : uint8_t { kPlain, kBlob, kTag, kSegment };

class MetaNode {
 public:
  MetaNode() = default;
  MetaNode(const MetaNode &) = delete;
  MetaNode &operator=(const MetaNode &) = delete;
  // Releases the label, then the first child's subtree, then the siblings
  // after this node (without recursion, so long chains and deep trees cannot
  // exhaust the stack).
  virtual ~MetaNode();

  // Nodes live in memory recycled per thread (model/node_pool.h).
  static void *operator new(std::size_t size);
  static void *operator new(std::size_t size, const std::nothrow_t &) noexcept;
  static void operator delete(void *block, std::size_t size) noexcept;

  NodeShape Shape() const { return shape_; }

  int32_t hasChildren = 0;
  int32_t kind = kKindDefault;
  int32_t id = 0;
  char *label = nullptr;  // malloc block, owned
  int32_t value = 0;
  MetaNode *next = nullptr;        // owned
  MetaNode *firstChild = nullptr;  // owned
  MetaNode *parent = nullptr;      // not owned

 protected:
  explicit MetaNode(NodeShape shape) : shape_(shape) {}

 private:
  NodeShape shape_ = NodeShape::kPlain;
};

class BlobNode : public MetaNode {
 public:
  BlobNode() : MetaNode(NodeShape::kBlob) {}
  ~BlobNode() override;

  // length < 1: returns 0 and changes nothing. Otherwise copies length bytes
  // into a new buffer (the previous buffer is not released; callers use it
  // on nodes without data). 0 when the allocation fails.
  int SetData(const void *source, int32_t length);
  // Only when data is set: releases it, then SetData. 0 and no change when
  // data is null.
  int ReplaceData(const void *source, int32_t length);
  // Releases data (if any) and clears dataLength.
  void ClearData();
  uint8_t *GetData() const { return data; }
  int32_t GetDataLength() const { return dataLength; }

  int32_t payloadState = kPayloadNone;
  uint8_t *data = nullptr;  // new[] block, owned
  int32_t fileOffset = 0;
  int32_t dataLength = 0;

 protected:
  explicit BlobNode(NodeShape shape) : MetaNode(shape) {}
};

// Where an entry's out-of-line value sat in the TIFF structure it was read
// from: its offset from the TIFF header, its byte count, how many bytes
// after it belonged to nothing else of the structure (a maker note may
// reference them), and the structure's byte order. Kept for maker notes, so
// that a save can leave them where their internal offsets expect them; a
// value the host sets has none (known is false).
struct SourceSpan {
  bool known = false;
  uint32_t offset = 0;
  uint32_t length = 0;
  uint32_t tail = 0;
  int32_t byteOrder = kLittleEndian;
};

class TagNode final : public BlobNode {
 public:
  TagNode() : BlobNode(NodeShape::kTag) { kind = kKindTiffItem; }
  int32_t type = 0;
  int32_t count = 0;
  SourceSpan source;
};

class SegmentNode final : public BlobNode {
 public:
  SegmentNode(int32_t marker, int32_t length, int32_t offset);

  // State 0: 1 with nothing. State 1: reads dataLength bytes at fileOffset
  // from stream (0 when there is no stream, dataLength < 1, the allocation
  // fails or fewer bytes arrive; the state stays 1). State 2: 1.
  int LoadPayload(ByteStream *stream);
  // Takes ownership of a new[] buffer as the payload; state 2.
  void ReplacePayload(uint8_t *buffer, int32_t length);
  // Releases the payload; state 1 so that the next load reads again.
  void DropPayload();

  // Set on segments that carry chunks of a sound file added by the editor
  // rather than bytes of the loaded file.
  bool addedAudio = false;
  // Set on the runs of bytes outside any segment that the scanner records
  // (entropy-coded data, stray bytes): they are written back without a
  // marker. A segment of the reserved marker 0xA1 read from a file shares
  // their id but keeps its marker and length.
  bool rawRun = false;
};

// The node as a TagNode, or null for structural and segment nodes.
TagNode *AsTagNode(MetaNode *node);
const TagNode *AsTagNode(const MetaNode *node);
// The node as a SegmentNode, or null.
SegmentNode *AsSegmentNode(MetaNode *node);
const SegmentNode *AsSegmentNode(const MetaNode *node);

}  // namespace kexif

#endif
