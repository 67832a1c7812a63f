#include "imaging/cache/thumbjpeg.h"

#include <QString>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jerror.h>
#include <jpeglib.h>

#include "common/errors.h"

namespace glimr {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
// Unwinding a C++ exception through the C library is not safe, so we jump
// back to the entry point and throw from there, after destroying the codec.
struct TJpegError {
  jpeg_error_mgr Mgr;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<TJpegError*>(info->err);
  (*info->err->format_message)(info, err->Message);
  std::longjmp(err->Jump, 1);
}

// Warnings (for example a corrupt-data recovery) are fatal for a stored
// thumbnail: a half-grey picture is worse than making the thumbnail again.
void OnJpegMessage(j_common_ptr info, int level) {
  if (level < 0) {
    OnJpegError(info);
  }
}

}  // namespace

QByteArray EncodeThumbJpeg(const std::uint8_t* pixels, int width, int height, int stride,
                           int quality) {
  if (!pixels || width <= 0 || height <= 0 || stride < width * 3) {
    throw GlimrError(QStringLiteral("Invalid thumbnail bitmap"));
  }
  jpeg_compress_struct cinfo{};
  TJpegError err{};
  cinfo.err = jpeg_std_error(&err.Mgr);
  err.Mgr.error_exit = OnJpegError;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  if (setjmp(err.Jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    throw GlimrError(QString::fromLocal8Bit(err.Message));
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  // jpeg_set_defaults already writes a sequential (baseline) JFIF stream;
  // nothing here may turn on progressive mode.
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels + static_cast<std::size_t>(cinfo.next_scanline) *
                                                     static_cast<std::size_t>(stride));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  QByteArray result(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
  std::free(out);
  return result;
}

void DecodeThumbJpeg(const QByteArray& jpeg, const TThumbAllocator& allocate) {
  if (jpeg.isEmpty()) {
    throw GlimrError(QStringLiteral("Empty thumbnail"));
  }
  jpeg_decompress_struct cinfo{};
  TJpegError err{};
  cinfo.err = jpeg_std_error(&err.Mgr);
  err.Mgr.error_exit = OnJpegError;
  err.Mgr.emit_message = OnJpegMessage;
  // The allocator is a C++ call made between setjmp and longjmp; it may
  // throw, so it runs outside any libjpeg callback and its result is plain.
  TThumbTarget target;
  bool gaveUp = false;
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    throw GlimrError(QStringLiteral("Damaged thumbnail: ") + QString::fromLocal8Bit(err.Message));
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(jpeg.constData()),
               static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.num_components != 3 || cinfo.image_width == 0 || cinfo.image_height == 0 ||
      cinfo.image_width > 65535 || cinfo.image_height > 65535) {
    jpeg_destroy_decompress(&cinfo);
    throw GlimrError(QStringLiteral("Thumbnail is not a 24-bit picture"));
  }
  cinfo.out_color_space = JCS_RGB;
  // A revisit decodes one stored thumbnail per image shown; the fast
  // integer DCT and plain chroma replication roughly halve that time, and
  // at quality 90 the difference does not show on a texture.
  cinfo.dct_method = JDCT_IFAST;
  cinfo.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&cinfo);
  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  try {
    target = allocate(width, height);
  } catch (...) {
    jpeg_destroy_decompress(&cinfo);
    throw;
  }
  if (!target.Bits || target.Stride < width * 3) {
    gaveUp = true;
  }
  if (gaveUp) {
    jpeg_destroy_decompress(&cinfo);
    throw GlimrError(QStringLiteral("Out of memory for thumbnail"));
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[4];
    int n = 0;
    for (; n < 4 && cinfo.output_scanline + static_cast<JDIMENSION>(n) < cinfo.output_height; ++n) {
      rows[n] = target.Bits +
                static_cast<std::size_t>(cinfo.output_scanline + static_cast<JDIMENSION>(n)) *
                    static_cast<std::size_t>(target.Stride);
    }
    jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n));
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
}

}  // namespace glimr
