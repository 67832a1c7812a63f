// The cache against the real catalog and plug-in set: stored thumbnails are
// reused without a decode, touched files are decoded again, and closing
// while a decode runs leaves whole rows behind.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/datetime.h"
#include "common/errors.h"
#include "common/locks.h"
#include "common/regstore.h"
#include "imaging/cache/catalogthumbstore.h"
#include "imaging/cache/loadercontrol.h"
#include "imaging/cache/pluginthumbmaker.h"
#include "imaging/cache/tcash.h"
#include "imaging/tplugins.h"

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

struct TRig {
  TRig()
      : folder(dir.path() + QStringLiteral("/pics/")),
        reg(dir.path() + QStringLiteral("/Glimr.reg")),
        dm(dir.path() + QStringLiteral("/DataBase/"), locks.DbLock),
        queries(dm),
        plugins(reg),
        maker(plugins),
        cash(locks, maker, 100) {
    QDir().mkpath(folder);
    QDir().mkpath(dir.path() + QStringLiteral("/DataBase/"));
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
    QCOMPARE(first->Bitmap.Width, 256);
    QCOMPARE(first->Bitmap.Height, 256);
    // Red first in memory; the averaging lowers each value by one.
    const std::uint8_t* px = first->Bitmap.Row(100) + 100 * 3;
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
    QCOMPARE(again->Bitmap.Width, 256);  // the stored one, whatever the size now
    const std::uint8_t* q = again->Bitmap.Row(100) + 100 * 3;
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
    QCOMPARE(rig.cash.Find(a)->Bitmap.Height, 128);  // 300 x 100 -> 256 x 128
  }

  // Files that give no thumbnail leave cache and rows alone, silently; a
  // file without a row is cached in memory only; a damaged stored
  // thumbnail is made again from the file and rewritten.
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
    QVERIFY(!rig.cash.Contains(empty));
    QVERIFY(!rig.Row(QStringLiteral("empty.cnt"))->IsThumb);
    QVERIFY(rig.cash.Contains(noRow));
    QVERIFY(!rig.Row(QStringLiteral("norow.cnt")));
    QVERIFY(!rig.cash.Contains(gone));
    QVERIFY(!rig.cash.Contains(unknown));

    rig.queries.WriteThumbRow(QStringLiteral("dmg.cnt"), rig.queries.CatalogIDOfPath(rig.folder),
                              QByteArray("\xFF\xD8 not really"), FileModDays(damaged), 64, 32);
    const int before = DecodeCount();
    rig.cash.SetBitmapToCash(damaged, session, 256);
    QCOMPARE(DecodeCount(), before + 1);
    QVERIFY(rig.cash.Contains(damaged));
    QVERIFY(rig.Row(QStringLiteral("dmg.cnt"))->Thumb.size() > 100);
    QCOMPARE(errors.messages(), QStringList());
  }

  // Closing while a large image decodes: the close waits for that decode,
  // no other starts, every row is either whole or untouched, and the
  // catalog opens cleanly afterwards.
  void closeWhileLargeImageDecodes() {
    TRig rig;
    QStringList files;
    files << rig.AddFile(QStringLiteral("big.cnt"), "4000 3000 5 5 5 400");
    for (int i = 0; i < 5; ++i) {
      files << rig.AddFile(QStringLiteral("n%1.cnt").arg(i), "100 100 5 5 5");
    }
    {
      TLoaderControl control(rig.cash, rig.locks, [&rig] {
        return std::make_unique<TCatalogThumbStore>(rig.dm, rig.queries);
      });
      const int before = DecodeCount();
      control.Enqueue(files);
      control.StartLoader(256);
      QTRY_COMPARE(DecodeCount(), before + 1);  // inside the big decode
      control.CloseLoader();
      QCOMPARE(DecodeCount(), before + 1);
      QCOMPARE(control.ReapRetired(), 0);
    }
    const auto big = rig.Row(QStringLiteral("big.cnt"));
    QVERIFY(big && big->IsThumb);
    QCOMPARE(big->Width, 4000);
    QCOMPARE(DecodeStoredThumb(big->Thumb).Width, 256);
    for (int i = 0; i < 5; ++i) {
      const auto r = rig.Row(QStringLiteral("n%1.cnt").arg(i));
      QVERIFY(r && !r->IsThumb && r->Thumb.isEmpty());
    }
  }
};

QTEST_GUILESS_MAIN(TestCacheCatalog)
#include "test_cache_catalog.moc"
