#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMimeData>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>
#include <mutex>
#include <vector>

#include "browse/filelistops.h"
#include "browse/shownlist.h"
#include "browse/ui/extensiontable.h"
#include "browse/ui/filelistmodel.h"
#include "browse/ui/filelistview.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/imagefileinfo.h"
#include "catalog/statement.h"
#include "common/locks.h"
#include "support/shownfill.h"

using namespace glimr;

namespace {

constexpr char kDir[] = "/nonexistent-glimr-test/pics/";

// Records made by hand, shown through the shown list's own switch.
struct TFixture {
  TExtensionTable Extensions;
  TShownList Shown;
  std::vector<TNewEntry> Entries;  // added, not shown yet

  TImageFileInfo* Add(const QString& name, std::int64_t size = 0, bool folder = false) {
    auto* r = new TImageFileInfo;
    r->FileName = name;
    r->Path = QString::fromLatin1(kDir);
    r->FileSize = size;
    r->IsFolder = folder;
    r->SlotWidth = 2.0;
    if (!folder) {
      r->ExtIndex = Extensions.ExtensionIndex(r->FullPath());
    }
    Entries.push_back({r->FullPath(), std::unique_ptr<TImageFileInfo>(r)});
    return r;
  }
  // Ten images img0.jpg .. img9.jpg with sizes 100 .. 1000.
  void AddImages(int count = 10) {
    for (int i = 0; i < count; ++i) {
      Add(QStringLiteral("img%1.jpg").arg(i), 100 * (i + 1));
    }
  }
  // Shows the added records in place of the list shown before. By default
  // ascending by name, so the rows follow the names as the tests add them.
  void Show(const TSortState& sort = {scName, 2}) {
    Shown.SetSort(sort);
    test::ShowGiven(Shown, std::move(Entries), TListSource::Catalog, QString::fromLatin1(kDir));
    Entries.clear();
  }
  const TFileList& Current() const { return Shown.Current(); }
};

// A catalog of its own in a temporary folder, which can be made to refuse
// every write as a read-only file does.
struct TCatalog {
  QTemporaryDir Home;
  TLocks Locks;
  TdmVesk Dm{Home.path() + QStringLiteral("/DataBase/"), Locks.DbLock};
  TCatalogQueries Queries{Dm};

  void SetReadOnly(bool on) {
    std::lock_guard lock(Locks.DbLock);
    TStatement st(Dm.CurrentSession(), on ? QStringLiteral("PRAGMA query_only = 1")
                                          : QStringLiteral("PRAGMA query_only = 0"));
    st.Step();
  }
  qint64 Scalar(const QString& sql) {
    std::lock_guard lock(Locks.DbLock);
    TStatement st(Dm.CurrentSession(), sql);
    return st.Step() ? st.Row().Int64(0) : -1;
  }
};

QStringList Names(const TFileList& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) {
    out << list.At(i)->FileName;
  }
  return out;
}

QList<int> SelectedRows(const TFileList& list) {
  QList<int> rows;
  for (int i = 0; i < list.Count(); ++i) {
    if (list.At(i)->Selected) {
      rows << i;
    }
  }
  return rows;
}

void ClickHeader(TFileListView& view, int column) {
  auto* tree = qobject_cast<QTreeView*>(view.ActiveView());
  QHeaderView* header = tree->header();
  const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                  header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

void ClickRow(TFileListView& view, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QAbstractItemView* v = view.ActiveView();
  const QRect rect = v->visualRect(v->model()->index(row, 0));
  QTest::mouseClick(v->viewport(), Qt::LeftButton, mods, rect.center());
}

}  // namespace

class TestFileList : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void sortOnHeaderClicks_data();
  void sortOnHeaderClicks();
  void ratingKeepsOrder();
  void sortKeepsSelectionWithRecords();
  void shiftSelectMarksRecords();
  void focusMovesRibbonSelectionDoesNot();
  void spaceAndDoubleClick();
  void selectionCommands();
  void statusText();
  void cellTexts();
  void dragCarriesRowNumbersOnly();
  void removeSelectedFromView();
  void removalKeepsEditsWhenCatalogRefuses();
  void iconNamesShowInFull_data();
  void iconNamesShowInFull();
};

