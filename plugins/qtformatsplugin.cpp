// Catch-all format plug-in over Qt's image readers (BMP, PPM/PGM/PBM, XPM,
// ICO and whatever image format plug-ins the Qt installation has). It is
// registered with the last priority, so dedicated decoders win.

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <climits>
#include <cstring>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "glimr_plugin.h"
#include "pluginutil.h"

namespace {

// What Qt may allocate for one decoded picture (its own default): 64 MP at
// 32 bits a pixel, or a 256 MP picture of 8-bit indexes.
constexpr int kAllocationLimitMb = 256;
// Full-size decodes stop at 64 MP: with Qt's picture beside the bitmap that
// is already 448 MB, and these formats (BMP, PPM, ICO, ...) seldom come
// larger; thumbnails of larger ones use the reduced decode.
constexpr qint64 kMaxFullPixels = qint64(1) << 26;

struct ExtensionList {
  std::list<std::string> texts;  // node pointers into a list never move
  std::list<GlimrExtNode> nodes;
  const GlimrExtNode* first = nullptr;

  ExtensionList() {
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    for (const QByteArray& f : formats) {
      const std::string text = f.toUpper().toStdString();
      bool seen = false;
      for (const std::string& t : texts)
        seen = seen || t == text;
      if (seen || text.empty())
        continue;
      texts.push_back(text);
    }
    GlimrExtNode* previous = nullptr;
    for (const std::string& t : texts) {
      nodes.push_back(GlimrExtNode{t.c_str(), nullptr});
      if (previous)
        previous->next = &nodes.back();
      previous = &nodes.back();
    }
    first = nodes.empty() ? nullptr : &nodes.front();
  }
};

// The file at path, opened without blocking (a FIFO without a writer would
// hold open() forever) and only when it is a regular file; null otherwise.
std::unique_ptr<QFile> OpenRegular(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0)
    return nullptr;
  struct stat st;
  // The name stays on the file: the reader takes its suffix from it.
  auto file = std::make_unique<QFile>(QString::fromUtf8(path));
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    return nullptr;
  }
  return file;
}

// What Glimr reads of a BMP header itself: Qt reports the height of a
// picture stored top down as negative (an invalid size), and scales 16-bit
// channels by shifting, so that 5-bit white comes out as 248.
struct BmpHeader {
  quint32 infoSize = 0;
  quint32 dataOffset = 0;
  qint64 width = 0;
  qint64 height = 0;  // positive; topDown tells the order of the rows
  bool topDown = false;
  int bits = 0;
  quint32 compression = 0;
  quint32 masks[4] = {};  // red, green, blue, alpha of a 16-bit picture
};

constexpr quint32 kBmpPlain = 0, kBmpBitFields = 3, kBmpAlphaBitFields = 6;
// The OS/2 2.x header, whose compression 3 means Huffman coding, not bit
// fields.
constexpr quint32 kBmpOs2InfoSize = 64;

// The header of a BMP file (file header, info header and the bit fields
// after it); nullopt when it is not one Glimr can read.
std::optional<BmpHeader> ReadBmpHeader(QFile& file) {
  if (!file.seek(0))
    return std::nullopt;
  QByteArray h = file.read(70);
  if (!file.seek(0) || h.size() < 26 || !h.startsWith("BM"))
    return std::nullopt;
  h = h.leftJustified(70, '\0');
  const auto le32 = [&h](int at) { return qFromLittleEndian<quint32>(h.constData() + at); };
  const auto le16 = [&h](int at) { return qFromLittleEndian<quint16>(h.constData() + at); };
  BmpHeader b;
  b.infoSize = le32(14);
  b.dataOffset = le32(10);
  if (b.infoSize == 12) {  // OS/2 1.x: unsigned 16-bit sides
    b.width = le16(18);
    b.height = le16(20);
    b.bits = le16(24);
    return b;
  }
  if (b.infoSize < 40)
    return std::nullopt;
  b.width = static_cast<qint32>(le32(18));
  const qint64 height = static_cast<qint32>(le32(22));
  b.topDown = height < 0;
  b.height = qAbs(height);
  b.bits = le16(28);
  b.compression = le32(30);
  if (b.bits != 16)
    return b;
  if (b.compression == kBmpPlain) {
    b.masks[0] = 0x7c00;
    b.masks[1] = 0x03e0;
    b.masks[2] = 0x001f;
  } else if (b.compression == kBmpBitFields || b.compression == kBmpAlphaBitFields) {
    // After a 40-byte header, or inside a larger one at the same place.
    for (int i = 0; i < 3; ++i)
      b.masks[i] = le32(54 + 4 * i);
    if (b.infoSize >= 56 || b.compression == kBmpAlphaBitFields)
      b.masks[3] = le32(66);
  }
  return b;
}

