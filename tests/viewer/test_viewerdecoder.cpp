#include <QDeadlineTimer>
#include <QFile>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "common/regstore.h"
#include "imaging/plugins.h"
#include "viewer/picturecache.h"
#include "viewer/viewerdecoder.h"

using namespace glimr;
using namespace std::chrono_literals;

namespace {

// Pixel buffers made by TFakeDecodes and not yet freed, whoever holds them.
std::atomic<std::int64_t> gLiveBytes{0};

void FreeCounted(void* info) {
  auto* data = static_cast<uchar*>(info);
  gLiveBytes -= *reinterpret_cast<std::int64_t*>(data);
  delete[] data;
}

// A 24-bit picture whose pixel buffer is counted in gLiveBytes while any
// copy of it lives.
QImage CountedPicture(QSize size) {
  const int stride = (size.width() * 3 + 3) & ~3;
  const std::int64_t bytes = std::int64_t(stride) * size.height();
  auto* block = new uchar[sizeof(std::int64_t) + bytes]();
  *reinterpret_cast<std::int64_t*>(block) = bytes;
  gLiveBytes += bytes;
  return QImage(block + sizeof(std::int64_t), size.width(), size.height(), stride,
                QImage::Format_BGR888, FreeCounted, block);
}

// Decodes that block until the test lets them go, recording which files were
// decoded, how many ran at once and whether DecodeLock was held. Shared with
// the worker threads, which may outlive a test's decoder.
struct TFakeDecodes {
  std::mutex Mutex;
  std::condition_variable Changed;
  std::vector<QString> Started;
  std::set<QString> Released;
  bool ReleaseAll = false;
  int Inside = 0;
  int MostInside = 0;
  std::set<QString> Failing;
  std::set<QString> Unsafe;  // files whose plug-in needs DecodeLock
  QSize Size{40, 30};

  void Release(const QString& path) {
    std::lock_guard hold(Mutex);
    Released.insert(path);
    Changed.notify_all();
  }
  void Open() {
    std::lock_guard hold(Mutex);
    ReleaseAll = true;
    Changed.notify_all();
  }
  // Waits (without the event loop: the decodes run on their own threads)
  // until count decodes have started.
  bool WaitStarted(int count) {
    std::unique_lock hold(Mutex);
    return Changed.wait_for(hold, 5s, [&] { return static_cast<int>(Started.size()) >= count; });
  }
  std::vector<QString> StartedCopy() {
    std::lock_guard hold(Mutex);
    return Started;
  }

  QImage Decode(const QString& path) {
    std::unique_lock hold(Mutex);
    Started.push_back(path);
    MostInside = std::max(MostInside, ++Inside);
    Changed.notify_all();
    Changed.wait(hold, [&] { return ReleaseAll || Released.count(path) > 0; });
    --Inside;
    if (Failing.count(path))
      return {};
    const QSize size = Size;
    hold.unlock();
    return CountedPicture(size);
  }
};

struct TFixture {
  std::shared_ptr<TFakeDecodes> Fake = std::make_shared<TFakeDecodes>();
  std::mutex DecodeLock;
  std::unique_ptr<TViewerDecoder> Decoder;

