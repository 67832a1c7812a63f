// The background loader: queue order, hand-over between loaders, stop and
// close while decodes are under way, the main-thread hand-back, errors. The
// whole set runs twice, with a loader of one worker and of four: with one
// the order of work is exact, with four the tests hold the workers at
// chosen files to check the order in which files are started, the claims
// and that no file is decoded twice.
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
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

// The worker count of the run under way (see main).
int gWorkers = 1;

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
        control(
            cash, locks, [this] { return std::make_unique<TStoreProxy>(store); }, gWorkers) {}

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

QStringList Names(const QStringList& paths) {
  QStringList names;
  for (const QString& p : paths) {
    names << Name(p);
  }
  return names;
}

QStringList Sorted(QStringList list) {
  list.sort();
  return list;
}

}  // namespace

class TestLoader : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A folder of 250 images queues the first 100; the ribbon reaching image
  // 180 puts it at the head and the next free worker takes it. The workers
  // start files in queue order, a file under way is claimed (asking for it
  // again starts no second decode) and no file is decoded twice.
  void movedToHeadLoadsNext() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("img"), 250);
    // Every worker held on one of the first files: they took them in order.
    const QStringList first = Names(files.mid(0, gWorkers));
    rig.maker.BlockOn(first);
    rig.control.Enqueue(files.mid(0, 100));
    rig.control.StartLoader(256);
    rig.maker.WaitUntilBlocked(gWorkers);
    QCOMPARE(Sorted(rig.maker.Decoded()), Sorted(first));
    rig.control.LoadImageFirst(files[180]);
    rig.control.LoadImageFirst(files[0]);  // under way: stays with its worker
    rig.maker.Release(first[0]);           // one worker free
    QTRY_VERIFY(rig.cash.Contains(files[180]));
    QCOMPARE(rig.maker.Decoded().value(gWorkers), QStringLiteral("img180.img"));
    rig.maker.Release();
    QTRY_COMPARE_WITH_TIMEOUT(rig.control.QueuedCount(), 0, 20000);
    const QStringList order = rig.maker.Decoded();
    QCOMPARE(order.size(), 101);
    QCOMPARE(QSet<QString>(order.begin(), order.end()).size(), 101);
    if (gWorkers == 1) {
      QCOMPARE(order[0], QStringLiteral("img0.img"));
      QCOMPARE(order[1], QStringLiteral("img180.img"));
      QCOMPARE(order[2], QStringLiteral("img1.img"));
      QCOMPARE(order.last(), QStringLiteral("img99.img"));
    }
    QCOMPARE(rig.cash.Count(), 100);  // the first file was evicted for 180's
    QVERIFY(!rig.cash.Contains(files[0]));
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
    rig.control.Enqueue(files);
    if (fault == QLatin1String("vanish")) {
      QVERIFY(QFile::remove(files[1]));
    }
    rig.control.StartLoader(128);
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

  // Switching folders while files decode: StopLoader returns at once, the
  // old workers finish the files they are on and end, and the new loader
  // loads only the new folder (one worker: after the old decode; more:
  // beside it).
  void loaderReplacedWhileDecoding() {
    TRig rig;
    const QStringList oldFiles = rig.MakeFiles(QStringLiteral("old"), gWorkers + 1);
    const QStringList newFiles = rig.MakeFiles(QStringLiteral("new"), 5);
    const QStringList held = Names(oldFiles.mid(0, gWorkers));
    QStringList handedBack;
    rig.control.SetOnLoaded([&](const QString& p) { handedBack << Name(p); });
    rig.maker.BlockOn(held);
    rig.control.Enqueue(oldFiles);
    rig.control.StartLoader(256);
    rig.maker.WaitUntilBlocked(gWorkers);

    rig.control.StopLoader();  // must not wait for the blocked decodes
    QCOMPARE(rig.control.QueuedCount(), 0);
    QVERIFY(!rig.control.HasLoader());
    rig.control.Enqueue(newFiles);
    rig.control.StartLoader(256);
    QCOMPARE(rig.control.ReapRetired(), gWorkers);  // still in their decodes
    rig.maker.Release();

    QTRY_COMPARE(rig.control.QueuedCount(), 0);
    QTRY_COMPARE(handedBack.size(), 5);
    const QStringList expected = Names(newFiles);
    // Nothing from the stopped loader, and the old file left queued never
    // started.
    QCOMPARE(gWorkers == 1 ? handedBack : Sorted(handedBack), expected);
    const QStringList decoded = rig.maker.Decoded();
    if (gWorkers == 1) {
      QCOMPARE(decoded, held + expected);
    } else {
      QCOMPARE(Sorted(decoded), Sorted(held + expected));
    }
    QTRY_COMPARE(rig.control.ReapRetired(), 0);  // the old threads have ended
    for (const QString& p : oldFiles.mid(0, gWorkers)) {
      QVERIFY(rig.cash.Contains(p));  // each finished the file it was on
    }
    QVERIFY(!rig.cash.Contains(oldFiles.last()));
  }

  // A file still under way in a stopped loader is claimed: a new loader
  // that finds it queued again waits for that decode instead of starting a
  // second one, then takes the finished thumbnail from the cache.
  void claimOutlivesLoaderSwitch() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("r"), 3);
    rig.maker.BlockOn(Name(files[0]));
    rig.control.Enqueue(files.mid(0, 1));
    rig.control.StartLoader(256);
    rig.maker.WaitUntilBlocked();
    rig.control.StopLoader();
    rig.control.Enqueue(files);  // the same folder read again
    rig.control.StartLoader(256);
    QTRY_VERIFY(rig.cash.Contains(files[1]) && rig.cash.Contains(files[2]));
    QVERIFY(!rig.cash.Contains(files[0]));
    QCOMPARE(rig.control.QueuedCount(), 1);
    rig.maker.Release();
    QTRY_COMPARE(rig.control.QueuedCount(), 0);
    rig.control.CloseLoader();
    QVERIFY(rig.cash.Contains(files[0]));
    QCOMPARE(rig.maker.Decoded().count(Name(files[0])), 1);
  }

  // Closing while decodes run waits for them, starts no other, and leaves
  // no thread behind; the files being decoded are finished and stored.
  void closeWhileDecoding() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("c"), gWorkers + 3);
    for (const QString& p : files) {
      rig.store.rows[Name(p)] = TThumbRow{};
    }
    // The first file passes; every worker is then held on one of the next.
    rig.maker.BlockOn(Names(files.mid(1, gWorkers)));
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    rig.maker.WaitUntilBlocked(gWorkers);
    std::thread releaser([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      rig.maker.Release();
    });
    rig.control.CloseLoader();
    releaser.join();
    QVERIFY(!rig.control.HasLoader());
    QCOMPARE(rig.control.ReapRetired(), 0);
    QCOMPARE(rig.maker.Decoded().size(), gWorkers + 1);
    QCOMPARE(rig.store.writes, gWorkers + 1);
    for (int i = 0; i <= gWorkers; ++i) {
      QVERIFY(rig.store.rows[Name(files[i])].IsThumb);
    }
    QVERIFY(!rig.store.rows[Name(files[gWorkers + 1])].IsThumb);
  }

  // The hand-back to the main thread does not hold the workers up: with no
  // event loop running they load every file. Hand-backs still pending when
  // the loader is closed do nothing.
  void closeWhileHandingBack() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("h"), 3);
    std::atomic<int> calls{0};
    rig.control.SetOnLoaded([&](const QString&) { ++calls; });
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    for (int i = 0; i < 5000 && rig.control.QueuedCount() > 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QCOMPARE(rig.control.QueuedCount(), 0);
    rig.control.CloseLoader();
    QCOMPARE(rig.control.ReapRetired(), 0);
    QCoreApplication::processEvents();  // the calls off the closed loader
    QCOMPARE(calls.load(), 0);
    QCOMPARE(rig.maker.Decoded().size(), 3);
    for (const QString& p : files) {
      QVERIFY(rig.cash.Contains(p));
    }
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
    int handedBack = 0;
    rig.control.SetOnLoaded([&](const QString& p) {
      ++handedBack;
      TImageFileInfo* r = &records[files.indexOf(p)];
      if (UpdateDimensions(rig.cash, p, r)) {
        refreshed << Name(p);
      }
    });
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    QTRY_COMPARE(handedBack, 2);
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
  // with the cache's label, then the loader's, once, and the loader ends
  // (all its workers); the queue keeps the rest for the next load.
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
    QVERIFY(!rig.cash.Contains(files[1]));
    if (gWorkers == 1) {
      QVERIFY(rig.cash.Contains(files[0]));
      QVERIFY(!rig.cash.Contains(files[2]));
    }
    QCOMPARE(errors.messages().size(), 2);
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
  // the same queue; nothing is lost from the queue, the files under way at
  // the clear included.
  void clearCashKeepsQueue() {
    TRig rig;
    const QStringList files = rig.MakeFiles(QStringLiteral("k"), gWorkers + 4);
    // The first two pass; every worker is then held on one of the next.
    rig.maker.BlockOn(Names(files.mid(2, gWorkers)));
    rig.control.Enqueue(files);
    rig.control.StartLoader(256);
    rig.maker.WaitUntilBlocked(gWorkers);
    std::thread releaser([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      rig.maker.Release();
    });
    rig.control.ClearCash(128);
    releaser.join();
    QVERIFY(rig.control.HasLoader());
    QTRY_COMPARE(rig.control.QueuedCount(), 0);
    rig.control.CloseLoader();
    for (int i = 2; i < files.size(); ++i) {
      QVERIFY2(rig.cash.Contains(files[i]), qPrintable(Name(files[i])));
    }
    QVERIFY(!rig.cash.Contains(files[0]));
    QVERIFY(!rig.cash.Contains(files[1]));
  }

  // Clear Cash while the loader is inside a file (its decode, or the read
  // of its stored thumbnail): nothing made before the clear survives it.
  // Once the ribbon asks again for the nine files it shows, every one of
  // them is cached as made after the clear: thumbnails of the new size,
  // stored thumbnails as the catalog holds them now. The files under way
  // are loaded again without being asked for: checked where the test can
  // change what they load after the clear (the rows).
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
    const QStringList inFlight = files.mid(2, gWorkers);
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
      rig.store.ReadGate.BlockOn(Names(inFlight));
    } else {
      rig.maker.BlockOn(Names(inFlight));
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
      rig.store.ReadGate.WaitUntilBlocked(gWorkers);
    } else {
      rig.maker.WaitUntilBlocked(gWorkers);
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
      for (const QString& p : inFlight) {
        QVERIFY2(fresh(p), qPrintable(Name(p) + QStringLiteral(" (under way at the clear)")));
      }
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
    const QStringList files = rig->MakeFiles(QStringLiteral("n"), gWorkers + 2);
    const QStringList stuck = files.mid(1, gWorkers);
    rig->maker.BlockOn(Names(stuck));
    rig->control.Enqueue(files);
    rig->control.StartLoader(256);
    rig->maker.WaitUntilBlocked(gWorkers);
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

    // The stuck decodes return at last: the abandoned threads finish their
    // files and start no other.
    rig->maker.Release();
    for (const QString& p : stuck) {
      QTRY_VERIFY(rig->cash.Contains(p));
    }
    { std::lock_guard decode(rig->locks.DecodeLock); }
    QCOMPARE(rig->maker.Decoded().size(), gWorkers + 1);
    QVERIFY(!rig->cash.Contains(files.last()));
    rig->dir.remove();
  }
};

// The set runs with a loader of one worker, then of four.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int status = 0;
  for (const int workers : {1, 4}) {
    gWorkers = workers;
    std::printf("== loader of %d worker(s)\n", workers);
    TestLoader test;
    status |= QTest::qExec(&test, argc, argv);
  }
  return status;
}
#include "test_loader.moc"