void TestFileList::sortOnHeaderClicks_data() {
  QTest::addColumn<QList<int>>("clicks");
  QTest::addColumn<QStringList>("order");
  QTest::addColumn<int>("arrow");
  // ".." first in both directions, folders before files, equal sizes by name
  // in the direction of the sort.
  QTest::newRow("size once: largest first")
      << QList<int>{scSize}
      << QStringList{"..", "sub", "Alpha", "big.jpg", "d.jpg", "c.jpg", "a.jpg"} << 1;
  QTest::newRow("size twice: smallest first")
      << QList<int>{scSize, scSize}
      << QStringList{"..", "Alpha", "sub", "a.jpg", "c.jpg", "d.jpg", "big.jpg"} << 2;
  QTest::newRow("size three times: largest first again")
      << QList<int>{scSize, scSize, scSize}
      << QStringList{"..", "sub", "Alpha", "big.jpg", "d.jpg", "c.jpg", "a.jpg"} << 1;
  QTest::newRow("name after size starts descending")
      << QList<int>{scSize, scName}
      << QStringList{"..", "sub", "Alpha", "d.jpg", "c.jpg", "big.jpg", "a.jpg"} << 1;
}

void TestFileList::sortOnHeaderClicks() {
  QFETCH(QList<int>, clicks);
  QFETCH(QStringList, order);
  QFETCH(int, arrow);
  TFixture f;
  f.Add("c.jpg", 20);
  f.Add("sub", 0, true);
  f.Add("a.jpg", 10);
  f.Add("..", 0, true);
  f.Add("big.jpg", 3'000'000'000LL);
  f.Add("d.jpg", 20);
  f.Add("Alpha", 0, true);
  TFileListView view(f.Shown, f.Extensions);
  view.resize(800, 400);
  f.Show();
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QSignalSpy resorted(&f.Shown, &TShownList::reordered);

  for (int c : clicks) {
    ClickHeader(view, c);
  }
  QCOMPARE(resorted.count(), clicks.size());
  QCOMPARE(Names(f.Current()), order);
  QCOMPARE(Names(f.Shown.Loaded()), order);
  QCOMPARE(view.SortState().Column, clicks.last());
  QCOMPARE(view.SortState().Arrow, arrow);
  QHeaderView* header = qobject_cast<QTreeView*>(view.ActiveView())->header();
  QVERIFY(header->isSortIndicatorShown());
  QCOMPARE(header->sortIndicatorSection(), clicks.last());
  QCOMPARE(header->sortIndicatorOrder(), arrow == 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
  // The view shows the new order.
  QCOMPARE(view.Model()->index(0, scName).data().toString(), order.first());
  QCOMPARE(view.Model()->index(order.size() - 1, scName).data().toString(), order.last());
}

void TestFileList::ratingKeepsOrder() {
  TFixture f;
  f.Add("b.jpg", 5)->Rating = 1;
  f.Add("c.jpg", 9)->Rating = 5;
  f.Add("a.jpg", 7)->Rating = 3;
  TFileListView view(f.Shown, f.Extensions);
  view.resize(800, 400);
  f.Show(TSortState{});  // the sort the program starts with
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QHeaderView* header = qobject_cast<QTreeView*>(view.ActiveView())->header();
  QVERIFY(!header->isSortIndicatorShown());  // no arrow at start

  ClickHeader(view, scSize);  // c (9), a (7), b (5)
  const QStringList bySize{"c.jpg", "a.jpg", "b.jpg"};
  QCOMPARE(Names(f.Current()), bySize);
  for (int i = 0; i < 2; ++i) {
    ClickHeader(view, scRating);
    QCOMPARE(Names(f.Current()), bySize);
    QCOMPARE(header->sortIndicatorSection(), int(scRating));
    QCOMPARE(view.SortState().Arrow, i == 0 ? 1 : 2);
  }
}

void TestFileList::sortKeepsSelectionWithRecords() {
  TFixture f;
  f.AddImages(6);  // sizes ascending with the names
  TFileListView view(f.Shown, f.Extensions);
  view.resize(800, 400);
  f.Show();
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  TImageFileInfo* focused = f.Current().At(1);
  ClickRow(view, 1);
  ClickRow(view, 4, Qt::ControlModifier);
  view.FocusRow(1, false);  // img1 and img4 selected, img1 focused
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{1, 4}));
  QVERIFY(focused->Focused);

  QSignalSpy moved(&view, &TFileListView::focusedIndexChanged);
  ClickHeader(view, scSize);  // descending: img5 .. img0
  QCOMPARE(Names(f.Current()).first(), QStringLiteral("img5.jpg"));
  // img1 is now row 4, img4 row 1: the view's selection and focus followed.
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{1, 4}));
  QCOMPARE(f.Current().At(1)->FileName, QStringLiteral("img4.jpg"));
  QCOMPARE(view.FocusedRow(), 4);
  QVERIFY(view.ActiveView()->selectionModel()->isRowSelected(1, {}));
  QVERIFY(view.ActiveView()->selectionModel()->isRowSelected(4, {}));
  QVERIFY(!view.ActiveView()->selectionModel()->isRowSelected(5, {}));
  QCOMPARE(moved.count(), 0);
  QVERIFY(focused->Focused);
  int focusedCount = 0;
  for (int i = 0; i < f.Current().Count(); ++i) {
    focusedCount += f.Current().At(i)->Focused ? 1 : 0;
  }
  QCOMPARE(focusedCount, 1);
}

