#include "samples.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <zlib.h>

namespace samples {

namespace {

const QColor kQuadrant[4] = {Qt::red, Qt::green, Qt::blue, Qt::white};
const int kGrey[4] = {0, 80, 160, 255};

int QuadrantOf(int x, int y, int w, int h) {
  return (y < h / 2 ? 0 : 2) + (x < w / 2 ? 0 : 1);
}

bool SaveQt(const QImage& image, const QString& path, const char* format,
            bool progressive = false) {
  QImageWriter writer(path, format);
  writer.setQuality(100);
  writer.setProgressiveScanWrite(progressive);
  return writer.write(image);
}

// colorType: PNG_COLOR_TYPE_*; the picture is the quadrants (grey for grey
// types), with the white quadrant fully transparent for alpha types, and for
// the others when clearWhite asks for a tRNS chunk.
bool WritePng(const QString& path, int colorType, int bitDepth, bool interlace,
              bool clearWhite = false) {
  const bool grey = colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA;
  const QImage image = Quadrants(40, 24, grey);
  FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (!f)
    return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, image.width(), image.height(), bitDepth, colorType,
               interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    png_color palette[4];
    for (int i = 0; i < 4; ++i) {
      palette[i] = {static_cast<png_byte>(kQuadrant[i].red()),
                    static_cast<png_byte>(kQuadrant[i].green()),
                    static_cast<png_byte>(kQuadrant[i].blue())};
    }
    png_set_PLTE(png, info, palette, 4);
    if (clearWhite) {
      png_byte alpha[4] = {255, 255, 255, 0};
      png_set_tRNS(png, info, alpha, 4, nullptr);
    }
  } else if (clearWhite && (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_RGB)) {
    const png_uint_16 white = bitDepth == 16 ? 65535 : 255;
    png_color_16 key{0, white, white, white, white};
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  const int channels = colorType == PNG_COLOR_TYPE_RGB_ALPHA    ? 4
                       : colorType == PNG_COLOR_TYPE_RGB        ? 3
                       : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                : 1;
  const int bytesPerSample = bitDepth == 16 ? 2 : 1;
  std::vector<std::vector<png_byte>> rows(image.height());
  std::vector<png_bytep> pointers;
  for (int y = 0; y < image.height(); ++y) {
    std::vector<png_byte>& row = rows[y];
    row.assign(static_cast<size_t>(image.width()) * channels * bytesPerSample, 0);
    for (int x = 0; x < image.width(); ++x) {
      const int q = QuadrantOf(x, y, image.width(), image.height());
      if (colorType == PNG_COLOR_TYPE_PALETTE) {
        // bitDepth 2: four pixels per byte, leftmost in the high bits.
        row[x / 4] |= static_cast<png_byte>(q << (6 - 2 * (x % 4)));
        continue;
      }
      const QColor c = image.pixelColor(x, y);
      const int alpha = q == 3 ? 0 : 255;
      const int values[4] = {c.red(), c.green(), c.blue(), alpha};
      for (int ch = 0; ch < channels; ++ch) {
        const int v = grey ? (ch == 1 ? alpha : kGrey[q]) : values[ch];
        if (bytesPerSample == 2) {
          row[(x * channels + ch) * 2] = static_cast<png_byte>(v);  // v * 257, big-endian
          row[(x * channels + ch) * 2 + 1] = static_cast<png_byte>(v);
        } else {
          row[x * channels + ch] = static_cast<png_byte>(v);
        }
      }
    }
    pointers.push_back(row.data());
  }
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return true;
}

// Four-colour GIF, white (index 3) transparent.
bool WriteGif(const QString& path, bool interlace) {
  const int w = 40, h = 24;
  int error = 0;
  GifFileType* gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
  if (!gif)
    return false;
  GifColorType colors[4];
  for (int i = 0; i < 4; ++i) {
    colors[i] = {static_cast<GifByteType>(kQuadrant[i].red()),
                 static_cast<GifByteType>(kQuadrant[i].green()),
                 static_cast<GifByteType>(kQuadrant[i].blue())};
  }
  ColorMapObject* map = GifMakeMapObject(4, colors);
  bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
  GifByteType control[4] = {0x01, 0, 0, 3};
  ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control) == GIF_OK;
  ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, interlace, nullptr) == GIF_OK;
  std::vector<int> order;
  if (interlace) {
    for (int start : {0, 4, 2, 1}) {
      const int step = start == 0 || start == 4 ? 8 : start == 2 ? 4 : 2;
      for (int y = start; y < h; y += step)
        order.push_back(y);
    }
  } else {
    for (int y = 0; y < h; ++y)
      order.push_back(y);
  }
  for (int y : order) {
    GifPixelType line[w];
    for (int x = 0; x < w; ++x)
      line[x] = static_cast<GifPixelType>(QuadrantOf(x, y, w, h));
    ok = ok && EGifPutLine(gif, line, w) == GIF_OK;
  }
  GifFreeMapObject(map);
  return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

bool WriteTiff(const QString& path, int orientation) {
  const QImage image = Quadrants().convertToFormat(QImage::Format_RGB888);
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tif)
    return false;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image.width());
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image.height());
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 8);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
  bool ok = true;
  for (int y = 0; y < image.height(); ++y) {
    ok = ok && TIFFWriteScanline(tif, const_cast<uchar*>(image.constScanLine(y)), y, 0) == 1;
  }
  TIFFClose(tif);
  return ok;
}

