// The file calls whose names differ between POSIX and the Windows runtime:
// 64-bit seek and tell, the size and kind of an open file, and flushing
// written bytes to the disk.
#ifndef KEXIF_PLATFORM_FILE_IO_H
#define KEXIF_PLATFORM_FILE_IO_H

#include <cstdint>
#include <cstdio>

namespace kexif {

// Moves the file position as fseek does (origin SEEK_SET/SEEK_CUR/SEEK_END)
// with a 64-bit offset. Returns 0 on success, nonzero on failure.
int SeekFile64(std::FILE *file, int64_t offset, int origin);

// The 64-bit file position, or -1 on failure.
int64_t TellFile64(std::FILE *file);

// True, with *size set, when file is open on a regular file. False for a
// folder, a device or a failed query; *size is then unchanged.
bool RegularFileSize(std::FILE *file, int64_t *size);

// True when name names the very file that file is open on.
bool IsSameFile(std::FILE *file, const char *name);

// Asks the system to put the bytes already handed to it (after fflush) on
// the disk. False when it reports a failure.
bool SyncFile(std::FILE *file);

}  // namespace kexif

#endif
