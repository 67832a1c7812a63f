#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include <memory>
#include <vector>

#include "browse/currentlists.h"
#include "browse/filter.h"
#include "browse/shownlist.h"
#include "common/errors.h"
#include "organize/ui/filterchoicetree.h"
#include "organize/ui/frcategory.h"
#include "organize/ui/frfilters.h"
#include "organize/ui/frname.h"
#include "organize/ui/frrating.h"
#include "support/shownfill.h"
#include "switchlog.h"

using namespace glimr;

namespace {

std::unique_ptr<TImageFileInfo> Entry(const QString& name, int rating = 0, int category = 0,
                                      bool folder = false) {
  auto r = std::make_unique<TImageFileInfo>();
  r->FileName = name;
  r->Path = QStringLiteral("/f/");
  r->Rating = static_cast<std::uint8_t>(rating);
  r->CategoryID = category;
  r->IsFolder = folder;
  r->SlotWidth = 2.0;
  return r;
}

// Shows the entries in the order given (a sort by rating keeps it).
void ShowInOrder(TShownList& shown, std::vector<std::unique_ptr<TImageFileInfo>> records) {
  shown.SetSort({scRating, 0});
  std::vector<TNewEntry> entries;
  for (auto& r : records) {
    const QString key = r->FullPath();
    entries.push_back({key, std::move(r)});
  }
  glimr::test::ShowGiven(shown, std::move(entries), TListSource::Catalog, QStringLiteral("/f/"));
}

// Two folder entries and five images: Travel (3) with Alps (7) below it,
// Home (9) beside it.
void FillSample(TShownList& shown) {
  const struct {
    const char* name;
    int rating;
    int category;
    bool folder;
  } rows[] = {{"..", 0, 0, true},       {"sub", 0, 0, true},      {"Cab.jpg", 4, 3, false},
              {"ABC.png", 5, 0, false}, {"a-b.jpg", 1, 3, false}, {"plain.jpg", 0, 0, false},
              {"x.gif", 4, 7, false}};
  std::vector<std::unique_ptr<TImageFileInfo>> records;
  for (const auto& row : rows) {
    records.push_back(Entry(QString::fromLatin1(row.name), row.rating, row.category, row.folder));
  }
  ShowInOrder(shown, std::move(records));
}

const TCategoryItems kSampleCategories{{3, QStringLiteral("Travel"), 0},
                                       {7, QStringLiteral("Alps"), 1},
                                       {9, QStringLiteral("Home"), 0}};

QStringList Names(const TFileList& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) {
    out << list.At(i)->FileName;
  }
  return out;
}

// Every shown entry is a loaded one under the same key, in the loaded order.
bool Consistent(const TCurrentLists& lists) {
  int last = -1;
  for (int i = 0; i < lists.CurrentFiles.Count(); ++i) {
    const int at = lists.LoadedFiles.IndexOf(lists.CurrentFiles.Key(i));
    if (at <= last || lists.LoadedFiles.At(at) != lists.CurrentFiles.At(i)) {
      return false;
    }
    last = at;
  }
  return true;
}

QList<int> CheckedValues(const TFilterChoiceTree* tree) {
  QList<int> out;
  for (QTreeWidgetItemIterator it(const_cast<TFilterChoiceTree*>(tree)); *it; ++it) {
    if ((*it)->data(0, Qt::CheckStateRole).toInt() == Qt::Checked) {
      out << TFilterChoiceTree::ValueOf(*it);
    }
  }
  return out;
}

void PressValue(TFilterChoiceTree* tree, int value, Qt::KeyboardModifiers mods = {}) {
  QTreeWidgetItem* item = tree->FindValue(value);
  QVERIFY(item);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, mods, tree->visualItemRect(item).center());
}

// Presses on one entry, moves to another with the button held, releases
// there.
void DragValue(TFilterChoiceTree* tree, int from, int to) {
  QTreeWidgetItem* a = tree->FindValue(from);
  QTreeWidgetItem* b = tree->FindValue(to);
  QVERIFY(a && b);
  const QPoint start = tree->visualItemRect(a).center();
  const QPoint end = tree->visualItemRect(b).center();
  QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, start);
  QMouseEvent move(QEvent::MouseMove, end, tree->viewport()->mapToGlobal(end), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(tree->viewport(), &move);
  QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, end);
}

