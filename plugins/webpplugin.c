/*
 * WebP format plug-in over libwebp: still lossy and lossless files, with
 * transparency composited onto a neutral grey. Animated files are refused.
 * Thumbnails use the library's scaled decode.
 */
#include <stdlib.h>
#include <string.h>
#include <webp/decode.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* A still WebP is one RIFF file of at most this many bytes; a larger one
 * would be refused by the budget below anyway. */
#define WEBP_MAX_FILE ((size_t)192 * 1024 * 1024)
/* The RIFF and VP8/VP8L/VP8X chunk headers fit in this. */
#define WEBP_HEADER_BYTES 64
/* What the library holds for the whole picture, whatever the output size:
 * a lossless picture as 4 bytes a pixel, the alpha plane of a lossy one as
 * 1 byte a pixel (lossy colour is decoded a few rows at a time). */
#define WEBP_MAX_LIBRARY_BYTES ((uint64_t)160 * 1024 * 1024)

/* Reads the features from the head of the file and, when they are
 * acceptable, the body it announces; NULL otherwise. The body is never
 * read before the header has been looked at. */
static unsigned char* read_webp(const char* path, int32_t min_side, WebPBitstreamFeatures* features,
                                size_t* size) {
  int64_t file_size = 0;
  FILE* f = glimr_fopen_regular(path, &file_size);
  if (!f)
    return NULL;
  unsigned char head[WEBP_HEADER_BYTES];
  const size_t got = fread(head, 1, sizeof head, f);
  if (got < 12 || memcmp(head, "RIFF", 4) != 0 || memcmp(head + 8, "WEBP", 4) != 0 ||
      WebPGetFeatures(head, got, features) != VP8_STATUS_OK ||
      !glimr_size_acceptable(features->width, features->height) ||
      (min_side == 0 && !glimr_full_size_acceptable(features->width, features->height)) ||
      features->has_animation) {
    fclose(f);
    return NULL;
  }
  const uint64_t area = (uint64_t)features->width * (uint64_t)features->height;
  if ((features->format == 2 && area * 4 > WEBP_MAX_LIBRARY_BYTES) ||
      (features->has_alpha && area > WEBP_MAX_LIBRARY_BYTES)) {
    fclose(f);
    return NULL;
  }
  const uint64_t riff = 8 + ((uint64_t)head[4] | ((uint64_t)head[5] << 8) |
                             ((uint64_t)head[6] << 16) | ((uint64_t)head[7] << 24));
  const uint64_t length = riff < (uint64_t)file_size ? riff : (uint64_t)file_size;
  unsigned char* data = length <= WEBP_MAX_FILE ? (unsigned char*)malloc(length) : NULL;
  if (!data || length < got) {
    free(data);
    fclose(f);
    return NULL;
  }
  memcpy(data, head, got);
  const size_t rest = fread(data + got, 1, length - got, f);
  fclose(f);
  if (rest != length - got) {
    free(data);
    return NULL;
  }
  *size = length;
  return data;
}

/* min_side 0: full size; above 0: scaled while decoding (the library
 * scales row by row) to no side below min_side. */
static GlimrBitmap* decode(const char* path, int32_t min_side) {
  WebPBitstreamFeatures features;
  size_t size = 0;
  unsigned char* data = read_webp(path, min_side, &features, &size);
  if (!data)
    return NULL;
  const int32_t f = glimr_reduce_factor(features.width, features.height, min_side);
  const int out_w = (features.width + f - 1) / f, out_h = (features.height + f - 1) / f;
  GlimrBitmap* bitmap = glimr_bitmap_alloc(out_w, out_h);
  WebPDecoderConfig config;
  if (!bitmap || !WebPInitDecoderConfig(&config)) {
    free(bitmap);
    free(data);
    return NULL;
  }
  if (f > 1) {
    config.options.use_scaling = 1;
    config.options.scaled_width = out_w;
    config.options.scaled_height = out_h;
  }
  config.output.colorspace = features.has_alpha ? MODE_BGRA : MODE_BGR;
  if (!features.has_alpha) {
    /* Opaque pictures land in the bitmap's own rows. */
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = bitmap->bits;
    config.output.u.RGBA.stride = bitmap->bytes_per_row;
    config.output.u.RGBA.size = (size_t)bitmap->bytes_per_row * (size_t)bitmap->height;
  }
  const VP8StatusCode status = WebPDecode(data, size, &config);
  free(data);
  if (status != VP8_STATUS_OK || config.output.width != out_w || config.output.height != out_h) {
    WebPFreeDecBuffer(&config.output);
    free(bitmap);
    return NULL;
  }
  if (features.has_alpha) {
    const WebPRGBABuffer* rgba = &config.output.u.RGBA;
    for (int y = 0; y < out_h; ++y) {
      const uint8_t* in = rgba->rgba + (size_t)y * (size_t)rgba->stride;
      unsigned char* out = bitmap->bits + (size_t)y * bitmap->bytes_per_row;
      for (int x = 0; x < out_w; ++x, in += 4, out += 3) {
        out[0] = glimr_composite(in[0], in[3]);
        out[1] = glimr_composite(in[1], in[3]);
        out[2] = glimr_composite(in[2], in[3]);
      }
    }
  }
  WebPFreeDecBuffer(&config.output);
  return bitmap;
}

static const GlimrExtNode kWebp = {"WEBP", NULL};

GLIMR_NAMING_EXPORTS("WebP (libwebp)", &kWebp)

GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmap(const char* path) {
  return path ? decode(path, 0) : NULL;
}

GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmapReduced(const char* path, int32_t min_side) {
  return path ? decode(path, min_side > 0 ? min_side : 0) : NULL;
}

GLIMR_PLUGIN_EXPORT void GetFileInfo(const char* path, GlimrImageSize* size) {
  if (!size)
    return;
  size->width = 0;
  size->height = 0;
  if (!path)
    return;
  size_t n = 0;
  unsigned char* head = glimr_read_file_head(path, WEBP_HEADER_BYTES, &n);
  if (!head)
    return;
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(head, n, &features) == VP8_STATUS_OK &&
      glimr_size_acceptable(features.width, features.height)) {
    size->width = features.width;
    size->height = features.height;
  }
  free(head);
}

/* libwebp keeps no state between calls, and each decode has its own
 * buffers, so Glimr may run several at once. */
GLIMR_PLUGIN_EXPORT int GetPluginThreadSafe(void) {
  return 1;
}
