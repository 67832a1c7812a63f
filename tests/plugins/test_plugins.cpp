#include <QColor>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

#include <png.h>
#include <zlib.h>

#include <thread>
#include <vector>

#include "childrun.h"
#include "imaging/plugin.h"
#include "imaging/scaler.h"
#include "samples.h"

using namespace glimr;

namespace {

const QColor R = Qt::red, G = Qt::green, B = Qt::blue, W = Qt::white;
const QColor Grey(128, 128, 128);  // what transparency is composited onto

QString PluginFile(const QString& name) {
  return QStringLiteral(GLIMR_PLUGIN_DIR "/") + name + QStringLiteral(".so");
}

// Read from the bytes (blue, green, red as the plug-ins deliver them).
QColor PixelAt(const QImage& b, int x, int y) {
  const std::uint8_t* p = b.constScanLine(y) + 3 * x;
  return QColor(p[2], p[1], p[0]);
}

bool Near(const QColor& a, const QColor& b, int tolerance) {
  return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
         qAbs(a.blue() - b.blue()) <= tolerance;
}

QString Suffix(const QString& kind) {
  if (kind.startsWith(QLatin1String("jpeg")))
    return QStringLiteral("jpg");
  return kind.section(QLatin1Char('-'), 0, 0);
}

void PutBig32(QByteArray& a, int at, quint32 v) {
  for (int i = 0; i < 4; ++i)
    a[at + i] = static_cast<char>(v >> (24 - 8 * i));
}

// A sample whose header declares a size far beyond what plug-ins accept.
QByteArray HugeHeader(const QString& plugin) {
  if (plugin == QLatin1String("glimr_jpeg")) {
    QByteArray a = samples::Bytes(QStringLiteral("jpeg"));
    const int sof = a.indexOf(QByteArray::fromHex("ffc0"));
    a[sof + 5] = char(0x61), a[sof + 6] = char(0xa8);  // 25000 high
    a[sof + 7] = char(0x61), a[sof + 8] = char(0xa8);  // 25000 wide: 625 MP
    return a;
  }
  if (plugin == QLatin1String("glimr_png")) {
    QByteArray a = samples::Bytes(QStringLiteral("png-rgb"));
    PutBig32(a, 16, 100000);  // IHDR width, then a fresh CRC
    PutBig32(a, 20, 100000);
    PutBig32(a, 29, crc32(0, reinterpret_cast<const Bytef*>(a.constData() + 12), 17));
    return a;
  }
  if (plugin == QLatin1String("glimr_gif")) {
    QByteArray a = samples::Bytes(QStringLiteral("gif"));
    a[6] = a[7] = a[8] = a[9] = char(0xff);    // screen 65535 x 65535
    const int desc = a.indexOf(',', 13 + 12);  // image separator after the colour table
    for (int i = 5; i < 9; ++i)
      a[desc + i] = char(0xff);
    return a;
  }
  if (plugin == QLatin1String("glimr_tiff")) {
    QByteArray a = samples::Bytes(QStringLiteral("tiff"));
    // Little-endian IFD: find ImageWidth (0x0100) and set it to 100000.
    const int ifd = qFromLittleEndian<quint32>(a.constData() + 4);
    const int count = qFromLittleEndian<quint16>(a.constData() + ifd);
    for (int i = 0; i < count; ++i) {
      char* e = a.data() + ifd + 2 + 12 * i;
      if (qFromLittleEndian<quint16>(e) == 0x0100) {
        qToLittleEndian<quint16>(4, e + 2);  // LONG
        qToLittleEndian<quint32>(100000, e + 8);
      }
    }
    return a;
  }
  if (plugin == QLatin1String("glimr_heif")) {
    // The image spatial extents property: version and flags, then width and
    // height as 32-bit big-endian numbers.
    QByteArray a = samples::Bytes(QStringLiteral("heic"));
    const int ispe = a.indexOf("ispe");
    PutBig32(a, ispe + 8, 100000);
    PutBig32(a, ispe + 12, 100000);
    return a;
  }
  if (plugin == QLatin1String("glimr_raw")) {
    QByteArray a = samples::Bytes(QStringLiteral("dng-40x24"));
    const int ifd = qFromLittleEndian<quint32>(a.constData() + 4);
    const int count = qFromLittleEndian<quint16>(a.constData() + ifd);
    for (int i = 0; i < count; ++i) {
      char* e = a.data() + ifd + 2 + 12 * i;
      if (qFromLittleEndian<quint16>(e) == 0x0100 || qFromLittleEndian<quint16>(e) == 0x0101)
        qToLittleEndian<quint32>(100000, e + 8);
    }
    return a;
  }
  if (plugin == QLatin1String("glimr_qtformats")) {
    QByteArray a = samples::Bytes(QStringLiteral("bmp"));
    qToLittleEndian<qint32>(100000, a.data() + 18);
    qToLittleEndian<qint32>(100000, a.data() + 22);
    return a;
  }
  return {};
}

// An Adam7-interlaced 8-bit RGB PNG whose pixel (x, y) is (40 x, 40 y, 200).
QByteArray InterlacedPng(int width, int height) {
  QByteArray out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        static_cast<QByteArray*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), n);
      },
      nullptr);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<std::vector<png_byte>> rows(height, std::vector<png_byte>(3 * width));
  std::vector<png_bytep> pointers;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      rows[y][3 * x] = static_cast<png_byte>(40 * x);
      rows[y][3 * x + 1] = static_cast<png_byte>(40 * y);
      rows[y][3 * x + 2] = 200;
    }
    pointers.push_back(rows[y].data());
  }
  png_write_image(png, pointers.data());
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// The thumbnail path of the loader: the reduced decode where the plug-in
// has one, else (or when it gives nothing) the full decode.
QImage ThumbnailDecode(const TPlugin& p, const QString& path, int minSide) {
  QImage b = p.HasReducedDecode() ? p.FileBitmapReduced(path, minSide) : QImage();
  return b.isNull() ? p.FileBitmap(path) : b;
}

}  // namespace