// The picture's size; invalid for a side that is not positive.
QSize BmpSize(const BmpHeader& b) {
  return QSize(static_cast<int>(qBound(qint64(-1), b.width, qint64(INT_MAX))),
               static_cast<int>(qBound(qint64(-1), b.height, qint64(INT_MAX))));
}

// Whether Glimr decodes the picture itself: 16 bits a pixel, plain or in
// bit fields.
bool IsOwnBmp(const BmpHeader& b) {
  return b.bits == 16 && b.infoSize >= 40 && b.width > 0 && b.height > 0 &&
         (b.compression == kBmpPlain || b.compression == kBmpAlphaBitFields ||
          (b.compression == kBmpBitFields && b.infoSize != kBmpOs2InfoSize));
}

// One channel of a 16-bit pixel through its mask, scaled so that the
// mask's top value is 255; opaque for an absent alpha mask.
class BmpChannel {
 public:
  BmpChannel(quint32 mask, int absent) : mask_(mask & 0xffff), absent_(absent) {
    shift_ = mask_ ? std::countr_zero(mask_) : 0;
    top_ = mask_ >> shift_;
  }
  int operator()(quint32 pixel) const {
    if (!top_)
      return absent_;
    return static_cast<int>((((pixel & mask_) >> shift_) * 255 + top_ / 2) / top_);
  }

 private:
  quint32 mask_;
  int absent_;
  int shift_ = 0;
  quint32 top_ = 0;
};

// A 16-bit BMP decoded by Glimr; null when rows are missing or memory is
// short.
QImage ReadBmp16(QFile& file, const BmpHeader& b) {
  const qint64 stride = ((b.width * 16 + 31) / 32) * 4;
  if (b.width * b.height * 4 > qint64(kAllocationLimitMb) * 1024 * 1024 ||
      b.dataOffset + stride * b.height > file.size() || !file.seek(b.dataOffset))
    return {};
  const BmpChannel red(b.masks[0], 0), green(b.masks[1], 0), blue(b.masks[2], 0),
      alpha(b.masks[3], 255);
  const bool hasAlpha = (b.masks[3] & 0xffff) != 0;
  QImage image(static_cast<int>(b.width), static_cast<int>(b.height),
               hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  if (image.isNull())
    return {};
  std::vector<uchar> row(static_cast<size_t>(stride));
  for (qint64 i = 0; i < b.height; ++i) {
    if (file.read(reinterpret_cast<char*>(row.data()), stride) != stride)
      return {};
    QRgb* out =
        reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(b.topDown ? i : b.height - 1 - i)));
    for (qint64 x = 0; x < b.width; ++x) {
      const quint32 v = qFromLittleEndian<quint16>(row.data() + 2 * x);
      out[x] = qRgba(red(v), green(v), blue(v), alpha(v));
    }
  }
  return image;
}

// Qt's BMP reader fills rows missing from a truncated file with black and
// reports success; an uncompressed BMP must hold all its rows.
bool BmpComplete(QFile& file, const BmpHeader& b) {
  if (b.infoSize < 40 || (b.compression != kBmpPlain && b.compression != kBmpBitFields))
    return true;  // not plain rows
  const qint64 rowBytes = ((b.width * b.bits + 31) / 32) * 4;
  return b.dataOffset + rowBytes * b.height <= file.size();
}

void OpenReader(QFile& file, QImageReader& reader) {
  reader.setDevice(&file);
  reader.setAutoTransform(true);
  reader.setAllocationLimit(kAllocationLimitMb);
}

// The picture at path as Qt decodes it; null when it cannot be read or its
// size is refused (full: the cap of a full-size decode).
QImage ReadImage(const char* path, bool full) {
  if (!path)
    return {};
  const std::unique_ptr<QFile> file = OpenRegular(path);
  if (!file)
    return {};
  QImageReader reader;
  OpenReader(*file, reader);
  const auto acceptable = [full](const QSize& s) {
    return full ? s.width() > 0 && s.height() > 0 &&
                      qint64(s.width()) * s.height() <= kMaxFullPixels &&
                      glimr_full_size_acceptable(s.width(), s.height())
                : glimr_size_acceptable(s.width(), s.height());
  };
  QSize declared = reader.size();
  if (reader.format() == "bmp") {
    // Headers Glimr does not know are left to Qt.
    if (const std::optional<BmpHeader> bmp = ReadBmpHeader(*file)) {
      declared = BmpSize(*bmp);
      if (!BmpComplete(*file, *bmp) || !acceptable(declared))
        return {};
      if (IsOwnBmp(*bmp))
        return ReadBmp16(*file, *bmp);
    }
  }
  if (declared.isValid() && !acceptable(declared))
    return {};
  QImage image;
  if (!reader.read(&image) || image.isNull() || !acceptable(image.size()))
    return {};
  return image;
}

