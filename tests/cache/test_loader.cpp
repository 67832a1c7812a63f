// The background loader: queue order, hand-over between loaders, stop and
// close while a decode is under way, the main-thread hand-back, errors.
#include <QTemporaryDir>
#include <QTest>

#include <thread>

#include "catalog/imagefileinfo.h"
#include "common/datetime.h"
#include "fakes.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/loadercontrol.h"
#include "imaging/cache/thumbjpeg.h"
#include "imaging/cache/undecodablethumb.h"
#include "support/privileges.h"

using namespace glimr;
using namespace glimr::test;

namespace {

// Each loader gets its own session object; all of them reach one catalog.
class TStoreProxy : public TThumbStore {
 public:
  explicit TStoreProxy(TThumbStore& s) : s_(s) {}
  std::int32_t CatalogIDOfPath(const QString& f) override { return s_.CatalogIDOfPath(f); }
  bool ReadThumbRow(const QString& n, std::int32_t c, TThumbRow& r) override {
    return s_.ReadThumbRow(n, c, r);
  }
  bool WriteThumbRow(const QString& n, std::int32_t c, const TThumbRow& r) override {
    return s_.WriteThumbRow(n, c, r);
  }
  void ReportWrite(std::exception_ptr error) override { s_.ReportWrite(error); }

 private:
  TThumbStore& s_;
};

struct TRig {
  TRig()
      : store(locks),
        cash(locks, maker, 100),
        control(cash, locks, [this] { return std::make_unique<TStoreProxy>(store); }) {}

  // Writes count image files "<prefix><i>.img" of i+1 by 10 pixels.
  QStringList MakeFiles(const QString& prefix, int count) {
    QStringList paths;
    for (int i = 0; i < count; ++i) {
      const QString p = dir.filePath(prefix + QString::number(i) + QStringLiteral(".img"));
      QFile f(p);
      f.open(QIODevice::WriteOnly);
      f.write(QByteArray::number(i + 1) + " 10");
      paths << p;
    }
    return paths;
  }

  QTemporaryDir dir;
  TLocks locks;
  TFakeStore store;
  TFakeMaker maker;
  TCash cash;
  TLoaderControl control;
};

QString Name(const QString& path) {
  return path.section(QLatin1Char('/'), -1);
}

}  // namespace

