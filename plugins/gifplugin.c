/*
 * GIF format plug-in over giflib. The picture is the logical screen as it
 * is first shown: the first frame together with every frame that follows
 * it without a delay (no graphic control, or a delay of 0), each drawn
 * over what the one before left, its disposal and transparency honoured.
 * Frames are clipped to the screen; transparent and uncovered pixels show
 * the neutral grey.
 */
#include <gif_lib.h>
#include <stdlib.h>
#include <string.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* Records and sub-blocks read before the picture is complete. */
#define GIF_MAX_RECORDS 1000000
/* Frames drawn into one picture at most: giflib keeps a descriptor and a
 * colour table for every frame it reads, and pictures built of tiles or
 * rows for more colours need far fewer. */
#define GIF_MAX_COMBINED 4096
/* Pixels of the canvas a thumbnail combines frames on at most (100 MB):
 * a thumbnail otherwise never holds the picture whole, so a larger one
 * shows its first frame alone. The full decode holds the picture anyway. */
#define GIF_MAX_THUMBNAIL_CANVAS (1LL << 25)

/* What the graphic control extension before a frame says about it. */
typedef struct FrameControl {
  int transparent; /* colour index, -1 for none */
  int disposal;    /* 2: back to the background, 3: back to what was below */
  int delay;       /* hundredths of a second before the next frame */
} FrameControl;

static const FrameControl kNoControl = {-1, 0, 0};

