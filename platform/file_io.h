// The file calls whose names differ between POSIX and the Windows runtime:
// 64-bit seek and tell, the size and kind of an open file, and flushing
// written bytes to the disk; reads and writes that survive interruptions,
// through the runtime's files or (reading at an offset) through descriptors.
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

// True, with *size set, when descriptor is open on a regular file. False for
// a folder, a device or a failed query; *size is then unchanged.
bool RegularDescriptorSize(int descriptor, int64_t *size);

// Closes a descriptor opened for reading.
void CloseDescriptor(int descriptor);

// Asks the system to put the bytes already handed to it (after fflush) on
// the disk. False when it reports a failure.
bool SyncFile(std::FILE *file);

// fflush and fclose; false on failure. A failed close still releases the
// file.
bool FlushFile(std::FILE *file);
bool CloseFile(std::FILE *file);

// fread and fwrite that go on after a system call interrupted by a signal;
// the count of bytes moved, short only at the end of the file or on a
// real error; a read sets *failed (when given) on an error, so that a short
// count is not taken for the end of the file.
size_t ReadRetrying(std::FILE *file, void *buffer, size_t count, bool *failed = nullptr);
size_t WriteRetrying(std::FILE *file, const void *buffer, size_t count);

// Reads count bytes from offset of an open descriptor, going on after
// interruptions as ReadRetrying does; the count of bytes read.
size_t ReadAtRetrying(int descriptor, int64_t offset, void *buffer, size_t count, bool *failed = nullptr);

}  // namespace kexif

#endif