bool WriteWebp(const QString& path, const QString& kind) {
  const QImage image = Quadrants().convertToFormat(QImage::Format_RGBA8888);
  QImage rgba = image;
  if (kind == QLatin1String("webp-alpha")) {
    for (int y = image.height() / 2; y < image.height(); ++y) {
      for (int x = image.width() / 2; x < image.width(); ++x)
        rgba.setPixelColor(x, y, QColor(255, 255, 255, 0));
    }
  }
  uint8_t* out = nullptr;
  size_t size = 0;
  if (kind == QLatin1String("webp-lossy")) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    size = WebPEncodeRGB(rgb.constBits(), rgb.width(), rgb.height(), rgb.bytesPerLine(), 100, &out);
  } else {
    size = WebPEncodeLosslessRGBA(rgba.constBits(), rgba.width(), rgba.height(),
                                  rgba.bytesPerLine(), &out);
  }
  QFile f(path);
  const bool ok = size > 0 && f.open(QIODevice::WriteOnly) &&
                  f.write(reinterpret_cast<const char*>(out), qint64(size)) == qint64(size);
  WebPFree(out);
  return ok;
}

// 8-bit RGB PNG of any picture, written row by row (Adam7 when interlaced).
bool WritePngImage(const QString& path, const QImage& source, bool interlace) {
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
  if (!f)
    return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, image.width(), image.height(), 8, PNG_COLOR_TYPE_RGB,
               interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (int y = 0; y < image.height(); ++y)
    rows.push_back(const_cast<png_bytep>(image.constScanLine(y)));
  png_write_image(png, rows.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return true;
}

// The picture reduced to a 6 x 6 x 6 colour cube, so any picture fits GIF.
bool WriteGifImage(const QString& path, const QImage& source, bool interlace) {
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  const int w = image.width(), h = image.height();
  int error = 0;
  GifFileType* gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &error);
  if (!gif)
    return false;
  GifColorType colors[256] = {};
  for (int i = 0; i < 216; ++i) {
    colors[i] = {static_cast<GifByteType>(i / 36 * 51), static_cast<GifByteType>(i / 6 % 6 * 51),
                 static_cast<GifByteType>(i % 6 * 51)};
  }
  ColorMapObject* map = GifMakeMapObject(256, colors);
  bool ok = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
  ok = ok && EGifPutImageDesc(gif, 0, 0, w, h, interlace, nullptr) == GIF_OK;
  std::vector<int> order;
  for (int start : interlace ? std::vector<int>{0, 4, 2, 1} : std::vector<int>{0}) {
    const int step = !interlace ? 1 : start == 0 || start == 4 ? 8 : start == 2 ? 4 : 2;
    for (int y = start; y < h; y += step)
      order.push_back(y);
  }
  std::vector<GifPixelType> line(static_cast<size_t>(w));
  for (int y : order) {
    const uchar* p = image.constScanLine(y);
    for (int x = 0; x < w; ++x, p += 3)
      line[x] = static_cast<GifPixelType>((p[0] + 25) / 51 * 36 + (p[1] + 25) / 51 * 6 +
                                          (p[2] + 25) / 51);
    ok = ok && EGifPutLine(gif, line.data(), w) == GIF_OK;
  }
  GifFreeMapObject(map);
  return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

// RGB TIFF in strips of the given height, or in 64 x 64 tiles when tiled.
bool WriteTiffImage(const QString& path, const QImage& source, int compression, int rowsPerStrip,
                    bool tiled) {
  const QImage image = source.convertToFormat(QImage::Format_RGB888);
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tif)
    return false;
  const int w = image.width(), h = image.height();
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  bool ok = true;
  if (tiled) {
    const int t = 64;
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, t);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, t);
    std::vector<uchar> tile(static_cast<size_t>(t) * t * 3);
    for (int ty = 0; ty < h; ty += t) {
      for (int tx = 0; tx < w; tx += t) {
        std::fill(tile.begin(), tile.end(), 0);
        for (int y = ty; y < std::min(h, ty + t); ++y) {
          const int n = std::min(w, tx + t) - tx;
          std::memcpy(&tile[static_cast<size_t>(y - ty) * t * 3], image.constScanLine(y) + tx * 3,
                      static_cast<size_t>(n) * 3);
        }
        ok = ok && TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0) > 0;
      }
    }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    for (int y = 0; y < h; ++y)
      ok = ok && TIFFWriteScanline(tif, const_cast<uchar*>(image.constScanLine(y)), y, 0) == 1;
  }
  TIFFClose(tif);
  return ok;
}

