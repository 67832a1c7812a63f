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

static GlimrBitmap* decode(const char* path, int header_only, GlimrImageSize* size) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path, &error);
  if (!gif)
    return NULL;
  GlimrBitmap* bitmap = NULL;
  GifPixelType* line = NULL;
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
    if (header_only) {
      size->width = (int32_t)width;
      size->height = (int32_t)height;
      DGifCloseFile(gif, &error);
      return NULL;
    }
    const ColorMapObject* map = d->ColorMap ? d->ColorMap : gif->SColorMap;
    if (!map || !map->Colors || map->ColorCount <= 0)
      goto fail;
    bitmap = glimr_bitmap_alloc((int32_t)width, (int32_t)height);
    line = (GifPixelType*)malloc((size_t)d->Width);
    if (!bitmap || !line)
      goto fail;
    for (int32_t y = 0; y < bitmap->height; ++y) {
      memset(bitmap->bits + (size_t)y * bitmap->bytes_per_row, GLIMR_NEUTRAL_BACKGROUND,
             (size_t)bitmap->width * 3);
    }
    for (int i = 0; i < d->Height; ++i) {
      if (DGifGetLine(gif, line, d->Width) == GIF_ERROR)
        goto fail;
      /* Interlaced frames deliver rows 0, 8, ...; 4, 12, ...; 2, 6, ...; 1, 3, ... */
      int row = i;
      if (d->Interlace) {
        const int h = d->Height;
        const int p1 = (h + 7) / 8, p2 = (h + 3) / 8, p3 = (h + 1) / 4;
        if (i < p1)
          row = i * 8;
        else if (i < p1 + p2)
          row = (i - p1) * 8 + 4;
        else if (i < p1 + p2 + p3)
          row = (i - p1 - p2) * 4 + 2;
        else
          row = (i - p1 - p2 - p3) * 2 + 1;
      }
      unsigned char* out =
          bitmap->bits + (size_t)(d->Top + row) * bitmap->bytes_per_row + (size_t)d->Left * 3;
      for (int x = 0; x < d->Width; ++x, out += 3) {
        const int index = line[x];
        if (index == transparent || index >= map->ColorCount)
          continue;
        const GifColorType c = map->Colors[index];
        out[0] = c.Blue;
        out[1] = c.Green;
        out[2] = c.Red;
      }
    }
    free(line);
    DGifCloseFile(gif, &error);
    return bitmap;
  }
fail:
  free(line);
  free(bitmap);
  DGifCloseFile(gif, &error);
  return NULL;
}

static const GlimrExtNode kGif = {"GIF", NULL};

GLIMR_STANDARD_EXPORTS("GIF (giflib)", &kGif, decode, 0, 1)
