#include <QTest>

#include <climits>

#include "mainwindow/windowgeometry.h"

using namespace glimr;

namespace {

TProgState Stored(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
  TProgState s;
  s.Left = left;
  s.Top = top;
  s.Width = width;
  s.Height = height;
  return s;
}

// One 1280 x 1024 screen with a 32-pixel panel at the top, and a second
// 1920 x 1080 screen to its right.
const QRect kLeftScreen(0, 32, 1280, 992);
const QRect kRightScreen(1280, 0, 1920, 1080);

}  // namespace

Q_DECLARE_METATYPE(TProgState)
Q_DECLARE_METATYPE(TPanelSizes)

class TestWindowGeometry : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void restoredGeometry_data() {
    QTest::addColumn<TProgState>("stored");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<int>("primary");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("expected");

    const QList<QRect> one{kLeftScreen};
    const QList<QRect> two{kLeftScreen, kRightScreen};
    const QMargins none;

    QTest::newRow("fits: unchanged")
        << Stored(27, 96, 997, 642) << one << 0 << none << QRect(27, 96, 997, 642);
    QTest::newRow("huge size: the whole available area")
        << Stored(27, 96, INT_MAX, INT_MAX) << one << 0 << none << kLeftScreen;
    QTest::newRow("right and bottom edges past INT_MAX")
        << Stored(INT_MAX - 10, INT_MAX - 10, INT_MAX, INT_MAX) << one << 0 << none << kLeftScreen;
    QTest::newRow("far off at INT_MIN: moved onto the primary")
        << Stored(INT_MIN, INT_MIN, 500, 400) << one << 0 << none << QRect(0, 32, 500, 400);
    QTest::newRow("under the top panel: moved down")
        << Stored(100, 0, 500, 400) << one << 0 << none << QRect(100, 32, 500, 400);
    QTest::newRow("partly past the right edge: moved left")
        << Stored(1000, 100, 500, 400) << one << 0 << none << QRect(780, 100, 500, 400);
    QTest::newRow("zero size: the designed size")
        << Stored(10, 40, 0, 0) << one << 0 << none << QRect(10, 40, 997, 642);
    QTest::newRow("negative size: the designed size")
        << Stored(10, 40, -800, 600) << one << 0 << none << QRect(10, 40, 997, 642);
    QTest::newRow("on the second screen: stays there")
        << Stored(1500, 100, 800, 600) << two << 0 << none << QRect(1500, 100, 800, 600);
    QTest::newRow("too big for the second screen: its size")
        << Stored(1500, 100, 5000, 5000) << two << 0 << none << kRightScreen;
    QTest::newRow("corner off every screen, overlapping the second")
        << Stored(1500, -200, 800, 600) << two << 0 << none << QRect(1500, 0, 800, 600);
    QTest::newRow("off every screen: the primary (second)")
        << Stored(-5000, 5000, 800, 600) << two << 1 << none << QRect(1280, 480, 800, 600);
    QTest::newRow("primary out of range: the first")
        << Stored(-5000, 5000, 800, 600) << two << 7 << none << QRect(0, 424, 800, 600);
    QTest::newRow("frame kept inside the available area")
        << Stored(0, 32, 997, 642) << one << 0 << QMargins(4, 28, 4, 4) << QRect(4, 60, 997, 642);
    QTest::newRow("frame and huge size") << Stored(0, 0, INT_MAX, INT_MAX) << one << 0
                                         << QMargins(4, 28, 4, 4) << QRect(4, 60, 1272, 960);
    QTest::newRow("no screen: stored place, designed size at most")
        << Stored(27, 96, INT_MAX, 300) << QList<QRect>() << 0 << none << QRect(27, 96, 997, 300);
  }
  void restoredGeometry() {
    QFETCH(TProgState, stored);
    QFETCH(QList<QRect>, screens);
    QFETCH(int, primary);
    QFETCH(QMargins, frame);
    QFETCH(QRect, expected);
    const QRect restored = RestoredWindowGeometry(stored, screens, primary, frame);
    QCOMPARE(restored, expected);

    // What the window gives back after setGeometry(restored) is stored and
    // restored again: the same rectangle, so the window never creeps from
    // one session to the next.
    TProgState next = stored;
    StoreWindowGeometry(next, restored);
    QCOMPARE(RestoredWindowGeometry(next, screens, primary, frame), restored);
  }

  void storeKeepsOldValuesWithoutGeometry() {
    TProgState s = Stored(1, 2, 3, 4);
    StoreWindowGeometry(s, QRect());
    QCOMPARE(s, Stored(1, 2, 3, 4));
    StoreWindowGeometry(s, QRect(-10, 20, 640, 480));
    QCOMPARE(s, Stored(-10, 20, 640, 480));
  }

  void panelSizes_data() {
    QTest::addColumn<int>("up");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<QSize>("area");
    QTest::addColumn<TPanelSizes>("expected");

    const QSize window(997, 642);
    QTest::newRow("designed layout: unchanged")
        << 420 << 254 << 223 << window << TPanelSizes{420, 254, 223};
    QTest::newRow("negative: zero") << -5 << INT_MIN << -1 << window << TPanelSizes{0, 0, 0};
    // 3 * INT_MAX overflows an int sum; each is cut to the window instead.
    QTest::newRow("all INT_MAX") << INT_MAX << INT_MAX << INT_MAX << window
                                 << TPanelSizes{592, 897, 0};
    QTest::newRow("sides too wide together: the right gives way")
        << 420 << 600 << 600 << window << TPanelSizes{420, 600, 297};
    QTest::newRow("window smaller than the ribbon's minimum")
        << 420 << 254 << 223 << QSize(80, 40) << TPanelSizes{0, 0, 0};
    QTest::newRow("empty window") << 420 << 254 << 223 << QSize() << TPanelSizes{0, 0, 0};
  }
  void panelSizes() {
    QFETCH(int, up);
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(QSize, area);
    QFETCH(TPanelSizes, expected);
    const TPanelSizes got = ClampPanelSizes(up, left, right, area);
    QCOMPARE(got.UpHeight, expected.UpHeight);
    QCOMPARE(got.LeftWidth, expected.LeftWidth);
    QCOMPARE(got.RightWidth, expected.RightWidth);
  }
};

QTEST_GUILESS_MAIN(TestWindowGeometry)
#include "test_windowgeometry.moc"