// Two pages: the 800 x 600 quadrants, then a 200 x 150 reduced-resolution
// copy drawn in grey, so a reader can tell which page it decoded.
bool WriteTiffPyramid(const QString& path) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tif)
    return false;
  bool ok = true;
  for (int page = 0; page < 2 && ok; ++page) {
    const QImage image = (page == 0 ? Quadrants(800, 600) : Quadrants(200, 150, true))
                             .convertToFormat(QImage::Format_RGB888);
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, page == 0 ? 0 : FILETYPE_REDUCEDIMAGE);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, image.width());
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, image.height());
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 32);
    for (int y = 0; y < image.height() && ok; ++y)
      ok = TIFFWriteScanline(tif, const_cast<uchar*>(image.constScanLine(y)), y, 0) == 1;
    ok = ok && TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  return ok;
}

bool WriteWebpImage(const QString& path, const QImage& source, bool lossless, bool alpha) {
  QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
  if (alpha) {
    // Transparency fading in from the left edge.
    for (int y = 0; y < rgba.height(); ++y) {
      uchar* p = rgba.scanLine(y);
      for (int x = 0; x < rgba.width(); ++x)
        p[4 * x + 3] = static_cast<uchar>(x * 255 / rgba.width());
    }
  }
  uint8_t* out = nullptr;
  const size_t size = lossless ? WebPEncodeLosslessRGBA(rgba.constBits(), rgba.width(),
                                                        rgba.height(), rgba.bytesPerLine(), &out)
                               : WebPEncodeRGBA(rgba.constBits(), rgba.width(), rgba.height(),
                                                rgba.bytesPerLine(), 95, &out);
  QFile f(path);
  const bool ok = size > 0 && f.open(QIODevice::WriteOnly) &&
                  f.write(reinterpret_cast<const char*>(out), qint64(size)) == qint64(size);
  WebPFree(out);
  return ok;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

void PutBig32(QByteArray& a, qsizetype at, quint32 v) {
  for (int i = 0; i < 4; ++i)
    a[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

QByteArray PngChunk(const char* type, const QByteArray& data) {
  QByteArray chunk(4, 0);
  PutBig32(chunk, 0, static_cast<quint32>(data.size()));
  chunk += QByteArray(type, 4) + data;
  QByteArray crc(4, 0);
  PutBig32(crc, 0,
           crc32(0, reinterpret_cast<const Bytef*>(chunk.constData() + 4), chunk.size() - 4));
  return chunk + crc;
}

// Length of the filtered image data: one filter byte per row, per pass.
qint64 PngRawLength(qint64 w, qint64 h, int bitsPerPixel, bool interlace) {
  const int sx[7] = {0, 4, 0, 2, 0, 1, 0}, sy[7] = {0, 0, 4, 0, 2, 0, 1};
  const int dx[7] = {8, 8, 4, 4, 2, 2, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
  if (!interlace)
    return h * (1 + (w * bitsPerPixel + 7) / 8);
  qint64 total = 0;
  for (int p = 0; p < 7; ++p) {
    const qint64 pw = w > sx[p] ? (w - sx[p] + dx[p] - 1) / dx[p] : 0;
    const qint64 ph = h > sy[p] ? (h - sy[p] + dy[p] - 1) / dy[p] : 0;
    if (pw > 0 && ph > 0)
      total += ph * (1 + (pw * bitsPerPixel + 7) / 8);
  }
  return total;
}

// Deflates length zero bytes.
QByteArray DeflateZeros(qint64 length) {
  z_stream z{};
  deflateInit(&z, 9);
  const std::vector<Bytef> zeros(1 << 20, 0);
  QByteArray out;
  std::vector<Bytef> buffer(1 << 16);
  int flush = Z_NO_FLUSH;
  do {
    if (z.avail_in == 0 && length > 0) {
      const qint64 n = std::min<qint64>(length, static_cast<qint64>(zeros.size()));
      z.next_in = const_cast<Bytef*>(zeros.data());
      z.avail_in = static_cast<uInt>(n);
      length -= n;
    }
    flush = length == 0 ? Z_FINISH : Z_NO_FLUSH;
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(buffer.size());
    deflate(&z, flush);
    out.append(reinterpret_cast<const char*>(buffer.data()),
               static_cast<qsizetype>(buffer.size() - z.avail_out));
  } while (!(flush == Z_FINISH && z.avail_out != 0));
  deflateEnd(&z);
  return out;
}

QByteArray PngHeader(int w, int h, int bitDepth, int colorType, bool interlace) {
  QByteArray ihdr(13, 0);
  PutBig32(ihdr, 0, static_cast<quint32>(w));
  PutBig32(ihdr, 4, static_cast<quint32>(h));
  ihdr[8] = static_cast<char>(bitDepth);
  ihdr[9] = static_cast<char>(colorType);
  ihdr[12] = interlace ? 1 : 0;
  return QByteArray::fromHex("89504e470d0a1a0a") + PngChunk("IHDR", ihdr);
}

// A giant zero-filled greyscale TIFF, deflated in strips of 64 rows.
bool WriteZeroTiff(const QString& path, int w, int h) {
  TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
  if (!tif)
    return false;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
  TIFFSetField(tif, TIFFTAG_ZIPQUALITY, 9);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 64);
  const std::vector<uchar> row(static_cast<size_t>(w), 0);
  bool ok = true;
  for (int y = 0; y < h && ok; ++y)
    ok = TIFFWriteScanline(tif, const_cast<uchar*>(row.data()), y, 0) == 1;
  TIFFClose(tif);
  return ok;
}

}  // namespace

QImage Quadrants(int width, int height, bool grey) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int q = QuadrantOf(x, y, width, height);
      image.setPixelColor(x, y, grey ? QColor(kGrey[q], kGrey[q], kGrey[q]) : kQuadrant[q]);
    }
  }
  return image;
}

