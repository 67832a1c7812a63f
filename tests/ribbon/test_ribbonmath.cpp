// The ribbon's formulas with the worked examples: viewport, layout, turn and
// dimming, extents and lift, gradient, glide path, index stepping, shifting,
// zoom and wheel.

#include <QTest>

#include <climits>
#include <cmath>

#include "ribbon/ribbonmath.h"
#include "ribbon/wheelaccumulator.h"

using namespace glimr;

namespace {
TWidthOf Widths(std::vector<double> w) {
  return [w](int i) { return i >= 0 && i < static_cast<int>(w.size()) ? w[i] : 2.0; };
}
const TWidthOf kAllTwo = [](int) { return 2.0; };
}  // namespace

class TestRibbonMath : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void viewport_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("vw");
    QTest::addColumn<int>("vh");
    QTest::newRow("800x300 wide") << 800 << 300 << 114 << 0 << 571 << 300;
    QTest::newRow("400x400 tall") << 400 << 400 << 0 << 95 << 400 << 210;
    QTest::newRow("401x400 half rounds to even") << 401 << 400 << 0 << 94 << 401 << 211;
    QTest::newRow("800x420 exact") << 800 << 420 << 0 << 0 << 800 << 420;
    QTest::newRow("empty") << 0 << 300 << 0 << 0 << 0 << 0;
  }
  void viewport() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, vw);
    QFETCH(int, vh);
    QCOMPARE(ViewportFor(w, h), (TViewport{x, y, vw, vh}));
  }

  void turnAndDim_data() {
    QTest::addColumn<double>("d");
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("dim");
    QTest::newRow("centre") << 0.0 << 0.0 << 1.0;
    QTest::newRow("d=1") << 1.0 << 22.5 << 0.9125;
    QTest::newRow("d=2") << 2.0 << 45.0 << 0.825;
    QTest::newRow("d=8") << 8.0 << 45.0 << 0.3;
  }
  void turnAndDim() {
    QFETCH(double, d);
    QFETCH(double, angle);
    QFETCH(double, dim);
    QCOMPARE(TurnAngle(d, true), angle);
    QCOMPARE(TurnAngle(d, false), -angle);
    QVERIFY(std::fabs(DepthDim(d) - dim) < 1e-12);
  }

  void extentsAndLift_data() {
    QTest::addColumn<double>("aspect");
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("angleZ");
    QTest::addColumn<double>("hw");
    QTest::addColumn<double>("hh");
    QTest::addColumn<double>("lift");
    const double r = std::sqrt(1.25) + 0.175;
    QTest::newRow("2:1 upright stands on the floor") << 2.0 << 1.0 << 0.0 << 1.0 << 0.5 << 0.5;
    QTest::newRow("2:1 at 90 lifted by hw") << 2.0 << 1.0 << 90.0 << 1.0 << 0.5 << 1.0;
    QTest::newRow("2:1 at 45 lifted by r") << 2.0 << 1.0 << 45.0 << 1.0 << 0.5 << r;
    QTest::newRow("2:1 at 180") << 2.0 << 1.0 << 180.0 << 1.0 << 0.5 << 0.5;
    QTest::newRow("2:1 at 270") << 2.0 << 1.0 << 270.0 << 1.0 << 0.5 << 1.0;
    QTest::newRow("2:1 at -90") << 2.0 << 1.0 << -90.0 << 1.0 << 0.5 << 1.0;
    QTest::newRow("portrait half size") << 0.5 << 0.5 << 0.0 << 0.25 << 0.5 << 0.5;
  }
  void extentsAndLift() {
    QFETCH(double, aspect);
    QFETCH(double, size);
    QFETCH(double, angleZ);
    QFETCH(double, hw);
    QFETCH(double, hh);
    QFETCH(double, lift);
    const THalfExtents e = HalfExtents(aspect, size);
    QCOMPARE(e.Hw, hw);
    QCOMPARE(e.Hh, hh);
    QVERIFY2(std::fabs(Lift(e, angleZ) - lift) < 1e-12,
             qPrintable(QString::number(Lift(e, angleZ))));
  }

  void sizeFactor_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<double>("size");
    QTest::newRow("100x50") << 100 << 50 << 0.390625;
    QTest::newRow("50x40 raised to 0.3") << 50 << 40 << 0.3;
    QTest::newRow("300x200") << 300 << 200 << 1.0;
    QTest::newRow("40x256 tall") << 40 << 256 << 1.0;
    QTest::newRow("square 128") << 128 << 128 << 0.5;
  }
  void sizeFactor() {
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(double, size);
    QCOMPARE(ThumbSizeFactor(w, h), size);
  }

  // Which corners carry the top colour: the two on the picture's visual top.
  void gradientFollowsRotation_data() {
    QTest::addColumn<double>("angleZ");
    QTest::addColumn<double>("angleX");
    QTest::addColumn<bool>("quadTopIsBright");
    QTest::newRow("upright") << 0.0 << 0.0 << true;
    QTest::newRow("turned 180 in the plane") << 180.0 << 0.0 << false;
    QTest::newRow("flipped about X") << 0.0 << 180.0 << false;
    QTest::newRow("turned and flipped") << 180.0 << 180.0 << true;
  }
  void gradientFollowsRotation() {
    QFETCH(double, angleZ);
    QFETCH(double, angleX);
    QFETCH(bool, quadTopIsBright);
    // Corners in quad order: bottom-left, bottom-right, top-right, top-left.
    const double bl = GradientFactor(angleZ, kCornerK[0], angleX);
    const double br = GradientFactor(angleZ, kCornerK[1], angleX);
    const double tr = GradientFactor(angleZ, kCornerK[2], angleX);
    const double tl = GradientFactor(angleZ, kCornerK[3], angleX);
    QCOMPARE(tl > 0.5 && tr > 0.5, quadTopIsBright);
    QCOMPARE(bl < 0.5 && br < 0.5, quadTopIsBright);
    QVERIFY(std::fabs(tl - tr) < 1e-9);
  }

  void fadesAndFrame() {
    QCOMPARE(FadeFactor(5, 1), 1.0);
    QCOMPARE(FadeFactor(5, 7), 0.0);
    QCOMPARE(FadeFactor(6, 1), 0.0);
    QCOMPARE(FadeFactor(6, 7), 1.0);
    QCOMPARE(FadeFactor(3, 4), 1.0);
    QCOMPARE(FrameZOffset(0, 0), 0.00001);
    QCOMPARE(FrameZOffset(180, 0), -0.00001);
    QCOMPARE(FrameZOffset(0, 90), -0.00001);
    QCOMPARE(FrameZOffset(180, 180), 0.00001);
  }

  void easedPath() {
    const auto path = EasedPath(0.0, 3);
    QCOMPARE(path[49], 6.0);
    QVERIFY(std::fabs(path[0] - 6.0 * (1.0 - std::pow(0.98, 4))) < 1e-12);
    QVERIFY(std::fabs(path[0] - 0.465791) < 1e-6);
    QVERIFY(std::fabs(path[1] - 6.0 * (1.0 - std::pow(0.96, 4))) < 1e-12);
    for (int i = 1; i < kPathLength; ++i) {
      QVERIFY(path[i] > path[i - 1]);
    }
    const auto back = EasedPath(10.0, 1);
    QCOMPARE(back[49], 2.0);
    QVERIFY(back[0] < 10.0 && back[0] > 2.0);
  }

  void newCurrentIndex_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<double>("position");
    QTest::addColumn<double>("view");
    QTest::addColumn<int>("count");
    QTest::addColumn<std::vector<double>>("widths");
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("newPosition");
    const std::vector<double> two;
    QTest::newRow("forward short of the next") << 0 << 0.0 << 3.9 << 10 << two << 1 << 2.0;
    QTest::newRow("forward onto an entry") << 0 << 0.0 << 4.0 << 10 << two << 2 << 4.0;
    QTest::newRow("forward stops at the last") << 0 << 0.0 << 30.0 << 3 << two << 2 << 4.0;
    QTest::newRow("standing still") << 3 << 6.0 << 6.0 << 10 << two << 3 << 6.0;
    QTest::newRow("back steps at least once") << 3 << 6.0 << 5.9 << 10 << two << 2 << 4.0;
    QTest::newRow("back several") << 5 << 10.0 << 3.0 << 10 << two << 1 << 2.0;
    QTest::newRow("back past entry 0") << 0 << 0.0 << -0.1 << 10 << two << -1 << -2.0;
    QTest::newRow("a wide entry is passed later")
        << 0 << 0.0 << 4.0 << 10 << std::vector<double>{2, 5, 2} << 0 << 0.0;
    QTest::newRow("empty list stays") << 0 << 0.0 << 4.0 << 0 << two << 0 << 0.0;
  }
  void newCurrentIndex() {
    QFETCH(int, current);
    QFETCH(double, position);
    QFETCH(double, view);
    QFETCH(int, count);
    QFETCH(std::vector<double>, widths);
    QFETCH(int, index);
    QFETCH(double, newPosition);
    const TIndexStep s = NewCurrentIndex(current, position, view, count, Widths(widths));
    QCOMPARE(s.Index, index);
    QCOMPARE(s.Position, newPosition);
  }

  void layout_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("laidOut");
    QTest::newRow("3 entries at 0") << 0 << 3 << QList<int>{4, 5, 6};
    QTest::newRow("index 10 of 12") << 10 << 12 << QList<int>{0, 1, 2, 3, 4, 5};
    QTest::newRow("index 10 of 13") << 10 << 13 << QList<int>{0, 1, 2, 3, 4, 5, 6};
    QTest::newRow("middle of many") << 20 << 100 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("empty") << 0 << 0 << QList<int>{};
    QTest::newRow("index outside") << 5 << 3 << QList<int>{};
  }
  void layout() {
    QFETCH(int, current);
    QFETCH(int, count);
    QFETCH(QList<int>, laidOut);
    const auto places = LayoutSlots(current, 2.0 * current, 2.0 * current, count, kAllTwo);
    QList<int> got;
    for (int k = 0; k < kSlotCount; ++k) {
      if (places[k].LaidOut) {
        got.append(k);
        QCOMPARE(places[k].X, 2.0 * (current + k - 4));
      }
      if (current < count) {
        QCOMPARE(SlotEntry(current, count, k) >= 0, places[k].LaidOut);
      }
    }
    QCOMPARE(got, laidOut);
  }

  void layoutMidGlide() {
    // Half way from entry 0 to 1: both face the viewer at 22.5 degrees.
    const auto p = LayoutSlots(0, 0.0, 1.0, 5, kAllTwo);
    QCOMPARE(p[4].D, 1.0);
    QCOMPARE(p[4].Angle, 22.5);
    QCOMPARE(p[5].D, 1.0);
    QCOMPARE(p[5].Angle, -22.5);
    QCOMPARE(p[6].Angle, -45.0);
    QVERIFY(std::fabs(p[5].Dim - 0.9125) < 1e-12);
    // Uneven widths move the neighbours apart.
    const auto w = LayoutSlots(1, 2.0, 2.0, 4, Widths({2, 2, 6, 2}));
    QCOMPARE(w[5].X, 8.0);
    QCOMPARE(w[6].X, 10.0);
    QCOMPARE(w[3].X, 0.0);
  }

  void haloOrder() {
    // The farther of the centre pair is drawn first.
    const auto a = HaloOrder(0.0, 2.0, 0.5);
    QCOMPARE(a[7], 5);
    QCOMPARE(a[8], 4);
    const auto b = HaloOrder(0.0, 2.0, 1.5);
    QCOMPARE(b[7], 4);
    QCOMPARE(b[8], 5);
    QCOMPARE(a[0], 0);
    QCOMPARE(a[4], 8);
  }

  void shiftPlan_data() {
    QTest::addColumn<int>("delta");
    QTest::addColumn<bool>("rebuild");
    QTest::addColumn<QList<int>>("from");
    QTest::addColumn<QList<int>>("exposed");
    QTest::newRow("none") << 0 << false << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8} << QList<int>{};
    QTest::newRow("one forward") << 1 << false << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 0}
                                 << QList<int>{8};
    QTest::newRow("two back") << -2 << false << QList<int>{7, 8, 0, 1, 2, 3, 4, 5, 6}
                              << QList<int>{0, 1};
    QTest::newRow("eight forward") << 8 << false << QList<int>{8, 0, 1, 2, 3, 4, 5, 6, 7}
                                   << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("nine rebuilds") << 9 << true << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}
                                   << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8};
    QTest::newRow("jump of 20 back") << -20 << true << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}
                                     << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8};
  }
  void shiftPlan() {
    QFETCH(int, delta);
    QFETCH(bool, rebuild);
    QFETCH(QList<int>, from);
    QFETCH(QList<int>, exposed);
    const TShiftPlan p = ShiftPlan(delta);
    QCOMPARE(p.RebuildAll, rebuild);
    QCOMPARE(QList<int>(p.From.begin(), p.From.end()), from);
    QCOMPARE(QList<int>(p.Exposed.begin(), p.Exposed.end()), exposed);
  }

  void shiftHovered_data() {
    QTest::addColumn<int>("hovered");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("result");
    QTest::newRow("follows forward") << 6 << 1 << 5;
    QTest::newRow("leaves on the left") << 1 << 1 << -1;
    QTest::newRow("follows back") << 5 << -1 << 6;
    QTest::newRow("leaves on the right") << 9 << -1 << -1;
    QTest::newRow("none stays none back") << -1 << -2 << -1;
    QTest::newRow("none stays none forward") << -1 << 2 << -1;
  }
  void shiftHovered() {
    QFETCH(int, hovered);
    QFETCH(int, delta);
    QFETCH(int, result);
    QCOMPARE(ShiftHovered(hovered, delta), result);
  }

  void zoom() {
    TZoom z;
    QVERIFY(!ZoomTick(z));
    QVERIFY(ZoomWheel(z, 120));
    QVERIFY(!ZoomWheel(z, 120));  // one zoom at a time
    for (int i = 0; i < 10; ++i) {
      QVERIFY(ZoomTick(z));
    }
    QVERIFY(std::fabs(z.Zoom - 1.2) < 1e-9);
    QCOMPARE(z.StepsLeft, 10);
    z.Zoom = 1.9;
    QVERIFY(ZoomWheel(z, 240));
    QVERIFY(ZoomTick(z));
    QVERIFY(ZoomTick(z));
    QVERIFY(ZoomTick(z));  // 1.9 + 3 x 0.04 passes 2.0
    QCOMPARE(z.Zoom, kZoomMax);
    QCOMPARE(z.StepsLeft, 10);
    z.Zoom = 0.45;
    QVERIFY(ZoomWheel(z, -120));
    ZoomTick(z);
    ZoomTick(z);
    ZoomTick(z);
    QCOMPARE(z.Zoom, kZoomMin);
  }

  void wheelRow_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("row");
    QTest::newRow("last row, notch up") << 9 << 10 << 120 << -1;
    QTest::newRow("row 0, notch down") << 0 << 10 << -120 << -1;
    QTest::newRow("two notches") << 0 << 10 << 240 << 2;
    QTest::newRow("limited at the end") << 8 << 10 << 360 << 9;
    QTest::newRow("limited at the start") << 2 << 10 << -600 << 0;
    QTest::newRow("half a notch") << 4 << 10 << 60 << -1;
  }
  void wheelRow() {
    QFETCH(int, target);
    QFETCH(int, count);
    QFETCH(int, delta);
    QFETCH(int, row);
    QCOMPARE(WheelRow(target, count, delta), row);
  }

  // Each event's delta, the whole notches taken right after it, and what is
  // left gathered at the end.
  void wheelAccumulator_data() {
    QTest::addColumn<QList<int>>("deltas");
    QTest::addColumn<QList<int>>("notches");
    QTest::addColumn<int>("left");
    QTest::newRow("classic notches") << QList<int>{120, 240, -120} << QList<int>{1, 2, -1} << 0;
    QTest::newRow("touchpad quarters")
        << QList<int>{30, 30, 30, 30, 30} << QList<int>{0, 0, 0, 1, 0} << 30;
    QTest::newRow("high-resolution wheel down")
        << QList<int>{-40, -40, -40, -40} << QList<int>{0, 0, -1, 0} << -40;
    QTest::newRow("more than a notch keeps the rest") << QList<int>{300} << QList<int>{2} << 60;
    QTest::newRow("turning back drops the rest")
        << QList<int>{90, -60, -60} << QList<int>{0, 0, -1} << 0;
    QTest::newRow("turning back after a notch")
        << QList<int>{150, -100} << QList<int>{1, 0} << -100;
    QTest::newRow("zero deltas change nothing")
        << QList<int>{0, 60, 0, 60} << QList<int>{0, 0, 0, 1} << 0;
    QTest::newRow("extreme deltas stay in range")
        << QList<int>{INT_MAX, INT_MAX, INT_MIN} << QList<int>{8947848, 8947848, -8947848} << -63;
  }
  void wheelAccumulator() {
    QFETCH(QList<int>, deltas);
    QFETCH(QList<int>, notches);
    QFETCH(int, left);
    TWheelAccumulator acc;
    QList<int> taken;
    for (int d : deltas) {
      acc.Add(d);
      taken << acc.TakeNotches();
    }
    QCOMPARE(taken, notches);
    QCOMPARE(acc.Pending(), left);
    acc.Reset();
    QCOMPARE(acc.Pending(), 0);
  }

  void rotateStepAndEase() {
    QCOMPARE(RotateStep(true, false, false), 4.5);
    QCOMPARE(RotateStep(false, false, false), -4.5);
    QCOMPARE(RotateStep(true, false, true), -4.5);  // mirrored left to right
    QCOMPARE(RotateStep(true, true, true), 4.5);
    const auto& e = RibbonEaseTable();
    QCOMPARE(e[0], 1.0);
    QCOMPARE(e[19], 0.0);
    QVERIFY(std::fabs(e[9] - (10.0 / 19) * (10.0 / 19)) < 1e-15);
    QCOMPARE(WrapAngle(360.0), 0.0);
    QCOMPARE(WrapAngle(-90.0), 270.0);
  }
};

QTEST_APPLESS_MAIN(TestRibbonMath)
#include "test_ribbonmath.moc"
