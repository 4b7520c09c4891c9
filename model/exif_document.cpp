#include "model/exif_document.h"

#include "model/tree_search.h"

namespace kexif {

PendingScan::~PendingScan() = default;

ExifDocument::ExifDocument() : childSlot(&root), siblingSlot(&root) {}

ExifDocument::~ExifDocument() { delete root; }

void ExifDocument::AppendChild(MetaNode *node) {
  *childSlot = node;
  node->parent = current;
  childSlot = &node->firstChild;
  siblingSlot = &node->next;
  if (current != nullptr && current->hasChildren == 0) current->hasChildren = 1;
  current = node;
}

void ExifDocument::AppendSibling(MetaNode *node) {
  *siblingSlot = node;
  node->parent = current != nullptr ? current->parent : nullptr;
  childSlot = &node->firstChild;
  siblingSlot = &node->next;
  current = node;
}

void ExifDocument::SetCursor(MetaNode *node) {
  current = node;
  siblingSlot = &node->next;
  childSlot = &node->firstChild;
}

void ExifDocument::CursorUp() {
  current = current != nullptr ? current->parent : nullptr;
  if (current == nullptr) {
    childSlot = &root;
    siblingSlot = &root;
  } else {
    childSlot = &current->firstChild;
    siblingSlot = &current->next;
  }
}

MetaNode *ExifDocument::FindSegment(int32_t marker) {
  CompleteScan();
  return FindById(root, marker);
}

bool ExifDocument::CompleteScan() {
  if (!pendingScan) return true;
  if (!pendingScan->Complete(*this)) return false;
  pendingScan.reset();
  return true;
}

MetaNode *ExifDocument::DirectorySearchStart() {
  // A JPEG may carry several Exif segments, each parsed into its own
  // directories. Edits, queries and the save must all mean the same ones:
  // those of the Exif segment the save rebuilds, when it holds a TIFF
  // structure. Otherwise the first directories of the tree are taken.
  if (exifSegment != nullptr && exifSegment->firstChild != nullptr && exifSegment->firstChild->id == kIdHeader) {
    return exifSegment->firstChild;
  }
  return root;
}

MetaNode *ExifDocument::FindDirectory(int32_t number) {
  MetaNode *d = FindStructuralById(DirectorySearchStart(), kIdDirectory);
  while (d != nullptr && d->value != number) d = FindStructuralById(d->next, kIdDirectory);
  return d;
}

int32_t ExifDocument::CountDirectories() {
  MetaNode *d = FindStructuralById(DirectorySearchStart(), kIdDirectory);
  int32_t n = 0;
  for (; d != nullptr; d = d->next) {
    if (d->id == kIdDirectory) ++n;
  }
  return n;
}

void ExifDocument::ForgetSubtree(MetaNode *node) {
  if (SubtreeContains(node, exifSegment)) exifSegment = nullptr;
  if (SubtreeContains(node, exifPointerTag)) exifPointerTag = nullptr;
  if (SubtreeContains(node, thumbnailOffsetTag)) {
    thumbnailOffsetTag = nullptr;
    thumbnailLoaded = 0;
  }
  if (SubtreeContains(node, audioSegment)) {
    audioSegment = nullptr;
    audioExists = 0;
  }
  // The cursor must not be left on a node about to be destroyed.
  if (SubtreeContains(node, current)) {
    current = nullptr;
    childSlot = &root;
    siblingSlot = &root;
  }
}

bool ExifDocument::RemoveNode(MetaNode *node) {
  if (node == nullptr) return false;
  MetaNode **link = node->parent != nullptr ? &node->parent->firstChild : &root;
  while (*link != nullptr && *link != node) link = &(*link)->next;
  if (*link != node) return false;
  *link = node->next;
  node->next = nullptr;
  ForgetSubtree(node);
  delete node;
  return true;
}

}  // namespace kexif

