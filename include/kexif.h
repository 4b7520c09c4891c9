/* kexif: read and edit the Exif metadata of JPEG and TIFF files.
 *
 * This header is the whole C interface; it compiles as C (C99 or later) and
 * as C++. Two families of functions:
 *
 *   kExif...   load a file into an editable document (kExifLoadFile), query
 *              and edit it, write it back (kExifSaveFile), kExifDestroy.
 *   kRExif...  open a read-only context on a file (kRExifBeginRead), answer
 *              queries by reading only what each query needs, kRExifEndRead.
 *
 * Results
 *   0 for success and -1 for failure unless a function says otherwise. The
 *   Is... functions return 1 (yes) or 0 (no, also for a null handle).
 *   Handles are opaque; null is never a valid handle, and every function
 *   accepts a null handle (it then fails, or does nothing). A handle must be
 *   used by one thread at a time; different handles are independent.
 *
 * File names
 *   Names of files the library opens (kExifLoadFile, kRExifBeginRead, the
 *   sound files of kExifGetAudioFile, kExifSetAudioFile, kRExifGetAudioFile)
 *   may be 8-bit strings or 16-bit (UTF-16) strings passed through the same
 *   pointer: the 8-bit reading is tried first, with one exception below.
 *   The 16-bit reading is tried only when the second byte is zero (the
 *   first character lies in U+0001..U+00FF, as in any absolute path), so it
 *   never reads past an 8-bit name of two or more characters; an output
 *   whose 8-bit name fails for a missing folder is never created under the
 *   16-bit reading. The exception: an output name whose 8-bit reading is one
 *   character and whose 16-bit reading is a longer well-formed name is
 *   written under the 16-bit one, so "C:\photo.wav" in UTF-16 never creates
 *   a file "C". Only regular files are read (a FIFO or device is refused at
 *   once), every file is opened close-on-exec, and any length the system
 *   accepts is taken. The target of kExifSaveFile is an 8-bit string.
 *
 * Pointers passed in
 *   The library reads what a pointer argument points at during the call
 *   only, and keeps no reference to it, except:
 *   - kExifInsertExifMarker takes over marker->data on success.
 *   - kExifSetTIFExifData takes over (and releases) the record on success.
 *
 * Memory handed out (who frees what)
 *   kExifGetTag            value->data: a malloc block; kExifFree (or free()
 *                          of the C runtime the library was built with).
 *   kExifGetThumbnailData  thumbnail->data: the same; kExifFree.
 *   kRExifGetTag, kRExifGetThumbnailData
 *                          point into the context's own copy: never freed by
 *                          the caller; valid until the next call of the same
 *                          function on that context or kRExifEndRead.
 *   kRExifGetExifMarker    marker->data: a block allocated with C++ new[];
 *                          release it with kRExifFreeExifMarker, or hand it
 *                          to kExifInsertExifMarker, which takes it over.
 *   kRExifGetTIFExifData   the record: malloc blocks; release it with
 *                          kRExifFreeTIFExifData, or hand it to
 *                          kExifSetTIFExifData, which releases it.
 *   On Windows the library and the host may use different C runtimes: use
 *   kExifFree, kRExifFreeExifMarker and kRExifFreeTIFExifData rather than
 *   the host's free().
 *
 * Values
 *   A TagValue holds count elements of its type in native (little-endian)
 *   element order whatever the file's byte order: SHORT and LONG as native
 *   integers, each RATIONAL and SRATIONAL as two native 32-bit integers
 *   (numerator, then denominator), single bytes and ASCII text in file order.
 *   For ASCII, count includes the terminating NUL as stored.
 *
 * Directories
 *   The directory argument numbers the main TIFF directories: 0 is the first
 *   (IFD0, the main image), 1 the second (IFD1, the thumbnail), and so on.
 *   Tags of the Exif sub-directory (see kExifGetTag) ignore it. The GPS
 *   directory is reached through directory 0 (see kExifGetTag) and written
 *   with kExifSetGpsTag.
 *
 * Threads
 *   Distinct handles, of either family, may be used from different threads
 *   at the same time; the library keeps no shared mutable state. One handle
 *   is used by one thread at a time.
 *
 * Loading
 *   A JPEG load reads the file up to its image data; the rest is read when
 *   an operation needs it (kExifSaveFile, the sound-clip functions,
 *   kExifRemoveMarker). The file stays open until the save or kExifDestroy;
 *   if it was cut meanwhile, those operations fail (-1, or no clip) and the
 *   document stays as it was.
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

/* The version of this header. kExifGetVersion returns the library's, so a
 * host can tell whether the library it loaded is at least as new. */
