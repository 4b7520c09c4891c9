/* Prints what the read-only family tells about a photo. */
#include <stdio.h>
#include <string.h>

#include "kexif.h"

static void PrintText(KRExifHandle ctx, uint32_t tag, const char *name) {
  TagValue v;
  if (kRExifGetTag(ctx, tag, &v) == 0 && v.type == 2 && v.data != NULL) {
    printf("%-18s %.*s\n", name, v.count, (const char *)v.data);
  } else {
    printf("%-18s (none)\n", name);
  }
}

static void PrintRational(KRExifHandle ctx, uint32_t tag, const char *name) {
  TagValue v;
  if (kRExifGetTag(ctx, tag, &v) == 0 && (v.type == 5 || v.type == 10) && v.count >= 1 && v.data != NULL) {
    uint32_t parts[2];
    memcpy(parts, v.data, sizeof parts);
    printf("%-18s %u/%u\n", name, parts[0], parts[1]);
  } else {
    printf("%-18s (none)\n", name);
  }
}

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s PHOTO\n", argv[0]);
    return 2;
  }
  KRExifHandle ctx = kRExifBeginRead(argv[1]);
  if (ctx == NULL) {
    fprintf(stderr, "%s: not a JPEG or TIFF file, or cannot be opened\n", argv[1]);
    return 1;
  }
  int32_t format = kRExifGetFileFormat(ctx);
  printf("%-18s %s\n", "format", format == KEXIF_FORMAT_JPEG ? "JPEG" : format == KEXIF_FORMAT_TIFF ? "TIFF" : "?");
  printf("%-18s %s\n", "exif", kRExifIsExifExist(ctx) ? "yes" : "no");
  PrintText(ctx, 271, "Make");
  PrintText(ctx, 272, "Model");
  PrintText(ctx, 306, "DateTime");
  PrintText(ctx, 36867, "DateTimeOriginal");
  PrintRational(ctx, 33434, "ExposureTime");
  PrintRational(ctx, 33437, "FNumber");
  kRExifEndRead(ctx);
  return 0;
}
