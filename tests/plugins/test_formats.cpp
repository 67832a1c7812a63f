// Pictures the format plug-ins must read pixel for pixel: GIF frames that
// are shown at once drawn together and clipped to the logical screen, BMP
// bit fields scaled to the full colour range and top-down BMPs, and camera
// raw files whose pixel data are missing. Every file is written here, byte
// by byte, so each case shows exactly what a decoder has to cope with.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include "imaging/plugin.h"

using namespace glimr;

namespace {

constexpr QRgb kGrey = 0xff808080;  // transparent and uncovered pixels

QString PluginFile(const QString& name) {
  return QStringLiteral(GLIMR_PLUGIN_DIR "/") + name + QStringLiteral(".so");
}

void PutLe16(QByteArray& a, int v) {
  a += static_cast<char>(v & 0xff);
  a += static_cast<char>((v >> 8) & 0xff);
}

void PutLe32(QByteArray& a, quint32 v) {
  PutLe16(a, static_cast<int>(v & 0xffff));
  PutLe16(a, static_cast<int>(v >> 16));
}

// A picture of the given colours, row by row.
QImage Picture(int width, int height, const QList<QRgb>& pixels) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int i = 0; i < width * height; ++i)
    image.setPixel(i % width, i / width, pixels.value(i));
  return image;
}

// Colours by letter, for pictures small enough to spell out.
QRgb ColourOf(QChar letter) {
  switch (letter.toLatin1()) {
    case 'K':
      return 0xff000000;
    case 'R':
      return 0xffff0000;
    case 'G':
      return 0xff00ff00;
    case 'B':
      return 0xff0000ff;
    case 'W':
      return 0xffffffff;
    case 'Y':
      return 0xffffff00;
    default:
      return kGrey;
  }
}

QImage Spelled(const QStringList& rows) {
  QList<QRgb> pixels;
  for (const QString& row : rows) {
    for (QChar c : row)
      pixels << ColourOf(c);
  }
  return Picture(rows.value(0).size(), static_cast<int>(rows.size()), pixels);
}

// Where a plug-in's bitmap (blue, green, red bytes) first differs from the
// expected picture by more than tolerance in a channel; empty when it does
// not.
QString Difference(const QImage& bitmap, const QImage& expected, int tolerance) {
  if (bitmap.size() != expected.size()) {
    return QStringLiteral("size %1 x %2, expected %3 x %4")
        .arg(bitmap.width())
        .arg(bitmap.height())
        .arg(expected.width())
        .arg(expected.height());
  }
  for (int y = 0; y < expected.height(); ++y) {
    for (int x = 0; x < expected.width(); ++x) {
      const uchar* p = bitmap.constScanLine(y) + 3 * x;
      const QRgb want = expected.pixel(x, y);
      if (qAbs(p[2] - qRed(want)) > tolerance || qAbs(p[1] - qGreen(want)) > tolerance ||
          qAbs(p[0] - qBlue(want)) > tolerance) {
        return QStringLiteral("(%1, %2) is %3 %4 %5, expected %6 %7 %8")
            .arg(x)
            .arg(y)
            .arg(p[2])
            .arg(p[1])
            .arg(p[0])
            .arg(qRed(want))
            .arg(qGreen(want))
            .arg(qBlue(want));
      }
    }
  }
  return {};
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// ---- GIF -----------------------------------------------------------------

// The global colour table of the GIFs below: the letters of ColourOf, and
// a colour no expected picture uses, for the transparent index.
const QString kGifLetters = QStringLiteral("KRGBWY");
constexpr int kTransparentIndex = 6;
const QList<QRgb> kGifGlobal = {0xff000000, 0xffff0000, 0xff00ff00, 0xff0000ff,
                                0xffffffff, 0xffffff00, 0xff010203};

struct TGifFrame {
  QRect Place;         // on the logical screen
  QByteArray Indexes;  // Place.width() x Place.height(), rows top down
  QList<QRgb> Local;   // its own colour table; empty: the global one
  int Delay = -1;      // -1: no graphic control extension
  int Disposal = 0;
  bool Transparent = false;  // kTransparentIndex is transparent
  bool Interlaced = false;
};

// A frame spelled in the letters of the global table; 't' is transparent.
TGifFrame Frame(QRect place, const QString& pixels, int delay = -1, int disposal = 0) {
  TGifFrame f;
  f.Place = place;
  f.Delay = delay;
  f.Disposal = disposal;
  for (QChar c : pixels) {
    if (c == QLatin1Char('t')) {
      f.Transparent = true;
      f.Indexes += static_cast<char>(kTransparentIndex);
    } else {
      f.Indexes += static_cast<char>(kGifLetters.indexOf(c));
    }
  }
  return f;
}

QByteArray ColourTable(const QList<QRgb>& colours, int* sizeField) {
  int n = 0;
  while ((2 << n) < colours.size())
    ++n;
  QByteArray table;
  for (int i = 0; i < (2 << n); ++i) {
    const QRgb c = colours.value(i);
    table += static_cast<char>(qRed(c));
    table += static_cast<char>(qGreen(c));
    table += static_cast<char>(qBlue(c));
  }
  *sizeField = n;
  return table;
}

// Image data without compression: nine-bit codes, each index a literal,
// with a clear code often enough that the code size never grows.
QByteArray LzwLiterals(const QByteArray& indexes) {
  constexpr int kClear = 256, kEnd = 257;
  QByteArray codes;
  quint32 bits = 0;
  int count = 0;
  const auto put = [&](int code) {
    bits |= static_cast<quint32>(code) << count;
    for (count += 9; count >= 8; count -= 8, bits >>= 8)
      codes += static_cast<char>(bits & 0xff);
  };
  put(kClear);
  for (int i = 0; i < indexes.size(); ++i) {
    if (i > 0 && i % 100 == 0)
      put(kClear);
    put(static_cast<uchar>(indexes[i]));
  }
  put(kEnd);
  if (count > 0)
    codes += static_cast<char>(bits & 0xff);
  QByteArray blocks(1, char(8));  // minimum code size
  for (int at = 0; at < codes.size(); at += 255) {
    const int n = qMin(255, static_cast<int>(codes.size()) - at);
    blocks += static_cast<char>(n);
    blocks += codes.mid(at, n);
  }
  blocks += char(0);
  return blocks;
}

// The rows in the order an interlaced frame sends them.
QByteArray Interlace(const QByteArray& indexes, int width, int height) {
  QByteArray out;
  for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
    for (int y = start; y < height; y += step)
      out += indexes.mid(y * width, width);
  }
  return out;
}

