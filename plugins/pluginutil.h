/*
 * Helpers shared by the shipped format plug-ins: EXIF orientation, upright
 * transforms, alpha compositing and bounded file reading. Plain C.
 */
#ifndef GLIMR_PLUGINUTIL_H
#define GLIMR_PLUGINUTIL_H

#include <stddef.h>
#include <stdint.h>

#include "glimr_plugin.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Grey that transparent pixels are composited onto. */
#define GLIMR_NEUTRAL_BACKGROUND 128

/* Orientation (1..8, the EXIF/TIFF meaning) from the payload of a JPEG APP1
 * segment ("Exif\0\0" followed by a TIFF header). 1 when absent or damaged. */
int glimr_exif_orientation(const unsigned char* data, size_t size);

/* True for the orientations that swap width and height (5..8). */
int glimr_orientation_swaps_sides(int orientation);

/* Turns a bitmap stored with the given orientation upright. Returns the same
 * bitmap for orientation 1 (or an unknown value), otherwise a new one, and
 * frees the source in both the success and failure case; NULL on failure. */
GlimrBitmap* glimr_bitmap_orient(GlimrBitmap* source, int orientation);

/* Blends one colour channel with alpha a (0..255) onto the neutral grey. */
static inline unsigned char glimr_composite(unsigned int value, unsigned int alpha) {
  return (unsigned char)((value * alpha + GLIMR_NEUTRAL_BACKGROUND * (255u - alpha) + 127u) / 255u);
}

/* Reads a whole file into a malloc block (caller frees); NULL when it cannot
 * be read or is larger than max_size bytes. */
unsigned char* glimr_read_file(const char* path, size_t max_size, size_t* size);

/* Reads at most max_size bytes from the start of a file. */
unsigned char* glimr_read_file_head(const char* path, size_t max_size, size_t* size);

/* The three exports that only name a plug-in: its type text, its name and
 * the first node of its extension list. */
#define GLIMR_NAMING_EXPORTS(name, first_extension)                   \
  GLIMR_PLUGIN_EXPORT const char* GetPluginType(void) {               \
    return GLIMR_PLUGIN_TYPE;                                         \
  }                                                                   \
  GLIMR_PLUGIN_EXPORT const char* GetPluginName(void) {               \
    return name;                                                      \
  }                                                                   \
  GLIMR_PLUGIN_EXPORT const GlimrExtNode* GetSupplyExtensions(void) { \
    return first_extension;                                           \
  }

/* Every standard export for a plug-in whose decoder has the form
 * decode(path, mode, size): mode full_mode decodes the pixels, mode
 * info_mode only fills *size from the header and returns NULL. */
#define GLIMR_STANDARD_EXPORTS(name, first_extension, decode, full_mode, info_mode) \
  GLIMR_NAMING_EXPORTS(name, first_extension)                                       \
  GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmap(const char* path) {                \
    return path ? decode(path, full_mode, NULL) : NULL;                             \
  }                                                                                 \
  GLIMR_PLUGIN_EXPORT void GetFileInfo(const char* path, GlimrImageSize* size) {    \
    if (!size)                                                                      \
      return;                                                                       \
    size->width = 0;                                                                \
    size->height = 0;                                                               \
    if (path)                                                                       \
      decode(path, info_mode, size);                                                \
  }

#ifdef __cplusplus
}
#endif

#endif /* GLIMR_PLUGINUTIL_H */