QImage Gradient(int width, int height) {
  QImage image(width, height, QImage::Format_RGB888);
  for (int y = 0; y < height; ++y) {
    uchar* p = image.scanLine(y);
    for (int x = 0; x < width; ++x, p += 3) {
      p[0] = static_cast<uchar>(x * 255 / std::max(1, width - 1));
      p[1] = static_cast<uchar>(y * 255 / std::max(1, height - 1));
      p[2] = static_cast<uchar>((x + y) * 255 / std::max(1, width + height - 2));
    }
  }
  return image;
}

QByteArray ZeroPng(int width, int height, int bitDepth, int colorType, bool interlace) {
  const int channels = colorType == PNG_COLOR_TYPE_RGB          ? 3
                       : colorType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                       : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                : 1;
  const qint64 raw = PngRawLength(width, height, bitDepth * channels, interlace);
  return PngHeader(width, height, bitDepth, colorType, interlace) +
         PngChunk("IDAT", DeflateZeros(raw)) + PngChunk("IEND", {});
}

QList<QPair<QString, QString>> CraftedKinds() {
  return {{"glimr_gif", "gif-huge-screen"},    {"glimr_png", "png-interlaced-huge"},
          {"glimr_png", "png-itxt-huge"},      {"glimr_jpeg", "jpeg-progressive-huge"},
          {"glimr_webp", "webp-sparse"},       {"glimr_tiff", "tiff-deflate-huge"},
          {"glimr_qtformats", "bmp-rle-huge"}, {"glimr_heif", "avif-flat-huge"},
          {"glimr_jxl", "jxl-flat-huge"}};
}

bool WriteCrafted(const QString& kind, const QString& path) {
  if (kind == QLatin1String("gif-huge-screen")) {
    // 35 bytes: a 30000 x 13333 logical screen holding one 1 x 1 frame.
    return WriteBytes(path, QByteArray::fromHex("474946383961"
                                                "3075153480"
                                                "0000"
                                                "000000ffffff"
                                                "2c000000000100010000"
                                                "02024401003b"));
  }
  if (kind == QLatin1String("png-interlaced-huge"))
    return WriteBytes(path, ZeroPng(20000, 20000, 1, PNG_COLOR_TYPE_GRAY, true));
  if (kind == QLatin1String("png-itxt-huge")) {
    // 52 bytes: an iTXt chunk declaring 1 GB right after the header.
    QByteArray chunk(8, 0);
    PutBig32(chunk, 0, 1u << 30);
    chunk.replace(4, 4, "iTXt");
    return WriteBytes(path, PngHeader(1, 1, 8, PNG_COLOR_TYPE_GRAY, false) + chunk +
                                QByteArray::fromHex("6b65790000000000747874"));
  }
  if (kind == QLatin1String("jpeg-progressive-huge")) {
    // A real progressive stream whose frame header claims 20000 x 20000.
    QByteArray a = Bytes(QStringLiteral("jpeg-big-progressive"));
    const qsizetype sof = a.indexOf(QByteArray::fromHex("ffc2"));
    if (sof < 0)
      return false;
    a[sof + 5] = char(0x4e), a[sof + 6] = char(0x20);
    a[sof + 7] = char(0x4e), a[sof + 8] = char(0x20);
    return WriteBytes(path, a);
  }
  if (kind == QLatin1String("webp-sparse")) {
    // 1 GB of nothing: sparse, so it costs no disk.
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.resize(qint64(1) << 30);
  }
  if (kind == QLatin1String("tiff-deflate-huge"))
    return WriteZeroTiff(path, 20000, 20000);
  if (kind == QLatin1String("avif-flat-huge") || kind == QLatin1String("jxl-flat-huge")) {
    // A flat grey 11000 x 11000 picture in 2 and 4 KB, made once with the
    // encoders (tests/plugins/samples/README): the decoders hold the whole
    // picture, 1.5 and 1.7 GB, for any thumbnail of it.
    const QString sample = QStringLiteral(GLIMR_SOURCE_DIR "/tests/plugins/samples/flat-11000.") +
                           kind.section(QLatin1Char('-'), 0, 0);
    QFile::remove(path);
    return QFile::copy(sample, path);
  }
  if (kind == QLatin1String("bmp-rle-huge")) {
    // 11000 x 11000, 8-bit run-length coded: the data ends at once, and
    // Qt's reader fills the rest of the 121 MP picture.
    QByteArray a(14 + 40 + 1024, 0);
    a[0] = 'B', a[1] = 'M';
    const auto le32 = [&a](int at, quint32 v) {
      for (int i = 0; i < 4; ++i)
        a[at + i] = static_cast<char>(v >> (8 * i));
    };
    a += QByteArray::fromHex("0001");
    le32(2, static_cast<quint32>(a.size()));
    le32(10, 14 + 40 + 1024);
    le32(14, 40);
    le32(18, 11000);
    le32(22, 11000);
    a[26] = 1;      // planes
    a[28] = 8;      // bits per pixel
    le32(30, 1);    // BI_RLE8
    le32(34, 2);    // data bytes
    le32(46, 256);  // colours used
    return WriteBytes(path, a);
  }
  return false;
}

