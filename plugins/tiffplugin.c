/*
 * TIFF format plug-in over libtiff: the first page, through the library's
 * RGBA reader (every photometric, bit depth and compression it knows), with
 * the Orientation tag applied and transparency composited onto grey. Read
 * in bands of rows and averaged down as they come for thumbnails.
 */
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <tiffio.h>
#include <unistd.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* Largest single buffer libtiff may allocate for strips, tiles or tags:
 * a 64 MP RGB picture stored as one uncompressed strip still fits. */
#define TIFF_MAX_SINGLE_ALLOC ((tmsize_t)192 * 1024 * 1024)
/* The RGBA rows handed over by the library at a time stay below this. */
#define TIFF_MAX_BAND_BYTES ((uint64_t)32 * 1024 * 1024)
/* Pages looked at for a reduced-resolution copy of the first one. */
#define TIFF_MAX_PAGES 64

static int quiet_handler(TIFF* tif, void* user, const char* module, const char* fmt, va_list ap) {
  (void)tif;
  (void)user;
  (void)module;
  (void)fmt;
  (void)ap;
  return 1; /* handled: print nothing */
}

static TIFF* open_tiff(const char* path, int64_t* file_size) {
  const int fd = glimr_open_regular(path, file_size);
  if (fd < 0)
    return NULL;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) {
    close(fd);
    return NULL;
  }
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, TIFF_MAX_SINGLE_ALLOC);
  TIFFOpenOptionsSetErrorHandlerExtR(options, quiet_handler, NULL);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quiet_handler, NULL);
  /* "rm": no memory mapping, so a file truncated while read gives an error
   * instead of a bus fault. */
  TIFF* tif = TIFFFdOpenExt(fd, path, "rm", options);
  TIFFOpenOptionsFree(options);
  if (!tif)
    close(fd); /* TIFFClose closes it once the file is open */
  return tif;
}

/* A deflated page holds at most what its compressed bytes inflate to, and
 * those lie in the file: a header asking for more is a forgery. */
static int plausible_for_file(TIFF* tif, uint32_t height, int64_t file_size) {
  uint16_t compression = COMPRESSION_NONE, planar = PLANARCONFIG_CONTIG, samples = 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  if (compression != COMPRESSION_ADOBE_DEFLATE && compression != COMPRESSION_DEFLATE)
    return 1;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  const uint64_t planes = planar == PLANARCONFIG_SEPARATE ? samples : 1;
  const uint64_t raw = TIFFScanlineSize64(tif) * (uint64_t)height * planes;
  return raw <= (uint64_t)glimr_inflated_max(file_size);
}

/* Makes current the smallest reduced-resolution page (as scanners and
 * pyramid writers store after the first) whose sides are still at least
 * the ones a reduction to min_side needs; stays on the first page when
 * there is none. */
static void choose_page(TIFF* tif, uint32_t width, uint32_t height, int32_t min_side,
                        uint32_t* page_width, uint32_t* page_height) {
  const uint32_t need_w = (uint32_t)min_side < width ? (uint32_t)min_side : width;
  const uint32_t need_h = (uint32_t)min_side < height ? (uint32_t)min_side : height;
  int best = 0;
  uint64_t best_area = (uint64_t)width * height;
  *page_width = width;
  *page_height = height;
  for (int page = 1; page < TIFF_MAX_PAGES && TIFFSetDirectory(tif, (tdir_t)page); ++page) {
    uint32_t w = 0, h = 0, kind = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h))
      continue;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SUBFILETYPE, &kind);
    if (!(kind & FILETYPE_REDUCEDIMAGE) || w < need_w || h < need_h || w == 0 || h == 0)
      continue;
    /* The same picture: proportions equal to within a pixel of rounding. */
    const double ratio = (double)width / height, page_ratio = (double)w / h;
    if (page_ratio < ratio * (1.0 - 2.0 / h) - 1e-9 || page_ratio > ratio * (1.0 + 2.0 / h) + 1e-9)
      continue;
    if ((uint64_t)w * h < best_area) {
      best = page;
      best_area = (uint64_t)w * h;
      *page_width = w;
      *page_height = h;
    }
  }
  TIFFSetDirectory(tif, (tdir_t)best);
}

/* Rows of RGBA pixels (as the library's reader gives them, premultiplied)
 * composited onto the grey as blue, green, red. */
