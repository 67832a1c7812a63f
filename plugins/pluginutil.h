/*
 * Helpers shared by the shipped format plug-ins: EXIF orientation, upright
 * transforms, alpha compositing and bounded file reading. Plain C.
 */
#ifndef GLIMR_PLUGINUTIL_H
#define GLIMR_PLUGINUTIL_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "glimr_plugin.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Grey that transparent pixels are composited onto. */
#define GLIMR_NEUTRAL_BACKGROUND 128

/* Orientation (1..8, the EXIF/TIFF meaning) from the payload of a JPEG APP1
 * segment ("Exif\0\0" followed by a TIFF header). 1 when absent or damaged. */
int glimr_exif_orientation(const unsigned char* data, size_t size);

/* True for the orientations that swap width and height (5..8). */
int glimr_orientation_swaps_sides(int orientation);

/* Turns a bitmap stored with the given orientation upright. Returns the same
 * bitmap for orientation 1 (or an unknown value), otherwise a new one, and
 * frees the source in both the success and failure case; NULL on failure. */
GlimrBitmap* glimr_bitmap_orient(GlimrBitmap* source, int orientation);

/* Blends one colour channel with alpha a (0..255) onto the neutral grey. */
static inline unsigned char glimr_composite(unsigned int value, unsigned int alpha) {
  return (unsigned char)((value * alpha + GLIMR_NEUTRAL_BACKGROUND * (255u - alpha) + 127u) / 255u);
}

/* count pixels of 8-bit RGB (channels 3) or RGBA (channels 4, composited
 * onto the neutral grey) as blue, green, red. */
