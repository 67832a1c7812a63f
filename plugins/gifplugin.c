/*
 * GIF format plug-in over giflib: the first frame, drawn at its place on the
 * logical screen; transparent and uncovered pixels show the neutral grey.
 */
#include <gif_lib.h>
#include <stdlib.h>
#include <string.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* Records and sub-blocks read before the first image is complete. */
#define GIF_MAX_RECORDS 1000000

static int transparent_index(GifByteType* ext) {
  /* Graphic control extension: flags, delay (2 bytes), transparent index. */
  if (ext && ext[0] >= 4 && (ext[1] & 0x01))
    return ext[4];
  return -1;
}

/* Source row of the frame for the i-th line it delivers: interlaced
 * frames send rows 0, 8, ...; 4, 12, ...; 2, 6, ...; 1, 3, ... */
static int frame_row(int i, int height, int interlaced) {
  if (!interlaced)
    return i;
  const int p1 = (height + 7) / 8, p2 = (height + 3) / 8, p3 = (height + 1) / 4;
  if (i < p1)
    return i * 8;
  if (i < p1 + p2)
    return (i - p1) * 8 + 4;
  if (i < p1 + p2 + p3)
    return (i - p1 - p2) * 4 + 2;
  return (i - p1 - p2 - p3) * 2 + 1;
}

/* min_side < 0: fills size and returns NULL; 0: full size; above 0:
 * reduced while the lines are read. The screen is never held whole: rows
 * outside the frame are plain background and go to the reducer as such. */
static GlimrBitmap* decode(const char* path, int32_t min_side, GlimrImageSize* size) {
  const int fd = glimr_open_regular(path, NULL);
  if (fd < 0)
    return NULL;
  int error = 0;
  GifFileType* gif = DGifOpenFileHandle(fd, &error); /* closes fd when it fails */
  if (!gif)
    return NULL;
  GlimrReducer reducer;
  memset(&reducer, 0, sizeof reducer);
  GifPixelType* line = NULL;
  unsigned char* row = NULL;
  int transparent = -1;
  int records = 0;
  for (;;) {
    GifRecordType type;
    if (++records > GIF_MAX_RECORDS || DGifGetRecordType(gif, &type) == GIF_ERROR)
      goto fail;
    if (type == TERMINATE_RECORD_TYPE)
      goto fail; /* no image at all */
    if (type == EXTENSION_RECORD_TYPE) {
      int code;
      GifByteType* ext;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
        goto fail;
      if (code == GRAPHICS_EXT_FUNC_CODE)
        transparent = transparent_index(ext);
      while (ext) {
        if (++records > GIF_MAX_RECORDS || DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
          goto fail;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE)
      continue;
    if (DGifGetImageDesc(gif) == GIF_ERROR)
      goto fail;
    const GifImageDesc* d = &gif->Image;
    if (d->Width <= 0 || d->Height <= 0 || d->Left < 0 || d->Top < 0)
      goto fail;
    /* Some writers leave the screen smaller than the frame (or zero). */
    const long width = gif->SWidth > d->Left + d->Width ? gif->SWidth : (long)d->Left + d->Width;
    const long height = gif->SHeight > d->Top + d->Height ? gif->SHeight : (long)d->Top + d->Height;
    if (!glimr_size_acceptable(width, height))
      goto fail;
    if (min_side == 0 && !glimr_full_size_acceptable(width, height))
      goto fail;
    if (min_side < 0) {
      size->width = (int32_t)width;
      size->height = (int32_t)height;
      DGifCloseFile(gif, &error);
      return NULL;
    }
    const ColorMapObject* map = d->ColorMap ? d->ColorMap : gif->SColorMap;
    if (!map || !map->Colors || map->ColorCount <= 0)
      goto fail;
    line = (GifPixelType*)malloc((size_t)d->Width);
    row = (unsigned char*)malloc((size_t)width * 3);
    if (!line || !row ||
        !glimr_reducer_init(&reducer, (int32_t)width, (int32_t)height, min_side, d->Interlace))
      goto fail;
    memset(row, GLIMR_NEUTRAL_BACKGROUND, (size_t)width * 3);
    /* Background above the frame; for an interlaced frame (rows out of
     * order) the background below it goes in now as well. */
    for (long y = 0; y < height; ++y) {
      if (y == d->Top && !d->Interlace)
        break;
      if (y < d->Top || y >= d->Top + d->Height)
        glimr_reducer_add(&reducer, (int32_t)y, 0, 1, row, (int32_t)width);
    }
    unsigned char* const frame = row + (size_t)d->Left * 3;
    for (int i = 0; i < d->Height; ++i) {
      if (DGifGetLine(gif, line, d->Width) == GIF_ERROR)
        goto fail;
      for (int x = 0; x < d->Width; ++x) {
        const int index = line[x];
        unsigned char* out = frame + 3 * (size_t)x;
        if (index == transparent || index >= map->ColorCount) {
          out[0] = out[1] = out[2] = GLIMR_NEUTRAL_BACKGROUND;
          continue;
        }
        const GifColorType c = map->Colors[index];
        out[0] = c.Blue;
        out[1] = c.Green;
        out[2] = c.Red;
      }
      glimr_reducer_add(&reducer, d->Top + frame_row(i, d->Height, d->Interlace), 0, 1, row,
                        (int32_t)width);
    }
    if (!d->Interlace) {
      memset(row, GLIMR_NEUTRAL_BACKGROUND, (size_t)width * 3);
      for (long y = (long)d->Top + d->Height; y < height; ++y)
        glimr_reducer_add(&reducer, (int32_t)y, 0, 1, row, (int32_t)width);
    }
    free(line);
    free(row);
    DGifCloseFile(gif, &error);
    return glimr_reducer_finish(&reducer);
  }
fail:
  free(line);
  free(row);
  glimr_reducer_free(&reducer);
  DGifCloseFile(gif, &error);
  return NULL;
}

static const GlimrExtNode kGif = {"GIF", NULL};

GLIMR_STANDARD_EXPORTS("GIF (giflib)", &kGif, decode)

/* Every decode keeps its state in its own call (the library's decoder
 * object, error handling and file), so Glimr may run several at once. */
GLIMR_PLUGIN_EXPORT int GetPluginThreadSafe(void) {
  return 1;
}
