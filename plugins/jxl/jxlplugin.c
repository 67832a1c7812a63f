/*
 * JPEG XL plug-in over libjxl: the first frame of a file, upright (the
 * codestream's orientation is applied by the library), transparency
 * composited onto a neutral grey. Thumbnails are averaged down while the
 * pixels arrive, so they cost memory in proportion to their own size.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jxl/decode.h>

#include "glimr_plugin.h"
#include "pluginutil.h"

/* Bytes read from the file at a time. */
#define JXL_CHUNK ((size_t)256 * 1024)
/* Input held at once: the decoder asks for more only when it cannot go on
 * with what it has, which is never more than one section of the file. */
#define JXL_MAX_PENDING ((size_t)512 * 1024 * 1024)
/* What the library may allocate for one picture: its frame buffers take
 * up to about 16 bytes a pixel; a forged header that declares a huge
 * picture is stopped here rather than by the machine's memory. */
#define JXL_MAX_LIBRARY_BYTES ((uint64_t)2048 * 1024 * 1024)

/* --- an allocator with a budget --- */

typedef struct {
  uint64_t budget;
  uint64_t used;
} Budget;

static void* budget_alloc(void* opaque, size_t size) {
  Budget* b = (Budget*)opaque;
  if (b->used >= b->budget || size > b->budget - b->used)
    return NULL;
  uint64_t* block = (uint64_t*)malloc(size + 16);
  if (!block)
    return NULL;
  block[0] = size;
  b->used += size;
  return (unsigned char*)block + 16;
}

static void budget_free(void* opaque, void* address) {
  if (!address)
    return;
  uint64_t* block = (uint64_t*)((unsigned char*)address - 16);
  ((Budget*)opaque)->used -= block[0];
  free(block);
}

/* --- pixels arriving as partial rows, in any order --- */

typedef struct {
  int channels;      /* 3, or 4 with alpha */
  int32_t factor;    /* 1: straight into bitmap */
  GlimrBitmap* full; /* factor 1 */
  GlimrReducer reducer;
  unsigned char* row; /* one converted partial row */
} Sink;

static void on_pixels(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
  Sink* s = (Sink*)opaque;
  const unsigned char* in = (const unsigned char*)pixels;
  const int32_t width = s->full ? s->full->width : s->reducer.width;
  const int32_t height = s->full ? s->full->height : s->reducer.height;
  if (y >= (size_t)height || x >= (size_t)width || count > (size_t)width - x)
    return;
  unsigned char* out =
      s->full ? s->full->bits + y * (size_t)s->full->bytes_per_row + 3 * x : s->row;
  glimr_rgb_to_bgr(in, s->channels, out, count);
  if (!s->full)
    glimr_reducer_add(&s->reducer, (int32_t)y, (int32_t)x, 1, s->row, (int32_t)count);
}

/* Sets up the sink for an upright width x height picture; 0 on failure. */
static int sink_init(Sink* s, int32_t width, int32_t height, int32_t min_side, int alpha) {
  memset(s, 0, sizeof *s);
  s->channels = alpha ? 4 : 3;
  s->factor = glimr_reduce_factor(width, height, min_side);
  if (s->factor == 1) {
    if (!glimr_full_size_acceptable(width, height) && min_side == 0)
      return 0;
    s->full = glimr_bitmap_alloc(width, height);
    return s->full != NULL;
  }
  s->row = (unsigned char*)malloc((size_t)width * 3);
  return s->row && glimr_reducer_init(&s->reducer, width, height, min_side, 1);
}

static GlimrBitmap* sink_finish(Sink* s) {
  GlimrBitmap* b = s->full ? s->full : glimr_reducer_finish(&s->reducer);
  s->full = NULL;
  return b;
}

static void sink_free(Sink* s) {
  free(s->full);
  free(s->row);
  glimr_reducer_free(&s->reducer);
  memset(s, 0, sizeof *s);
}

/* min_side < 0: reads only as far as the basic information and fills size.
 * Otherwise decodes the first frame, reduced when min_side > 0. */
