#include <QAbstractItemModelTester>
#include <QAction>
#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QIcon>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "board/boardactions.h"
#include "board/boardlist.h"
#include "board/ui/frimageboard.h"
#include "browse/filelist.h"
#include "browse/ui/extensiontable.h"

using namespace glimr;

namespace {

const char* const kTools[] = {"tbImgBrdCheckSel", "tbImgBrdUnCheckSel",  "tbImgBrdCheckNone",
                              "tbImgBrdCheckAll", "tbImgBrdInvertCheck", "tbImgBrdDelete",
                              "tbImgBrdClear"};

TBoardEntry Entry(const QString& path, bool checked) {
  TBoardEntry e;
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  e.Path = path.left(slash + 1);
  e.FileName = path.mid(slash + 1);
  e.Checked = checked;
  return e;
}

// The page on a board of a few images, shown, with a model checker that
// fails the test on any inconsistent notification.
struct Page {
  QFileIconProvider icons;
  TExtensionTable extensions{&icons};
  TBoardList board;
  TfrImageBoard page{board, extensions};
  QAbstractItemModelTester tester{page.ListView()->model(),
                                  QAbstractItemModelTester::FailureReportingMode::QtTest};

  Page() {
    const QString pictures = QStringLiteral("/home/ann/Pictures/");
    board.Append(Entry(pictures + QStringLiteral("Alps/summit.jpg"), true));
    board.Append(Entry(pictures + QStringLiteral("Alps/lake.png"), false));
    board.Append(Entry(pictures + QStringLiteral("Home/cat.gif"), true));
    board.Append(Entry(pictures + QStringLiteral("Home/garden.tiff"), false));
    board.Append(Entry(pictures + QStringLiteral("Scans/letter.bmp"), true));
    page.resize(330, 240);
    page.show();
    if (!QTest::qWaitForWindowExposed(&page)) {
      qFatal("the page was not shown");
    }
  }
  QTreeView* View() const { return page.ListView(); }
  QModelIndex Index(int row, int column = 0) const { return View()->model()->index(row, column); }
  void Press(const char* tool) {
    auto* button = page.findChild<QToolButton*>(QLatin1String(tool));
    QVERIFY2(button, tool);
    QTest::mouseClick(button, Qt::LeftButton);
  }
  // Selects rows the way the user does: a click, then Ctrl+clicks.
  void Select(const std::vector<int>& rows) {
    for (size_t i = 0; i < rows.size(); ++i) {
      const QRect r = View()->visualRect(Index(rows[i], 1));
      QTest::mouseClick(View()->viewport(), Qt::LeftButton,
                        i == 0 ? Qt::NoModifier : Qt::ControlModifier, r.center());
    }
  }
  // "name" with a "+" when its box is ticked, as the view's model shows it.
  QStringList Shown() const {
    QStringList rows;
    const QAbstractItemModel* m = View()->model();
    for (int i = 0; i < m->rowCount(); ++i) {
      const bool ticked = Index(i).data(Qt::CheckStateRole).toInt() == Qt::Checked;
      rows << Index(i).data().toString() + (ticked ? QStringLiteral("+") : QString());
    }
    return rows;
  }
};

}  // namespace

