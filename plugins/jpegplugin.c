/*
 * JPEG format plug-in over libjpeg-turbo. Decodes upright (EXIF orientation
 * applied) and offers a reduced decode through the DCT scaling of the
 * library, which skips most of the inverse transform work for thumbnails.
 */
#include <setjmp.h>
#include <stdio.h>

/* jpeglib.h needs size_t and FILE declared before it. */
#include <jerror.h>
#include <jpeglib.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* A progressive file may carry thousands of scans that each walk the whole
 * coefficient buffer; real encoders never write more than a few dozen. */
#define JPEG_MAX_SCANS 500
/* Corrupt-data warnings beyond this mean the stream is garbage. */
#define JPEG_MAX_WARNINGS 1000
/* What the library may allocate for one image. A progressive file keeps
 * every DCT coefficient of the picture until its last scan, whatever the
 * output scale: 2 bytes per coefficient, 3 to 6 bytes per pixel. 240 MB
 * holds an 80 MP progressive photo (4:2:0) and refuses a forged frame
 * header that asks for gigabytes; baseline files need only a few rows. */
#define JPEG_MAX_MEMORY ((long)240 * 1024 * 1024)

typedef struct {
  struct jpeg_error_mgr base;
  jmp_buf jump;
  long warnings;
} ErrorManager;

typedef struct {
  struct jpeg_progress_mgr base;
  j_decompress_ptr cinfo;
} ProgressManager;

static void on_error_exit(j_common_ptr cinfo) {
  ErrorManager* err = (ErrorManager*)cinfo->err;
  longjmp(err->jump, 1);
}

static void on_emit_message(j_common_ptr cinfo, int level) {
  ErrorManager* err = (ErrorManager*)cinfo->err;
  if (level >= 0)
    return;
  /* The data ended before the last row: the library would fill the rest
   * with grey, but a truncated file counts as undecodable. */
  if (err->base.msg_code == JWRN_JPEG_EOF)
    longjmp(err->jump, 1);
  if (++err->warnings > JPEG_MAX_WARNINGS)
    longjmp(err->jump, 1);
}

static void on_output_message(j_common_ptr cinfo) {
  (void)cinfo;
}

static void on_progress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    j_decompress_ptr d = (j_decompress_ptr)cinfo;
    if (d->input_scan_number > JPEG_MAX_SCANS) {
      ErrorManager* err = (ErrorManager*)cinfo->err;
      longjmp(err->jump, 1);
    }
  }
}

static int orientation_of(j_decompress_ptr cinfo) {
  for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6) {
      const int o = glimr_exif_orientation(m->data, m->data_length);
      if (o != 1)
        return o;
    }
  }
  return 1;
}

/* True when every component's DC coefficients are known but for at most
 * their lowest bit. Encoders send that bit in a refinement scan after most
 * AC scans; without it a pixel of a 1/8 image is off by at most an eighth
 * of the DC quantiser (under one level at usual qualities), which no one
 * sees in a thumbnail. */
static int dc_complete(j_decompress_ptr cinfo) {
  if (!cinfo->coef_bits)
    return 0;
  for (int c = 0; c < cinfo->num_components; ++c) {
    if (cinfo->coef_bits[c][0] < 0 || cinfo->coef_bits[c][0] > 1)
      return 0;
  }
  return 1;
}

/* min_side < 0: header only, fills size. Otherwise decodes, reduced when
 * min_side > 0. */