QByteArray WithExifOrientation(const QByteArray& jpeg, int orientation) {
  // Big-endian TIFF header, one IFD with one entry: Orientation (0x0112),
  // SHORT, count 1, the value in the first two bytes of the value field.
  QByteArray tiff = QByteArray::fromHex(
      "4d4d002a00000008"
      "0001"
      "011200030000000100000000"
      "00000000");
  tiff[8 + 2 + 8 + 1] = static_cast<char>(orientation);
  const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
  QByteArray segment = QByteArray::fromHex("ffe1");
  const int length = payload.size() + 2;
  segment.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xff));
  segment += payload;
  return jpeg.left(2) + segment + jpeg.mid(2);
}

namespace {

// Runs an encoder; true when it exits with 0 within a minute.
bool RunTool(const QString& program, const QStringList& arguments) {
  QProcess tool;
  tool.setProcessChannelMode(QProcess::MergedChannels);
  tool.start(program, arguments);
  if (!tool.waitForFinished(60000)) {
    tool.kill();
    tool.waitForFinished();
  }
  const bool ok = tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
  if (!ok) {
    qWarning("%s failed: %s", qPrintable(program),
             tool.error() == QProcess::FailedToStart ? "not installed (scripts/install-deps.sh)"
                                                     : tool.readAll().constData());
  }
  return ok;
}

// The quadrants with the white quadrant fully transparent.
QImage ClearQuadrants() {
  QImage image = Quadrants().convertToFormat(QImage::Format_ARGB32);
  for (int y = image.height() / 2; y < image.height(); ++y) {
    for (int x = image.width() / 2; x < image.width(); ++x)
      image.setPixelColor(x, y, QColor(255, 255, 255, 0));
  }
  return image;
}

// A bare EXIF payload (TIFF header and one IFD) with the orientation.
QByteArray ExifPayload(int orientation) {
  const QByteArray jpeg = WithExifOrientation(QByteArray::fromHex("ffd8ffd9"), orientation);
  return jpeg.mid(2 + 4 + 6, jpeg.size() - 2 - 4 - 6 - 2);
}

// Sets every spatial extent (ispe) property of width x height in a HEIF
// file to the new size; false when there is none.
bool PatchExtent(QByteArray& file, quint32 width, quint32 height, quint32 newWidth,
                 quint32 newHeight) {
  bool patched = false;
  for (qsizetype at = file.indexOf("ispe"); at >= 0; at = file.indexOf("ispe", at + 4)) {
    if (qFromBigEndian<quint32>(file.constData() + at + 8) == width &&
        qFromBigEndian<quint32>(file.constData() + at + 12) == height) {
      qToBigEndian<quint32>(newWidth, file.data() + at + 8);
      qToBigEndian<quint32>(newHeight, file.data() + at + 12);
      patched = true;
    }
  }
  return patched;
}

// Moves each item's first property association (the spatial extent, as
// the encoders write it) to the end of its list in the item property
// associations (ipma), after the transformations; false when the box is
// not where a simple file has it.
bool MoveExtentLast(QByteArray& file) {
  const qsizetype box = file.indexOf("ipma");
  if (box < 4)
    return false;
  const qsizetype end = box - 4 + qFromBigEndian<quint32>(file.constData() + box - 4);
  const int version = static_cast<uchar>(file[box + 4]);
  const int wide = (static_cast<uchar>(file[box + 7]) & 1) ? 2 : 1;
  const quint32 entries = qFromBigEndian<quint32>(file.constData() + box + 8);
  qsizetype at = box + 12;
  for (quint32 e = 0; e < entries; ++e) {
    at += version < 1 ? 2 : 4;
    if (at >= end)
      return false;
    const int count = static_cast<uchar>(file[at++]);
    if (at + count * wide > end)
      return false;
    const QByteArray list = file.mid(at, count * wide);
    file.replace(at, count * wide, list.mid(wide) + list.left(wide));
    at += count * wide;
  }
  return true;
}

// Kinds written by the encoders of the libraries the plug-ins read them
// with (heif-enc, avifenc, cjxl) and by tests/plugins/samples/make_dng.py.
// The picture goes to the tool as a PNG (or JPEG for the "-exif" kinds).
bool WriteEncoded(const QString& kind, const QString& path) {
  QTemporaryDir dir;
  if (!dir.isValid())
    return false;
  const QString in = dir.filePath(QStringLiteral("in.png"));
  const QString jpeg = dir.filePath(QStringLiteral("in.jpg"));
  const QString suffix = kind.section(QLatin1Char('-'), 0, 0);
  const QString out = dir.filePath(QStringLiteral("out.") + suffix);
  const bool gradient = kind.contains(QLatin1String("gradient"));
  const bool big = kind.contains(QLatin1String("big"));
  const bool square = kind.contains(QLatin1String("square"));
  const QImage picture = kind.contains(QLatin1String("alpha")) ? ClearQuadrants()
                         : gradient                            ? Gradient(1203, 807)
                         : big                                 ? Quadrants(800, 600)
                         : square                              ? Quadrants(640, 640)
                                                               : Quadrants();
  if (!picture.save(in, "PNG"))
    return false;
  bool ok = false;
  if (suffix == QLatin1String("heic")) {
    QStringList args{QStringLiteral("-q"), QStringLiteral("90")};
    if (kind.contains(QLatin1String("thumb")))
      args << QStringLiteral("-t") << QStringLiteral("320");
    ok = RunTool(QStringLiteral("heif-enc"), args << in << QStringLiteral("-o") << out);
  } else if (suffix == QLatin1String("avif")) {
    QStringList args{QStringLiteral("-s"), QStringLiteral("10")};
    if (kind.contains(QLatin1String("irot3-exif8"))) {
      // Turned a quarter clockwise by the container, while the EXIF inside
      // claims another turn that must not be applied on top.
      const QString exif = dir.filePath(QStringLiteral("exif.bin"));
      QFile f(exif);
      if (!f.open(QIODevice::WriteOnly) || f.write(ExifPayload(8)) <= 0)
        return false;
      f.close();
      args << QStringLiteral("--irot") << QStringLiteral("3") << QStringLiteral("--exif") << exif;
    } else {
      // "avif-[crop-][irotN-][imirN-]...": the container's clean aperture
      // (columns 4 to 33, rows 2 to 19), rotation and mirror.
      for (const QString& part : kind.split(QLatin1Char('-'))) {
        if (part == QLatin1String("crop"))
          args << QStringLiteral("--crop") << QStringLiteral("4,2,30,18");
        if (part.startsWith(QLatin1String("irot")) || part.startsWith(QLatin1String("imir")))
          args << QStringLiteral("--") + part.left(4) << part.mid(4);
        // "sequence": two frames, the picture twice.
        if (part == QLatin1String("sequence"))
          args << in;
      }
    }
    ok = RunTool(QStringLiteral("avifenc"), args << in << out);
  } else if (suffix == QLatin1String("jxl")) {
    QString source = in;
    QStringList args{QStringLiteral("-q"), QStringLiteral("95")};
    if (kind.contains(QLatin1String("lossless")))
      args = QStringList{QStringLiteral("-d"), QStringLiteral("0")};
    if (kind.startsWith(QLatin1String("jxl-exif"))) {
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      QFile f(jpeg);
      if (!Quadrants().save(&buffer, "JPG", 100) || !f.open(QIODevice::WriteOnly) ||
          f.write(WithExifOrientation(bytes, kind.right(1).toInt())) <= 0)
        return false;
      f.close();
      source = jpeg;
      args.clear();  // the JPEG is recompressed losslessly
    }
    ok = RunTool(QStringLiteral("cjxl"), QStringList{source, out} + args);
  } else if (suffix == QLatin1String("dng")) {
    // "dng-<W>x<H>[-orient<N>][-preview]": the raw mosaic of the quadrants
    // at W x H; the preview is the grey quadrants at 40 x 24, so a test can
    // tell which of the two a bitmap came from.
    const QStringList parts = kind.split(QLatin1Char('-'));
    const QStringList size = parts.value(1).split(QLatin1Char('x'));
    QStringList args{QStringLiteral(GLIMR_SOURCE_DIR "/tests/plugins/samples/make_dng.py"), out,
                     size.value(0), size.value(1)};
    for (const QString& part : parts.mid(2)) {
      if (part.startsWith(QLatin1String("orient")))
        args << QStringLiteral("--orientation") << part.mid(6);
      if (part == QLatin1String("preview")) {
        if (!SaveQt(Quadrants(40, 24, true), jpeg, "JPG"))
          return false;
        args << QStringLiteral("--preview") << jpeg;
      }
    }
    ok = RunTool(QStringLiteral("python3"), args);
  }
  if (!ok)
    return false;
  if (kind.contains(QLatin1String("lateispe")) || kind.contains(QLatin1String("largerispe")) ||
      kind.contains(QLatin1String("cut")) || kind.contains(QLatin1String("trackonly"))) {
    // Crafted files no encoder writes: the spatial extent listed after
    // the transformations; an extent larger than the coded picture
    // (1100 x 1000 for 40 x 24); a square picture and its square thumbnail
    // whose extents cut them to 3 : 2 (as some cameras code thumbnails).
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly))
      return false;
    QByteArray bytes = f.readAll();
    f.close();
    if (kind.contains(QLatin1String("lateispe")))
      ok = MoveExtentLast(bytes);
    if (kind.contains(QLatin1String("largerispe")))
      ok = PatchExtent(bytes, 40, 24, 1100, 1000);
    if (kind.contains(QLatin1String("trackonly"))) {
      // A sequence as other writers make it: the frames in a track only,
      // without the still items (the meta box becomes a free box).
      const qsizetype meta = bytes.indexOf("meta");
      ok = meta > 0;
      if (ok)
        bytes.replace(meta, 4, "free");
    }
    if (kind.contains(QLatin1String("cut")))
      ok = PatchExtent(bytes, 640, 640, 640, 428) && PatchExtent(bytes, 320, 320, 320, 214);
    return ok && WriteBytes(path, bytes);
  }
  QFile::remove(path);
  return QFile::copy(out, path);
}

