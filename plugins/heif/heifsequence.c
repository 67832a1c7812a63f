/*
 * AVIF image sequences without still items: libheif reads only items, so
 * the first frame of the first picture track (handler "pict" or "vide",
 * sample entry "av01") is copied into a still AVIF with one item, its
 * spatial extent from the sample entry and its av1C configuration.
 */
#include "heifsequence.h"

#include "heifboxes.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* The track boxes (moov) and one coded frame are never larger than this. */
#define HEIF_MAX_MOOV ((int64_t)16 * 1024 * 1024)
#define HEIF_MAX_FRAME ((uint64_t)256 * 1024 * 1024)

static void put32(unsigned char* p, uint32_t v) {
  p[0] = (unsigned char)(v >> 24);
  p[1] = (unsigned char)(v >> 16);
  p[2] = (unsigned char)(v >> 8);
  p[3] = (unsigned char)v;
}

/* The payload of the top-level moov box, read into a malloc block. */
static unsigned char* read_moov(FILE* file, int64_t file_size, size_t* size) {
  return heif_top_box_read(file, file_size, "moov", 1, HEIF_MAX_MOOV, size);
}

/* What the still needs of a track: the picture's size, its av1C box
 * (header included) and where its first sample lies. */
typedef struct {
  uint32_t width, height;
  const unsigned char* av1c;
  size_t av1c_size;
  uint64_t offset, length;
} Frame;

static int read_track(const unsigned char* trak, size_t size, Frame* f) {
  HeifBox mdia, hdlr, minf, stbl, stsd, stsz, chunks;
  if (!heif_box_find(trak, size, "mdia", &mdia) ||
      !heif_box_find(mdia.payload, mdia.size, "hdlr", &hdlr) || hdlr.size < 12 ||
      (memcmp(hdlr.payload + 8, "pict", 4) != 0 && memcmp(hdlr.payload + 8, "vide", 4) != 0) ||
      !heif_box_find(mdia.payload, mdia.size, "minf", &minf) ||
      !heif_box_find(minf.payload, minf.size, "stbl", &stbl) ||
      !heif_box_find(stbl.payload, stbl.size, "stsd", &stsd) || stsd.size < 8 ||
      !heif_box_find(stbl.payload, stbl.size, "stsz", &stsz) || stsz.size < 12)
    return 0;
  /* The first sample entry: an AV1 visual sample entry, 78 bytes of
   * fields before its own boxes. */
  HeifBox entry;
  if (!heif_box_find(stsd.payload + 8, stsd.size - 8, "av01", &entry) || entry.size < 78)
    return 0;
  f->width = heif_be16(entry.payload + 24);
  f->height = heif_be16(entry.payload + 26);
  HeifBox av1c;
  if (!heif_box_find(entry.payload + 78, entry.size - 78, "av1C", &av1c))
    return 0;
  f->av1c = av1c.payload - 8;
  f->av1c_size = av1c.size + 8;
  /* The first sample starts the first chunk. */
  const uint32_t fixed = heif_be32(stsz.payload + 4), count = heif_be32(stsz.payload + 8);
  if (count == 0 || (fixed == 0 && stsz.size < 16))
    return 0;
  f->length = fixed ? fixed : heif_be32(stsz.payload + 12);
  if (heif_box_find(stbl.payload, stbl.size, "stco", &chunks) && chunks.size >= 12 &&
      heif_be32(chunks.payload + 4) > 0) {
    f->offset = heif_be32(chunks.payload + 8);
  } else if (heif_box_find(stbl.payload, stbl.size, "co64", &chunks) && chunks.size >= 16 &&
             heif_be32(chunks.payload + 4) > 0) {
    f->offset = (uint64_t)heif_be32(chunks.payload + 8) << 32 | heif_be32(chunks.payload + 12);
  } else {
    return 0;
  }
  return f->width > 0 && f->height > 0 && f->length > 0 && f->length <= HEIF_MAX_FRAME;
}

