#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/regstore.h"
#include "imaging/decode.h"
#include "imaging/pluginregistration.h"
#include "imaging/plugins.h"
#include "imaging/scaler.h"

using namespace glimr;

namespace {

// The plug-ins this build made (the photo formats over optional libraries
// are left out where a library is missing).
int ShippedPluginCount() {
  return static_cast<int>(QDir(QStringLiteral(GLIMR_PLUGIN_DIR))
                              .entryList({QStringLiteral("glimr_*.so")}, QDir::Files)
                              .size());
}

const QString kRoot = kPluginsKey;

QString TestPlugin(const char* name) {
  return QStringLiteral(GLIMR_TEST_PLUGIN_DIR "/") + QLatin1String(name) + QStringLiteral(".so");
}

QString SubKey(const QString& name) {
  return kRoot + QLatin1Char('\\') + name;
}

// One plug-in subkey; a negative canLoad or priority leaves the value out.
void AddSubKey(RegStore& s, const QString& name, const QString& file, int canLoad = 1,
               int priority = 0) {
  s.CreateKey(SubKey(name));
  if (canLoad >= 0)
    s.WriteDword(SubKey(name), QStringLiteral("CanLoadPlugin"), canLoad);
  if (priority >= 0)
    s.WriteDword(SubKey(name), QStringLiteral("PluginPriority"), priority);
  if (!file.isEmpty())
    s.WriteString(SubKey(name), QStringLiteral("PluginFileName"), file);
}

// The blue byte of the test plug-ins' bitmap says which plug-in decoded.
int DecodedBy(const TPlugins& set, const QString& path) {
  const QImage b = DecodeFile(set, path);
  return b.isNull() ? -1 : b.constBits()[0];
}

// A bitmap whose blue/green/red bytes of pixel (x, y) come from fn.
template <typename Fn>
QImage Filled(int w, int h, Fn fn) {
  QImage b = NewImage24(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int v = fn(x, y);
      std::uint8_t* p = b.scanLine(y) + 3 * x;
      p[0] = p[1] = p[2] = static_cast<std::uint8_t>(v);
    }
  }
  return b;
}

// The three bytes of pixel (x, y).
const std::uint8_t* PixelOf(const QImage& b, int x, int y) {
  return b.constScanLine(y) + 3 * x;
}

std::vector<int> BlueRow(const QImage& b, int y) {
  std::vector<int> out;
  for (int x = 0; x < b.width(); ++x)
    out.push_back(PixelOf(b, x, y)[0]);
  return out;
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<int>)

