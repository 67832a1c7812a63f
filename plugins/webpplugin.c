/*
 * WebP format plug-in over libwebp: still lossy and lossless files, with
 * transparency composited onto a neutral grey. Animated files are refused.
 */
#include <stdlib.h>
#include <webp/decode.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* The format itself cannot describe more than 16383 x 16383 pixels. */
#define WEBP_MAX_FILE ((size_t)1024 * 1024 * 1024)
/* The RIFF and VP8/VP8L/VP8X chunk headers fit in this. */
#define WEBP_HEADER_BYTES 64

static GlimrBitmap* decode(const char* path) {
  size_t size = 0;
  unsigned char* data = glimr_read_file(path, WEBP_MAX_FILE, &size);
  if (!data)
    return NULL;
  GlimrBitmap* bitmap = NULL;
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK ||
      !glimr_size_acceptable(features.width, features.height)) {
    free(data);
    return NULL;
  }
  bitmap = glimr_bitmap_alloc(features.width, features.height);
  if (!bitmap) {
    free(data);
    return NULL;
  }
  if (!features.has_alpha) {
    const size_t bytes = (size_t)bitmap->bytes_per_row * (size_t)bitmap->height;
    if (!WebPDecodeBGRInto(data, size, bitmap->bits, bytes, bitmap->bytes_per_row)) {
      free(bitmap);
      bitmap = NULL;
    }
    free(data);
    return bitmap;
  }
  int w = 0, h = 0;
  uint8_t* bgra = WebPDecodeBGRA(data, size, &w, &h);
  free(data);
  if (!bgra || w != bitmap->width || h != bitmap->height) {
    WebPFree(bgra);
    free(bitmap);
    return NULL;
  }
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = bgra + (size_t)y * (size_t)w * 4;
    unsigned char* out = bitmap->bits + (size_t)y * bitmap->bytes_per_row;
    for (int x = 0; x < w; ++x, in += 4, out += 3) {
      out[0] = glimr_composite(in[0], in[3]);
      out[1] = glimr_composite(in[1], in[3]);
      out[2] = glimr_composite(in[2], in[3]);
    }
  }
  WebPFree(bgra);
  return bitmap;
}

static const GlimrExtNode kWebp = {"WEBP", NULL};

GLIMR_NAMING_EXPORTS("WebP (libwebp)", &kWebp)

GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmap(const char* path) {
  return path ? decode(path) : NULL;
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
