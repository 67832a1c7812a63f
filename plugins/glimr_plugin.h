/*
 * Glimr format plug-in contract.
 *
 * A format plug-in is a shared library (.so) that Glimr loads with dlopen and
 * whose exports it finds by name. Everything a plug-in author needs is in
 * this header; it is plain C so a plug-in can be written in C or C++.
 *
 * Required exports (C linkage, default calling convention, default symbol
 * visibility: mark each with GLIMR_PLUGIN_EXPORT when the library is built
 * with -fvisibility=hidden):
 *   const char* GetPluginType(void);        must return exactly "KPX"
 *   const char* GetPluginName(void);        a short human-readable name
 *   const GlimrExtNode* GetSupplyExtensions(void);
 *       first node of a list of the extensions the plug-in decodes, without
 *       the dot ("JPG", "JPEG"), or NULL. The list and its texts are the
 *       plug-in's own and must stay valid while the library is loaded; Glimr
 *       copies the texts at once and never frees the nodes.
 *
 * Optional exports:
 *   GlimrBitmap* GetFileBitmap(const char* path);
 *       decodes the file at path (UTF-8) into a new bitmap, or returns NULL
 *       when the file cannot be decoded. Without this export the plug-in
 *       decodes nothing.
 *   void GetFileInfo(const char* path, GlimrImageSize* size);
 *       fills the image's width and height from its header alone (no pixel
 *       decode); (0, 0) when unknown. Without it Glimr uses (0, 0).
 *   int GetPluginThreadSafe(void);
 *       non-zero when every export may run on several threads at once (the
 *       plug-in keeps no global mutable state and its libraries are
 *       thread-safe). Glimr then decodes with it on all cores; without it,
 *       decodes run one at a time and header reads one at a time.
 *   GlimrBitmap* GetFileBitmapReduced(const char* path, int32_t min_side);
 *       a faster decode at reduced size: neither side of the result is
 *       smaller than min_side unless the image itself is smaller (then it is
 *       full size). Glimr uses it for thumbnails when present and falls back
 *       to GetFileBitmap when it is absent or returns NULL.
 *
 * Bitmaps: 24 bits per pixel, each pixel three bytes in the order blue,
 * green, red; rows from the top row downwards; each row padded to a multiple
 * of 4 bytes (bytes_per_row). Bitmaps are upright: a decoder that knows an
 * orientation tag (EXIF) applies it, and GetFileInfo reports the upright size.
 *
 * Memory: a bitmap is ONE block obtained from malloc, header followed by the
 * pixel rows (glimr_bitmap_alloc does exactly that). Ownership passes to
 * Glimr, which releases it with a single free(). Never return a pointer to
 * static or stack memory.
 *
 * Threads: unless the plug-in exports GetPluginThreadSafe returning
 * non-zero, Glimr never calls GetFileBitmap or GetFileBitmapReduced on two
 * threads at once, nor GetFileInfo on two threads at once. A plug-in must
 * still be free of global mutable state where it can, since GetFileInfo may
 * run beside a decode.
 *
 * Hostile input: a plug-in must return NULL (or 0 x 0) for a corrupt,
 * truncated or oversized file, never crash, hang or allocate without bound.
 * Images with a side above GLIMR_MAX_SIDE or more than GLIMR_MAX_PIXELS pixels
 * are reported as undecodable (glimr_size_acceptable tells); GetFileBitmap
 * also refuses more than GLIMR_MAX_FULL_PIXELS (glimr_full_size_acceptable)
 * while a reduced decode of such a picture may still succeed. A plug-in
 * opens only regular files and never blocks in open (a FIFO, a device).
 *
 * Registration: Glimr finds plug-ins through its settings, one subkey of
 * "Software\Quillfen\Glimr\Plugins" per library with the values
 * "PluginFileName" (path of the .so), "PluginPriority" (lower wins when two
 * plug-ins supply one extension) and "CanLoadPlugin" (0 disables). On first
 * start every library in the program's Plugins/ folder is registered.
 *
 * A complete plug-in:
 *
 *   #include "glimr_plugin.h"
 *   static const GlimrExtNode kRaw = {"RAW", NULL};
 *   GLIMR_PLUGIN_EXPORT const char* GetPluginType(void) { return GLIMR_PLUGIN_TYPE; }
 *   GLIMR_PLUGIN_EXPORT const char* GetPluginName(void) { return "Raw grey"; }
 *   GLIMR_PLUGIN_EXPORT const GlimrExtNode* GetSupplyExtensions(void) { return &kRaw; }
 *   GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmap(const char* path) {
 *     GlimrBitmap* b = glimr_bitmap_alloc(16, 16);   // NULL when refused
 *     (void)path;
 *     if (b) memset(b->bits, 0x80, (size_t)b->bytes_per_row * 16);
 *     return b;
 *   }
 *
 * built with: cc -shared -fPIC -fvisibility=hidden -o Plugins/raw.so raw.c
 */
