// The differential check of the lazy JPEG load: a file loaded with its whole
// scan done at load, and loaded with everything after the first SOS header
// left for later, must answer, edit and save alike.
#ifndef KEXIF_FUZZ_LAZY_SCAN_CHECK_H
#define KEXIF_FUZZ_LAZY_SCAN_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/seeds.h"

namespace kexif::fuzz {

// What plan bits choose: the order of the operations run on both documents,
// so that the lazy one completes its scan at different points.
inline constexpr uint8_t kPlanSoundFirst = 1;      // the sound-clip functions before the edits
inline constexpr uint8_t kPlanRemoveMarker = 2;    // remove a marker (before the edits)
inline constexpr uint8_t kPlanTreesBeforeSave = 4; // compare the trees before the save, not after
inline constexpr uint8_t kPlanThumbnail = 8;       // replace the thumbnail among the edits
// The high nibble picks the marker removed: APP0 + nibble.

// Loads the file at path both ways, runs the queries and edits plan picks
// on both, saves both, and returns the name of the first step whose answers,
// tree or saved bytes differ; empty when none does.
std::string CompareLazyScan(const std::string &path, uint8_t plan);

// JPEG layouts whose lazy load must complete its scan to answer: segments
// between and after the scans, bytes after EOI, sound-clip segments and an
// embedded preview after the image data, a marker found only there.
std::vector<Seed> LazyScanCases();

}  // namespace kexif::fuzz

#endif
