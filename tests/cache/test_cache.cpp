// The cache's list order, the load queue and the stored JPEG format.
#include <QTest>

#include <unistd.h>

#include <thread>
#include <vector>

#include "common/errors.h"
#include "common/locks.h"
#include "glimr_plugin.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/loadqueue.h"
#include "imaging/cache/thumbjpeg.h"
#include "imaging/cache/thumbmaker.h"
#include "imaging/cache/thumbpixelpool.h"
#include "imaging/cache/thumbstore.h"
#include "imaging/cache/undecodablethumb.h"

using namespace glimr;

namespace {

class TNoMaker : public TThumbMaker {
 public:
  std::optional<TMadeThumb> MakeThumb(const QString&, std::int32_t) override { return {}; }
};

// A 4 x 4 thumbnail holds 48 bytes of pixels (rows of 12), an 8 x 8 one 192.
TBmpCashPtr Entry(int w = 10, int side = 4, double fileDate = 0.0) {
  QImage b(side, side, QImage::Format_RGB888);
  b.fill(Qt::black);
  return std::make_shared<TBmpCash>(w, w, std::move(b), false, fileDate);
}

QString Order(const TCash& cash) {
  QStringList names;
  for (int i = 0; i < cash.Count(); ++i) {
    names << cash.PathAt(i);
  }
  return names.join(QLatin1Char(','));
}

// A gradient with enough structure that a channel swap or a row shift shows.
QImage Gradient(int w, int h) {
  QImage b(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.scanLine(y) + x * 3;
      p[0] = static_cast<std::uint8_t>(200 * x / (w + h));
      p[1] = static_cast<std::uint8_t>(200 * y / (w + h));
      p[2] = 230;
    }
  }
  return b;
}

}  // namespace

