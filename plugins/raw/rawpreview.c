#include "rawpreview.h"

#include <setjmp.h>
#include <stdio.h>

#include <jerror.h>
#include <jpeglib.h>

#include "pluginutil.h"

/* A preview is a baseline JPEG of a few megapixels; this is ample. */
#define PREVIEW_MAX_MEMORY ((long)96 * 1024 * 1024)

typedef struct {
  struct jpeg_error_mgr base;
  jmp_buf jump;
} ErrorManager;

static void on_error_exit(j_common_ptr cinfo) {
  longjmp(((ErrorManager*)cinfo->err)->jump, 1);
}

static void on_emit_message(j_common_ptr cinfo, int level) {
  /* A preview cut short is damage, not a picture with a grey bottom. */
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
    longjmp(((ErrorManager*)cinfo->err)->jump, 1);
}

static void on_output_message(j_common_ptr cinfo) {
  (void)cinfo;
}

/* min_side < 0: header only. */
static GlimrBitmap* run(const unsigned char* data, size_t size, int32_t min_side, int32_t* width,
                        int32_t* height) {
  if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8)
    return NULL;
  struct jpeg_decompress_struct cinfo;
  ErrorManager err;
  GlimrBitmap* volatile bitmap = NULL;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = on_error_exit;
  err.base.emit_message = on_emit_message;
  err.base.output_message = on_output_message;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    free(bitmap);
    return NULL;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = PREVIEW_MAX_MEMORY;
  jpeg_mem_src(&cinfo, data, (unsigned long)size);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK ||
      !glimr_size_acceptable(cinfo.image_width, cinfo.image_height) || cinfo.progressive_mode ||
      cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK)
    longjmp(err.jump, 1);
  if (min_side < 0) {
    *width = (int32_t)cinfo.image_width;
    *height = (int32_t)cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    return NULL;
  }
  cinfo.out_color_space = JCS_EXT_BGR;
  bitmap = glimr_jpeg_scaled_bitmap(&cinfo, min_side);
  if (!bitmap || cinfo.output_components != 3)
    longjmp(err.jump, 1);
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = bitmap->bits + (size_t)cinfo.output_scanline * bitmap->bytes_per_row;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
      longjmp(err.jump, 1);
  }
  jpeg_abort_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return bitmap;
}

int glimr_raw_jpeg_size(const unsigned char* data, size_t size, int32_t* width, int32_t* height) {
  *width = 0;
  *height = 0;
  run(data, size, -1, width, height);
  return *width > 0 && *height > 0;
}

GlimrBitmap* glimr_raw_jpeg_decode(const unsigned char* data, size_t size, int32_t min_side) {
  return run(data, size, min_side > 0 ? min_side : 0, NULL, NULL);
}
