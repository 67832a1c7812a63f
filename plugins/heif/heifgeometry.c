/*
 * HEIF item geometry from the file's own boxes. libheif's handle reports a
 * size that ignores properties listed before the spatial extent, cuts no
 * picture coded larger than its extent, and rounds a clean aperture
 * differently from the cut it applies; reading the properties here lets
 * the header read and the decode share one computation.
 */
#include "heifgeometry.h"

#include "heifboxes.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* A meta box larger than this is no picture's. */
#define HEIF_MAX_META ((int64_t)16 * 1024 * 1024)

unsigned char* heif_meta_read(FILE* file, int64_t file_size, size_t* meta_size) {
  return heif_top_box_read(file, file_size, "meta", 4, HEIF_MAX_META, meta_size);
}

/* --- bits of a codec configuration --- */

typedef struct {
  const unsigned char* data;
  size_t size; /* bytes */
  size_t bit;
  int overrun;
} Bits;

static uint32_t read_bits(Bits* b, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) {
    if (b->bit >= b->size * 8) {
      b->overrun = 1;
      return 0;
    }
    v = v << 1 | ((b->data[b->bit / 8] >> (7 - b->bit % 8)) & 1);
    ++b->bit;
  }
  return v;
}

static void skip_bits(Bits* b, size_t n) {
  b->bit += n;
  if (b->bit > b->size * 8)
    b->overrun = 1;
}

/* Exp-Golomb code (HEVC ue(v)). */
static uint32_t read_ue(Bits* b) {
  int zeros = 0;
  while (read_bits(b, 1) == 0 && !b->overrun) {
    if (++zeros > 31) {
      b->overrun = 1;
      return 0;
    }
  }
  return ((1u << zeros) - 1) + read_bits(b, zeros);
}

/* AV1 uvlc(). */
static void skip_uvlc(Bits* b) {
  int zeros = 0;
  while (read_bits(b, 1) == 0 && !b->overrun) {
    if (++zeros >= 32)
      return;
  }
  skip_bits(b, (size_t)zeros);
}

/* The largest frame of an AV1 sequence header OBU payload. */
static int av1_sequence_size(const unsigned char* data, size_t size, int32_t* w, int32_t* h) {
  Bits b = {data, size, 0, 0};
  skip_bits(&b, 3); /* seq_profile */
  skip_bits(&b, 1); /* still_picture */
  if (read_bits(&b, 1)) {
    skip_bits(&b, 5); /* reduced still picture header: seq_level_idx */
  } else {
    int decoder_model = 0, delay_length = 0;
    if (read_bits(&b, 1)) { /* timing_info_present_flag */
      skip_bits(&b, 64);
      if (read_bits(&b, 1))
        skip_uvlc(&b);
      decoder_model = (int)read_bits(&b, 1);
      if (decoder_model) {
        delay_length = (int)read_bits(&b, 5) + 1;
        skip_bits(&b, 32 + 5 + 5);
      }
    }
    const int display_delay = (int)read_bits(&b, 1);
    const int points = (int)read_bits(&b, 5) + 1;
    for (int i = 0; i < points && !b.overrun; ++i) {
      skip_bits(&b, 12);
      if (read_bits(&b, 5) > 7)
        skip_bits(&b, 1);
      if (decoder_model && read_bits(&b, 1))
        skip_bits(&b, (size_t)(2 * delay_length + 1));
      if (display_delay && read_bits(&b, 1))
        skip_bits(&b, 4);
    }
  }
  const int wbits = (int)read_bits(&b, 4) + 1, hbits = (int)read_bits(&b, 4) + 1;
  const uint32_t mw = read_bits(&b, wbits), mh = read_bits(&b, hbits);
  if (b.overrun)
    return 0;
  *w = (int32_t)mw + 1;
  *h = (int32_t)mh + 1;
  return 1;
}

