// The ribbon as a user sees it: frames drawn by Mesa under Xvfb and read
// back. Nine square thumbnails of known colours around a red centre picture
// whose bottom eighth is yellow, on a panel of 800 x 420 (exactly the
// letterbox ratio, so the viewport is the whole panel).

#include <QAccessible>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "common/errors.h"
#include "fakeribbonmodel.h"
#include "ribbon/ribbongap.h"
#include "ribbon/ui/glpanel.h"
#include "ribbon/ui/ribbonview.h"

using namespace glimr;

namespace {

const QColor kRed(220, 40, 40);
const QColor kYellow(220, 220, 40);
const QColor kGreen(40, 220, 40);
const QColor kBlue(40, 40, 220);
const QColor kGrey(110, 110, 110);

// Screen geometry of the centre picture (a 2 x 2 square standing on the
// floor line) for this camera: x 267..533, top at y 77, floor at y 343.
constexpr int kFloorY = 343;

// The framebuffer is in device pixels; the tests name logical positions, so
// the same checks hold at a device pixel ratio of 1 and of 2.
QColor At(const QImage& img, int x, int y) {
  const double dpr = img.devicePixelRatio();
  return img.pixelColor(int(x * dpr), int(y * dpr));
}

QString Describe(const QColor& c) {
  return QString("(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

bool Near(const QColor& a, const QColor& b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace

class TestRibbonView : public QObject {
  Q_OBJECT

  std::unique_ptr<TFakeRibbonModel> model_;
  std::unique_ptr<TGlPanel> panel_;
  std::unique_ptr<TRibbonView> view_;
  TRibbonSettings settings_;

  void Build(const TRibbonSettings& settings) {
    view_.reset();
    panel_.reset();
    model_ = std::make_unique<TFakeRibbonModel>();
    for (int i = 0; i < 9; ++i) {
      const QString name = QString("img00%1.jpg").arg(i);
      model_->AddFile(name);
      const QString path = "/pics/" + name;
      if (i == 4) {
        // Top seven eighths red, the bottom eighth yellow.
        model_->AddThumb(path, 256, 256, kYellow, kRed, 56);
      } else {
        model_->AddThumb(path, 256, 256, i == 5 ? kGreen : i == 3 ? kBlue : kGrey);
      }
    }
    model_->Focused = 4;
    panel_ = std::make_unique<TGlPanel>();
    panel_->resize(800, 420);
    view_ = std::make_unique<TRibbonView>(*panel_, *model_, settings);
    TRibbon& r = view_->Ribbon();
    r.CurrentIndex = r.TargetIndex = 4;
    r.CurrentPosition = r.ViewPosition = 8.0;
    panel_->show();
    QVERIFY(QTest::qWaitForWindowExposed(panel_.get()));
    view_->PrepareScene();
  }

  QImage Frame() {
    QImage frame = panel_->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
    frame.setDevicePixelRatio(panel_->devicePixelRatioF());
    return frame;
  }

 private Q_SLOTS:
  void initTestCase() {
    settings_.Cap = QColor(0, 255, 255);
    settings_.Halo = QColor(255, 0, 255);
  }
  void cleanup() {
    view_.reset();
    panel_.reset();
  }

  void centreNeighboursAndReflection() {
    Build(settings_);
    const QImage img = Frame();
    // Drawn on every device pixel: twice as many each way at a ratio of 2.
    const double dpr = panel_->devicePixelRatioF();
    QCOMPARE(img.size(), QSize(qRound(800 * dpr), qRound(420 * dpr)));
    QCOMPARE(panel_->Viewport(), (TViewport{0, 0, qRound(800 * dpr), qRound(420 * dpr)}));
    // Black around the ribbon.
    QVERIFY(Near(At(img, 5, 5), Qt::black, 0));
    QVERIFY(Near(At(img, 400, 20), Qt::black, 0));
    // The centre picture in its own colours, its yellow foot above the floor.
    QVERIFY2(Near(At(img, 400, 210), kRed, 3), qPrintable(Describe(At(img, 400, 210))));
    QVERIFY2(Near(At(img, 290, kFloorY - 12), kYellow, 3),
             qPrintable(Describe(At(img, 290, kFloorY - 12))));
    // The fanned neighbours, dimmed by their depth (0.825 at d = 2).
    int maxGreen = 0;
    int maxBlue = 0;
    for (int x = 0; x < 800; ++x) {
      const QColor c = At(img, x, 210);
      if (x > 533 && c.green() > c.red() + 40) {
        maxGreen = std::max(maxGreen, c.green());
      }
      if (x < 267 && c.blue() > c.red() + 40) {
        maxBlue = std::max(maxBlue, c.blue());
      }
    }
    QVERIFY2(maxGreen > 160 && maxGreen < 195, qPrintable(QString::number(maxGreen)));
    QVERIFY2(maxBlue > 160 && maxBlue < 195, qPrintable(QString::number(maxBlue)));
    // The reflection below the floor is mirrored (the yellow foot comes
    // first, then red) and dark (a quarter at the floor, fading out).
    const QColor nearFloor = At(img, 290, kFloorY + 15);
    const QColor below = At(img, 290, kFloorY + 62);
    QVERIFY2(nearFloor.red() > 25 && nearFloor.green() > 25 && nearFloor.red() < 70 &&
                 nearFloor.blue() < nearFloor.red() / 2,
             qPrintable(Describe(nearFloor)));
    QVERIFY2(below.red() > 15 && below.red() < 60 && below.green() < below.red() / 2,
             qPrintable(Describe(below)));
    // Captions in the caption colour (80 percent), just under the picture.
    bool caption = false;
    for (int y = kFloorY - 10; y < kFloorY + 25 && !caption; ++y) {
      for (int x = 330; x < 480 && !caption; ++x) {
        const QColor c = At(img, x, y);
        caption = c.red() < 60 && c.green() > 150 && c.blue() > 150;
      }
    }
    QVERIFY(caption);
  }

  void selectedEntryHasWhiteFrame() {
    Build(settings_);
    const QImage plain = Frame();
    model_->Files[4].Selected = true;
    panel_->update();
    const QImage framed = Frame();
    const QColor edge = At(framed, 269, 210);
    QVERIFY2(edge.green() > 120 && edge.blue() > 120 && edge.red() > 220,
             qPrintable(Describe(edge)));
    QVERIFY(Near(At(plain, 269, 210), kRed, 6));
    QVERIFY(Near(At(framed, 400, 210), kRed, 3));  // inside the frame unchanged
  }

  void hoverShowsHaloAndClickPicks() {
    Build(settings_);
    QVERIFY(Near(At(Frame(), 400, 72), Qt::black, 0));
    // A real move event: QTest::mouseMove warps the X pointer, and Xvfb
    // sometimes drops the resulting event when the machine is busy.
    const QPoint at(400, 210);
    QMouseEvent move(QEvent::MouseMove, at, panel_->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(panel_.get(), &move);
    const QImage img = Frame();
    QCOMPARE(view_->Ribbon().Hovered, 5);
    const QColor halo = At(img, 400, 72);
    QVERIFY2(halo.red() > 25 && halo.blue() > 25 && halo.green() < 10, qPrintable(Describe(halo)));
    // Picking: the centre, the two neighbours and the empty corner.
    QCOMPARE(view_->DoSelect(400, 210), 5);
    QCOMPARE(view_->DoSelect(600, 210), 6);
    QCOMPARE(view_->DoSelect(200, 210), 4);
    QCOMPARE(view_->DoSelect(5, 5), -1);
    // A click on the right neighbour focuses its row.
    QTest::mouseClick(panel_.get(), Qt::LeftButton, {}, QPoint(600, 210));
    QVERIFY(!model_->FocusRequests.empty());
    QCOMPARE(model_->FocusRequests.back(), std::make_pair(5, TRibbonFocus::Click));
  }

  void antialiasedVariantsLookTheSame_data() {
    QTest::addColumn<bool>("thumbs");
    QTest::addColumn<bool>("text");
    QTest::newRow("thumbnails") << true << false;
    QTest::newRow("captions") << false << true;
    QTest::newRow("both") << true << true;
  }
  void antialiasedVariantsLookTheSame() {
    QFETCH(bool, thumbs);
    QFETCH(bool, text);
    Build(settings_);
    const QImage plain = Frame();
    TRibbonSettings s = settings_;
    s.AntialiasingThumbEnabled = thumbs;
    s.AntialiasingTextEnabled = text;
    view_->SetSettings(s);
    const QImage aa = Frame();
    QVERIFY2(Near(At(aa, 400, 210), kRed, 3), qPrintable(Describe(At(aa, 400, 210))));
    // Same picture: small mean difference, reflection kept at its brightness.
    qint64 sum = 0;
    int changed = 0;
    for (int y = 0; y < 420; ++y) {
      for (int x = 0; x < 800; ++x) {
        const QColor a = At(plain, x, y);
        const QColor b = At(aa, x, y);
        const int d = std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                      std::abs(a.blue() - b.blue());
        sum += d;
        changed += d > 0 ? 1 : 0;
      }
    }
    const double mean = static_cast<double>(sum) / (800.0 * 420.0 * 3.0);
    QVERIFY2(mean < 2.0, qPrintable(QString::number(mean)));
    QVERIFY(changed > 0);
    QVERIFY2(Near(At(aa, 290, kFloorY + 15), At(plain, 290, kFloorY + 15), 6),
             qPrintable(Describe(At(aa, 290, kFloorY + 15))));
    if (thumbs) {
      // Softened edges: the left edge of the centre picture gets in-between
      // values where the plain frame jumps from black to red.
      bool between = false;
      for (int x = 255; x < 280; ++x) {
        const int r = At(aa, x, 150).red();
        between = between || (r > 20 && r < 200);
      }
      QVERIFY(between);
    }
  }

  void glideAndNonLatinCaptions() {
    Build(settings_);
    model_->Files[5].Caption = QString::fromUtf8("Фото 写真");
    view_->PrepareScene();
    const qint64 before = view_->FramesDrawn();
    model_->Focused = 5;
    view_->ScrollImagesToFocused();
    QVERIFY(view_->IsGliding());
    QTRY_VERIFY_WITH_TIMEOUT(!view_->IsGliding(), 5000);
    const QImage img = Frame();
    QCOMPARE(view_->Ribbon().CurrentIndex, 5);
    QVERIFY2(Near(At(img, 400, 210), kGreen, 3), qPrintable(Describe(At(img, 400, 210))));
    qInfo("frames drawn during one glide to a neighbour: %lld", view_->FramesDrawn() - before);
    bool caption = false;
    for (int y = kFloorY - 10; y < kFloorY + 25 && !caption; ++y) {
      for (int x = 300; x < 500 && !caption; ++x) {
        const QColor c = At(img, x, y);
        caption = c.red() < 60 && c.green() > 150 && c.blue() > 150;
      }
    }
    QVERIFY(caption);
  }

  // Assistive technology reads the ribbon's name and, as its description,
  // the focused entry's name and its position in the list.
  void namedWithTheFocusedEntry() {
    Build(settings_);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(panel_.get());
    QVERIFY(face);
    QCOMPARE(face->text(QAccessible::Name), QStringLiteral("Thumbnails"));
    QCOMPARE(face->text(QAccessible::Description), QStringLiteral("img004.jpg, 5/9"));
    model_->Focused = 5;
    view_->ScrollImagesToFocused();
    QCOMPARE(face->text(QAccessible::Description), QStringLiteral("img005.jpg, 6/9"));
    // An emptied list focuses nothing: no entry is described.
    model_->Files.clear();
    model_->Focused = -1;
    view_->PrepareScene();
    QCOMPARE(face->text(QAccessible::Name), QStringLiteral("Thumbnails"));
    QCOMPARE(face->text(QAccessible::Description), QString());
  }

  // A folder opened while the ribbon glides (a double click whose first
  // click started a glide, Back or Up): the new list starts on entry 0, and
  // a click on a row glides there. "position only" is the reset of the
  // ribbon's state without the view; the glide timer must follow it too.
  void loadDuringAGlideStartsOnEntryZero_data() {
    QTest::addColumn<bool>("viewReset");
    QTest::newRow("view reset") << true;
    QTest::newRow("position only") << false;
  }
  void loadDuringAGlideStartsOnEntryZero() {
    QFETCH(bool, viewReset);
    Build(settings_);
    model_->Focused = 8;
    view_->ScrollImagesToFocused();
    QTRY_VERIFY(view_->Ribbon().CurrentIndex > 4);
    QVERIFY(view_->IsGliding());
    view_->Ribbon().Wheel(120, true, false);
    view_->PollTimerTick();

    model_->Files.clear();
    model_->Thumbs.clear();
    for (int i = 0; i < 5; ++i) {
      const QString name = QString("new%1.jpg").arg(i);
      model_->AddFile(name);
      model_->AddThumb("/pics/" + name, 256, 256, i == 0 ? kGreen : i == 2 ? kBlue : kGrey);
    }
    model_->Focused = -1;
    if (viewReset) {
      view_->ResetForLoad();
      QVERIFY(!view_->IsGliding());
    } else {
      view_->Ribbon().ResetPosition();
    }
    view_->PrepareScene();
    QTRY_VERIFY(!view_->IsGliding());
    const TRibbon& r = view_->Ribbon();
    QCOMPARE(r.CurrentIndex, 0);
    QCOMPARE(r.ViewPosition, 0.0);
    QCOMPARE(r.Zoom, TZoom{});
    QImage img = Frame();
    QVERIFY2(Near(At(img, 400, 210), kGreen, 3), qPrintable(Describe(At(img, 400, 210))));

    model_->Focused = 2;
    view_->ScrollImagesToFocused();
    QVERIFY(view_->IsGliding());
    QTRY_VERIFY_WITH_TIMEOUT(!view_->IsGliding(), 5000);
    QCOMPARE(r.CurrentIndex, 2);
    img = Frame();
    QVERIFY2(Near(At(img, 400, 210), kBlue, 3), qPrintable(Describe(At(img, 400, 210))));
  }

  void removalDuringAGlideStopsTheTimer() {
    Build(settings_);
    model_->Focused = 8;
    view_->ScrollImagesToFocused();
    QTRY_VERIFY(view_->Ribbon().CurrentIndex > 4);
    QVERIFY(view_->IsGliding());
    model_->Files.pop_back();
    model_->Focused = -1;
    QVERIFY(CloseRibbonGap(view_->Ribbon()));
    const double view = view_->Ribbon().ViewPosition;
    QTRY_VERIFY(!view_->IsGliding());
    QCOMPARE(view_->Ribbon().ViewPosition, view);
  }

  // The panel takes no keyboard focus; the window moves it to the file list
  // when a thumbnail is clicked.
  void clickOnAThumbnailAsksForTheListFocus_data() {
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("row");
    QTest::newRow("centre") << QPoint(400, 210) << 4;
    QTest::newRow("right neighbour") << QPoint(600, 210) << 5;
    QTest::newRow("left neighbour") << QPoint(200, 210) << 3;
    QTest::newRow("empty corner") << QPoint(5, 5) << -1;
  }
  void clickOnAThumbnailAsksForTheListFocus() {
    QFETCH(QPoint, at);
    QFETCH(int, row);
    Build(settings_);
    QSignalSpy clicked(view_.get(), &TRibbonView::EntryClicked);
    QTest::mouseClick(panel_.get(), Qt::LeftButton, {}, at);
    if (row < 0) {
      QCOMPARE(clicked.count(), 0);
    } else {
      QCOMPARE(clicked.count(), 1);
      QCOMPARE(clicked.at(0).at(0).toInt(), row);
    }
    QCOMPARE(panel_->focusPolicy(), Qt::NoFocus);
  }

  void thumbnailFadesIn() {
    Build(settings_);
    model_->Thumbs.erase("/pics/img004.jpg");
    view_->PrepareScene();
    QImage img = Frame();
    // The busy gear (grey, half size) instead of the red picture.
    QVERIFY(!Near(At(img, 400, 210), kRed, 40));
    model_->AddThumb("/pics/img004.jpg", 256, 256, kRed);
    for (int i = 0; i < 15; ++i) {
      view_->PollTimerTick();
    }
    QCOMPARE(view_->Ribbon().Slots[4]->State, TSlotState::Idle);
    img = Frame();
    QVERIFY2(Near(At(img, 400, 210), kRed, 3), qPrintable(Describe(At(img, 400, 210))));
  }
};

QTEST_MAIN(TestRibbonView)
#include "test_ribbonview.moc"