QByteArray GifBytes(QSize screen, const QList<TGifFrame>& frames) {
  QByteArray a("GIF89a");
  PutLe16(a, screen.width());
  PutLe16(a, screen.height());
  int size = 0;
  const QByteArray global = ColourTable(kGifGlobal, &size);
  a += static_cast<char>(0x80 | 0x70 | size);
  a += char(0);  // background index
  a += char(0);  // pixel aspect
  a += global;
  for (const TGifFrame& f : frames) {
    if (f.Delay >= 0 || f.Transparent || f.Disposal) {
      a += "\x21\xf9\x04";
      a += static_cast<char>((f.Disposal << 2) | (f.Transparent ? 1 : 0));
      PutLe16(a, qMax(0, f.Delay));
      a += static_cast<char>(kTransparentIndex);
      a += char(0);
    }
    a += ',';
    PutLe16(a, f.Place.x());
    PutLe16(a, f.Place.y());
    PutLe16(a, f.Place.width());
    PutLe16(a, f.Place.height());
    int localSize = 0;
    const QByteArray local = f.Local.isEmpty() ? QByteArray() : ColourTable(f.Local, &localSize);
    a += static_cast<char>((f.Local.isEmpty() ? 0 : 0x80 | localSize) | (f.Interlaced ? 0x40 : 0));
    a += local;
    a += LzwLiterals(f.Interlaced ? Interlace(f.Indexes, f.Place.width(), f.Place.height())
                                  : f.Indexes);
  }
  a += ';';
  return a;
}

// Rows of a picture in more colours than one table holds: each row is a
// frame of its own with its own colour table.
void HighColour(QList<TGifFrame>* frames, QImage* expected) {
  constexpr int kWidth = 20, kHeight = 16;
  QList<QRgb> pixels;
  for (int y = 0; y < kHeight; ++y) {
    TGifFrame f;
    f.Place = QRect(0, y, kWidth, 1);
    for (int x = 0; x < kWidth; ++x) {
      const QRgb c = qRgb(x * 12 + 3, y * 15 + 5, 77);
      f.Local << c;
      f.Indexes += static_cast<char>(x);
      pixels << c;
    }
    *frames << f;
  }
  *expected = Picture(kWidth, kHeight, pixels);
}

// ---- BMP -----------------------------------------------------------------

