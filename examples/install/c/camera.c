/* Built against an installed kexif through pkg-config:
 *   cc camera.c $(pkg-config --cflags --libs kexif)
 * Prints the format and the camera maker of a photo; exits with 1 when the
 * photo cannot be read or holds no Exif data. */
#include <stdio.h>

#include <kexif.h>

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s PHOTO\n", argv[0]);
    return 2;
  }
  KRExifHandle ctx = kRExifBeginRead(argv[1]);
  if (ctx == NULL) {
    fprintf(stderr, "%s: cannot be read\n", argv[1]);
    return 1;
  }
  int status = 1;
  const int32_t format = kRExifGetFileFormat(ctx);
  if (kRExifIsExifExist(ctx)) {
    TagValue make;
    printf("format: %s\n", format == KEXIF_FORMAT_JPEG ? "JPEG" : format == KEXIF_FORMAT_TIFF ? "TIFF" : "unknown");
    if (kRExifGetTag(ctx, 271 /* Make */, &make) == 0 && make.type == 2 && make.data != NULL) {
      printf("make: %.*s\n", (int)make.count, (const char *)make.data);
      status = 0;
    }
  }
  kRExifEndRead(ctx);
  return status;
}