#define KEXIF_VERSION_MAJOR 0
#define KEXIF_VERSION_MINOR 1
#define KEXIF_VERSION_PATCH 0
#define KEXIF_VERSION \
  (KEXIF_VERSION_MAJOR * 10000 + KEXIF_VERSION_MINOR * 100 + KEXIF_VERSION_PATCH)

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Records ----------------------------------------------------------- */

/* One tag value: TIFF field type (KEXIF_TYPE_...), element count, and count
 * x element size bytes (see Values above). */
typedef struct TagValue {
  int32_t type;
  int32_t count;
  void *data;
} TagValue;

/* A complete JPEG stream holding a thumbnail, and its length in bytes. */
typedef struct ThumbnailData {
  unsigned char *data;
  int32_t length;
} ThumbnailData;

/* A complete APP1 Exif payload, without the marker and the length field:
 * "Exif" 00 00 followed by a TIFF structure whose offsets count from its
 * own first byte; and its length in bytes. */
typedef struct ExifMarkerData {
  unsigned char *data;
  int32_t length;
} ExifMarkerData;

/* One entry of a TIFF Exif sub-directory: tag, type and count as in the
 * file; data holds the value bytes in native order (count x element size,
 * one byte more, a NUL, for the 1-byte types), null for an unknown type. */
typedef struct TifExifEntry {
  uint32_t tag;
  uint32_t type;
  uint32_t count;
  void *data;
} TifExifEntry;

/* The entries of a TIFF Exif sub-directory, in directory order. The record,
 * the array, every entry and every entry's data are separate malloc()
 * blocks (see kRExifFreeTIFExifData). */
typedef struct TifExifData {
  int32_t count;
  TifExifEntry **entries;
} TifExifData;

typedef struct KExifDocument *KExifHandle;     /* editing family */
typedef struct KRExifContext *KRExifHandle;    /* read-only family */

/* ---- Named constants --------------------------------------------------- */

/* File formats reported by kExifGetFileFormat and kRExifGetFileFormat (0:
 * neither). */
#define KEXIF_FORMAT_JPEG 1
#define KEXIF_FORMAT_TIFF 2

/* TIFF field types of TagValue.type, with their element sizes in bytes. */
#define KEXIF_TYPE_BYTE 1       /* 1, unsigned */
#define KEXIF_TYPE_ASCII 2      /* 1, NUL-terminated text */
#define KEXIF_TYPE_SHORT 3      /* 2, unsigned */
#define KEXIF_TYPE_LONG 4       /* 4, unsigned */
#define KEXIF_TYPE_RATIONAL 5   /* 8, two unsigned 32-bit numbers */
#define KEXIF_TYPE_SBYTE 6      /* 1, signed */
#define KEXIF_TYPE_UNDEFINED 7  /* 1, opaque bytes */
#define KEXIF_TYPE_SSHORT 8     /* 2, signed */
#define KEXIF_TYPE_SLONG 9      /* 4, signed */
#define KEXIF_TYPE_SRATIONAL 10 /* 8, two signed 32-bit numbers */
#define KEXIF_TYPE_FLOAT 11     /* 4, IEEE single */
#define KEXIF_TYPE_DOUBLE 12    /* 8, IEEE double */

/* Directory numbers of the directory argument. */
#define KEXIF_DIRECTORY_FIRST 0  /* IFD0: the main image */
#define KEXIF_DIRECTORY_SECOND 1 /* IFD1: the thumbnail */

