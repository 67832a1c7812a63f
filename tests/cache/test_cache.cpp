// The cache's list order, the load queue and the stored JPEG format.
#include <QTest>

#include "common/errors.h"
#include "common/locks.h"
#include "glimr_plugin.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/loadqueue.h"
#include "imaging/cache/thumbjpeg.h"
#include "imaging/cache/thumbmaker.h"
#include "imaging/cache/thumbstore.h"
#include "imaging/cache/undecodablethumb.h"

using namespace glimr;

namespace {

class TNoMaker : public TThumbMaker {
 public:
  std::optional<TMadeThumb> MakeThumb(const QString&, std::int32_t) override { return {}; }
};

TBmpCashPtr Entry(int w = 10) {
  QImage b(4, 4, QImage::Format_RGB888);
  b.fill(Qt::black);
  return std::make_shared<TBmpCash>(w, w, std::move(b));
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
  // appends X, "?X" asks for a cached X (moves it to the front), "!X" pins
  // X, "-X" unpins it.
  void order_data() {
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("expected");
    QTest::newRow("hit moves to front, eviction from the front") << 3 << "+A +B +C ?B +D"
                                                                 << "A,C,D";
    QTest::newRow("hit changes only the position") << 3 << "+A +B +C ?C"
                                                   << "C,A,B";
    QTest::newRow("appending a cached path keeps one entry") << 3 << "+A +B +A"
                                                             << "A,B";
    QTest::newRow("eviction skips entries in use") << 3 << "+A +B +C !A !B +D"
                                                   << "A,B,D";
    QTest::newRow("all in use: added beyond capacity") << 2 << "+A +B !A !B +C"
                                                       << "A,B,C";
    QTest::newRow("shrinks back once released") << 2 << "+A +B !A !B +C -A -B +D"
                                                << "C,D";
  }
  void order() {
    QFETCH(int, capacity);
    QFETCH(QString, steps);
    QFETCH(QString, expected);
    TLocks locks;
    TNoMaker maker;
    TCash cash(locks, maker, capacity);
    std::map<QString, TBmpCashPtr> pinned;
    for (const QString& step : steps.split(QLatin1Char(' '))) {
      const QString key = step.mid(1);
      switch (step.at(0).toLatin1()) {
        case '+':
          cash.Append(key, Entry());
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
    cash.Clear();
    QCOMPARE(cash.Count(), 0);
    QCOMPARE(a->Width, 7);

    // Lowering the capacity evicts nothing by itself.
    for (const char* n : {"1", "2", "3", "4"}) {
      cash.Append(QString::fromLatin1(n), Entry());
    }
    cash.SetCapacity(2);
    QCOMPARE(cash.Count(), 4);
    cash.Append(QStringLiteral("5"), Entry());
    QCOMPARE(Order(cash), QStringLiteral("4,5"));
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
};

QTEST_GUILESS_MAIN(TestCache)
#include "test_cache.moc"