void TestFileList::shiftSelectMarksRecords() {
  TFixture f;
  f.AddImages(10);
  TFileListView view(f.Shown, f.Extensions);
  view.resize(800, 400);
  f.Show();
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  ClickRow(view, 3);
  ClickRow(view, 7, Qt::ShiftModifier);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{3, 4, 5, 6, 7}));
  QCOMPARE(view.SelectedCount(), 5);
  QCOMPARE(view.FocusedRow(), 7);
  QVERIFY(f.Current().At(7)->Focused);
  QVERIFY(!f.Current().At(3)->Focused);
  // Shrinking the range clears the records that left it.
  ClickRow(view, 5, Qt::ShiftModifier);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{3, 4, 5}));
}

void TestFileList::focusMovesRibbonSelectionDoesNot() {
  TFixture f;
  f.AddImages(10);
  TFileListView view(f.Shown, f.Extensions);
  view.resize(800, 400);
  f.Show();
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QSignalSpy moved(&view, &TFileListView::focusedIndexChanged);
  QSignalSpy marks(&view, &TFileListView::selectionMarksChanged);

  ClickRow(view, 2);
  QCOMPARE(moved.count(), 1);
  QCOMPARE(moved.takeFirst().at(0).toInt(), 2);
  QWidget* list = view.ActiveView();
  QTest::keyClick(list, Qt::Key_Down);
  QCOMPARE(moved.count(), 1);
  QCOMPARE(moved.takeFirst().at(0).toInt(), 3);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{3}));
  // Ctrl+Down moves the focus alone: the ribbon still follows.
  QTest::keyClick(list, Qt::Key_Down, Qt::ControlModifier);
  QCOMPARE(moved.count(), 1);
  QCOMPARE(moved.takeFirst().at(0).toInt(), 4);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{3}));

  // Selecting without moving the focus leaves the ribbon where it is, but
  // the selection frames must be redrawn.
  marks.clear();
  QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{3, 4}));
  view.SelectAll();
  view.InvertSelection();
  view.SelectAll();
  QCOMPARE(moved.count(), 0);
  QVERIFY(marks.count() >= 4);

  // The ribbon (and the wheel) move the focus through FocusRow.
  view.SelectNone();
  view.FocusRow(8, true);
  QCOMPARE(moved.count(), 1);
  QCOMPARE(moved.takeFirst().at(0).toInt(), 8);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{8}));
  view.FocusRow(9, false);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{8}));
  QCOMPARE(view.FocusedRow(), 9);
  QVERIFY(!f.Current().At(8)->Focused);
  QVERIFY(f.Current().At(9)->Focused);
}