class TestImaging : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString RegFile() const { return dir_.filePath(QStringLiteral("Glimr.reg")); }

 private Q_SLOTS:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    qputenv("GLIMR_HOME", dir_.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
  }

  // --- the plug-in set ---------------------------------------------------

  void lowerPriorityWinsAndExtensionAppearsOnce() {
    RegStore s(RegFile());
    AddSubKey(s, QStringLiteral("a"), TestPlugin("tp_jpg1"), 1, 1);
    AddSubKey(s, QStringLiteral("b"), TestPlugin("tp_jpg0"), 1, 0);
    TPlugins set(s);
    set.LoadPlugins();
    QCOMPARE(set.Count(), 2);
    QCOMPARE(set.PluginAt(0)->Name(), QStringLiteral("Jpg0"));
    QCOMPARE(set.PluginNameAt(1), QStringLiteral("Jpg1"));
    QCOMPARE(set.PluginForExtension(QStringLiteral("JPG"))->Name(), QStringLiteral("Jpg0"));
    QCOMPARE(DecodedBy(set, QStringLiteral("/x/photo.jpg")), 10);
    // First appearance in loading order: JPG and J1 from the first loaded
    // plug-in, J0 from the last.
    QCOMPARE(set.ExtensionCount(), 3);
    QCOMPARE(set.ExtensionAt(0), QStringLiteral("JPG"));
    QCOMPARE(set.ExtensionAt(1), QStringLiteral("J1"));
    QCOMPARE(set.ExtensionAt(2), QStringLiteral("J0"));
    QCOMPARE(set.ExtensionAt(-1), QString());
    QCOMPARE(set.ExtensionAt(3), QString());
    QCOMPARE(set.PluginForExtension(QStringLiteral("j1"))->Name(), QStringLiteral("Jpg1"));
  }

  void equalPrioritiesKeepLoadingOrder() {
    RegStore s(RegFile());
    AddSubKey(s, QStringLiteral("first"), TestPlugin("tp_jpg1"), 1, 5);
    AddSubKey(s, QStringLiteral("second"), TestPlugin("tp_jpg0"), 1, 5);
    TPlugins set(s);
    set.LoadPlugins();
    QCOMPARE(DecodedBy(set, QStringLiteral("a.JPG")), 11);
  }

  void extensionLookupIgnoresCase() {
    RegStore s(RegFile());
    AddSubKey(s, QStringLiteral("good"), TestPlugin("tp_good"));
    TPlugins set(s);
    set.LoadPlugins();
    QCOMPARE(set.ExtensionAt(1), QStringLiteral("jpg"));  // text kept as reported
    for (const char* e : {"JPG", "jpg", "Jpg", "tst"}) {
      QVERIFY2(set.PluginForExtension(QLatin1String(e)), e);
    }
    QVERIFY(!set.PluginForExtension(QStringLiteral("PNG")));
    QVERIFY(!set.PluginForExtension(QString()));
    QCOMPARE(DecodedBy(set, QStringLiteral("/a.b/IMG.JpG")), 7);
    QCOMPARE(DecodedBy(set, QStringLiteral("/a.jpg/noext")), -1);
    QCOMPARE(DecodedBy(set, QStringLiteral("/a/b.png")), -1);
    QCOMPARE(set.PluginAt(0)->FileInfo(QStringLiteral("x")), QSize(640, 7));
  }

  void rejectedLibraryLosesItsSubKey_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("missing library") << dir_.filePath(QStringLiteral("gone.so"));
    QTest::newRow("wrong type text") << TestPlugin("tp_wrongtype");
    QTest::newRow("no GetSupplyExtensions") << TestPlugin("tp_nosupply");
    QTest::newRow("not a library") << QStringLiteral(GLIMR_SOURCE_DIR "/CMakeLists.txt");
  }
  void rejectedLibraryLosesItsSubKey() {
    QFETCH(QString, file);
    RegStore s(RegFile());
    AddSubKey(s, QStringLiteral("good"), TestPlugin("tp_good"));
    AddSubKey(s, QStringLiteral("bad"), file);
    AddSubKey(s, QStringLiteral("after"), TestPlugin("tp_jpg0"));
    TPlugins set(s);
    set.LoadPlugins();
    QCOMPARE(set.Count(), 2);
    QCOMPARE(s.SubKeys(kRoot), QStringList({QStringLiteral("good"), QStringLiteral("after")}));
  }

  void subKeyWithoutFileNameIsKeptAndSkipped() {
    RegStore s(RegFile());
    AddSubKey(s, QStringLiteral("nofile"), QString(), 1, 3);
    AddSubKey(s, QStringLiteral("good"), TestPlugin("tp_good"), -1, -1);
    TPlugins set(s);
    set.LoadPlugins();
    QCOMPARE(set.Count(), 1);
    QVERIFY(s.KeyExists(SubKey(QStringLiteral("nofile"))));
    // PluginPriority carried over from the skipped subkey before it.
    QCOMPARE(set.PluginAt(0)->Priority(), 3);
  }

  void missingValuesCarryOver() {
    RegStore s(RegFile());
    AddSubKey(s, QStringLiteral("off"), TestPlugin("tp_good"), 0, 0);
    AddSubKey(s, QStringLiteral("inherits off"), TestPlugin("tp_jpg0"), -1, -1);
    AddSubKey(s, QStringLiteral("on"), TestPlugin("tp_jpg1"), 1, 9);
    AddSubKey(s, QStringLiteral("inherits 9"), TestPlugin("tp_nodecode"), -1, -1);
    TPlugins set(s);
    set.LoadPlugins();
    QCOMPARE(set.Count(), 2);
    QCOMPARE(set.PluginNameAt(0), QStringLiteral("Jpg1"));
    QCOMPARE(set.PluginAt(1)->Priority(), 9);
    QCOMPARE(s.SubKeys(kRoot).size(), 4);  // disabled ones are not deleted
  }

  void pluginWithoutDecodeExports() {
    RegStore s(RegFile());
    AddSubKey(s, QStringLiteral("nd"), TestPlugin("tp_nodecode"));
    TPlugins set(s);
    set.LoadPlugins();
    TPlugin* p = set.PluginForExtension(QStringLiteral("nd"));
    QVERIFY(p);
    QCOMPARE(p->ExtensionsCount(), 2);  // duplicates kept in the plug-in's list
    QCOMPARE(set.ExtensionCount(), 1);
    QVERIFY(p->FileBitmap(QStringLiteral("a.nd")).isNull());
    QCOMPARE(p->FileInfo(QStringLiteral("a.nd")), QSize(0, 0));
    QVERIFY(!p->HasReducedDecode());
  }

  void missingKeyIsCreated() {
    RegStore s(RegFile());
    TPlugins set(s);
    set.LoadPlugins();
    QVERIFY(s.KeyExists(kRoot));
    QCOMPARE(set.ExtensionCount(), 0);
    QCOMPARE(set.ExtensionAt(0), QString());
  }

  void firstRunRegistersShippedPlugins() {
    RegStore s(RegFile());
    QCOMPARE(RegisterShippedPlugins(s, QStringLiteral(GLIMR_PLUGIN_DIR)), ShippedPluginCount());
    QCOMPARE(
        s.ReadDword(SubKey(QStringLiteral("glimr_qtformats")), QStringLiteral("PluginPriority")),
        100u);
    QCOMPARE(s.ReadDword(SubKey(QStringLiteral("glimr_jpeg")), QStringLiteral("PluginPriority")),
             0u);
    QCOMPARE(s.ReadDword(SubKey(QStringLiteral("glimr_jpeg")), QStringLiteral("CanLoadPlugin")),
             1u);
    QCOMPARE(RegisterShippedPlugins(s, QStringLiteral(GLIMR_PLUGIN_DIR)), 0);

    TPlugins set(s);
    set.LoadPlugins();
    QCOMPARE(set.Count(), ShippedPluginCount());
    QCOMPARE(set.PluginNameAt(set.Count() - 1), QStringLiteral("Qt image readers"));
    QVERIFY(set.PluginForExtension(QStringLiteral("jpg"))->Name().startsWith("JPEG"));
    QVERIFY(set.PluginForExtension(QStringLiteral("jpg"))->HasReducedDecode());
    QCOMPARE(set.PluginForExtension(QStringLiteral("bmp"))->Name(),
             QStringLiteral("Qt image readers"));

    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString jpg = dir_.filePath(QStringLiteral("Photo.JPG"));
    QVERIFY(image.save(jpg, "JPG"));
    const QImage b = DecodeFile(set, jpg);
    QCOMPARE(b.width(), 30);
    QCOMPARE(b.format(), QImage::Format_BGR888);
    QVERIFY(PixelOf(b, 5, 5)[2] > 240 && PixelOf(b, 5, 5)[0] < 15);  // blue, green, red order

    const TDecodedImage t = DecodeFileForThumbnail(set, jpg, 3);
    QCOMPARE(t.FullSize, QSize(30, 20));
    QCOMPARE(t.Bitmap.size(), QSize(4, 3));  // 1/8 scale
    QVERIFY(
        DecodeFileForThumbnail(set, dir_.filePath(QStringLiteral("none.jpg")), 4).Bitmap.isNull());
  }

  // Two copies of Glimr (a build and an install) share one settings file:
  // each loads the shipped libraries of its own folder, and a shipped
  // plug-in the settings do not list yet (a newer version's) is added,
  // while a plug-in the user switched off stays off.
  void shippedPluginsOfTheRunningCopy() {
    const QString a = dir_.filePath(QStringLiteral("copyA"));
    const QString b = dir_.filePath(QStringLiteral("copyB"));
    QDir().mkpath(a);
    QDir().mkpath(b);
    for (const char* name : {"glimr_jpeg.so", "glimr_png.so"}) {
      QVERIFY(QFile::copy(QStringLiteral(GLIMR_PLUGIN_DIR "/") + name, a + "/" + name));
      QVERIFY(QFile::copy(QStringLiteral(GLIMR_PLUGIN_DIR "/") + name, b + "/" + name));
    }
    QVERIFY(QFile::copy(QStringLiteral(GLIMR_PLUGIN_DIR "/glimr_gif.so"), b + "/glimr_gif.so"));
    RegStore s(RegFile());
    QCOMPARE(RegisterShippedPlugins(s, a), 2);
    s.WriteDword(SubKey(QStringLiteral("glimr_png")), QStringLiteral("CanLoadPlugin"), 0);

    const TPluginSetPtr set = LoadPluginSet(s, b);
    QCOMPARE(set->Count(), 2);  // jpeg and the newly shipped gif; png stays off
    for (int i = 0; i < set->Count(); ++i) {
      QVERIFY2(set->PluginAt(i)->FileName().startsWith(b),
               qPrintable(set->PluginAt(i)->FileName()));
    }
    QVERIFY(set->PluginForExtension(QStringLiteral("gif")));
    QVERIFY(!set->PluginForExtension(QStringLiteral("png")));
  }

  // A file whose extension lies (a PNG saved as .jpg, a web page's WebP
  // saved as .jpg) is decoded by the plug-in its first bytes point to.
  void extensionThatLies_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("name");
    QTest::newRow("PNG named .jpg") << "PNG"
                                    << "really-png.jpg";
    QTest::newRow("JPEG named .png") << "JPG"
                                     << "really-jpeg.png";
    QTest::newRow("WebP named .jpg") << "WEBP"
                                     << "really-webp.jpg";
    QTest::newRow("TIFF named .gif") << "TIFF"
                                     << "really-tiff.gif";
  }
  void extensionThatLies() {
    QFETCH(QString, format);
    QFETCH(QString, name);
    RegStore s(RegFile());
    RegisterShippedPlugins(s, QStringLiteral(GLIMR_PLUGIN_DIR));
    TPlugins set(s);
    set.LoadPlugins();
    QImage image(40, 24, QImage::Format_RGB32);
    image.fill(Qt::green);
    const QString path = dir_.filePath(name);
    QVERIFY(image.save(path, format.toLatin1().constData()));
    QCOMPARE(DecodeFile(set, path).size(), QSize(40, 24));
    const TDecodedImage t = DecodeFileForThumbnail(set, path, 8);
    QVERIFY(!t.Bitmap.isNull());
    QCOMPARE(t.FullSize, QSize(40, 24));
  }

  void sniffImageType() {
    QCOMPARE(SniffImageType(QByteArray("\xFF\xD8\xFF\xE0", 4)), QStringLiteral("JPG"));
    QCOMPARE(SniffImageType(QByteArray("\x89PNG\r\n\x1A\n....", 12)), QStringLiteral("PNG"));
    QCOMPARE(SniffImageType("GIF89a"), QStringLiteral("GIF"));
    QCOMPARE(SniffImageType(QByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16)), QStringLiteral("WEBP"));
    QCOMPARE(SniffImageType(QByteArray("\0\0\0\x1C"
                                       "ftypheic",
                                       12)),
             QStringLiteral("HEIC"));
    QCOMPARE(SniffImageType(QByteArray("\0\0\0\x1C"
                                       "ftypavif",
                                       12)),
             QStringLiteral("AVIF"));
    QCOMPARE(SniffImageType(QByteArray("RIFF\x10\0\0\0WAVEfmt ", 16)),
             QString());  // a sound, not an image
    QCOMPARE(SniffImageType(QByteArray()), QString());
    QCOMPARE(SniffImageType("\xFF"), QString());  // too short to tell
  }

  void registrationLeavesAListedKeyAlone() {
    RegStore s(RegFile());
    s.WriteDword(SubKey(QStringLiteral("mine")), QStringLiteral("CanLoadPlugin"), 0);
    QCOMPARE(RegisterShippedPlugins(s, QStringLiteral(GLIMR_PLUGIN_DIR)), 0);
    QCOMPARE(s.SubKeys(kRoot), QStringList{QStringLiteral("mine")});
    // An emptied key (every library moved away and was unregistered) is
    // filled again from the shipped plug-ins.
    QVERIFY(s.DeleteKey(SubKey(QStringLiteral("mine"))));
    QCOMPARE(RegisterShippedPlugins(s, QStringLiteral(GLIMR_PLUGIN_DIR)), ShippedPluginCount());
  }

  // --- the scaler ----------------------------------------------------------

  void upPowerOfTwo_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("expected");
    for (auto [x, e] : std::vector<std::pair<int, int>>{
             {1, 1}, {2, 2}, {3, 4}, {4, 4}, {5, 8}, {85, 128}, {256, 256}, {257, 512}}) {
      QTest::addRow("%d", x) << x << e;
    }
  }
  void upPowerOfTwo() {
    QFETCH(int, x);
    QFETCH(int, expected);
    QCOMPARE(UpPowerOfTwo(x), expected);
  }

  // A uniform source of value 100 becomes a thumbnail of the listed size
  // whose every value is 99 (98 where large blocks lose a little more).
  void thumbnailSizes_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("L");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("1x1") << 1 << 1 << 256 << QSize(4, 4);
    QTest::newRow("1000x10") << 1000 << 10 << 256 << QSize(256, 4);
    QTest::newRow("300x100 stretched") << 300 << 100 << 256 << QSize(256, 128);
    QTest::newRow("50x40 stretched") << 50 << 40 << 256 << QSize(64, 64);
    QTest::newRow("4000x3000") << 4000 << 3000 << 256 << QSize(256, 256);
    QTest::newRow("800x600") << 800 << 600 << 256 << QSize(256, 256);
    QTest::newRow("L by L") << 256 << 256 << 256 << QSize(256, 256);
    QTest::newRow("portrait 100x300") << 100 << 300 << 256 << QSize(128, 256);
    QTest::newRow("2 high") << 1000 << 2 << 256 << QSize(256, 4);
    QTest::newRow("3x1 narrow") << 3 << 1 << 256 << QSize(4, 4);
    QTest::newRow("L = 64") << 1920 << 1080 << 64 << QSize(64, 64);
    QTest::newRow("L = 1024") << 1920 << 1080 << 1024 << QSize(1024, 1024);
    QTest::newRow("panorama") << 6000 << 1000 << 512 << QSize(512, 128);
  }
  void thumbnailSizes() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, L);
    QFETCH(QSize, expected);
    QCOMPARE(ThumbnailSize(w, h, L), expected);
    const QImage source = Filled(w, h, [](int, int) { return 100; });
    const QImage thumb = MakeThumbnail(source, L);
    QCOMPARE(thumb.size(), expected);
    for (int y = 0; y < thumb.height(); ++y) {
      for (int x = 0; x < thumb.width() * 3; ++x) {
        const int v = thumb.constScanLine(y)[x];
        if (v != 99 && v != 98)
          QFAIL(qPrintable(QStringLiteral("value %1 at %2,%3").arg(v).arg(x).arg(y)));
      }
    }
  }

  void onePixelSourceFillsFourByFour() {
    QImage source = NewImage24(1, 1);
    source.bits()[0] = 10;
    source.bits()[1] = 20;
    source.bits()[2] = 0;
    const QImage thumb = MakeThumbnail(source, 256);
    QCOMPARE(thumb.size(), QSize(4, 4));
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        QCOMPARE(PixelOf(thumb, x, y)[0], 9);
        QCOMPARE(PixelOf(thumb, x, y)[1], 19);
        QCOMPARE(PixelOf(thumb, x, y)[2], 0);
      }
    }
  }

  void emptySourceGivesNull() {
    QVERIFY(MakeThumbnail(QImage(), 256).isNull());
    QCOMPARE(ThumbnailSize(0, 10, 256), QSize(0, 0));
  }

  // One source row averaged into dw columns (one row, so no sharpening).
  void shrinkSpans_data() {
    QTest::addColumn<std::vector<int>>("source");
    QTest::addColumn<int>("dw");
    QTest::addColumn<std::vector<int>>("expected");
    // fx = 2.5: spans 2 and 3; 30 * (65535 / 2) >> 16 = 14, 120 * 21845 >> 16 = 39.
    QTest::newRow("spans 2,3") << std::vector<int>{10, 20, 30, 40, 50} << 2
                               << std::vector<int>{14, 39};
    // fx = 10/3 as float is just below 3.3333: spans 3,3,3, the last column unused.
    QTest::newRow("last column unused") << std::vector<int>{10, 10, 10, 10, 10, 10, 10, 10, 10, 250}
                                        << 3 << std::vector<int>{9, 9, 9};
    QTest::newRow("one pixel blocks")
        << std::vector<int>{0, 1, 255} << 3 << std::vector<int>{0, 0, 254};
    QTest::newRow("fx 1.5") << std::vector<int>{90, 30, 60} << 2 << std::vector<int>{89, 44};
  }
  void shrinkSpans() {
    QFETCH(std::vector<int>, source);
    QFETCH(int, dw);
    QFETCH(std::vector<int>, expected);
    const QImage s =
        Filled(static_cast<int>(source.size()), 1, [&](int x, int) { return source[x]; });
    QImage d = NewImage24(dw, 1);
    ShrinkBitmap(s, d);
    QCOMPARE(BlueRow(d, 0), expected);
  }

  // 5 x 4 at scale 1: averaging lowers every value by 1, then the interior
  // is sharpened top to bottom reading the already sharpened row above.
  void sharpeningReadsSharpenedRowAbove() {
    const QImage s = Filled(5, 4, [](int x, int y) { return x == 1 && y == 1 ? 51 : 11; });
    QImage d = NewImage24(5, 4);
    ShrinkBitmap(s, d);
    QCOMPARE(BlueRow(d, 0), (std::vector<int>{10, 10, 10, 10, 10}));
    // (12 * 50 - 4 * 10) / 8 = 70
    QCOMPARE(BlueRow(d, 1), (std::vector<int>{10, 70, 10, 10, 10}));
    // (12 * 10 - 70 - 3 * 10) / 8 = 2; with the unsharpened 50 it would be 5
    QCOMPARE(BlueRow(d, 2), (std::vector<int>{10, 10, 2, 10, 10}));
    QCOMPARE(BlueRow(d, 3), (std::vector<int>{10, 10, 10, 10, 10}));
  }

  void sharpeningClamps_data() {
    QTest::addColumn<int>("centre");
    QTest::addColumn<int>("others");
    QTest::addColumn<int>("expected");
    QTest::newRow("above 255") << 255 << 11 << 255;  // (12 * 254 - 40) / 8 = 376
    QTest::newRow("below 0") << 1 << 201 << 0;       // (0 - 800) / 8 = -100
    QTest::newRow("truncates") << 13 << 14 << 11;    // (144 - 52) / 8 = 11.5
  }
  void sharpeningClamps() {
    QFETCH(int, centre);
    QFETCH(int, others);
    QFETCH(int, expected);
    const QImage s = Filled(3, 3, [&](int x, int y) { return x == 1 && y == 1 ? centre : others; });
    QImage d = NewImage24(3, 3);
    ShrinkBitmap(s, d);
    QCOMPARE(int(PixelOf(d, 1, 1)[2]), expected);
    QCOMPARE(int(PixelOf(d, 0, 0)[2]), others - 1);
  }

  void twoRowsAreNotSharpened() {
    const QImage s = Filled(8, 2, [](int x, int y) { return (x * 37 + y * 101) % 256; });
    QImage d = NewImage24(8, 2);
    ShrinkBitmap(s, d);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 8; ++x) {
        const int v = PixelOf(s, x, y)[0];
        QCOMPARE(int(PixelOf(d, x, y)[1]), v ? v - 1 : 0);
      }
    }
  }

  void stretchReplicatesPixels() {
    const QImage s = Filled(50, 1, [](int x, int) { return x; });
    QImage d = NewImage24(64, 2);
    StretchBitmap(s, d);
    const std::vector<int> row = BlueRow(d, 1);
    QCOMPARE(row.front(), 0);
    QCOMPARE(row.back(), 49);
    QCOMPARE(row[32], 25);  // centre 32.5 * 50 / 64 = 25.4
    for (int x = 1; x < 64; ++x)
      QVERIFY(row[x] - row[x - 1] == 0 || row[x] - row[x - 1] == 1);
    QCOMPARE(BlueRow(d, 0), row);
  }

  void swapRedBlueTwiceRestores() {
    QImage b = NewImage24(5, 3);  // 15 bytes of pixels per 16-byte row
    for (qsizetype i = 0; i < b.sizeInBytes(); ++i)
      b.bits()[i] = static_cast<std::uint8_t>(i * 7 + 1);
    const QImage original = b;  // shared: the swap must leave it alone
    SwapRedBlue(b);
    QCOMPARE(b.format(), QImage::Format_RGB888);  // same colours, other byte order
    QCOMPARE(b.pixel(4, 2), original.pixel(4, 2));
    QCOMPARE(PixelOf(b, 4, 2)[0], PixelOf(original, 4, 2)[2]);
    QCOMPARE(PixelOf(b, 4, 2)[2], PixelOf(original, 4, 2)[0]);
    QCOMPARE(PixelOf(b, 4, 2)[1], PixelOf(original, 4, 2)[1]);
    SwapRedBlue(b);
    QCOMPARE(b.format(), QImage::Format_BGR888);
    for (int y = 0; y < 3; ++y)
      QVERIFY(std::memcmp(b.constScanLine(y), original.constScanLine(y), 15) == 0);
  }

  void bitmapAdoptsOnlyConsistentBlocks() {
    GlimrBitmap* good = glimr_bitmap_alloc(3, 2);
    good->bits[0] = 42;
    const QImage a = AdoptPluginBitmap(good);
    QCOMPARE(a.width(), 3);
    QCOMPARE(a.bytesPerLine(), 12);
    QVERIFY(a.constBits() == good->bits);  // the block's own rows, not a copy
    QCOMPARE(a.constBits()[0], 42);
    GlimrBitmap* shortRows = glimr_bitmap_alloc(3, 2);
    shortRows->bytes_per_row = 8;
    QVERIFY(AdoptPluginBitmap(shortRows).isNull());  // freed, not used
    QVERIFY(AdoptPluginBitmap(nullptr).isNull());
    QVERIFY(NewImage24(40000, 1).isNull());
  }
  // Plug-ins registered from a folder that has since moved are unregistered
  // by the loader; the shipped ones are then registered again at once.
  void movedPluginFolderHealsItself() {
    QTemporaryDir dir;
    RegStore store(dir.filePath(QStringLiteral("Glimr.reg")));
    store.WriteDword(kPluginsKey + QStringLiteral("\\glimr_jpeg"), QStringLiteral("CanLoadPlugin"),
                     1);
    store.WriteString(kPluginsKey + QStringLiteral("\\glimr_jpeg"),
                      QStringLiteral("PluginFileName"),
                      dir.filePath(QStringLiteral("old/glimr_jpeg.so")));
    const TPluginSetPtr plugins = LoadPluginSet(store, QStringLiteral(GLIMR_PLUGIN_DIR));
    QVERIFY(PluginExtensions(*plugins).contains(QStringLiteral("JPG")));
    QCOMPARE(static_cast<int>(store.SubKeys(kPluginsKey).size()), ShippedPluginCount());
  }
};

QTEST_GUILESS_MAIN(TestImaging)
#include "test_imaging.moc"
