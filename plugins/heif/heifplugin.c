/*
 * HEIF plug-in over libheif: HEIC/HEIF (HEVC) and AVIF (AV1) stills, the
 * primary image of the file (the first frame of an image sequence). The container's own rotation,
 * mirroring and cropping are applied here, from the same reading of the file's properties that
 * gives the header read its size (an EXIF orientation inside the file describes the coded picture
 * and is deliberately not applied on top). Thumbnails come from the embedded thumbnail image when
 * it is large enough.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <libheif/heif.h>

#include "glimr_plugin.h"
#include "heifgeometry.h"
#include "heifsequence.h"
#include "pluginutil.h"

/* A thumbnail whose proportions differ more than this from the picture's is
 * a crop or a letter-boxed copy, not a smaller copy of the picture. */
#define HEIF_THUMB_ASPECT_TOLERANCE 0.02

/* --- reading through a stream that was opened without blocking --- */

typedef struct {
  FILE* file;
  int64_t size;
} Source;

static int64_t source_position(void* user) {
  return (int64_t)ftello(((Source*)user)->file);
}

static int source_read(void* data, size_t size, void* user) {
  return fread(data, 1, size, ((Source*)user)->file) == size ? 0 : -1;
}

static int source_seek(int64_t position, void* user) {
  Source* s = (Source*)user;
  if (position < 0 || position > s->size)
    return -1;
  return fseeko(s->file, (off_t)position, SEEK_SET) == 0 ? 0 : -1;
}

static enum heif_reader_grow_status source_wait(int64_t target, void* user) {
  return target <= ((Source*)user)->size ? heif_reader_grow_status_size_reached
                                         : heif_reader_grow_status_size_beyond_eof;
}

static const struct heif_reader kReader = {1, source_position, source_read, source_seek,
                                           source_wait};

/* An open file with its parsed boxes and the primary image's handle. */
typedef struct {
  Source source;
  unsigned char* meta; /* the meta box, read here for the items' geometry */
  size_t meta_size;
  HeifStill still; /* a sequence without still items: its first frame */
  struct heif_context* context;
  struct heif_image_handle* primary;
  HeifGeometry geometry; /* the primary image's */
  int32_t width, height; /* the primary image upright, as it will decode */
} Opened;

static void close_opened(Opened* o) {
  if (o->primary)
    heif_image_handle_release(o->primary);
  if (o->context)
    heif_context_free(o->context);
  if (o->source.file)
    fclose(o->source.file);
  free(o->meta);
  free(o->still.file);
  memset(o, 0, sizeof *o);
}

/* The geometry of an image item and the size it will decode to, upright;
 * 0 when its properties are damaged or tell no size. */
static int item_geometry(const Opened* o, heif_item_id id, HeifGeometry* geometry, int32_t* width,
                         int32_t* height) {
  if (!heif_geometry_read(o->meta, o->meta_size, id, o->still.file ? NULL : o->source.file,
                          o->still.file, o->still.size, geometry))
    return 0;
  int32_t w = 0, h = 0;
  heif_geometry_expected_decode(geometry, &w, &h);
  HeifPlacement placement;
  if (w <= 0 || h <= 0 || !heif_geometry_place(geometry, w, h, &placement))
    return 0;
  *width = placement.width;
  *height = placement.height;
  return 1;
}

/* Reads the boxes (not the coded picture) and finds the primary image and
 * its upright, cropped size. 0 when the file is no usable HEIF. */
static int open_heif(const char* path, Opened* o) {
  memset(o, 0, sizeof *o);
  o->source.file = glimr_fopen_regular(path, &o->source.size);
  if (!o->source.file)
    return 0;
  unsigned char head[12];
  if (fread(head, 1, sizeof head, o->source.file) != sizeof head ||
      heif_check_filetype(head, (int)sizeof head) == heif_filetype_no) {
    close_opened(o);
    return 0;
  }
  o->meta = heif_meta_read(o->source.file, o->source.size, &o->meta_size);
  if (!o->meta && heif_sequence_first_frame(o->source.file, o->source.size, &o->still)) {
    /* An image sequence with a track only: its first frame is the picture. */
    o->meta = (unsigned char*)malloc(o->still.meta_size);
    if (o->meta) {
      memcpy(o->meta, o->still.file + o->still.meta_offset, o->still.meta_size);
      o->meta_size = o->still.meta_size;
    }
  }
  o->context = heif_context_alloc();
  if (!o->meta || !o->context || fseeko(o->source.file, 0, SEEK_SET) != 0) {
    close_opened(o);
    return 0;
  }
  /* Refuse oversized pictures before the library allocates for them. */
  heif_context_set_maximum_image_size_limit(o->context, GLIMR_MAX_SIDE + 1);
  heif_context_set_max_decoding_threads(o->context, 0);
  struct heif_error e = o->still.file
                            ? heif_context_read_from_memory_without_copy(o->context, o->still.file,
                                                                         o->still.size, NULL)
                            : heif_context_read_from_reader(o->context, &kReader, &o->source, NULL);
  heif_item_id id = 0;
  if (e.code == heif_error_Ok)
    e = heif_context_get_primary_image_ID(o->context, &id);
  if (e.code == heif_error_Ok)
    e = heif_context_get_primary_image_handle(o->context, &o->primary);
  if (e.code != heif_error_Ok || !o->primary ||
      !item_geometry(o, id, &o->geometry, &o->width, &o->height) ||
      !glimr_size_acceptable(o->width, o->height) ||
      /* libheif decodes the whole picture, whatever the thumbnail's size. */
      !glimr_size_plausible(o->width, o->height, o->source.size)) {
    close_opened(o);
    return 0;
  }
  return 1;
}