#ifndef GLIMR_PLUGIN_H
#define GLIMR_PLUGIN_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

#define GLIMR_PLUGIN_TYPE "KPX"
#define GLIMR_MAX_SIDE 30000
/* Fuzzing builds lower the pixel cap so that one run stays fast. */
#ifndef GLIMR_MAX_PIXELS
#define GLIMR_MAX_PIXELS 400000000LL
#endif

/* A full-size decode (GetFileBitmap, which the zoom window uses) is refused
 * above this many pixels: 2^27, room for the 100-megapixel medium-format
 * cameras (11648 x 8736) at 384 MB of bitmap. The zoom window shows at most
 * three quarters of a screen, so a larger picture would be decoded only to
 * be thrown away; thumbnails come from the reduced decode, which has no
 * such need and keeps the GLIMR_MAX_PIXELS cap. */
#define GLIMR_MAX_FULL_PIXELS (GLIMR_MAX_PIXELS < 134217728LL ? GLIMR_MAX_PIXELS : 134217728LL)

#if defined(__GNUC__)
#define GLIMR_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define GLIMR_PLUGIN_EXPORT
#endif

typedef struct GlimrBitmap {
  int32_t width;
  int32_t height;
  int32_t bytes_per_row; /* >= width * 3, a multiple of 4 */
  int32_t reserved;      /* zero */
  unsigned char* bits;   /* row 0 is the top row; points just past this header */
} GlimrBitmap;

typedef struct GlimrExtNode {
  const char* extension;           /* without the dot, e.g. "JPG" */
  const struct GlimrExtNode* next; /* NULL after the last node */
} GlimrExtNode;

typedef struct GlimrImageSize {
  int32_t width;
  int32_t height;
} GlimrImageSize;

typedef const char* (*GlimrGetPluginTypeFn)(void);
typedef const char* (*GlimrGetPluginNameFn)(void);
typedef const GlimrExtNode* (*GlimrGetSupplyExtensionsFn)(void);
typedef GlimrBitmap* (*GlimrGetFileBitmapFn)(const char* path);
typedef void (*GlimrGetFileInfoFn)(const char* path, GlimrImageSize* size);
typedef GlimrBitmap* (*GlimrGetFileBitmapReducedFn)(const char* path, int32_t min_side);
typedef int (*GlimrGetPluginThreadSafeFn)(void);

/* Row stride of a 24-bit row of the given width, padded to 4 bytes. */
static inline int32_t glimr_bytes_per_row(int32_t width) {
  return (int32_t)((((int64_t)width * 3) + 3) & ~(int64_t)3);
}

/* True when a width x height image is within the sizes a plug-in accepts. */
static inline int glimr_size_acceptable(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= GLIMR_MAX_SIDE && height <= GLIMR_MAX_SIDE &&
         width * height <= GLIMR_MAX_PIXELS;
}

/* True when a width x height image may be decoded at full size: within
 * glimr_size_acceptable and GLIMR_MAX_FULL_PIXELS. */
static inline int glimr_full_size_acceptable(int64_t width, int64_t height) {
  return glimr_size_acceptable(width, height) && width * height <= GLIMR_MAX_FULL_PIXELS;
}

/* Allocates a zeroed bitmap as one malloc block; NULL when the size is not
 * acceptable or memory is short. Release with free(). */
static inline GlimrBitmap* glimr_bitmap_alloc(int32_t width, int32_t height) {
  if (!glimr_size_acceptable(width, height))
    return NULL;
  int32_t stride = glimr_bytes_per_row(width);
  size_t size = sizeof(GlimrBitmap) + (size_t)stride * (size_t)height;
  GlimrBitmap* b = (GlimrBitmap*)calloc(1, size);
  if (!b)
    return NULL;
  b->width = width;
  b->height = height;
  b->bytes_per_row = stride;
  b->reserved = 0;
  b->bits = (unsigned char*)(b + 1);
  return b;
}

#ifdef __cplusplus
}
#endif

#endif /* GLIMR_PLUGIN_H */
