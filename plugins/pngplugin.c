/*
 * PNG format plug-in over libpng: every colour type and bit depth, Adam7
 * interlacing, and transparency composited onto a neutral grey.
 */
#include <png.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>

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

/* header_only: fills size and returns NULL. */
static GlimrBitmap* decode(const char* path, int header_only, GlimrImageSize* size) {
  FILE* volatile file = fopen(path, "rb");
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
  GlimrBitmap* volatile bitmap = NULL;
  unsigned char* volatile pixels = NULL;
  png_bytep* volatile rows = NULL;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, NULL);
    free(rows);
    free(pixels);
    free(bitmap);
    fclose(file);
    return NULL;
  }
  png_set_user_limits(png, GLIMR_MAX_SIDE, GLIMR_MAX_SIDE);
  png_set_chunk_malloc_max(png, PNG_MAX_CHUNK);
  /* A damaged CRC in an ancillary chunk should not cost the picture. */
  png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
  png_init_io(png, file);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (!glimr_size_acceptable(width, height))
    png_longjmp(png, 1);
  if (header_only) {
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
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != (size_t)width * 4)
    png_longjmp(png, 1);
  bitmap = glimr_bitmap_alloc((int32_t)width, (int32_t)height);
  if (!bitmap)
    png_longjmp(png, 1);
  if (passes > 1) {
    /* Interlaced images revisit every row once per pass. */
    pixels = (unsigned char*)malloc((size_t)width * 4 * height);
    rows = (png_bytep*)malloc(sizeof(png_bytep) * height);
    if (!pixels || !rows)
      png_longjmp(png, 1);
    for (png_uint_32 y = 0; y < height; ++y)
      rows[y] = pixels + (size_t)y * width * 4;
    png_read_image(png, rows);
  } else {
    pixels = (unsigned char*)malloc((size_t)width * 4);
    if (!pixels)
      png_longjmp(png, 1);
  }
  for (png_uint_32 y = 0; y < height; ++y) {
    const unsigned char* in = passes > 1 ? rows[y] : pixels;
    if (passes == 1)
      png_read_row(png, pixels, NULL);
    unsigned char* out = bitmap->bits + (size_t)y * bitmap->bytes_per_row;
    for (png_uint_32 x = 0; x < width; ++x, in += 4, out += 3) {
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
  png_destroy_read_struct(&png, &info, NULL);
  free(rows);
  free(pixels);
  fclose(file);
  return bitmap;
}

static const GlimrExtNode kPng = {"PNG", NULL};

GLIMR_STANDARD_EXPORTS("PNG (libpng)", &kPng, decode, 0, 1)
