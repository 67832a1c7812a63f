/*
 * PNG format plug-in over libspng: every colour type and bit depth, Adam7
 * interlacing, and transparency composited onto a neutral grey. Rows are
 * decoded one at a time and averaged down as they arrive, so a thumbnail
 * never holds the picture. The plug-in keeps no global mutable state.
 */
#include <spng.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* Bounds on the chunks libspng holds in memory (palette, tRNS); the image
 * data streams through in pieces whatever its chunks' size. */
#define PNG_MAX_CHUNK (8L * 1024 * 1024)
#define PNG_MAX_CACHE (16L * 1024 * 1024)
#define PNG_IO_BUFFER (64 * 1024)

/* Adam7: first column and row, and column and row step of each pass. */
static const int kPassX0[7] = {0, 4, 0, 2, 0, 1, 0};
static const int kPassY0[7] = {0, 0, 4, 0, 2, 0, 1};
static const int kPassDx[7] = {8, 8, 4, 4, 2, 2, 1};
static const int kPassDy[7] = {8, 8, 8, 4, 4, 2, 2};

static uint64_t pass_extent(uint64_t side, int start, int step) {
  return side > (uint64_t)start ? (side - (uint64_t)start + (uint64_t)step - 1) / (uint64_t)step
                                : 0;
}

/* Bytes of filtered image data the header implies: one filter byte per
 * row, and for an interlaced image per row of each of the seven passes. */
static uint64_t raw_length(uint32_t width, uint32_t height, int bits_per_pixel, int interlaced) {
  if (!interlaced)
    return (uint64_t)height * (1 + ((uint64_t)width * (uint64_t)bits_per_pixel + 7) / 8);
  uint64_t total = 0;
  for (int pass = 0; pass < 7; ++pass) {
    const uint64_t cols = pass_extent(width, kPassX0[pass], kPassDx[pass]);
    const uint64_t rows = pass_extent(height, kPassY0[pass], kPassDy[pass]);
    if (cols && rows)
      total += rows * (1 + (cols * (uint64_t)bits_per_pixel + 7) / 8);
  }
  return total;
}

static int channels_of(int color_type) {
  switch (color_type) {
    case SPNG_COLOR_TYPE_GRAYSCALE:
    case SPNG_COLOR_TYPE_INDEXED:
      return 1;
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
      return 2;
    case SPNG_COLOR_TYPE_TRUECOLOR:
      return 3;
    default:
      return 4;
  }
}

/* The file as libspng sees it: only the chunks that decide the pixels
 * (IHDR, PLTE, tRNS, IDAT, IEND) pass; every other chunk is skipped unread
 * with a seek, so a text or profile chunk that declares a gigabyte costs
 * nothing and can never stop the picture from decoding. */
typedef struct ChunkFilter {
  FILE* file;
  uint32_t passing;        /* bytes of the signature or current chunk to pass */
  unsigned char header[8]; /* length and type of a chunk being passed */
  uint32_t header_left;    /* of header[] still to hand out */
} ChunkFilter;

static uint32_t be32(const unsigned char* p) {
  return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3];
}

static int chunk_passes(const unsigned char* type) {
  return memcmp(type, "IHDR", 4) == 0 || memcmp(type, "PLTE", 4) == 0 ||
         memcmp(type, "tRNS", 4) == 0 || memcmp(type, "IDAT", 4) == 0 ||
         memcmp(type, "IEND", 4) == 0;
}

static int filtered_read(spng_ctx* ctx, void* user, void* dest, size_t length) {
  (void)ctx;
  ChunkFilter* f = (ChunkFilter*)user;
  unsigned char* out = (unsigned char*)dest;
  while (length > 0) {
    if (f->header_left > 0) {
      const size_t n = length < f->header_left ? length : f->header_left;
      memcpy(out, f->header + (8 - f->header_left), n);
      f->header_left -= (uint32_t)n;
      out += n;
      length -= n;
      continue;
    }
    if (f->passing > 0) {
      const size_t n = length < f->passing ? length : f->passing;
      if (fread(out, 1, n, f->file) != n)
        return SPNG_IO_EOF;
      f->passing -= (uint32_t)n;
      out += n;
      length -= n;
      continue;
    }
    /* At a chunk boundary: pass the next wanted chunk, skip the others. */
    for (;;) {
      if (fread(f->header, 1, 8, f->file) != 8)
        return SPNG_IO_EOF;
      const uint32_t data = be32(f->header);
      if (data > 0x7fffffffu)
        return SPNG_IO_ERROR; /* not a valid chunk length */
      if (chunk_passes(f->header + 4)) {
        f->header_left = 8;
        f->passing = data + 4; /* data and CRC */
        break;
      }
      if (fseeko(f->file, (off_t)data + 4, SEEK_CUR) != 0)
        return SPNG_IO_ERROR;
    }
  }
  return 0;
}

