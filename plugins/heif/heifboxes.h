/*
 * ISO base media file boxes, as HEIF, AVIF and their image sequences store
 * them: big-endian fields, boxes walked within a buffer, and a top-level box
 * read from the file with a size cap.
 */
#ifndef GLIMR_HEIFBOXES_H
#define GLIMR_HEIFBOXES_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

static inline uint32_t heif_be16(const unsigned char* p) {
  return (uint32_t)p[0] << 8 | p[1];
}

static inline uint32_t heif_be32(const unsigned char* p) {
  return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

/* One box inside a buffer: its type and payload (without the header). */
typedef struct HeifBox {
  const unsigned char* payload;
  size_t size;
  char type[4];
} HeifBox;

/* The box starting at data[*at] (of size bytes); advances *at past it. 0 at
 * the end or when the box's length does not fit. */
int heif_box_next(const unsigned char* data, size_t size, size_t* at, HeifBox* box);

/* The first box of the given type among size bytes of boxes. */
int heif_box_find(const unsigned char* data, size_t size, const char* type, HeifBox* box);

/* Reads the payload of the file's first top-level box of the given type
 * into a malloc block the caller frees; NULL when there is none, the file
 * is damaged, or the payload is outside [min_size, max_size]. Reads with
 * pread, so the stream's position is not used. */
unsigned char* heif_top_box_read(FILE* file, int64_t file_size, const char* type, int64_t min_size,
                                 int64_t max_size, size_t* size);

#endif
