/*
 * TIFF format plug-in over libtiff: the first page, through the library's
 * RGBA reader (every photometric, bit depth and compression it knows), with
 * the Orientation tag applied and transparency composited onto grey.
 */
#include <stdarg.h>
#include <stdlib.h>
#include <tiffio.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* Largest single buffer libtiff may allocate for strips, tiles or tags. */
#define TIFF_MAX_SINGLE_ALLOC ((tmsize_t)512 * 1024 * 1024)

static int quiet_handler(TIFF* tif, void* user, const char* module, const char* fmt, va_list ap) {
  (void)tif;
  (void)user;
  (void)module;
  (void)fmt;
  (void)ap;
  return 1; /* handled: print nothing */
}

static TIFF* open_tiff(const char* path) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options)
    return NULL;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, TIFF_MAX_SINGLE_ALLOC);
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet_handler, NULL);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet_handler, NULL);
  /* "rm": no memory mapping, so a file truncated while read gives an error
   * instead of a bus fault. */
  TIFF* tif = TIFFOpenExt(path, "rm", options);
  TIFFOpenOptionsFree(options);
  return tif;
}

static GlimrBitmap* decode(const char* path, int header_only, GlimrImageSize* size) {
  TIFF* tif = open_tiff(path);
  if (!tif)
    return NULL;
  uint32_t width = 0, height = 0;
  uint16_t orientation = ORIENTATION_TOPLEFT;
  GlimrBitmap* bitmap = NULL;
  uint32_t* raster = NULL;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || !glimr_size_acceptable(width, height)) {
    goto done;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  if (orientation < 1 || orientation > 8)
    orientation = ORIENTATION_TOPLEFT;
  if (header_only) {
    const int swap = glimr_orientation_swaps_sides(orientation);
    size->width = (int32_t)(swap ? height : width);
    size->height = (int32_t)(swap ? width : height);
    goto done;
  }
  char message[1024];
  if (!TIFFRGBAImageOK(tif, message))
    goto done;
  /* libtiff's reader only knows vertical flips and guesses at the rest;
   * read the rows as stored and turn them upright ourselves. */
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  bitmap = glimr_bitmap_alloc((int32_t)width, (int32_t)height);
  raster = (uint32_t*)malloc((size_t)width * height * sizeof(uint32_t));
  if (!bitmap || !raster)
    goto fail;
  if (!TIFFReadRGBAImageOriented(tif, width, height, raster, ORIENTATION_TOPLEFT, 1))
    goto fail;
  for (uint32_t y = 0; y < height; ++y) {
    const uint32_t* in = raster + (size_t)y * width;
    unsigned char* out = bitmap->bits + (size_t)y * bitmap->bytes_per_row;
    for (uint32_t x = 0; x < width; ++x, out += 3) {
      const uint32_t p = in[x];
      const unsigned a = TIFFGetA(p);
      if (a == 255) {
        out[0] = (unsigned char)TIFFGetB(p);
        out[1] = (unsigned char)TIFFGetG(p);
        out[2] = (unsigned char)TIFFGetR(p);
      } else {
        /* The reader hands out premultiplied colour (it multiplies
         * unassociated alpha in itself), so only the grey is weighted. */
        const unsigned grey = (GLIMR_NEUTRAL_BACKGROUND * (255u - a) + 127u) / 255u;
        out[0] = (unsigned char)(TIFFGetB(p) + grey > 255 ? 255 : TIFFGetB(p) + grey);
        out[1] = (unsigned char)(TIFFGetG(p) + grey > 255 ? 255 : TIFFGetG(p) + grey);
        out[2] = (unsigned char)(TIFFGetR(p) + grey > 255 ? 255 : TIFFGetR(p) + grey);
      }
    }
  }
  free(raster);
  TIFFClose(tif);
  return glimr_bitmap_orient(bitmap, orientation);
fail:
  free(bitmap);
  bitmap = NULL;
done:
  free(raster);
  TIFFClose(tif);
  return bitmap;
}

static const GlimrExtNode kTiff = {"TIFF", NULL};
static const GlimrExtNode kTif = {"TIF", &kTiff};

GLIMR_STANDARD_EXPORTS("TIFF (libtiff)", &kTif, decode, 0, 1)
