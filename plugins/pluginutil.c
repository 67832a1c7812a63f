#include "pluginutil.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned read_u16(const unsigned char* p, int big_endian) {
  return big_endian ? (unsigned)((p[0] << 8) | p[1]) : (unsigned)((p[1] << 8) | p[0]);
}

static uint32_t read_u32(const unsigned char* p, int big_endian) {
  return big_endian
             ? ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | p[3]
             : ((uint32_t)p[3] << 24) | ((uint32_t)p[2] << 16) | ((uint32_t)p[1] << 8) | p[0];
}

int glimr_exif_orientation(const unsigned char* data, size_t size) {
  if (!data || size < 6 + 8 || memcmp(data, "Exif\0\0", 6) != 0)
    return 1;
  const unsigned char* tiff = data + 6;
  const size_t len = size - 6;
  int big_endian;
  if (tiff[0] == 'I' && tiff[1] == 'I') {
    big_endian = 0;
  } else if (tiff[0] == 'M' && tiff[1] == 'M') {
    big_endian = 1;
  } else {
    return 1;
  }
  if (read_u16(tiff + 2, big_endian) != 42)
    return 1;
  const uint32_t ifd = read_u32(tiff + 4, big_endian);
  if (ifd > len || len - ifd < 2)
    return 1;
  const unsigned count = read_u16(tiff + ifd, big_endian);
  for (unsigned i = 0; i < count; ++i) {
    const size_t entry = (size_t)ifd + 2 + (size_t)i * 12;
    if (entry + 12 > len)
      break;
    if (read_u16(tiff + entry, big_endian) != 0x0112)
      continue;
    const unsigned type = read_u16(tiff + entry + 2, big_endian);
    const uint32_t n = read_u32(tiff + entry + 4, big_endian);
    if (type != 3 || n < 1)
      return 1;
    const unsigned value = read_u16(tiff + entry + 8, big_endian);
    return value >= 1 && value <= 8 ? (int)value : 1;
  }
  return 1;
}

int glimr_orientation_swaps_sides(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

GlimrBitmap* glimr_bitmap_orient(GlimrBitmap* source, int orientation) {
  if (!source || orientation < 2 || orientation > 8)
    return source;
  const int32_t sw = source->width, sh = source->height;
  const int swap = glimr_orientation_swaps_sides(orientation);
  const int32_t dw = swap ? sh : sw, dh = swap ? sw : sh;
  GlimrBitmap* d = glimr_bitmap_alloc(dw, dh);
  if (!d) {
    free(source);
    return NULL;
  }
  for (int32_t y = 0; y < dh; ++y) {
    unsigned char* out = d->bits + (size_t)y * d->bytes_per_row;
    for (int32_t x = 0; x < dw; ++x) {
      int32_t sx, sy;
      /* Where the upright pixel (x, y) lies in the stored image. */
      switch (orientation) {
        case 2:
          sx = sw - 1 - x;
          sy = y;
          break;
        case 3:
          sx = sw - 1 - x;
          sy = sh - 1 - y;
          break;
        case 4:
          sx = x;
          sy = sh - 1 - y;
          break;
        case 5:
          sx = y;
          sy = x;
          break;
        case 6:
          sx = y;
          sy = sh - 1 - x;
          break;
        case 7:
          sx = sw - 1 - y;
          sy = sh - 1 - x;
          break;
        default:
          sx = sw - 1 - y;
          sy = x;
          break; /* 8 */
      }
      const unsigned char* in = source->bits + (size_t)sy * source->bytes_per_row + (size_t)sx * 3;
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
      out += 3;
    }
  }
  free(source);
  return d;
}

static unsigned char* read_stream(FILE* f, size_t max_size, size_t* size, int whole) {
  size_t cap = 65536, len = 0;
  unsigned char* buf = (unsigned char*)malloc(cap);
  if (!buf)
    return NULL;
  for (;;) {
    if (len == cap) {
      if (cap >= max_size) {
        if (!whole)
          break;
        free(buf); /* larger than allowed */
        return NULL;
      }
      size_t next = cap * 2 > max_size ? max_size : cap * 2;
      unsigned char* grown = (unsigned char*)realloc(buf, next);
      if (!grown) {
        free(buf);
        return NULL;
      }
      buf = grown;
      cap = next;
    }
    size_t want = cap - len;
    if (!whole && len + want > max_size)
      want = max_size - len;
    const size_t got = fread(buf + len, 1, want, f);
    len += got;
    if (got == 0)
      break;
    if (!whole && len >= max_size)
      break;
  }
  if (ferror(f)) {
    free(buf);
    return NULL;
  }
  *size = len;
  return buf;
}

unsigned char* glimr_read_file(const char* path, size_t max_size, size_t* size) {
  FILE* f = fopen(path, "rb");
  if (!f)
    return NULL;
  unsigned char* data = read_stream(f, max_size, size, 1);
  fclose(f);
  return data;
}

unsigned char* glimr_read_file_head(const char* path, size_t max_size, size_t* size) {
  FILE* f = fopen(path, "rb");
  if (!f)
    return NULL;
  unsigned char* data = read_stream(f, max_size, size, 0);
  fclose(f);
  return data;
}