  TFixture() {
    const std::shared_ptr<TFakeDecodes> fake = Fake;
    Decoder = std::make_unique<TViewerDecoder>(
        [fake](const QString& path, TDecodeKind) { return fake->Decode(path); },
        [fake](const QString& path) {
          std::lock_guard hold(fake->Mutex);
          return fake->Unsafe.count(path) > 0;
        },
        DecodeLock);
  }
  ~TFixture() {
    // Every decode ends before the fake and the lock go.
    Fake->Open();
    if (Decoder)
      Decoder->WaitIdle(10s);
  }
};

TPictureKey Key(const QString& path, TDecodeKind kind = TDecodeKind::Full()) {
  TPictureKey key;
  key.Path = path;
  key.Kind = kind;
  return key;
}

// Runs the event loop until done() holds, polling far more often than
// QTRY_VERIFY does (many steps wait in turn); false after five seconds.
template <typename Done>
bool Await(Done done) {
  const QDeadlineTimer deadline(5000);
  while (!done()) {
    if (deadline.hasExpired())
      return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

QString Name(int i) {
  return QStringLiteral("/photos/%1.jpg").arg(i);
}

QStringList ReadyPaths(const QSignalSpy& spy) {
  QStringList paths;
  for (const QList<QVariant>& args : spy)
    paths << args.at(0).value<TPictureKey>().Path;
  return paths;
}

}  // namespace

class TestViewerDecoder : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The shown picture is started before a prefetch asked for earlier, and a
  // prefetch starts at once when a slot is free and no shown picture waits.
  void shownGoesBeforePrefetch() {
    TFixture f;
    QSignalSpy ready(f.Decoder.get(), &TViewerDecoder::pictureReady);
    f.Decoder->Request(Key(QStringLiteral("a")), TDecodePriority::Shown);
    f.Decoder->Request(Key(QStringLiteral("b")), TDecodePriority::Prefetch);
    QVERIFY(f.Fake->WaitStarted(2));
    f.Decoder->Request(Key(QStringLiteral("c")), TDecodePriority::Prefetch);
    QCOMPARE(f.Decoder->Waiting(), 1);
    // The user steps on: c waited and is discarded; d is shown, c asked for
    // again as its neighbour queues behind it.
    f.Decoder->Request(Key(QStringLiteral("d")), TDecodePriority::Shown);
    f.Decoder->Request(Key(QStringLiteral("c")), TDecodePriority::Prefetch);
    QCOMPARE(f.Decoder->Waiting(), 2);
    f.Fake->Release(QStringLiteral("b"));
    QTRY_COMPARE(f.Fake->StartedCopy().size(), std::size_t(3));
    QTRY_COMPARE(f.Decoder->InFlight(), 2);
    QCOMPARE(f.Fake->StartedCopy().at(2), QStringLiteral("d"));
    f.Fake->Open();
    QTRY_VERIFY(f.Decoder->InFlight() == 0 && f.Decoder->Waiting() == 0);
    // a and b belong to the picture shown before: only d and c arrive.
    QStringList paths = ReadyPaths(ready);
    paths.sort();
    QCOMPARE(paths, (QStringList{QStringLiteral("c"), QStringLiteral("d")}));
  }

  // Holding an arrow key: 50 shown requests while the first decodes block.
  // Never more than two decodes run, at most the newest request waits, and
  // only the last picture arrives; the two started before it are dropped.
  void burstOfShownRequests() {
    TFixture f;
    QSignalSpy ready(f.Decoder.get(), &TViewerDecoder::pictureReady);
    for (int i = 0; i < 50; ++i) {
      f.Decoder->Request(Key(Name(i)), TDecodePriority::Shown);
      QVERIFY(f.Decoder->InFlight() <= TViewerDecoder::kMaxInFlight);
      QVERIFY(f.Decoder->Waiting() <= 1);
    }
    QVERIFY(f.Fake->WaitStarted(2));
    f.Fake->Open();
    QTRY_COMPARE(ready.count(), 1);
    QCOMPARE(ready.at(0).at(0).value<TPictureKey>().Path, Name(49));
    QVERIFY(f.Decoder->WaitIdle(5s));
    QCoreApplication::processEvents();
    QCOMPARE(ready.count(), 1);
    const std::vector<QString> started = f.Fake->StartedCopy();
    QCOMPARE(std::set<QString>(started.begin(), started.end()),
             (std::set<QString>{Name(0), Name(1), Name(49)}));
    QCOMPARE(started.back(), Name(49));
    QCOMPARE(f.Fake->MostInside, 2);
    QVERIFY(!f.Decoder->Peek(Key(Name(49))).isNull());
    QVERIFY(!f.Decoder->Cache().Contains(Key(Name(0))));
  }

  // A result nobody wants when it arrives is neither signalled nor cached.
  void unwantedResultsAreDropped_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("cancelled") << 0;
    QTest::newRow("file forgotten") << 1;
    QTest::newRow("another picture shown") << 2;
    QTest::newRow("prefetch pushed out by newer ones") << 3;
  }
  void unwantedResultsAreDropped() {
    QFETCH(int, how);
    TFixture f;
    QSignalSpy ready(f.Decoder.get(), &TViewerDecoder::pictureReady);
    QSignalSpy failed(f.Decoder.get(), &TViewerDecoder::failed);
    const QString a = QStringLiteral("a");
    f.Decoder->Request(Key(a), how == 3 ? TDecodePriority::Prefetch : TDecodePriority::Shown);
    QVERIFY(f.Fake->WaitStarted(1));
    switch (how) {
      case 0:
        f.Decoder->Cancel();
        break;
      case 1:
        f.Decoder->Forget(a);
        break;
      case 2:
        f.Decoder->Request(Key(QStringLiteral("b")), TDecodePriority::Shown);
        break;
      default:
        f.Decoder->Request(Key(QStringLiteral("b")), TDecodePriority::Prefetch);
        f.Decoder->Request(Key(QStringLiteral("c")), TDecodePriority::Prefetch);
        break;
    }
    f.Fake->Open();
    QTRY_VERIFY(f.Decoder->InFlight() == 0 && f.Decoder->Waiting() == 0);
    QVERIFY(!ReadyPaths(ready).contains(a));
    QCOMPARE(failed.count(), 0);
    QVERIFY(!f.Decoder->Cache().Contains(Key(a)));
  }