class TestLoader : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A folder of 250 images queues the first 100; the ribbon reaching image
  // 180 puts it at the head and it is the next file loaded.
  void movedToHeadLoadsNext() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("img"), 250);
    rig.maker.BlockOn(QStringLiteral("img0.img"));
    rig.control.Enqueue(files.mid(0, 100));
    rig.control.StartLoader(256);
    rig.maker.WaitUntilBlocked();
    rig.control.LoadImageFirst(files[180]);
    rig.maker.Release();
    QTRY_COMPARE_WITH_TIMEOUT(rig.control.QueuedCount(), 0, 20000);
    const QStringList order = rig.maker.Decoded();
    QCOMPARE(order.size(), 101);
    QCOMPARE(order[0], QStringLiteral("img0.img"));
    QCOMPARE(order[1], QStringLiteral("img180.img"));
    QCOMPARE(order[2], QStringLiteral("img1.img"));
    QCOMPARE(order.last(), QStringLiteral("img99.img"));
    QCOMPARE(rig.cash.Count(), 100);  // the first file was evicted for 180's
    QVERIFY(rig.cash.Contains(files[180]));
  }

  // A file that vanishes gives no entry; one that decodes to nothing gets
  // the in-memory "cannot show" entry so the ribbon stops waiting for it.
  // Neither writes to the catalog, shows a message, changes the record's
  // size or holds the loader up.
  void uncacheableFiles_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("withRow");
    QTest::addColumn<bool>("placeholder");
    QTest::newRow("vanishes after queueing") << "vanish" << true << false;
    QTest::newRow("decodes to nothing") << "empty" << true << true;
    QTest::newRow("decodes to nothing, no catalog row") << "empty" << false << true;
    QTest::newRow("cannot be read") << "unreadable" << true << true;
  }
  void uncacheableFiles() {
    QFETCH(QString, fault);
    QFETCH(bool, withRow);
    QFETCH(bool, placeholder);
    if (fault == QLatin1String("unreadable")) {
      GLIMR_WITHOUT_FILE_CAPABILITIES();
    }
    ErrorRecorder errors;
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("f"), 3);
    for (int i = 0; i < 3; ++i) {
      if (i != 1 || withRow) {
        rig.store.rows[Name(files[i])] = TThumbRow{};  // a row, no thumbnail yet
      }
    }
    if (fault == QLatin1String("empty")) {
      QFile f(files[1]);
      f.open(QIODevice::WriteOnly | QIODevice::Truncate);
      f.write("0 0");
    } else if (fault == QLatin1String("unreadable")) {
      QVERIFY(QFile::setPermissions(files[1], QFileDevice::WriteOwner));
      QVERIFY(!QFile(files[1]).open(QIODevice::ReadOnly));
    }
    TImageFileInfo records[3];
    int refreshed = 0;
    int handedBack = 0;
    rig.control.SetOnLoaded([&](const QString& p) {
      ++handedBack;
      refreshed += UpdateDimensions(rig.cash, p, &records[files.indexOf(p)]);
    });
    rig.maker.BlockOn(Name(files[0]));
    rig.control.Enqueue(files);
    rig.control.StartLoader(128);
    rig.maker.WaitUntilBlocked();
    if (fault == QLatin1String("vanish")) {
      QVERIFY(QFile::remove(files[1]));
    }
    rig.maker.Release();
    QTRY_COMPARE(handedBack, 3);
    rig.control.CloseLoader();
    QVERIFY(rig.cash.Contains(files[0]));
    QVERIFY(rig.cash.Contains(files[2]));
    QCOMPARE(refreshed, 2);
    QCOMPARE(records[1].Width, 0);
    QCOMPARE(records[1].Height, 0);
    QVERIFY(!records[1].Modified);
    QCOMPARE(rig.store.writes, 2);
    QCOMPARE(rig.store.rows.count(Name(files[1])), std::size_t(withRow));
    if (withRow) {
      const TThumbRow& row = rig.store.rows[Name(files[1])];
      QVERIFY(!row.IsThumb && row.Thumb.isEmpty() && row.Width == 0 && row.FileDate == 0.0);
    }
    QCOMPARE(errors.messages(), QStringList());
    const TBmpCashPtr entry = rig.cash.Find(files[1]);
    QCOMPARE(bool(entry), placeholder);
    if (entry) {
      QVERIFY(entry->Undecodable);
      QCOMPARE(entry->Width, 128);
      QCOMPARE(entry->Height, 128);
      QVERIFY(entry->Bitmap == MakeUndecodableThumb(128));
      QVERIFY(!rig.cash.Find(files[0])->Undecodable);
    }
  }

  // The "cannot show" entry takes its place in the list like any other: a
  // request moves it to the front without a new decode, eviction takes it,
  // and once it is gone (evicted or cleared) the file is tried again, so a
  // repaired file gets its real thumbnail.
  void undecodableEntryFollowsCacheRules() {
    ErrorRecorder errors;
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("u"), 3);
    {
      QFile f(files[0]);
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }
    rig.cash.SetCapacity(2);
    auto load = [&rig](const QString& p) { rig.cash.SetBitmapToCash(p, rig.store, 64); };
    auto order = [&rig] {
      QStringList names;
      for (int i = 0; i < rig.cash.Count(); ++i) {
        names << Name(rig.cash.PathAt(i));
      }
      return names.join(QLatin1Char(','));
    };
    load(files[1]);
    load(files[0]);
    QCOMPARE(order(), QStringLiteral("u1.img,u0.img"));
    load(files[0]);
    QCOMPARE(order(), QStringLiteral("u0.img,u1.img"));
    QCOMPARE(rig.maker.Decoded().count(QStringLiteral("u0.img")), 1);
    load(files[2]);  // evicts the front entry, the undecodable one
    QCOMPARE(order(), QStringLiteral("u1.img,u2.img"));
    load(files[0]);
    QCOMPARE(rig.maker.Decoded().count(QStringLiteral("u0.img")), 2);
    QVERIFY(rig.cash.Find(files[0])->Undecodable);

    {
      QFile f(files[0]);
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write("30 20");
    }
    load(files[0]);  // still cached: the placeholder stays until it goes
    QCOMPARE(rig.maker.Decoded().count(QStringLiteral("u0.img")), 2);
    rig.cash.Clear();
    load(files[0]);
    const TBmpCashPtr fixed = rig.cash.Find(files[0]);
    QVERIFY(fixed && !fixed->Undecodable);
    QCOMPARE(fixed->Width, 30);
    QCOMPARE(fixed->Height, 20);
    QCOMPARE(errors.messages(), QStringList());
  }

  // Switching folders while a file decodes: StopLoader returns at once, the
  // old thread finishes that one file and ends, the new loader starts after
  // it and loads only the new folder.
  void loaderReplacedWhileDecoding() {
    TRig rig;
    const QStringList oldFiles = rig.MakeFiles(QStringLiteral("old"), 5);
    const QStringList newFiles = rig.MakeFiles(QStringLiteral("new"), 5);
    QStringList handedBack;
    rig.control.SetOnLoaded([&](const QString& p) { handedBack << Name(p); });
    rig.maker.BlockOn(QStringLiteral("old0.img"));
    rig.control.Enqueue(oldFiles);
    rig.control.StartLoader(256);
    rig.maker.WaitUntilBlocked();

    rig.control.StopLoader();  // must not wait for the blocked decode
    QCOMPARE(rig.control.QueuedCount(), 0);
    QVERIFY(!rig.control.HasLoader());
    rig.control.Enqueue(newFiles);
    rig.control.StartLoader(256);
    QCOMPARE(rig.control.ReapRetired(), 1);  // still in its decode
    rig.maker.Release();

    QTRY_COMPARE(rig.control.QueuedCount(), 0);
    QTRY_COMPARE(handedBack.size(), 5);
    QStringList expected;
    for (const QString& p : newFiles) {
      expected << Name(p);
    }
    QCOMPARE(handedBack, expected);  // nothing from the stopped loader
    QCOMPARE(rig.maker.Decoded(), QStringList{QStringLiteral("old0.img")} + expected);
    QVERIFY(rig.cash.Contains(oldFiles[0]));
    QVERIFY(!rig.cash.Contains(oldFiles[1]));
    QTRY_COMPARE(rig.control.ReapRetired(), 0);  // the old thread has ended
  }

  // Closing while a decode runs waits for that decode, starts no other, and
  // leaves no thread behind; the file being decoded is finished and stored.
  void closeWhileDecoding() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("c"), 4);
    for (const QString& p : files) {
      rig.store.rows[Name(p)] = TThumbRow{};
    }
    rig.maker.BlockOn(QStringLiteral("c1.img"));
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    rig.maker.WaitUntilBlocked();
    std::thread releaser([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      rig.maker.Release();
    });
    rig.control.CloseLoader();
    releaser.join();
    QVERIFY(!rig.control.HasLoader());
    QCOMPARE(rig.control.ReapRetired(), 0);
    QCOMPARE(rig.maker.Decoded().size(), 2);
    QCOMPARE(rig.store.writes, 2);
    QVERIFY(rig.store.rows[Name(files[1])].IsThumb);
    QVERIFY(!rig.store.rows[Name(files[2])].IsThumb);
  }

  // A stopped loader that waits for its main-thread hand-back must not keep
  // the owner's join waiting: the main thread is the one joining.
  void closeWhileHandingBack() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("h"), 3);
    std::atomic<int> calls{0};
    rig.control.SetOnLoaded([&](const QString&) { ++calls; });
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    // No event loop runs here, so the first hand-back stays pending.
    for (int i = 0; i < 5000 && !rig.cash.Contains(files[0]); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QVERIFY(rig.cash.Contains(files[0]));
    rig.control.CloseLoader();
    QCOMPARE(rig.control.ReapRetired(), 0);
    QCoreApplication::processEvents();  // the abandoned call does nothing
    QCOMPARE(calls.load(), 0);
    QCOMPARE(rig.maker.Decoded().size(), 1);
  }

  // The hand-back copies a changed full-image size into the record.
  void updateDimensions() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("d"), 2);
    TImageFileInfo records[2];
    records[0].Width = 640;  // differs from the file's 1 x 10
    records[0].Height = 10;
    records[1].Width = 2;  // already right
    records[1].Height = 10;
    QStringList refreshed;
    rig.control.SetOnLoaded([&](const QString& p) {
      TImageFileInfo* r = &records[files.indexOf(p)];
      if (UpdateDimensions(rig.cash, p, r)) {
        refreshed << Name(p);
      }
    });
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    QTRY_COMPARE(rig.control.QueuedCount(), 0);
    rig.control.CloseLoader();
    QCOMPARE(refreshed, QStringList{QStringLiteral("d0.img")});
    QCOMPARE(records[0].Width, 1);
    QVERIFY(!records[1].Modified);

    records[0].Width = 640;
    QVERIFY(UpdateDimensions(rig.cash, files[0], &records[0]));
    QCOMPARE(records[0].Width, 1);
    QCOMPARE(records[0].Height, 10);
    // Not a user edit: nothing to write back, nothing to warn of at exit.
    QVERIFY(!records[0].Modified);
    QVERIFY(!UpdateDimensions(rig.cash, QStringLiteral("/nowhere.img"), &records[0]));
  }

  // An error the cache cannot get round (here a plug-in failure) is shown
  // with the cache's label, then the loader's, and the loader ends; the
  // queue keeps the rest for the next load.
  void errorEndsLoader() {
    ErrorRecorder errors;
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("e"), 3);
    rig.maker.FailOn(Name(files[1]));
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    QTRY_COMPARE(errors.messages().size(), 2);
    const QStringList m = errors.messages();
    QCOMPARE(m[0], QStringLiteral("TCash.SetBitmapToCash(%1): plug-in failure").arg(files[1]));
    QCOMPARE(m[1], QStringLiteral("Thread1: plug-in failure"));
    rig.control.CloseLoader();
    QVERIFY(rig.cash.Contains(files[0]));
    QVERIFY(!rig.cash.Contains(files[2]));
  }

  // A catalog that cannot be read or written costs no thumbnail and shows
  // no message: the thumbnails are made from the files and kept in memory,
  // and the loader goes on with the rest of the queue. Each write is
  // reported to the store once the cache holds no lock.
  void catalogFaultsKeepThumbnails_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("writes");
    QTest::addColumn<QString>("reports");
    QTest::newRow("reading one row fails") << "read" << 3 << "ok,ok,ok";
    QTest::newRow("every write fails") << "write" << 0 << "failed,failed,failed";
  }
  void catalogFaultsKeepThumbnails() {
    QFETCH(QString, fault);
    QFETCH(int, writes);
    QFETCH(QString, reports);
    ErrorRecorder errors;
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("w"), 3);
    for (const QString& p : files) {
      rig.store.rows[Name(p)] = TThumbRow{};
    }
    if (fault == QLatin1String("read")) {
      rig.store.FailOn = Name(files[1]);
    } else {
      rig.store.FailWrites = true;
    }
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    QTRY_COMPARE(rig.control.QueuedCount(), 0);
    rig.control.CloseLoader();
    for (int i = 0; i < 3; ++i) {
      const TBmpCashPtr entry = rig.cash.Find(files[i]);
      QVERIFY2(entry && !entry->Undecodable, qPrintable(Name(files[i])));
      QCOMPARE(entry->Width, i + 1);
    }
    QCOMPARE(rig.maker.Decoded().size(), 3);
    QCOMPARE(rig.store.writes, writes);
    QCOMPARE(rig.store.reports.join(QLatin1Char(',')), reports);
    QCOMPARE(rig.store.reportsUnderLock, 0);
    QCOMPARE(errors.messages(), QStringList());
  }

  // Clearing the cache stops and joins the loader and starts a new one on
  // the same queue; nothing is lost from the queue.
  void clearCashKeepsQueue() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("k"), 6);
    rig.maker.BlockOn(QStringLiteral("k2.img"));
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    rig.maker.WaitUntilBlocked();
    std::thread releaser([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      rig.maker.Release();
    });
    rig.control.ClearCash(128);
    releaser.join();
    QVERIFY(rig.control.HasLoader());
    QTRY_COMPARE(rig.control.QueuedCount(), 0);
    rig.control.CloseLoader();
    for (int i = 3; i < 6; ++i) {
      QVERIFY(rig.cash.Contains(files[i]));
    }
    QVERIFY(!rig.cash.Contains(files[0]));
  }

  // Clear Cash while the loader is inside a file (its decode, or the read
  // of its stored thumbnail): nothing made before the clear survives it.
  // Once the ribbon asks again for the nine files it shows, every one of
  // them is cached as made after the clear: thumbnails of the new size,
  // stored thumbnails as the catalog holds them now. The file under way is
  // loaded again without being asked for: checked where the test can hold
  // it across the clear (the read runs outside every lock; the clear waits
  // for a decode, which holds DecodeLock).
  void clearCashReloadsShownFiles_data() {
    QTest::addColumn<bool>("stored");
    QTest::newRow("while decoding") << false;
    QTest::newRow("while reading the stored thumbnail") << true;
  }
  void clearCashReloadsShownFiles() {
    QFETCH(bool, stored);
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("s"), 12);
    const QStringList shown = files.mid(0, 9);
    const QString inFlight = files[2];
    if (stored) {
      QImage small(8, 8, QImage::Format_RGB888);
      small.fill(Qt::gray);
      const QByteArray jpeg = EncodeThumbJpeg(small.constBits(), 8, 8, int(small.bytesPerLine()));
      for (const QString& p : files) {
        TThumbRow row;
        row.Width = 111;
        row.Height = 10;
        row.FileDate = FileModDays(p);
        row.IsThumb = true;
        row.Thumb = jpeg;
        rig.store.rows[Name(p)] = row;
      }
      rig.store.ReadGate.BlockOn(Name(inFlight));
    } else {
      rig.maker.BlockOn(Name(inFlight));
    }
    // Made after the clear: the new thumbnail size, or the rows as they
    // are after it.
    auto fresh = [&](const QString& p) {
      const TBmpCashPtr e = rig.cash.Find(p);
      return e && (stored ? e->Width == 222 : e->Bitmap.width() == 8);
    };
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    if (stored) {
      rig.store.ReadGate.WaitUntilBlocked();
    } else {
      rig.maker.WaitUntilBlocked();
    }
    QCOMPARE(rig.cash.Count(), 2);
    std::thread releaser([&] {
      if (stored) {
        // The clear goes ahead while the read is held; the rows change
        // after it, as when the thumbnails are made again.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (rig.cash.Count() != 0 && std::chrono::steady_clock::now() < deadline) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        rig.store.EditRows([](std::map<QString, TThumbRow>& rows) {
          for (auto& [name, row] : rows) {
            row.Width = 222;
          }
        });
        rig.store.ReadGate.Release();
      } else {
        rig.maker.Release();
      }
    });
    rig.control.ClearCash(8);
    releaser.join();
    QTRY_COMPARE(rig.control.QueuedCount(), 0);
    if (stored) {
      QVERIFY2(fresh(inFlight), "the file under way at the clear");
    }

    // The ribbon's rebuild asks for every file it shows, the last filled first.
    for (const QString& p : shown) {
      rig.control.LoadImageFirst(p);
    }
    QTRY_COMPARE(rig.control.QueuedCount(), 0);
    rig.control.CloseLoader();
    for (const QString& p : shown) {
      QVERIFY2(fresh(p), qPrintable(Name(p)));
    }
  }

  // A decode that never returns (a file on a stalled network mount) must
  // not hold up the program's close: the bounded close gives up on the
  // thread, leaves it detached, and reports it. The rig outlives the test
  // as the program's objects outlive such a thread (it ends with _exit).
  void closeGivesUpOnStuckDecode() {
    auto* rig = new TRig;  // deliberately never freed, see above
    const QStringList files = rig->MakeFiles(QStringLiteral("n"), 3);
    rig->maker.BlockOn(Name(files[1]));
    rig->control.Enqueue(files);
    rig->control.StartLoader(256);
    rig->maker.WaitUntilBlocked();
    QVERIFY(!rig->control.CloseLoader(std::chrono::milliseconds(200)));
    QVERIFY(!rig->control.HasLoader());
    QCOMPARE(rig->control.ReapRetired(true), 0);
    QCOMPARE(rig->control.QueuedCount(), 0);

    // A loader that ends in time is joined and reported as ended.
    TRig quick;
    const QStringList some = quick.MakeFiles(QStringLiteral("q"), 2);
    quick.control.Enqueue(some);
    quick.control.StartLoader(256);
    QTRY_COMPARE(quick.control.QueuedCount(), 0);
    QVERIFY(quick.control.CloseLoader(std::chrono::milliseconds(5000)));
    QVERIFY(TRig().control.CloseLoader(std::chrono::milliseconds(0)));  // never started

    // The stuck decode returns at last: the abandoned thread finishes its
    // file and starts no other.
    rig->maker.Release();
    QTRY_VERIFY(rig->cash.Contains(files[1]));
    { std::lock_guard decode(rig->locks.DecodeLock); }
    QCOMPARE(rig->maker.Decoded().size(), 2);
    QVERIFY(!rig->cash.Contains(files[2]));
    rig->dir.remove();
  }
};

QTEST_GUILESS_MAIN(TestLoader)
#include "test_loader.moc"