void TestFileList::spaceAndDoubleClick() {
  TFixture f;
  f.Add("..", 0, true);
  f.Add("sub", 0, true);
  f.AddImages(3);
  TFileListView view(f.Shown, f.Extensions);
  view.resize(800, 400);
  f.Show();
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  QSignalSpy zoomed(&view, &TFileListView::showZoomedRequested);
  QSignalSpy folder(&view, &TFileListView::folderActivated);
  const TViewStyle styles[] = {TViewStyle::Report, TViewStyle::Icons, TViewStyle::List};
  for (TViewStyle style : styles) {
    view.SetViewStyle(style);
    QCOMPARE(view.ViewStyle(), style);
    zoomed.clear();
    folder.clear();
    QAbstractItemView* v = view.ActiveView();
    QVERIFY(v->isVisible());
    ClickRow(view, 3);
    QTest::keyClick(v, Qt::Key_Space);
    QCOMPARE(zoomed.count(), 1);
    QCOMPARE(SelectedRows(f.Current()), (QList<int>{3}));  // Space selects nothing

    // A real double click presses first; QTest's double click alone does not.
    ClickRow(view, 1);
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, {},
                       v->visualRect(v->model()->index(1, 0)).center());
    QCOMPARE(folder.count(), 1);
    QCOMPARE(folder.first().at(0).toInt(), 1);
    ClickRow(view, 4);
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, {},
                       v->visualRect(v->model()->index(4, 0)).center());
    QCOMPARE(zoomed.count(), 2);
  }
}

void TestFileList::selectionCommands() {
  TFixture f;
  f.AddImages(6);
  TFileListView view(f.Shown, f.Extensions);
  f.Show();
  QSignalSpy command(&view, &TFileListView::selectionCommandChanged);
  QSignalSpy props(&view, &TFileListView::propertiesRequested);
  QCOMPARE(view.SelectionCommand(), TSelectionCommand::All);

  view.FocusRow(1, true);
  view.FocusRow(2, false);
  view.InvertSelection();
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{0, 2, 3, 4, 5}));
  QCOMPARE(view.SelectionCommand(), TSelectionCommand::Invert);
  view.RepeatSelectionCommand();  // tbSelection repeats the invert
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{1}));
  view.SelectAll();
  QCOMPARE(SelectedRows(f.Current()).size(), 6);
  view.SelectNone();
  QCOMPARE(SelectedRows(f.Current()), QList<int>{});
  QCOMPARE(view.SelectionCommand(), TSelectionCommand::None);
  QCOMPARE(command.count(), 3);  // Invert, All, None: repeats do not re-announce
  QCOMPARE(props.count(), 4);
}

void TestFileList::statusText() {
  TFixture f;
  f.Add("..", 0, true);
  f.Add("a.jpg", 1000);
  f.Add("b.jpg", 1048);
  f.Add("c.jpg", 3 * 1048576);
  TFileListView view(f.Shown, f.Extensions);
  QSignalSpy status(&view, &TFileListView::selectionSummaryChanged);
  f.Show();
  QCOMPARE(status.last().at(0).toString(), QStringLiteral("Files selected: 0; Size: 0 b"));
  view.FocusRow(1, true);
  QCOMPARE(status.last().at(0).toString(), QStringLiteral("Files selected: 1; Size: 1000 b"));
  view.SelectAll();  // the folder entry does not count
  QCOMPARE(view.SummaryText(), QStringLiteral("Files selected: 3; Size: 3.0 Mb"));
  QCOMPARE(status.last().at(0).toString(), view.SummaryText());
  view.InvertSelection();
  QCOMPARE(status.last().at(0).toString(), QStringLiteral("Files selected: 0; Size: 0 b"));
  // A new list brings its records' marks: the status line counts them.
  f.Add("..", 0, true);
  f.Add("a.jpg", 1000);
  f.Add("b.jpg", 1048)->Selected = true;
  f.Add("c.jpg", 3 * 1048576);
  f.Show();
  QCOMPARE(status.last().at(0).toString(), QStringLiteral("Files selected: 1; Size: 1.0 Kb"));
  QCOMPARE(SummarizeSelection(f.Current()), (TSelectionSummary{1, 1048}));
  QCOMPARE(view.SelectedCount(), 1);
  // A rebuilt list (the filter applied again) starts with nothing selected.
  QCOMPARE(f.Shown.Refilter(), QString());
  QCOMPARE(status.last().at(0).toString(), QStringLiteral("Files selected: 0; Size: 0 b"));
}

