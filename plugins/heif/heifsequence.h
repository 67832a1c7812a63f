/*
 * The first frame of an AVIF image sequence that has no still image items
 * (only a track), rewritten as a still AVIF in memory that libheif reads.
 */
#ifndef GLIMR_HEIFSEQUENCE_H
#define GLIMR_HEIFSEQUENCE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

/* A still AVIF made from a sequence's first frame. */
typedef struct HeifStill {
  unsigned char* file; /* malloc block, the whole still file */
  size_t size;
  size_t meta_offset, meta_size; /* its meta box's payload */
} HeifStill;

/* Builds the still from the first sample of the file's first picture
 * track; 0 when the file has no such track or it is damaged. */
int heif_sequence_first_frame(FILE* file, int64_t file_size, HeifStill* still);

#endif /* GLIMR_HEIFSEQUENCE_H */
