// The program as it wires itself: the shown list tells the file list, the
// ribbon, the File Info page and the catalog, so a command changes only the
// rows it touches and an edit needs no call but itself.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/glimrapplication.h"
#include "browse/shownlist.h"
#include "browse/ui/filelistmodel.h"
#include "browse/ui/filelistview.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"
#include "organize/ui/starview.h"
#include "ribbon/ribbon.h"
#include "ribbon/ui/ribbonview.h"
#include "support/modalanswer.h"
#include "support/programworld.h"

using namespace glimr;
using test::RowOf;
using test::TModalAnswer;
using test::TreePath;

namespace {

// Photos p0..p5, an Archive holding z.jpg; the program starts on Photos.
struct TWorld {
  QTemporaryDir dir;
  QString Photos = dir.path() + "/photos/";
  QString Archive = dir.path() + "/archive/";

  TWorld() {
    QDir().mkpath(Photos);
    QDir().mkpath(Archive);
    for (int n = 0; n < 6; ++n) {
      Picture(Photos + QStringLiteral("p%1.jpg").arg(n), n);
    }
    Picture(Archive + QStringLiteral("z.jpg"), 9);
  }
  static void Picture(const QString& path, int n) {
    QImage picture(48, 32, QImage::Format_RGB888);
    picture.fill(QColor::fromHsv(n * 30 % 360, 180, 200));
    picture.save(path);
  }
  TGlimrApplication::Options Options() const { return test::ProgramStartingOn(dir.path(), Photos); }
  int Rating(const QString& fileName) const { return test::CatalogRating(dir.path(), fileName); }
};

// What the user sees of the list's state: the selected names, the focused
// name and the name the ribbon shows in its centre.
struct TState {
  QStringList Selected;
  QString Focused;
  QString Centred;
  bool operator==(const TState&) const = default;
};

TState StateOf(TGlimrApplication& app) {
  TState s;
  const TFileList& current = app.Shown().Current();
  for (int i = 0; i < current.Count(); ++i) {
    if (current.At(i)->Selected) {
      s.Selected << current.At(i)->FileName;
    }
  }
  const int focused = app.MainWindow()->ListView()->FocusedRow();
  s.Focused = focused >= 0 ? current.At(focused)->FileName : QString();
  TRibbon& ribbon = app.Ribbon()->Ribbon();
  const TImageFileInfo* centred = ribbon.Model().FileAt(ribbon.CurrentIndex);
  s.Centred = centred ? centred->FileName : QString();
  return s;
}

char* toString(const TState& s) {
  return QTest::toString(QStringLiteral("selected %1, focused %2, centred %3")
                             .arg(s.Selected.join(','), s.Focused, s.Centred));
}

// Selects p2 and p4 with the focus on p3, and lets the ribbon glide there.
void SelectAndFocus(TGlimrApplication& app) {
  const TFileList& current = app.Shown().Current();
  for (const char* name : {"p2.jpg", "p4.jpg"}) {
    current.At(RowOf(app, QLatin1String(name)))->Selected = true;
  }
  TFileListView& view = *app.MainWindow()->ListView();
  view.RestoreSelectionFromRecords();
  view.FocusRow(RowOf(app, QStringLiteral("p3.jpg")), false);
  QTRY_VERIFY(!app.Ribbon()->IsGliding());
}

}  // namespace

class TestShownWiring : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A copy into another folder and a paste from the board change only the
  // rows they touch: the selection, the focused record and the ribbon's
  // centred record stay, the centre following a row inserted before it.
  void commandsKeepSelectionAndCentre() {
    TWorld world;
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    // z.jpg goes on the board from the Archive.
    window.SelectTreePath(TreePath(world.Archive));
    QTRY_COMPARE(app.Shown().Folder(), world.Archive);
    window.ListView()->FocusRow(RowOf(app, QStringLiteral("z.jpg")), true);
    window.Actions().Get("aCopyToIB")->trigger();
    window.SelectTreePath(TreePath(world.Photos));
    QTRY_COMPARE(app.Shown().Folder(), world.Photos);

    SelectAndFocus(app);
    const TState before{{"p4.jpg", "p2.jpg"}, "p3.jpg", "p3.jpg"};
    QCOMPARE(StateOf(app), before);

    {
      TModalAnswer choose(QStringLiteral("frmCopyMoveTo"), [&world](QWidget* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("deChoose"))->setText(world.Archive);
        dialog->findChild<QAbstractButton*>(QStringLiteral("btnOk"))->click();
      });
      window.Actions().Get("aCopyToFolder")->trigger();
      QVERIFY(choose.Done());
    }
    QVERIFY(QFile::exists(world.Archive + "p4.jpg"));
    QCOMPARE(StateOf(app), before);

    // The list is sorted by name, descending: z.jpg lands before p3.jpg.
    const int centreRow = app.Ribbon()->Ribbon().CurrentIndex;
    window.Actions().Get("aPasteFromIB")->trigger();
    QTRY_VERIFY(QFile::exists(world.Photos + "z.jpg"));
    QCOMPARE(RowOf(app, QStringLiteral("z.jpg")), 1);
    QCOMPARE(StateOf(app), before);
    QCOMPARE(app.Ribbon()->Ribbon().CurrentIndex, centreRow + 1);
    QVERIFY(app.Shutdown());
  }

  // One rating edit reaches the file list, the ribbon, the File Info page
  // and the catalog through the shown list alone.
  void ratingReachesEveryView() {
    TWorld world;
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    const int row = RowOf(app, QStringLiteral("p3.jpg"));
    window.ListView()->FocusRow(row, true);
    QTRY_VERIFY(!app.Ribbon()->IsGliding());
    auto* stars = window.findChild<TStarView*>(QStringLiteral("svRating"));
    QVERIFY(stars);
    QCOMPARE(stars->StarsSelected(), 0);
    TFileListModel& model = *window.ListView()->Model();
    QSignalSpy listRows(&model, &QAbstractItemModel::dataChanged);
    app.Ribbon()->Ribbon().RedrawNeeded = false;

    window.Actions().Get("aSetThreeStars")->trigger();

    QCOMPARE(model.data(model.index(row, scRating), Qt::DisplayRole).toString(),
             QStringLiteral("3"));
    QVERIFY(!listRows.isEmpty());
    QCOMPARE(listRows.first().at(0).value<QModelIndex>().row(), row);
    QVERIFY(app.Ribbon()->Ribbon().RedrawNeeded);
    QCOMPARE(stars->StarsSelected(), 3);
    QTRY_COMPARE(world.Rating(QStringLiteral("p3.jpg")), 3);
    QVERIFY(app.Shutdown());
  }
};

QTEST_MAIN(TestShownWiring)
#include "test_shownwiring.moc"
