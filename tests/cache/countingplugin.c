/*
 * A format plug-in for the cache tests. It decodes ".cnt" files, which are
 * text: "<width> <height> <blue> <green> <red> [<delay ms>]", into a solid
 * bitmap, and counts every decode so a test can prove that none happened.
 * Width or height 0 decodes to nothing. It also records how many decodes
 * were inside it at once. Built with COUNTING_THREAD_SAFE it declares
 * itself safe for several threads and supplies ".cns" instead.
 */
#include <stdatomic.h>
#include <stdio.h>
#include <time.h>

#include "glimr_plugin.h"

static atomic_int decode_count;
static atomic_int inside;
static atomic_int most_inside;

#ifdef COUNTING_THREAD_SAFE
static const GlimrExtNode ext_cnt = {"CNS", NULL};
int GetPluginThreadSafe(void) {
  return 1;
}
#else
static const GlimrExtNode ext_cnt = {"CNT", NULL};
#endif

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

/* The most decodes that were inside GetFileBitmap at one time since the
 * last reset. */
int GlimrTestMostInside(void) {
  return atomic_load(&most_inside);
}
void GlimrTestResetMostInside(void) {
  atomic_store(&most_inside, 0);
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

static GlimrBitmap* decode(const char* path);

GlimrBitmap* GetFileBitmap(const char* path) {
  atomic_fetch_add(&decode_count, 1);
  const int now = atomic_fetch_add(&inside, 1) + 1;
  int most = atomic_load(&most_inside);
  while (now > most && !atomic_compare_exchange_weak(&most_inside, &most, now)) {
  }
  GlimrBitmap* b = decode(path);
  atomic_fetch_sub(&inside, 1);
  return b;
}

static GlimrBitmap* decode(const char* path) {
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