/* OBUs with their sizes; the sequence header among them tells the size. */
static int av1_obus_size(const unsigned char* data, size_t size, int32_t* w, int32_t* h) {
  const HeifBox whole = {data, size, {0}};
  const HeifBox* box = &whole;
  size_t at = 0;
  while (at < box->size) {
    const unsigned char header = box->payload[at++];
    const int type = (header >> 3) & 15, extension = (header >> 2) & 1, sized = (header >> 1) & 1;
    at += (size_t)extension;
    uint64_t length = box->size > at ? box->size - at : 0;
    if (sized) {
      length = 0;
      for (int i = 0; i < 8; ++i) {
        if (at >= box->size)
          return 0;
        const unsigned char byte = box->payload[at++];
        length |= (uint64_t)(byte & 0x7f) << (7 * i);
        if (!(byte & 0x80))
          break;
      }
    }
    if (at > box->size || length > box->size - at)
      return 0;
    if (type == 1)
      return av1_sequence_size(box->payload + at, (size_t)length, w, h);
    at += (size_t)length;
  }
  return 0;
}

/* The cropped picture size of an HEVC sequence parameter set NAL unit. */
static int hevc_sps_size(const unsigned char* nal, size_t size, int32_t* w, int32_t* h) {
  /* Drop the emulation prevention bytes (00 00 03). */
  unsigned char* rbsp = (unsigned char*)malloc(size ? size : 1);
  if (!rbsp)
    return 0;
  size_t n = 0;
  for (size_t i = 0, zeros = 0; i < size; ++i) {
    if (zeros >= 2 && nal[i] == 3) {
      zeros = 0;
      continue;
    }
    zeros = nal[i] == 0 ? zeros + 1 : 0;
    rbsp[n++] = nal[i];
  }
  Bits b = {rbsp, n, 0, 0};
  skip_bits(&b, 16 + 4); /* NAL unit header, sps_video_parameter_set_id */
  const int sub_layers = (int)read_bits(&b, 3);
  skip_bits(&b, 1);
  skip_bits(&b, 96); /* general profile, tier and level */
  int profile_present[8] = {0}, level_present[8] = {0};
  for (int i = 0; i < sub_layers; ++i) {
    profile_present[i] = (int)read_bits(&b, 1);
    level_present[i] = (int)read_bits(&b, 1);
  }
  if (sub_layers > 0)
    skip_bits(&b, (size_t)(2 * (8 - sub_layers)));
  for (int i = 0; i < sub_layers; ++i)
    skip_bits(&b, (size_t)(profile_present[i] * 88 + level_present[i] * 8));
  read_ue(&b); /* sps_seq_parameter_set_id */
  const uint32_t chroma = read_ue(&b);
  int separate = 0;
  if (chroma == 3)
    separate = (int)read_bits(&b, 1);
  const uint32_t width = read_ue(&b), height = read_ue(&b);
  uint32_t left = 0, right = 0, top = 0, bottom = 0;
  if (read_bits(&b, 1)) {
    left = read_ue(&b);
    right = read_ue(&b);
    top = read_ue(&b);
    bottom = read_ue(&b);
  }
  const int overrun = b.overrun;
  free(rbsp);
  const uint32_t sub_w = !separate && (chroma == 1 || chroma == 2) ? 2 : 1;
  const uint32_t sub_h = !separate && chroma == 1 ? 2 : 1;
  const int64_t cw = (int64_t)width - (int64_t)sub_w * ((int64_t)left + right);
  const int64_t ch = (int64_t)height - (int64_t)sub_h * ((int64_t)top + bottom);
  if (overrun || cw <= 0 || ch <= 0 || cw > INT32_MAX || ch > INT32_MAX)
    return 0;
  *w = (int32_t)cw;
  *h = (int32_t)ch;
  return 1;
}

