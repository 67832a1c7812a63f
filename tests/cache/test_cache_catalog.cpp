// The cache against the real catalog and plug-in set: stored thumbnails are
// reused without a decode, touched files are decoded again, and closing
// while a decode runs leaves whole rows behind.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

#include <atomic>
#include <thread>
#include <vector>

#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/imagefileinfo.h"
#include "catalog/statement.h"
#include "common/datetime.h"
#include "common/errors.h"
#include "common/locks.h"
#include "common/regstore.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/catalogthumbstore.h"
#include "imaging/cache/loadercontrol.h"
#include "imaging/cache/pluginthumbmaker.h"
#include "imaging/cache/thumbjpeg.h"
#include "imaging/cache/undecodablethumb.h"
#include "imaging/plugin.h"
#include "imaging/pluginregistration.h"
#include "imaging/plugins.h"

using namespace glimr;

namespace {

// The counting plug-in's own counter, reached through the library the
// plug-in set has loaded (dlopen of the same file gives the same copy).
int DecodeCount() {
  static void* handle = dlopen(GLIMR_TEST_PLUGIN, RTLD_NOW);
  static auto count =
      handle ? reinterpret_cast<int (*)()>(dlsym(handle, "GlimrTestDecodeCount")) : nullptr;
  return count ? count() : -1;
}

// A JPEG of w by h with some structure in it, so that half of it is not
// just its header.
QByteArray SampleJpeg(int w, int h) {
  QImage b(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.scanLine(y) + x * 3;
      p[0] = static_cast<std::uint8_t>((x * 7 + y * 3) % 251);
      p[1] = static_cast<std::uint8_t>((x * y) % 253);
      p[2] = static_cast<std::uint8_t>(255 - y);
    }
  }
  return EncodeThumbJpeg(b.constBits(), w, h, int(b.bytesPerLine()), 90);
}

// Deterministic bytes that no decoder takes for a picture.
QByteArray Garbage(int n) {
  QByteArray bytes(n, '\0');
  std::uint32_t v = 12345;
  for (char& c : bytes) {
    v = v * 1103515245u + 12345u;
    c = static_cast<char>(v >> 24);
  }
  return bytes;
}

struct TRig {
  // shipped: the program's own plug-ins too, behind the counting one.
  explicit TRig(bool shipped = false)
      : folder(dir.path() + QStringLiteral("/pics/")),
        reg(dir.path() + QStringLiteral("/Glimr.reg")),
        dm(dir.path() + QStringLiteral("/DataBase/"), locks.DbLock),
        queries(dm),
        plugins(reg),
        maker(plugins),
        cash(locks, maker, 100) {
    QDir().mkpath(folder);
    QDir().mkpath(dir.path() + QStringLiteral("/DataBase/"));
    if (shipped) {
      RegisterShippedPlugins(reg, QStringLiteral(GLIMR_PLUGIN_DIR));
    }
    const QString key = kPluginsKey + QStringLiteral("\\counting");
    reg.WriteString(key, QStringLiteral("PluginFileName"), QStringLiteral(GLIMR_TEST_PLUGIN));
    reg.WriteDword(key, QStringLiteral("CanLoadPlugin"), 1);
    plugins.LoadPlugins();
  }

  // A .cnt file (see countingplugin.c) with a FILES row unless told not to.
  QString AddFile(const QString& name, const QByteArray& spec, bool withRow = true) {
    const QString path = folder + name;
    Write(path, spec);
    if (withRow) {
      TImageFileInfo r;
      r.FileName = name;
      r.TypeName = QStringLiteral("CNT");
      r.CatalogID = queries.CatalogIDOfPath(folder);
      r.FileDate = FileModDays(path);
      queries.InsertFileRecord(r);
    }
    return path;
  }
  static void Write(const QString& path, const QByteArray& spec) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(spec);
  }
  std::optional<TThumbRow> Row(const QString& name) {
    return queries.ReadThumbRow(name, queries.CatalogIDOfPath(folder));
  }

  QTemporaryDir dir;
  QString folder;
  TLocks locks;
  RegStore reg;
  TdmVesk dm;
  TCatalogQueries queries;
  TPlugins plugins;
  TPluginThumbMaker maker;
  TCash cash;
};

}  // namespace

