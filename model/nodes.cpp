#include "model/nodes.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "model/node_pool.h"
#include "stream/byte_stream.h"
#include "stream/checked_read.h"

namespace kexif {

namespace {

// Ends a node whose links were cleared. Its class is known from its shape,
// so the destructor is called by name rather than through the virtual
// table, and the memory goes back with that class's size.
void DestroyDetached(MetaNode *node, NodeReleaseBatch &batch) noexcept {
  switch (node->Shape()) {
    case NodeShape::kTag: {
      auto *tag = static_cast<TagNode *>(node);
      tag->TagNode::~TagNode();
      batch.Add(tag, sizeof(TagNode));
      return;
    }
    case NodeShape::kSegment: {
      auto *segment = static_cast<SegmentNode *>(node);
      segment->SegmentNode::~SegmentNode();
      batch.Add(segment, sizeof(SegmentNode));
      return;
    }
    case NodeShape::kBlob: {
      auto *blob = static_cast<BlobNode *>(node);
      blob->BlobNode::~BlobNode();
      batch.Add(blob, sizeof(BlobNode));
      return;
    }
    case NodeShape::kPlain:
      node->MetaNode::~MetaNode();
      batch.Add(node, sizeof(MetaNode));
      return;
  }
}

// Destroys a chain of siblings and every subtree below them. Each node's
// children are put in front of the siblings still to go, so the walk needs
// neither recursion nor a stack however deep or long the tree is.
void DestroyChain(MetaNode *node, NodeReleaseBatch &batch) noexcept {
  while (node != nullptr) {
    MetaNode *after = node->next;
    if (MetaNode *child = node->firstChild) {
      MetaNode *last = child;
      while (last->next != nullptr) last = last->next;
      last->next = after;
      after = child;
    }
    node->firstChild = nullptr;
    node->next = nullptr;
    DestroyDetached(node, batch);
    node = after;
  }
}

// Out of line, so that the destructor stays small enough to be inlined
// into the teardown, which calls it for every node with its links cleared.
[[gnu::noinline]] void DestroyLinked(MetaNode *children, MetaNode *siblings) noexcept {
  NodeReleaseBatch batch;
  DestroyChain(children, batch);
  DestroyChain(siblings, batch);
}

}  // namespace

MetaNode::~MetaNode() {
  std::free(label);
  if (firstChild != nullptr || next != nullptr) DestroyLinked(firstChild, next);
}

void *MetaNode::operator new(std::size_t size) { return AllocateNodeMemory(size); }

void *MetaNode::operator new(std::size_t size, const std::nothrow_t &) noexcept {
  return TryAllocateNodeMemory(size);
}

void MetaNode::operator delete(void *block, std::size_t size) noexcept { ReleaseNodeMemory(block, size); }

BlobNode::~BlobNode() { delete[] data; }

int BlobNode::SetData(const void *source, int32_t length) {
  if (length < 1) return 0;
  auto *buffer = new (std::nothrow) uint8_t[static_cast<size_t>(length)];
  if (buffer == nullptr) return 0;
  if (source != nullptr) {
    std::memcpy(buffer, source, static_cast<size_t>(length));
  } else {
    std::memset(buffer, 0, static_cast<size_t>(length));
  }
  data = buffer;
  dataLength = length;
  return 1;
}

int BlobNode::ReplaceData(const void *source, int32_t length) {
  if (data == nullptr) return 0;
  delete[] data;
  data = nullptr;
  dataLength = 0;
  return SetData(source, length);
}

void BlobNode::ClearData() {
  delete[] data;
  data = nullptr;
  dataLength = 0;
}

SegmentNode::SegmentNode(int32_t marker, int32_t length, int32_t offset) : BlobNode(NodeShape::kSegment) {
  kind = kKindSegment;
  id = marker;
  dataLength = length;
  fileOffset = offset;
  payloadState = (marker == kMarkerSoi || marker == kMarkerEoi) ? kPayloadNone : kPayloadOnDisk;
}

int SegmentNode::LoadPayload(ByteStream *stream) {
  if (payloadState == kPayloadNone) return 1;
  if (payloadState == kPayloadInMemory) return 1;
  if (dataLength < 1 || stream == nullptr) return 0;
  auto *buffer = new (std::nothrow) uint8_t[static_cast<size_t>(dataLength)];
  if (buffer == nullptr) return 0;
  if (stream->Seek(kSeekFromStart, fileOffset) < 0 || !ReadExact(*stream, buffer, dataLength)) {
    delete[] buffer;
    return 0;
  }
  delete[] data;
  data = buffer;
  payloadState = kPayloadInMemory;
  return 1;
}

void SegmentNode::ReplacePayload(uint8_t *buffer, int32_t length) {
  delete[] data;
  data = buffer;
  dataLength = length;
  payloadState = kPayloadInMemory;
}

void SegmentNode::DropPayload() {
  delete[] data;
  data = nullptr;
  if (payloadState != kPayloadNone) payloadState = kPayloadOnDisk;
}

TagNode *AsTagNode(MetaNode *node) {
  return node != nullptr && node->Shape() == NodeShape::kTag ? static_cast<TagNode *>(node) : nullptr;
}

const TagNode *AsTagNode(const MetaNode *node) {
  return node != nullptr && node->Shape() == NodeShape::kTag ? static_cast<const TagNode *>(node) : nullptr;
}

SegmentNode *AsSegmentNode(MetaNode *node) {
  return node != nullptr && node->Shape() == NodeShape::kSegment ? static_cast<SegmentNode *>(node) : nullptr;
}

const SegmentNode *AsSegmentNode(const MetaNode *node) {
  return node != nullptr && node->Shape() == NodeShape::kSegment ? static_cast<const SegmentNode *>(node) : nullptr;
}

}  // namespace kexif