/* Common tags of IFD0 and IFD1. */
#define KEXIF_TAG_IMAGE_DESCRIPTION 270
#define KEXIF_TAG_MAKE 271
#define KEXIF_TAG_MODEL 272
#define KEXIF_TAG_ORIENTATION 274
#define KEXIF_TAG_X_RESOLUTION 282
#define KEXIF_TAG_Y_RESOLUTION 283
#define KEXIF_TAG_RESOLUTION_UNIT 296
#define KEXIF_TAG_SOFTWARE 305
#define KEXIF_TAG_DATE_TIME 306
#define KEXIF_TAG_ARTIST 315
#define KEXIF_TAG_JPEG_INTERCHANGE_FORMAT 513
#define KEXIF_TAG_JPEG_INTERCHANGE_FORMAT_LENGTH 514
#define KEXIF_TAG_COPYRIGHT 33432
#define KEXIF_TAG_EXIF_POINTER 34665
#define KEXIF_TAG_GPS_POINTER 34853

/* Common tags of the Exif sub-directory. */
#define KEXIF_TAG_EXPOSURE_TIME 33434
#define KEXIF_TAG_F_NUMBER 33437
#define KEXIF_TAG_ISO_SPEED_RATINGS 34855
#define KEXIF_TAG_EXIF_VERSION 36864
#define KEXIF_TAG_DATE_TIME_ORIGINAL 36867
#define KEXIF_TAG_DATE_TIME_DIGITIZED 36868
#define KEXIF_TAG_OFFSET_TIME 36880
#define KEXIF_TAG_OFFSET_TIME_ORIGINAL 36881
#define KEXIF_TAG_EXPOSURE_BIAS_VALUE 37380
#define KEXIF_TAG_FLASH 37385
#define KEXIF_TAG_FOCAL_LENGTH 37386
#define KEXIF_TAG_MAKER_NOTE 37500
#define KEXIF_TAG_USER_COMMENT 37510
#define KEXIF_TAG_COLOR_SPACE 40961
#define KEXIF_TAG_PIXEL_X_DIMENSION 40962
#define KEXIF_TAG_PIXEL_Y_DIMENSION 40963
#define KEXIF_TAG_INTEROPERABILITY_POINTER 40965
#define KEXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM 41989
#define KEXIF_TAG_IMAGE_UNIQUE_ID 42016
#define KEXIF_TAG_CAMERA_OWNER_NAME 42032
#define KEXIF_TAG_BODY_SERIAL_NUMBER 42033
#define KEXIF_TAG_LENS_SPECIFICATION 42034
#define KEXIF_TAG_LENS_MAKE 42035
#define KEXIF_TAG_LENS_MODEL 42036

/* Tags of the GPS directory (kExifSetGpsTag). */
#define KEXIF_TAG_GPS_VERSION_ID 0
#define KEXIF_TAG_GPS_LATITUDE_REF 1
#define KEXIF_TAG_GPS_LATITUDE 2
#define KEXIF_TAG_GPS_LONGITUDE_REF 3
#define KEXIF_TAG_GPS_LONGITUDE 4
#define KEXIF_TAG_GPS_ALTITUDE_REF 5
#define KEXIF_TAG_GPS_ALTITUDE 6
#define KEXIF_TAG_GPS_TIME_STAMP 7
#define KEXIF_TAG_GPS_DATE_STAMP 29

/* JPEG marker codes for kExifRemoveMarker. */
#define KEXIF_MARKER_APP0 0xE0
#define KEXIF_MARKER_APP1 0xE1
#define KEXIF_MARKER_APP2 0xE2
#define KEXIF_MARKER_APP13 0xED
#define KEXIF_MARKER_COM 0xFE

/* The identifier argument of kExifRemoveMarker for four identifier
 * characters: their bytes packed as a little-endian 32-bit number, so that
 * the number's bytes in memory are the characters in order. */
#define KEXIF_IDENTIFIER(a, b, c, d) \
  ((uint32_t)(unsigned char)(a) | ((uint32_t)(unsigned char)(b) << 8) | \
   ((uint32_t)(unsigned char)(c) << 16) | ((uint32_t)(unsigned char)(d) << 24))