/* hvcC: 23 bytes, then arrays of NAL units; the first SPS tells the size. */
static int hvcc_size(const HeifBox* box, int32_t* w, int32_t* h) {
  if (box->size < 23)
    return 0;
  const int arrays = box->payload[22];
  size_t at = 23;
  for (int a = 0; a < arrays; ++a) {
    if (at + 3 > box->size)
      return 0;
    const int type = box->payload[at] & 0x3f;
    const uint32_t count = heif_be16(box->payload + at + 1);
    at += 3;
    for (uint32_t i = 0; i < count; ++i) {
      if (at + 2 > box->size)
        return 0;
      const size_t length = heif_be16(box->payload + at);
      at += 2;
      if (length > box->size - at)
        return 0;
      if (type == 33)
        return hevc_sps_size(box->payload + at, length, w, h);
      at += length;
    }
  }
  return 0;
}

/* --- properties --- */

static int read_property(const HeifBox* p, HeifGeometry* g, int* av1) {
  if (memcmp(p->type, "ispe", 4) == 0) {
    if (p->size < 12)
      return 0;
    const uint32_t w = heif_be32(p->payload + 4), h = heif_be32(p->payload + 8);
    if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX)
      return 0;
    g->ispe_width = (int32_t)w;
    g->ispe_height = (int32_t)h;
  } else if (memcmp(p->type, "av1C", 4) == 0) {
    /* Four bytes, then OBUs that may hold the sequence header. */
    if (p->size > 4)
      av1_obus_size(p->payload + 4, p->size - 4, &g->coded_width, &g->coded_height);
    *av1 = 1;
  } else if (memcmp(p->type, "hvcC", 4) == 0) {
    hvcc_size(p, &g->coded_width, &g->coded_height);
  } else if (memcmp(p->type, "irot", 4) == 0 || memcmp(p->type, "imir", 4) == 0 ||
             memcmp(p->type, "clap", 4) == 0) {
    if (g->transform_count >= HEIF_MAX_TRANSFORMS)
      return 0;
    HeifTransform* t = &g->transforms[g->transform_count++];
    memset(t, 0, sizeof *t);
    t->kind = p->type[1] == 'r' ? 'r' : p->type[1] == 'm' ? 'm' : 'c';
    if (t->kind == 'c') {
      if (p->size < 32)
        return 0;
      for (int i = 0; i < 8; ++i) {
        const uint32_t v = heif_be32(p->payload + 4 * i);
        /* The offsets' numerators are signed, everything else unsigned. */
        t->clap[i] = i == 4 || i == 6 ? (int64_t)(int32_t)v : (int64_t)v;
      }
      if (t->clap[1] == 0 || t->clap[3] == 0 || t->clap[5] == 0 || t->clap[7] == 0 ||
          t->clap[0] == 0 || t->clap[2] == 0)
        return 0;
    } else {
      if (p->size < 1)
        return 0;
      t->value = t->kind == 'r' ? (p->payload[0] & 3) : (p->payload[0] & 1);
    }
  }
  return 1;
}

static uint64_t read_be(const unsigned char* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i)
    v = v << 8 | p[i];
  return v;
}

/* Where the item's data starts in the file and how long its first extent
 * is, from the item location box; 0 when it is not stored in this file. */
