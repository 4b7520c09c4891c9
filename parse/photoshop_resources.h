// The walk of Photoshop image resource blocks that a 34377 entry points at.
// It only composes one diagnostic line per block ("8BIM %d [%04X] size=%d\n",
// with " name=[%s]" before the newline when the block has a name).
#ifndef KEXIF_PARSE_PHOTOSHOP_RESOURCES_H
#define KEXIF_PARSE_PHOTOSHOP_RESOURCES_H

#include "stream/byte_stream.h"

namespace kexif {

// window: a stream whose AtEnd marks the end of the block list. Slides one
// byte at a time to the next "8BIM" signature. Stops at the window's end, at
// any read cut short, and at a data size that would not move the walk
// forward (2^31 or more). Always 1.
int ParsePhotoshopResources(ByteStream &window);

}  // namespace kexif

#endif