int heif_sequence_first_frame(FILE* file, int64_t file_size, HeifStill* still) {
  memset(still, 0, sizeof *still);
  size_t moov_size = 0;
  unsigned char* moov = read_moov(file, file_size, &moov_size);
  if (!moov)
    return 0;
  /* The first track that is a picture (an alpha track is "auxv"). */
  Frame f;
  int found = 0;
  size_t at = 0;
  while (!found && at + 8 <= moov_size) {
    const uint64_t length = heif_be32(moov + at);
    if (length < 8 || length > moov_size - at)
      break;
    if (memcmp(moov + at + 4, "trak", 4) == 0) {
      memset(&f, 0, sizeof f);
      found = read_track(moov + at + 8, (size_t)length - 8, &f);
    }
    at += (size_t)length;
  }
  if (!found || f.offset > (uint64_t)file_size || f.length > (uint64_t)file_size - f.offset) {
    free(moov);
    return 0;
  }
  static const unsigned char kFtyp[28] = {0,   0,   0,   28,  'f', 't', 'y', 'p', 'a', 'v',
                                          'i', 'f', 0,   0,   0,   0,   'a', 'v', 'i', 'f',
                                          'm', 'i', 'f', '1', 'm', 'i', 'a', 'f'};
  static const unsigned char kHdlr[33] = {0, 0, 0, 33, 'h', 'd', 'l', 'r', 0,   0,
                                          0, 0, 0, 0,  0,   0,   'p', 'i', 'c', 't'};
  static const unsigned char kPitm[14] = {0, 0, 0, 14, 'p', 'i', 't', 'm', 0, 0, 0, 0, 0, 1};
  static const unsigned char kIinf[35] = {0, 0, 0, 35, 'i', 'i', 'n', 'f', 0,   0,   0, 0,
                                          0, 1, 0, 0,  0,   21,  'i', 'n', 'f', 'e', 2, 0,
                                          0, 0, 0, 1,  0,   0,   'a', 'v', '0', '1', 0};
  unsigned char iloc[30] = {0, 0,    0,    30, 'i', 'l', 'o', 'c', 0, 0, 0,
                            0, 0x44, 0x00, 0,  1,   0,   1,   0,   0, 0, 1};
  unsigned char ispe[20] = {0, 0, 0, 20, 'i', 's', 'p', 'e'};
  put32(ispe + 12, f.width);
  put32(ispe + 16, f.height);
  /* The extent is descriptive, the configuration essential. */
  static const unsigned char kIpma[21] = {0, 0, 0, 21, 'i', 'p', 'm', 'a', 0, 0,   0,
                                          0, 0, 0, 0,  1,   0,   1,   2,   1, 0x82};
  const size_t ipco = 8 + sizeof ispe + f.av1c_size;
  const size_t iprp = 8 + ipco + sizeof kIpma;
  const size_t meta = 8 + 4 + sizeof kHdlr + sizeof kPitm + sizeof iloc + sizeof kIinf + iprp;
  const size_t total = sizeof kFtyp + meta + 8 + (size_t)f.length;
  unsigned char* out = (unsigned char*)calloc(1, total);
  if (!out || ipco > UINT32_MAX || meta > UINT32_MAX || total > UINT32_MAX) {
    free(out);
    free(moov);
    return 0;
  }
  unsigned char* p = out;
  memcpy(p, kFtyp, sizeof kFtyp);
  p += sizeof kFtyp;
  put32(p, (uint32_t)meta);
  memcpy(p + 4, "meta", 4);
  p += 12; /* and the full box's version and flags */
  memcpy(p, kHdlr, sizeof kHdlr);
  p += sizeof kHdlr;
  memcpy(p, kPitm, sizeof kPitm);
  p += sizeof kPitm;
  put32(iloc + 22, (uint32_t)(total - f.length));
  put32(iloc + 26, (uint32_t)f.length);
  memcpy(p, iloc, sizeof iloc);
  p += sizeof iloc;
  memcpy(p, kIinf, sizeof kIinf);
  p += sizeof kIinf;
  put32(p, (uint32_t)iprp);
  memcpy(p + 4, "iprp", 4);
  put32(p + 8, (uint32_t)ipco);
  memcpy(p + 12, "ipco", 4);
  p += 16;
  memcpy(p, ispe, sizeof ispe);
  p += sizeof ispe;
  memcpy(p, f.av1c, f.av1c_size);
  p += f.av1c_size;
  memcpy(p, kIpma, sizeof kIpma);
  p += sizeof kIpma;
  put32(p, (uint32_t)(8 + f.length));
  memcpy(p + 4, "mdat", 4);
  p += 8;
  free(moov);
  if (pread(fileno(file), p, (size_t)f.length, (off_t)f.offset) != (ssize_t)f.length) {
    free(out);
    return 0;
  }
  still->file = out;
  still->size = total;
  still->meta_offset = sizeof kFtyp + 8;
  still->meta_size = meta - 8;
  return 1;
}