/* ---- Library ----------------------------------------------------------- */

/* The library's version as KEXIF_VERSION computes it (0.1.0 is 100). */
KEXIF_API int32_t KEXIF_CALL kExifGetVersion(void);

/* Releases a block that kExifGetTag or kExifGetThumbnailData handed out
 * (value.data, thumbnail.data) with the library's own free(). Null does
 * nothing. */
KEXIF_API void KEXIF_CALL kExifFree(void *block);

/* ---- Editing family ---------------------------------------------------- */

/* Opens a JPEG (starts FF D8) or TIFF ("II" or "MM") file and reads its
 * structure into a new document. name: 8-bit or UTF-16 (see File names),
 * read during the call. The file stays open until kExifSaveFile succeeds or
 * kExifDestroy. A JPEG file is read up to its image data (see Loading);
 * its Exif data is the last APP1 Exif segment in front of the image data.
 * Returns the document, or null when the file cannot be opened, is neither
 * JPEG nor TIFF, or memory runs out. */
KEXIF_API KExifHandle KEXIF_CALL kExifLoadFile(const void *name);

/* KEXIF_FORMAT_JPEG or KEXIF_FORMAT_TIFF; 0 for a null handle. */
KEXIF_API int32_t KEXIF_CALL kExifGetFileFormat(KExifHandle h);

/* 1 when the document has an Exif sub-directory (its pointer 34665 was
 * read, or kExifSetTag made one), else 0. Deleting the last tag of the Exif
 * sub-directory leaves it 1, unless that removes a JPEG's whole Exif
 * segment. */
KEXIF_API int32_t KEXIF_CALL kExifIsExifExist(KExifHandle h);

/* 1 when the document has a thumbnail entry (JPEGInterchangeFormat, 513),
 * else 0. */
KEXIF_API int32_t KEXIF_CALL kExifIsThumbnailExist(KExifHandle h);

/* Closes the file and releases the document and everything it owns
 * (including a block taken over by kExifInsertExifMarker). Blocks handed
 * out earlier stay the caller's. Null does nothing. */
KEXIF_API void KEXIF_CALL kExifDestroy(KExifHandle h);

/* Copies the value of one tag into *value: type, count, and data = a new
 * malloc block of count x element size bytes (release it with kExifFree;
 * it may be a zero-length block for a value without bytes). Where the tag
 * is looked up:
 * - Orientation (274) and the Exif sub-directory tags added by Exif 2.21 to
 *   3.0 (0x8830-0x8835, 0x9010-0x9012, 0x9400-0x9405, 0xA430-0xA43C,
 *   0xA460-0xA462, 0xA500): in directory 0 first, then in the Exif
 *   sub-directory. directory is ignored.
 * - The other tags of the Exif sub-directory (the Exif 2.2 set: 33434
 *   ExposureTime ... 42016 ImageUniqueID, 40965 included): in the Exif
 *   sub-directory and the entries of directory 0 after its Exif pointer.
 *   directory is ignored.
 * - Any other tag: from directory number directory on: its entries with
 *   their Exif and GPS sub-directories, then the directories after it. So
 *   GPS tags (0..31) are found with directory 0, and 513 asked with
 *   directory 0 comes from directory 1 when directory 0 has none.
 * Returns 0 when found; -1 when not (or h or value is null), with *value
 * untouched. */
KEXIF_API int32_t KEXIF_CALL kExifGetTag(KExifHandle h, uint32_t tag, TagValue *value, int32_t directory);

/* Writes one tag value; the bytes of *value are copied (the caller keeps
 * the record and its bytes). The entry kExifGetTag would answer with the
 * same arguments is replaced; otherwise a new entry is added in ascending
 * tag order: Orientation to directory 0, the other Exif sub-directory tags
 * to the Exif sub-directory (made, with its pointer in directory 0, when
 * missing), any other tag to directory number directory (>= 0). A JPEG
 * document gets the Exif segment and directories it lacks; a TIFF document
 * gets no new directory (a missing directory number changes nothing and
 * still returns 0). GPS tags are added with kExifSetGpsTag. Returns 0 when
 * the handle was usable and the value was written or nothing was to be
 * done; -1 for a null h or value, a negative directory for a tag addressed
 * by number, a value whose count is negative or whose bytes are missing or
 * too many for the file (a JPEG's Exif data must fit in 65533 bytes), a
 * type outside 1..12, a TIFF document without directory 0 where the new
 * entry would need it, or when memory runs out. */