static int item_extent(const unsigned char* meta, size_t meta_size, uint32_t item_id,
                       uint64_t* offset, uint64_t* length) {
  HeifBox iloc;
  if (!heif_box_find(meta + 4, meta_size - 4, "iloc", &iloc) || iloc.size < 8)
    return 0;
  const unsigned char* p = iloc.payload;
  const size_t end = iloc.size;
  const int version = p[0];
  const int offset_size = p[4] >> 4, length_size = p[4] & 15, base_size = p[5] >> 4;
  const int index_size = version == 1 || version == 2 ? p[5] & 15 : 0;
  size_t at = 6;
  const int id_size = version < 2 ? 2 : 4;
  if (at + (size_t)id_size > end)
    return 0;
  const uint64_t items = read_be(p + at, id_size);
  at += (size_t)id_size;
  for (uint64_t i = 0; i < items; ++i) {
    if (at + (size_t)id_size > end)
      return 0;
    const uint64_t id = read_be(p + at, id_size);
    at += (size_t)id_size;
    int method = 0;
    if (version == 1 || version == 2) {
      if (at + 2 > end)
        return 0;
      method = p[at + 1] & 15;
      at += 2;
    }
    if (at + 2 + (size_t)base_size + 2 > end)
      return 0;
    const uint16_t data_reference = (uint16_t)heif_be16(p + at);
    at += 2;
    const uint64_t base = read_be(p + at, base_size);
    at += (size_t)base_size;
    const uint32_t extents = heif_be16(p + at);
    at += 2;
    for (uint32_t e = 0; e < extents; ++e) {
      const size_t entry = (size_t)(index_size + offset_size + length_size);
      if (at + entry > end)
        return 0;
      if (id == item_id && e == 0) {
        if (method != 0 || data_reference != 0)
          return 0;
        *offset = base + read_be(p + at + index_size, offset_size);
        *length = read_be(p + at + index_size + offset_size, length_size);
        return 1;
      }
      at += entry;
    }
  }
  return 0;
}

int heif_geometry_read(const unsigned char* meta, size_t meta_size, uint32_t item_id, FILE* file,
                       const unsigned char* memory, size_t memory_size, HeifGeometry* g) {
  memset(g, 0, sizeof *g);
  int av1 = 0;
  HeifBox iprp, ipco;
  if (meta_size < 4 || !heif_box_find(meta + 4, meta_size - 4, "iprp", &iprp) ||
      !heif_box_find(iprp.payload, iprp.size, "ipco", &ipco))
    return 0;
  /* Every ipma box of the meta box, each association in its order. */
  size_t at = 0;
  HeifBox ipma;
  while (heif_box_next(iprp.payload, iprp.size, &at, &ipma)) {
    if (memcmp(ipma.type, "ipma", 4) != 0 || ipma.size < 8)
      continue;
    const int version = ipma.payload[0], wide = ipma.payload[3] & 1;
    const uint32_t entries = heif_be32(ipma.payload + 4);
    size_t pos = 8;
    for (uint32_t e = 0; e < entries; ++e) {
      if (pos + (version < 1 ? 2 : 4) + 1 > ipma.size)
        return 0;
      const uint32_t id =
          version < 1 ? heif_be16(ipma.payload + pos) : heif_be32(ipma.payload + pos);
      pos += version < 1 ? 2 : 4;
      const int count = ipma.payload[pos++];
      for (int i = 0; i < count; ++i) {
        if (pos + (wide ? 2 : 1) > ipma.size)
          return 0;
        const uint32_t index =
            wide ? heif_be16(ipma.payload + pos) & 0x7fff : (uint32_t)(ipma.payload[pos] & 0x7f);
        pos += wide ? 2 : 1;
        if (id != item_id || index == 0)
          continue;
        /* Property indexes count the boxes of ipco from 1. */
        size_t pat = 0;
        HeifBox property;
        uint32_t n = 0;
        int found = 0;
        while (heif_box_next(ipco.payload, ipco.size, &pat, &property)) {
          if (++n == index) {
            found = 1;
            break;
          }
        }
        if (!found || !read_property(&property, g, &av1))
          return 0;
      }
    }
  }
  uint64_t offset = 0, length = 0;
  if (av1 && g->coded_width == 0 && (file || memory) &&
      item_extent(meta, meta_size, item_id, &offset, &length)) {
    /* The sequence header comes first in the coded data. */
    unsigned char head[1024];
    const size_t want = length < sizeof head ? (size_t)length : sizeof head;
    ssize_t got = -1;
    if (file && offset < (uint64_t)INT64_MAX)
      got = pread(fileno(file), head, want, (off_t)offset);
    else if (!file && offset < memory_size) {
      got = (ssize_t)(want < memory_size - offset ? want : memory_size - offset);
      memcpy(head, memory + offset, (size_t)got);
    }
    if (got > 0)
      av1_obus_size(head, (size_t)got, &g->coded_width, &g->coded_height);
  }
  return 1;
}

