#include "heifboxes.h"

#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int heif_box_next(const unsigned char* data, size_t size, size_t* at, HeifBox* box) {
  if (*at + 8 > size)
    return 0;
  uint64_t length = heif_be32(data + *at);
  size_t header = 8;
  if (length == 1) {
    if (*at + 16 > size)
      return 0;
    length = (uint64_t)heif_be32(data + *at + 8) << 32 | heif_be32(data + *at + 12);
    header = 16;
  } else if (length == 0) {
    length = size - *at;
  }
  if (length < header || length > size - *at)
    return 0;
  memcpy(box->type, data + *at + 4, 4);
  box->payload = data + *at + header;
  box->size = (size_t)(length - header);
  *at += (size_t)length;
  return 1;
}

int heif_box_find(const unsigned char* data, size_t size, const char* type, HeifBox* box) {
  size_t at = 0;
  while (heif_box_next(data, size, &at, box)) {
    if (memcmp(box->type, type, 4) == 0)
      return 1;
  }
  return 0;
}

unsigned char* heif_top_box_read(FILE* file, int64_t file_size, const char* type, int64_t min_size,
                                 int64_t max_size, size_t* size) {
  const int fd = fileno(file);
  int64_t at = 0;
  while (at + 8 <= file_size) {
    unsigned char head[16];
    if (pread(fd, head, 8, (off_t)at) != 8)
      return NULL;
    uint64_t length = heif_be32(head);
    int64_t header = 8;
    if (length == 1) {
      if (pread(fd, head + 8, 8, (off_t)at + 8) != 8)
        return NULL;
      length = (uint64_t)heif_be32(head + 8) << 32 | heif_be32(head + 12);
      header = 16;
    } else if (length == 0) {
      length = (uint64_t)(file_size - at);
    }
    if (length < (uint64_t)header || length > (uint64_t)(file_size - at))
      return NULL;
    if (memcmp(head + 4, type, 4) == 0) {
      const int64_t n = (int64_t)length - header;
      if (n < min_size || n > max_size || n <= 0)
        return NULL;
      unsigned char* payload = (unsigned char*)malloc((size_t)n);
      if (!payload || pread(fd, payload, (size_t)n, (off_t)(at + header)) != n) {
        free(payload);
        return NULL;
      }
      *size = (size_t)n;
      return payload;
    }
    at += (int64_t)length;
  }
  return NULL;
}