// A drag of many rows carries their numbers, not every role of every cell.
void TestFileList::dragCarriesRowNumbersOnly() {
  TFixture f;
  f.AddImages(3);
  f.Show();
  TFileListModel model(f.Current(), f.Extensions);
  model.SetRowCount(f.Current().Count());
  QModelIndexList dragged;
  for (int row : {0, 2}) {
    for (int c = 0; c < model.columnCount(); ++c) {
      dragged << model.index(row, c);
    }
  }
  std::unique_ptr<QMimeData> data(model.mimeData(dragged));
  QCOMPARE(data->formats(), QStringList{TFileListModel::kRowsMimeType});
  QCOMPARE(data->data(TFileListModel::kRowsMimeType), QByteArray("0 2"));
}

void TestFileList::cellTexts() {
  TFixture f;
  TImageFileInfo* img = f.Add("photo.JPG", 2048);
  img->Width = 640;
  img->Height = 480;
  img->Rating = 4;
  TImageFileInfo* unsized = f.Add("new.png", 10);
  TImageFileInfo* sub = f.Add("sub", 0, true);
  f.Show();
  const int photo = f.Current().IndexOf(img->FullPath());
  const int fresh = f.Current().IndexOf(unsized->FullPath());
  const int folder = f.Current().IndexOf(sub->FullPath());
  QCOMPARE((QSet<int>{photo, fresh, folder}), (QSet<int>{0, 1, 2}));
  TFileListModel model(f.Current(), f.Extensions);
  model.SetRowCount(f.Current().Count() + 2);  // rows past the list answer nothing
  QCOMPARE(model.columnCount(), 6);
  const QStringList captions{"Name", "Type", "Dimensions", "Size", "Date", "Rating"};
  for (int c = 0; c < 6; ++c) {
    QCOMPARE(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), captions[c]);
    QCOMPARE(TFileListModel::ColumnWidth(c), c == 0 ? 150 : 100);
  }
  auto text = [&](int row, int col) { return model.index(row, col).data().toString(); };
  QCOMPARE(text(photo, scName), QStringLiteral("photo.JPG"));
  QCOMPARE(text(photo, scType), f.Extensions.At(img->ExtIndex)->ShellTypeName);
  QCOMPARE(text(photo, scDimensions), QStringLiteral("640 x 480"));
  QCOMPARE(text(photo, scSize), QStringLiteral("2.0 Kb"));
  QCOMPARE(text(photo, scRating), QStringLiteral("4"));
  QCOMPARE(text(fresh, scDimensions), QString());
  QVERIFY(unsized->Width == 0);
  QCOMPARE(text(folder, scType), QStringLiteral("<Folder>"));
  QCOMPARE(text(folder, scSize), QString());
  QCOMPARE(text(folder, scRating), QString());
  QCOMPARE(text(4, scName), QString());
  // Zebra rows: even rows the list colour, odd rows white.
  QCOMPARE(model.index(0, 0).data(Qt::BackgroundRole).value<QBrush>().color(),
           QColor(237, 240, 249));
  QCOMPARE(model.index(1, 3).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(Qt::white));
}

