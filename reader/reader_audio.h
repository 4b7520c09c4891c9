// The sound clip (a RIFF WAVE file) that a JPEG may carry in APP2 "FPXR"
// stream-data segments, found and written out from the segments that the
// JPEG scan recorded.
#ifndef KEXIF_READER_READER_AUDIO_H
#define KEXIF_READER_READER_AUDIO_H

#include <cstdint>

#include "parse/fpxr_layout.h"
#include "reader/reader_context.h"

namespace kexif {

// Smallest payload that can start a clip: the 13-byte FPXR stream header,
// the 28-byte audio preamble, "RIFF" and the 4-byte RIFF size. The clip
// start test itself is IsClipStart of the FPXR layout.
inline constexpr int32_t kClipStartMinPayload = kMinClipStartSize;
// Smallest payload that can continue a clip (its stream header).
inline constexpr int32_t kFpxrStreamHeaderSize = kFpxrHeaderSize;

// 1 when a recorded FPXR segment starts a clip (now or by an earlier call);
// reads only the first bytes of each payload.
int32_t ReaderAudioExists(ReaderContext &context);

// Writes the clip to the named file (8-bit name, then 16-bit): the first
// segment's bytes from offset 41, then bytes from offset 13 of every later
// segment with the same stream index, until the RIFF length is covered.
// A second clip start met before the clip is complete is passed over. The
// file is created only when the segments found cover the whole clip.
// Returns false when there is no clip, its later parts are missing, the
// file cannot be created, a write fails, or name is the context's own file
// (no file is made and the named file is left as it was).
bool WriteReaderAudio(ReaderContext &context, const void *name);

}  // namespace kexif

#endif
