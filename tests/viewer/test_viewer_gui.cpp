#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <atomic>
#include <future>

#include "catalog/imagefileinfo.h"
#include "common/locks.h"
#include "testbitmaps.h"
#include "viewer/ui/frmloading.h"
#include "viewer/ui/frmzoom.h"
#include "viewer/ui/showzoomed.h"
#include "viewer/zoomgeometry.h"

using namespace glimr;

namespace {

// A synthetic landscape photo with a red marker in its top-left corner.
QImage Landscape(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, h * 0.6);
  sky.setColorAt(0, QColor(40, 90, 170));
  sky.setColorAt(1, QColor(245, 190, 120));
  p.fillRect(image.rect(), sky);
  QRadialGradient sun(w * 0.7, h * 0.35, h * 0.12);
  sun.setColorAt(0, QColor(255, 250, 220));
  sun.setColorAt(1, QColor(255, 200, 120, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(sun);
  p.drawEllipse(QPointF(w * 0.7, h * 0.35), h * 0.12, h * 0.12);
  QPainterPath far;
  far.moveTo(0, h * 0.6);
  far.lineTo(w * 0.2, h * 0.33);
  far.lineTo(w * 0.38, h * 0.5);
  far.lineTo(w * 0.55, h * 0.3);
  far.lineTo(w * 0.8, h * 0.52);
  far.lineTo(w, h * 0.4);
  far.lineTo(w, h * 0.6);
  p.setBrush(QColor(70, 80, 110));
  p.drawPath(far);
  QLinearGradient lake(0, h * 0.6, 0, h);
  lake.setColorAt(0, QColor(60, 110, 150));
  lake.setColorAt(1, QColor(10, 40, 60));
  p.fillRect(QRectF(0, h * 0.6, w, h * 0.4), lake);
  p.setBrush(QColor(30, 70, 40));
  p.drawEllipse(QPointF(w * 0.15, h * 1.02), w * 0.35, h * 0.2);
  p.fillRect(QRectF(0, 0, w / 8.0, h / 8.0), QColor(220, 20, 20));
  p.end();
  return image;
}

// The stand-in for the main window: a black ribbon panel with a thumbnail.
class FakeMain : public QWidget {
 public:
  QRect thumbnail{430, 150, 140, 94};
  QImage thumb;
  FakeMain() {
    resize(1000, 640);
    move(100, 120);
  }
  QRect ThumbnailOnScreen() const {
    return QRect(mapToGlobal(thumbnail.topLeft()), thumbnail.size());
  }
  QRect PanelOnScreen() const { return QRect(mapToGlobal(QPoint(0, 0)), QSize(width(), 420)); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), QColor(235, 235, 235));
    p.fillRect(QRect(0, 0, width(), 420), Qt::black);
    if (!thumb.isNull())
      p.drawImage(thumbnail, thumb);
    p.setPen(Qt::darkGray);
    for (int y = 440; y < height(); y += 22)
      p.drawLine(10, y, width() - 10, y);
  }
};

// Sends one mouse event straight to the window. Simulated events through the
// window system can be merged with real pointer events of the X server.
void Mouse(QWidget& w, QEvent::Type type, const QPoint& pos) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  const Qt::MouseButtons buttons =
      type == QEvent::MouseButtonPress ? Qt::MouseButtons(Qt::LeftButton) : Qt::NoButton;
  QMouseEvent event(type, QPointF(pos), QPointF(w.mapToGlobal(pos)), button, buttons,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(&w, &event);
}

}  // namespace

