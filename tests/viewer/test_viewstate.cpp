// The viewer's pure parts: the zoom and pan of the shown picture at device
// pixel ratios 1 and 2, the order in which it steps through the shown list,
// and the slideshow's timing on a clock the test drives.

#include <QTest>

#include <climits>
#include <limits>

#include "browse/filelist.h"
#include "viewer/slideshowclock.h"
#include "viewer/steporder.h"
#include "viewer/viewtransform.h"

using namespace glimr;

Q_DECLARE_METATYPE(glimr::TImageStep)

namespace {

constexpr double kEps = 1e-6;

bool Near(const QPointF& a, const QPointF& b) {
  return std::abs(a.x() - b.x()) < kEps && std::abs(a.y() - b.y()) < kEps;
}

bool Near(const QRectF& a, const QRectF& b) {
  return Near(a.topLeft(), b.topLeft()) && Near(a.bottomRight(), b.bottomRight());
}

TViewTransform Transform(QSize picture, QSizeF view, double dpr) {
  TViewTransform t;
  t.SetView(view, dpr);
  t.SetPicture(picture);
  return t;
}

// A shown list from a pattern: 'F' a folder entry, 'i' an image.
struct TListFixture {
  explicit TListFixture(const QString& pattern) {
    for (int i = 0; i < pattern.size(); ++i) {
      auto* r = new TImageFileInfo;
      r->Path = QStringLiteral("/pics/");
      r->FileName = QStringLiteral("entry%1").arg(i);
      r->IsFolder = pattern[i] == 'F';
      list.Append(r->FullPath(), r);
    }
  }
  TFileList list{true};
};

}  // namespace