static inline void glimr_rgb_to_bgr(const unsigned char* in, int channels, unsigned char* out,
                                    size_t count) {
  for (size_t i = 0; i < count; ++i, in += channels, out += 3) {
    if (channels == 4) {
      out[0] = glimr_composite(in[2], in[3]);
      out[1] = glimr_composite(in[1], in[3]);
      out[2] = glimr_composite(in[0], in[3]);
    } else {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
}

/* The coarsest of libjpeg's 1/8, 1/4, 1/2 scales that keeps both sides of a
 * w x h JPEG at least min_side (or the full side when that is smaller
 * already); 1 for min_side <= 0. */
static inline unsigned glimr_jpeg_scale_denominator(unsigned long w, unsigned long h,
                                                    int32_t min_side) {
  if (min_side <= 0)
    return 1;
  const unsigned long need_w = (unsigned long)min_side < w ? (unsigned long)min_side : w;
  const unsigned long need_h = (unsigned long)min_side < h ? (unsigned long)min_side : h;
  for (unsigned d = 8; d > 1; d /= 2) {
    if ((w + d - 1) / d >= need_w && (h + d - 1) / d >= need_h)
      return d;
  }
  return 1;
}

#ifdef JPEG_LIB_VERSION
/* For a libjpeg decompress whose header is read and whose output colour
 * space is chosen: decodes at the coarsest scale that keeps min_side (full
 * size for min_side <= 0), with the fast transform and plain upsampling for a
 * reduced decode, since thumbnails are averaged down afterwards and lose
 * nothing visible there. Returns a bitmap of the output size, NULL when it is
 * refused. Only there when jpeglib.h is included before this header. */
static inline GlimrBitmap* glimr_jpeg_scaled_bitmap(struct jpeg_decompress_struct* cinfo,
                                                    int32_t min_side) {
  cinfo->scale_num = 1;
  cinfo->scale_denom =
      glimr_jpeg_scale_denominator(cinfo->image_width, cinfo->image_height, min_side);
  if (min_side > 0) {
    cinfo->dct_method = JDCT_IFAST;
    cinfo->do_fancy_upsampling = FALSE;
  }
  jpeg_calc_output_dimensions(cinfo);
  return glimr_bitmap_alloc((int32_t)cinfo->output_width, (int32_t)cinfo->output_height);
}
#endif

/* Opens path for reading without ever blocking: a FIFO without a writer
 * would hold open() forever, and a device or folder has no picture in it.
 * Returns a descriptor of a regular file (and its length in *size when size
 * is not NULL), or -1. */
int glimr_open_regular(const char* path, int64_t* size);

/* The same as a stdio stream; NULL when not a regular file. */
FILE* glimr_fopen_regular(const char* path, int64_t* size);

/* The most bytes a deflate stream of n compressed bytes inflates to: the
 * format cannot do better than 258 bytes per 2 bits, about 1032 : 1. */
static inline int64_t glimr_inflated_max(int64_t n) {
  return n * 1032 + 4096;
}

/* Whether a file of file_size bytes can plausibly hold a width x height
 * picture, for decoders that must hold the whole picture in memory however
 * small the thumbnail asked for. A few kilobytes of a flat picture can
 * declare a hundred megapixels and cost gigabytes and many seconds to
 * decode; real pictures take far more than one byte per 4096 pixels, so
 * pictures above 16 megapixels must bring at least that much file. */
#define GLIMR_PLAUSIBLE_ANY_PIXELS ((int64_t)16 * 1024 * 1024)
#define GLIMR_PIXELS_PER_FILE_BYTE 4096
static inline int glimr_size_plausible(int64_t width, int64_t height, int64_t file_size) {
  const int64_t pixels = width * height;
  return pixels <= GLIMR_PLAUSIBLE_ANY_PIXELS || file_size >= pixels / GLIMR_PIXELS_PER_FILE_BYTE;
}

/* Reduces a picture by averaging whole blocks of factor x factor pixels as
 * its rows arrive, so a thumbnail costs memory in proportion to its own
 * size, not the picture's. With factor 1 the rows go straight into the
 * bitmap (a full decode). Rows must arrive top to bottom unless any_order
 * was asked for (interlaced images), which keeps sums for every output
 * pixel instead of one output row. */
typedef struct GlimrReducer {
  int32_t width, height, factor;
  int any_order;
  GlimrBitmap* bitmap;
  uint32_t* sums; /* blue, green, red per output pixel of one row or all */
  int32_t band;   /* output row being summed when rows come in order */
} GlimrReducer;

/* The coarsest whole factor that keeps both sides of the result at least
 * min_side (or the full side when that is smaller); 1 when min_side <= 0. */
int32_t glimr_reduce_factor(int64_t width, int64_t height, int32_t min_side);

/* Prepares a reducer to the size glimr_reduce_factor gives; 0 when memory
 * is short or the size is not acceptable. */
int glimr_reducer_init(GlimrReducer* r, int32_t width, int32_t height, int32_t min_side,
                       int any_order);

/* Adds count pixels (blue, green, red) of source row y, the i-th at column
 * x0 + i * step. */
void glimr_reducer_add(GlimrReducer* r, int32_t y, int32_t x0, int32_t step,
                       const unsigned char* bgr, int32_t count);

/* Hands over the finished bitmap (NULL after a failed init). */
GlimrBitmap* glimr_reducer_finish(GlimrReducer* r);

/* Releases whatever the reducer still holds. */
void glimr_reducer_free(GlimrReducer* r);

/* Reads a whole file into a malloc block (caller frees); NULL when it cannot
 * be read or is larger than max_size bytes. */
unsigned char* glimr_read_file(const char* path, size_t max_size, size_t* size);

/* Reads at most max_size bytes from the start of a file. */
unsigned char* glimr_read_file_head(const char* path, size_t max_size, size_t* size);

/* The three exports that only name a plug-in: its type text, its name and
 * the first node of its extension list. */
#define GLIMR_NAMING_EXPORTS(name, first_extension)                   \
  GLIMR_PLUGIN_EXPORT const char* GetPluginType(void) {               \
    return GLIMR_PLUGIN_TYPE;                                         \
  }                                                                   \
  GLIMR_PLUGIN_EXPORT const char* GetPluginName(void) {               \
    return name;                                                      \
  }                                                                   \
  GLIMR_PLUGIN_EXPORT const GlimrExtNode* GetSupplyExtensions(void) { \
    return first_extension;                                           \
  }

/* Every standard export for a plug-in whose decoder has the form
 * decode(path, min_side, size): min_side < 0 only fills *size from the
 * header and returns NULL, 0 decodes at full size, above 0 decodes reduced
 * to no side below min_side. */
#define GLIMR_STANDARD_EXPORTS(name, first_extension, decode)                                 \
  GLIMR_NAMING_EXPORTS(name, first_extension)                                                 \
  GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmap(const char* path) {                          \
    return path ? decode(path, 0, NULL) : NULL;                                               \
  }                                                                                           \
  GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmapReduced(const char* path, int32_t min_side) { \
    return path ? decode(path, min_side > 0 ? min_side : 0, NULL) : NULL;                     \
  }                                                                                           \
  GLIMR_PLUGIN_EXPORT void GetFileInfo(const char* path, GlimrImageSize* size) {              \
    if (!size)                                                                                \
      return;                                                                                 \
    size->width = 0;                                                                          \
    size->height = 0;                                                                         \
    if (path)                                                                                 \
      decode(path, -1, size);                                                                 \
  }

#ifdef __cplusplus
}
#endif

#endif /* GLIMR_PLUGINUTIL_H */
