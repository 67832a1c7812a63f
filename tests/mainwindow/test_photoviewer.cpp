// The photo viewer in the running program: opened from the list, stepping
// through it, rating, a slideshow, and Show Zoomed during a glide.

#include <QAction>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/glimrapplication.h"
#include "browse/shownlist.h"
#include "browse/ui/filelistview.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"
#include "ribbon/ribbon.h"
#include "ribbon/ui/ribbonview.h"
#include "support/programworld.h"
#include "viewer/ui/frmviewer.h"

using namespace glimr;
using test::RowOf;
using test::TreePath;

namespace {

// Six photos of distinct colours; the program starts on their folder.
struct TWorld {
  QTemporaryDir dir;
  QString Photos = dir.path() + "/photos/";

  TWorld() {
    QDir().mkpath(Photos);
    for (int n = 0; n < 6; ++n) {
      QImage picture(240, 160, QImage::Format_RGB888);
      picture.fill(Colour(n));
      picture.save(Photos + Name(n), "JPG", 95);
    }
  }
  static QString Name(int n) { return QStringLiteral("p%1.jpg").arg(n); }
  static QColor Colour(int n) { return QColor::fromHsv(n * 55, 220, 220); }
  TGlimrApplication::Options Options() const { return test::ProgramStartingOn(dir.path(), Photos); }
  int Rating(const QString& fileName) const { return test::CatalogRating(dir.path(), fileName); }
};

QString ShownName(TGlimrApplication& app) {
  const int row = app.Viewer()->ShownRow();
  return row >= 0 ? app.Shown().Current().At(row)->FileName : QString();
}

// The picture's middle pixel is the photo's colour (JPEG within a few
// levels).
bool ShowsColour(const QImage& picture, const QColor& colour) {
  if (picture.isNull()) {
    return false;
  }
  const QColor c = picture.pixelColor(picture.width() / 2, picture.height() / 2);
  return std::abs(c.red() - colour.red()) < 12 && std::abs(c.green() - colour.green()) < 12 &&
         std::abs(c.blue() - colour.blue()) < 12;
}

// Opens the viewer on a photo through Show Zoomed, as Space in the list.
void OpenOn(TGlimrApplication& app, const QString& name) {
  TfrmVesk& window = *app.MainWindow();
  window.ListView()->FocusRow(RowOf(app, name), true);
  QTRY_VERIFY(!app.Ribbon()->IsGliding());
  window.Actions().Get("aViewShowZoomed")->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(app.Viewer()->isVisible(), 10000);
  QTRY_VERIFY_WITH_TIMEOUT(app.Viewer()->PictureIsDecoded(), 10000);
}

}  // namespace

