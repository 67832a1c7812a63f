#include <QPainter>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <future>
#include <mutex>
#include <stdexcept>

#include "catalog/imagefileinfo.h"
#include "common/locks.h"
#include "testbitmaps.h"
#include "viewer/loadingdots.h"
#include "viewer/loadthread.h"
#include "viewer/rows24.h"
#include "viewer/ui/frmloading.h"
#include "viewer/ui/frmzoom.h"
#include "viewer/ui/showzoomed.h"
#include "viewer/zoomanimation.h"
#include "viewer/zoomartwork.h"
#include "viewer/zoomgeometry.h"

using namespace glimr;

Q_DECLARE_METATYPE(glimr::TScreenRect)

namespace {

// A W x H bitmap whose pixel (x, y) carries the number y * W + x + 1 in its
// blue byte, +100 in green and +200 in red, so channel order is checked too.
QImage Numbered(int w, int h) {
  QImage image = NewImage24(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uchar* p = image.scanLine(y) + 3 * x;
      const int n = y * w + x + 1;
      p[0] = uchar(n);
      p[1] = uchar(n + 100);
      p[2] = uchar(n + 200);
    }
  }
  return image;
}

// "5 1|6 2" for a 2 x 2 image: the numbers of Numbered() row by row.
QString Layout(const QImage& image) {
  QStringList rows;
  for (int y = 0; y < image.height(); ++y) {
    QStringList row;
    for (int x = 0; x < image.width(); ++x) {
      const uchar* p = image.constScanLine(y) + 3 * x;
      const bool consistent = p[1] == uchar(p[0] + 100) && p[2] == uchar(p[0] + 200);
      row << (consistent ? QString::number(p[0]) : QStringLiteral("?"));
    }
    rows << row.join(QLatin1Char(' '));
  }
  return rows.join(QLatin1Char('|'));
}

QImage Filled(int w, int h, uchar value) {
  QImage image = NewImage24(w, h);
  image.fill(QColor(value, value, value));
  return image;
}

uchar ByteAt(const QImage& image, int x, int y) {
  return image.constScanLine(y)[3 * x];
}

}  // namespace

