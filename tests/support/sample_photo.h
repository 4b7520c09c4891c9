// A camera-like photo made by the test builders: IFD0 with the usual
// entries, Exif, GPS and Interoperability sub-directories, and IFD1 with a
// JPEG thumbnail.
#ifndef KEXIF_TESTS_SUPPORT_SAMPLE_PHOTO_H
#define KEXIF_TESTS_SUPPORT_SAMPLE_PHOTO_H

#include "tests/support/tiff_builder.h"

namespace kexif::test {

// The TIFF structure of the sample, in the given byte order.
Bytes SampleTiffStructure(bool bigEndian, size_t thumbnailSize = 2000);
// The sample as a JPEG file.
Bytes SamplePhotoJpeg(bool bigEndian = false, size_t scanBytes = 4096);

}  // namespace kexif::test

#endif