void TestFileList::removeSelectedFromView() {
  TFixture f;
  f.Add("..", 0, true);  // 0
  f.AddImages(6);        // 1..6
  TFileListView view(f.Shown, f.Extensions);
  f.Show();
  f.Shown.EditRows({3}, efRating, [](TImageFileInfo& r) { r.Rating = 4; });
  view.FocusRow(2, true);
  view.FocusRow(3, false);
  view.ActiveView()->selectionModel()->select(
      view.Model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  view.ActiveView()->selectionModel()->select(
      view.Model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{0, 2, 3}));
  TImageFileInfo* next = f.Current().At(4);
  QSignalSpy removedSpy(&f.Shown, &TShownList::rowsRemoved);
  QSignalSpy moved(&view, &TFileListView::focusedIndexChanged);

  view.RemoveSelectedFromView();
  QCOMPARE(removedSpy.count(), 1);
  QCOMPARE(removedSpy.first().at(0).toInt(), 2);
  QCOMPARE(removedSpy.first().at(1).toInt(), 3);
  // The edit of the removed img2 waits for the catalog (none attached here).
  QCOMPARE(f.Shown.PendingWrites().Count(), 1);
  const TImageFileInfo* kept =
      f.Shown.PendingWrites().Find(QString::fromLatin1(kDir) + QStringLiteral("img2.jpg"));
  QVERIFY(kept);
  QCOMPARE(kept->Rating, 4);
  const QStringList left{"..", "img0.jpg", "img3.jpg", "img4.jpg", "img5.jpg"};
  QCOMPARE(Names(f.Current()), left);
  QCOMPARE(Names(f.Shown.Loaded()), left);
  QCOMPARE(next->SlotWidth, 6.0);  // both removed widths passed on
  QCOMPARE(view.Model()->rowCount(), 5);
  QCOMPARE(SelectedRows(f.Current()), QList<int>{});  // ".." stayed, unselected
  // No row is focused afterwards, and the ribbon is not sent anywhere.
  QCOMPARE(view.FocusedRow(), -1);
  QCOMPARE(moved.count(), 0);
  QCOMPARE(view.SummaryText(), QStringLiteral("Files selected: 0; Size: 0 b"));

  // Removing the last entry passes its width nowhere.
  view.FocusRow(4, true);
  view.RemoveSelectedFromView();
  QCOMPARE(f.Current().Count(), 4);
  QCOMPARE(view.Model()->rowCount(), 4);
  QCOMPARE(removedSpy.count(), 2);
  // Only a folder selected: nothing leaves.
  view.FocusRow(0, true);
  view.RemoveSelectedFromView();
  QCOMPARE(f.Current().Count(), 4);
  QCOMPARE(removedSpy.count(), 2);

  // Another command removes img3 and puts the focus on img4 through the
  // records' marks; the selection of img0 stays.
  view.FocusRow(1, true);
  view.ActiveView()->selectionModel()->select(
      view.Model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  view.FocusRow(2, false);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{1, 2}));
  TImageFileInfo* img4 = f.Current().At(3);
  f.Current().At(2)->Focused = false;
  img4->Focused = true;
  QCOMPARE(f.Shown.Remove({f.Current().Key(2)}, true), 1);
  QCOMPARE(Names(f.Current()), (QStringList{"..", "img0.jpg", "img4.jpg"}));
  QCOMPARE(view.Model()->rowCount(), 3);
  QCOMPARE(view.FocusedRow(), 2);
  QVERIFY(img4->Focused);
  QCOMPARE(SelectedRows(f.Current()), QList<int>{1});
  QVERIFY(view.ActiveView()->selectionModel()->isRowSelected(1, {}));
  QVERIFY(!view.ActiveView()->selectionModel()->isRowSelected(2, {}));
  QCOMPARE(view.SummaryText(), QStringLiteral("Files selected: 1; Size: 100 b"));
}