// A 50-megapixel photo-like picture (8660 x 5774: smooth gradients under
// grain, which no encoder can squeeze to nothing) as AVIF ("avif-photo",
// through a 4:2:0 Y4M for avifenc) or JPEG XL ("jxl-photo", a JPEG that
// cjxl recompresses losslessly, which needs far less memory than encoding
// pixels).
bool WritePhoto(const QString& kind, const QString& path) {
  const int w = 8660, h = 5774;
  QTemporaryDir dir;
  if (!dir.isValid())
    return false;
  quint32 seed = 12345;
  const auto grain = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 16) & 31) - 16;
  };
  const auto clamp = [](int v) { return static_cast<uchar>(std::clamp(v, 0, 255)); };
  const QString out = dir.filePath(QStringLiteral("out.") + kind.section(QLatin1Char('-'), 0, 0));
  bool ok = false;
  if (kind == QLatin1String("avif-photo")) {
    const QString y4m = dir.filePath(QStringLiteral("in.y4m"));
    QFile f(y4m);
    if (!f.open(QIODevice::WriteOnly))
      return false;
    f.write(QStringLiteral("YUV4MPEG2 W%1 H%2 F25:1 Ip A1:1 C420jpeg\nFRAME\n")
                .arg(w)
                .arg(h)
                .toLatin1());
    QByteArray row(w, 0);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        row[x] = static_cast<char>(clamp((x + y) * 255 / (w + h) + grain()));
      f.write(row);
    }
    for (int plane = 0; plane < 2; ++plane) {
      for (int y = 0; y < h / 2; ++y) {
        for (int x = 0; x < w / 2; ++x)
          row[x] = static_cast<char>(plane ? x * 255 / (w / 2) : y * 255 / (h / 2));
        f.write(row.constData(), w / 2);
      }
    }
    f.close();
    ok = RunTool(QStringLiteral("avifenc"), {QStringLiteral("-s"), QStringLiteral("10"), y4m, out});
  } else if (kind == QLatin1String("jxl-photo")) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
      uchar* p = image.scanLine(y);
      for (int x = 0; x < w; ++x, p += 3) {
        const int n = grain();
        p[0] = clamp(x * 255 / w + n);
        p[1] = clamp(y * 255 / h + n);
        p[2] = clamp((x + y) * 255 / (w + h) + n);
      }
    }
    const QString jpeg = dir.filePath(QStringLiteral("in.jpg"));
    ok = SaveQt(image, jpeg, "JPG") && RunTool(QStringLiteral("cjxl"), {jpeg, out});
  }
  if (!ok)
    return false;
  QFile::remove(path);
  return QFile::copy(out, path);
}