void PressEmptySpace(TFilterChoiceTree* tree) {
  QTreeWidgetItem* last = tree->topLevelItem(tree->topLevelItemCount() - 1);
  const QPoint below(10, tree->visualItemRect(last).bottom() + 3);
  QVERIFY(below.y() < tree->viewport()->height());
  QVERIFY(!tree->itemAt(below));
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, below);
}

using glimr::test::TSwitchLog;

}  // namespace

class TestFilters : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // The page's controls become criteria, and the shown list's filter turns
  // them into the shown entries.
  void combinations_data() {
    QTest::addColumn<bool>("useFilter");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<int>>("ratings");
    QTest::addColumn<QList<int>>("categories");
    QTest::addColumn<QStringList>("expected");
    const QStringList all{"..", "sub", "Cab.jpg", "ABC.png", "a-b.jpg", "plain.jpg", "x.gif"};
    QTest::newRow("off shows everything in order")
        << false << "zzz" << QList<int>{5} << QList<int>{9} << all;
    QTest::newRow("on, nothing chosen") << true << "" << QList<int>{} << QList<int>{} << all;
    QTest::newRow("ratings 4 and 5, any category")
        << true << "" << QList<int>{4, 5} << QList<int>{}
        << QStringList{"..", "sub", "Cab.jpg", "ABC.png", "x.gif"};
    QTest::newRow("No Rating") << true << "" << QList<int>{0} << QList<int>{}
                               << QStringList{"..", "sub", "plain.jpg"};
    QTest::newRow("No Categories") << true << "" << QList<int>{} << QList<int>{0}
                                   << QStringList{"..", "sub", "ABC.png", "plain.jpg"};
    QTest::newRow("a parent does not choose its subcategory")
        << true << "" << QList<int>{} << QList<int>{3}
        << QStringList{"..", "sub", "Cab.jpg", "a-b.jpg"};
    QTest::newRow("name ab ignores case") << true << "ab" << QList<int>{} << QList<int>{}
                                          << QStringList{"..", "sub", "Cab.jpg", "ABC.png"};
    QTest::newRow("name ? keeps every name") << true << "?" << QList<int>{} << QList<int>{} << all;
    QTest::newRow("all three together") << true << "a" << QList<int>{4, 1} << QList<int>{3, 0}
                                        << QStringList{"..", "sub", "Cab.jpg", "a-b.jpg"};
    QTest::newRow("nothing passes")
        << true << "" << QList<int>{2} << QList<int>{} << QStringList{"..", "sub"};
  }
  void combinations() {
    QFETCH(bool, useFilter);
    QFETCH(QString, name);
    QFETCH(QList<int>, ratings);
    QFETCH(QList<int>, categories);
    QFETCH(QStringList, expected);
    TfrFilters page;
    page.SetCategories(kSampleCategories);
    page.UseFilterBox()->setChecked(useFilter);
    page.NameFrame()->Edit()->setText(name);
    page.RatingFrame()->Tree()->SetChosenValues(ratings);
    page.CategoryFrame()->Tree()->SetChosenValues(categories);
    const TFilterSettings settings = page.Settings();
    QCOMPARE(settings.Active, useFilter);

    TShownList shown;
    FillSample(shown);
    TSwitchLog log(shown);
    const QString maskError = shown.SetFilter(settings);
    QCOMPARE(Names(shown.Current()), expected);
    QVERIFY(Consistent(shown.Lists()));
    QCOMPARE(shown.Filter().Active, useFilter);
    QCOMPARE(log.shown, expected.size());
    QVERIFY(maskError.isEmpty());
  }

  // The rebuild runs its steps in the order the loader and the views need,
  // queues only the first images of the new list and leaves nothing
  // selected, also among the hidden entries.
  void reapplySteps() {
    TShownList shown;
    std::vector<std::unique_ptr<TImageFileInfo>> records;
    records.push_back(Entry(QStringLiteral(".."), 0, 0, true));
    for (int i = 0; i < 300; ++i) {
      records.push_back(
          Entry(QStringLiteral("img%1.jpg").arg(i, 3, 10, QLatin1Char('0')), i % 2 == 0 ? 3 : 1));
      records.back()->Selected = true;
    }
    ShowInOrder(shown, std::move(records));
    TSwitchLog log(shown);
    shown.SetFilter({true, QString(), {3}, {}});
    QCOMPARE(log.calls, (QStringList{"stop", "freeze", "show", "queue", "start"}));
    QCOMPARE(shown.Current().Count(), 151);
    // The first 100 entries of the new list, the folder entry left out.
    QCOMPARE(log.queued.size(), 99);
    QCOMPARE(log.queued.first(), QStringLiteral("/f/img000.jpg"));
    QCOMPARE(log.queued.last(), QStringLiteral("/f/img196.jpg"));
    for (int i = 0; i < shown.Loaded().Count(); ++i) {
      QVERIFY2(!shown.Loaded().At(i)->Selected, qPrintable(shown.Loaded().Key(i)));
    }

    // Only the folder entry left: it is shown, and the loader runs with
    // nothing queued.
    log.Clear();
    shown.SetFilter({true, QStringLiteral("nomatch"), {}, {}});
    QCOMPARE(log.calls, (QStringList{"stop", "freeze", "show", "start"}));
    QVERIFY(log.queued.isEmpty());
    QCOMPARE(Names(shown.Current()), QStringList{".."});
  }

  // A name that is not a well-formed mask: the message once per rebuild
  // (not per entry), every step done, the lists consistent, the other
  // criteria still applied.
  void badMaskReportsOnce() {
    ErrorRecorder errors;
    TShownList shown;
    FillSample(shown);
    TSwitchLog log(shown);
    const QString maskError = shown.SetFilter({true, QStringLiteral("[x"), {4}, {}});
    QCOMPARE(errors.messages(), QStringList{"'*[x*' is an invalid mask at (5)"});
    QCOMPARE(maskError, errors.messages().first());
    QCOMPARE(Names(shown.Current()), (QStringList{"..", "sub", "Cab.jpg", "x.gif"}));
    QVERIFY(Consistent(shown.Lists()));
    QCOMPARE(log.calls, (QStringList{"stop", "freeze", "show", "queue", "start"}));

    // Mended, the name filters again and nothing more is said.
    errors.clear();
    shown.SetFilter({true, QStringLiteral("[c]"), {4}, {}});
    QVERIFY(errors.messages().isEmpty());
    QCOMPARE(Names(shown.Current()), (QStringList{"..", "sub", "Cab.jpg"}));
  }

  // Typing quickly gives one change, after the pause, with the whole text;
  // a text typed and taken back within the pause gives none.
  void typingChangesOnceAfterPause() {
    TfrFilters page;
    QLineEdit* edit = page.NameFrame()->Edit();
    QTimer* timer = page.NameFrame()->EditTimer();
    QVERIFY(!edit->isEnabled());
    page.UseFilterBox()->setChecked(true);
    QVERIFY(edit->isEnabled());
    QSignalSpy changes(&page, &TfrFilters::filterChanged);
    QTest::keyClicks(edit, QStringLiteral("abcdef"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(changes.count(), 0);
    QVERIFY(timer->isActive());
    QTRY_COMPARE(changes.count(), 1);
    QVERIFY(!timer->isActive());
    QCOMPARE(changes.first().first().value<TFilterSettings>().NameText, QStringLiteral("abcde"));

    QSignalSpy pauses(timer, &QTimer::timeout);
    QTest::keyClick(edit, Qt::Key_X);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(pauses.wait());
    QCOMPARE(changes.count(), 1);
  }

  // Presses in either tree: a plain one makes the entry the only choice
  // (on empty space: none), Ctrl toggles, Shift picks a range. The check
  // pictures follow, and every change is reported once.
  void pressRules_data() {
    QTest::addColumn<bool>("categoryTree");
    // "value", "ctrl:value", "shift:value", "empty", "drag:from:to"
    QTest::addColumn<QStringList>("presses");
    QTest::addColumn<QList<int>>("chosen");
    QTest::addColumn<int>("changes");
    QTest::newRow("plain press") << false << QStringList{"4"} << QList<int>{4} << 1;
    QTest::newRow("ctrl adds") << false << QStringList{"4", "ctrl:5"} << QList<int>{4, 5} << 2;
    QTest::newRow("ctrl takes away")
        << false << QStringList{"4", "ctrl:5", "ctrl:4"} << QList<int>{5} << 3;
    QTest::newRow("shift range") << false << QStringList{"2", "shift:5"} << QList<int>{2, 3, 4, 5}
                                 << 2;
    QTest::newRow("plain press after several")
        << false << QStringList{"1", "ctrl:0", "1"} << QList<int>{1} << 3;
    QTest::newRow("same entry again changes nothing")
        << false << QStringList{"3", "3"} << QList<int>{3} << 1;
    QTest::newRow("a press does not drag out a range")
        << false << QStringList{"drag:2:4"} << QList<int>{2} << 1;
    QTest::newRow("a press on one of several chosen decides at once")
        << false << QStringList{"1", "ctrl:0", "drag:1:3"} << QList<int>{1} << 3;
    QTest::newRow("subcategory and No Categories")
        << true << QStringList{"7", "ctrl:0"} << QList<int>{7, 0} << 2;
    QTest::newRow("empty space clears")
        << true << QStringList{"3", "ctrl:9", "empty"} << QList<int>{} << 3;
    QTest::newRow("empty space with nothing chosen")
        << true << QStringList{"empty"} << QList<int>{} << 0;
  }
  void pressRules() {
    QFETCH(bool, categoryTree);
    QFETCH(QStringList, presses);
    QFETCH(QList<int>, chosen);
    QFETCH(int, changes);
    TfrFilters page;
    page.resize(300, 700);
    page.SetCategories(kSampleCategories);
    page.UseFilterBox()->setChecked(true);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    TFilterChoiceTree* tree =
        categoryTree ? page.CategoryFrame()->Tree() : page.RatingFrame()->Tree();
    tree->expandAll();
    QSignalSpy spy(&page, &TfrFilters::filterChanged);
    for (const QString& press : presses) {
      if (press == QLatin1String("empty")) {
        PressEmptySpace(tree);
        continue;
      }
      if (press.startsWith(QLatin1String("drag:"))) {
        DragValue(tree, press.section(QLatin1Char(':'), 1, 1).toInt(),
                  press.section(QLatin1Char(':'), 2, 2).toInt());
        continue;
      }
      Qt::KeyboardModifiers mods;
      QString value = press;
      if (press.startsWith(QLatin1String("ctrl:"))) {
        mods = Qt::ControlModifier;
      } else if (press.startsWith(QLatin1String("shift:"))) {
        mods = Qt::ShiftModifier;
      }
      value = value.section(QLatin1Char(':'), -1);
      PressValue(tree, value.toInt(), mods);
    }
    QCOMPARE(tree->ChosenValues(), chosen);
    QCOMPARE(CheckedValues(tree), chosen);
    QCOMPARE(spy.count(), changes);
    const TFilterSettings last = page.Settings();
    QCOMPARE(categoryTree ? last.Categories : last.Ratings, chosen);
  }

  // At start: filter off, its sections disabled, both trees without a
  // choice even after they take the focus, the texts from the language.
  void startsWithNothingChosen() {
    TfrFilters page;
    page.SetCategories(kSampleCategories);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.objectName(), QStringLiteral("tsFilter"));
    QVERIFY(!page.FilterActive());
    for (TFilterChoiceTree* tree : {page.RatingFrame()->Tree(), page.CategoryFrame()->Tree()}) {
      QVERIFY(!tree->isEnabled());
      page.UseFilterBox()->setChecked(true);
      tree->setFocus(Qt::TabFocusReason);
      QApplication::processEvents();
      QVERIFY(tree->ChosenValues().isEmpty());
      QVERIFY(CheckedValues(tree).isEmpty());
      QVERIFY(!tree->accessibleName().isEmpty());
      page.UseFilterBox()->setChecked(false);
    }
    QStringList ratingTexts;
    TFilterChoiceTree* stars = page.RatingFrame()->Tree();
    QList<int> values;
    for (int i = 0; i < stars->topLevelItemCount(); ++i) {
      ratingTexts << stars->topLevelItem(i)->text(0);
      values << TFilterChoiceTree::ValueOf(stars->topLevelItem(i));
    }
    QCOMPARE(ratingTexts, (QStringList{"One Star", "Two Stars", "Three Stars", "Four Stars",
                                       "Five Stars", "No Rating"}));
    QCOMPARE(values, (QList<int>{1, 2, 3, 4, 5, 0}));
    QCOMPARE(page.UseFilterBox()->text(), QStringLiteral("Use Filter"));
    QCOMPARE(page.windowTitle(), QStringLiteral("Filters"));
  }

  // Switching the filter off and on keeps the criteria and reports each
  // switch; with it off, a changed choice reports nothing.
  void useFilterKeepsCriteria() {
    TfrFilters page;
    page.SetCategories(kSampleCategories);
    QSignalSpy spy(&page, &TfrFilters::filterChanged);
    page.UseFilterBox()->setChecked(true);
    page.RatingFrame()->Tree()->SetChosenValues({5});
    page.CategoryFrame()->Tree()->SetChosenValues({7});
    QCOMPARE(spy.count(), 3);
    page.UseFilterBox()->setChecked(false);
    QCOMPARE(spy.count(), 4);
    QVERIFY(!spy.last().first().value<TFilterSettings>().Active);
    page.RatingFrame()->Tree()->SetChosenValues({5, 4});
    QCOMPARE(spy.count(), 4);
    page.UseFilterBox()->setChecked(true);
    QCOMPARE(spy.count(), 5);
    const auto s = spy.last().first().value<TFilterSettings>();
    QVERIFY(s.Active);
    QCOMPARE(s.Ratings, (QList<int>{4, 5}));
    QCOMPARE(s.Categories, QList<int>{7});
  }

  // Rebuilding the filter tree keeps chosen categories that still exist,
  // drops the others (and says so), and keeps "No Categories" last.
  void setCategoriesKeepsChoices() {
    TfrFilters page;
    page.SetCategories(kSampleCategories);
    page.UseFilterBox()->setChecked(true);
    TFilterChoiceTree* tree = page.CategoryFrame()->Tree();
    tree->SetChosenValues({7, 0});
    tree->FindValue(3)->setExpanded(true);
    QSignalSpy spy(&page, &TfrFilters::filterChanged);

    // Alps moved to the top level and renamed, Home removed, a new one.
    page.SetCategories({{3, "Travel", 0}, {7, "Mountains", 0}, {12, "New", 1}});
    QCOMPARE(tree->ChosenValues(), (QList<int>{7, 0}));
    QCOMPARE(CheckedValues(tree), (QList<int>{7, 0}));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->FindValue(12)->parent(), tree->FindValue(7));
    QVERIFY(tree->FindValue(3)->isExpanded());
    QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("No Categories"));

    // A chosen category is gone: the choice shrinks, and the list is due a
    // rebuild.
    page.SetCategories({{3, "Travel", 0}});
    QCOMPARE(tree->ChosenValues(), QList<int>{0});
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.last().first().value<TFilterSettings>().Categories, QList<int>{0});
  }

  // A damaged item list (a depth jumping by more than one, negative depths)
  // still gives every category an entry.
  void setCategoriesWithBadDepths() {
    TfrCategory frame;
    frame.SetCategories({{1, "a", 3}, {2, "b", 5}, {3, "c", -2}, {4, "d", 1}});
    TFilterChoiceTree* tree = frame.Tree();
    QCOMPARE(tree->topLevelItemCount(), 3);  // a, c and No Categories
    QCOMPARE(tree->FindValue(2)->parent(), tree->FindValue(1));
    QCOMPARE(tree->FindValue(4)->parent(), tree->FindValue(3));
  }
};

QTEST_MAIN(TestFilters)
#include "test_filters.moc"