class TestCacheCatalog : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QVERIFY2(DecodeCount() >= 0, "counting plug-in not loaded"); }

  // First visit decodes and stores; after the cache is cleared, and with
  // another thumbnail size, the stored thumbnail is used and no plug-in is
  // called.
  void storedThumbnailReused() {
    TRig rig;
    QVERIFY(rig.plugins.PluginForExtension(QStringLiteral("cnt")));
    const QString a = rig.AddFile(QStringLiteral("a.cnt"), "800 600 10 100 200");
    TCatalogThumbStore session(rig.dm, rig.queries);
    const int before = DecodeCount();
    rig.cash.SetBitmapToCash(a, session, 256);
    QCOMPARE(DecodeCount(), before + 1);
    TBmpCashPtr first = rig.cash.Find(a);
    QVERIFY(first);
    QCOMPARE(first->Width, 800);
    QCOMPARE(first->Height, 600);
    QCOMPARE(first->Bitmap.width(), 256);
    QCOMPARE(first->Bitmap.height(), 256);
    // Red first in memory; the averaging lowers each value by one.
    const std::uint8_t* px = first->Bitmap.constScanLine(100) + 100 * 3;
    QCOMPARE(int(px[0]), 199);
    QCOMPARE(int(px[1]), 99);
    QCOMPARE(int(px[2]), 9);

    const auto row = rig.Row(QStringLiteral("a.cnt"));
    QVERIFY(row && row->IsThumb);
    QCOMPARE(row->FileDate, FileModDays(a));
    QCOMPARE(row->Width, 800);
    QCOMPARE(row->Height, 600);

    rig.cash.Clear();
    rig.cash.SetBitmapToCash(a, session, 128);
    QCOMPARE(DecodeCount(), before + 1);
    TBmpCashPtr again = rig.cash.Find(a);
    QVERIFY(again);
    QCOMPARE(again->Width, 800);
    QCOMPARE(again->Bitmap.width(), 256);  // the stored one, whatever the size now
    const std::uint8_t* q = again->Bitmap.constScanLine(100) + 100 * 3;
    for (int c = 0; c < 3; ++c) {
      QVERIFY(std::abs(int(q[c]) - int(px[c])) <= 3);
    }
  }

  // A new modification time makes the next request decode the file again
  // and overwrite THUMB, FILEDATE, WIDTH and HEIGHT.
  void touchedFileDecodedAgain() {
    TRig rig;
    const QString a = rig.AddFile(QStringLiteral("t.cnt"), "640 480 0 0 0");
    TCatalogThumbStore session(rig.dm, rig.queries);
    rig.cash.SetBitmapToCash(a, session, 256);
    const QByteArray oldThumb = rig.Row(QStringLiteral("t.cnt"))->Thumb;

    TRig::Write(a, "300 100 255 255 255");
    {
      QFile f(a);
      QVERIFY(f.open(QIODevice::ReadWrite));
      QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(60),
                            QFileDevice::FileModificationTime));
    }
    rig.cash.Clear();
    const int before = DecodeCount();
    rig.cash.SetBitmapToCash(a, session, 256);
    QCOMPARE(DecodeCount(), before + 1);
    const auto row = rig.Row(QStringLiteral("t.cnt"));
    QVERIFY(row && row->IsThumb);
    QCOMPARE(row->Width, 300);
    QCOMPARE(row->Height, 100);
    QCOMPARE(row->FileDate, FileModDays(a));
    QVERIFY(row->Thumb != oldThumb);
    QCOMPARE(rig.cash.Find(a)->Bitmap.height(), 128);  // 300 x 100 -> 256 x 128
  }

  // Files that decode to nothing get the in-memory "cannot show" entry and
  // leave their rows alone, silently; a vanished file gets nothing; a file
  // without a row is cached in memory only; a damaged stored thumbnail is
  // made again from the file and rewritten.
  void edgeFiles() {
    ErrorRecorder errors;
    TRig rig;
    TCatalogThumbStore session(rig.dm, rig.queries);
    const QString empty = rig.AddFile(QStringLiteral("empty.cnt"), "0 0 0 0 0");
    const QString noRow = rig.AddFile(QStringLiteral("norow.cnt"), "64 64 1 2 3", false);
    const QString gone = rig.folder + QStringLiteral("gone.cnt");
    const QString damaged = rig.AddFile(QStringLiteral("dmg.cnt"), "64 32 1 2 3");
    const QString unknown = rig.AddFile(QStringLiteral("x.unknownext"), "64 64 1 2 3");

    for (const QString& p : {empty, noRow, gone, unknown}) {
      rig.cash.SetBitmapToCash(p, session, 256);
    }
    QVERIFY(rig.cash.Find(empty)->Undecodable);
    QVERIFY(!rig.Row(QStringLiteral("empty.cnt"))->IsThumb);
    QVERIFY(!rig.cash.Find(noRow)->Undecodable);
    QVERIFY(!rig.Row(QStringLiteral("norow.cnt")));
    QVERIFY(!rig.cash.Contains(gone));
    QVERIFY(rig.cash.Find(unknown)->Undecodable);

    rig.queries.WriteThumbRow(QStringLiteral("dmg.cnt"), rig.queries.CatalogIDOfPath(rig.folder),
                              QByteArray("\xFF\xD8 not really"), FileModDays(damaged), 64, 32);
    const int before = DecodeCount();
    rig.cash.SetBitmapToCash(damaged, session, 256);
    QCOMPARE(DecodeCount(), before + 1);
    QVERIFY(rig.cash.Contains(damaged));
    QVERIFY(rig.Row(QStringLiteral("dmg.cnt"))->Thumb.size() > 100);
    QCOMPARE(errors.messages(), QStringList());
  }

  // Files the program's plug-ins cannot decode end as Undecodable entries
  // with the "cannot show" tile, sized as the tile so the ribbon draws them
  // square; their rows and records keep their values. Once the cache is
  // cleared, the file repaired on disk is decoded for real.
  void undecodableFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("broken");
    QTest::addColumn<QByteArray>("fixed");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    const QByteArray jpeg = SampleJpeg(96, 64);
    const QByteArray png = QByteArray::fromHex(
        "89504E470D0A1A0A0000000D4948445200000003000000020802000000"
        "1216F14D0000001049444154789C6338A1C105410C7016003F2005DD937E538A0000000049454E44AE426082");
    const QByteArray gif = QByteArray::fromHex(
        "47494638396101000100800000FFFFFF00000021F90401000000002C00000000010001000002024401003B");
    QTest::newRow("truncated jpeg")
        << "cut.jpg" << jpeg.left(jpeg.size() * 6 / 10) << jpeg << 96 << 64;
    QTest::newRow("garbage named png") << "junk.png" << Garbage(3000) << png << 3 << 2;
    QTest::newRow("zero-size file") << "zero.jpg" << QByteArray() << jpeg << 96 << 64;
    QTest::newRow("text named gif") << "text.gif" << QByteArray("not a picture\n") << gif << 1 << 1;
    QTest::newRow("plug-in yields zero size")
        << "zero.cnt" << QByteArray("0 0 1 2 3") << QByteArray("64 32 1 2 3") << 64 << 32;
    QTest::newRow("no plug-in for the extension")
        << "x.unknownext" << QByteArray("64 64 1 2 3") << QByteArray() << 0 << 0;
  }
  void undecodableFiles() {
    QFETCH(QString, name);
    QFETCH(QByteArray, broken);
    QFETCH(QByteArray, fixed);
    QFETCH(int, width);
    QFETCH(int, height);
    ErrorRecorder errors;
    TRig rig(true);
    TCatalogThumbStore session(rig.dm, rig.queries);
    const QString path = rig.AddFile(name, broken);
    const auto before = rig.Row(name);
    QVERIFY(before);

    rig.cash.SetBitmapToCash(path, session, 128);
    const TBmpCashPtr entry = rig.cash.Find(path);
    QVERIFY(entry);
    QVERIFY(entry->Undecodable);
    QCOMPARE(entry->Width, 128);
    QCOMPARE(entry->Height, 128);
    QCOMPARE(entry->Bitmap.width(), 128);
    QVERIFY(entry->Bitmap == MakeUndecodableThumb(128));
    const auto after = rig.Row(name);
    QVERIFY(after && !after->IsThumb && after->Thumb.isEmpty());
    QCOMPARE(after->Width, before->Width);
    QCOMPARE(after->Height, before->Height);
    QCOMPARE(after->FileDate, before->FileDate);
    TImageFileInfo record;
    record.FileName = name;
    QVERIFY(!UpdateDimensions(rig.cash, path, &record));
    QCOMPARE(record.Width, 0);
    QCOMPARE(record.Height, 0);
    QVERIFY(!record.Modified);
    QCOMPARE(errors.messages(), QStringList());

    if (fixed.isEmpty()) {
      return;
    }
    TRig::Write(path, fixed);
    rig.cash.Clear();
    rig.cash.SetBitmapToCash(path, session, 128);
    const TBmpCashPtr real = rig.cash.Find(path);
    QVERIFY(real && !real->Undecodable);
    QCOMPARE(real->Width, width);
    QCOMPARE(real->Height, height);
    const auto stored = rig.Row(name);
    QVERIFY(stored && stored->IsThumb);
    QCOMPARE(stored->Width, width);
    QVERIFY(UpdateDimensions(rig.cash, path, &record));
    QCOMPARE(record.Width, width);
    QCOMPARE(errors.messages(), QStringList());
  }

  // Closing while a large image decodes: the close waits for that decode,
  // no other starts (with several workers, those waiting for the plug-in,
  // which takes one decode at a time, give up), every row is either whole
  // or untouched, and the catalog opens cleanly afterwards.
  void closeWhileLargeImageDecodes_data() {
    QTest::addColumn<int>("workers");
    QTest::newRow("one worker") << 1;
    QTest::newRow("four workers") << 4;
  }
  void closeWhileLargeImageDecodes() {
    QFETCH(int, workers);
    TRig rig;
    QStringList names{QStringLiteral("big.cnt")};
    rig.AddFile(names[0], "4000 3000 5 5 5 400");
    for (int i = 0; i < 5; ++i) {
      names << QStringLiteral("n%1.cnt").arg(i);
      rig.AddFile(names.last(), "100 100 5 5 5 400");
    }
    QStringList files;
    for (const QString& n : names) {
      files << rig.folder + n;
    }
    {
      TLoaderControl control(
          rig.cash, rig.locks,
          [&rig] { return std::make_unique<TCatalogThumbStore>(rig.dm, rig.queries); }, workers);
      const int before = DecodeCount();
      control.Enqueue(files);
      control.StartLoader(256);
      QTRY_COMPARE(DecodeCount(), before + 1);  // inside the first decode
      control.CloseLoader();
      QCOMPARE(DecodeCount(), before + 1);
      QCOMPARE(control.ReapRetired(), 0);
    }
    int whole = 0;
    for (const QString& n : names) {
      const auto r = rig.Row(n);
      QVERIFY(r);
      if (r->IsThumb) {
        ++whole;
        QCOMPARE(r->Width, n == names[0] ? 4000 : 100);
        const QImage thumb = DecodeStoredThumb(r->Thumb);
        QVERIFY(!thumb.isNull());
        if (n == names[0]) {
          QCOMPARE(thumb.width(), 256);
        }
      } else {
        QVERIFY2(r->Thumb.isEmpty(), qPrintable(n));
      }
    }
    QCOMPARE(whole, 1);
    if (workers == 1) {
      QVERIFY(rig.Row(names[0])->IsThumb);
    }
  }

  // A plug-in that does not declare itself safe for several threads is
  // never entered by two decodes at once, whoever calls it (no lock held by
  // the callers); one that declares it is entered side by side.
  void pluginEnteredByOneDecodeAtATime_data() {
    QTest::addColumn<QString>("library");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("threadSafe");
    QTest::newRow("not declared") << QStringLiteral(GLIMR_TEST_PLUGIN) << "cnt" << false;
    QTest::newRow("declared thread-safe") << QStringLiteral(GLIMR_TEST_PLUGIN_MT) << "cns" << true;
  }
  void pluginEnteredByOneDecodeAtATime() {
    QFETCH(QString, library);
    QFETCH(QString, extension);
    QFETCH(bool, threadSafe);
    TPlugin plugin;
    QVERIFY(plugin.Load(library));
    QCOMPARE(plugin.ThreadSafe(), threadSafe);
    void* handle = dlopen(library.toUtf8().constData(), RTLD_NOW);
    QVERIFY(handle);
    const auto mostInside = reinterpret_cast<int (*)()>(dlsym(handle, "GlimrTestMostInside"));
    const auto reset = reinterpret_cast<void (*)()>(dlsym(handle, "GlimrTestResetMostInside"));
    QVERIFY(mostInside && reset);
    reset();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.") + extension);
    TRig::Write(path, "16 8 1 2 3 40");
    std::atomic<int> decoded{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&] {
        for (int i = 0; i < 3; ++i) {
          decoded += !plugin.FileBitmap(path).isNull();
        }
      });
    }
    for (std::thread& t : threads) {
      t.join();
    }
    QCOMPARE(decoded.load(), 12);
    if (threadSafe) {
      QVERIFY(mostInside() > 1);
    } else {
      QCOMPARE(mostInside(), 1);
    }
    dlclose(handle);
  }

  // A catalog that refuses writes (a read-only connection here; the tests
  // may run as root, where file permissions do not bind) or that is not a
  // database at all: thumbnails are still made and shown, no message box
  // appears, nothing in the catalog changes, and a refused write reaches
  // the write health once for the whole run, not once per file. A write
  // that works again re-arms the report.
  void catalogFaultsKeepThumbnails_data() {
    QTest::addColumn<bool>("damaged");
    QTest::newRow("writes refused") << false;
    QTest::newRow("catalog file is not a database") << true;
  }
  void catalogFaultsKeepThumbnails() {
    QFETCH(bool, damaged);
    ErrorRecorder errors;
    TRig rig;
    const QString a = rig.AddFile(QStringLiteral("a.cnt"), "640 480 1 2 3");
    const QString b = rig.AddFile(QStringLiteral("b.cnt"), "300 200 1 2 3");
    const QString c = rig.AddFile(QStringLiteral("c.cnt"), "64 64 1 2 3");
    // The damaged catalog is a second data module over a file of garbage;
    // the worker session of the good one is switched to read only.
    QTemporaryDir other;
    const QString otherDir = other.path() + QStringLiteral("/DataBase/");
    QDir().mkpath(otherDir);
    const QByteArray garbage = Garbage(8192);
    {
      QFile f(TdmVesk::DatabaseFileName(otherDir));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(garbage);
    }
    TdmVesk bad(otherDir, rig.locks.DbLock);
    TCatalogQueries badQueries(bad);
    TdmVesk& dm = damaged ? bad : rig.dm;
    int notified = 0;
    dm.WriteHealth().SetNotify([&notified](const QString&) { ++notified; });
    auto session = damaged ? std::make_unique<TCatalogThumbStore>(bad, badQueries)
                           : std::make_unique<TCatalogThumbStore>(rig.dm, rig.queries);
    auto setQueryOnly = [&rig](bool on) {
      std::lock_guard db(rig.locks.DbLock);
      TSession* s = rig.dm.FindSession(QStringLiteral("Session1"));
      QVERIFY(s);
      TStatement(*s, on ? QStringLiteral("PRAGMA query_only = ON;")
                        : QStringLiteral("PRAGMA query_only = OFF;"))
          .Exec();
    };
    if (!damaged) {
      setQueryOnly(true);
    }
    const int before = DecodeCount();
    rig.cash.SetBitmapToCash(a, *session, 256);
    rig.cash.SetBitmapToCash(b, *session, 256);
    QCOMPARE(DecodeCount(), before + 2);
    QCOMPARE(rig.cash.Find(a)->Width, 640);
    QCOMPARE(rig.cash.Find(b)->Height, 200);
    QVERIFY(!rig.Row(QStringLiteral("a.cnt"))->IsThumb);
    QVERIFY(!rig.Row(QStringLiteral("b.cnt"))->IsThumb);
    QCOMPARE(errors.messages(), QStringList());
    if (damaged) {
      // Not a refused write: the file is left exactly as it was.
      QFile f(TdmVesk::DatabaseFileName(otherDir));
      QVERIFY(f.open(QIODevice::ReadOnly));
      QCOMPARE(f.readAll(), garbage);
      QCOMPARE(notified, 0);
      return;
    }
    QCOMPARE(notified, 1);
    QVERIFY(dm.WriteHealth().Failing());
    QVERIFY2(dm.WriteHealth().LastError().contains(QStringLiteral("readonly")),
             qPrintable(dm.WriteHealth().LastError()));

    setQueryOnly(false);
    rig.cash.SetBitmapToCash(c, *session, 256);
    QVERIFY(rig.Row(QStringLiteral("c.cnt"))->IsThumb);
    QVERIFY(!dm.WriteHealth().Failing());
  }

  // A file changed outside the program keeps neither its old thumbnail nor
  // its "cannot show" tile: the folder load hands the cache the date it
  // reads from the disk, the entry made for another date goes, and the
  // next request makes it from the file as it is now. An unchanged file
  // keeps its entry (the entry holds the date exactly as the disk gives it).
  void changedFileDropped_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<int>("width");
    QTest::newRow("edited") << QByteArray("640 480 0 0 0") << QByteArray("300 100 9 9 9") << 300;
    QTest::newRow("repaired") << QByteArray("0 0 0 0 0") << QByteArray("64 32 1 2 3") << 64;
  }
  void changedFileDropped() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    QFETCH(int, width);
    TRig rig;
    const QString path = rig.AddFile(QStringLiteral("f.cnt"), before);
    const QString same = rig.AddFile(QStringLiteral("same.cnt"), "64 64 1 2 3");
    TCatalogThumbStore session(rig.dm, rig.queries);
    rig.cash.SetBitmapToCash(path, session, 256);
    rig.cash.SetBitmapToCash(same, session, 256);
    const TBmpCashPtr old = rig.cash.Pin(path);  // a ribbon slot shows it
    QVERIFY(old);
    QVERIFY(!rig.cash.DropIfDateDiffers(path, FileModDays(path)));
    QVERIFY(!rig.cash.DropIfDateDiffers(same, FileModDays(same)));
    QVERIFY(!rig.cash.DropIfDateDiffers(rig.folder + QStringLiteral("none.cnt"), 1.0));

    TRig::Write(path, after);
    {
      QFile f(path);
      QVERIFY(f.open(QIODevice::ReadWrite));
      QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(60),
                            QFileDevice::FileModificationTime));
    }
    QVERIFY(rig.cash.DropIfDateDiffers(path, FileModDays(path)));
    QVERIFY(!rig.cash.Contains(path));
    QVERIFY(rig.cash.Contains(same));
    QVERIFY(!old->Bitmap.isNull());  // the slot's pixels stay until it lets go
    rig.cash.Unpin(old);
    rig.cash.SetBitmapToCash(path, session, 256);
    const TBmpCashPtr now = rig.cash.Find(path);
    QVERIFY(now && !now->Undecodable);
    QCOMPARE(now->Width, width);
    QCOMPARE(now->FileDate, FileModDays(path));
    QVERIFY(!rig.cash.DropIfDateDiffers(path, FileModDays(path)));
  }
};

QTEST_GUILESS_MAIN(TestCacheCatalog)
#include "test_cache_catalog.moc"
