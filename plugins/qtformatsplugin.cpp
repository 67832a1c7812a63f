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

#include <cstring>
#include <list>
#include <memory>
#include <string>

#include "glimr_plugin.h"

namespace {

// Qt refuses images above 256 MB by default; ours are capped by pixel count
// (a full decode at GLIMR_MAX_FULL_PIXELS as 32-bit pixels).
constexpr int kAllocationLimitMb = 512;

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

// Qt's BMP reader fills rows missing from a truncated file with black and
// reports success; an uncompressed BMP must hold all its rows.
bool BmpComplete(QFile& file) {
  if (!file.seek(0))
    return false;
  const QByteArray h = file.read(34);
  if (h.size() < 34 || !file.seek(0))
    return false;
  const auto le32 = [&h](int at) { return qFromLittleEndian<quint32>(h.constData() + at); };
  const auto le16 = [&h](int at) { return qFromLittleEndian<quint16>(h.constData() + at); };
  const quint32 compression = le32(30);
  if (le32(14) < 40 || (compression != 0 && compression != 3))
    return true;  // not plain rows
  const qint64 width = static_cast<qint32>(le32(18));
  const qint64 height = qAbs(static_cast<qint64>(static_cast<qint32>(le32(22))));
  const qint64 rowBytes = ((width * le16(28) + 31) / 32) * 4;
  return le32(10) + rowBytes * height <= file.size();
}

void OpenReader(QFile& file, QImageReader& reader) {
  reader.setDevice(&file);
  reader.setAutoTransform(true);
  reader.setAllocationLimit(kAllocationLimitMb);
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
  if (!path)
    return nullptr;
  const std::unique_ptr<QFile> file = OpenRegular(path);
  if (!file)
    return nullptr;
  QImageReader reader;
  OpenReader(*file, reader);
  const QSize declared = reader.size();
  if (declared.isValid() && !glimr_full_size_acceptable(declared.width(), declared.height())) {
    return nullptr;
  }
  if (reader.format() == "bmp" && !BmpComplete(*file))
    return nullptr;
  QImage image;
  if (!reader.read(&image) || image.isNull())
    return nullptr;
  if (!glimr_full_size_acceptable(image.width(), image.height()))
    return nullptr;
  // Transparent pixels end up on the same neutral grey as in the other
  // plug-ins: draw onto it before dropping alpha.
  if (image.hasAlphaChannel()) {
    QImage flat(image.size(), QImage::Format_RGB888);
    flat.fill(QColor(128, 128, 128));
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
      const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      uchar* out = flat.scanLine(y);
      for (int x = 0; x < image.width(); ++x, out += 3) {
        const unsigned grey = (128u * (255u - qAlpha(in[x])) + 127u) / 255u;
        out[0] = static_cast<uchar>(qMin(255u, qRed(in[x]) + grey));
        out[1] = static_cast<uchar>(qMin(255u, qGreen(in[x]) + grey));
        out[2] = static_cast<uchar>(qMin(255u, qBlue(in[x]) + grey));
      }
    }
    image = flat;
  }
  image = image.convertToFormat(QImage::Format_BGR888);
  if (image.isNull())
    return nullptr;
  GlimrBitmap* bitmap = glimr_bitmap_alloc(image.width(), image.height());
  if (!bitmap)
    return nullptr;
  const size_t rowBytes = static_cast<size_t>(image.width()) * 3;
  for (int y = 0; y < image.height(); ++y) {
    std::memcpy(bitmap->bits + static_cast<size_t>(y) * bitmap->bytes_per_row,
                image.constScanLine(y), rowBytes);
  }
  return bitmap;
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
  if (!s.isValid() || !glimr_size_acceptable(s.width(), s.height()))
    return;
  // size() is the stored size; turned pictures report the upright one.
  if (reader.transformation() & QImageIOHandler::TransformationRotate90)
    s.transpose();
  size->width = s.width();
  size->height = s.height();
}

}  // extern "C"
