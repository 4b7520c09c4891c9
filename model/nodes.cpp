#include "model/nodes.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "model/node_pool.h"
#include "stream/byte_stream.h"
#include "stream/checked_read.h"

namespace kexif {

MetaNode::~MetaNode() {
  std::free(label);
  delete firstChild;
  MetaNode *sibling = next;
  next = nullptr;
  while (sibling != nullptr) {
    MetaNode *after = sibling->next;
    sibling->next = nullptr;
    delete sibling;
    sibling = after;
  }
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