KEXIF_API int32_t KEXIF_CALL kExifSetTag(KExifHandle h, uint32_t tag, const TagValue *value, int32_t directory);

/* Removes the entry kExifGetTag would answer with the same arguments. A
 * sub-directory left empty goes with its pointer entry; an empty directory
 * goes when another directory remains; a JPEG's Exif segment goes with its
 * last directory. Returns 0 when an entry was removed, -1 when none was
 * found (nothing changes). */
KEXIF_API int32_t KEXIF_CALL kExifDelTag(KExifHandle h, uint32_t tag, int32_t directory);

/* Writes one tag of the GPS directory (tag 0..31 and any other number up to
 * 65535), which kExifSetTag cannot name: the GPS directory's entry with that
 * number is replaced, else a new entry joins the GPS directory in ascending
 * order. A document without GPS directory gets one under a new pointer
 * entry 34853 in directory 0 (a JPEG also gets the Exif segment and
 * directory 0 when missing); a GPS directory without GPSVersionID gets
 * 2.3.0.0. The bytes of *value are copied. Returns 0 when written; -1 for a
 * null h or value, a tag above 65535, a type outside 1..12, an unusable
 * value (as for kExifSetTag), a TIFF document without directory 0, or when
 * memory runs out (nothing changes then). GPS entries are read with
 * kExifGetTag (directory 0) and removed with kExifDelTag (directory 0). */
KEXIF_API int32_t KEXIF_CALL kExifSetGpsTag(KExifHandle h, uint32_t tag, const TagValue *value);

/* Replaces or adds the JPEG thumbnail: thumbnail->length bytes at
 * thumbnail->data (a complete JPEG stream), copied during the call. The
 * thumbnail directory (IFD1) and, in a JPEG without Exif data, the Exif
 * segment are made when missing. Returns 0 when stored; -1 for a null
 * argument, a negative length, an empty thumbnail where one exists, a
 * document without directory 0 (TIFF), an Exif segment that would grow
 * past what a JPEG segment holds, or when memory runs out. */
KEXIF_API int32_t KEXIF_CALL kExifSetThumbnailData(KExifHandle h, const ThumbnailData *thumbnail);

/* Applies the entries of a record from kRExifGetTIFExifData to a TIFF
 * document: each tag of the Exif sub-directory as kExifSetTag would (other
 * tags and the Interoperability pointer are skipped). On 0 the record has
 * been released and must not be used again; on -1 (null h, not a TIFF
 * document, memory) it is still the caller's. A null record gives 0. */
KEXIF_API int32_t KEXIF_CALL kExifSetTIFExifData(KExifHandle h, TifExifData *record);

/* Writes the document to the file named by name (8-bit; may be the loaded
 * file itself; a link is followed): the whole new file is written under a
 * unique temporary name beside it (NAME.$#$XXXXXX, created exclusively and
 * readable by its owner only), given the target's mode, owner and extended
 * attributes where permitted, and renamed over it. Returns 0 when saved; -1
 * otherwise (also when an existing target is not a regular file), with the
 * target and the document as they were (the save may be tried again).
 * After a successful save the document has closed its source file: its
 * tree still answers tag queries and takes edits, but whatever needs bytes
 * of the old file (another save, a thumbnail or sound clip not yet read) may
 * fail. Destroy it and load the saved file to go on. */
KEXIF_API int32_t KEXIF_CALL kExifSaveFile(KExifHandle h, const char *name);

/* Copies the thumbnail into thumbnail: data = a new malloc block (release
 * it with kExifFree), length = its size. Returns 0 on success; -1 when there
 * is no thumbnail, its bytes cannot be read, or memory runs out. */