class TestViewerGui : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  QString photo_;
  QString small_;

 private Q_SLOTS:
  void initTestCase() {
    // Real pointer motion and crossing events would mix with the simulated
    // ones when a window moves under the pointer: park it in a corner that no
    // test window covers.
    QCursor::setPos(1, 1);
    QVERIFY(dir_.isValid());
    photo_ = dir_.filePath(QStringLiteral("photo.jpg"));
    small_ = dir_.filePath(QStringLiteral("small.jpg"));
    QVERIFY(Landscape(6000, 4000).save(photo_, "JPEG", 85));  // 24 megapixels
    QVERIFY(Landscape(800, 600).save(small_, "JPEG", 90));
  }

  void photoGrowsFromThumbnailAndClosesOnEscape() {
    FakeMain main;
    main.thumb = Landscape(140, 94);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    TLocks locks;
    TfrmLoading loading(test::DecodeWithQt, locks.DecodeLock);
    int captures = 0;
    TfrmZoom zoom(nullptr, [&](const QRect& r) {
      ++captures;
      return GrabScreenArea(r);
    });
    TShowZoomed sequence(loading, zoom);
    int before = 0;
    int after = 0;
    sequence.SetHooks([&] { ++before; }, [&] { ++after; });
    QSignalSpy finished(&sequence, &TShowZoomed::Finished);

    TImageFileInfo record;
    record.Path = QDir(dir_.path()).absolutePath() + QLatin1Char('/');
    record.FileName = QStringLiteral("photo.jpg");
    const QRect start = main.ThumbnailOnScreen();
    QVERIFY(sequence.Begin(record, start, main.PanelOnScreen()));
    QVERIFY(loading.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(zoom.isVisible(), 60000);
    if (!qEnvironmentVariableIsEmpty("GLIMR_ZOOM_GROWING")) {
      QTest::qWait(50);
      zoom.Background().save(qEnvironmentVariable("GLIMR_ZOOM_GROWING"));
    }
    QCOMPARE(before, 1);
    QCOMPARE(captures, 1);

    // The picture is decoded for the screen's device pixels and placed in
    // logical ones.
    const QScreen* display = QGuiApplication::primaryScreen();
    const double dpr = display->devicePixelRatio();
    const QSize screen = display->size();
    const QSize picture = LoadCapSize(6000, 4000, (QSizeF(screen) * dpr).toSize());
    const QSize logical = (QSizeF(picture) / dpr).toSize();
    const TScreenRect target =
        ZoomTargetRect(logical.width(), logical.height(), TScreenRect::FromQRect(start),
                       screen.width(), screen.height());
    QCOMPARE(sequence.LastTarget(), target);
    QCOMPARE(zoom.size(), QSize(target.Width() + 10, target.Height() + 39));
    QCOMPARE(zoom.pos(), QPoint(target.Left - 5, target.Top - 34));
    QCOMPARE(zoom.Picture().size(), (QSizeF(target.Width(), target.Height()) * dpr).toSize());
    QVERIFY(zoom.isModal());

    QTRY_VERIFY(!zoom.IsAnimating());
    // The last frame holds the picture pixel for pixel, the close button at rest.
    if (dpr == 1.0)
      QCOMPARE(zoom.Background().copy(5, 34, target.Width(), target.Height()), zoom.Picture());
    QImage shown = zoom.grab().toImage().convertToFormat(QImage::Format_BGR888);
    shown.setDevicePixelRatio(1.0);
    QImage expected = zoom.Picture();
    expected.setDevicePixelRatio(1.0);
    QCOMPARE(shown.copy(QRect((QPointF(5, 34) * dpr).toPoint(), expected.size())), expected);
    QCOMPARE(zoom.Background().copy(zoom.width() - 34, 0, 34, 34), zoom.Artwork().CloseNormal);
    // Smooth scaling: the 6000 x 4000 photo keeps its red corner marker.
    const QColor marker = zoom.Picture().pixelColor(10, 10);
    QVERIFY(marker.red() > 180 && marker.green() < 60);

    const QString shot = qEnvironmentVariable("GLIMR_ZOOM_SCREENSHOT");
    if (!shot.isEmpty()) {
      QTest::qWait(300);
      QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(shot));
    }

    QTest::keyClick(&zoom, Qt::Key_Escape);
    QTRY_VERIFY(!zoom.isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(after, 1);
    QVERIFY(!zoom.Picture().isNull());  // kept until the next sequence
  }

  void escapeDuringAnimationClosesAtOnce() {
    TfrmZoom zoom(nullptr, [](const QRect&) { return QImage(); });  // no capture: black
    QSignalSpy finished(&zoom, &QDialog::finished);
    QImage picture(400, 300, QImage::Format_BGR888);
    picture.fill(Qt::darkGreen);
    zoom.SetPicture(picture);
    zoom.BeginZoom({300, 300, 350, 340}, {200, 200, 600, 500});
    QVERIFY(zoom.isVisible());
    QVERIFY(zoom.IsAnimating());
    QTest::keyClick(&zoom, Qt::Key_Escape);
    QVERIFY(!zoom.isVisible());
    QVERIFY(!zoom.IsAnimating());
    QCOMPARE(finished.count(), 1);
    // Other keys do nothing.
    zoom.BeginZoom({300, 300, 350, 340}, {200, 200, 600, 500});
    QTest::keyClick(&zoom, Qt::Key_Return);
    QTest::keyClick(&zoom, Qt::Key_Space);
    QVERIFY(zoom.isVisible());
    QTest::keyClick(&zoom, Qt::Key_Escape);
    QVERIFY(!zoom.isVisible());
  }

  void turnedPhotoOpensTurned() {
    TLocks locks;
    TfrmLoading loading(test::DecodeWithQt, locks.DecodeLock);
    TfrmZoom zoom(nullptr, [](const QRect&) { return QImage(); });
    TShowZoomed sequence(loading, zoom);
    TImageFileInfo record;
    record.Path = QDir(dir_.path()).absolutePath() + QLatin1Char('/');
    record.FileName = QStringLiteral("small.jpg");
    record.Angle = 90;
    record.HFliped = true;  // mirrored top to bottom as well
    QVERIFY(sequence.Begin(record, QRect(500, 400, 75, 100), QRect(0, 0, 1200, 600)));
    QTRY_VERIFY_WITH_TIMEOUT(zoom.isVisible(), 30000);
    const QImage& picture = zoom.Picture();
    // Portrait after the quarter turn, capped for the screen's device pixels.
    const QScreen* display = QGuiApplication::primaryScreen();
    QCOMPARE(
        picture.size(),
        LoadCapSize(600, 800, (QSizeF(display->size()) * display->devicePixelRatio()).toSize()));
    // The marker went from the top-left to the top-right, then to the bottom.
    const QColor corner = picture.pixelColor(picture.width() - 10, picture.height() - 10);
    QVERIFY(corner.red() > 180 && corner.green() < 60);
    QTest::keyClick(&zoom, Qt::Key_Escape);
    QTRY_VERIFY(!zoom.isVisible());
  }

  // A picture of one-pixel squares reaches the screen's pixels one to one,
  // on a HiDPI screen too: every device pixel differs from its neighbour,
  // where a picture made for logical pixels and scaled up would repeat each.
  void pictureKeepsEveryDevicePixel() {
    QImage checker(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < checker.height(); ++y)
      for (int x = 0; x < checker.width(); ++x)
        checker.setPixel(x, y, (x + y) % 2 ? 0xffffffff : 0xff000000);
    QVERIFY(checker.save(dir_.filePath(QStringLiteral("checker.png"))));
    TLocks locks;
    TfrmLoading loading(test::DecodeWithQt, locks.DecodeLock);
    TfrmZoom zoom(nullptr, [](const QRect&) { return QImage(); });
    TShowZoomed sequence(loading, zoom);
    TImageFileInfo record;
    record.Path = QDir(dir_.path()).absolutePath() + QLatin1Char('/');
    record.FileName = QStringLiteral("checker.png");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(sequence.Begin(record, QRect(screen.center(), QSize(60, 40)), screen));
    QTRY_VERIFY_WITH_TIMEOUT(zoom.isVisible(), 30000);
    QTRY_VERIFY(!zoom.IsAnimating());
    QCOMPARE(zoom.Picture().size(), QSize(300, 200));
    const double dpr = zoom.devicePixelRatioF();
    const QImage shown = zoom.grab().toImage();
    const TScreenRect target = sequence.LastTarget();
    const QPoint origin = (QPointF(target.Left - zoom.x(), target.Top - zoom.y()) * dpr).toPoint();
    int alternations = 0;
    for (int x = 0; x < 100; ++x) {
      const QPoint at = origin + QPoint(50 + x, 100);
      alternations += qGray(shown.pixel(at)) != qGray(shown.pixel(at + QPoint(1, 0))) ? 1 : 0;
    }
    QCOMPARE(alternations, 100);
    QTest::keyClick(&zoom, Qt::Key_Escape);
    QTRY_VERIFY(!zoom.isVisible());
  }

  // A slow decode (a network folder, a huge file) must not lock the program:
  // Escape or a click closes the preview at once. The decode runs on; its
  // picture is dropped and no new sequence begins until it has ended.
  void cancelledPreviewOpensNothing_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("Escape") << true;
    QTest::newRow("click") << false;
  }
  void cancelledPreviewOpensNothing() {
    QFETCH(bool, escape);
    TLocks locks;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    bool releasedYet = false;
    std::atomic<int> started{0};
    TfrmLoading loading(
        [&](const QString& path) {
          if (++started == 1)
            released.wait();
          return test::DecodeWithQt(path);
        },
        locks.DecodeLock);
    // A failed check must not leave the window's destructor waiting forever.
    const auto letGo = qScopeGuard([&] {
      if (!releasedYet)
        release.set_value();
    });
    TfrmZoom zoom(nullptr, [](const QRect&) { return QImage(); });
    TShowZoomed sequence(loading, zoom);
    int ended = 0;
    sequence.SetHooks({}, [&] { ++ended; });
    QSignalSpy finished(&sequence, &TShowZoomed::Finished);
    TImageFileInfo record;
    record.Path = QDir(dir_.path()).absolutePath() + QLatin1Char('/');
    record.FileName = QStringLiteral("small.jpg");
    const QRect start(500, 400, 75, 100);
    const QRect panel(0, 0, 1200, 600);

    QVERIFY(sequence.Begin(record, start, panel));
    QTRY_COMPARE(started.load(), 1);
    QVERIFY(QTest::qWaitForWindowExposed(&loading));
    if (escape)
      QTest::keyClick(&loading, Qt::Key_Escape);
    else
      Mouse(loading, QEvent::MouseButtonPress, QPoint(80, 15));
    QVERIFY(!loading.isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(ended, 1);
    QVERIFY(sequence.IsRunning());
    QVERIFY(!sequence.Begin(record, start, panel));

    release.set_value();
    releasedYet = true;
    QTRY_VERIFY(!sequence.IsRunning());
    QVERIFY(!zoom.isVisible());
    QVERIFY(!loading.isVisible());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(ended, 1);

    // The next request opens as usual.
    QVERIFY(sequence.Begin(record, start, panel));
    QTRY_VERIFY_WITH_TIMEOUT(zoom.isVisible(), 30000);
    QTest::keyClick(&zoom, Qt::Key_Escape);
    QTRY_COMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).toBool(), true);
    QCOMPARE(ended, 2);
  }

  void closeButtonDraggingAndHover() {
    TfrmZoom zoom(nullptr, [](const QRect&) { return QImage(); });
    QImage picture(400, 300, QImage::Format_BGR888);
    picture.fill(QColor(30, 120, 200));
    zoom.SetPicture(picture);
    zoom.BeginZoom({300, 300, 350, 340}, {200, 200, 600, 500});
    QVERIFY(QTest::qWaitForWindowExposed(&zoom));
    // Mouse input is ignored while the window grows.
    Mouse(zoom, QEvent::MouseButtonPress, QPoint(50, 10));
    QVERIFY(!zoom.IsDragging());
    Mouse(zoom, QEvent::MouseButtonRelease, QPoint(50, 10));
    QTRY_VERIFY(!zoom.IsAnimating());
    const int w = zoom.width();
    QCOMPARE(w, 410);

    // The picture does not drag the window; the title strip does.
    const QPoint home = zoom.pos();
    Mouse(zoom, QEvent::MouseButtonPress, QPoint(200, 150));
    Mouse(zoom, QEvent::MouseMove, QPoint(230, 170));
    Mouse(zoom, QEvent::MouseButtonRelease, QPoint(230, 170));
    QCOMPARE(zoom.pos(), home);
    Mouse(zoom, QEvent::MouseButtonPress, QPoint(50, 10));
    QVERIFY(zoom.IsDragging());
    Mouse(zoom, QEvent::MouseMove, QPoint(80, 30));
    QTRY_COMPARE(zoom.pos(), home + QPoint(30, 20));
    Mouse(zoom, QEvent::MouseButtonRelease, QPoint(50, 10));
    QVERIFY(!zoom.IsDragging());
    // Nor does the close button.
    Mouse(zoom, QEvent::MouseButtonPress, QPoint(w - 10, 10));
    QVERIFY(!zoom.IsDragging());
    Mouse(zoom, QEvent::MouseButtonRelease, QPoint(w - 10, 10));

    // Press on the button, slide off, release: the window stays open.
    Mouse(zoom, QEvent::MouseMove, QPoint(w - 12, 12));
    QVERIFY(zoom.IsHovering());
    QCOMPARE(zoom.CloseButtonShown(), zoom.Artwork().CloseHover);
    Mouse(zoom, QEvent::MouseButtonPress, QPoint(w - 12, 12));
    QVERIFY(zoom.IsPressed());
    QCOMPARE(zoom.CloseButtonShown(), zoom.Artwork().ClosePressed);
    Mouse(zoom, QEvent::MouseMove, QPoint(w / 2, 150));
    QVERIFY(!zoom.IsHovering());
    Mouse(zoom, QEvent::MouseButtonRelease, QPoint(w / 2, 150));
    QVERIFY(!zoom.IsPressed());
    QVERIFY(zoom.isVisible());
    // The button fades back toward its normal look; the background never
    // held the hover look.
    QTRY_VERIFY(zoom.CloseButtonShown() != zoom.Artwork().CloseHover);
    QCOMPARE(zoom.Background().copy(w - 34, 0, 34, 34), zoom.Artwork().CloseNormal);

    // Press and release on the button closes the window.
    Mouse(zoom, QEvent::MouseMove, QPoint(w - 15, 15));
    QVERIFY(zoom.IsHovering());
    Mouse(zoom, QEvent::MouseButtonPress, QPoint(w - 15, 15));
    Mouse(zoom, QEvent::MouseButtonRelease, QPoint(w - 15, 15));
    QVERIFY(!zoom.isVisible());
  }
};

QTEST_MAIN(TestViewerGui)
#include "test_viewer_gui.moc"
