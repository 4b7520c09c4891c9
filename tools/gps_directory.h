// The GPS directory of a loaded document: finding its entries, adding
// entries to it and removing it with its pointer.
#ifndef KEXIF_TOOLS_GPS_DIRECTORY_H
#define KEXIF_TOOLS_GPS_DIRECTORY_H

#include <cstdint>
#include <string>

#include "kexif.h"

namespace kexif::cli {

// Sets a GPS entry with the library's GPS writer: replaces the value of an
// existing entry, else adds the entry to the GPS directory, which is made
// when missing. False with a reason when the library refuses.
bool SetGpsTag(KExifHandle handle, uint32_t tag, const TagValue &value, std::string &reason);

// Removes the GPS pointer entry with the directory under it; false when
// there is none.
bool RemoveGpsDirectory(KExifHandle handle);

}  // namespace kexif::cli

#endif