static GlimrBitmap* decode(const char* path, int32_t min_side, GlimrImageSize* size) {
  FILE* volatile file = glimr_fopen_regular(path, NULL);
  if (!file)
    return NULL;
  struct jpeg_decompress_struct cinfo;
  ErrorManager err;
  ProgressManager progress;
  GlimrBitmap* volatile bitmap = NULL;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = on_error_exit;
  err.base.emit_message = on_emit_message;
  err.base.output_message = on_output_message;
  err.warnings = 0;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    free(bitmap);
    fclose(file);
    return NULL;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = JPEG_MAX_MEMORY;
  progress.base.progress_monitor = on_progress;
  progress.cinfo = &cinfo;
  cinfo.progress = &progress.base;
  jpeg_stdio_src(&cinfo, file);
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
    longjmp(err.jump, 1);
  if (!glimr_size_acceptable(cinfo.image_width, cinfo.image_height))
    longjmp(err.jump, 1);
  if (min_side == 0 && !glimr_full_size_acceptable(cinfo.image_width, cinfo.image_height))
    longjmp(err.jump, 1);
  const int orientation = orientation_of(&cinfo);
  if (min_side < 0) {
    const int swap = glimr_orientation_swaps_sides(orientation);
    size->width = (int32_t)(swap ? cinfo.image_height : cinfo.image_width);
    size->height = (int32_t)(swap ? cinfo.image_width : cinfo.image_height);
    jpeg_destroy_decompress(&cinfo);
    fclose(file);
    return NULL;
  }
  /* CMYK files (from print work flows) come out as CMYK and are converted
   * below; everything else the library turns into BGR itself. */
  const int cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  bitmap = glimr_jpeg_scaled_bitmap(&cinfo, min_side);
  if (!bitmap || cinfo.output_components != (cmyk ? 4 : 3))
    longjmp(err.jump, 1);
  /* A progressive file shown at 1/8 needs only the DC coefficients, which
   * come in the first scans: read up to the scan that completes them and
   * skip the AC scans that make up most of the file. */
  const int dc_only = cinfo.progressive_mode && cinfo.scale_denom == 8;
  if (dc_only) {
    cinfo.buffered_image = TRUE;
    cinfo.do_block_smoothing = FALSE;
  }
  jpeg_start_decompress(&cinfo);
  if (dc_only) {
    for (;;) {
      const int status = jpeg_consume_input(&cinfo);
      if (status == JPEG_SUSPENDED || cinfo.input_scan_number > JPEG_MAX_SCANS)
        longjmp(err.jump, 1);
      if (status == JPEG_REACHED_EOI)
        break;
      if (status == JPEG_SCAN_COMPLETED && dc_complete(&cinfo))
        break;
    }
    jpeg_start_output(&cinfo, cinfo.input_scan_number);
  }
  JSAMPARRAY cmyk_row = cmyk ? (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE,
                                                          cinfo.output_width * 4, 1)
                             : NULL;
  while (cinfo.output_scanline < cinfo.output_height) {
    unsigned char* out = bitmap->bits + (size_t)cinfo.output_scanline * bitmap->bytes_per_row;
    JSAMPROW row = cmyk ? cmyk_row[0] : out;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
      longjmp(err.jump, 1);
    if (cmyk) {
      /* Adobe writes CMYK inverted (255 = no ink), which is what nearly
       * every CMYK JPEG in the wild carries. */
      const int inverted = cinfo.saw_Adobe_marker;
      for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
        unsigned c = row[4 * x], m = row[4 * x + 1], y = row[4 * x + 2], k = row[4 * x + 3];
        if (!inverted) {
          c = 255 - c;
          m = 255 - m;
          y = 255 - y;
          k = 255 - k;
        }
        out[3 * x] = (unsigned char)((y * k + 127) / 255);
        out[3 * x + 1] = (unsigned char)((m * k + 127) / 255);
        out[3 * x + 2] = (unsigned char)((c * k + 127) / 255);
      }
    }
  }
  /* Trailing garbage after the last row is no reason to drop the image. */
  jpeg_abort_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  fclose(file);
  return glimr_bitmap_orient(bitmap, orientation);
}

static const GlimrExtNode kJfif = {"JFIF", NULL};
static const GlimrExtNode kJpe = {"JPE", &kJfif};
static const GlimrExtNode kJpeg = {"JPEG", &kJpe};
static const GlimrExtNode kJpg = {"JPG", &kJpeg};

GLIMR_STANDARD_EXPORTS("JPEG (libjpeg-turbo)", &kJpg, decode)

/* Every decode keeps its state in its own call (the library's decoder
 * object, error handling and file), so Glimr may run several at once. */
GLIMR_PLUGIN_EXPORT int GetPluginThreadSafe(void) {
  return 1;
}
