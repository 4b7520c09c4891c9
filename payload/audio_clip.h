// The sound clip of a JPEG document, stored as a RIFF WAVE file in APP2
// "FPXR" stream segments: presence, extraction, removal and replacement.
// Segments added by SetAudioFile (addedAudio) hold chunks of the sound file,
// not of the image file; these operations never read them from the image
// file and answer for them from the sound file instead.
#ifndef KEXIF_PAYLOAD_AUDIO_CLIP_H
#define KEXIF_PAYLOAD_AUDIO_CLIP_H

#include "model/exif_document.h"

namespace kexif {

// 1 when the document has a clip: a sound file set and not removed, or a
// clip start among the file's own APP2 segments (the answer is remembered
// once a full search has been made).
int IsAudioExist(ExifDocument &document);

// Writes the clip to the file name (8-bit, then 16-bit): the set sound file
// when there is one, else the WAVE bytes of the file's first clip (a second
// clip start met while the first clip is still being written is skipped).
// The file is made only when the file's segments cover the whole clip.
// 1 when a file was written; 0 when there is no clip, its later parts are
// missing, a file cannot be opened or a write fails, or name is the
// document's own file or the set sound file (nothing is written then).
int GetAudioFile(ExifDocument &document, const void *name);

// Takes the clip out of the document: the segments a set sound file added
// (and the set name), and the file's clip segments from the first clip
// start until the clip's length is covered.
void RemoveAudio(ExifDocument &document);

// Replaces the clip with the contents of the sound file name (8-bit, then
// 16-bit), cut into chunks of 63900 bytes placed after the run of APP1
// segments (else the first APP0, else SOI). The name's bytes are copied
// (both readings) and opened again by the save. 0, with the document unchanged, when the file
// cannot be opened, is empty or larger than 2 GiB, the document is not a
// JPEG, or a node cannot be allocated.
int SetAudioFile(ExifDocument &document, const void *name);

}  // namespace kexif

#endif