/* The embedded thumbnail that can stand in for the picture at min_side:
 * both sides at least min_side (or the picture's side when that is smaller)
 * and the picture's proportions, upright. NULL when there is none; its
 * geometry in *geometry otherwise. */
static struct heif_image_handle* usable_thumbnail(const Opened* o, int32_t min_side,
                                                  HeifGeometry* geometry) {
  const int n = heif_image_handle_get_number_of_thumbnails(o->primary);
  if (n <= 0 || min_side <= 0)
    return NULL;
  heif_item_id ids[8];
  const int count = heif_image_handle_get_list_of_thumbnail_IDs(o->primary, ids, n < 8 ? n : 8);
  const int w = o->width, h = o->height;
  const int need_w = min_side < w ? min_side : w, need_h = min_side < h ? min_side : h;
  struct heif_image_handle* best = NULL;
  int32_t best_w = 0;
  for (int i = 0; i < count; ++i) {
    struct heif_image_handle* t = NULL;
    HeifGeometry g;
    int32_t tw = 0, th = 0;
    if (heif_image_handle_get_thumbnail(o->primary, ids[i], &t).code != heif_error_Ok || !t)
      continue;
    if (!item_geometry(o, ids[i], &g, &tw, &th)) {
      heif_image_handle_release(t);
      continue;
    }
    const double aspect = (double)tw / th, want = (double)w / h;
    const int fits = tw >= need_w && th >= need_h && tw <= w && th <= h &&
                     aspect >= want * (1 - HEIF_THUMB_ASPECT_TOLERANCE) &&
                     aspect <= want * (1 + HEIF_THUMB_ASPECT_TOLERANCE);
    /* The smallest one that will do is the cheapest to decode. */
    if (fits && (!best || tw < best_w)) {
      if (best)
        heif_image_handle_release(best);
      best = t;
      best_w = tw;
      *geometry = g;
    } else {
      heif_image_handle_release(t);
    }
  }
  return best;
}

/* Decodes one image item to 8-bit interleaved RGB(A) as coded, then turns
 * it upright by its geometry while averaging it into a bitmap of no side
 * below min_side (full size when min_side is 0). */
static GlimrBitmap* decode_handle(const struct heif_image_handle* handle,
                                  const HeifGeometry* geometry, int32_t min_side) {
  const int alpha = heif_image_handle_has_alpha_channel(handle);
  struct heif_decoding_options* options = heif_decoding_options_alloc();
  if (!options)
    return NULL;
  options->convert_hdr_to_8bit = 1;
  /* The geometry is applied below, exactly as the header read reports it. */
  options->ignore_transformations = 1;
  struct heif_image* image = NULL;
  const struct heif_error e = heif_decode_image(
      handle, &image, heif_colorspace_RGB,
      alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options);
  heif_decoding_options_free(options);
  if (e.code != heif_error_Ok || !image)
    return NULL;
  int stride = 0;
  const uint8_t* pixels = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  const int w = heif_image_get_width(image, heif_channel_interleaved);
  const int h = heif_image_get_height(image, heif_channel_interleaved);
  const int bpp = alpha ? 4 : 3;
  /* The header read reported the size the geometry expects: a picture
   * coded smaller than that is damaged, one coded larger is cut to it. */
  int32_t expected_w = 0, expected_h = 0;
  heif_geometry_expected_decode(geometry, &expected_w, &expected_h);
  const int whole = expected_w <= 0 || (w >= expected_w && h >= expected_h);
  const int32_t used_w = expected_w > 0 && w > expected_w ? expected_w : w;
  const int32_t used_h = expected_h > 0 && h > expected_h ? expected_h : h;
  HeifPlacement at;
  GlimrReducer r;
  unsigned char* row = NULL;
  GlimrBitmap* bitmap = NULL;
  if (pixels && w > 0 && h > 0 && stride >= w * bpp &&
      heif_image_get_bits_per_pixel_range(image, heif_channel_interleaved) == 8 && whole &&
      heif_geometry_place(geometry, used_w, used_h, &at) &&
      (min_side > 0 || glimr_full_size_acceptable(at.width, at.height)) &&
      glimr_reducer_init(&r, at.width, at.height, min_side, 0)) {
    row = (unsigned char*)malloc((size_t)at.width * 3);
    const int straight = at.xx == 1 && at.xy == 0;
    for (int32_t y = 0; row && y < at.height; ++y) {
      /* The upright row's pixels, wherever they lie in the decoded picture. */
      const int64_t sx = at.x0 + (int64_t)y * at.yx, sy = at.y0 + (int64_t)y * at.yy;
      if (straight) {
        glimr_rgb_to_bgr(pixels + (size_t)sy * (size_t)stride + (size_t)sx * bpp, bpp, row,
                         (size_t)at.width);
      } else {
        for (int32_t x = 0; x < at.width; ++x) {
          const int64_t px = sx + (int64_t)x * at.xx, py = sy + (int64_t)x * at.xy;
          glimr_rgb_to_bgr(pixels + (size_t)py * (size_t)stride + (size_t)px * bpp, bpp,
                           row + 3 * (size_t)x, 1);
        }
      }
      glimr_reducer_add(&r, y, 0, 1, row, at.width);
    }
    bitmap = row ? glimr_reducer_finish(&r) : NULL;
    glimr_reducer_free(&r);
  }
  free(row);
  heif_image_release(image);
  return bitmap;
}