  // A file that changes while it decodes is decoded again when asked for;
  // the picture of the old contents never arrives.
  void forgottenFileIsDecodedAgain() {
    TFixture f;
    QSignalSpy ready(f.Decoder.get(), &TViewerDecoder::pictureReady);
    const QString a = QStringLiteral("a");
    f.Decoder->Request(Key(a), TDecodePriority::Shown);
    QVERIFY(f.Fake->WaitStarted(1));
    f.Decoder->Forget(a);
    QVERIFY(!f.Decoder->Request(Key(a), TDecodePriority::Shown));
    QVERIFY(f.Fake->WaitStarted(2));
    QCOMPARE(f.Decoder->InFlight(), 2);
    f.Fake->Open();
    QTRY_COMPARE(ready.count(), 1);
    QVERIFY(f.Decoder->WaitIdle(5s));
    QCoreApplication::processEvents();
    QCOMPARE(ready.count(), 1);
  }

  // A picture already cached is answered at once, nothing decoded; one that
  // fails is reported as failed, not as ready.
  void cachedAndFailedRequests() {
    TFixture f;
    QSignalSpy ready(f.Decoder.get(), &TViewerDecoder::pictureReady);
    QSignalSpy failed(f.Decoder.get(), &TViewerDecoder::failed);
    f.Fake->Failing.insert(QStringLiteral("bad"));
    f.Fake->Open();
    QVERIFY(!f.Decoder->Request(Key(QStringLiteral("a")), TDecodePriority::Shown));
    f.Decoder->Request(Key(QStringLiteral("bad")), TDecodePriority::Prefetch);
    QTRY_COMPARE(ready.count(), 1);
    QTRY_COMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).value<TPictureKey>().Path, QStringLiteral("bad"));
    QVERIFY(f.Decoder->Request(Key(QStringLiteral("a")), TDecodePriority::Shown));
    // Another size or turn is another picture.
    TPictureKey turned = Key(QStringLiteral("a"));
    turned.Angle = 90;
    QVERIFY(!f.Decoder->Request(turned, TDecodePriority::Shown));
    QVERIFY(!f.Decoder->Request(Key(QStringLiteral("a"), TDecodeKind::Fit(10)),
                                TDecodePriority::Shown));
    // The turned picture was shown only until the fitted one was asked for.
    QTRY_VERIFY(f.Decoder->InFlight() == 0);
    QCOMPARE(f.Fake->StartedCopy().size(), std::size_t(4));
    QCOMPARE(ready.count(), 2);
    QCOMPARE(ready.at(1).at(0).value<TPictureKey>().Kind, TDecodeKind::Fit(10));
  }

  // DecodeLock is held during a decode exactly when the file's plug-in is
  // not thread-safe (and when nobody can tell).
  void lockOnlyForUnsafePlugins_data() {
    QTest::addColumn<bool>("unsafe");
    QTest::addColumn<bool>("askable");
    QTest::newRow("thread-safe plug-in") << false << true;
    QTest::newRow("plug-in not thread-safe") << true << true;
    QTest::newRow("no answer") << false << false;
  }
  void lockOnlyForUnsafePlugins() {
    QFETCH(bool, unsafe);
    QFETCH(bool, askable);
    auto fake = std::make_shared<TFakeDecodes>();
    std::mutex decodeLock;
    TNeedsDecodeLock needsLock;
    if (askable)
      needsLock = [unsafe](const QString&) { return unsafe; };
    {
      TViewerDecoder decoder(
          [fake](const QString& path, TDecodeKind) { return fake->Decode(path); }, needsLock,
          decodeLock);
      QSignalSpy ready(&decoder, &TViewerDecoder::pictureReady);
      decoder.Request(Key(QStringLiteral("a")), TDecodePriority::Shown);
      QVERIFY(fake->WaitStarted(1));
      const bool isFree = decodeLock.try_lock();
      if (isFree)
        decodeLock.unlock();
      QCOMPARE(isFree, askable && !unsafe);
      fake->Open();
      QTRY_COMPARE(ready.count(), 1);
      QVERIFY(decoder.WaitIdle(5s));
    }
    QVERIFY(decodeLock.try_lock());
    decodeLock.unlock();
  }

  // Stepping through 200 large pictures with both neighbours prefetched: the
  // cache holds the shown picture and two others, and all pictures alive
  // (cache, decodes in flight, the one the test holds) stay within that plus
  // two decodes.
  void memoryStaysBoundedOverManySteps() {
    TFixture f;
    f.Fake->Size = QSize(1200, 800);
    f.Fake->Open();
    const std::int64_t picture = std::int64_t(1200 * 3) * 800;
    const std::int64_t before = gLiveBytes;
    std::int64_t most = 0;
    for (int i = 0; i < 200; ++i) {
      const TPictureKey shown = Key(Name(i));
      const bool cached = f.Decoder->Request(shown, TDecodePriority::Shown);
      f.Decoder->Request(Key(Name(i + 1)), TDecodePriority::Prefetch);
      if (i > 0)
        f.Decoder->Request(Key(Name(i - 1)), TDecodePriority::Prefetch);
      QVERIFY(f.Decoder->InFlight() <= TViewerDecoder::kMaxInFlight);
      if (!cached)
        QVERIFY(Await([&] { return f.Decoder->Cache().Contains(shown); }));
      const QImage held = f.Decoder->Peek(shown);
      QVERIFY(!held.isNull());
      QVERIFY(f.Decoder->Cache().Count() <= 3);
      QVERIFY(f.Decoder->Cache().Bytes() <= 3 * picture);
      most = std::max<std::int64_t>(most, gLiveBytes - before);
    }
    QVERIFY2(most <= 5 * picture, qPrintable(QString::number(most / picture)));
    // Each step found its picture decoded ahead or on its way: no file was
    // decoded twice.
    const std::vector<QString> started = f.Fake->StartedCopy();
    QCOMPARE(std::set<QString>(started.begin(), started.end()).size(), started.size());
    f.Fake->Open();
    QVERIFY(f.Decoder->WaitIdle(5s));
    QCoreApplication::processEvents();
    f.Decoder.reset();
    QCOMPARE(gLiveBytes.load(), before);
  }

  // The decoder goes while a decode is stuck in its plug-in: nothing waits
  // for it, and when the decode ends its thread lets go of everything it
  // held without touching the decoder.
  void shutdownWithDecodeStillBlocked() {
    auto fake = std::make_shared<TFakeDecodes>();
    static std::mutex decodeLock;  // outlives the abandoned thread
    auto decoder = std::make_unique<TViewerDecoder>(
        [fake](const QString& path, TDecodeKind) { return fake->Decode(path); },
        [](const QString&) { return true; }, decodeLock);
    decoder->Request(Key(QStringLiteral("stuck")), TDecodePriority::Shown);
    QVERIFY(fake->WaitStarted(1));
    QVERIFY(decoder->IsBusy());
    QVERIFY(!decoder->WaitIdle(10ms));
    decoder.reset();
    fake->Open();
    // The thread held a copy of the decode function, which shares fake.
    QTRY_COMPARE(fake.use_count(), 1L);
    QCoreApplication::processEvents();
    QVERIFY(decodeLock.try_lock());
    decodeLock.unlock();
  }

  // The picture for a decoded image: fits keep neither side below the
  // minimum, averaged by whole factors; full pictures keep their size; the
  // turn swaps the sides; nothing usable gives a null image.
  void preparePicture_data() {
    QTest::addColumn<QSize>("decoded");
    QTest::addColumn<int>("minSide");
    QTest::addColumn<double>("angle");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("full keeps its size") << QSize(900, 600) << 0 << 0.0 << QSize(900, 600);
    QTest::newRow("fit of a reduced decode kept")
        << QSize(450, 300) << 200 << 0.0 << QSize(450, 300);
    QTest::newRow("fit of a full decode averaged")
        << QSize(900, 600) << 200 << 0.0 << QSize(300, 200);
    QTest::newRow("fit not below the minimum") << QSize(900, 599) << 200 << 0.0 << QSize(450, 299);
    QTest::newRow("portrait fit") << QSize(600, 1000) << 250 << 0.0 << QSize(300, 500);
    QTest::newRow("quarter turn") << QSize(90, 60) << 0 << 90.0 << QSize(60, 90);
    QTest::newRow("nothing decoded") << QSize() << 100 << 0.0 << QSize(0, 0);
  }
  void preparePicture() {
    QFETCH(QSize, decoded);
    QFETCH(int, minSide);
    QFETCH(double, angle);
    QFETCH(QSize, expected);
    QImage image;
    if (!decoded.isEmpty()) {
      image = QImage(decoded, QImage::Format_RGB32);
      image.fill(Qt::darkCyan);
    }
    TPictureKey key =
        Key(QStringLiteral("x"), minSide > 0 ? TDecodeKind::Fit(minSide) : TDecodeKind::Full());
    key.Angle = angle;
    const QImage picture = PrepareViewerPicture(image, key);
    QCOMPARE(picture.size(), expected);
    if (!picture.isNull()) {
      QCOMPARE(picture.format(), QImage::Format_BGR888);
      QCOMPARE(picture.pixelColor(0, 0), QColor(Qt::darkCyan));
    }
  }

  // The cache keeps the shown picture whatever else arrives, and of the
  // others the two used most recently.
  void cacheKeepsShownAndTwoRecent() {
    TPictureCache cache(2);
    const auto put = [&cache](const QString& path) {
      QImage image(10, 10, QImage::Format_BGR888);
      image.fill(Qt::red);
      cache.Put(Key(path), image);
    };
    put(QStringLiteral("shown"));
    cache.SetShown(Key(QStringLiteral("shown")));
    put(QStringLiteral("a"));
    put(QStringLiteral("b"));
    QVERIFY(!cache.Peek(Key(QStringLiteral("a"))).isNull());  // a is used again
    put(QStringLiteral("c"));
    QCOMPARE(cache.Count(), 3);
    QVERIFY(cache.Contains(Key(QStringLiteral("shown"))));
    QVERIFY(cache.Contains(Key(QStringLiteral("a"))));
    QVERIFY(!cache.Contains(Key(QStringLiteral("b"))));
    QCOMPARE(cache.Bytes(), 3 * QImage(10, 10, QImage::Format_BGR888).sizeInBytes());
    // Another picture shown: the one before becomes an other and may go.
    cache.SetShown(Key(QStringLiteral("c")));
    put(QStringLiteral("d"));
    QVERIFY(cache.Contains(Key(QStringLiteral("c"))));
    QVERIFY(!cache.Contains(Key(QStringLiteral("shown"))));
    QVERIFY(!cache.Take(Key(QStringLiteral("d"))).isNull());
    QVERIFY(!cache.Contains(Key(QStringLiteral("d"))));
    cache.Forget(QStringLiteral("c"));
    QVERIFY(!cache.Contains(Key(QStringLiteral("c"))));
    QVERIFY(cache.Take(Key(QStringLiteral("d"))).isNull());
  }

  // The real plug-ins: the lock is asked for by the plug-in of the extension
  // and, for a file whose extension lies, of its content; the fitted decode
  // is reduced, the full one is not.
  void pluginSet_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("needsLock");
    QTest::newRow("jpeg") << "a.jpg" << QByteArray() << false;
    QTest::newRow("jpeg-xl plug-in not thread-safe")
        << "a.jxl" << QByteArray("\xFF\x0A", 2) << true;
    QTest::newRow("jpeg-xl named .jpg") << "b.jpg" << QByteArray("\xFF\x0A junk", 7) << true;
    QTest::newRow("unknown extension") << "a.xyz" << QByteArray("xyz") << true;
  }
  void pluginSet() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, needsLock);
    QTemporaryDir dir;
    RegStore store(dir.filePath(QStringLiteral("Glimr.reg")));
    const TPluginSetPtr plugins = LoadPluginSet(store, QStringLiteral(GLIMR_PLUGIN_DIR));
    const QString path = dir.filePath(name);
    if (content.isEmpty()) {
      QImage photo(800, 600, QImage::Format_RGB32);
      photo.fill(Qt::darkGreen);
      QImageWriter writer(path, "JPG");
      QVERIFY(writer.write(photo));
    } else {
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(content);
    }
    QCOMPARE(PluginNeedsDecodeLock(*plugins)(path), needsLock);
    if (!content.isEmpty())
      return;
    const TViewerDecodeFunction decode = PluginViewerDecode(*plugins);
    QCOMPARE(decode(path, TDecodeKind::Full()).size(), QSize(800, 600));
    const QImage fit = decode(path, TDecodeKind::Fit(200));
    QVERIFY(std::min(fit.width(), fit.height()) >= 200);
    QVERIFY(fit.width() < 800);
  }
};

QTEST_GUILESS_MAIN(TestViewerDecoder)
#include "test_viewerdecoder.moc"
