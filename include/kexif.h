/* kexif: read and edit the Exif metadata of JPEG and TIFF files.
 *
 * Two families of functions:
 *   kExif...   load a file into an editable document, query, edit, save.
 *   kRExif...  open a read-only context on a file and answer queries by
 *              reading only what each query needs.
 *
 * Results: 0 for success and -1 for failure unless a function says
 * otherwise. Handles are opaque; null is never a valid handle.
 *
 * File names that are opened for reading or writing by the library (except
 * the save target) may be 8-bit strings or 16-bit (UTF-16) strings passed
 * through the same pointer: the 8-bit reading is always tried first.
 *
 * Memory: blocks handed out by the editing family are allocated with
 * malloc() and released by the caller with free(). The read-only family
 * hands out pointers into the context's own copies (valid until the next
 * call of the same function or kRExifEndRead), except kRExifGetExifMarker,
 * whose block is allocated with C++ operator new[] (the form that
 * kExifInsertExifMarker takes over), and kRExifGetTIFExifData, whose record
 * is made of malloc() blocks that kExifSetTIFExifData releases.
 */
#ifndef KEXIF_H
#define KEXIF_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(KEXIF_BUILDING_LIBRARY)
#    define KEXIF_API __declspec(dllexport)
#  else
#    define KEXIF_API __declspec(dllimport)
#  endif
#  define KEXIF_CALL __cdecl
#else
#  define KEXIF_API __attribute__((visibility("default")))
#  define KEXIF_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One tag value: TIFF field type (1..12), element count (for ASCII the byte
 * count including the NUL as stored) and count x element size bytes in
 * native (little-endian) element order. */
typedef struct TagValue {
  int32_t type;
  int32_t count;
  void *data;
} TagValue;

/* A complete JPEG stream holding a thumbnail. */
typedef struct ThumbnailData {
  unsigned char *data;
  int32_t length;
} ThumbnailData;

/* A complete APP1 Exif payload: "Exif" 00 00 followed by a TIFF structure. */
typedef struct ExifMarkerData {
  unsigned char *data;
  int32_t length;
} ExifMarkerData;

/* One entry of a TIFF Exif sub-directory; data holds the value bytes in
 * native order (null when there are none). */
typedef struct TifExifEntry {
  uint32_t tag;
  uint32_t type;
  uint32_t count;
  void *data;
} TifExifEntry;

/* The entries of a TIFF Exif sub-directory. The record, the array, every
 * entry and every entry's data are separate malloc() blocks. */
typedef struct TifExifData {
  int32_t count;
  TifExifEntry **entries;
} TifExifData;

/* File formats reported by the GetFileFormat functions. */
#define KEXIF_FORMAT_JPEG 1
#define KEXIF_FORMAT_TIFF 2

typedef struct KExifDocument *KExifHandle;     /* editing family */
typedef struct KRExifContext *KRExifHandle;    /* read-only family */

/* ---- Editing family ---------------------------------------------------- */

KEXIF_API KExifHandle KEXIF_CALL kExifLoadFile(const void *name);
KEXIF_API int32_t KEXIF_CALL kExifGetFileFormat(KExifHandle h);
KEXIF_API int32_t KEXIF_CALL kExifIsExifExist(KExifHandle h);
KEXIF_API int32_t KEXIF_CALL kExifIsThumbnailExist(KExifHandle h);
KEXIF_API void KEXIF_CALL kExifDestroy(KExifHandle h);
KEXIF_API int32_t KEXIF_CALL kExifGetTag(KExifHandle h, uint32_t tag, TagValue *value, int32_t directory);
KEXIF_API int32_t KEXIF_CALL kExifSetTag(KExifHandle h, uint32_t tag, const TagValue *value, int32_t directory);
KEXIF_API int32_t KEXIF_CALL kExifDelTag(KExifHandle h, uint32_t tag, int32_t directory);
KEXIF_API int32_t KEXIF_CALL kExifSetThumbnailData(KExifHandle h, const ThumbnailData *thumbnail);
KEXIF_API int32_t KEXIF_CALL kExifSetTIFExifData(KExifHandle h, TifExifData *record);
KEXIF_API int32_t KEXIF_CALL kExifSaveFile(KExifHandle h, const char *name);
KEXIF_API int32_t KEXIF_CALL kExifGetThumbnailData(KExifHandle h, ThumbnailData *thumbnail);
KEXIF_API int32_t KEXIF_CALL kExifIsAudioExist(KExifHandle h);
KEXIF_API int32_t KEXIF_CALL kExifGetAudioFile(KExifHandle h, const void *name);
KEXIF_API int32_t KEXIF_CALL kExifRemoveAudio(KExifHandle h);
KEXIF_API int32_t KEXIF_CALL kExifSetAudioFile(KExifHandle h, const void *name);
KEXIF_API int32_t KEXIF_CALL kExifRemoveMarker(KExifHandle h, int32_t marker, uint32_t identifier);
KEXIF_API int32_t KEXIF_CALL kExifInsertExifMarker(KExifHandle h, ExifMarkerData *marker);

/* ---- Read-only family -------------------------------------------------- */

KEXIF_API KRExifHandle KEXIF_CALL kRExifBeginRead(const void *name);
KEXIF_API void KEXIF_CALL kRExifEndRead(KRExifHandle ctx);
KEXIF_API int32_t KEXIF_CALL kRExifGetFileFormat(KRExifHandle ctx);
KEXIF_API int32_t KEXIF_CALL kRExifIsExifExist(KRExifHandle ctx);
KEXIF_API int32_t KEXIF_CALL kRExifGetTag(KRExifHandle ctx, uint32_t tag, TagValue *value);
KEXIF_API int32_t KEXIF_CALL kRExifIsThumbnailExist(KRExifHandle ctx);
KEXIF_API int32_t KEXIF_CALL kRExifGetThumbnailData(KRExifHandle ctx, ThumbnailData *thumbnail);
KEXIF_API int32_t KEXIF_CALL kRExifIsAudioExist(KRExifHandle ctx);
KEXIF_API int32_t KEXIF_CALL kRExifGetAudioFile(KRExifHandle ctx, const void *name);
KEXIF_API int32_t KEXIF_CALL kRExifGetExifMarker(KRExifHandle ctx, ExifMarkerData *marker);
KEXIF_API int32_t KEXIF_CALL kRExifGetTIFExifData(KRExifHandle ctx, TifExifData **record);

#ifdef __cplusplus
}
#endif

#endif /* KEXIF_H */
