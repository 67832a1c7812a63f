/*
 * A format plug-in for the cache tests. It decodes ".cnt" files, which are
 * text: "<width> <height> <blue> <green> <red> [<delay ms>]", into a solid
 * bitmap, and counts every decode so a test can prove that none happened.
 * Width or height 0 decodes to nothing.
 */
#include <stdatomic.h>
#include <stdio.h>
#include <time.h>

#include "glimr_plugin.h"

static atomic_int decode_count;

static const GlimrExtNode ext_cnt = {"CNT", NULL};

const char* GetPluginType(void) {
  return GLIMR_PLUGIN_TYPE;
}
const char* GetPluginName(void) {
  return "Counting test";
}
const GlimrExtNode* GetSupplyExtensions(void) {
  return &ext_cnt;
}

int GlimrTestDecodeCount(void) {
  return atomic_load(&decode_count);
}

static int read_spec(const char* path, int v[6]) {
  FILE* f = fopen(path, "r");
  if (!f)
    return 0;
  v[5] = 0;
  int n = fscanf(f, "%d %d %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
  fclose(f);
  return n >= 5;
}

void GetFileInfo(const char* path, GlimrImageSize* size) {
  int v[6];
  size->width = 0;
  size->height = 0;
  if (read_spec(path, v)) {
    size->width = v[0];
    size->height = v[1];
  }
}

GlimrBitmap* GetFileBitmap(const char* path) {
  atomic_fetch_add(&decode_count, 1);
  int v[6];
  if (!read_spec(path, v))
    return NULL;
  if (v[5] > 0) {
    struct timespec ts = {v[5] / 1000, (long)(v[5] % 1000) * 1000000L};
    nanosleep(&ts, NULL);
  }
  GlimrBitmap* b = glimr_bitmap_alloc(v[0], v[1]);
  if (!b)
    return NULL;
  for (int y = 0; y < b->height; ++y) {
    unsigned char* p = b->bits + (size_t)y * (size_t)b->bytes_per_row;
    for (int x = 0; x < b->width; ++x, p += 3) {
      p[0] = (unsigned char)v[2];
      p[1] = (unsigned char)v[3];
      p[2] = (unsigned char)v[4];
    }
  }
  return b;
}