void heif_geometry_expected_decode(const HeifGeometry* g, int32_t* width, int32_t* height) {
  *width = g->coded_width > 0 ? g->coded_width : g->ispe_width;
  *height = g->coded_height > 0 ? g->coded_height : g->ispe_height;
}

/* floor(n / d) for d > 0. */
static int64_t floor_div(__int128 n, __int128 d) {
  __int128 q = n / d;
  if ((n % d != 0) && (n < 0))
    --q;
  return q < INT64_MIN ? INT64_MIN : q > INT64_MAX ? INT64_MAX : (int64_t)q;
}

/* The first and last column (or row) a clean aperture of size num/den and
 * offset onum/oden keeps of extent pixels: its centre lies at offset +
 * (extent - 1) / 2, its edges half its size minus a half from there. */
static void aperture_span(int64_t extent, int64_t num, int64_t den, int64_t onum, int64_t oden,
                          int64_t* first, int64_t* last) {
  /* Over the common denominator 2 * den * oden. */
  const __int128 d = (__int128)2 * den * oden;
  const __int128 centre = (__int128)2 * onum * den + (__int128)(extent - 1) * den * oden;
  const __int128 half = ((__int128)num - den) * oden;
  *first = floor_div(centre - half, d);
  *last = floor_div(centre + half, d);
}

int heif_geometry_place(const HeifGeometry* g, int32_t decoded_width, int32_t decoded_height,
                        HeifPlacement* p) {
  int64_t w = decoded_width, h = decoded_height;
  if (g->ispe_width > 0 && g->ispe_width < w)
    w = g->ispe_width;
  if (g->ispe_height > 0 && g->ispe_height < h)
    h = g->ispe_height;
  if (w <= 0 || h <= 0)
    return 0;
  int64_t x0 = 0, y0 = 0, xx = 1, xy = 0, yx = 0, yy = 1;
  for (int i = 0; i < g->transform_count; ++i) {
    const HeifTransform* t = &g->transforms[i];
    if (t->kind == 'c') {
      int64_t left, right, top, bottom;
      aperture_span(w, t->clap[0], t->clap[1], t->clap[4], t->clap[5], &left, &right);
      aperture_span(h, t->clap[2], t->clap[3], t->clap[6], t->clap[7], &top, &bottom);
      if (left < 0)
        left = 0;
      if (top < 0)
        top = 0;
      if (right > w - 1)
        right = w - 1;
      if (bottom > h - 1)
        bottom = h - 1;
      if (right < left || bottom < top)
        return 0;
      x0 += left * xx + top * yx;
      y0 += left * xy + top * yy;
      w = right - left + 1;
      h = bottom - top + 1;
    } else if (t->kind == 'r') {
      /* A quarter turn anticlockwise: the new pixel (x, y) is the old
       * (w - 1 - y, x). */
      for (int turn = 0; turn < t->value; ++turn) {
        x0 += (w - 1) * xx;
        y0 += (w - 1) * xy;
        const int64_t nxx = yx, nxy = yy;
        yx = -xx;
        yy = -xy;
        xx = nxx;
        xy = nxy;
        const int64_t s = w;
        w = h;
        h = s;
      }
    } else if (t->value == 0) {
      /* Mirror mode 0 (as libheif and libavif read it): top and bottom
       * change places. */
      x0 += (h - 1) * yx;
      y0 += (h - 1) * yy;
      yx = -yx;
      yy = -yy;
    } else {
      /* Mode 1: left and right change places. */
      x0 += (w - 1) * xx;
      y0 += (w - 1) * xy;
      xx = -xx;
      xy = -xy;
    }
  }
  if (w > INT32_MAX || h > INT32_MAX)
    return 0;
  p->width = (int32_t)w;
  p->height = (int32_t)h;
  p->x0 = x0;
  p->y0 = y0;
  p->xx = xx;
  p->xy = xy;
  p->yx = yx;
  p->yy = yy;
  return 1;
}