KEXIF_API int32_t KEXIF_CALL kExifGetThumbnailData(KExifHandle h, ThumbnailData *thumbnail);

/* 1 when the JPEG document has a sound clip (APP2 "FPXR" segments, or a
 * sound file set with kExifSetAudioFile), else 0. */
KEXIF_API int32_t KEXIF_CALL kExifIsAudioExist(KExifHandle h);

/* Writes the sound clip as a RIFF WAVE file to name (8-bit or UTF-16, used
 * during the call). Returns 0 when written; -1 when there is no clip, the
 * file cannot be written, or name is the document's own file or the set
 * sound file (which are then left as they were). */
KEXIF_API int32_t KEXIF_CALL kExifGetAudioFile(KExifHandle h, const void *name);

/* Takes the sound clip out of the document. Always returns 1. */
KEXIF_API int32_t KEXIF_CALL kExifRemoveAudio(KExifHandle h);

/* Makes the WAVE file name (8-bit or UTF-16) the document's sound clip.
 * The name is copied (both readings; the caller may free it at once) and
 * the file is read again by kExifSaveFile: keep the file in place until the
 * save, kExifRemoveAudio or kExifDestroy. Returns 0 on success; -1 when the file
 * cannot be opened, is empty or larger than 2 GiB, or the document is not a
 * JPEG document. */
KEXIF_API int32_t KEXIF_CALL kExifSetAudioFile(KExifHandle h, const void *name);

/* Removes a JPEG segment by marker code and identifier. marker is the
 * second byte of the segment's marker (0xE0 for APP0, KEXIF_MARKER_...).
 * identifier is the first four bytes of the segment's payload packed as a
 * little-endian 32-bit number (KEXIF_IDENTIFIER):
 *   the APP0 segment FF E0 00 10 'J' 'F' 'I' 'F' 00 ... has the identifier
 *   bytes 4A 46 49 46, so identifier = 0x4649464A
 *   = KEXIF_IDENTIFIER('J', 'F', 'I', 'F'), and
 *   kExifRemoveMarker(h, 0xE0, 0x4649464A) removes it.
 * Only the first segment with that marker is compared; it is removed when
 * its identifier matches. For APP1 (0xE1) every APP1 segment is removed,
 * whatever the identifier (all Exif data and XMP go: kExifIsExifExist and
 * kExifIsThumbnailExist then report 0). Returns 0 when done, also when the
 * identifier did not match and nothing was removed; -1 when the document
 * is not a JPEG document or has no segment with that marker, or when the
 * part of the file after the image data, which it searches too, can no
 * longer be read as it was at load. */
KEXIF_API int32_t KEXIF_CALL kExifRemoveMarker(KExifHandle h, int32_t marker, uint32_t identifier);

/* Inserts marker->data (marker->length bytes, a complete Exif APP1 payload)
 * as a new Exif segment after the first APP0 in front of the image data
 * (else after SOI), ahead of any APP1
 * segment already there; its tags and thumbnail can be queried and edited
 * at once. On 0 the document has taken the block over and releases it
 * with C++ delete[]: the block must come from kRExifGetExifMarker (or, in
 * C++, new[]), and the caller must not use or release it again. On -1
 * (null argument, negative length, not a JPEG document, memory) the block
 * is still the caller's (also when there is neither APP0 nor SOI to insert
 * after). To replace the Exif data, remove the old APP1
 * segments first with kExifRemoveMarker(h, 0xE1, 0). */
KEXIF_API int32_t KEXIF_CALL kExifInsertExifMarker(KExifHandle h, ExifMarkerData *marker);

/* ---- Read-only family -------------------------------------------------- */

/* Opens a read-only context on a JPEG or TIFF file (name: 8-bit or UTF-16,
 * read during the call). The file stays open until kRExifEndRead. Returns
 * the context, or null when the file cannot be opened or is neither JPEG
 * nor TIFF. */
KEXIF_API KRExifHandle KEXIF_CALL kRExifBeginRead(const void *name);