class TestPhotoViewer : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Delete in the viewer sends files to a trash of the test's own.
  void initTestCase() {
    trash_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", QFile::encodeName(trash_->path()));
  }
  // Right twice shows the third photo; Escape leaves the list's focus and
  // the ribbon on it.
  void stepAndEscape() {
    TWorld world;
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    // The list is sorted by name, descending: p5 first.
    OpenOn(app, TWorld::Name(5));
    TfrmViewer& viewer = *app.Viewer();
    QVERIFY(ShowsColour(viewer.Picture(), TWorld::Colour(5)));
    QTest::keyClick(&viewer, Qt::Key_Right);
    QTest::keyClick(&viewer, Qt::Key_Right);
    QCOMPARE(ShownName(app), TWorld::Name(3));
    QTRY_VERIFY(viewer.PictureIsDecoded());
    QVERIFY(ShowsColour(viewer.Picture(), TWorld::Colour(3)));
    QTest::keyClick(&viewer, Qt::Key_Escape);
    QTRY_VERIFY(!viewer.isVisible());
    const int row = app.MainWindow()->ListView()->FocusedRow();
    QCOMPARE(app.Shown().Current().At(row)->FileName, TWorld::Name(3));
    QTRY_COMPARE(app.Ribbon()->Ribbon().CurrentIndex, row);
    QVERIFY(app.Shutdown());
  }

  // Ctrl+3 in the viewer rates the shown photo, through the same path as
  // the File Info page, into the catalog.
  void ratingReachesTheCatalog() {
    TWorld world;
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    OpenOn(app, TWorld::Name(2));
    QTest::keyClick(app.Viewer(), Qt::Key_3, Qt::ControlModifier);
    QCOMPARE(app.Shown().Current().At(RowOf(app, TWorld::Name(2)))->Rating, std::uint8_t(3));
    QTRY_COMPARE(world.Rating(TWorld::Name(2)), 3);
    QVERIFY(app.Shutdown());
  }

  // At the shortest interval the slideshow advances through three photos,
  // in list order.
  void slideshowAdvances() {
    TWorld world;
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmViewer& viewer = *app.Viewer();
    viewer.SetSlideshowInterval(1000);
    app.MainWindow()->ListView()->FocusRow(RowOf(app, TWorld::Name(5)), true);
    app.MainWindow()->Actions().Get("aViewSlideshow")->trigger();
    QVERIFY(viewer.isVisible());
    QVERIFY(viewer.SlideshowRunning());
    QCOMPARE(ShownName(app), TWorld::Name(5));
    QTRY_COMPARE_WITH_TIMEOUT(ShownName(app), TWorld::Name(4), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(ShownName(app), TWorld::Name(3), 3000);
    // Space pauses; a navigation key ends the show.
    QTest::keyClick(&viewer, Qt::Key_Space);
    QVERIFY(!viewer.SlideshowRunning());
    QTest::keyClick(&viewer, Qt::Key_Right);
    QVERIFY(!viewer.SlideshowActive());
    QCOMPARE(ShownName(app), TWorld::Name(2));
    QVERIFY(app.Shutdown());
  }

  // Show Zoomed while the ribbon glides: the glide ends at once and the
  // viewer opens on the photo it was heading to.
  void showZoomedDuringAGlide() {
    TWorld world;
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    window.ListView()->FocusRow(RowOf(app, TWorld::Name(5)), true);
    QTRY_VERIFY(!app.Ribbon()->IsGliding());
    window.ListView()->FocusRow(RowOf(app, TWorld::Name(1)), true);
    QVERIFY(app.Ribbon()->IsGliding());
    window.Actions().Get("aViewShowZoomed")->trigger();
    QVERIFY(!app.Ribbon()->IsGliding());
    QCOMPARE(app.Ribbon()->Ribbon().CurrentIndex, RowOf(app, TWorld::Name(1)));
    QTRY_VERIFY_WITH_TIMEOUT(app.Viewer()->isVisible(), 10000);
    QCOMPARE(ShownName(app), TWorld::Name(1));
    QTRY_VERIFY_WITH_TIMEOUT(app.Viewer()->PictureIsDecoded(), 10000);
    QVERIFY(ShowsColour(app.Viewer()->Picture(), TWorld::Colour(1)));
    QVERIFY(app.Shutdown());
  }

  // F11 gives a window the size of the screen, under a window manager
  // (plain Xvfb does not honour full screen); Escape leaves full screen
  // first, then closes.
  void fullScreen() {
    const QString openbox = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (openbox.isEmpty()) {
      QSKIP("openbox is not installed (scripts/install-deps.sh installs it)");
    }
    QProcess manager;
    manager.start(openbox, {QStringLiteral("--sm-disable")});
    QVERIFY(manager.waitForStarted());
    QTest::qWait(500);  // the manager takes over the screen
    TWorld world;
    {
      TGlimrApplication app(world.Options());
      QVERIFY(app.Start());
      OpenOn(app, TWorld::Name(4));
      TfrmViewer& viewer = *app.Viewer();
      QVERIFY(QTest::qWaitForWindowExposed(&viewer));
      QTest::keyClick(&viewer, Qt::Key_F11);
      QTRY_VERIFY(viewer.isFullScreen());
      const QRect screen = viewer.screen()->geometry();
      QTRY_COMPARE(viewer.geometry(), screen);
      QTest::keyClick(&viewer, Qt::Key_Escape);
      QTRY_VERIFY(!viewer.isFullScreen());
      QVERIFY(viewer.isVisible());
      QTest::keyClick(&viewer, Qt::Key_Escape);
      QTRY_VERIFY(!viewer.isVisible());
      QVERIFY(app.Shutdown());
    }
    manager.terminate();
    manager.waitForFinished(3000);
  }

  // Delete in the viewer sends the shown photo to the Trash and shows the
  // next; a rename keeps it shown under its new name; rotating it turns
  // the picture as the ribbon turns the thumbnail.
  void editsOfTheShownPhoto() {
    TWorld world;
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    OpenOn(app, TWorld::Name(3));
    TfrmViewer& viewer = *app.Viewer();
    QTest::keyClick(&viewer, Qt::Key_Delete);
    QTRY_VERIFY(!QFile::exists(world.Photos + TWorld::Name(3)));
    QCOMPARE(ShownName(app), TWorld::Name(2));
    QVERIFY(viewer.isVisible());

    QVERIFY(QFile::rename(world.Photos + TWorld::Name(2), world.Photos + "renamed.jpg"));
    app.Shown().Rename(world.Photos + TWorld::Name(2), world.Photos + "renamed.jpg");
    QCOMPARE(ShownName(app), QStringLiteral("renamed.jpg"));
    QCOMPARE(viewer.ShownPath(), world.Photos + "renamed.jpg");

    QTRY_VERIFY(viewer.PictureIsDecoded());
    const QSize before = viewer.Picture().size();
    QTest::keyClick(&viewer, Qt::Key_R);
    // The record turns (as the ribbon's command would leave it) and the
    // viewer shows the picture turned.
    QCOMPARE(app.Shown().Current().At(viewer.ShownRow())->Angle, 90.0);
    QTRY_VERIFY_WITH_TIMEOUT(
        viewer.PictureIsDecoded() && viewer.Picture().size() == before.transposed(), 10000);
    QVERIFY(app.Shutdown());
  }

  // The shown photo deleted: the next one is shown; the list switching to
  // another folder closes a viewer that has nothing left to show.
  void followsTheList() {
    TWorld world;
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    OpenOn(app, TWorld::Name(3));
    QVERIFY(QFile::remove(world.Photos + TWorld::Name(3)));
    QStringList gone{world.Photos + TWorld::Name(3)};
    app.Shown().Remove(gone, false);
    QCOMPARE(ShownName(app), TWorld::Name(2));
    const QString empty = world.dir.path() + "/empty";
    QDir().mkpath(empty);
    app.MainWindow()->SelectTreePath(TreePath(empty));
    QTRY_VERIFY(!app.Viewer()->isVisible());
    QVERIFY(app.Shutdown());
  }

 private:
  std::unique_ptr<QTemporaryDir> trash_;
};

QTEST_MAIN(TestPhotoViewer)
#include "test_photoviewer.moc"