class TestImageBoardPage : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The program's icon theme, where the system has it, as the program uses.
  void initTestCase() {
    for (const QString& dir : QIcon::themeSearchPaths()) {
      if (QDir(dir + QStringLiteral("/Adwaita")).exists()) {
        QIcon::setThemeName(QStringLiteral("Adwaita"));
      }
    }
  }

  // The list's columns, icons and check boxes, and a name for every control.
  void layout() {
    Page p;
    QTreeView* view = p.View();
    QCOMPARE(view->objectName(), QStringLiteral("lvImageBoard"));
    QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(view->header()->sectionSize(0), 100);
    QCOMPARE(view->header()->sectionSize(1), 200);
    QCOMPARE(view->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
    QCOMPARE(view->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Directory"));
    QCOMPARE(p.Index(2, 1).data().toString(), QStringLiteral("/home/ann/Pictures/Home/"));
    QVERIFY(!p.Index(2).data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(p.Index(2).flags() & Qt::ItemIsUserCheckable);
    QCOMPARE(p.page.windowTitle(), QStringLiteral("ImageBoard"));
    QVERIFY(!view->accessibleName().isEmpty());
    QVERIFY(!p.page.ToolBar()->accessibleName().isEmpty());

    QCOMPARE(p.page.ToolBar()->actions().size(), qsizetype(std::size(kTools)));
    for (const char* tool : kTools) {
      auto* button = p.page.findChild<QToolButton*>(QLatin1String(tool));
      QVERIFY2(button, tool);
      QVERIFY2(!button->accessibleName().isEmpty(), tool);
      QVERIFY2(!button->accessibleName().contains(QLatin1Char('<')), tool);
      QVERIFY2(!button->icon().isNull(), tool);
    }
    auto* del = p.page.findChild<QToolButton*>(QStringLiteral("tbImgBrdDelete"));
    QCOMPARE(del->toolTip(),
             QStringLiteral("<qt>Delete selected items from <B>ImageBoard</B></qt>"));

    // The picture of the page for the documentation, on request.
    const QString shots = qEnvironmentVariable("GLIMR_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
      p.Select({1, 3});
      QVERIFY(p.page.grab().save(shots + QStringLiteral("/imageboard.png")));
    }
  }

  // Every tool bar button through its control, on the rows the user selected.
  void toolBar() {
    Page p;
    QCOMPARE(p.Shown(),
             QStringList({"summit.jpg+", "lake.png", "cat.gif+", "garden.tiff", "letter.bmp+"}));
    p.Select({1, 3});
    QCOMPARE(p.page.SelectedRows(), std::vector<int>({1, 3}));
    p.Press("tbImgBrdCheckSel");
    QCOMPARE(p.board.CheckedRows(), std::vector<int>({0, 1, 2, 3, 4}));
    p.Select({0, 3});
    p.Press("tbImgBrdUnCheckSel");
    QCOMPARE(p.Shown(),
             QStringList({"summit.jpg", "lake.png+", "cat.gif+", "garden.tiff", "letter.bmp+"}));
    p.Press("tbImgBrdInvertCheck");
    QCOMPARE(p.board.CheckedRows(), std::vector<int>({0, 3}));
    p.Press("tbImgBrdCheckAll");
    QCOMPARE(p.board.CheckedRows().size(), size_t{5});
    p.Press("tbImgBrdCheckNone");
    QVERIFY(p.board.CheckedRows().empty());

    // The user's own tick, on the row's check box.
    QStyleOptionViewItem option;
    option.initFrom(p.View());
    option.rect = p.View()->visualRect(p.Index(2));
    option.features = QStyleOptionViewItem::HasCheckIndicator;
    const QRect box =
        p.View()->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, p.View());
    QTest::mouseClick(p.View()->viewport(), Qt::LeftButton, {}, box.center());
    QCOMPARE(p.board.CheckedRows(), std::vector<int>({2}));

    // Deleting keeps every remaining row paired with its path: a paste
    // afterwards copies the right files.
    p.Press("tbImgBrdCheckAll");
    p.Select({1, 3});
    p.Press("tbImgBrdDelete");
    QCOMPARE(p.Shown(), QStringList({"summit.jpg+", "cat.gif+", "letter.bmp+"}));
    QStringList pasted;
    for (const TCopyEntry& e : BoardCopyEntries(p.board)) {
      pasted << e.Source;
    }
    QCOMPARE(pasted,
             QStringList({"/home/ann/Pictures/Alps/summit.jpg", "/home/ann/Pictures/Home/cat.gif",
                          "/home/ann/Pictures/Scans/letter.bmp"}));
    p.View()->clearSelection();
    p.Press("tbImgBrdDelete");  // nothing selected: nothing goes
    QCOMPARE(p.board.Count(), 3);

    p.Press("tbImgBrdClear");
    QCOMPARE(p.View()->model()->rowCount(), 0);
    QVERIFY(p.board.IsEmpty());
  }

  // Changes made outside the page (Copy To ImageBoard, a delete or rename
  // in the file list) show at once.
  void followsBoard() {
    Page p;
    TFileList files(true);
    auto* r = new TImageFileInfo;
    r->Path = QStringLiteral("/p/");
    r->FileName = QStringLiteral("new.jpg");
    r->Selected = true;
    files.Append(r->FullPath(), r);
    QVERIFY(CopySelectedToBoard(p.board, files));
    QCOMPARE(p.Shown(), QStringList({"summit.jpg", "lake.png", "cat.gif", "garden.tiff",
                                     "letter.bmp", "new.jpg+"}));
    QVERIFY(p.board.Remove(QStringLiteral("/home/ann/Pictures/Alps/lake.png")));
    QVERIFY(p.board.Rename(QStringLiteral("/p/new.jpg"), QStringLiteral("/p/renamed.png")));
    QCOMPARE(p.Shown(),
             QStringList({"summit.jpg", "cat.gif", "garden.tiff", "letter.bmp", "renamed.png+"}));
    QVERIFY(!p.Index(4).data(Qt::DecorationRole).value<QIcon>().isNull());
  }
};

QTEST_MAIN(TestImageBoardPage)
#include "test_imageboardpage.moc"