/* Closes the file and releases the context with every pointer it handed
 * out (kRExifGetTag, kRExifGetThumbnailData). Null does nothing. */
KEXIF_API void KEXIF_CALL kRExifEndRead(KRExifHandle ctx);

/* KEXIF_FORMAT_JPEG or KEXIF_FORMAT_TIFF; 0 for a null context. */
KEXIF_API int32_t KEXIF_CALL kRExifGetFileFormat(KRExifHandle ctx);

/* 1 when the file has Exif data (a JPEG's APP1 Exif segment; an Exif or
 * GPS pointer in a TIFF file), else 0. */
KEXIF_API int32_t KEXIF_CALL kRExifIsExifExist(KRExifHandle ctx);

/* Finds one tag: DateTime (306), Make (271), Model (272),
 * ImageDescription (270) and Orientation (274) in the main directories
 * (the last occurrence along the chain); the Exif sub-directory tags added
 * by Exif 2.21 to 3.0 (see kExifGetTag) in the first directory, then in
 * the Exif sub-directory; Orientation and the other tags of the Exif
 * sub-directory in the Exif sub-directory. Any other tag is not found. On 0, *value gets type, count and data pointing
 * into the context's own copy (do not free it; valid until the next
 * kRExifGetTag on ctx or kRExifEndRead; null when the value has no bytes).
 * -1 when not found, with *value untouched. */
KEXIF_API int32_t KEXIF_CALL kRExifGetTag(KRExifHandle ctx, uint32_t tag, TagValue *value);

/* 1 when the second directory has a thumbnail entry, else 0. */
KEXIF_API int32_t KEXIF_CALL kRExifIsThumbnailExist(KRExifHandle ctx);

/* On 0, *thumbnail gets the thumbnail bytes in the context's own copy (do
 * not free; valid until the next kRExifGetThumbnailData on ctx or
 * kRExifEndRead) and their length. -1 when there is none. */
KEXIF_API int32_t KEXIF_CALL kRExifGetThumbnailData(KRExifHandle ctx, ThumbnailData *thumbnail);

/* 1 when the JPEG file has a sound clip in APP2 "FPXR" segments, else 0. */
KEXIF_API int32_t KEXIF_CALL kRExifIsAudioExist(KRExifHandle ctx);

/* Writes the sound clip as a RIFF WAVE file to name (8-bit or UTF-16, used
 * during the call). 0 when written, -1 otherwise (also when name is the
 * context's own file, which is then left as it was). */
KEXIF_API int32_t KEXIF_CALL kRExifGetAudioFile(KRExifHandle ctx, const void *name);

/* Copies the payload of a JPEG file's APP1 Exif segment ("Exif" 00 00 and
 * the TIFF structure) into a new block: marker->data, marker->length. The
 * block belongs to the caller: release it with kRExifFreeExifMarker, or
 * hand it to kExifInsertExifMarker. -1 (record untouched) for a TIFF file,
 * a file without Exif segment, or when memory runs out. */
KEXIF_API int32_t KEXIF_CALL kRExifGetExifMarker(KRExifHandle ctx, ExifMarkerData *marker);

/* Releases marker->data as kRExifGetExifMarker allocated it and sets the
 * record to (null, 0). A null record or data does nothing. */
KEXIF_API void KEXIF_CALL kRExifFreeExifMarker(ExifMarkerData *marker);

/* Reads the Exif sub-directory of a TIFF file into a new record: *record =
 * the record, or null when the sub-directory has no entries. The record
 * belongs to the caller: release it with kRExifFreeTIFExifData, or hand it
 * to kExifSetTIFExifData. -1 for a JPEG file or a file without Exif
 * sub-directory. */
KEXIF_API int32_t KEXIF_CALL kRExifGetTIFExifData(KRExifHandle ctx, TifExifData **record);

/* Releases a record of kRExifGetTIFExifData with its array, entries and
 * their data. Null does nothing. */
KEXIF_API void KEXIF_CALL kRExifFreeTIFExifData(TifExifData *record);

#ifdef __cplusplus
}
#endif

#endif /* KEXIF_H */
