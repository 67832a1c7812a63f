/*
 * Decoding of the JPEG previews that camera raw files embed, from memory,
 * with the DCT scaling of libjpeg-turbo for small requests. Plain C, since
 * libjpeg reports errors with longjmp.
 */
#ifndef GLIMR_RAWPREVIEW_H
#define GLIMR_RAWPREVIEW_H

#include <stddef.h>
#include <stdint.h>

#include "glimr_plugin.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The stored (not rotated) size of a JPEG stream from its header; 0 when
 * the stream is no JPEG or its size is not acceptable. */
int glimr_raw_jpeg_size(const unsigned char* data, size_t size, int32_t* width, int32_t* height);

/* Decodes the stream to no side below min_side (full size when min_side is
 * 0 or the picture is small); NULL on any damage, truncation included. */
GlimrBitmap* glimr_raw_jpeg_decode(const unsigned char* data, size_t size, int32_t min_side);

#ifdef __cplusplus
}
#endif

#endif /* GLIMR_RAWPREVIEW_H */
