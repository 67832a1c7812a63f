#include "samples.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>

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
// types), with the white quadrant fully transparent for alpha types.
bool WritePng(const QString& path, int colorType, int bitDepth, bool interlace) {
  const bool grey = colorType == PNG_COLOR_TYPE_GRAY;
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
  }
  png_write_info(png, info);
  const int channels = colorType == PNG_COLOR_TYPE_RGB_ALPHA ? 4
                       : colorType == PNG_COLOR_TYPE_RGB     ? 3
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
      const int values[4] = {c.red(), c.green(), c.blue(), q == 3 ? 0 : 255};
      for (int ch = 0; ch < channels; ++ch) {
        const int v = grey ? kGrey[q] : values[ch];
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

bool Write(const QString& kind, const QString& path) {
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
  if (kind == QLatin1String("png-rgb"))
    return WritePng(path, PNG_COLOR_TYPE_RGB, 8, false);
  if (kind == QLatin1String("png-palette"))
    return WritePng(path, PNG_COLOR_TYPE_PALETTE, 2, false);
  if (kind == QLatin1String("png-grey"))
    return WritePng(path, PNG_COLOR_TYPE_GRAY, 8, false);
  if (kind == QLatin1String("png-16"))
    return WritePng(path, PNG_COLOR_TYPE_RGB, 16, false);
  if (kind == QLatin1String("png-interlaced"))
    return WritePng(path, PNG_COLOR_TYPE_RGB, 8, true);
  if (kind == QLatin1String("png-alpha"))
    return WritePng(path, PNG_COLOR_TYPE_RGB_ALPHA, 8, false);
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
