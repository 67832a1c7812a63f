/*
 * The PNG decoder over libpng, kept for the benchmark only: the same output
 * as the shipped plug-in (every colour type and bit depth, Adam7,
 * transparency composited onto the grey, rows averaged down as they are
 * read), to compare the two libraries' row-by-row speed.
 */
#include <png.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* Ancillary chunks (text, ICC profiles) never need more than this. */
#define PNG_MAX_CHUNK (8L * 1024 * 1024)

static void on_error(png_structp png, png_const_charp message) {
  (void)message;
  png_longjmp(png, 1);
}

static void on_warning(png_structp png, png_const_charp message) {
  (void)png;
  (void)message;
}

/* Bytes of filtered image data the header implies: one filter byte per
 * row, and for an interlaced image per row of each of the seven passes. */
static uint64_t raw_length(png_uint_32 width, png_uint_32 height, int bits_per_pixel,
                           int interlaced) {
  if (!interlaced)
    return (uint64_t)height * (1 + ((uint64_t)width * bits_per_pixel + 7) / 8);
  uint64_t total = 0;
  for (int pass = 0; pass < 7; ++pass) {
    const uint64_t cols = PNG_PASS_COLS(width, pass), rows = PNG_PASS_ROWS(height, pass);
    if (cols && rows)
      total += rows * (1 + (cols * bits_per_pixel + 7) / 8);
  }
  return total;
}

/* Composites one row of 8-bit RGBA onto the grey as blue, green, red. */
static void to_bgr(const unsigned char* in, unsigned char* out, png_uint_32 count) {
  for (png_uint_32 x = 0; x < count; ++x, in += 4, out += 3) {
    const unsigned a = in[3];
    if (a == 255) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    } else {
      out[0] = glimr_composite(in[2], a);
      out[1] = glimr_composite(in[1], a);
      out[2] = glimr_composite(in[0], a);
    }
  }
}

/* min_side < 0: fills size and returns NULL; 0: full size; above 0:
 * reduced while the rows are read. */
static GlimrBitmap* decode(const char* path, int32_t min_side, GlimrImageSize* size) {
  int64_t file_size = 0;
  FILE* volatile file = glimr_fopen_regular(path, &file_size);
  if (!file)
    return NULL;
  unsigned char signature[8];
  if (fread(signature, 1, 8, file) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    fclose(file);
    return NULL;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, on_error, on_warning);
  png_infop info = png ? png_create_info_struct(png) : NULL;
  if (!info) {
    png_destroy_read_struct(&png, NULL, NULL);
    fclose(file);
    return NULL;
  }
  GlimrReducer reducer;
  memset(&reducer, 0, sizeof reducer);
  unsigned char* volatile pixels = NULL;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, NULL);
    free(pixels);
    glimr_reducer_free(&reducer);
    fclose(file);
    return NULL;
  }
  png_set_user_limits(png, GLIMR_MAX_SIDE, GLIMR_MAX_SIDE);
  png_set_chunk_malloc_max(png, PNG_MAX_CHUNK);
  /* This libpng reads a text or profile chunk into a buffer of the length
   * the chunk declares, whatever the limit above says: 1 GB for a 52-byte
   * file. No ancillary chunk but tRNS changes the pixels we deliver, so
   * every other one is skipped unread (tRNS is never in that set). */
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, NULL, -1);
  /* A damaged CRC in an ancillary chunk should not cost the picture. */
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_init_io(png, file);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (!glimr_size_acceptable(width, height))
    png_longjmp(png, 1);
  if (min_side == 0 && !glimr_full_size_acceptable(width, height))
    png_longjmp(png, 1);
  /* The image data is one deflate stream inside the file: a header that
   * asks for more pixels than the file could inflate to is a forgery. */
  const int interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
  const int bits_per_pixel = png_get_bit_depth(png, info) * png_get_channels(png, info);
  if (raw_length(width, height, bits_per_pixel, interlaced) >
      (uint64_t)glimr_inflated_max(file_size))
    png_longjmp(png, 1);
  if (min_side < 0) {
    size->width = (int32_t)width;
    size->height = (int32_t)height;
    png_destroy_read_struct(&png, &info, NULL);
    fclose(file);
    return NULL;
  }
  /* Everything becomes 8-bit RGBA: palette and low-depth grey expanded,
   * tRNS turned into alpha, 16-bit stripped, grey widened, opaque filled. */
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  /* No interlace handling: each pass comes as its own narrow rows, which
   * go straight to their places, so no full-size copy is ever kept. */
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != (size_t)width * 4)
    png_longjmp(png, 1);
  pixels = (unsigned char*)malloc((size_t)width * 7);
  if (!pixels ||
      !glimr_reducer_init(&reducer, (int32_t)width, (int32_t)height, min_side, interlaced))
    png_longjmp(png, 1);
  unsigned char* const bgr = pixels + (size_t)width * 4;
  for (int pass = 0; pass < (interlaced ? 7 : 1); ++pass) {
    const png_uint_32 cols = interlaced ? PNG_PASS_COLS(width, pass) : width;
    const png_uint_32 rows = interlaced ? PNG_PASS_ROWS(height, pass) : height;
    if (cols == 0 || rows == 0)
      continue; /* libpng skips empty passes too */
    const int32_t x0 = interlaced ? PNG_PASS_START_COL(pass) : 0;
    const int32_t dx = interlaced ? PNG_PASS_COL_OFFSET(pass) : 1;
    const int32_t y0 = interlaced ? PNG_PASS_START_ROW(pass) : 0;
    const int32_t dy = interlaced ? PNG_PASS_ROW_OFFSET(pass) : 1;
    for (png_uint_32 r = 0; r < rows; ++r) {
      png_read_row(png, pixels, NULL);
      to_bgr(pixels, bgr, cols);
      glimr_reducer_add(&reducer, y0 + (int32_t)r * dy, x0, dx, bgr, (int32_t)cols);
    }
  }
  png_destroy_read_struct(&png, &info, NULL);
  free(pixels);
  fclose(file);
  return glimr_reducer_finish(&reducer);
}

static const GlimrExtNode kPng = {"PNG", NULL};

GLIMR_STANDARD_EXPORTS("PNG (libpng, benchmark)", &kPng, decode)