// Hands every row of the image to sink(y, row) as blue, green, red, with
// transparent pixels on the same neutral grey as in the other plug-ins. It
// converts a band of rows at a time, never a second copy of the picture.
template <typename Sink>
bool ForEachBgrRow(const QImage& image, Sink sink) {
  constexpr int kBand = 64;
  const bool alpha = image.hasAlphaChannel();
  std::vector<uchar> row(static_cast<size_t>(image.width()) * 3);
  for (int top = 0; top < image.height(); top += kBand) {
    const int n = qMin(kBand, image.height() - top);
    const QImage band =
        image.copy(0, top, image.width(), n)
            .convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_BGR888);
    if (band.isNull())
      return false;
    for (int y = 0; y < n; ++y) {
      if (!alpha) {
        sink(top + y, band.constScanLine(y));
        continue;
      }
      const QRgb* in = reinterpret_cast<const QRgb*>(band.constScanLine(y));
      uchar* out = row.data();
      for (int x = 0; x < image.width(); ++x, out += 3) {
        const unsigned grey = (128u * (255u - qAlpha(in[x])) + 127u) / 255u;
        out[0] = static_cast<uchar>(qMin(255u, qBlue(in[x]) + grey));
        out[1] = static_cast<uchar>(qMin(255u, qGreen(in[x]) + grey));
        out[2] = static_cast<uchar>(qMin(255u, qRed(in[x]) + grey));
      }
      sink(top + y, row.data());
    }
  }
  return true;
}

}  // namespace

extern "C" {

GLIMR_PLUGIN_EXPORT const char* GetPluginType(void) {
  return GLIMR_PLUGIN_TYPE;
}
GLIMR_PLUGIN_EXPORT const char* GetPluginName(void) {
  return "Qt image readers";
}

GLIMR_PLUGIN_EXPORT const GlimrExtNode* GetSupplyExtensions(void) {
  static const ExtensionList list;  // built once, lives as long as the library
  return list.first;
}

GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmap(const char* path) {
  const QImage image = ReadImage(path, true);
  if (image.isNull())
    return nullptr;
  GlimrBitmap* bitmap = glimr_bitmap_alloc(image.width(), image.height());
  if (!bitmap)
    return nullptr;
  const size_t rowBytes = static_cast<size_t>(image.width()) * 3;
  if (!ForEachBgrRow(image, [&](int y, const uchar* bgr) {
        std::memcpy(bitmap->bits + static_cast<size_t>(y) * bitmap->bytes_per_row, bgr, rowBytes);
      })) {
    free(bitmap);
    return nullptr;
  }
  return bitmap;
}

// Thumbnails: the rows are averaged down as they are converted, so only
// the picture as Qt decoded it (often 8 bits a pixel) is ever whole.
GLIMR_PLUGIN_EXPORT GlimrBitmap* GetFileBitmapReduced(const char* path, int32_t min_side) {
  const QImage image = ReadImage(path, min_side <= 0);
  if (image.isNull())
    return nullptr;
  GlimrReducer reducer;
  if (!glimr_reducer_init(&reducer, image.width(), image.height(), min_side > 0 ? min_side : 0,
                          0)) {
    return nullptr;
  }
  if (!ForEachBgrRow(image, [&](int y, const uchar* bgr) {
        glimr_reducer_add(&reducer, y, 0, 1, bgr, image.width());
      })) {
    glimr_reducer_free(&reducer);
    return nullptr;
  }
  return glimr_reducer_finish(&reducer);
}

GLIMR_PLUGIN_EXPORT void GetFileInfo(const char* path, GlimrImageSize* size) {
  if (!size)
    return;
  size->width = 0;
  size->height = 0;
  if (!path)
    return;
  const std::unique_ptr<QFile> file = OpenRegular(path);
  if (!file)
    return;
  QImageReader reader;
  OpenReader(*file, reader);
  QSize s = reader.size();
  if (reader.format() == "bmp") {
    if (const std::optional<BmpHeader> bmp = ReadBmpHeader(*file))
      s = BmpSize(*bmp);
  }
  if (!s.isValid() || !glimr_size_acceptable(s.width(), s.height()))
    return;
  // size() is the stored size; turned pictures report the upright one.
  if (reader.transformation() & QImageIOHandler::TransformationRotate90)
    s.transpose();
  size->width = s.width();
  size->height = s.height();
}

// Each call has its own file and QImageReader, which Qt makes reentrant, so
// Glimr may run several at once.
GLIMR_PLUGIN_EXPORT int GetPluginThreadSafe(void) {
  return 1;
}

}  // extern "C"