class TestViewState : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // --- zoom and pan -------------------------------------------------------

  void fitShowsWholePictureNeverEnlarged_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSizeF>("view");
    QTest::addColumn<double>("dpr");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QRectF>("rect");
    // Logical pixels: at ratio 2 the large picture fills the same logical
    // area, at twice the scale in device pixels.
    QTest::newRow("large, scale 1")
        << QSize(2000, 1000) << QSizeF(800, 600) << 1.0 << 0.4 << QRectF(0, 100, 800, 400);
    QTest::newRow("large, scale 2")
        << QSize(2000, 1000) << QSizeF(800, 600) << 2.0 << 0.8 << QRectF(0, 100, 800, 400);
    QTest::newRow("tall, scale 1")
        << QSize(1000, 3000) << QSizeF(800, 600) << 1.0 << 0.2 << QRectF(300, 0, 200, 600);
    // A small picture stays at 100 %: one image pixel on one device pixel,
    // so at ratio 2 it covers half as many logical pixels.
    QTest::newRow("small, scale 1")
        << QSize(400, 300) << QSizeF(800, 600) << 1.0 << 1.0 << QRectF(200, 150, 400, 300);
    QTest::newRow("small, scale 2")
        << QSize(400, 300) << QSizeF(800, 600) << 2.0 << 1.0 << QRectF(300, 225, 200, 150);
    QTest::newRow("1000 px fits at 100 % on scale 2")
        << QSize(1000, 800) << QSizeF(800, 600) << 2.0 << 1.0 << QRectF(150, 100, 500, 400);
    // Centred on whole device pixels: 399 / 2 is not a pixel corner.
    QTest::newRow("odd margin, scale 1")
        << QSize(401, 301) << QSizeF(800, 600) << 1.0 << 1.0 << QRectF(200, 150, 401, 301);
    QTest::newRow("odd margin, scale 2")
        << QSize(401, 301) << QSizeF(800, 600) << 2.0 << 1.0 << QRectF(300, 225, 200.5, 150.5);
    QTest::newRow("exactly the view")
        << QSize(800, 600) << QSizeF(800, 600) << 1.0 << 1.0 << QRectF(0, 0, 800, 600);
    QTest::newRow("no picture yet")
        << QSize(0, 0) << QSizeF(800, 600) << 1.0 << 1.0 << QRectF(400, 300, 0, 0);
    QTest::newRow("no view yet") << QSize(2000, 1000) << QSizeF(0, 0) << 1.0 << 1.0
                                 << QRectF(0, 0, 2000, 1000);
  }
  void fitShowsWholePictureNeverEnlarged() {
    QFETCH(QSize, picture);
    QFETCH(QSizeF, view);
    QFETCH(double, dpr);
    QFETCH(double, scale);
    QFETCH(QRectF, rect);
    TViewTransform t = Transform(picture, view, dpr);
    QVERIFY(t.IsFit());
    QCOMPARE(t.Scale(), scale);
    QVERIFY2(Near(t.ImageRect(), rect), qPrintable(QDebug::toString(t.ImageRect())));
    QVERIFY(!t.ZoomedPastFit());
    // A fitted picture cannot be dragged.
    QCOMPARE(t.PanBy(QPointF(30, -40)), QPointF(0, 0));
    QVERIFY(Near(t.ImageRect(), rect));
  }

  void doubleClickTogglesFitAndActual_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSizeF>("view");
    QTest::addColumn<double>("dpr");
    QTest::addColumn<QPointF>("click");
    QTest::addColumn<QRectF>("actual");
    QTest::addColumn<bool>("pastFit");
    // Fitted at 0.4 the click at (400, 300) is on image point (1000, 500).
    QTest::newRow("centre, scale 1") << QSize(2000, 1000) << QSizeF(800, 600) << 1.0
                                     << QPointF(400, 300) << QRectF(-600, -200, 2000, 1000) << true;
    // At ratio 2 the 100 % picture is 1000 x 500 logical: wider than the
    // view, lower than it (so centred on that axis).
    QTest::newRow("centre, scale 2") << QSize(2000, 1000) << QSizeF(800, 600) << 2.0
                                     << QPointF(400, 300) << QRectF(-100, 50, 1000, 500) << true;
    // Near the top-left corner: image point (25, 25) stays under the click
    // as far as the clamp lets it (no gap above the picture).
    QTest::newRow("corner, scale 1") << QSize(2000, 1000) << QSizeF(800, 600) << 1.0
                                     << QPointF(10, 110) << QRectF(-15, 0, 2000, 1000) << true;
    QTest::newRow("corner, scale 2") << QSize(2000, 1000) << QSizeF(800, 600) << 2.0
                                     << QPointF(10, 110) << QRectF(-2.5, 50, 1000, 500) << true;
    // Already at 100 %: there is nothing to toggle to.
    QTest::newRow("small picture") << QSize(400, 300) << QSizeF(800, 600) << 1.0 << QPointF(10, 10)
                                   << QRectF(200, 150, 400, 300) << false;
  }
  void doubleClickTogglesFitAndActual() {
    QFETCH(QSize, picture);
    QFETCH(QSizeF, view);
    QFETCH(double, dpr);
    QFETCH(QPointF, click);
    QFETCH(QRectF, actual);
    QFETCH(bool, pastFit);
    TViewTransform t = Transform(picture, view, dpr);
    const QRectF fitted = t.ImageRect();
    t.ToggleFitActual(click);
    QCOMPARE(t.Scale(), 1.0);
    QVERIFY2(Near(t.ImageRect(), actual), qPrintable(QDebug::toString(t.ImageRect())));
    QCOMPARE(t.ZoomedPastFit(), pastFit);
    QCOMPARE(t.IsFit(), !pastFit);
    QCOMPARE(t.CanPan(), pastFit);
    t.ToggleFitActual(click);
    QVERIFY(t.IsFit());
    QVERIFY(Near(t.ImageRect(), fitted));
  }

  void zoomKeepsPointUnderCursor_data() {
    QTest::addColumn<double>("dpr");
    QTest::addColumn<double>("from");
    QTest::addColumn<int>("steps");
    QTest::addColumn<QPointF>("cursor");
    QTest::newRow("in, scale 1") << 1.0 << 1.0 << 1 << QPointF(100, 100);
    QTest::newRow("in, scale 2") << 2.0 << 1.0 << 1 << QPointF(100, 100);
    QTest::newRow("in twice, odd point") << 2.0 << 1.5 << 2 << QPointF(613.25, 77.5);
    QTest::newRow("out, scale 1") << 1.0 << 4.0 << -1 << QPointF(700, 500);
    QTest::newRow("out, scale 2") << 2.0 << 4.0 << -2 << QPointF(33, 580);
  }
  void zoomKeepsPointUnderCursor() {
    QFETCH(double, dpr);
    QFETCH(double, from);
    QFETCH(int, steps);
    QFETCH(QPointF, cursor);
    // Large enough that no clamp interferes at these scales.
    TViewTransform t = Transform(QSize(4000, 3000), QSizeF(800, 600), dpr);
    t.ZoomTo(from, QPointF(400, 300));
    const QPointF under = t.ViewToImage(cursor);
    QVERIFY(t.ZoomBy(steps, cursor));
    QCOMPARE_NE(t.Scale(), from);
    const QPointF now = t.ViewToImage(cursor);
    QVERIFY2(Near(now, under), qPrintable(QDebug::toString(now)));
    QVERIFY(Near(t.ImageToView(under), cursor));
  }

  void zoomStepsAndLimits_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("dpr");
    QTest::addColumn<double>("from");  // 0: fitted
    QTest::addColumn<int>("steps");
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("fit");
    QTest::addColumn<bool>("moved");
    // 4000 x 3000 in 800 x 600 fits at 0.2, between the 1/4 and 1/6 steps.
    const QSize big(4000, 3000);
    QTest::newRow("out from 100 %") << big << 1.0 << 1.0 << -1 << 2.0 / 3 << false << true;
    QTest::newRow("out stops at the fit") << big << 1.0 << 1.0 << -5 << 0.2 << true << true;
    QTest::newRow("out past the fit") << big << 1.0 << 1.0 << -6 << 1.0 / 6 << false << true;
    QTest::newRow("in from the fit") << big << 1.0 << 0.0 << 1 << 0.25 << false << true;
    QTest::newRow("smallest") << big << 1.0 << 0.0 << -20 << 1.0 / 16 << false << true;
    QTest::newRow("below smallest") << big << 1.0 << 1.0 / 16 << -1 << 1.0 / 16 << false << false;
    QTest::newRow("largest") << big << 1.0 << 24.0 << 3 << 32.0 << false << true;
    QTest::newRow("above largest") << big << 1.0 << 32.0 << 1 << 32.0 << false << false;
    QTest::newRow("beyond the limit") << big << 1.0 << 100.0 << 0 << 32.0 << false << false;
    // At ratio 2 the view holds 1600 x 1200 device pixels: fit 0.4.
    QTest::newRow("fit, scale 2") << big << 2.0 << 1.0 << -3 << 0.4 << true << true;
    QTest::newRow("in from fit, scale 2") << big << 2.0 << 0.0 << 1 << 0.5 << false << true;
    // A fit below the smallest step is still reachable, and is the bottom.
    const QSize strip(64000, 100);
    QTest::newRow("tiny fit") << strip << 1.0 << 0.0 << -1 << 0.0125 << true << false;
    QTest::newRow("tiny fit, in") << strip << 1.0 << 0.0 << 1 << 1.0 / 16 << false << true;
    QTest::newRow("back to tiny fit") << strip << 1.0 << 1.0 / 16 << -1 << 0.0125 << true << true;
    // A small picture fits at 100 %; it can still be made smaller or larger.
    const QSize small(400, 300);
    QTest::newRow("small, in") << small << 1.0 << 0.0 << 1 << 1.5 << false << true;
    QTest::newRow("small, out") << small << 1.0 << 0.0 << -1 << 2.0 / 3 << false << true;
    QTest::newRow("small, back") << small << 2.0 << 1.5 << -1 << 1.0 << true << true;
  }
  void zoomStepsAndLimits() {
    QFETCH(QSize, picture);
    QFETCH(double, dpr);
    QFETCH(double, from);
    QFETCH(int, steps);
    QFETCH(double, scale);
    QFETCH(bool, fit);
    QFETCH(bool, moved);
    TViewTransform t = Transform(picture, QSizeF(800, 600), dpr);
    if (from > 0) {
      t.ZoomTo(from, QPointF(400, 300));
    }
    QCOMPARE(t.ZoomBy(steps, QPointF(400, 300)), moved);
    QVERIFY2(std::abs(t.Scale() - scale) < kEps, qPrintable(QString::number(t.Scale())));
    QCOMPARE(t.IsFit(), fit);
    QCOMPARE(t.ZoomedPastFit(), t.Scale() > t.FitScale() + kEps);
  }

  void panIsClampedToThePicture_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<double>("dpr");
    QTest::addColumn<QPointF>("delta");
    QTest::addColumn<QPointF>("moved");
    QTest::addColumn<QPointF>("corner");
    // At 100 % about the view's centre a 2000 x 1000 picture stands at
    // (-600, -200) in an 800 x 600 view; it may go to (-1200, -400) .. (0, 0).
    const QSize wide(2000, 1000);
    QTest::newRow("free") << wide << 1.0 << QPointF(100, -50) << QPointF(100, -50)
                          << QPointF(-500, -250);
    QTest::newRow("left edge") << wide << 1.0 << QPointF(1000, 0) << QPointF(600, 0)
                               << QPointF(0, -200);
    QTest::newRow("bottom-right") << wide << 1.0 << QPointF(-5000, -5000) << QPointF(-600, -200)
                                  << QPointF(-1200, -400);
    // At ratio 2 it is 1000 x 500 logical at (-100, 50): lower than the view,
    // so it stays centred vertically, and moves 100 logical to each side.
    QTest::newRow("scale 2, vertical stays")
        << wide << 2.0 << QPointF(50, 50) << QPointF(50, 0) << QPointF(-50, 50);
    QTest::newRow("scale 2, right edge")
        << wide << 2.0 << QPointF(-1000, 0) << QPointF(-100, 0) << QPointF(-200, 50);
    // Narrower than the view: centred across, free along.
    QTest::newRow("narrow") << QSize(600, 2000) << 1.0 << QPointF(50, 30) << QPointF(0, 30)
                            << QPointF(100, -670);
    // Half a device pixel at 100 % is kept, but the picture is painted on
    // whole device pixels.
    QTest::newRow("scale 2, half pixel")
        << wide << 2.0 << QPointF(0.25, 0) << QPointF(0.25, 0) << QPointF(-100, 50);
  }
  void panIsClampedToThePicture() {
    QFETCH(QSize, picture);
    QFETCH(double, dpr);
    QFETCH(QPointF, delta);
    QFETCH(QPointF, moved);
    QFETCH(QPointF, corner);
    TViewTransform t = Transform(picture, QSizeF(800, 600), dpr);
    t.ShowActual(QPointF(400, 300));
    QVERIFY(t.CanPan());
    const QPointF made = t.PanBy(delta);
    QVERIFY2(Near(made, moved), qPrintable(QDebug::toString(made)));
    QVERIFY2(Near(t.ImageRect().topLeft(), corner), qPrintable(QDebug::toString(t.ImageRect())));
    // At 100 % every image pixel lands on one device pixel.
    const QPointF device = t.ImageRect().topLeft() * dpr;
    QCOMPARE(device, QPointF(std::round(device.x()), std::round(device.y())));
  }

  void viewChangesKeepFitOrCentre() {
    // Fitted: the picture fits the new view, at the new ratio too.
    TViewTransform t = Transform(QSize(2000, 1000), QSizeF(800, 600), 1.0);
    t.SetView(QSizeF(1000, 1000), 1.0);
    QVERIFY(t.IsFit());
    QVERIFY(Near(t.ImageRect(), QRectF(0, 250, 1000, 500)));
    t.SetView(QSizeF(1000, 1000), 2.0);
    QCOMPARE(t.Scale(), 1.0);
    QVERIFY(Near(t.ImageRect(), QRectF(0, 250, 1000, 500)));
    // Zoomed: the scale stays and so does the picture point at the centre.
    t.SetView(QSizeF(800, 600), 1.0);
    t.ZoomTo(2.0, QPointF(200, 300));
    const QPointF centre = t.ViewToImage(QPointF(400, 300));
    t.SetView(QSizeF(1000, 700), 1.0);
    QCOMPARE(t.Scale(), 2.0);
    QVERIFY(Near(t.ViewToImage(QPointF(500, 350)), centre));
    // A new picture starts fitted.
    t.SetPicture(QSize(500, 500));
    QVERIFY(t.IsFit());
    QVERIFY(Near(t.ImageRect(), QRectF(250, 100, 500, 500)));
  }

  // Numbers that are not numbers (a broken event, a zero-sized screen) leave
  // the view as it was instead of spreading through every later paint.
  void badInputLeavesTheViewAlone() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    TViewTransform t = Transform(QSize(2000, 1000), QSizeF(800, 600), 1.0);
    t.ShowActual(QPointF(400, 300));
    const QRectF before = t.ImageRect();
    t.ZoomTo(nan, QPointF(400, 300));
    t.ZoomTo(2.0, QPointF(nan, 0));
    t.ZoomTo(inf, QPointF(400, 300));
    QCOMPARE(t.PanBy(QPointF(nan, 10)), QPointF());
    QCOMPARE(t.PanBy(QPointF(0, -inf)), QPointF());
    QCOMPARE(t.ImageRect(), before);
    // A ratio that is no ratio counts as 1; a negative view as no view.
    t.SetView(QSizeF(800, 600), nan);
    QCOMPARE(t.DevicePixelRatio(), 1.0);
    t.SetView(QSizeF(-5, -5), 0.0);
    QCOMPARE(t.DevicePixelRatio(), 1.0);
    t.ShowFit();
    QCOMPARE(t.Scale(), 1.0);
    QVERIFY(t.ImageRect().isValid());
  }

  // --- step order ---------------------------------------------------------

  void stepSkipsFolders_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("current");
    QTest::addColumn<TImageStep>("step");
    QTest::addColumn<int>("expected");
    using S = TImageStep;
    QTest::newRow("empty, next") << "" << -1 << S::Next << -1;
    QTest::newRow("empty, first") << "" << 0 << S::First << -1;
    QTest::newRow("empty, last") << "" << 0 << S::Last << -1;
    QTest::newRow("folders only, first") << "FF" << 0 << S::First << -1;
    QTest::newRow("folders only, last") << "FF" << 0 << S::Last << -1;
    QTest::newRow("folders only, next") << "FF" << 0 << S::Next << -1;
    QTest::newRow("one image, next") << "i" << 0 << S::Next << -1;
    QTest::newRow("one image, previous") << "i" << 0 << S::Previous << -1;
    QTest::newRow("one image, first") << "i" << 0 << S::First << 0;
    QTest::newRow("one image, last") << "i" << 0 << S::Last << 0;
    // Rows 1, 3 and 4 are images.
    const QString mixed = "FiFiiF";
    QTest::newRow("next over a folder") << mixed << 1 << S::Next << 3;
    QTest::newRow("next neighbour") << mixed << 3 << S::Next << 4;
    QTest::newRow("next at the end") << mixed << 4 << S::Next << -1;
    QTest::newRow("previous over a folder") << mixed << 3 << S::Previous << 1;
    QTest::newRow("previous at the start") << mixed << 1 << S::Previous << -1;
    QTest::newRow("first past folders") << mixed << 4 << S::First << 1;
    QTest::newRow("last before folders") << mixed << 1 << S::Last << 4;
    QTest::newRow("next from a folder") << mixed << 0 << S::Next << 1;
    QTest::newRow("previous from a folder") << mixed << 5 << S::Previous << 4;
    QTest::newRow("next from nothing") << mixed << -1 << S::Next << 1;
    QTest::newRow("previous from past the end") << mixed << 99 << S::Previous << 4;
    QTest::newRow("next from past the end") << mixed << 99 << S::Next << -1;
    QTest::newRow("next from far off") << mixed << INT_MAX << S::Next << -1;
    QTest::newRow("previous from far off") << mixed << INT_MIN << S::Previous << -1;
  }
  void stepSkipsFolders() {
    QFETCH(QString, list);
    QFETCH(int, current);
    QFETCH(TImageStep, step);
    QFETCH(int, expected);
    TListFixture f(list);
    QCOMPARE(StepImage(f.list, current, step), expected);
  }

  void imageAfterRemoval_data() {
    QTest::addColumn<QString>("list");  // after the removal
    QTest::addColumn<int>("removedRow");
    QTest::addColumn<int>("expected");
    QTest::newRow("the next moved up") << "FiFi" << 1 << 1;
    QTest::newRow("next past a folder") << "iFi" << 1 << 2;
    QTest::newRow("was the last: previous") << "FiF" << 3 << 1;
    QTest::newRow("only folders after: previous") << "iF" << 1 << 0;
    QTest::newRow("only folders left") << "FF" << 1 << -1;
    QTest::newRow("list now empty") << "" << 0 << -1;
    QTest::newRow("stale row past the end") << "ii" << 5 << 1;
    QTest::newRow("stale negative row") << "Fi" << -3 << 1;
  }
  void imageAfterRemoval() {
    QFETCH(QString, list);
    QFETCH(int, removedRow);
    QFETCH(int, expected);
    TListFixture f(list);
    QCOMPARE(ImageAfterRemoval(f.list, removedRow), expected);
  }

  void slideshowLoopsOverImages_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("expected");
    QTest::newRow("next") << "FiFii" << 1 << 3;
    QTest::newRow("wraps past folders") << "FiFiiF" << 4 << 1;
    QTest::newRow("one image stays") << "Fi" << 1 << 1;
    QTest::newRow("from nothing") << "Fii" << -1 << 1;
    QTest::newRow("folders only") << "FF" << 0 << -1;
    QTest::newRow("empty") << "" << -1 << -1;
  }
  void slideshowLoopsOverImages() {
    QFETCH(QString, list);
    QFETCH(int, current);
    QFETCH(int, expected);
    TListFixture f(list);
    QCOMPARE(SlideshowNext(f.list, current), expected);
  }

  void imagePlaceCountsImagesOnly_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("count");
    QTest::newRow("second of three") << "FiFii" << 3 << 2 << 3;
    QTest::newRow("first") << "FiFii" << 1 << 1 << 3;
    QTest::newRow("last") << "FiFii" << 4 << 3 << 3;
    QTest::newRow("a folder") << "FiFii" << 0 << 0 << 3;
    QTest::newRow("no row") << "FiFii" << -1 << 0 << 3;
    QTest::newRow("empty") << "" << 0 << 0 << 0;
  }
  void imagePlaceCountsImagesOnly() {
    QFETCH(QString, list);
    QFETCH(int, row);
    QFETCH(int, number);
    QFETCH(int, count);
    TListFixture f(list);
    QCOMPARE(ImagePlace(f.list, row), (TImagePlace{number, count}));
  }

  // --- slideshow timing ---------------------------------------------------

  void slideshowTiming_data() {
    // A script of "what@ms" events on the test's clock, then the clock time
    // `at` the state is checked.
    QTest::addColumn<QString>("script");
    QTest::addColumn<qint64>("at");
    QTest::addColumn<qint64>("nextDue");
    QTest::addColumn<bool>("due");
    QTest::newRow("before the interval") << "start@0" << qint64(3999) << qint64(4000) << false;
    QTest::newRow("at the interval") << "start@0" << qint64(4000) << qint64(4000) << true;
    QTest::newRow("long overdue") << "start@0" << qint64(60000) << qint64(4000) << true;
    // A slide shown late counts from when it was shown: no drift, no debt.
    QTest::newRow("late slide") << "start@0 shown@4700" << qint64(8000) << qint64(8700) << false;
    QTest::newRow("late slide, due")
        << "start@0 shown@4700" << qint64(8700) << qint64(8700) << true;
    // Pausing keeps the 3 s left, however long the pause.
    QTest::newRow("pause longer than the interval")
        << "start@0 pause@1000 resume@10000" << qint64(12999) << qint64(13000) << false;
    QTest::newRow("two pauses") << "start@0 pause@1000 resume@2000 pause@3000 resume@5000"
                                << qint64(7000) << qint64(7000) << true;
    QTest::newRow("paused is never due")
        << "start@0 pause@1000" << qint64(50000) << qint64(-1) << false;
    QTest::newRow("pause twice") << "start@0 pause@1000 pause@2000 resume@3000" << qint64(3000)
                                 << qint64(6000) << false;
    QTest::newRow("resume without pause")
        << "start@0 resume@2000" << qint64(2000) << qint64(4000) << false;
    QTest::newRow("shown while paused")
        << "start@0 pause@3000 shown@3500 resume@5000" << qint64(5000) << qint64(9000) << false;
    QTest::newRow("stopped") << "start@0 stop@1000" << qint64(9000) << qint64(-1) << false;
    QTest::newRow("never started") << "pause@0 resume@100" << qint64(9000) << qint64(-1) << false;
    QTest::newRow("restarted") << "start@0 stop@1000 start@2000" << qint64(5000) << qint64(6000)
                               << false;
    // The interval is measured from when the shown slide came.
    QTest::newRow("shorter interval, overdue")
        << "start@0 interval2000@3000" << qint64(3000) << qint64(2000) << true;
    QTest::newRow("longer interval")
        << "start@0 interval10000@3000" << qint64(3000) << qint64(10000) << false;
    QTest::newRow("interval clamped")
        << "interval10@0 start@0" << qint64(500) << qint64(1000) << false;
  }
  void slideshowTiming() {
    QFETCH(QString, script);
    QFETCH(qint64, at);
    QFETCH(qint64, nextDue);
    QFETCH(bool, due);
    qint64 now = 0;
    TSlideshowClock clock([&now] { return now; });
    QCOMPARE(clock.Interval(), kDefaultSlideshowIntervalMs);
    for (const QString& event : script.split(' ', Qt::SkipEmptyParts)) {
      const QStringList parts = event.split('@');
      QCOMPARE(parts.size(), 2);
      now = parts[1].toLongLong();
      const QString what = parts[0];
      if (what == "start") {
        clock.Start();
      } else if (what == "stop") {
        clock.Stop();
      } else if (what == "pause") {
        clock.Pause();
      } else if (what == "resume") {
        clock.Resume();
      } else if (what == "shown") {
        clock.SlideShown();
      } else if (what.startsWith("interval")) {
        clock.SetInterval(what.mid(8).toInt());
      } else {
        QFAIL(qPrintable("unknown event " + event));
      }
    }
    now = at;
    QCOMPARE(clock.NextDue(), nextDue);
    QCOMPARE(clock.Due(), due);
    QCOMPARE(clock.IsActive(), nextDue >= 0 || clock.IsPaused());
    const qint64 left = nextDue < 0 ? -1 : std::max<qint64>(nextDue - at, 0);
    QCOMPARE(clock.MsUntilDue(), left);
  }

  void slideshowIntervalRange_data() {
    QTest::addColumn<int>("ms");
    QTest::addColumn<int>("expected");
    QTest::newRow("default") << 4000 << 4000;
    QTest::newRow("shortest") << 1000 << 1000;
    QTest::newRow("too short") << 999 << 1000;
    QTest::newRow("zero") << 0 << 1000;
    QTest::newRow("negative") << -4000 << 1000;
    QTest::newRow("an hour") << 3600000 << 3600000;
    QTest::newRow("too long") << 3600001 << 3600000;
    QTest::newRow("largest int") << INT_MAX << 3600000;
  }
  void slideshowIntervalRange() {
    QFETCH(int, ms);
    QFETCH(int, expected);
    QCOMPARE(ClampSlideshowInterval(ms), expected);
  }
};

QTEST_GUILESS_MAIN(TestViewState)
#include "test_viewstate.moc"
