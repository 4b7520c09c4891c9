/* A C host that knows the library only through include/kexif.h: it reads,
 * edits and saves a photo, and releases every block the library hands out
 * with the functions the header names. Built as C99 with -pedantic and run
 * under valgrind (or the sanitizers), so a block the header leaves the host
 * no way to release shows up as a leak.
 * Usage: header_client PHOTO.jpg OUT1.jpg OUT2.jpg */
#include <stdio.h>
#include <string.h>

#include "kexif.h"

static int failures = 0;

static void Check(int ok, const char *what) {
  if (!ok) {
    fprintf(stderr, "header client: %s\n", what);
    ++failures;
  }
}

/* The Orientation value of a saved file, or -1. */
static int OrientationOf(KExifHandle h) {
  TagValue value = {0, 0, NULL};
  int orientation = -1;
  if (kExifGetTag(h, KEXIF_TAG_ORIENTATION, &value, KEXIF_DIRECTORY_FIRST) != 0) return -1;
  if (value.type == KEXIF_TYPE_SHORT && value.count == 1) orientation = *(const uint16_t *)value.data;
  kExifFree(value.data);
  return orientation;
}

int main(int argc, char **argv) {
  ExifMarkerData marker = {NULL, 0};
  ExifMarkerData kept = {NULL, 0};
  ThumbnailData thumbnail = {NULL, 0};
  TagValue make = {0, 0, NULL};
  uint16_t rotated = 8;
  uint32_t altitude[2] = {35, 1};
  TagValue orientation;
  TagValue gpsAltitude;
  KRExifHandle ctx;
  KExifHandle h;
  if (argc != 4) return 2;
  orientation.type = KEXIF_TYPE_SHORT;
  orientation.count = 1;
  orientation.data = &rotated;
  gpsAltitude.type = KEXIF_TYPE_RATIONAL;
  gpsAltitude.count = 1;
  gpsAltitude.data = altitude;
  Check(kExifGetVersion() == KEXIF_VERSION, "library and header versions differ");

  ctx = kRExifBeginRead(argv[1]);
  Check(ctx != NULL, "cannot read the photo");
  if (ctx == NULL) return 1;
  Check(kRExifGetTag(ctx, KEXIF_TAG_MAKE, &make) == 0 && make.type == KEXIF_TYPE_ASCII, "no Make");
  Check(kRExifGetExifMarker(ctx, &marker) == 0 && marker.length > 6 && memcmp(marker.data, "Exif", 4) == 0,
        "no Exif marker");
  kRExifFreeExifMarker(&marker);
  Check(marker.data == NULL && marker.length == 0, "the released marker record was not cleared");
  Check(kRExifGetExifMarker(ctx, &kept) == 0, "no second Exif marker");
  kRExifEndRead(ctx); /* make.data belonged to ctx */

  h = kExifLoadFile(argv[1]);
  Check(h != NULL && kExifGetFileFormat(h) == KEXIF_FORMAT_JPEG, "cannot load the photo");
  if (h == NULL) return 1;
  Check(kExifSetTag(h, KEXIF_TAG_ORIENTATION, &orientation, KEXIF_DIRECTORY_FIRST) == 0, "cannot rotate");
  Check(kExifSetGpsTag(h, KEXIF_TAG_GPS_ALTITUDE, &gpsAltitude) == 0, "cannot set the altitude");
  Check(kExifRemoveMarker(h, KEXIF_MARKER_APP0, KEXIF_IDENTIFIER('J', 'F', 'I', 'F')) == 0, "cannot drop JFIF");
  Check(kExifSaveFile(h, argv[2]) == 0, "cannot save");
  kExifDestroy(h);

  h = kExifLoadFile(argv[2]);
  Check(h != NULL, "cannot load the saved photo");
  if (h == NULL) return 1;
  Check(OrientationOf(h) == 8, "the saved photo is not rotated");
  Check(kExifGetThumbnailData(h, &thumbnail) == 0 && thumbnail.length > 0, "no thumbnail");
  kExifFree(thumbnail.data);
  Check(kExifRemoveMarker(h, KEXIF_MARKER_APP1, 0) == 0 && kExifIsExifExist(h) == 0, "cannot drop the Exif data");
  /* On success the document takes the block over; otherwise it is ours. */
  if (kExifInsertExifMarker(h, &kept) != 0) {
    Check(0, "cannot insert the kept Exif marker");
    kRExifFreeExifMarker(&kept);
  }
  Check(OrientationOf(h) == 1, "the inserted Exif data does not answer");
  Check(kExifSaveFile(h, argv[3]) == 0, "cannot save the second photo");
  kExifDestroy(h);
  if (failures == 0) printf("header client: ok\n");
  return failures == 0 ? 0 : 1;
}