/* ext: length, flags, delay (2 bytes, little-endian), transparent index. */
static FrameControl read_control(const GifByteType* ext) {
  FrameControl c = kNoControl;
  if (!ext || ext[0] < 4)
    return c;
  c.disposal = (ext[1] >> 2) & 0x07;
  c.delay = ext[2] | (ext[3] << 8);
  if (ext[1] & 0x01)
    c.transparent = ext[4];
  return c;
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

static GifFileType* open_gif(const char* path) {
  const int fd = glimr_open_regular(path, NULL);
  if (fd < 0)
    return NULL;
  int error = 0;
  return DGifOpenFileHandle(fd, &error); /* closes fd when it fails */
}

static void close_gif(GifFileType* gif) {
  int error = 0;
  if (gif)
    DGifCloseFile(gif, &error);
}

/* Reads up to the next image descriptor (into gif->Image) and the graphic
 * control before it. 0 when the file ends, breaks off or is malformed
 * first, or the frame has no pixels. */
static int next_image(GifFileType* gif, FrameControl* control, int* records) {
  *control = kNoControl;
  for (;;) {
    GifRecordType type;
    if (++*records > GIF_MAX_RECORDS || DGifGetRecordType(gif, &type) == GIF_ERROR)
      return 0;
    if (type == TERMINATE_RECORD_TYPE)
      return 0;
    if (type == EXTENSION_RECORD_TYPE) {
      int code;
      GifByteType* ext;
      if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR)
        return 0;
      if (code == GRAPHICS_EXT_FUNC_CODE)
        *control = read_control(ext);
      while (ext) {
        if (++*records > GIF_MAX_RECORDS || DGifGetExtensionNext(gif, &ext) == GIF_ERROR)
          return 0;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE)
      continue;
    if (DGifGetImageDesc(gif) == GIF_ERROR)
      return 0;
    return gif->Image.Width > 0 && gif->Image.Height > 0;
  }
}

/* Passes over the compressed data of the frame just described, without
 * decoding it. */
static int skip_image_data(GifFileType* gif, int* records) {
  int code_size;
  GifByteType* block;
  if (DGifGetCode(gif, &code_size, &block) == GIF_ERROR)
    return 0;
  while (block) {
    if (++*records > GIF_MAX_RECORDS || DGifGetCodeNext(gif, &block) == GIF_ERROR)
      return 0;
  }
  return 1;
}

/* The colour table a frame's indexes refer to; NULL when it has none. */
static const ColorMapObject* frame_colours(const GifFileType* gif) {
  const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
  return map && map->Colors && map->ColorCount > 0 ? map : NULL;
}

/* A rectangle of the screen, right and bottom exclusive. */
typedef struct Area {
  long left, top, right, bottom;
} Area;

static long min_long(long a, long b) {
  return a < b ? a : b;
}

static long max_long(long a, long b) {
  return a > b ? a : b;
}

static int area_empty(const Area* a) {
  return a->left >= a->right || a->top >= a->bottom;
}

/* The part of the frame just described that lies within bounds. */
static Area frame_area(const GifFileType* gif, const Area* bounds) {
  const GifImageDesc* d = &gif->Image;
  Area a = {max_long(d->Left, bounds->left), max_long(d->Top, bounds->top),
            min_long((long)d->Left + d->Width, bounds->right),
            min_long((long)d->Top + d->Height, bounds->bottom)};
  return a;
}

/* How the file's first picture is made up. */
typedef struct Layout {
  long width, height; /* the picture: the logical screen */
  int frames;         /* frames drawn into it, the first included */
  Area covered;       /* the part of the screen those frames reach */
} Layout;

/* Reads the structure of the first picture without decoding any pixels:
 * the screen, and with header_only unset, how many frames make up the
 * picture and where they reach. 0 when the file has no usable frame. */
static int scan(const char* path, int header_only, Layout* layout) {
  GifFileType* gif = open_gif(path);
  if (!gif)
    return 0;
  int records = 0;
  FrameControl control;
  if (!next_image(gif, &control, &records)) {
    close_gif(gif);
    return 0;
  }
  /* A writer that leaves the screen without a size means the frame's. */
  const GifImageDesc* d = &gif->Image;
  layout->width = gif->SWidth > 0 ? gif->SWidth : (long)d->Left + d->Width;
  layout->height = gif->SHeight > 0 ? gif->SHeight : (long)d->Top + d->Height;
  const Area screen = {0, 0, layout->width, layout->height};
  layout->covered = frame_area(gif, &screen);
  layout->frames = 1;
  if (!header_only && skip_image_data(gif, &records)) {
    /* A frame whose data break off is left out, and so is all after it. */
    while (control.delay == 0 && layout->frames < GIF_MAX_COMBINED &&
           next_image(gif, &control, &records)) {
      const Area a = frame_area(gif, &screen);
      if (!skip_image_data(gif, &records))
        break;
      ++layout->frames;
      if (area_empty(&a))
        continue;
      if (area_empty(&layout->covered)) {
        layout->covered = a;
        continue;
      }
      layout->covered.left = min_long(layout->covered.left, a.left);
      layout->covered.top = min_long(layout->covered.top, a.top);
      layout->covered.right = max_long(layout->covered.right, a.right);
      layout->covered.bottom = max_long(layout->covered.bottom, a.bottom);
    }
  }
  close_gif(gif);
  return 1;
}

/* Writes the colours of one line of a frame, columns [x0, x1) of the
 * screen, to out (the pixel of column x0). Transparent indexes, and
 * indexes past the colour table, leave the pixel as it is, or make it grey
 * when keep_below is unset. */
static void draw_line(const GifPixelType* line, long frame_left, long x0, long x1,
                      const ColorMapObject* map, int transparent, int keep_below,
                      unsigned char* out) {
  for (long x = x0; x < x1; ++x, out += 3) {
    const int index = line[x - frame_left];
    if (index == transparent || index >= map->ColorCount) {
      if (!keep_below)
        out[0] = out[1] = out[2] = GLIMR_NEUTRAL_BACKGROUND;
      continue;
    }
    const GifColorType c = map->Colors[index];
    out[0] = c.Blue;
    out[1] = c.Green;
    out[2] = c.Red;
  }
}

/* A picture of one frame, streamed: its lines go to the reducer as they
 * are decoded, so the screen is never held whole; rows outside the frame
 * are plain background. */
static GlimrBitmap* stream_first(GifFileType* gif, const Layout* layout, int32_t min_side) {
  int records = 0;
  FrameControl control;
  if (!next_image(gif, &control, &records))
    return NULL;
  const GifImageDesc* d = &gif->Image;
  const ColorMapObject* map = frame_colours(gif);
  if (!map)
    return NULL;
  const Area screen = {0, 0, layout->width, layout->height};
  const Area a = frame_area(gif, &screen);
  const long width = layout->width, height = layout->height;
  /* Rows of the screen the frame covers: [top, bottom). */
  const long top = a.top < a.bottom ? a.top : height, bottom = a.top < a.bottom ? a.bottom : height;
  GlimrReducer reducer;
  memset(&reducer, 0, sizeof reducer);
  GlimrBitmap* result = NULL;
  GifPixelType* line = (GifPixelType*)malloc((size_t)d->Width);
  unsigned char* row = (unsigned char*)malloc((size_t)width * 3);
  if (!line || !row ||
      !glimr_reducer_init(&reducer, (int32_t)width, (int32_t)height, min_side, d->Interlace))
    goto done;
  memset(row, GLIMR_NEUTRAL_BACKGROUND, (size_t)width * 3);
  /* Background above the frame; for an interlaced frame (rows out of
   * order) the background below it goes in now as well. */
  for (long y = 0; y < height; ++y) {
    if (y == top && !d->Interlace)
      break;
    if (y < top || y >= bottom)
      glimr_reducer_add(&reducer, (int32_t)y, 0, 1, row, (int32_t)width);
  }
  for (int i = 0; i < d->Height; ++i) {
    if (DGifGetLine(gif, line, d->Width) == GIF_ERROR)
      goto done;
    const long y = (long)d->Top + frame_row(i, d->Height, d->Interlace);
    if (y < top || y >= bottom)
      continue; /* below the screen */
    draw_line(line, d->Left, a.left, a.right, map, control.transparent, 0, row + a.left * 3);
    glimr_reducer_add(&reducer, (int32_t)y, 0, 1, row, (int32_t)width);
  }
  if (!d->Interlace) {
    memset(row, GLIMR_NEUTRAL_BACKGROUND, (size_t)width * 3);
    for (long y = bottom; y < height; ++y)
      glimr_reducer_add(&reducer, (int32_t)y, 0, 1, row, (int32_t)width);
  }
  result = glimr_reducer_finish(&reducer);
done:
  free(line);
  free(row);
  glimr_reducer_free(&reducer);
  return result;
}

/* The part of the screen the frames of a picture reach. For a thumbnail
 * a row is made when a frame first draws into it, so a frame that declares
 * a large area and delivers few lines costs little; rows never drawn are
 * background (NULL). For a full decode the rows are those of the finished
 * bitmap, grey from the start. */
typedef struct Canvas {
  Area box;
  size_t stride;
  unsigned char** rows;
  GlimrBitmap* bitmap; /* the full decode's, whose rows the canvas uses */
} Canvas;

/* Row y of the screen, made grey when it is new; NULL when memory is
 * short. */
static unsigned char* canvas_row(Canvas* c, long y) {
  unsigned char** row = &c->rows[y - c->box.top];
  if (!*row) {
    *row = (unsigned char*)malloc(c->stride);
    if (*row)
      memset(*row, GLIMR_NEUTRAL_BACKGROUND, c->stride);
  }
  return *row;
}

/* Copies of the rows of an area that a frame disposed to "previous"
 * covers: NULL where the row was background. */
static unsigned char** save_area(const Canvas* c, const Area* a) {
  const long n = a->bottom - a->top;
  const size_t span = (size_t)(a->right - a->left) * 3;
  unsigned char** saved = (unsigned char**)calloc((size_t)n, sizeof *saved);
  if (!saved)
    return NULL;
  for (long i = 0; i < n; ++i) {
    const unsigned char* row = c->rows[a->top + i - c->box.top];
    if (!row)
      continue;
    if (!(saved[i] = (unsigned char*)malloc(span))) {
      for (long j = 0; j < i; ++j)
        free(saved[j]);
      free(saved);
      return NULL;
    }
    memcpy(saved[i], row + (size_t)(a->left - c->box.left) * 3, span);
  }
  return saved;
}

/* Puts back what save_area kept and frees the copies. */
static void restore_area(Canvas* c, const Area* a, unsigned char** saved) {
  const size_t span = (size_t)(a->right - a->left) * 3;
  for (long i = 0; i < a->bottom - a->top; ++i) {
    unsigned char* row = c->rows[a->top + i - c->box.top];
    if (row && saved[i])
      memcpy(row + (size_t)(a->left - c->box.left) * 3, saved[i], span);
    else if (row)
      memset(row + (size_t)(a->left - c->box.left) * 3, GLIMR_NEUTRAL_BACKGROUND, span);
    free(saved[i]);
  }
  free(saved);
}

/* Draws the frame just described over the canvas, clipped to it. 0 when
 * its lines cannot all be decoded (those that could are drawn). */
static int draw_frame(GifFileType* gif, const ColorMapObject* map, int transparent, Canvas* c) {
  const GifImageDesc* d = &gif->Image;
  const Area a = frame_area(gif, &c->box);
  GifPixelType* line = (GifPixelType*)malloc((size_t)d->Width);
  int ok = line != NULL;
  for (int i = 0; ok && i < d->Height; ++i) {
    ok = DGifGetLine(gif, line, d->Width) != GIF_ERROR;
    const long y = (long)d->Top + frame_row(i, d->Height, d->Interlace);
    if (!ok || area_empty(&a) || y < a.top || y >= a.bottom)
      continue;
    unsigned char* row = canvas_row(c, y);
    ok = row != NULL;
    if (ok)
      draw_line(line, d->Left, a.left, a.right, map, transparent, 1,
                row + (size_t)(a.left - c->box.left) * 3);
  }
  free(line);
  return ok;
}

/* A picture of several frames, drawn one over the other. A later frame
 * that cannot be decoded ends the drawing; the picture is what stands by
 * then. */
static GlimrBitmap* compose(GifFileType* gif, const Layout* layout, int32_t min_side) {
  Canvas canvas = {layout->covered, 0, NULL, NULL};
  const long box_height = canvas.box.bottom - canvas.box.top;
  const long width = layout->width, height = layout->height;
  canvas.stride = (size_t)(canvas.box.right - canvas.box.left) * 3;
  canvas.rows = (unsigned char**)calloc((size_t)box_height, sizeof *canvas.rows);
  GlimrReducer reducer;
  memset(&reducer, 0, sizeof reducer);
  GlimrBitmap* result = NULL;
  unsigned char* row = NULL;
  if (!canvas.rows)
    goto done;
  if (min_side == 0) {
    if (!(canvas.bitmap = glimr_bitmap_alloc((int32_t)width, (int32_t)height)))
      goto done;
    for (long y = 0; y < height; ++y)
      memset(canvas.bitmap->bits + (size_t)y * canvas.bitmap->bytes_per_row,
             GLIMR_NEUTRAL_BACKGROUND, (size_t)width * 3);
    for (long i = 0; i < box_height; ++i)
      canvas.rows[i] = canvas.bitmap->bits +
                       (size_t)(canvas.box.top + i) * canvas.bitmap->bytes_per_row +
                       (size_t)canvas.box.left * 3;
  }
  int records = 0;
  for (int f = 0; f < layout->frames; ++f) {
    FrameControl control;
    const ColorMapObject* map = NULL;
    if (!next_image(gif, &control, &records) || !(map = frame_colours(gif))) {
      if (f == 0)
        goto done;
      break;
    }
    /* The last frame is the one shown: its disposal never comes. */
    const Area a = frame_area(gif, &canvas.box);
    const int dispose = f + 1 < layout->frames && !area_empty(&a) ? control.disposal : 0;
    unsigned char** saved = NULL;
    if (dispose == 3 && !(saved = save_area(&canvas, &a)))
      goto done;
    if (!draw_frame(gif, map, control.transparent, &canvas)) {
      if (saved)
        restore_area(&canvas, &a, saved);
      if (f == 0)
        goto done;
      break;
    }
    if (dispose == 2) {
      for (long y = a.top; y < a.bottom; ++y) {
        unsigned char* r = canvas.rows[y - canvas.box.top];
        if (r)
          memset(r + (size_t)(a.left - canvas.box.left) * 3, GLIMR_NEUTRAL_BACKGROUND,
                 (size_t)(a.right - a.left) * 3);
      }
    } else if (saved) {
      restore_area(&canvas, &a, saved);
    }
  }
  if (canvas.bitmap) {
    result = canvas.bitmap;
    canvas.bitmap = NULL;
    goto done;
  }
  row = (unsigned char*)malloc((size_t)width * 3);
  if (!row || !glimr_reducer_init(&reducer, (int32_t)width, (int32_t)height, min_side, 0))
    goto done;
  memset(row, GLIMR_NEUTRAL_BACKGROUND, (size_t)width * 3);
  for (long y = 0; y < height; ++y) {
    const unsigned char* drawn =
        y >= canvas.box.top && y < canvas.box.bottom ? canvas.rows[y - canvas.box.top] : NULL;
    if (drawn)
      memcpy(row + canvas.box.left * 3, drawn, canvas.stride);
    glimr_reducer_add(&reducer, (int32_t)y, 0, 1, row, (int32_t)width);
    if (drawn)
      memset(row + canvas.box.left * 3, GLIMR_NEUTRAL_BACKGROUND, canvas.stride);
  }
  result = glimr_reducer_finish(&reducer);
done:
  if (canvas.rows && min_side != 0) {
    for (long i = 0; i < box_height; ++i)
      free(canvas.rows[i]);
  }
  free(canvas.rows);
  free(canvas.bitmap);
  free(row);
  glimr_reducer_free(&reducer);
  return result;
}

/* min_side < 0: fills size and returns NULL; 0: full size; above 0:
 * reduced while the lines are read. */
static GlimrBitmap* decode(const char* path, int32_t min_side, GlimrImageSize* size) {
  Layout layout;
  if (!scan(path, min_side < 0, &layout) || !glimr_size_acceptable(layout.width, layout.height))
    return NULL;
  if (min_side < 0) {
    size->width = (int32_t)layout.width;
    size->height = (int32_t)layout.height;
    return NULL;
  }
  if (min_side == 0 && !glimr_full_size_acceptable(layout.width, layout.height))
    return NULL;
  GifFileType* gif = open_gif(path);
  if (!gif)
    return NULL;
  /* Combining needs the covered part of the screen whole; a picture too
   * large for that shows its first frame alone. */
  const Area* c = &layout.covered;
  const long long covered = (long long)(c->right - c->left) * (c->bottom - c->top);
  const int combine = layout.frames > 1 && !area_empty(c) &&
                      glimr_full_size_acceptable(c->right - c->left, c->bottom - c->top) &&
                      (min_side == 0 || covered <= GIF_MAX_THUMBNAIL_CANVAS);
  GlimrBitmap* result =
      combine ? compose(gif, &layout, min_side) : stream_first(gif, &layout, min_side);
  close_gif(gif);
  return result;
}

static const GlimrExtNode kGif = {"GIF", NULL};

GLIMR_STANDARD_EXPORTS("GIF (giflib)", &kGif, decode)

/* Every decode keeps its state in its own call (the library's decoder
 * object, error handling and file), so Glimr may run several at once. */
GLIMR_PLUGIN_EXPORT int GetPluginThreadSafe(void) {
  return 1;
}