static GlimrBitmap* decode(const char* path, int32_t min_side, GlimrImageSize* size) {
  int64_t file_size = 0;
  FILE* f = glimr_fopen_regular(path, &file_size);
  if (!f)
    return NULL;
  unsigned char head[16];
  const size_t got = fread(head, 1, sizeof head, f);
  const JxlSignature sig = JxlSignatureCheck(head, got);
  if ((sig != JXL_SIG_CODESTREAM && sig != JXL_SIG_CONTAINER) || fseeko(f, 0, SEEK_SET) != 0) {
    fclose(f);
    return NULL;
  }
  Budget budget = {JXL_MAX_LIBRARY_BYTES, 0};
  const JxlMemoryManager memory = {&budget, budget_alloc, budget_free};
  JxlDecoder* dec = JxlDecoderCreate(&memory);
  unsigned char* input = NULL; /* bytes handed to the decoder, not yet consumed */
  size_t pending = 0;
  Sink sink;
  memset(&sink, 0, sizeof sink);
  GlimrBitmap* result = NULL;
  int started = 0;
  const int events = min_side < 0 ? JXL_DEC_BASIC_INFO : JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE;
  if (!dec || JxlDecoderSubscribeEvents(dec, events) != JXL_DEC_SUCCESS)
    goto done;
  for (;;) {
    const JxlDecoderStatus status = JxlDecoderProcessInput(dec);
    if (status == JXL_DEC_NEED_MORE_INPUT) {
      const size_t left = JxlDecoderReleaseInput(dec);
      if (feof(f) || left + JXL_CHUNK > JXL_MAX_PENDING)
        goto done; /* truncated */
      /* Keep what the decoder has not consumed and append the next chunk. */
      unsigned char* next = (unsigned char*)malloc(left + JXL_CHUNK);
      if (!next)
        goto done;
      if (left)
        memcpy(next, input + (pending - left), left);
      free(input);
      input = next;
      const size_t n = fread(input + left, 1, JXL_CHUNK, f);
      pending = left + n;
      if (n == 0)
        goto done;
      JxlDecoderSetInput(dec, input, pending);
      if (feof(f) || ftello(f) >= file_size)
        JxlDecoderCloseInput(dec);
    } else if (status == JXL_DEC_BASIC_INFO) {
      JxlBasicInfo info;
      if (JxlDecoderGetBasicInfo(dec, &info) != JXL_DEC_SUCCESS)
        goto done;
      const int swap = info.orientation >= JXL_ORIENT_TRANSPOSE;
      const int64_t w = swap ? info.ysize : info.xsize, h = swap ? info.xsize : info.ysize;
      /* libjxl holds the whole frame, whatever the thumbnail's size. */
      if (!glimr_size_acceptable(w, h) || !glimr_size_plausible(w, h, file_size))
        goto done;
      if (min_side < 0) {
        size->width = (int32_t)w;
        size->height = (int32_t)h;
        goto done;
      }
      const uint64_t need = (uint64_t)w * (uint64_t)h * 16 + ((uint64_t)64 << 20);
      budget.budget = need < JXL_MAX_LIBRARY_BYTES ? need : JXL_MAX_LIBRARY_BYTES;
      if (!sink_init(&sink, (int32_t)w, (int32_t)h, min_side, info.alpha_bits != 0))
        goto done;
    } else if (status == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
      if (started || (!sink.full && !sink.row))
        goto done;
      const JxlPixelFormat format = {(uint32_t)sink.channels, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
      if (JxlDecoderSetImageOutCallback(dec, &format, on_pixels, &sink) != JXL_DEC_SUCCESS)
        goto done;
      started = 1;
    } else if (status == JXL_DEC_FULL_IMAGE) {
      /* The first frame is the picture; an animation's others are skipped. */
      if (started)
        result = sink_finish(&sink);
      goto done;
    } else {
      /* JXL_DEC_ERROR, or the end of the file before the first frame. */
      goto done;
    }
  }
done:
  sink_free(&sink);
  if (dec)
    JxlDecoderDestroy(dec);
  free(input);
  fclose(f);
  return result;
}

static const GlimrExtNode kJxl = {"JXL", NULL};

GLIMR_STANDARD_EXPORTS("JPEG XL (libjxl)", &kJxl, decode)