static void to_bgr(const uint32_t* in, unsigned char* out, uint32_t count) {
  for (uint32_t x = 0; x < count; ++x, out += 3) {
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

/* min_side < 0: fills size and returns NULL; 0: full size; above 0:
 * reduced, from a smaller page when the file has one. The page is read a
 * band of rows at a time, never whole. */
static GlimrBitmap* decode(const char* path, int32_t min_side, GlimrImageSize* size) {
  int64_t file_size = 0;
  TIFF* tif = open_tiff(path, &file_size);
  if (!tif)
    return NULL;
  uint32_t width = 0, height = 0;
  uint16_t orientation = ORIENTATION_TOPLEFT;
  GlimrReducer reducer;
  memset(&reducer, 0, sizeof reducer);
  uint32_t* raster = NULL;
  unsigned char* row = NULL;
  TIFFRGBAImage img;
  int img_open = 0;
  GlimrBitmap* bitmap = NULL;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) || !glimr_size_acceptable(width, height) ||
      !plausible_for_file(tif, height, file_size)) {
    goto done;
  }
  if (min_side == 0 && !glimr_full_size_acceptable(width, height))
    goto done;
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  if (orientation < 1 || orientation > 8)
    orientation = ORIENTATION_TOPLEFT;
  if (min_side < 0) {
    const int swap = glimr_orientation_swaps_sides(orientation);
    size->width = (int32_t)(swap ? height : width);
    size->height = (int32_t)(swap ? width : height);
    goto done;
  }
  /* The reduction is worked out on the stored sides; turned pictures have
   * them swapped, which for a square min_side changes nothing. */
  uint32_t page_width = width, page_height = height;
  if (min_side > 0)
    choose_page(tif, width, height, min_side, &page_width, &page_height);
  if (!glimr_size_acceptable(page_width, page_height) ||
      !plausible_for_file(tif, page_height, file_size))
    goto done;
  char message[1024];
  if (!TIFFRGBAImageOK(tif, message))
    goto done;
  /* libtiff's reader only knows vertical flips and guesses at the rest;
   * read the rows as stored and turn them upright ourselves. */
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  if (!TIFFRGBAImageBegin(&img, tif, 0, message))
    goto done;
  img_open = 1;
  img.req_orientation = ORIENTATION_TOPLEFT;
  /* A band is one strip or row of tiles, so each is decoded once; only a
   * page stored as a few huge strips is read in smaller bands (decoding
   * the strip again from its start each time, but never holding it). */
  uint32_t band = 0;
  if (TIFFIsTiled(tif))
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
  else
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
  if (band == 0 || band > page_height)
    band = page_height;
  const uint64_t max_band = TIFF_MAX_BAND_BYTES / ((uint64_t)page_width * 4);
  if (band > max_band) {
    /* Whole groups of chroma-subsampled rows. */
    band = max_band >= 4 ? (uint32_t)max_band & ~3u : 1;
  }
  raster = (uint32_t*)malloc((size_t)page_width * band * sizeof(uint32_t));
  row = (unsigned char*)malloc((size_t)page_width * 3);
  if (!raster || !row ||
      !glimr_reducer_init(&reducer, (int32_t)page_width, (int32_t)page_height, min_side, 0))
    goto done;
  for (uint32_t y = 0; y < page_height; y += band) {
    const uint32_t n = page_height - y < band ? page_height - y : band;
    img.row_offset = (int)y;
    img.col_offset = 0;
    if (!TIFFRGBAImageGet(&img, raster, page_width, n))
      goto done;
    for (uint32_t i = 0; i < n; ++i) {
      to_bgr(raster + (size_t)i * page_width, row, page_width);
      glimr_reducer_add(&reducer, (int32_t)(y + i), 0, 1, row, (int32_t)page_width);
    }
  }
  bitmap = glimr_reducer_finish(&reducer);
done:
  if (img_open)
    TIFFRGBAImageEnd(&img);
  glimr_reducer_free(&reducer);
  free(raster);
  free(row);
  TIFFClose(tif);
  return bitmap ? glimr_bitmap_orient(bitmap, orientation) : NULL;
}

static const GlimrExtNode kTiff = {"TIFF", NULL};
static const GlimrExtNode kTif = {"TIF", &kTiff};

GLIMR_STANDARD_EXPORTS("TIFF (libtiff)", &kTif, decode)

/* Every decode keeps its state in its own call (the library's decoder
 * object, error handling and file), so Glimr may run several at once. */
GLIMR_PLUGIN_EXPORT int GetPluginThreadSafe(void) {
  return 1;
}