class TestViewer : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { qRegisterMetaType<TScreenRect>(); }

  // ---- ZoomTargetRect -------------------------------------------------
  void zoomTargetRect_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<TScreenRect>("start");
    QTest::addColumn<int>("sw");
    QTest::addColumn<int>("sh");
    QTest::addColumn<TScreenRect>("expected");
    const TScreenRect mid{600, 400, 700, 480};
    QTest::newRow("fits, centred")
        << 800 << 600 << mid << 1280 << 1024 << TScreenRect{240, 212, 1040, 812};
    QTest::newRow("wider than 3/4 screen")
        << 4000 << 3000 << mid << 1280 << 1024 << TScreenRect{160, 152, 1120, 872};
    QTest::newRow("portrait taller than 3/4")
        << 600 << 2000 << mid << 1280 << 1024 << TScreenRect{525, 128, 755, 896};
    QTest::newRow("smaller than thumbnail")
        << 60 << 40 << mid << 1280 << 1024 << TScreenRect{565, 400, 715, 500};
    QTest::newRow("thumbnail at left edge") << 800 << 600 << TScreenRect{10, 300, 110, 380} << 1280
                                            << 1024 << TScreenRect{10, 212, 810, 812};
    QTest::newRow("thumbnail at right edge") << 800 << 600 << TScreenRect{1150, 300, 1250, 380}
                                             << 1280 << 1024 << TScreenRect{450, 212, 1250, 812};
    QTest::newRow("thumbnail at bottom") << 800 << 600 << TScreenRect{600, 900, 700, 1000} << 1280
                                         << 1024 << TScreenRect{240, 400, 1040, 1000};
    QTest::newRow("3/4 of 1282 is 961.5, rounds to 962")
        << 2000 << 1000 << mid << 1282 << 1024 << TScreenRect{160, 271, 1122, 752};
    QTest::newRow("3/4 of 1278 is 958.5, rounds to 958")
        << 2000 << 1000 << mid << 1278 << 1024 << TScreenRect{160, 272, 1118, 751};
    QTest::newRow("start larger than target") << 4000 << 3000 << TScreenRect{100, 100, 1200, 1000}
                                              << 1280 << 1024 << TScreenRect{240, 280, 1200, 1000};
    QTest::newRow("thin strip keeps a visible height")
        << 30000 << 1 << mid << 1280 << 1024 << TScreenRect{160, 479, 1120, 480};
    QTest::newRow("empty image does not divide by zero")
        << 0 << 0 << mid << 1280 << 1024 << TScreenRect{575, 400, 705, 530};
  }
  void zoomTargetRect() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(TScreenRect, start);
    QFETCH(int, sw);
    QFETCH(int, sh);
    QFETCH(TScreenRect, expected);
    QCOMPARE(ZoomTargetRect(w, h, start, sw, sh), expected);
  }

  void zoomTargetCoversSmallerThumbnail() {
    // Whatever the thumbnail's place, a target at least as large covers it.
    for (int x = 0; x <= 1180; x += 59) {
      for (int y = 0; y <= 940; y += 47) {
        const TScreenRect start{x, y, x + 100, y + 84};
        const TScreenRect t = ZoomTargetRect(1500, 1000, start, 1280, 1024);
        QVERIFY2(t.Left <= start.Left && t.Right >= start.Right && t.Top <= start.Top &&
                     t.Bottom >= start.Bottom,
                 qPrintable(QStringLiteral("thumbnail at %1,%2").arg(x).arg(y)));
        QCOMPARE(t.Width(), 960);
        QCOMPARE(t.Height(), 640);
      }
    }
  }

  void windowAroundTarget() {
    const TScreenRect w = ZoomWindowRect({240, 212, 1040, 812});
    QCOMPARE(w, (TScreenRect{235, 178, 1045, 817}));
    QCOMPARE(w.Width(), 800 + 10);
    QCOMPARE(w.Height(), 600 + 39);
  }

  void hitTest_data() {
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("hit");
    // A window 810 wide: the close button is x > 776 and y < 34.
    QTest::newRow("title strip left") << 0 << 0 << int(TZoomHit::TitleStrip);
    QTest::newRow("title strip last column") << 775 << 33 << int(TZoomHit::TitleStrip);
    QTest::newRow("between strip and button") << 776 << 10 << int(TZoomHit::Picture);
    QTest::newRow("close button") << 777 << 0 << int(TZoomHit::CloseButton);
    QTest::newRow("close button corner") << 809 << 33 << int(TZoomHit::CloseButton);
    QTest::newRow("below the button") << 800 << 34 << int(TZoomHit::Picture);
    QTest::newRow("picture") << 100 << 300 << int(TZoomHit::Picture);
  }
  void hitTest() {
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, hit);
    QCOMPARE(int(ZoomHitTest(x, y, 810)), hit);
  }

  void loadCapSize_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("expected");
    const QSize screen(1280, 1024);
    QTest::newRow("fits") << QSize(800, 600) << screen << QSize(800, 600);
    QTest::newRow("too wide") << QSize(4000, 3000) << screen << QSize(960, 720);
    QTest::newRow("too wide, then too high") << QSize(3000, 4000) << screen << QSize(576, 768);
    QTest::newRow("too high") << QSize(500, 1000) << screen << QSize(384, 768);
    QTest::newRow("24 MP photo") << QSize(6000, 4000) << screen << QSize(960, 640);
    QTest::newRow("thin strip keeps one row") << QSize(30000, 10) << screen << QSize(960, 1);
  }
  void loadCapSize() {
    QFETCH(QSize, image);
    QFETCH(QSize, screen);
    QFETCH(QSize, expected);
    QCOMPARE(LoadCapSize(image.width(), image.height(), screen), expected);
  }

  void centredOverPanel() {
    // (801 - 160) / 2 = 320 and (405 - 30) / 2 = 187, truncated.
    QCOMPARE(CentredOver(QRect(100, 50, 801, 405), QSize(160, 30)), QPoint(420, 237));
  }

  // ---- Turning and mirroring on raw rows ------------------------------
  void turnAndMirror_data() {
    QTest::addColumn<double>("angle");
    QTest::addColumn<bool>("leftRight");
    QTest::addColumn<bool>("topBottom");
    QTest::addColumn<QString>("expected");
    // The input is the 4 x 2 image  1 2 3 4 | 5 6 7 8.
    QTest::newRow("0") << 0.0 << false << false << "1 2 3 4|5 6 7 8";
    QTest::newRow("90: top-right is the old top-left")
        << 90.0 << false << false << "5 1|6 2|7 3|8 4";
    QTest::newRow("270: bottom-left is the old top-left")
        << 270.0 << false << false << "4 8|3 7|2 6|1 5";
    QTest::newRow("180 is both mirrors") << 180.0 << false << false << "8 7 6 5|4 3 2 1";
    QTest::newRow("180 with left-right is top-bottom only")
        << 180.0 << true << false << "5 6 7 8|1 2 3 4";
    QTest::newRow("180 with top-bottom is left-right only")
        << 180.0 << false << true << "4 3 2 1|8 7 6 5";
    QTest::newRow("180 with both mirrors is unchanged")
        << 180.0 << true << true << "1 2 3 4|5 6 7 8";
    QTest::newRow("left-right") << 0.0 << true << false << "4 3 2 1|8 7 6 5";
    QTest::newRow("top-bottom") << 0.0 << false << true << "5 6 7 8|1 2 3 4";
    QTest::newRow("90 then left-right") << 90.0 << true << false << "1 5|2 6|3 7|4 8";
    QTest::newRow("270 then top-bottom") << 270.0 << false << true << "1 5|2 6|3 7|4 8";
    QTest::newRow("45 leaves it unrotated") << 45.0 << false << false << "1 2 3 4|5 6 7 8";
    QTest::newRow("45 still mirrors") << 45.0 << true << false << "4 3 2 1|8 7 6 5";
    QTest::newRow("89.9999 is not a quarter turn")
        << 89.9999 << false << false << "1 2 3 4|5 6 7 8";
  }
  void turnAndMirror() {
    QFETCH(double, angle);
    QFETCH(bool, leftRight);
    QFETCH(bool, topBottom);
    QFETCH(QString, expected);
    const QImage source = Numbered(4, 2);
    const QImage result = TurnAndMirror(source, angle, leftRight, topBottom);
    QCOMPARE(Layout(result), expected);
    QCOMPARE(Layout(source), QStringLiteral("1 2 3 4|5 6 7 8"));  // input untouched
  }

  void turnOddSizesWithPadding() {
    // 5 x 3 rows are 15 bytes padded to 16; turned, 3 x 5 rows are 9 padded to 12.
    const QImage source = Numbered(5, 3);
    const QImage turned = TurnAndMirror(source, 90, false, false);
    QCOMPARE(Layout(turned), QStringLiteral("11 6 1|12 7 2|13 8 3|14 9 4|15 10 5"));
    QCOMPARE(Layout(TurnAndMirror(turned, 270, false, false)), Layout(source));
  }

  // ---- Pixel rows ------------------------------------------------------
  void boxReduceAveragesBlocks() {
    // 5 x 3 by 2: blocks (1 2 6 7) and (3 4 8 9); the odd column and row go.
    QCOMPARE(Layout(BoxReduceRows(Numbered(5, 3), 2)), QStringLiteral("4 6"));
    QCOMPARE(Layout(BoxReduceRows(Numbered(4, 2), 1)), QStringLiteral("1 2 3 4|5 6 7 8"));
  }

  void blendAccumulatesTrail() {
    QImage background = Filled(20, 10, 100);
    const QImage frame = Filled(4, 4, 200);
    BlendRows(background, QRect(2, 2, 4, 4), frame, 2, 2);
    QCOMPARE(ByteAt(background, 2, 2), uchar(140));  // 0.6 * 100 + 0.4 * 200
    QCOMPARE(ByteAt(background, 6, 2), uchar(100));
    BlendRows(background, QRect(2, 2, 4, 4), frame, 2, 2);
    QCOMPARE(ByteAt(background, 5, 5), uchar(164));  // the trail fades toward the frame
  }

  void blendAndDrawConfinedToBackground() {
    // A frame reaching past every side of the background (a thumbnail larger
    // than the target) only touches the background's own pixels.
    QImage background = Filled(10, 10, 0);
    const QImage frame = Filled(30, 30, 250);
    BlendRows(background, QRect(-10, -10, 30, 30), frame, -10, -10);
    QCOMPARE(ByteAt(background, 0, 0), uchar(100));
    QCOMPARE(ByteAt(background, 9, 9), uchar(100));
    DrawRows(background, -10, -10, frame);
    QCOMPARE(ByteAt(background, 9, 9), uchar(250));
    DrawRows(background, 50, 50, frame);  // entirely outside: nothing to do
    StretchRows(background, QRect(-100, -100, 300, 300), frame);
    QCOMPARE(ByteAt(background, 5, 5), uchar(250));
  }

  void closeButtonFade() {
    QImage look = Filled(34, 34, 255);
    const QImage normal = Filled(34, 34, 0);
    FadeRowsToward(look, normal);
    QCOMPARE(ByteAt(look, 0, 0), uchar(204));
    for (int i = 1; i < 11; ++i)
      FadeRowsToward(look, normal);
    QVERIFY(ByteAt(look, 33, 33) < 25);  // eleven ticks bring it back near normal
  }

  void composeFinalFrameCopiesPictureOneToOne() {
    const TZoomArtwork art = MakeZoomArtwork();
    QCOMPARE(art.TopLeft.size(), QSize(5, 34));
    QCOMPARE(art.Top.size(), QSize(1, 34));
    QCOMPARE(art.CloseNormal.size(), QSize(34, 34));
    QCOMPARE(art.CloseHover.size(), QSize(34, 34));
    QCOMPARE(art.ClosePressed.size(), QSize(34, 34));
    QCOMPARE(art.Left.size(), QSize(5, 1));
    QCOMPARE(art.Right.size(), QSize(5, 1));
    QCOMPARE(art.BottomLeft.size(), QSize(5, 5));
    QCOMPARE(art.BottomRight.size(), QSize(5, 5));
    QCOMPARE(art.Bottom.size(), QSize(1, 5));
    QVERIFY(art.CloseHover != art.CloseNormal && art.ClosePressed != art.CloseHover);

    const QImage picture = Numbered(40, 3);
    QImage frame = NewImage24(40 + 11, 3 + 40);  // the frame of the last growth step
    ComposeZoomFrame(frame, picture, art);
    QCOMPARE(Layout(frame.copy(5, 34, 40, 3)), Layout(picture));
    QCOMPARE(frame.copy(frame.width() - 35, 0, 34, 34), art.CloseNormal);
    QCOMPARE(frame.copy(0, 0, 5, 34), art.TopLeft);
    QCOMPARE(frame.copy(frame.width() - 6, frame.height() - 6, 5, 5), art.BottomRight);
  }

  // ---- Growth animation ----------------------------------------------
  void animationSteps() {
    TZoomAnimation a;
    const TScreenRect start{600, 400, 700, 480};
    const TScreenRect target{240, 212, 1040, 812};
    a.Start(start, target);
    QVERIFY(a.Animating());
    QCOMPARE(a.FirstFrameSize(), QSize(110, 119));
    QCOMPARE(a.FrameOrigin(), QPoint(360, 188));
    for (int i = 1; i <= 5; ++i)
      QVERIFY(a.Tick());
    // Each edge moved half way: (420, 306, 870, 646).
    QCOMPARE(a.FrameSize(), QSize(461, 380));
    QCOMPARE(a.FrameOrigin(), QPoint(180, 94));
    QCOMPARE(a.BlendRegion(), QRect(QPoint(180, 94), QPoint(639, 472)));
    QVERIFY(a.Blends());
    for (int i = 6; i <= 10; ++i)
      QVERIFY(a.Tick());
    QCOMPARE(a.FrameSize(), QSize(811, 640));
    QCOMPARE(a.FrameOrigin(), QPoint(0, 0));
    for (int i = 11; i <= 15; ++i) {
      QVERIFY(!a.Tick());
      QVERIFY(a.Animating());
      QVERIFY(!a.Blends());
    }
    QVERIFY(!a.Tick());
    QVERIFY(!a.Animating());
    QCOMPARE(a.Counter(), 16);
  }

  // ---- Loading dots ---------------------------------------------------
  void dotIntensity_data() {
    QTest::addColumn<int>("counter");
    QTest::addColumn<double>("expected");
    QTest::newRow("full at 20") << 20 << 1.0;
    QTest::newRow("dim at 1") << 1 << 0.145;
    QTest::newRow("middle") << 10 << 0.55;
    QTest::newRow("above 20 at the start") << 34 << 0.1;
    QTest::newRow("zero") << 0 << 0.1;
  }
  void dotIntensity() {
    QFETCH(int, counter);
    QFETCH(double, expected);
    QVERIFY(qAbs(DotIntensity(counter) - expected) < 1e-12);
  }

  void dotsTickAndPaint() {
    TDotCounters c = kDotCountersAtStart;
    TickDots(c);
    QCOMPARE(c, (TDotCounters{19, 23, 27, 31, 33}));
    TDotCounters wrap{1, 2, 20, 21, 0};
    TickDots(wrap);
    QCOMPARE(wrap, (TDotCounters{20, 1, 19, 20, 20}));
    // The dots light up in turn and repeat every 20 ticks.
    TDotCounters cycle = kDotCountersAtStart;
    for (int i = 0; i < 14; ++i)
      TickDots(cycle);
    const TDotCounters after14 = cycle;
    for (int i = 0; i < 20; ++i)
      TickDots(cycle);
    QCOMPARE(cycle, after14);

    const QImage dot = Filled(20, 10, 255);
    const QImage painted = PaintDots(NewImage24(160, 30), dot, TDotCounters{20, 1, 21, 10, 0});
    QCOMPARE(painted.size(), QSize(160, 30));
    QCOMPARE(ByteAt(painted, 10, 10), uchar(255));
    QCOMPARE(ByteAt(painted, 40 + 19, 19), uchar(37));  // 0.145 * 255 = 36.975
    QCOMPARE(ByteAt(painted, 70, 10), uchar(26));       // 0.1 * 255 = 25.5, half to even
    QCOMPARE(ByteAt(painted, 100, 15), uchar(140));     // 0.55 * 255 = 140.25
    QCOMPARE(ByteAt(painted, 9, 10), uchar(0));
    QCOMPARE(ByteAt(painted, 30, 10), uchar(0));  // the gap between dots
    QCOMPARE(ByteAt(painted, 10, 20), uchar(0));
  }

  // ---- The worker -----------------------------------------------------
  void prepareRejectsUnusableBitmaps_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("bytesPerRow");
    QTest::newRow("0 x 0") << 0 << 0 << 0;
    QTest::newRow("0 high") << 4 << 0 << 12;
    QTest::newRow("negative width") << -4 << 2 << 12;
    QTest::newRow("rows shorter than the width") << 4 << 2 << 8;
    QTest::newRow("beyond the size limit") << GLIMR_MAX_SIDE + 1 << 1 << 90016;
  }
  void prepareRejectsUnusableBitmaps() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, bytesPerRow);
    QVERIFY(
        PrepareLoadedImage(test::RawBitmap(width, height, bytesPerRow), TLoadRequest{}).isNull());
    QVERIFY(PrepareLoadedImage(QImage(), TLoadRequest{}).isNull());
  }

  void workerCapsTurnsAndMirrors() {
    TLocks locks;
    QImage wide(2000, 1000, QImage::Format_RGB32);
    wide.fill(Qt::red);
    QPainter(&wide).fillRect(0, 0, 100, 100, Qt::blue);
    TLoadThread worker([&](const QString&) { return test::BitmapFromImage(wide); },
                       locks.DecodeLock);
    TLoadRequest request{QStringLiteral("/x/wide.png"), 90.0, false, false, QSize(1280, 1024)};
    const QImage picture = worker.Run(request);
    QCOMPARE(picture.format(), QImage::Format_BGR888);
    QCOMPARE(picture.size(), QSize(480, 960));      // capped to 960 x 480, then turned
    QCOMPARE(picture.pixelColor(479, 0).red(), 0);  // the old top-left corner
    QVERIFY(picture.pixelColor(479, 0).blue() > 128);
    QVERIFY(locks.DecodeLock.try_lock());  // released afterwards
    locks.DecodeLock.unlock();
  }

  void workerSurvivesFailingDecoders() {
    TLocks locks;
    const TLoadRequest request{QStringLiteral("/x/bad.jpg"), 0, false, false, QSize(1280, 1024)};
    TLoadThread none([](const QString&) -> QImage { return {}; }, locks.DecodeLock);
    QVERIFY(none.Run(request).isNull());
    TLoadThread throws([](const QString&) -> QImage { throw std::runtime_error("boom"); },
                       locks.DecodeLock);
    QVERIFY(throws.Run(request).isNull());
    QVERIFY(locks.DecodeLock.try_lock());  // a throwing decode still releases the lock
    locks.DecodeLock.unlock();
    TLoadThread empty({}, locks.DecodeLock);
    QVERIFY(empty.Run(request).isNull());
  }

  // ---- The loading window ---------------------------------------------
  void loadingClosesWithCancel_data() {
    QTest::addColumn<int>("kind");
    QTest::newRow("no bitmap") << 0;
    QTest::newRow("0 x 0 bitmap") << 1;
    QTest::newRow("damaged rows") << 2;
    QTest::newRow("decoder throws") << 3;
  }
  void loadingClosesWithCancel() {
    QFETCH(int, kind);
    TLocks locks;
    TfrmLoading loading(
        [kind](const QString&) -> QImage {
          switch (kind) {
            case 1:
              return test::RawBitmap(0, 0, 0);
            case 2:
              return test::RawBitmap(100, 100, 4);
            case 3:
              throw std::runtime_error("corrupt");
            default:
              return {};
          }
        },
        locks.DecodeLock);
    TfrmZoom zoom(nullptr, [](const QRect&) { return QImage(); });
    TShowZoomed sequence(loading, zoom);
    // The main window turns the ribbon's polling back on in the end hook:
    // it must run when nothing opens as well.
    int before = 0;
    int ended = 0;
    sequence.SetHooks([&] { ++before; }, [&] { ++ended; });
    QSignalSpy finished(&sequence, &TShowZoomed::Finished);
    TImageFileInfo record;
    record.Path = QStringLiteral("/photos/");
    record.FileName = QStringLiteral("broken.jpg");
    QVERIFY(sequence.Begin(record, QRect(100, 100, 80, 60), QRect(0, 0, 800, 400)));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(before, 0);
    QCOMPARE(ended, 1);
    QVERIFY(!sequence.IsRunning());
    QCOMPARE(loading.result(), int(QDialog::Rejected));
    QVERIFY(!loading.isVisible());
    QVERIFY(loading.TakeResult().isNull());
    QVERIFY(!zoom.isVisible());
    QVERIFY(zoom.Picture().isNull());
  }

  void folderEntryOpensNothing() {
    TLocks locks;
    std::atomic<int> calls{0};
    TfrmLoading loading(
        [&](const QString&) -> QImage {
          ++calls;
          return {};
        },
        locks.DecodeLock);
    TfrmZoom zoom(nullptr, [](const QRect&) { return QImage(); });
    TShowZoomed sequence(loading, zoom);
    TImageFileInfo folder;
    folder.IsFolder = true;
    folder.FileName = QStringLiteral("..");
    QVERIFY(!sequence.Begin(folder, QRect(), QRect(0, 0, 800, 400)));
    QVERIFY(!loading.isVisible());
    QCOMPARE(calls.load(), 0);
  }

  void loadingAnimatesWhileDecodeRuns() {
    // The decode blocks until the test lets it go: the dots must keep moving
    // meanwhile, and DecodeLock must be held for the decode.
    TLocks locks;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> decoding{false};
    QString decodedPath;
    TfrmLoading loading(
        [&](const QString& path) {
          decodedPath = path;
          decoding = true;
          released.wait();
          return test::BitmapFromImage(Numbered(4, 2));
        },
        locks.DecodeLock);
    TImageFileInfo record;
    record.Path = QStringLiteral("/photos/");
    record.FileName = QStringLiteral("big.jpg");
    record.Angle = 270;
    record.VFliped = true;  // mirrored left to right, as the ribbon shows it
    loading.SetImage(record);
    loading.PlaceOver(QRect(0, 0, 800, 400));
    QCOMPARE(loading.pos(), QPoint(320, 185));
    QSignalSpy finished(&loading, &QDialog::finished);
    loading.setModal(true);
    loading.show();
    QTRY_VERIFY(decoding.load());
    QVERIFY(loading.IsLoading());
    QVERIFY(!locks.DecodeLock.try_lock());
    const TDotCounters before = loading.DotCounters();
    QTRY_VERIFY(loading.DotCounters() != before);
    loading.close();  // the preview cannot be dismissed while it loads
    QVERIFY(loading.isVisible());
    release.set_value();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
    QCOMPARE(decodedPath, QStringLiteral("/photos/big.jpg"));
    // 270 gives "4 8|3 7|2 6|1 5"; mirrored left to right:
    QCOMPARE(Layout(loading.TakeResult()), QStringLiteral("8 4|7 3|6 2|5 1"));
    QVERIFY(locks.DecodeLock.try_lock());
    locks.DecodeLock.unlock();
  }

  // Shown again for another file while a cancelled decode still runs: the
  // preview waits for it and then decodes its own file; the cancelled
  // file's picture is never handed out.
  void cancelledDecodeIsDroppedAndTheNextFileFollows() {
    TLocks locks;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool releasedYet = false;
    std::atomic<int> started{0};
    TfrmLoading loading(
        [&](const QString& path) {
          ++started;
          if (path.endsWith(QStringLiteral("slow.jpg"))) {
            released.wait();
            return test::BitmapFromImage(Numbered(4, 2));
          }
          return test::BitmapFromImage(Numbered(2, 2));
        },
        locks.DecodeLock);
    // A failed check must not leave the window's destructor waiting forever.
    const auto letGo = qScopeGuard([&] {
      if (!releasedYet)
        release.set_value();
    });
    QSignalSpy finished(&loading, &QDialog::finished);
    loading.SetImage(QStringLiteral("/photos/slow.jpg"), 0, false, false);
    loading.setModal(true);
    loading.show();
    QTRY_COMPARE(started.load(), 1);
    QTest::keyClick(&loading, Qt::Key_A);  // other keys do not cancel
    QVERIFY(loading.isVisible());
    QTest::keyClick(&loading, Qt::Key_Escape);
    QVERIFY(!loading.isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
    QVERIFY(loading.IsLoading());

    loading.SetImage(QStringLiteral("/photos/next.jpg"), 0, false, false);
    loading.show();
    QVERIFY(loading.isVisible());
    release.set_value();
    releasedYet = true;
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toInt(), int(QDialog::Accepted));
    QCOMPARE(started.load(), 2);
    QCOMPARE(Layout(loading.TakeResult()), QStringLiteral("1 2|3 4"));
    QVERIFY(!loading.IsLoading());
  }

  void destroyingTheWindowWaitsForTheWorker() {
    TLocks locks;
    std::atomic<bool> done{false};
    {
      TfrmLoading loading(
          [&](const QString&) -> QImage {
            QThread::msleep(200);
            done = true;
            return {};
          },
          locks.DecodeLock);
      loading.show();
    }
    QVERIFY(done.load());
  }
};

QTEST_MAIN(TestViewer)
#include "test_viewer.moc"
