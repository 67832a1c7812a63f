#include "pluginutil.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

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

int glimr_open_regular(const char* path, int64_t* size) {
  /* O_NONBLOCK makes open() of a FIFO return at once; for a regular file
   * the flag has no effect on reading. */
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0)
    return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -1;
  }
  if (size)
    *size = (int64_t)st.st_size;
  return fd;
}

FILE* glimr_fopen_regular(const char* path, int64_t* size) {
  const int fd = glimr_open_regular(path, size);
  if (fd < 0)
    return NULL;
  FILE* f = fdopen(fd, "rb");
  if (!f)
    close(fd);
  return f;
}

int32_t glimr_reduce_factor(int64_t width, int64_t height, int32_t min_side) {
  if (min_side <= 0 || width <= 0 || height <= 0)
    return 1;
  const int64_t need_w = min_side < width ? min_side : width;
  const int64_t need_h = min_side < height ? min_side : height;
  /* ceil(side / f) >= need holds for every f <= (side - 1) / (need - 1). */
  int64_t f = need_w > 1 ? (width - 1) / (need_w - 1) : width;
  const int64_t fh = need_h > 1 ? (height - 1) / (need_h - 1) : height;
  if (fh < f)
    f = fh;
  /* Sums of up to f * f values of 255 must fit 32 bits. */
  if (f > 4096)
    f = 4096;
  return f < 1 ? 1 : (int32_t)f;
}

int glimr_reducer_init(GlimrReducer* r, int32_t width, int32_t height, int32_t min_side,
                       int any_order) {
  memset(r, 0, sizeof *r);
  if (!glimr_size_acceptable(width, height))
    return 0;
  r->width = width;
  r->height = height;
  r->factor = glimr_reduce_factor(width, height, min_side);
  r->any_order = any_order;
  const int32_t f = r->factor;
  r->bitmap = glimr_bitmap_alloc((width + f - 1) / f, (height + f - 1) / f);
  if (!r->bitmap)
    return 0;
  if (f > 1) {
    const size_t rows = any_order ? (size_t)r->bitmap->height : 1;
    r->sums = (uint32_t*)calloc(rows * (size_t)r->bitmap->width * 3, sizeof(uint32_t));
    if (!r->sums) {
      glimr_reducer_free(r);
      return 0;
    }
  }
  return 1;
}

/* Writes the averages of one output row from its sums and clears them. */
static void flush_row(GlimrReducer* r, int32_t out_y, uint32_t* sums) {
  const int32_t f = r->factor;
  const int32_t rows = r->height - out_y * f < f ? r->height - out_y * f : f;
  unsigned char* out = r->bitmap->bits + (size_t)out_y * r->bitmap->bytes_per_row;
  for (int32_t ox = 0; ox < r->bitmap->width; ++ox) {
    const int32_t cols = r->width - ox * f < f ? r->width - ox * f : f;
    const uint64_t n = (uint64_t)rows * (uint64_t)cols;
    for (int c = 0; c < 3; ++c) {
      out[3 * ox + c] = (unsigned char)((sums[3 * ox + c] + n / 2) / n);
      sums[3 * ox + c] = 0;
    }
  }
}

void glimr_reducer_add(GlimrReducer* r, int32_t y, int32_t x0, int32_t step,
                       const unsigned char* bgr, int32_t count) {
  if (!r->bitmap || y < 0 || y >= r->height || x0 < 0 || x0 >= r->width || step < 1 || count < 1)
    return;
  /* Pixels beyond the right edge are dropped. */
  const int64_t fit = ((int64_t)r->width - 1 - x0) / step + 1;
  if (count > fit)
    count = (int32_t)fit;
  const int32_t f = r->factor;
  if (f == 1) {
    unsigned char* out = r->bitmap->bits + (size_t)y * r->bitmap->bytes_per_row + 3 * (size_t)x0;
    if (step == 1) {
      memcpy(out, bgr, 3 * (size_t)count);
      return;
    }
    for (int32_t i = 0; i < count; ++i, bgr += 3)
      memcpy(out + 3 * (size_t)i * (size_t)step, bgr, 3);
    return;
  }
  const int32_t out_y = y / f;
  uint32_t* sums;
  if (r->any_order) {
    sums = r->sums + (size_t)out_y * r->bitmap->width * 3;
  } else {
    if (out_y < r->band)
      return; /* rows promised in order came back: ignore */
    while (r->band < out_y)
      flush_row(r, r->band++, r->sums);
    sums = r->sums;
  }
  /* Walks block by block instead of dividing for every pixel: the sums of
   * one block are kept in registers while its pixels go by. */
  int32_t at = x0 % f; /* column within the current block */
  if (step == 1) {
    uint32_t* s = sums + 3 * (size_t)(x0 / f);
    const unsigned char* const end = bgr + 3 * (size_t)count;
    while (bgr < end) {
      const size_t left = (size_t)(end - bgr) / 3;
      const size_t n = left < (size_t)(f - at) ? left : (size_t)(f - at);
      uint32_t b = 0, g = 0, red = 0;
      for (size_t i = 0; i < n; ++i, bgr += 3) {
        b += bgr[0];
        g += bgr[1];
        red += bgr[2];
      }
      s[0] += b;
      s[1] += g;
      s[2] += red;
      s += 3;
      at = 0;
    }
    return;
  }
  size_t block = (size_t)(x0 / f);
  for (int32_t i = 0; i < count; ++i, bgr += 3) {
    uint32_t* t = sums + 3 * block;
    t[0] += bgr[0];
    t[1] += bgr[1];
    t[2] += bgr[2];
    at += step;
    if (at >= f) {
      block += (size_t)(at / f);
      at %= f;
    }
  }
}

GlimrBitmap* glimr_reducer_finish(GlimrReducer* r) {
  if (r->bitmap && r->sums) {
    if (r->any_order) {
      for (int32_t oy = 0; oy < r->bitmap->height; ++oy)
        flush_row(r, oy, r->sums + (size_t)oy * r->bitmap->width * 3);
    } else {
      while (r->band < r->bitmap->height)
        flush_row(r, r->band++, r->sums);
    }
  }
  GlimrBitmap* b = r->bitmap;
  r->bitmap = NULL;
  glimr_reducer_free(r);
  return b;
}

void glimr_reducer_free(GlimrReducer* r) {
  free(r->bitmap);
  free(r->sums);
  r->bitmap = NULL;
  r->sums = NULL;
}

unsigned char* glimr_read_file(const char* path, size_t max_size, size_t* size) {
  FILE* f = glimr_fopen_regular(path, NULL);
  if (!f)
    return NULL;
  unsigned char* data = read_stream(f, max_size, size, 1);
  fclose(f);
  return data;
}

unsigned char* glimr_read_file_head(const char* path, size_t max_size, size_t* size) {
  FILE* f = glimr_fopen_regular(path, NULL);
  if (!f)
    return NULL;
  unsigned char* data = read_stream(f, max_size, size, 0);
  fclose(f);
  return data;
}