class TestCache : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The cache's list order through a sequence of requests. Steps: "+X"
  // appends X (a 4 x 4 thumbnail; "+X:8" an 8 x 8 one), "?X" asks for a
  // cached X (moves it to the front), "!X" pins X, "-X" unpins it. The
  // memory budget, in bytes of pixels, makes room as the capacity does.
  void order_data() {
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<qint64>("budget");
    const qint64 plenty = qint64(1) << 40;
    QTest::newRow("hit moves to front, eviction from the front") << 3 << "+A +B +C ?B +D"
                                                                 << "A,C,D" << plenty;
    QTest::newRow("hit changes only the position") << 3 << "+A +B +C ?C"
                                                   << "C,A,B" << plenty;
    QTest::newRow("appending a cached path keeps one entry") << 3 << "+A +B +A"
                                                             << "A,B" << plenty;
    QTest::newRow("eviction skips entries in use") << 3 << "+A +B +C !A !B +D"
                                                   << "A,B,D" << plenty;
    QTest::newRow("all in use: added beyond capacity") << 2 << "+A +B !A !B +C"
                                                       << "A,B,C" << plenty;
    QTest::newRow("shrinks back once released") << 2 << "+A +B !A !B +C -A -B +D"
                                                << "C,D" << plenty;
    const qint64 small = 48;
    QTest::newRow("budget evicts before the capacity") << 10 << "+A +B +C +D"
                                                       << "B,C,D" << 3 * small;
    QTest::newRow("budget: eviction from the front after a hit") << 10 << "+A +B +C ?B +D"
                                                                 << "A,C,D" << 3 * small;
    QTest::newRow("budget skips entries in use") << 10 << "+A +B +C !A +D"
                                                 << "A,C,D" << 3 * small;
    QTest::newRow("a large entry evicts several small ones") << 10 << "+A +B +C +D:8"
                                                             << "C,D" << 4 * small + small;
    QTest::newRow("an entry over the whole budget still goes in") << 10 << "+A +B:8"
                                                                  << "B" << small;
    QTest::newRow("all in use: beyond the budget") << 10 << "+A +B !A !B +C"
                                                   << "A,B,C" << 2 * small;
  }
  void order() {
    QFETCH(int, capacity);
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    QFETCH(qint64, budget);
    TLocks locks;
    TNoMaker maker;
    TCash cash(locks, maker, capacity, budget);
    std::map<QString, TBmpCashPtr> pinned;
    for (const QString& step : steps.split(QLatin1Char(' '))) {
      const QString key = step.mid(1).section(QLatin1Char(':'), 0, 0);
      const int side =
          step.contains(QLatin1Char(':')) ? step.section(QLatin1Char(':'), 1).toInt() : 4;
      switch (step.at(0).toLatin1()) {
        case '+':
          cash.Append(key, Entry(10, side));
          break;
        case '?': {
          // SetBitmapToCash stops at step 1 for a cached path: no store or
          // plug-in is touched (the store reference is never used).
          class TNoStore : public TThumbStore {
           public:
            std::int32_t CatalogIDOfPath(const QString&) override { throw GlimrError("store"); }
            bool ReadThumbRow(const QString&, std::int32_t, TThumbRow&) override {
              throw GlimrError("store");
            }
            bool WriteThumbRow(const QString&, std::int32_t, const TThumbRow&) override {
              throw GlimrError("store");
            }
          } store;
          cash.SetBitmapToCash(key, store, 256);
          break;
        }
        case '!':
          pinned[key] = cash.Pin(key);
          QVERIFY(pinned[key]);
          break;
        case '-':
          cash.Unpin(pinned[key]);
          break;
      }
    }
    QCOMPARE(Order(cash), expected);
    qint64 held = 0;
    for (int i = 0; i < cash.Count(); ++i) {
      held += cash.EntryAt(i)->Bitmap.sizeInBytes();
    }
    QCOMPARE(cash.MemoryUsed(), held);
  }

  void lookups() {
    TLocks locks;
    TNoMaker maker;
    TCash cash(locks, maker, 5);
    cash.Append(QStringLiteral("/p/a.jpg"), Entry(7));
    cash.Append(QStringLiteral("/p/b.jpg"), Entry(8));
    QVERIFY(cash.Contains(QStringLiteral("/p/b.jpg")));
    // Paths compare as the file system does: case matters.
    QVERIFY(!cash.Contains(QStringLiteral("/p/B.jpg")));
    QCOMPARE(cash.IndexOfPath(QStringLiteral("/p/b.jpg")), 1);
    QCOMPARE(cash.IndexOfPath(QStringLiteral("/p/zzz.jpg")), -1);
    QCOMPARE(cash.Find(QStringLiteral("/p/a.jpg"))->Width, 7);
    QVERIFY(!cash.Find(QStringLiteral("/p/zzz.jpg")));
    QVERIFY(!cash.EntryAt(-1));
    QVERIFY(!cash.EntryAt(2));
    QCOMPARE(cash.EntryAt(1)->Width, 8);

    // A pinned entry survives RemoveIfUnused; a caller's pointer survives
    // removal and Clear.
    TBmpCashPtr a = cash.Pin(QStringLiteral("/p/a.jpg"));
    QVERIFY(!cash.RemoveIfUnused(0));
    QVERIFY(cash.RemoveIfUnused(1));
    QVERIFY(!cash.RemoveIfUnused(5));
    QCOMPARE(Order(cash), QStringLiteral("/p/a.jpg"));
    QCOMPARE(cash.MemoryUsed(), 48);
    const std::uint64_t generation = cash.Generation();
    cash.Clear();
    QCOMPARE(cash.Count(), 0);
    QCOMPARE(cash.MemoryUsed(), 0);
    QCOMPARE(cash.Generation(), generation + 1);
    QCOMPARE(a->Width, 7);

    // Lowering the capacity evicts nothing by itself.
    for (const char* n : {"1", "2", "3", "4"}) {
      cash.Append(QString::fromLatin1(n), Entry());
    }
    cash.SetCapacity(2);
    QCOMPARE(cash.Count(), 4);
    cash.Append(QStringLiteral("5"), Entry());
    QCOMPARE(Order(cash), QStringLiteral("4,5"));

    // Nor does lowering the memory budget.
    cash.SetCapacity(10);
    cash.SetMemoryBudget(48);
    QCOMPARE(cash.Count(), 2);
    cash.Append(QStringLiteral("6"), Entry());
    QCOMPARE(Order(cash), QStringLiteral("6"));
  }

  // An entry goes when the disk's date of its file is not the one it was
  // made for; an entry a slot shows goes too (the slot keeps its pointer).
  void dropIfDateDiffers_data() {
    QTest::addColumn<double>("made");
    QTest::addColumn<double>("onDisk");
    QTest::addColumn<bool>("pinned");
    QTest::addColumn<bool>("dropped");
    QTest::newRow("same date") << 45000.5 << 45000.5 << false << false;
    QTest::newRow("file changed") << 45000.5 << 45001.25 << false << true;
    QTest::newRow("file changed, shown in a slot") << 45000.5 << 45001.25 << true << true;
    QTest::newRow("file put back to an older date") << 45000.5 << 44000.0 << false << true;
  }
  void dropIfDateDiffers() {
    QFETCH(double, made);
    QFETCH(double, onDisk);
    QFETCH(bool, pinned);
    QFETCH(bool, dropped);
    TLocks locks;
    TNoMaker maker;
    TCash cash(locks, maker, 5);
    cash.Append(QStringLiteral("/p/a.jpg"), Entry(7, 4, 45000.5));
    cash.Append(QStringLiteral("/p/f.jpg"), Entry(9, 8, made));
    const TBmpCashPtr shown = pinned ? cash.Pin(QStringLiteral("/p/f.jpg")) : nullptr;
    QCOMPARE(cash.DropIfDateDiffers(QStringLiteral("/p/f.jpg"), onDisk), dropped);
    QCOMPARE(cash.Contains(QStringLiteral("/p/f.jpg")), !dropped);
    QCOMPARE(cash.MemoryUsed(), dropped ? 48 : 48 + 192);
    QVERIFY(cash.Contains(QStringLiteral("/p/a.jpg")));
    QVERIFY(!cash.DropIfDateDiffers(QStringLiteral("/p/none.jpg"), onDisk));
    if (shown) {
      QCOMPARE(shown->Width, 9);
      cash.Unpin(shown);
    }
    cash.Append(QStringLiteral("/p/f.jpg"), Entry(11, 4, onDisk));
    QCOMPARE(cash.Find(QStringLiteral("/p/f.jpg"))->Width, dropped ? 11 : 9);
    // A file the program deleted, moved or overwrote goes whatever its date.
    QVERIFY(cash.Drop(QStringLiteral("/p/a.jpg")));
    QVERIFY(!cash.Contains(QStringLiteral("/p/a.jpg")));
    QVERIFY(!cash.Drop(QStringLiteral("/p/a.jpg")));
  }

  // Without a budget of its own the cache takes an eighth of the physical
  // memory, never less than 256 MiB.
  void defaultMemoryBudget() {
    TLocks locks;
    TNoMaker maker;
    const std::int64_t budget = TCash(locks, maker).MemoryBudget();
    QCOMPARE(budget, DefaultCashMemoryBudget());
    QVERIFY(budget >= std::int64_t(256) << 20);
    const std::int64_t physical = std::int64_t(sysconf(_SC_PHYS_PAGES)) * sysconf(_SC_PAGESIZE);
    QVERIFY(budget <= std::max(physical / 8, std::int64_t(256) << 20));
  }

  void queueOrder() {
    TLoadQueue q;
    for (int i = 0; i < 5; ++i) {
      q.Add(QString::number(i));
    }
    q.Add(QStringLiteral("2"));  // already queued: keeps its place
    q.AddFirst(QStringLiteral("3"));
    q.AddFirst(QStringLiteral("9"));
    QCOMPARE(q.Count(), 6);
    QStringList order;
    while (!q.IsEmpty()) {
      order << q.First();
      QVERIFY(q.Remove(q.First()));
    }
    QCOMPARE(order.join(QLatin1Char(',')), QStringLiteral("9,3,0,1,2,4"));
    QVERIFY(!q.Remove(QStringLiteral("0")));
    QCOMPARE(q.First(), QString());
  }

  // Workers take the first path nobody holds. A claimed path keeps its
  // claim when it moves to the head or the queue is emptied (a folder
  // switch with its decode still under way), and nobody else takes it
  // until it is released.
  void queueClaims() {
    TLoadQueue q;
    for (const char* p : {"a", "b", "c"}) {
      q.Add(QString::fromLatin1(p));
    }
    QCOMPARE(q.ClaimFirst(), QStringLiteral("a"));
    QCOMPARE(q.ClaimFirst(), QStringLiteral("b"));
    q.AddFirst(QStringLiteral("b"));  // asked for again while under way
    q.AddFirst(QStringLiteral("d"));
    QCOMPARE(q.First(), QStringLiteral("d"));
    QCOMPARE(q.ClaimFirst(), QStringLiteral("d"));
    QCOMPARE(q.ClaimFirst(), QStringLiteral("c"));
    QVERIFY(!q.HasUnclaimed());
    QCOMPARE(q.ClaimFirst(), QString());
    QCOMPARE(q.Count(), 4);
    q.Unclaim(QStringLiteral("b"));  // given up, not done: free again
    QCOMPARE(q.ClaimFirst(), QStringLiteral("b"));
    q.Clear();
    q.Add(QStringLiteral("a"));
    q.Add(QStringLiteral("e"));
    QVERIFY(q.IsClaimed(QStringLiteral("a")));
    QCOMPARE(q.ClaimFirst(), QStringLiteral("e"));
    q.Unclaim(QStringLiteral("a"));
    QCOMPARE(q.ClaimFirst(), QStringLiteral("a"));
  }

  void jpegRoundTrip_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::newRow("256x256") << 256 << 256;
    QTest::newRow("odd stride 4x64") << 4 << 64;
    QTest::newRow("2048x4") << 2048 << 4;
  }
  void jpegRoundTrip() {
    QFETCH(int, w);
    QFETCH(int, h);
    const QImage src = Gradient(w, h);
    const QByteArray jpeg = EncodeThumbJpeg(src.constBits(), w, h, int(src.bytesPerLine()));
    // JFIF, baseline (SOF0), never progressive (SOF2).
    QVERIFY(jpeg.startsWith("\xFF\xD8\xFF\xE0"));
    QVERIFY(jpeg.contains("\xFF\xC0"));
    QVERIFY(!jpeg.contains("\xFF\xC2"));
    const QImage back = DecodeStoredThumb(jpeg);
    QCOMPARE(back.width(), w);
    QCOMPARE(back.height(), h);
    QCOMPARE(back.format(), QImage::Format_RGB888);
    QCOMPARE(back.bytesPerLine(), qsizetype(glimr_bytes_per_row(w)));
    // Byte order and rows survive: compare the centre pixel per channel.
    const std::uint8_t* a = src.constScanLine(h / 2) + (w / 2) * 3;
    const std::uint8_t* b = back.constScanLine(h / 2) + (w / 2) * 3;
    for (int c = 0; c < 3; ++c) {
      QVERIFY2(std::abs(a[c] - b[c]) <= 12, qPrintable(QString::number(c)));
    }
  }

  void jpegDamaged_data() {
    QTest::addColumn<QByteArray>("data");
    const QImage src = Gradient(64, 64);
    const QByteArray good = EncodeThumbJpeg(src.constBits(), 64, 64, int(src.bytesPerLine()));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a jpeg") << QByteArray("hello world, not a picture");
    QTest::newRow("truncated") << good.left(good.size() / 2);
    QTest::newRow("header only") << good.left(20);
    QByteArray garbled = good;
    for (qsizetype i = garbled.size() / 2; i < garbled.size() - 2; i += 7) {
      garbled[i] = '\xFF';
    }
    QTest::newRow("garbled scan") << garbled;
  }
  void jpegDamaged() {
    QFETCH(QByteArray, data);
    QVERIFY_THROWS_EXCEPTION(GlimrError, DecodeStoredThumb(data));
  }

  // The "cannot show" tile is a square power-of-two texture of the
  // thumbnail size, grey at the edges, with a coloured sun that proves the
  // red, green, blue byte order.
  void undecodableTile_data() {
    QTest::addColumn<int>("thumbSize");
    QTest::addColumn<int>("side");
    QTest::newRow("256") << 256 << 256;
    QTest::newRow("64") << 64 << 64;
    QTest::newRow("2048") << 2048 << 2048;
    QTest::newRow("not a power of two") << 100 << 128;
    QTest::newRow("zero") << 0 << 4;
  }
  void undecodableTile() {
    QFETCH(int, thumbSize);
    QFETCH(int, side);
    const QImage tile = MakeUndecodableThumb(thumbSize);
    QCOMPARE(tile.width(), side);
    QCOMPARE(tile.height(), side);
    QCOMPARE(tile.format(), QImage::Format_RGB888);
    QCOMPARE(tile.bytesPerLine(), qsizetype(glimr_bytes_per_row(side)));
    QCOMPARE(tile.sizeInBytes(), tile.bytesPerLine() * side);
    for (const auto& [x, y] :
         {std::pair{0, 0}, {side - 1, 0}, {0, side - 1}, {side - 1, side - 1}}) {
      const std::uint8_t* p = tile.constScanLine(y) + x * 3;
      QCOMPARE(int(p[0]), 128);
      QCOMPARE(int(p[1]), 128);
      QCOMPARE(int(p[2]), 128);
    }
    if (side >= 64) {
      const std::uint8_t* sun = tile.constScanLine(side * 38 / 100) + (side * 34 / 100) * 3;
      QVERIFY2(sun[0] > 200 && sun[2] < 100, "red first");
      // Something is drawn: the middle of the tile is not all background.
      int grey = 0;
      for (int x = 0; x < side; ++x) {
        const std::uint8_t* p = tile.constScanLine(side / 2) + x * 3;
        grey += p[0] == 128 && p[1] == 128 && p[2] == 128;
      }
      QVERIFY(grey < side * 3 / 4);
    }
  }
  // Thumbnail pixels come from the pool's slabs and go back when the last
  // copy of their image is gone, on whatever thread that happens.
  void pixelPool() {
    constexpr std::size_t kSlab = std::size_t(2) << 20;
    constexpr std::size_t kThumb = 256 * 256 * 3;
    TThumbPixelPool pool(kSlab);  // ten 256 x 256 thumbnails a slab
    QImage a = pool.Allocate(256, 256, QImage::Format_RGB888);
    QVERIFY(!a.isNull());
    QCOMPARE(a.bytesPerLine(), qsizetype(768));
    QCOMPARE(pool.UsedBytes(), kThumb);
    QCOMPARE(pool.ReservedBytes(), kSlab);
    const uchar* pixels = a.constBits();
    QImage copy = a;
    a = QImage();
    QCOMPARE(pool.UsedBytes(), kThumb);  // the copy still shows them
    copy.bits()[0] = 7;                  // the only copy: written in place
    QCOMPARE(copy.constBits(), pixels);
    copy = QImage();
    QCOMPARE(pool.UsedBytes(), std::size_t(0));
    QCOMPARE(pool.Allocate(256, 256, QImage::Format_RGB888).constBits(), pixels);

    // Eleven thumbnails take a second slab; when all are gone one empty
    // slab stays for the next ones and the other goes back.
    std::vector<QImage> many;
    for (int i = 0; i < 11; ++i) {
      many.push_back(pool.Allocate(256, 256, QImage::Format_RGB888));
    }
    QCOMPARE(pool.ReservedBytes(), 2 * kSlab);
    // Released on another thread, as a ribbon or a worker may.
    std::thread([&many] { many.clear(); }).join();
    QCOMPARE(pool.UsedBytes(), std::size_t(0));
    QCOMPARE(pool.ReservedBytes(), kSlab);

    for (const auto& [w, h] : {std::pair{0, 4}, {4, -1}, {70000, 4}}) {
      QVERIFY(pool.Allocate(w, h, QImage::Format_RGB888).isNull());
    }
    QCOMPARE(pool.UsedBytes(), std::size_t(0));
  }

  // Workers decode side by side into the shared pool while another thread
  // lets the images go.
  void pixelPoolThreads() {
    TThumbPixelPool pool(std::size_t(2) << 20);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
      threads.emplace_back([&pool, t] {
        std::vector<QImage> kept;
        for (int i = 0; i < 300; ++i) {
          QImage image = pool.Allocate(64 << (i % 3), 64, QImage::Format_RGB888);
          image.bits()[0] = static_cast<uchar>(t);
          kept.push_back(std::move(image));
          if (kept.size() > 20) {
            kept.erase(kept.begin());
          }
        }
      });
    }
    for (auto& t : threads) {
      t.join();
    }
    QCOMPARE(pool.UsedBytes(), std::size_t(0));
  }
};

QTEST_GUILESS_MAIN(TestCache)
#include "test_cache.moc"