class TestPlugins : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    // GLIMR_SAMPLE_DIR=folder writes every good sample there, one folder
    // per plug-in: the seed corpus of the fuzz targets.
    const QString seeds = qEnvironmentVariable("GLIMR_SAMPLE_DIR");
    if (seeds.isEmpty())
      return;
    const QList<QPair<QString, QStringList>> all = {
        {"glimr_jpeg", {"jpeg", "jpeg-progressive", "jpeg-grey", "jpeg-exif6"}},
        {"glimr_png",
         {"png-rgb", "png-palette", "png-grey", "png-16", "png-interlaced", "png-alpha",
          "png-alpha-16", "png-alpha-interlaced", "png-grey-alpha", "png-rgb-trns-16"}},
        {"glimr_gif", {"gif", "gif-interlaced"}},
        {"glimr_tiff", {"tiff", "tiff-orient6"}},
        {"glimr_webp", {"webp-lossless", "webp-lossy", "webp-alpha"}},
        {"glimr_qtformats", {"bmp", "ppm", "pgm", "xpm", "ico"}},
        {"glimr_heif",
         {"heic", "avif", "heic-alpha", "avif-crop-irot1-imir1", "avif-irot1-lateispe",
          "avif-sequence-trackonly", "heic-square-thumb-cut"}},
        {"glimr_jxl", {"jxl", "jxl-lossless"}},
        {"glimr_raw", {"dng-40x24", "dng-40x24-orient6-preview"}}};
    for (const auto& [plugin, kinds] : all) {
      QDir().mkpath(seeds + QLatin1Char('/') + plugin);
      for (const QString& kind : kinds) {
        QVERIFY(samples::Write(kind, seeds + QLatin1Char('/') + plugin + QLatin1Char('/') + kind));
      }
    }
  }

  void contract_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QStringList>("extensions");  // a few it must supply
    QTest::addColumn<bool>("reduced");
    QTest::newRow("jpeg") << "glimr_jpeg" << QStringList{"JPG", "JPEG", "JPE", "JFIF"} << true;
    QTest::newRow("png") << "glimr_png" << QStringList{"PNG"} << true;
    QTest::newRow("gif") << "glimr_gif" << QStringList{"GIF"} << true;
    QTest::newRow("tiff") << "glimr_tiff" << QStringList{"TIF", "TIFF"} << true;
    QTest::newRow("webp") << "glimr_webp" << QStringList{"WEBP"} << true;
    QTest::newRow("qt") << "glimr_qtformats"
                        << QStringList{"BMP", "PPM", "PGM", "PBM", "XPM", "ICO"} << true;
    // Debian's libheif decodes HEVC (libde265) and AV1 (dav1d, aom).
    QTest::newRow("heif") << "glimr_heif" << QStringList{"HEIC", "HEIF", "HIF", "AVIF"} << true;
    QTest::newRow("jxl") << "glimr_jxl" << QStringList{"JXL"} << true;
    QTest::newRow("raw") << "glimr_raw" << QStringList{"DNG", "CR2", "CR3", "NEF", "ARW",
                                                       "ORF", "RW2", "RAF", "PEF"}
                         << true;
  }
  void contract() {
    QFETCH(QString, plugin);
    QFETCH(QStringList, extensions);
    QFETCH(bool, reduced);
    TPlugin p;
    QVERIFY(p.Load(PluginFile(plugin)));
    QVERIFY(!p.Name().isEmpty());
    for (const QString& e : extensions)
      QVERIFY2(p.Extensions().contains(e), qPrintable(e));
    QCOMPARE(p.HasReducedDecode(), reduced);
  }

  void decodes_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QColor>>("quadrants");  // upright: TL, TR, BL, BR
    QTest::addColumn<int>("tolerance");
    const QSize s(40, 24), turned(24, 40);
    const QList<QColor> q{R, G, B, W};
    const QList<QColor> grey{QColor(0, 0, 0), QColor(80, 80, 80), QColor(160, 160, 160), W};
    const QList<QColor> clear{R, G, B, Grey};
    auto row = [](const char* plugin, const char* kind, QSize size, QList<QColor> colours,
                  int tol) {
      QTest::newRow(kind) << QString::fromLatin1(plugin) << QString::fromLatin1(kind) << size
                          << colours << tol;
    };
    row("glimr_jpeg", "jpeg", s, q, 40);
    row("glimr_jpeg", "jpeg-progressive", s, q, 40);
    row("glimr_jpeg", "jpeg-grey", s, grey, 12);
    row("glimr_jpeg", "jpeg-exif3", s, {W, B, G, R}, 40);
    row("glimr_jpeg", "jpeg-exif6", turned, {B, R, W, G}, 40);
    row("glimr_jpeg", "jpeg-exif8", turned, {G, W, R, B}, 40);
    row("glimr_png", "png-rgb", s, q, 0);
    row("glimr_png", "png-palette", s, q, 0);
    row("glimr_png", "png-palette-alpha", s, clear, 0);
    row("glimr_png", "png-grey", s, grey, 0);
    row("glimr_png", "png-16", s, q, 0);
    row("glimr_png", "png-interlaced", s, q, 0);
    row("glimr_png", "png-alpha", s, clear, 0);
    const QList<QColor> greyClear{grey[0], grey[1], grey[2], Grey};
    row("glimr_png", "png-alpha-16", s, clear, 0);
    row("glimr_png", "png-alpha-interlaced", s, clear, 0);
    row("glimr_png", "png-grey-alpha", s, greyClear, 0);
    row("glimr_png", "png-grey-trns", s, greyClear, 0);
    row("glimr_png", "png-rgb-trns-16", s, clear, 0);
    row("glimr_gif", "gif", s, clear, 0);
    row("glimr_gif", "gif-interlaced", s, clear, 0);
    row("glimr_tiff", "tiff", s, q, 0);
    row("glimr_tiff", "tiff-orient6", turned, {B, R, W, G}, 0);
    row("glimr_webp", "webp-lossless", s, q, 0);
    row("glimr_webp", "webp-lossy", s, q, 40);
    row("glimr_webp", "webp-alpha", s, clear, 1);
    row("glimr_qtformats", "bmp", s, q, 0);
    row("glimr_qtformats", "ppm", s, q, 0);
    row("glimr_qtformats", "pgm", s, grey, 0);
    row("glimr_qtformats", "xpm", s, q, 0);
    row("glimr_qtformats", "ico", s, q, 0);
    row("glimr_heif", "heic", s, q, 40);
    row("glimr_heif", "heic-alpha", s, clear, 40);
    row("glimr_heif", "avif", s, q, 40);
    // The container's rotation applies; the EXIF orientation inside does not.
    row("glimr_heif", "avif-irot3-exif8", turned, {B, R, W, G}, 40);
    row("glimr_jxl", "jxl", s, q, 40);
    row("glimr_jxl", "jxl-lossless", s, q, 0);
    row("glimr_jxl", "jxl-alpha", s, clear, 40);
    row("glimr_jxl", "jxl-exif6", turned, {B, R, W, G}, 40);
    row("glimr_raw", "dng-40x24", s, q, 40);
    row("glimr_raw", "dng-40x24-orient6", turned, {B, R, W, G}, 40);
    // The full decode develops the raw data, never the (grey) preview.
    row("glimr_raw", "dng-40x24-preview", s, q, 40);
  }
  void decodes() {
    QFETCH(QString, plugin);
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    QFETCH(QList<QColor>, quadrants);
    QFETCH(int, tolerance);
    const QString path = dir_.filePath(kind + QLatin1Char('.') + Suffix(kind));
    QVERIFY(samples::Write(kind, path));
    TPlugin p;
    QVERIFY(p.Load(PluginFile(plugin)));
    QCOMPARE(p.FileInfo(path), size);
    const QImage b = p.FileBitmap(path);
    QVERIFY(!b.isNull());
    QCOMPARE(b.size(), size);
    QCOMPARE(b.bytesPerLine() % 4, 0);
    const int w = size.width(), h = size.height();
    const QPoint centres[4] = {
        {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (int i = 0; i < 4; ++i) {
      const QColor got = PixelAt(b, centres[i].x(), centres[i].y());
      QVERIFY2(Near(got, quadrants[i], tolerance),
               qPrintable(QStringLiteral("quadrant %1: %2 instead of %3")
                              .arg(i)
                              .arg(got.name(), quadrants[i].name())));
    }
  }

  void reducedJpegDecode_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("minSide");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("1/4") << "jpeg-big" << 100 << QSize(200, 150);
    QTest::newRow("1/8") << "jpeg-big" << 75 << QSize(100, 75);
    QTest::newRow("1/2") << "jpeg-big" << 151 << QSize(400, 300);
    QTest::newRow("full when larger") << "jpeg-big" << 1000 << QSize(800, 600);
    QTest::newRow("small image") << "jpeg" << 256 << QSize(40, 24);
    QTest::newRow("turned") << "jpeg-exif6" << 3 << QSize(3, 5);
    QTest::newRow("progressive 1/8, DC scans only")
        << "jpeg-big-progressive" << 75 << QSize(100, 75);
    QTest::newRow("progressive 1/4") << "jpeg-big-progressive" << 100 << QSize(200, 150);
  }
  void reducedJpegDecode() {
    QFETCH(QString, kind);
    QFETCH(int, minSide);
    QFETCH(QSize, expected);
    const QString path = dir_.filePath(kind + QStringLiteral("-r.jpg"));
    QVERIFY(samples::Write(kind, path));
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_jpeg"))));
    const QImage b = p.FileBitmapReduced(path, minSide);
    QCOMPARE(b.size(), expected);
    // Still the same picture: top left quadrant red (blue for the turned one).
    const QColor tl = PixelAt(b, b.width() / 4, b.height() / 4);
    QVERIFY2(Near(tl, kind == QLatin1String("jpeg-exif6") ? B : R, 60), qPrintable(tl.name()));
  }

  // Damaged and hostile files: never a bitmap, and no size when the header
  // itself is unusable.
  void badInput_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("headerUsable");
    QByteArray garbage(4096, 0);
    QRandomGenerator rng(1234);
    for (char& c : garbage)
      c = static_cast<char>(rng.bounded(256));
    const QList<QPair<QString, QString>> plugins = {
        {"glimr_jpeg", "jpeg"},    {"glimr_png", "png-rgb"},     {"glimr_gif", "gif"},
        {"glimr_tiff", "tiff"},    {"glimr_webp", "webp-lossy"}, {"glimr_qtformats", "bmp"},
        {"glimr_heif", "heic"},    {"glimr_heif", "avif"},       {"glimr_jxl", "jxl"},
        {"glimr_raw", "dng-40x24"}};
    for (const auto& [plugin, kind] : plugins) {
      const QByteArray good = samples::Bytes(kind);
      const QString suffix = Suffix(kind);
      const QByteArray name = plugin.toLatin1();
      if (kind == QLatin1String("avif")) {
        // AVIF shares the plug-in with HEIC: one truncated file of its own.
        QTest::newRow("glimr_heif avif truncated")
            << plugin << suffix << good.left(good.size() * 2 / 3) << true;
        continue;
      }
      QTest::addRow("%s empty", name.constData()) << plugin << suffix << QByteArray() << false;
      QTest::addRow("%s garbage", name.constData()) << plugin << suffix << garbage << false;
      // A small JPEG XL declares its size in its first few bytes.
      const bool compact = plugin == QLatin1String("glimr_jxl");
      QTest::addRow("%s first 10 bytes", name.constData())
          << plugin << suffix << good.left(10) << compact;
      QTest::addRow("%s truncated", name.constData())
          << plugin << suffix << good.left(good.size() * 2 / 3) << true;
      const QByteArray huge = HugeHeader(plugin);
      if (!huge.isEmpty()) {
        QTest::addRow("%s huge dimensions", name.constData()) << plugin << suffix << huge << false;
      }
    }
    // Found by fuzzing: a progressive frame of 4392 x 3608 declared in 91
    // bytes, once slow to give up under the sanitizers.
    QTest::newRow("jpeg fuzz timeout c8cb2ab6")
        << "glimr_jpeg"
        << "jpg"
        << QByteArray::fromHex(
               "ffd8ffe10022ffd8ffe1ffd801ff4300010101520102a3a4a5fafa02ffda0008010100"
               "01010101010101ffc20011080e18112803012220021101031101ff00184b00010101ff"
               "da000c03010002100310003101ffd9c0000b080001")
        << true;
    // Valid magic followed by garbage.
    QTest::newRow("jpeg magic + garbage")
        << "glimr_jpeg"
        << "jpg" << QByteArray::fromHex("ffd8ffe0") + garbage << false;
    QTest::newRow("png magic + garbage")
        << "glimr_png"
        << "png" << QByteArray::fromHex("89504e470d0a1a0a") + garbage << false;
    QTest::newRow("gif magic + garbage") << "glimr_gif"
                                         << "gif" << QByteArray("GIF89a") + garbage << false;
    QTest::newRow("tiff magic + garbage")
        << "glimr_tiff"
        << "tif" << QByteArray::fromHex("49492a00") + garbage << false;
    QTest::newRow("heic magic + garbage")
        << "glimr_heif"
        << "heic" << QByteArray::fromHex("0000001866747970686569630000000068656963") + garbage
        << false;
    // Any bits after the signature read as some size header.
    QTest::newRow("jxl magic + garbage") << "glimr_jxl"
                                         << "jxl" << QByteArray::fromHex("ff0a") + garbage << true;
    // Damaged container properties: a clean aperture of width n / 0, and an
    // association with a property that is not there.
    QByteArray clap = samples::Bytes(QStringLiteral("avif-crop"));
    PutBig32(clap, clap.indexOf("clap") + 8, 0);
    QTest::newRow("avif clap divided by zero") << "glimr_heif"
                                               << "avif" << clap << false;
    QByteArray ipma = samples::Bytes(QStringLiteral("avif"));
    const int associations = ipma.indexOf("ipma") + 4 + 4 + 4 + 2;
    ipma[associations + 1] = char(0x7f);
    QTest::newRow("avif property past the list") << "glimr_heif"
                                                 << "avif" << ipma << false;
    QTest::newRow("dng magic + garbage")
        << "glimr_raw"
        << "dng" << QByteArray::fromHex("49492a0008000000") + garbage << false;
  }
  void badInput() {
    QFETCH(QString, plugin);
    QFETCH(QString, suffix);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, headerUsable);
    const QString path = dir_.filePath(QStringLiteral("bad.") + suffix);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    TPlugin p;
    QVERIFY(p.Load(PluginFile(plugin)));
    QVERIFY(p.FileBitmap(path).isNull());
    if (p.HasReducedDecode())
      QVERIFY(p.FileBitmapReduced(path, 8).isNull());
    const QSize info = p.FileInfo(path);
    if (!headerUsable)
      QCOMPARE(info, QSize(0, 0));
    QVERIFY(info == QSize(0, 0) || (info.width() > 0 && info.height() > 0));
  }

  // Chunks that do not decide the pixels never cost the picture: whatever
  // their size, checksum or place, the quadrants decode unchanged, at full
  // size and reduced.
  void pngChunks_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = samples::Bytes(QStringLiteral("png-rgb"));
    const int afterHeader = 8 + 25;  // signature, IHDR
    const int idat = good.indexOf("IDAT") - 4;
    const int iend = good.indexOf("IEND") - 4;
    QVERIFY(idat >= afterHeader && iend > idat);
    auto chunk = [](const char* type, const QByteArray& data, bool goodCrc) {
      QByteArray c(4, 0);
      PutBig32(c, 0, static_cast<quint32>(data.size()));
      c += QByteArray(type, 4) + data + QByteArray(4, 0);
      const quint32 crc = crc32(0, reinterpret_cast<const Bytef*>(c.constData() + 4), c.size() - 8);
      PutBig32(c, c.size() - 4, goodCrc ? crc : ~crc);
      return c;
    };
    const QByteArray text = QByteArray("Comment") + '\0' + QByteArray(64, 'x');
    QTest::newRow("text beyond the chunk limit")
        << good.left(afterHeader) + chunk("tEXt", QByteArray(9 << 20, 'x'), true) +
               good.mid(afterHeader);
    QTest::newRow("text with a damaged checksum")
        << good.left(afterHeader) + chunk("tEXt", text, false) + good.mid(afterHeader);
    QTest::newRow("private chunks before and after the image data")
        << good.left(idat) + chunk("prIv", text, true) + good.mid(idat, iend - idat) +
               chunk("prIv", text, false) + good.mid(iend);
    // Damaged or out-of-place chunks of kinds a decoder may otherwise check.
    QTest::newRow("malformed physical size, twice a gamma, text without keyword")
        << good.left(afterHeader) + chunk("pHYs", "abc", true) +
               chunk("gAMA", QByteArray::fromHex("0000b18f"), true) +
               chunk("gAMA", QByteArray::fromHex("00000000"), true) +
               chunk("tEXt", QByteArray(1, '\0') + "x", true) + good.mid(afterHeader);
    QTest::newRow("profile that does not inflate")
        << good.left(afterHeader) + chunk("iCCP", QByteArray("icc") + '\0' + '\0' + text, true) +
               good.mid(afterHeader);
    QByteArray crc = good;
    const int idatLength = qFromBigEndian<quint32>(good.constData() + idat);
    crc[idat + 8 + idatLength] = static_cast<char>(~crc[idat + 8 + idatLength]);
    QTest::newRow("image data with a damaged checksum") << crc;
    QByteArray tail(8, 0);  // a text chunk declaring 1 GB where IEND was
    PutBig32(tail, 0, 1u << 30);
    tail.replace(4, 4, "tEXt");
    QTest::newRow("gigabyte chunk after the image data") << good.left(iend) + tail + text;
  }
  void pngChunks() {
    QFETCH(QByteArray, bytes);
    const QString path = dir_.filePath(QStringLiteral("chunks.png"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
    f.close();
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_png"))));
    QCOMPARE(p.FileInfo(path), QSize(40, 24));
    const QImage full = p.FileBitmap(path);
    const QImage reduced = p.FileBitmapReduced(path, 12);  // blocks of 2 x 2
    QCOMPARE(full.size(), QSize(40, 24));
    QCOMPARE(reduced.size(), QSize(20, 12));
    const QList<QColor> quadrants{R, G, B, W};
    for (const QImage& b : {full, reduced}) {
      const int w = b.width(), h = b.height();
      const QPoint centres[4] = {
          {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
      for (int i = 0; i < 4; ++i)
        QCOMPARE(PixelAt(b, centres[i].x(), centres[i].y()), quadrants[i]);
    }
  }

  // Interlaced pictures too small to fill every pass: each pixel in its
  // place at full size, and a reduced decode of them still succeeds.
  void pngSmallInterlaced_data() {
    QTest::addColumn<QSize>("size");
    for (const QSize s : {QSize(1, 1), QSize(2, 1), QSize(1, 2), QSize(5, 1), QSize(3, 6)})
      QTest::addRow("%dx%d", s.width(), s.height()) << s;
  }
  void pngSmallInterlaced() {
    QFETCH(QSize, size);
    const QString path = dir_.filePath(QStringLiteral("small-adam7.png"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(InterlacedPng(size.width(), size.height()));
    f.close();
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_png"))));
    const QImage full = p.FileBitmap(path);
    QCOMPARE(full.size(), size);
    for (int y = 0; y < size.height(); ++y) {
      for (int x = 0; x < size.width(); ++x)
        QCOMPARE(PixelAt(full, x, y), QColor(40 * x, 40 * y, 200));
    }
    QVERIFY(!p.FileBitmapReduced(path, 1).isNull());
  }

  // The PNG plug-in declares itself safe for several threads: decodes of
  // different files at once give exactly what they give one at a time.
  void pngThreads() {
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_png"))));
    QVERIFY(p.ThreadSafe());
    QStringList paths;
    QList<QImage> expected;
    for (const char* kind : {"png-gradient", "png-gradient-interlaced", "png-alpha", "png-16"}) {
      paths << dir_.filePath(QLatin1String(kind) + QStringLiteral("-threads.png"));
      QVERIFY(samples::Write(QLatin1String(kind), paths.last()));
      expected << p.FileBitmapReduced(paths.last(), 64) << p.FileBitmap(paths.last());
      QVERIFY(!expected[expected.size() - 2].isNull() && !expected.last().isNull());
    }
    std::vector<int> mismatches(paths.size(), 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < paths.size(); ++t) {
      threads.emplace_back([&, t] {
        for (int round = 0; round < 5; ++round) {
          const int i = (t + round) % paths.size();
          if (p.FileBitmapReduced(paths[i], 64) != expected[2 * i] ||
              p.FileBitmap(paths[i]) != expected[2 * i + 1])
            ++mismatches[t];
        }
      });
    }
    for (std::thread& thread : threads)
      thread.join();
    for (int t = 0; t < paths.size(); ++t)
      QCOMPARE(mismatches[t], 0);
  }

  // A TIFF that carries a reduced-resolution copy: thumbnails small enough
  // come from the copy (drawn in grey here), larger ones and the full
  // decode from the first page.
  void tiffReducedPage_data() {
    QTest::addColumn<int>("minSide");  // 0: the full decode
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("fromCopy");
    QTest::newRow("small thumbnail") << 100 << QSize(200, 150) << true;
    QTest::newRow("exactly the copy") << 150 << QSize(200, 150) << true;
    QTest::newRow("larger than the copy") << 300 << QSize(400, 300) << false;
    QTest::newRow("full") << 0 << QSize(800, 600) << false;
  }
  void tiffReducedPage() {
    QFETCH(int, minSide);
    QFETCH(QSize, size);
    QFETCH(bool, fromCopy);
    const QString path = dir_.filePath(QStringLiteral("pyramid.tif"));
    QVERIFY(samples::Write(QStringLiteral("tiff-pyramid"), path));
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_tiff"))));
    QCOMPARE(p.FileInfo(path), QSize(800, 600));
    const QImage b = minSide ? p.FileBitmapReduced(path, minSide) : p.FileBitmap(path);
    QCOMPARE(b.size(), size);
    const QColor topRight = PixelAt(b, 3 * b.width() / 4, b.height() / 4);
    QVERIFY2(Near(topRight, fromCopy ? QColor(80, 80, 80) : G, 2), qPrintable(topRight.name()));
  }

  // Hostile files that once made a decoder take gigabytes or many seconds:
  // the header read, the thumbnail and the full decode each stay within a
  // bound of memory and processor time that does not depend on the declared
  // picture size.
  void memoryBound_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<double>("cpuSeconds");  // 0: processor time not bounded
    for (const auto& [plugin, kind] : samples::CraftedKinds()) {
      // The interlaced PNG's 400 megapixels of zeros are really in its data
      // and a thumbnail reads through all of them (several seconds).
      const double cpu = kind == QLatin1String("png-interlaced-huge") ? 0 : 3;
      QTest::newRow(qPrintable(kind)) << plugin << kind << cpu;
    }
  }
  void memoryBound() {
    if (childrun::kSanitized)
      QSKIP("the sanitizer's shadow memory and quarantine make resident figures meaningless");
    QFETCH(QString, plugin);
    QFETCH(QString, kind);
    QFETCH(double, cpuSeconds);
    const QString path = dir_.filePath(kind + QLatin1Char('.') + Suffix(kind));
    QVERIFY(samples::WriteCrafted(kind, path));
    TPlugin p;
    QVERIFY(p.Load(PluginFile(plugin)));
    const qint64 limitMb = 300;
    const QList<QPair<const char*, std::function<QImage()>>> calls = {
        {"info", [&] { return QImage(p.FileInfo(path), QImage::Format_Mono); }},
        {"thumbnail", [&] { return ThumbnailDecode(p, path, 256); }},
        {"full", [&] { return p.FileBitmap(path); }}};
    for (const auto& [name, call] : calls) {
      const childrun::TChildResult r = childrun::RunInChild(call, 240);
      QVERIFY2(r.Finished, name);
      qInfo("%s %s: peak grew by %lld MB, %.2f s of processor time", qPrintable(kind), name,
            r.PeakGrowthMb, r.CpuSeconds);
      QVERIFY2(
          r.PeakGrowthMb < limitMb,
          qPrintable(QStringLiteral("%1: %2 MB").arg(QLatin1String(name)).arg(r.PeakGrowthMb)));
      QVERIFY2(cpuSeconds == 0 || r.CpuSeconds < cpuSeconds,
               qPrintable(QStringLiteral("%1: %2 s").arg(QLatin1String(name)).arg(r.CpuSeconds)));
    }
  }

  // Large real pictures are no decompression bombs: a 50-megapixel photo
  // in each format whose decoder holds the whole picture still gets its
  // size and a thumbnail.
  void largePhoto_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QString>("kind");
    QTest::newRow("avif") << "glimr_heif"
                          << "avif-photo";
    QTest::newRow("jxl") << "glimr_jxl"
                         << "jxl-photo";
  }
  void largePhoto() {
    QFETCH(QString, plugin);
    QFETCH(QString, kind);
    const QString path = dir_.filePath(kind + QLatin1Char('.') + Suffix(kind));
    QVERIFY(samples::Write(kind, path));
    TPlugin p;
    QVERIFY(p.Load(PluginFile(plugin)));
    QCOMPARE(p.FileInfo(path), QSize(8660, 5774));
    const childrun::TChildResult r =
        childrun::RunInChild([&] { return ThumbnailDecode(p, path, 256); }, 240);
    QVERIFY(r.Finished);
    qInfo("%s thumbnail: peak grew by %lld MB, %.2f s of processor time", qPrintable(kind),
          r.PeakGrowthMb, r.CpuSeconds);
    QVERIFY(r.GotBitmap);
    QVERIFY(r.Size.width() >= 256 && r.Size.height() >= 256);
    QVERIFY(r.Size.width() < 8660 && r.Size.height() < 5774);
  }

  // A queued name that turns out to be a FIFO without a writer, a device or
  // a folder: every export gives up at once instead of blocking in open or
  // reading without end.
  void notRegularFile_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QString>("what");
    for (const char* plugin : {"glimr_jpeg", "glimr_png", "glimr_gif", "glimr_tiff", "glimr_webp",
                               "glimr_qtformats", "glimr_heif", "glimr_jxl", "glimr_raw"}) {
      for (const char* what : {"fifo", "device", "folder"}) {
        QTest::newRow((QByteArray(plugin) + ' ' + what).constData())
            << QString::fromLatin1(plugin) << QString::fromLatin1(what);
      }
    }
  }
  void notRegularFile() {
    QFETCH(QString, plugin);
    QFETCH(QString, what);
    const QString suffix =
        plugin == QLatin1String("glimr_qtformats") ? QStringLiteral("bmp") : plugin.mid(6);
    QString path;
    if (what == QLatin1String("fifo")) {
      path = dir_.filePath(QStringLiteral("queue-%1.%2").arg(plugin, suffix));
      QFile::remove(path);
      QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (what == QLatin1String("device")) {
      path = QStringLiteral("/dev/zero");
    } else {
      path = dir_.filePath(QStringLiteral("folder.") + suffix);
      QVERIFY(QDir().mkpath(path));
    }
    TPlugin p;
    QVERIFY(p.Load(PluginFile(plugin)));
    const QList<QPair<const char*, std::function<QImage()>>> calls = {
        {"info", [&] { return QImage(p.FileInfo(path), QImage::Format_Mono); }},
        {"reduced", [&] { return p.FileBitmapReduced(path, 64); }},
        {"full", [&] { return p.FileBitmap(path); }}};
    for (const auto& [name, call] : calls) {
      const childrun::TChildResult r = childrun::RunInChild(call, 20);
      QVERIFY2(r.Finished, name);
      QVERIFY2(!r.GotBitmap, name);
    }
  }

  // The reduced decode of every plug-in gives the same thumbnail as the full
  // decode would, to within rounding, while never being smaller than asked.
  void reducedThumbnail_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("minSide");
    QTest::addColumn<int>("tolerance");
    const QList<QPair<QString, QString>> kinds = {
        {"glimr_png", "png-gradient"},         {"glimr_png", "png-gradient-interlaced"},
        {"glimr_gif", "gif-gradient"},         {"glimr_gif", "gif-gradient-interlaced"},
        {"glimr_tiff", "tiff-gradient"},       {"glimr_tiff", "tiff-gradient-onestrip"},
        {"glimr_tiff", "tiff-gradient-tiled"}, {"glimr_webp", "webp-gradient"},
        {"glimr_webp", "webp-gradient-alpha"}, {"glimr_webp", "webp-gradient-lossless"},
        {"glimr_qtformats", "bmp-gradient"},   {"glimr_jpeg", "jpeg-gradient"},
        {"glimr_heif", "heic-gradient"},       {"glimr_heif", "avif-gradient"},
        {"glimr_jxl", "jxl-gradient"}};
    for (const auto& [plugin, kind] : kinds) {
      for (int minSide : {64, 256, 1000}) {
        QTest::addRow("%s %d", qPrintable(kind), minSide)
            << plugin << kind << minSide << (kind.startsWith(QLatin1String("jpeg")) ? 4 : 2);
      }
    }
  }
  void reducedThumbnail() {
    QFETCH(QString, plugin);
    QFETCH(QString, kind);
    QFETCH(int, minSide);
    QFETCH(int, tolerance);
    const QString path = dir_.filePath(kind + QLatin1Char('.') + Suffix(kind));
    QVERIFY(samples::Write(kind, path));
    TPlugin p;
    QVERIFY(p.Load(PluginFile(plugin)));
    QVERIFY(p.HasReducedDecode());
    const QImage full = p.FileBitmap(path);
    const QImage reduced = p.FileBitmapReduced(path, minSide);
    QVERIFY(!full.isNull());
    QVERIFY(!reduced.isNull());
    QVERIFY(reduced.width() >= std::min(minSide, full.width()));
    QVERIFY(reduced.height() >= std::min(minSide, full.height()));
    QVERIFY(reduced.width() <= full.width() && reduced.height() <= full.height());
    const QImage a = MakeThumbnail(full, minSide);
    const QImage b = MakeThumbnail(reduced, full.size(), minSide);
    QCOMPARE(b.size(), a.size());
    // Averaging twice puts block edges elsewhere than averaging once, so
    // single pixels at sharp steps may differ; the picture as a whole may not.
    qint64 total = 0;
    for (int y = 0; y < a.height(); ++y) {
      const uchar* pa = a.constScanLine(y);
      const uchar* pb = b.constScanLine(y);
      for (int x = 0; x < a.width() * 3; ++x)
        total += qAbs(int(pa[x]) - int(pb[x]));
    }
    const double mean = double(total) / (double(a.width()) * a.height() * 3);
    QVERIFY2(mean <= tolerance, qPrintable(QString::number(mean)));
    // And the picture is the right way round: blue grows along the diagonal.
    QVERIFY(PixelAt(b, b.width() - 2, b.height() - 2).blue() > PixelAt(b, 1, 1).blue() + 100);
  }

  // Where the reduced decode of HEIF and raw files comes from: the embedded
  // thumbnail or preview when it is large enough (the DNG preview is the grey
  // quadrants, the raw data the coloured ones), else the picture itself,
  // developed at half size for raw files when that is large enough.
  void reducedSource_data() {
    QTest::addColumn<QString>("plugin");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("minSide");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QColor>>("quadrants");
    const QList<QColor> q{R, G, B, W};
    const QColor k(0, 0, 0), d(80, 80, 80), l(160, 160, 160);
    QTest::newRow("heic thumbnail") << "glimr_heif"
                                    << "heic-big-thumb" << 100 << QSize(160, 120) << q;
    QTest::newRow("heic thumbnail too small") << "glimr_heif"
                                              << "heic-big-thumb" << 300 << QSize(400, 300) << q;
    QTest::newRow("heic without thumbnail") << "glimr_heif"
                                            << "heic-big" << 100 << QSize(134, 100) << q;
    QTest::newRow("dng preview") << "glimr_raw"
                                 << "dng-80x48-preview" << 20 << QSize(40, 24)
                                 << QList<QColor>{k, d, l, W};
    QTest::newRow("dng preview, DCT-scaled")
        << "glimr_raw"
        << "dng-80x48-preview" << 10 << QSize(20, 12) << QList<QColor>{k, d, l, W};
    QTest::newRow("dng preview turned")
        << "glimr_raw"
        << "dng-80x48-orient6-preview" << 20 << QSize(24, 40) << QList<QColor>{l, k, W, d};
    QTest::newRow("dng preview too small, full") << "glimr_raw"
                                                 << "dng-80x48-preview" << 30 << QSize(80, 48) << q;
    QTest::newRow("dng half size") << "glimr_raw"
                                   << "dng-80x48" << 20 << QSize(40, 24) << q;
    QTest::newRow("dng half size turned")
        << "glimr_raw"
        << "dng-80x48-orient6" << 20 << QSize(24, 40) << QList<QColor>{B, R, W, G};
  }
  void reducedSource() {
    QFETCH(QString, plugin);
    QFETCH(QString, kind);
    QFETCH(int, minSide);
    QFETCH(QSize, size);
    QFETCH(QList<QColor>, quadrants);
    const QString path = dir_.filePath(kind + QLatin1Char('.') + Suffix(kind));
    QVERIFY(samples::Write(kind, path));
    TPlugin p;
    QVERIFY(p.Load(PluginFile(plugin)));
    const QImage b = p.FileBitmapReduced(path, minSide);
    QCOMPARE(b.size(), size);
    const int w = size.width(), h = size.height();
    const QPoint centres[4] = {
        {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (int i = 0; i < 4; ++i) {
      const QColor got = PixelAt(b, centres[i].x(), centres[i].y());
      QVERIFY2(Near(got, quadrants[i], 40),
               qPrintable(QStringLiteral("quadrant %1: %2 instead of %3")
                              .arg(i)
                              .arg(got.name(), quadrants[i].name())));
    }
  }

  // Another program that loads a plug-in (a thumbnailer, a test harness)
  // and exits with it still loaded ends normally, and loading and unloading
  // it a thousand times does not grow the process.
  void otherHost_data() {
    QTest::addColumn<QString>("plugin");
    QTest::newRow("heif") << "glimr_heif";
    QTest::newRow("jxl") << "glimr_jxl";
  }
  void otherHost() {
    QFETCH(QString, plugin);
    QProcess host;
    host.start(QStringLiteral(GLIMR_PLUGIN_HOST), {PluginFile(plugin), QStringLiteral("1000")});
    QVERIFY(host.waitForFinished(240000));
    const QByteArray out = host.readAllStandardOutput();
    QVERIFY2(host.exitStatus() == QProcess::NormalExit,
             qPrintable(QStringLiteral("the host crashed: ") + host.readAllStandardError()));
    QCOMPARE(host.exitCode(), 0);
    const QList<QByteArray> rss = out.trimmed().split(' ');
    QCOMPARE(rss.value(0), QByteArray("rss"));
    const qint64 warmKb = rss.value(1).toLongLong(), endKb = rss.value(2).toLongLong();
    QVERIFY(warmKb > 0 && endKb > 0);
    qInfo("%s: resident %lld KB after 100 loads, %lld KB after 1000", qPrintable(plugin), warmKb,
          endKb);
    if (!childrun::kSanitized)
      QVERIFY2(endKb - warmKb < 2048, qPrintable(QString::number(endKb - warmKb)));
  }

  // HEIF and AVIF: the header read reports exactly the size the decode
  // gives, whatever the container's clean aperture, rotation and mirror,
  // their order among the properties, and an extent that disagrees with the
  // coded picture; an image sequence shows its first frame; reduced decodes (from the embedded
  // thumbnail where there is one) keep the picture's proportions.
  void heifGeometry_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QColor>>("quadrants");  // upright: TL, TR, BL, BR
    const QSize s(40, 24), turned(24, 40);
    QTest::newRow("quarter turn") << "avif-irot1" << turned << QList<QColor>{G, W, R, B};
    QTest::newRow("half turn") << "avif-irot2" << s << QList<QColor>{W, B, G, R};
    QTest::newRow("three quarters") << "avif-irot3" << turned << QList<QColor>{B, R, W, G};
    QTest::newRow("mirror 0") << "avif-imir0" << s << QList<QColor>{B, W, R, G};
    QTest::newRow("mirror 1") << "avif-imir1" << s << QList<QColor>{G, R, W, B};
    QTest::newRow("crop") << "avif-crop" << QSize(30, 18) << QList<QColor>{R, G, B, W};
    QTest::newRow("crop, turn, mirror")
        << "avif-crop-irot1-imir1" << QSize(18, 30) << QList<QColor>{W, G, B, R};
    QTest::newRow("turn before the extent")
        << "avif-irot1-lateispe" << turned << QList<QColor>{G, W, R, B};
    QTest::newRow("crop and turn before the extent")
        << "avif-crop-irot3-lateispe" << QSize(18, 30) << QList<QColor>{B, R, W, G};
    QTest::newRow("extent beyond the coded picture")
        << "avif-largerispe" << s << QList<QColor>{R, G, B, W};
    QTest::newRow("sequence") << "avif-sequence" << s << QList<QColor>{R, G, B, W};
    QTest::newRow("sequence in a track only")
        << "avif-sequence-trackonly" << s << QList<QColor>{R, G, B, W};
    QTest::newRow("picture and thumbnail cut by their extents")
        << "heic-square-thumb-cut" << QSize(640, 428) << QList<QColor>{R, G, B, W};
  }
  void heifGeometry() {
    QFETCH(QString, kind);
    QFETCH(QSize, size);
    QFETCH(QList<QColor>, quadrants);
    const QString path = dir_.filePath(kind + QLatin1Char('.') + Suffix(kind));
    QVERIFY(samples::Write(kind, path));
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_heif"))));
    QCOMPARE(p.FileInfo(path), size);
    const QImage full = p.FileBitmap(path);
    QCOMPARE(full.size(), size);
    const int w = size.width(), h = size.height();
    // The thumbnail's colours are checked only where the picture is whole.
    const int quarterY = kind.contains(QLatin1String("cut")) ? 0 : 3 * h / 4;
    const QPoint centres[4] = {
        {w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, quarterY}, {3 * w / 4, quarterY}};
    for (int i = 0; i < 4; ++i) {
      const QColor got = PixelAt(full, centres[i].x(), centres[i].y());
      QVERIFY2(Near(got, quadrants[quarterY ? i : i % 2], 40),
               qPrintable(QStringLiteral("quadrant %1: %2 instead of %3")
                              .arg(i)
                              .arg(got.name(), quadrants[quarterY ? i : i % 2].name())));
    }
    for (const int minSide : {8, 100}) {
      const QImage reduced = p.FileBitmapReduced(path, minSide);
      QVERIFY(!reduced.isNull());
      const double want = double(w) / h, got = double(reduced.width()) / reduced.height();
      QVERIFY2(qAbs(got - want) <= 0.1 * want, qPrintable(QStringLiteral("%1 x %2 at %3")
                                                              .arg(reduced.width())
                                                              .arg(reduced.height())
                                                              .arg(minSide)));
    }
  }

  void missingFile() {
    for (const char* plugin : {"glimr_jpeg", "glimr_png", "glimr_gif", "glimr_tiff", "glimr_webp",
                               "glimr_qtformats", "glimr_heif", "glimr_jxl", "glimr_raw"}) {
      TPlugin p;
      QVERIFY(p.Load(PluginFile(QLatin1String(plugin))));
      const QString path = dir_.filePath(QStringLiteral("missing.img"));
      QVERIFY(p.FileBitmap(path).isNull());
      QCOMPARE(p.FileInfo(path), QSize(0, 0));
    }
  }
};

QTEST_GUILESS_MAIN(TestPlugins)
#include "test_plugins.moc"