/* How a decoded row is laid out: truecolour pictures come in the file's own
 * layout (16-bit samples in host order), which libspng hands over fastest,
 * every other kind converted by libspng to 8-bit RGB, or RGBA when it has
 * transparency. */
typedef enum RowLayout { ROW_RGB8, ROW_RGBA8, ROW_RGB16, ROW_RGBA16 } RowLayout;

static const size_t kLayoutBytes[4] = {3, 4, 6, 8};

/* The top 8 bits of a 16-bit sample, as a reduction to 8 bits keeps them. */
static unsigned top8(const unsigned char* p) {
  uint16_t v;
  memcpy(&v, p, 2);
  return v >> 8;
}

static void put_bgr(unsigned char* out, unsigned r, unsigned g, unsigned b, unsigned a) {
  if (a == 255) {
    out[0] = (unsigned char)b;
    out[1] = (unsigned char)g;
    out[2] = (unsigned char)r;
  } else {
    out[0] = glimr_composite(b, a);
    out[1] = glimr_composite(g, a);
    out[2] = glimr_composite(r, a);
  }
}

/* Pixels x0, x0 + step, ... of a decoded row as blue, green, red, with any
 * transparency composited onto the grey. */
static void row_to_bgr(RowLayout layout, const unsigned char* in, unsigned char* out, int32_t x0,
                       int32_t step, int32_t count) {
  const size_t stride = kLayoutBytes[layout] * (size_t)step;
  in += kLayoutBytes[layout] * (size_t)x0;
  switch (layout) {
    case ROW_RGB8:
      for (int32_t i = 0; i < count; ++i, in += stride, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
      break;
    case ROW_RGBA8:
      for (int32_t i = 0; i < count; ++i, in += stride, out += 3)
        put_bgr(out, in[0], in[1], in[2], in[3]);
      break;
    case ROW_RGB16:
      for (int32_t i = 0; i < count; ++i, in += stride, out += 3) {
        out[0] = (unsigned char)top8(in + 4);
        out[1] = (unsigned char)top8(in + 2);
        out[2] = (unsigned char)top8(in);
      }
      break;
    case ROW_RGBA16:
      for (int32_t i = 0; i < count; ++i, in += stride, out += 3)
        put_bgr(out, top8(in), top8(in + 2), top8(in + 4), top8(in + 6));
      break;
  }
}

/* min_side < 0: fills size and returns NULL; 0: full size; above 0:
 * reduced while the rows are read. */
static GlimrBitmap* decode(const char* path, int32_t min_side, GlimrImageSize* size) {
  int64_t file_size = 0;
  ChunkFilter filter;
  memset(&filter, 0, sizeof filter);
  filter.passing = 8; /* the signature */
  filter.file = glimr_fopen_regular(path, &file_size);
  if (!filter.file)
    return NULL;
  /* A decode reads the whole file, in far fewer calls with a larger buffer
   * than stdio's 4 KB; the header alone needs no more than the default. */
  char* io_buffer = min_side >= 0 ? (char*)malloc(PNG_IO_BUFFER) : NULL;
  if (io_buffer)
    setvbuf(filter.file, io_buffer, _IOFBF, PNG_IO_BUFFER);
  GlimrBitmap* result = NULL;
  GlimrReducer reducer;
  memset(&reducer, 0, sizeof reducer);
  unsigned char* row = NULL;
  spng_ctx* ctx = spng_ctx_new(0);
  if (!ctx)
    goto done;
  spng_set_image_limits(ctx, GLIMR_MAX_SIDE, GLIMR_MAX_SIDE);
  spng_set_chunk_limits(ctx, PNG_MAX_CHUNK, PNG_MAX_CACHE);
  /* A damaged checksum should not cost the picture: the pixels are used
   * as they are, as far as the deflate stream itself holds together. */
  spng_set_crc_action(ctx, SPNG_CRC_USE, SPNG_CRC_USE);
  if (spng_set_png_stream(ctx, filtered_read, &filter) != 0)
    goto done;
  struct spng_ihdr ihdr;
  if (spng_get_ihdr(ctx, &ihdr) != 0)
    goto done;
  const uint32_t width = ihdr.width, height = ihdr.height;
  if (!glimr_size_acceptable(width, height))
    goto done;
  if (min_side == 0 && !glimr_full_size_acceptable(width, height))
    goto done;
  /* The image data is one deflate stream inside the file: a header that
   * asks for more pixels than the file could inflate to is a forgery. */
  const int interlaced = ihdr.interlace_method != SPNG_INTERLACE_NONE;
  const int bits_per_pixel = ihdr.bit_depth * channels_of(ihdr.color_type);
  if (raw_length(width, height, bits_per_pixel, interlaced) >
      (uint64_t)glimr_inflated_max(file_size))
    goto done;
  if (min_side < 0) {
    size->width = (int32_t)width;
    size->height = (int32_t)height;
    goto done;
  }
  struct spng_trns trns;
  const int has_alpha = ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ||
                        ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ||
                        spng_get_trns(ctx, &trns) == 0;
  RowLayout layout = has_alpha ? ROW_RGBA8 : ROW_RGB8;
  int fmt = has_alpha ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
  int flags = SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE;
  /* Truecolour without a tRNS key is taken as it is stored. */
  const int alpha_channel = ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
  if ((ihdr.color_type == SPNG_COLOR_TYPE_TRUECOLOR && !has_alpha) || alpha_channel) {
    if (ihdr.bit_depth == 16)
      layout = alpha_channel ? ROW_RGBA16 : ROW_RGB16;
    fmt = SPNG_FMT_PNG;
    flags = SPNG_DECODE_PROGRESSIVE;
  }
  if (spng_decode_image(ctx, NULL, 0, fmt, flags) != 0)
    goto done;
  const size_t row_bytes = (size_t)width * kLayoutBytes[layout];
  row = (unsigned char*)malloc(row_bytes + (size_t)width * 3);
  if (!row || !glimr_reducer_init(&reducer, (int32_t)width, (int32_t)height, min_side, interlaced))
    goto done;
  unsigned char* const bgr = row + row_bytes;
  for (;;) {
    struct spng_row_info info;
    const int next = spng_get_row_info(ctx, &info);
    if (next == SPNG_EOI)
      break; /* an interlaced picture ends after its last non-empty pass */
    if (next != 0 || info.pass < 0 || info.pass > 6)
      goto done;
    const int status = spng_decode_row(ctx, row, row_bytes);
    if (status != 0 && status != SPNG_EOI)
      goto done; /* damaged or truncated */
    /* An interlaced row holds only the pixels of its pass, in place. */
    const int32_t x0 = interlaced ? kPassX0[info.pass] : 0;
    const int32_t dx = interlaced ? kPassDx[info.pass] : 1;
    const int32_t cols = (int32_t)pass_extent(width, x0, dx);
    row_to_bgr(layout, row, bgr, x0, dx, cols);
    glimr_reducer_add(&reducer, (int32_t)info.row_num, x0, dx, bgr, cols);
    if (status == SPNG_EOI)
      break;
  }
  result = glimr_reducer_finish(&reducer);

done:
  spng_ctx_free(ctx);
  free(row);
  glimr_reducer_free(&reducer);
  fclose(filter.file);
  free(io_buffer);
  return result;
}

static const GlimrExtNode kPng = {"PNG", NULL};

GLIMR_STANDARD_EXPORTS("PNG (libspng)", &kPng, decode)

/* Every call works on its own decoder and file; nothing is shared. */
GLIMR_PLUGIN_EXPORT int GetPluginThreadSafe(void) {
  return 1;
}