struct TBmp {
  int Width = 0;
  int Height = 0;  // negative: rows stored top down
  int Bits = 16;
  int Compression = 0;  // 0 plain, 3 bit fields
  int HeaderSize = 40;
  QList<quint32> Masks;  // red, green, blue[, alpha]
  QList<QRgb> Palette;
  QList<QByteArray> Rows;  // top row first, without padding
};

QByteArray BmpBytes(const TBmp& b) {
  const int stride = ((b.Width * b.Bits + 31) / 32) * 4;
  QByteArray pixels;
  for (int i = 0; i < b.Rows.size(); ++i) {
    const QByteArray& row = b.Rows[b.Height < 0 ? i : b.Rows.size() - 1 - i];
    pixels += row.leftJustified(stride, '\0', true);
  }
  QByteArray info;
  PutLe32(info, static_cast<quint32>(b.HeaderSize));
  PutLe32(info, static_cast<quint32>(b.Width));
  PutLe32(info, static_cast<quint32>(b.Height));
  PutLe16(info, 1);
  PutLe16(info, b.Bits);
  PutLe32(info, static_cast<quint32>(b.Compression));
  PutLe32(info, static_cast<quint32>(pixels.size()));
  PutLe32(info, 2835);
  PutLe32(info, 2835);
  PutLe32(info, static_cast<quint32>(b.Palette.size()));
  PutLe32(info, 0);
  QByteArray masks;
  for (quint32 m : b.Masks)
    PutLe32(masks, m);
  if (b.HeaderSize > 40) {
    info += masks.leftJustified(16, '\0', true);
    info = info.leftJustified(b.HeaderSize, '\0');
    masks.clear();
  }
  QByteArray palette;
  for (QRgb c : b.Palette) {
    palette += static_cast<char>(qBlue(c));
    palette += static_cast<char>(qGreen(c));
    palette += static_cast<char>(qRed(c));
    palette += char(0);
  }
  const int offset = 14 + static_cast<int>(info.size() + masks.size() + palette.size());
  QByteArray a("BM");
  PutLe32(a, static_cast<quint32>(offset + pixels.size()));
  PutLe32(a, 0);
  PutLe32(a, static_cast<quint32>(offset));
  return a + info + masks + palette + pixels;
}

QByteArray Row16(const QList<int>& values) {
  QByteArray row;
  for (int v : values)
    PutLe16(row, v);
  return row;
}

// ---- Camera raw ----------------------------------------------------------

// The value of a tag of the first IFD of a little-endian TIFF whose value
// sits in the entry itself; 0 when the tag is absent.
quint32 TagValue(const QByteArray& tiff, quint16 tag) {
  const quint32 ifd = qFromLittleEndian<quint32>(tiff.constData() + 4);
  const int count = qFromLittleEndian<quint16>(tiff.constData() + ifd);
  for (int i = 0; i < count; ++i) {
    const char* e = tiff.constData() + ifd + 2 + 12 * i;
    if (qFromLittleEndian<quint16>(e) == tag)
      return qFromLittleEndian<quint16>(e + 2) == 3 ? qFromLittleEndian<quint16>(e + 8)
                                                    : qFromLittleEndian<quint32>(e + 8);
  }
  return 0;
}

bool SetTag(QByteArray& tiff, quint16 tag, quint32 value) {
  const quint32 ifd = qFromLittleEndian<quint32>(tiff.constData() + 4);
  const int count = qFromLittleEndian<quint16>(tiff.constData() + ifd);
  for (int i = 0; i < count; ++i) {
    char* e = tiff.data() + ifd + 2 + 12 * i;
    if (qFromLittleEndian<quint16>(e) == tag) {
      qToLittleEndian<quint32>(value, e + 8);  // a SHORT takes the first two bytes
      return true;
    }
  }
  return false;
}

}  // namespace