bool IsEncodedKind(const QString& kind) {
  for (const char* prefix : {"heic", "avif", "jxl", "dng"}) {
    if (kind == QLatin1String(prefix) || kind.startsWith(QLatin1String(prefix) + QLatin1Char('-')))
      return true;
  }
  return false;
}

}  // namespace

bool Write(const QString& kind, const QString& path) {
  if (kind == QLatin1String("avif-photo") || kind == QLatin1String("jxl-photo"))
    return WritePhoto(kind, path);
  if (IsEncodedKind(kind))
    return WriteEncoded(kind, path);
  if (kind.startsWith(QLatin1String("jpeg-exif"))) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!Quadrants().save(&buffer, "JPG", 100))
      return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(WithExifOrientation(jpeg, kind.right(1).toInt())) > 0;
  }
  if (kind == QLatin1String("jpeg"))
    return SaveQt(Quadrants(), path, "JPG");
  if (kind == QLatin1String("jpeg-progressive"))
    return SaveQt(Quadrants(), path, "JPG", true);
  if (kind == QLatin1String("jpeg-grey")) {
    return SaveQt(Quadrants(40, 24, true).convertToFormat(QImage::Format_Grayscale8), path, "JPG");
  }
  if (kind == QLatin1String("jpeg-big-progressive"))
    return SaveQt(Quadrants(800, 600), path, "JPG", true);
  if (kind == QLatin1String("jpeg-big"))
    return SaveQt(Quadrants(800, 600), path, "JPG");
  const QImage gradient = Gradient(1203, 807);
  if (kind == QLatin1String("bmp-gradient"))
    return SaveQt(gradient, path, "BMP");
  if (kind == QLatin1String("jpeg-gradient"))
    return SaveQt(gradient, path, "JPG");
  if (kind == QLatin1String("png-gradient"))
    return WritePngImage(path, gradient, false);
  if (kind == QLatin1String("png-gradient-interlaced"))
    return WritePngImage(path, gradient, true);
  if (kind == QLatin1String("gif-gradient"))
    return WriteGifImage(path, gradient, false);
  if (kind == QLatin1String("gif-gradient-interlaced"))
    return WriteGifImage(path, gradient, true);
  if (kind == QLatin1String("tiff-pyramid"))
    return WriteTiffPyramid(path);
  if (kind == QLatin1String("tiff-gradient"))
    return WriteTiffImage(path, gradient, COMPRESSION_ADOBE_DEFLATE, 16, false);
  if (kind == QLatin1String("tiff-gradient-onestrip"))
    return WriteTiffImage(path, gradient, COMPRESSION_NONE, gradient.height(), false);
  if (kind == QLatin1String("tiff-gradient-tiled"))
    return WriteTiffImage(path, gradient, COMPRESSION_LZW, 0, true);
  if (kind == QLatin1String("webp-gradient"))
    return WriteWebpImage(path, gradient, false, false);
  if (kind == QLatin1String("webp-gradient-alpha"))
    return WriteWebpImage(path, gradient, false, true);
  if (kind == QLatin1String("webp-gradient-lossless"))
    return WriteWebpImage(path, gradient, true, false);
  if (kind == QLatin1String("png-rgb"))
    return WritePng(path, PNG_COLOR_TYPE_RGB, 8, false);
  if (kind == QLatin1String("png-palette"))
    return WritePng(path, PNG_COLOR_TYPE_PALETTE, 2, false);
  if (kind == QLatin1String("png-palette-alpha"))
    return WritePng(path, PNG_COLOR_TYPE_PALETTE, 2, false, true);
  if (kind == QLatin1String("png-grey"))
    return WritePng(path, PNG_COLOR_TYPE_GRAY, 8, false);
  if (kind == QLatin1String("png-16"))
    return WritePng(path, PNG_COLOR_TYPE_RGB, 16, false);
  if (kind == QLatin1String("png-interlaced"))
    return WritePng(path, PNG_COLOR_TYPE_RGB, 8, true);
  if (kind == QLatin1String("png-alpha"))
    return WritePng(path, PNG_COLOR_TYPE_RGB_ALPHA, 8, false);
  if (kind == QLatin1String("png-alpha-16"))
    return WritePng(path, PNG_COLOR_TYPE_RGB_ALPHA, 16, false);
  if (kind == QLatin1String("png-alpha-interlaced"))
    return WritePng(path, PNG_COLOR_TYPE_RGB_ALPHA, 8, true);
  if (kind == QLatin1String("png-grey-alpha"))
    return WritePng(path, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false);
  if (kind == QLatin1String("png-grey-trns"))
    return WritePng(path, PNG_COLOR_TYPE_GRAY, 8, false, true);
  if (kind == QLatin1String("png-rgb-trns-16"))
    return WritePng(path, PNG_COLOR_TYPE_RGB, 16, false, true);
  if (kind == QLatin1String("gif"))
    return WriteGif(path, false);
  if (kind == QLatin1String("gif-interlaced"))
    return WriteGif(path, true);
  if (kind == QLatin1String("tiff"))
    return WriteTiff(path, ORIENTATION_TOPLEFT);
  if (kind == QLatin1String("tiff-orient6"))
    return WriteTiff(path, ORIENTATION_RIGHTTOP);
  if (kind.startsWith(QLatin1String("webp")))
    return WriteWebp(path, kind);
  if (kind == QLatin1String("pgm"))
    return SaveQt(Quadrants(40, 24, true), path, "PGM");
  for (const char* qt : {"bmp", "ppm", "xpm", "ico"}) {
    if (kind == QLatin1String(qt))
      return SaveQt(Quadrants(), path, qt);
  }
  return false;
}

QByteArray Bytes(const QString& kind) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("sample"));
  if (!Write(kind, path))
    return {};
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace samples