/* min_side < 0: header only, fills size. Otherwise decodes, reduced when
 * min_side > 0. */
static GlimrBitmap* decode(const char* path, int32_t min_side, GlimrImageSize* size) {
  Opened o;
  if (!open_heif(path, &o))
    return NULL;
  GlimrBitmap* bitmap = NULL;
  if (min_side < 0) {
    size->width = o.width;
    size->height = o.height;
  } else if (min_side > 0 || glimr_full_size_acceptable(o.width, o.height)) {
    HeifGeometry thumb_geometry;
    struct heif_image_handle* thumb = usable_thumbnail(&o, min_side, &thumb_geometry);
    if (thumb) {
      bitmap = decode_handle(thumb, &thumb_geometry, min_side);
      heif_image_handle_release(thumb);
    }
    if (!bitmap)
      bitmap = decode_handle(o.primary, &o.geometry, min_side);
  }
  close_opened(&o);
  return bitmap;
}

/* The extensions whose codec this build of libheif can decode, filled on
 * the first call (on the main thread, when the plug-in is loaded). */
static GlimrExtNode extensions[4];

/* libheif keeps its decoder registry from heif_init on. The plug-in is
 * linked so that it is never unmapped (-z nodelete), so this runs once per
 * process however often a host loads and unloads it. The library is never
 * released: at process exit its own static objects may already be gone
 * when an ELF destructor of ours would run, and releasing it then crashes
 * every host that exits with the plug-in loaded. */
__attribute__((constructor)) static void heif_plugin_loaded(void) {
  heif_init(NULL);
}

static const GlimrExtNode* supplied_extensions(void) {
  static int filled = 0;
  if (!filled) {
    const char* names[4];
    int n = 0;
    if (heif_have_decoder_for_format(heif_compression_HEVC)) {
      names[n++] = "HEIC";
      names[n++] = "HEIF";
      names[n++] = "HIF";
    }
    if (heif_have_decoder_for_format(heif_compression_AV1))
      names[n++] = "AVIF";
    for (int i = 0; i < n; ++i) {
      extensions[i].extension = names[i];
      extensions[i].next = i + 1 < n ? &extensions[i + 1] : NULL;
    }
    filled = n > 0 ? 1 : -1;
  }
  return filled > 0 ? &extensions[0] : NULL;
}

GLIMR_PLUGIN_EXPORT const char* GetPluginType(void) {
  return GLIMR_PLUGIN_TYPE;
}

GLIMR_PLUGIN_EXPORT const char* GetPluginName(void) {
  return "HEIF and AVIF (libheif)";
}

GLIMR_PLUGIN_EXPORT const GlimrExtNode* GetSupplyExtensions(void) {
  return supplied_extensions();
}

GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmap(const char* path) {
  return path ? decode(path, 0, NULL) : NULL;
}

GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmapReduced(const char* path, int32_t min_side) {
  return path ? decode(path, min_side > 0 ? min_side : 0, NULL) : NULL;
}

GLIMR_PLUGIN_EXPORT void GetFileInfo(const char* path, GlimrImageSize* size) {
  if (!size)
    return;
  size->width = 0;
  size->height = 0;
  if (path)
    decode(path, -1, size);
}