class TestFormats : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(name);
    return WriteFile(path, bytes) ? path : QString();
  }

 private Q_SLOTS:
  // The picture of a GIF is its logical screen as first shown: the first
  // frame and every frame that follows it without a delay, each drawn
  // over what its predecessor left (its disposal applied) and clipped to
  // the screen. The header read reports the same size the decode gives.
  void gifFirstPicture_data() {
    QTest::addColumn<QByteArray>("gif");
    QTest::addColumn<QImage>("expected");
    const auto row = [](const char* name, QSize screen, const QList<TGifFrame>& frames,
                        const QStringList& expected) {
      QTest::newRow(name) << GifBytes(screen, frames) << Spelled(expected);
    };
    const QRect left(0, 0, 2, 2), right(2, 0, 2, 2);
    row("one frame", {4, 2}, {Frame(left, "RGBW")}, {"RG..", "BW.."});
    row("frames without control are one picture", {4, 2},
        {Frame(left, "RRRR"), Frame(right, "BBBB")}, {"RRBB", "RRBB"});
    row("frames with no delay are one picture", {4, 2},
        {Frame(left, "RRRR", 0), Frame(right, "BBBB", 0)}, {"RRBB", "RRBB"});
    row("a delay ends the picture", {4, 2}, {Frame(left, "RRRR", 10), Frame(right, "BBBB")},
        {"RR..", "RR.."});
    row("the frame with a delay is the last", {4, 1},
        {Frame({0, 0, 2, 1}, "RR", 0), Frame({2, 0, 1, 1}, "B", 5), Frame({3, 0, 1, 1}, "G")},
        {"RRB."});
    row("later frames cover earlier ones", {4, 1},
        {Frame({0, 0, 4, 1}, "RRRR"), Frame({1, 0, 2, 1}, "GG")}, {"RGGR"});
    row("transparent pixels keep what is below", {4, 1},
        {Frame({0, 0, 4, 1}, "RRRR"), Frame({0, 0, 4, 1}, "tGtB")}, {"RGRB"});
    row("transparency in the first frame", {3, 1}, {Frame({0, 0, 3, 1}, "RtB")}, {"R.B"});
    row("disposal to background clears the frame", {4, 1},
        {Frame({0, 0, 2, 1}, "RR", 0, 2), Frame({2, 0, 2, 1}, "BB")}, {"..BB"});
    row("disposal to previous restores what was below", {4, 1},
        {Frame({0, 0, 4, 1}, "RRRR", 0, 1), Frame({0, 0, 2, 1}, "GG", 0, 3),
         Frame({2, 0, 2, 1}, "BB")},
        {"RRBB"});
    row("disposal to previous on an empty screen", {4, 1},
        {Frame({0, 0, 2, 1}, "GG", 0, 3), Frame({2, 0, 2, 1}, "BB")}, {"..BB"});
    row("the last frame stays whatever its disposal", {4, 1},
        {Frame({0, 0, 4, 1}, "RRRR"), Frame({0, 0, 2, 1}, "GG", 0, 2)}, {"GGRR"});
    TGifFrame interlaced = Frame({1, 0, 1, 5}, "YWBGR");
    interlaced.Interlaced = true;
    row("an interlaced frame joins in its rows' places", {2, 5},
        {Frame({0, 0, 1, 5}, "RGBWY"), interlaced}, {"RY", "GW", "BB", "WG", "YR"});
    row("a frame larger than the screen is clipped", {2, 2}, {Frame({0, 0, 3, 3}, "RGBGBRBRG")},
        {"RG", "GB"});
    row("a frame past the right and bottom edge is clipped", {3, 2},
        {Frame({1, 1, 3, 2}, "RGBBGR")}, {"...", ".RG"});
    row("a later frame past the edge is clipped", {3, 1},
        {Frame({0, 0, 1, 1}, "R"), Frame({2, 0, 3, 1}, "GBW")}, {"R.G"});
    row("a frame outside the screen leaves no trace", {2, 1},
        {Frame({0, 0, 2, 1}, "RR"), Frame({5, 3, 1, 1}, "B")}, {"RR"});
    row("a screen of no size takes the first frame's", {0, 0}, {Frame({0, 0, 2, 1}, "RB")}, {"RB"});
    // The file ends inside the second frame's data (its last byte, the
    // block terminator and the trailer are gone): the first frame stands.
    QByteArray cut = GifBytes({4, 1}, {Frame({0, 0, 2, 1}, "RR"), Frame({2, 0, 2, 1}, "BB")});
    cut.chop(3);
    QTest::newRow("a later frame cut off is left out") << cut << Spelled({"RR.."});
    QList<TGifFrame> tiles;
    QImage colours;
    HighColour(&tiles, &colours);
    QTest::newRow("more colours than one table, in frames of their own")
        << GifBytes(colours.size(), tiles) << colours;
  }
  void gifFirstPicture() {
    QFETCH(QByteArray, gif);
    QFETCH(QImage, expected);
    const QString path = Write(QStringLiteral("picture.gif"), gif);
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_gif"))));
    QCOMPARE(p.FileInfo(path), expected.size());
    const QString full = Difference(p.FileBitmap(path), expected, 0);
    QVERIFY2(full.isEmpty(), qPrintable(full));
    // Asked for more than the picture has: the reduced decode is full size.
    const QString reduced = Difference(p.FileBitmapReduced(path, 4096), expected, 0);
    QVERIFY2(reduced.isEmpty(), qPrintable(reduced));
  }

  // A thumbnail of combined frames averages the combined picture.
  void gifReducedCombination() {
    const QString path =
        Write(QStringLiteral("halves.gif"),
              GifBytes({64, 32}, {Frame({0, 0, 32, 32}, QString(1024, QLatin1Char('R'))),
                                  Frame({32, 0, 32, 32}, QString(1024, QLatin1Char('B')))}));
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_gif"))));
    const QImage b = p.FileBitmapReduced(path, 8);
    QVERIFY(b.width() >= 16 && b.height() >= 8 && b.width() == 2 * b.height());
    QList<QRgb> halves;
    for (int i = 0; i < b.width() * b.height(); ++i)
      halves << (i % b.width() < b.width() / 2 ? 0xffff0000 : 0xff0000ff);
    const QString d = Difference(b, Picture(b.width(), b.height(), halves), 0);
    QVERIFY2(d.isEmpty(), qPrintable(d));
  }

  // BMP pictures through the Qt formats plug-in: 16-bit channels are
  // scaled to the full 0..255 range (the top value is white, not 248),
  // and pictures stored top down report their size and keep their rows'
  // order. A null picture: the file must be refused.
  void bmpPixels_data() {
    QTest::addColumn<QByteArray>("bmp");
    QTest::addColumn<QImage>("expected");
    QTest::addColumn<int>("tolerance");
    const QImage plainColours =
        Picture(4, 1, {0xffffffff, 0xffff0000, qRgb(132, 66, 8), 0xff000000});
    const QByteArray plainRow = Row16({0x7fff, 0x7c00, (16 << 10) | (8 << 5) | 1, 0});
    TBmp b;
    b.Width = 4;
    b.Height = 1;
    b.Rows = {plainRow};
    QTest::newRow("16-bit 5-5-5") << BmpBytes(b) << plainColours << 0;
    b.Compression = 3;
    b.Masks = {0x7c00, 0x03e0, 0x001f};
    QTest::newRow("16-bit 5-5-5 in bit fields") << BmpBytes(b) << plainColours << 0;
    const QImage wideGreen = Picture(4, 1, {0xffffffff, 0xffff0000, 0xff00ff00, qRgb(132, 130, 8)});
    b.Masks = {0xf800, 0x07e0, 0x001f};
    b.Rows = {Row16({0xffff, 0xf800, 0x07e0, (16 << 11) | (32 << 5) | 1})};
    QTest::newRow("16-bit 5-6-5 in bit fields") << BmpBytes(b) << wideGreen << 0;
    b.HeaderSize = 108;
    QTest::newRow("16-bit 5-6-5, masks in a version 4 header") << BmpBytes(b) << wideGreen << 0;
    b.HeaderSize = 124;
    QTest::newRow("16-bit 5-6-5, masks in a version 5 header") << BmpBytes(b) << wideGreen << 0;
    b.HeaderSize = 108;
    b.Masks = {0x0f00, 0x00f0, 0x000f, 0xf000};
    b.Rows = {Row16({0xffff, 0x0f00, 0x8f00, 0xf0f0})};
    // Alpha 8 of 15 is 136 of 255, laid on the grey like every transparency.
    QTest::newRow("16-bit 4-4-4-4 with alpha")
        << BmpBytes(b) << Picture(4, 1, {0xffffffff, kGrey, qRgb(196, 60, 60), 0xff00ff00}) << 1;
    TBmp topDown;
    topDown.Width = 2;
    topDown.Height = -2;
    topDown.Compression = 3;
    topDown.Masks = {0xf800, 0x07e0, 0x001f};
    topDown.Rows = {Row16({0xffff, 0xf800}), Row16({0x07e0, 0x001f})};
    QTest::newRow("16-bit, top down") << BmpBytes(topDown) << Spelled({"WR", "GB"}) << 0;
    TBmp indexed;
    indexed.Width = 3;
    indexed.Height = -2;
    indexed.Bits = 8;
    indexed.Palette = {0xffff0000, 0xff00ff00, 0xff0000ff};
    indexed.Rows = {QByteArray::fromHex("000102"), QByteArray::fromHex("020100")};
    QTest::newRow("8-bit, top down") << BmpBytes(indexed) << Spelled({"RGB", "BGR"}) << 0;
    indexed.Height = 2;
    QTest::newRow("8-bit, bottom up") << BmpBytes(indexed) << Spelled({"RGB", "BGR"}) << 0;
    TBmp trueColour;
    trueColour.Width = 2;
    trueColour.Height = -2;
    trueColour.Bits = 24;
    trueColour.Rows = {QByteArray::fromHex("0000ff00ff00"), QByteArray::fromHex("ff0000ffffff")};
    QTest::newRow("24-bit, top down") << BmpBytes(trueColour) << Spelled({"RG", "BW"}) << 0;
    QByteArray cut = BmpBytes(topDown);
    cut.chop(2);
    QTest::newRow("16-bit, a row cut short") << cut << QImage() << 0;
  }
  void bmpPixels() {
    QFETCH(QByteArray, bmp);
    QFETCH(QImage, expected);
    QFETCH(int, tolerance);
    const QString path = Write(QStringLiteral("picture.bmp"), bmp);
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_qtformats"))));
    if (expected.isNull()) {
      QVERIFY(p.FileBitmap(path).isNull());
      QVERIFY(p.FileBitmapReduced(path, 1).isNull());
      return;
    }
    QCOMPARE(p.FileInfo(path), expected.size());
    const QString full = Difference(p.FileBitmap(path), expected, tolerance);
    QVERIFY2(full.isEmpty(), qPrintable(full));
    const QString reduced = Difference(p.FileBitmapReduced(path, 4096), expected, tolerance);
    QVERIFY2(reduced.isEmpty(), qPrintable(reduced));
  }

  // A camera raw file whose compressed pixel data are missing or unreadable
  // gives no picture at all, rather than a black one of the full size; the
  // intact file still develops.
  void rawMissingData_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("decodable");
    QTest::newRow("intact") << "none" << true;
    QTest::newRow("lossless JPEG data past the end of the file") << "past-end" << false;
    QTest::newRow("lossless JPEG data cut off") << "cut-off" << false;
    QTest::newRow("lossless JPEG data zeroed") << "zeroed" << false;
  }
  void rawMissingData() {
    QFETCH(QString, damage);
    QFETCH(bool, decodable);
    if (!QFile::exists(PluginFile(QStringLiteral("glimr_raw"))))
      QSKIP("the camera raw plug-in is not built (LibRaw missing)");
    const QString source = dir_.filePath(QStringLiteral("intact.dng"));
    QProcess tool;
    tool.start(QStringLiteral("python3"),
               {QStringLiteral(GLIMR_SOURCE_DIR "/tests/plugins/samples/make_dng.py"), source,
                QStringLiteral("40"), QStringLiteral("24")});
    QVERIFY(tool.waitForFinished(60000) && tool.exitCode() == 0);
    QFile f(source);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QByteArray dng = f.readAll();
    const quint32 data = TagValue(dng, 273);  // the one strip
    QVERIFY(data > 8 && data + 40 * 24 * 2 <= static_cast<quint32>(dng.size()));
    if (damage != QLatin1String("none"))
      QVERIFY(SetTag(dng, 259, 7));  // compression: lossless JPEG
    if (damage == QLatin1String("past-end"))
      QVERIFY(SetTag(dng, 273, 1000000));
    else if (damage == QLatin1String("cut-off"))
      dng.truncate(data);
    else if (damage == QLatin1String("zeroed"))
      dng.replace(data, 40 * 24 * 2, QByteArray(40 * 24 * 2, '\0'));
    const QString path = Write(QStringLiteral("damaged.dng"), dng);
    TPlugin p;
    QVERIFY(p.Load(PluginFile(QStringLiteral("glimr_raw"))));
    const QImage full = p.FileBitmap(path);
    const QImage reduced = p.FileBitmapReduced(path, 8);
    if (!decodable) {
      QVERIFY2(full.isNull(), "a full-size picture of missing data");
      QVERIFY2(reduced.isNull(), "a thumbnail of missing data");
      return;
    }
    QCOMPARE(full.size(), QSize(40, 24));
    QVERIFY(!reduced.isNull());
    // The top left quadrant of the mosaic is red.
    const uchar* p0 = full.constScanLine(4) + 3 * 4;
    QVERIFY2(p0[2] > 100 && p0[1] < 100, "the intact file develops its colours");
  }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "test_formats.moc"
