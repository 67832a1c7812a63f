/*
 * The geometry of one HEIF image item, read from the file's boxes: its
 * spatial extent, the size its codec configuration codes, and its clean
 * aperture, rotation and mirror properties in the order the file lists
 * them; and where each pixel of the upright picture lies in the decoded one.
 */
#ifndef GLIMR_HEIFGEOMETRY_H
#define GLIMR_HEIFGEOMETRY_H

#include <stdint.h>
#include <stdio.h>

#define HEIF_MAX_TRANSFORMS 8

/* One transformative property. */
typedef struct HeifTransform {
  char kind;     /* 'c' clean aperture, 'r' rotation, 'm' mirror */
  int32_t value; /* rotation: quarter turns anticlockwise; mirror: 0 top-bottom, 1 left-right */
  /* clean aperture: width, height, horizontal and vertical offset as
   * numerator and denominator pairs */
  int64_t clap[8];
} HeifTransform;

typedef struct HeifGeometry {
  int32_t ispe_width, ispe_height;   /* 0 when the item has none */
  int32_t coded_width, coded_height; /* 0 when its configuration does not tell */
  int transform_count;
  HeifTransform transforms[HEIF_MAX_TRANSFORMS];
} HeifGeometry;

/* Where the upright picture's pixels lie in a decoded picture: pixel (x, y)
 * is the decoded pixel (x0 + x * xx + y * yx, y0 + x * xy + y * yy). */
typedef struct HeifPlacement {
  int32_t width, height;
  int64_t x0, y0, xx, xy, yx, yy;
} HeifPlacement;

/* Reads the file's top-level meta box (without its header) into a malloc
 * block the caller frees; NULL when there is none or it is damaged. Leaves
 * the stream's position undefined. */
unsigned char* heif_meta_read(FILE* file, int64_t file_size, size_t* meta_size);

/* Reads the geometry of item_id from the meta box; the file (or, without
 * one, the file held in memory) is read for the start of the item's coded
 * data where its configuration box does not tell the coded size (AV1
 * often leaves it to the data). 0 when the item's properties are damaged. */
int heif_geometry_read(const unsigned char* meta, size_t meta_size, uint32_t item_id, FILE* file,
                       const unsigned char* memory, size_t memory_size, HeifGeometry* geometry);

/* The upright picture of an item whose decoded picture is decoded_width x
 * decoded_height: a picture coded larger than its spatial extent is cut to
 * the extent (top left), then the transforms apply in their order. 0 when
 * a clean aperture falls outside the picture. */
int heif_geometry_place(const HeifGeometry* geometry, int32_t decoded_width, int32_t decoded_height,
                        HeifPlacement* placement);

/* The decoded size to expect before decoding: the coded size where the
 * configuration tells it, else the spatial extent. */
void heif_geometry_expected_decode(const HeifGeometry* geometry, int32_t* width, int32_t* height);

#endif /* GLIMR_HEIFGEOMETRY_H */
