/*
 * A configurable plug-in for the plug-in set tests. Compile definitions:
 *   TEST_NAME      name it reports
 *   TEST_TYPE      text of GetPluginType (default "KPX")
 *   TEST_EXT1, TEST_EXT2   the extensions it supplies
 *   TEST_VALUE     the blue byte of its 2 x 1 bitmap, telling who decoded
 *   TEST_NO_SUPPLY leave out GetSupplyExtensions
 *   TEST_NO_DECODE leave out GetFileBitmap and GetFileInfo
 */
#include "glimr_plugin.h"

#ifndef TEST_TYPE
#define TEST_TYPE "KPX"
#endif

GLIMR_PLUGIN_EXPORT const char* GetPluginType(void) {
  return TEST_TYPE;
}
GLIMR_PLUGIN_EXPORT const char* GetPluginName(void) {
  return TEST_NAME;
}

#ifndef TEST_NO_SUPPLY
static const GlimrExtNode kExt2 = {TEST_EXT2, NULL};
static const GlimrExtNode kExt1 = {TEST_EXT1, &kExt2};
GLIMR_PLUGIN_EXPORT const GlimrExtNode* GetSupplyExtensions(void) {
  return &kExt1;
}
#endif

#ifndef TEST_NO_DECODE
GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmap(const char* path) {
  (void)path;
  GlimrBitmap* b = glimr_bitmap_alloc(2, 1);
  if (b)
    b->bits[0] = TEST_VALUE;
  return b;
}

GLIMR_PLUGIN_EXPORT void GetFileInfo(const char* path, GlimrImageSize* size) {
  (void)path;
  size->width = 640;
  size->height = TEST_VALUE;
}
#endif