// Taking edited images out of the view while the catalog refuses every
// write: they leave the list and the view all the same, and no edit is lost:
// the edits wait and reach the catalog once it can be written.
void TestFileList::removalKeepsEditsWhenCatalogRefuses() {
  TCatalog catalog;
  TFixture f;
  f.Shown.SetCatalog(&catalog.Queries);
  auto detach = qScopeGuard([&f] { f.Shown.SetCatalog(nullptr); });
  f.AddImages(5);
  TFileListView view(f.Shown, f.Extensions);
  f.Show();
  f.Shown.EditRows({0, 1, 2, 3}, efRating, [](TImageFileInfo& r) {
    r.Rating = static_cast<std::uint8_t>(r.FileName.mid(3, 1).toInt() + 1);
  });
  view.SelectAll();
  view.ActiveView()->selectionModel()->select(
      view.Model()->index(4, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
  QCOMPARE(SelectedRows(f.Current()), (QList<int>{0, 1, 2, 3}));
  catalog.SetReadOnly(true);

  view.RemoveSelectedFromView();
  QCOMPARE(Names(f.Current()), QStringList{"img4.jpg"});
  QCOMPARE(Names(f.Shown.Loaded()), QStringList{"img4.jpg"});
  QCOMPARE(view.Model()->rowCount(), 1);
  QCOMPARE(f.Current().At(0)->SlotWidth, 10.0);  // the four widths passed on
  QCOMPARE(f.Shown.PendingWrites().EditCount(), 4);
  for (int i = 0; i < 4; ++i) {
    const TImageFileInfo* kept = f.Shown.PendingWrites().Find(QString::fromLatin1(kDir) +
                                                              QStringLiteral("img%1.jpg").arg(i));
    QVERIFY(kept);
    QCOMPARE(int(kept->Rating), i + 1);
  }
  QCOMPARE(catalog.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 0);

  catalog.SetReadOnly(false);
  QCOMPARE(f.Shown.WriteBack(), 0);
  QVERIFY(f.Shown.PendingWrites().IsEmpty());
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(catalog.Scalar(
                 QStringLiteral("SELECT RATING FROM FILES WHERE FILENAME = 'img%1.jpg'").arg(i)),
             qint64(i + 1));
  }
}

void TestFileList::iconNamesShowInFull_data() {
  QTest::addColumn<TViewStyle>("before");
  QTest::addColumn<TViewStyle>("style");
  QTest::addColumn<QSize>("cell");
  QTest::addColumn<int>("iconSide");
  // Each style is also reached from another one: the item size must follow
  // the style shown, not the one laid out first.
  QTest::newRow("icons") << TViewStyle::Report << TViewStyle::Icons << QSize(96, 72) << 32;
  QTest::newRow("small icons") << TViewStyle::Report << TViewStyle::SmallIcons << QSize(180, 20)
                               << 16;
  QTest::newRow("list") << TViewStyle::Report << TViewStyle::List << QSize(200, 20) << 16;
  QTest::newRow("icons after list") << TViewStyle::List << TViewStyle::Icons << QSize(96, 72) << 32;
  QTest::newRow("small icons after icons")
      << TViewStyle::Icons << TViewStyle::SmallIcons << QSize(180, 20) << 16;
  QTest::newRow("list after small icons")
      << TViewStyle::SmallIcons << TViewStyle::List << QSize(200, 20) << 16;
}

void TestFileList::iconNamesShowInFull() {
  QFETCH(TViewStyle, before);
  QFETCH(TViewStyle, style);
  QFETCH(QSize, cell);
  QFETCH(int, iconSide);
  TFixture f;
  // ".." first, as every folder shows it: its short name must not set the
  // width of the others.
  f.Add("..", 0, true);
  f.Add("sub", 0, true);
  f.Add("photo-21.jpg", 10);
  f.Add("a_very_long_file_name_wider_than_any_cell_of_the_list.jpg", 10);
  TFileListView view(f.Shown, f.Extensions);
  view.resize(800, 400);
  f.Show();
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));
  view.SetViewStyle(before);
  QCoreApplication::processEvents();
  view.SetViewStyle(style);
  QAbstractItemView* v = view.ActiveView();
  const QFontMetrics metrics = v->fontMetrics();
  // The layout runs from the event loop; wait until the rows have their place.
  QTRY_VERIFY(v->visualRect(v->model()->index(3, 0)).isValid());
  for (int row = 0; row < f.Current().Count(); ++row) {
    const QString name = f.Current().At(row)->FileName;
    const QRect rect = v->visualRect(v->model()->index(row, 0));
    const QSize hint = v->sizeHintForIndex(v->model()->index(row, 0));
    // Every row gets its whole cell: room for the icon and, for a name that
    // fits the cell, the full name; a longer one stays inside its cell.
    QVERIFY2(rect.width() == cell.width() && rect.height() == cell.height(),
             qPrintable(name + QStringLiteral(": %1 x %2").arg(rect.width()).arg(rect.height())));
    QCOMPARE(hint, cell);
    QVERIFY(rect.height() >= iconSide);
    const int textRoom = style == TViewStyle::Icons ? rect.width() : rect.width() - iconSide;
    if (metrics.horizontalAdvance(name) + 8 <= textRoom) {
      QVERIFY2(rect.width() >= metrics.horizontalAdvance(name), qPrintable(name));
    }
  }
}

QTEST_MAIN(TestFileList)
#include "test_filelist.moc"
