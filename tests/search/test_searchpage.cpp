#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <map>
#include <optional>

#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/errors.h"
#include "common/language.h"
#include "common/locks.h"
#include "organize/ui/dlgcategories.h"
#include "search/searchrequest.h"
#include "search/ui/dlgfiletypes.h"
#include "search/ui/dlgspecdates.h"
#include "search/ui/dlgspecdimensions.h"
#include "search/ui/dlgspecsizes.h"
#include "search/ui/frpropsfiledate.h"
#include "search/ui/frpropsfiledimens.h"
#include "search/ui/frpropsfilerating.h"
#include "search/ui/frpropsfilesize.h"
#include "search/ui/frpropsfiletype.h"
#include "search/ui/frsearch.h"
#include "search/ui/frsearchcatalogs.h"
#include "search/ui/frsearchcategories.h"
#include "search/ui/frsearchfiles.h"
#include "search/ui/frsearchproperties.h"
#include "search/ui/specdialog.h"

using namespace glimr;

Q_DECLARE_METATYPE(TSearchRequest)

namespace {

// A catalog in a fresh temporary folder with the categories Travel\2005\Alps
// and Home.
struct Db {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};
  std::int32_t travel = q.InsertCategory(QStringLiteral("Travel"), 0);
  std::int32_t y2005 = q.InsertCategory(QStringLiteral("2005"), travel);
  std::int32_t alps = q.InsertCategory(QStringLiteral("Alps"), y2005);
  std::int32_t home = q.InsertCategory(QStringLiteral("Home"), 0);
};

// A tree of folders: Photos, photos (two folders on Linux) and a plain file.
struct Tree {
  QTemporaryDir dir;
  Tree() {
    QDir(dir.path()).mkpath(QStringLiteral("Photos"));
    QDir(dir.path()).mkpath(QStringLiteral("photos"));
    QFile file(dir.filePath(QStringLiteral("plain.txt")));
    file.open(QIODevice::WriteOnly);
  }
  QString Path(const QString& relative) const { return dir.path() + u'/' + relative; }
};

QStringList RowTexts(const QTreeWidget* list) {
  QStringList out;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    out << list->topLevelItem(i)->text(0);
  }
  return out;
}

QStringList SelectedTexts(const QTreeWidget* list) {
  QStringList out;
  for (const QTreeWidgetItem* item : list->selectedItems()) {
    out << item->text(0);
  }
  return out;
}

void TypeAndEnter(QLineEdit* edit, const QString& text) {
  edit->setText(text);
  QTest::keyClick(edit, Qt::Key_Return);
}

// Runs action once the next modal dialog's loop has started, so a click
// that opens the dialog returns after action closed it.
template <typename F>
void WhenModal(QObject* context, F action) {
  QTimer::singleShot(0, context, action);
}

// The page shown as the main window shows it: in a scroll area, since it is
// taller than the screen; Click scrolls a control into view first.
struct ShownPage {
  QScrollArea area;
  TfrSearch* page = new TfrSearch;
  ShownPage() {
    area.setWidgetResizable(true);
    area.setWidget(page);
    area.resize(400, 700);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
  }
  void Click(QWidget* control) {
    area.ensureWidgetVisible(control);
    // Near the left edge: a choice only takes clicks on its mark and text.
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(8, control->height() / 2));
  }
};

}  // namespace

class TestSearchPage : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // A folder path typed and entered is added as the browse dialog adds it;
  // "{tmp}" stands for the temporary tree.
  void typedFolderPath_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");   // the field afterwards
    QTest::addColumn<QString>("listed");  // the one row, or empty
    QTest::addColumn<bool>("reported");
    QTest::newRow("folder") << "{tmp}/Photos"
                            << "{tmp}/Photos/"
                            << "{tmp}/Photos/" << false;
    QTest::newRow("final slash") << "{tmp}/photos/"
                                 << "{tmp}/photos/"
                                 << "{tmp}/photos/" << false;
    QTest::newRow("doubled and dot steps") << "{tmp}//Photos/./"
                                           << "{tmp}/Photos/"
                                           << "{tmp}/Photos/" << false;
    QTest::newRow("root") << "/"
                          << "/"
                          << "/" << false;
    QTest::newRow("missing") << "{tmp}/Nothing"
                             << "{tmp}/Nothing/"
                             << "" << true;
    QTest::newRow("a file") << "{tmp}/plain.txt"
                            << "{tmp}/plain.txt/"
                            << "" << true;
    QTest::newRow("relative") << "Photos"
                              << "Photos/"
                              << "" << true;
    QTest::newRow("wrong case") << "{tmp}/PHOTOS"
                                << "{tmp}/PHOTOS/"
                                << "" << true;
    QTest::newRow("empty") << ""
                           << ""
                           << "" << false;
  }
  void typedFolderPath() {
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(QString, listed);
    QFETCH(bool, reported);
    Tree tree;
    const QString tmp = tree.dir.path();
    typed.replace(QStringLiteral("{tmp}"), tmp);
    field.replace(QStringLiteral("{tmp}"), tmp);
    listed.replace(QStringLiteral("{tmp}"), tmp);
    ErrorRecorder errors;
    TfrSearchCatalogs frame;
    frame.show();
    TypeAndEnter(frame.FolderEdit(), typed);
    QCOMPARE(frame.FolderEdit()->text(), field);
    QCOMPARE(frame.Folders(), listed.isEmpty() ? QStringList() : QStringList{listed});
    QCOMPARE(SelectedTexts(frame.List()), frame.Folders());
    QCOMPARE(errors.messages().size(), reported ? 1 : 0);
    if (reported) {
      QVERIFY(errors.messages().front().contains(field));
    }
  }

  // Linux tells Photos and photos apart, so both are listed; entering one
  // again selects its row instead of adding it twice.
  void foldersComparedByCase() {
    Tree tree;
    TfrSearchCatalogs frame;
    frame.show();
    TypeAndEnter(frame.FolderEdit(), tree.Path(QStringLiteral("Photos")));
    TypeAndEnter(frame.FolderEdit(), tree.Path(QStringLiteral("photos")));
    TypeAndEnter(frame.FolderEdit(), tree.Path(QStringLiteral("Photos/")));
    const QStringList both{tree.Path(QStringLiteral("Photos/")),
                           tree.Path(QStringLiteral("photos/"))};
    QCOMPARE(frame.Folders(), both);
    QCOMPARE(SelectedTexts(frame.List()), QStringList{both.front()});
  }

  // The browse button starts the dialog at the field's folder, empties the
  // field, and adds the choice; a cancelled dialog adds nothing.
  void browseAddsChoice() {
    Tree tree;
    TfrSearchCatalogs frame;
    QString started;
    QString answer = tree.Path(QStringLiteral("photos"));
    frame.SetFolderChooser([&](QWidget*, const QString& start) {
      started = start;
      return answer;
    });
    frame.FolderEdit()->setText(tree.Path(QStringLiteral("Photos/")));
    frame.Browse();
    QCOMPARE(started, tree.Path(QStringLiteral("Photos/")));
    QCOMPARE(frame.Folders(), QStringList{tree.Path(QStringLiteral("photos/"))});
    answer.clear();
    frame.Browse();
    QCOMPARE(frame.FolderEdit()->text(), QString());
    QCOMPARE(frame.Folders().size(), 1);
  }

  void deleteAndClearFolders() {
    Tree tree;
    TfrSearchCatalogs frame;
    TypeAndEnter(frame.FolderEdit(), tree.Path(QStringLiteral("Photos")));
    TypeAndEnter(frame.FolderEdit(), tree.Path(QStringLiteral("photos")));
    frame.List()->clearSelection();
    frame.DeleteSelected();  // nothing selected: nothing goes
    QCOMPARE(frame.Folders().size(), 2);
    frame.List()->topLevelItem(0)->setSelected(true);
    frame.DeleteSelected();
    QCOMPARE(frame.Folders(), QStringList{tree.Path(QStringLiteral("photos/"))});
    frame.ClearList();
    QCOMPARE(frame.Folders(), QStringList());
  }

  // A category path typed and entered is added with its ID, the field
  // completed to the stored path form; "Travel" is not "travel".
  void typedCategoryPath_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("which");  // alps, home or empty
    QTest::newRow("deep") << "Travel\\2005\\Alps"
                          << "Travel\\2005\\Alps\\"
                          << "alps";
    QTest::newRow("final separator") << "Home\\"
                                     << "Home\\"
                                     << "home";
    QTest::newRow("missing leaf") << "Travel\\2006"
                                  << "Travel\\2006"
                                  << "";
    QTest::newRow("other case") << "travel\\2005\\Alps"
                                << "travel\\2005\\Alps"
                                << "";
    QTest::newRow("lone separator") << "\\"
                                    << "\\"
                                    << "";
  }
  void typedCategoryPath() {
    QFETCH(QString, typed);
    QFETCH(QString, field);
    QFETCH(QString, which);
    Db db;
    ErrorRecorder errors;
    TfrSearchCategories frame;
    frame.SetCatalogQueries(db.q);
    frame.show();
    TypeAndEnter(frame.CategoryEdit(), typed);
    QCOMPARE(frame.CategoryEdit()->text(), field);
    std::vector<std::int32_t> expected;
    if (which == u"alps") {
      expected = {db.alps};
    } else if (which == u"home") {
      expected = {db.home};
    }
    QCOMPARE(frame.CategoryIDs(), expected);
    QCOMPARE(errors.messages().size(), expected.empty() ? 1 : 0);
    if (!expected.empty()) {
      QCOMPARE(RowTexts(frame.List()), QStringList{field});
      // The same category again selects its row.
      TypeAndEnter(frame.CategoryEdit(), typed);
      QCOMPARE(frame.CategoryIDs(), expected);
      QCOMPARE(frame.List()->selectedItems().size(), 1);
    }
  }

  // The field's button opens Select Category preset to the field's path;
  // its choice lands in the list with its ID.
  void categoryDialogAddsChoice() {
    Db db;
    TfrSearchCategories frame;
    frame.SetCatalogQueries(db.q);
    frame.show();
    TdlgCategories* dlg = frame.Dialog();
    QVERIFY(dlg);
    frame.CategoryEdit()->setText(QStringLiteral("Travel\\2005\\"));
    QString presetSeen;
    WhenModal(dlg, [&] {
      presetSeen =
          dlg->TreeView()->currentItem() ? dlg->TreeView()->currentItem()->text(0) : QString();
      dlg->SelectCategory(QStringLiteral("Travel\\2005\\Alps\\"));
      dlg->OkButton()->click();
    });
    frame.ChooseCategory();
    QCOMPARE(presetSeen, QStringLiteral("2005"));
    QCOMPARE(frame.CategoryIDs(), std::vector<std::int32_t>{db.alps});
    QCOMPARE(frame.CategoryEdit()->text(), QStringLiteral("Travel\\2005\\Alps\\"));
  }

  // Each scope control reaches its own field of the request; the first
  // row leaves every control as it starts.
  void requestCarriesScope_data() {
    QTest::addColumn<bool>("changed");
    QTest::newRow("as started") << false;
    QTest::newRow("every control changed") << true;
  }
  void requestCarriesScope() {
    QFETCH(bool, changed);
    Db db;
    Tree tree;
    TfrSearch page;
    page.SetCatalogQueries(db.q);
    page.SetTypeSource([] { return QStringList{QStringLiteral("JPG"), QStringLiteral("PNG")}; });
    QSignalSpy requested(&page, &TfrSearch::searchRequested);
    if (changed) {
      page.FilesFrame()->NameEdit()->setText(QStringLiteral("a*b"));
      page.FilesFrame()->InCaptionBox()->setChecked(true);
      TypeAndEnter(page.CatalogsFrame()->FolderEdit(), tree.Path(QStringLiteral("photos")));
      TypeAndEnter(page.CatalogsFrame()->FolderEdit(), tree.Path(QStringLiteral("Photos")));
      page.CatalogsFrame()->OnlyInDatabaseBox()->setChecked(false);
      page.CatalogsFrame()->SubdirectoriesBox()->setChecked(false);
      TypeAndEnter(page.CategoriesFrame()->CategoryEdit(), QStringLiteral("Home"));
      TypeAndEnter(page.CategoriesFrame()->CategoryEdit(), QStringLiteral("Travel\\2005"));
      page.CategoriesFrame()->SubcategoriesBox()->setChecked(false);
    }
    page.SearchButton()->click();
    QCOMPARE(requested.size(), 1);
    const auto r = requested.front().front().value<TSearchRequest>();
    QCOMPARE(r.NameText, changed ? QStringLiteral("a*b") : QString());
    QCOMPARE(r.InCaptions, changed);
    QCOMPARE(r.OnlyInDatabase, !changed);
    QCOMPARE(r.Subdirectories, !changed);
    QCOMPARE(r.Subcategories, !changed);
    const QStringList folders{tree.Path(QStringLiteral("photos/")),
                              tree.Path(QStringLiteral("Photos/"))};
    QCOMPARE(r.Folders, changed ? folders : QStringList());
    const std::vector<std::int32_t> categories{db.home, db.y2005};
    QCOMPARE(r.CategoryIDs, changed ? categories : std::vector<std::int32_t>());
    // The supported types always travel along: they are the search types
    // when no type is listed.
    QCOMPARE(r.Properties.SupportedTypes,
             (QStringList{QStringLiteral("JPG"), QStringLiteral("PNG")}));
    QCOMPARE(r.Properties.FileTypes, QStringList());
    QCOMPARE(r.Properties.Dimensions, TDimensionChoice::Any);
    QCOMPARE(r.Properties.Size, TSizeChoice::Any);
    QCOMPARE(r.Properties.Date, TDateChoice::Any);
    QCOMPARE(r.Properties.Rating, TRatingChoice::Any);
  }

  // Each ready choice of a frame reaches the request as itself.
  void requestCarriesReadyChoices_data() {
    QTest::addColumn<QString>("choice");
    QTest::addColumn<int>("dimensions");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("date");
    QTest::newRow("small dimensions") << "rbSmallDim" << 1 << 0 << 0;
    QTest::newRow("average dimensions") << "rbAverDim" << 2 << 0 << 0;
    QTest::newRow("big dimensions") << "rbBigDim" << 3 << 0 << 0;
    QTest::newRow("small size") << "rbSmallSize" << 0 << 1 << 0;
    QTest::newRow("average size") << "rbAverSize" << 0 << 2 << 0;
    QTest::newRow("big size") << "rbBigSize" << 0 << 3 << 0;
    QTest::newRow("today") << "rbToday" << 0 << 0 << 1;
    QTest::newRow("last week") << "rbLastWeek" << 0 << 0 << 2;
    QTest::newRow("last month") << "rbLastMonth" << 0 << 0 << 3;
    QTest::newRow("last year") << "rbLastYear" << 0 << 0 << 4;
  }
  void requestCarriesReadyChoices() {
    QFETCH(QString, choice);
    QFETCH(int, dimensions);
    QFETCH(int, size);
    QFETCH(int, date);
    ShownPage shown;
    TfrSearch& page = *shown.page;
    auto* button = page.findChild<QRadioButton*>(choice);
    QVERIFY(button);
    shown.Click(button);
    QVERIFY(button->isChecked());
    QVERIFY(button->font().bold());
    const TPropertyChoices p = page.Request().Properties;
    QCOMPARE(int(p.Dimensions), dimensions);
    QCOMPARE(int(p.Size), size);
    QCOMPARE(int(p.Date), date);
  }

  // "Let me set..." opens its dialog; what is set there reaches the request
  // exactly, and a click on the checked choice opens the dialog again.
  void dialogConditionReachesRequest() {
    ShownPage shown;
    TfrSearch& page = *shown.page;
    TfrSearchProperties* props = page.PropertiesFrame();

    TdlgSpecDimensions* dims = props->DimensionsFrame()->Dialog();
    WhenModal(dims, [dims] {
      dims->WidthRow().Operator->setCurrentIndex(int(TOperatorItem::Between));
      dims->WidthRow().First->setValue(500);
      dims->WidthRow().Second->setValue(200);
      dims->OkButton()->click();
    });
    shown.Click(props->DimensionsFrame()->SpecialChoice());
    TPropertyChoices p = page.Request().Properties;
    QCOMPARE(p.Dimensions, TDimensionChoice::Special);
    QVERIFY(p.Width.Enabled);  // changing a number ticks the row
    QCOMPARE(p.Width.Operator, TOperatorItem::Between);
    QCOMPARE(p.Width.First, 500);
    QCOMPARE(p.Width.Second, 200);
    QVERIFY(!p.Height.Enabled);
    WhenModal(dims, [dims] {
      dims->HeightRow().Operator->setCurrentIndex(int(TOperatorItem::LessOrEqual));
      dims->HeightRow().First->setValue(64);
      dims->OkButton()->click();
    });
    shown.Click(props->DimensionsFrame()->SpecialChoice());
    p = page.Request().Properties;
    QVERIFY(p.Height.Enabled);
    QCOMPARE(p.Height.Operator, TOperatorItem::LessOrEqual);
    QCOMPARE(p.Height.First, 64);

    TdlgSpecSizes* sizes = props->SizeFrame()->Dialog();
    WhenModal(sizes, [sizes] {
      sizes->Row().Operator->setCurrentIndex(int(TOperatorItem::More));
      sizes->Row().First->setValue(1000000);
      sizes->OkButton()->click();
    });
    shown.Click(props->SizeFrame()->SpecialChoice());
    p = page.Request().Properties;
    QCOMPARE(p.Size, TSizeChoice::Special);
    QCOMPARE(p.SizeKB.Operator, TOperatorItem::More);
    QCOMPARE(p.SizeKB.First, 1000000);

    TdlgSpecDates* dates = props->DateFrame()->Dialog();
    const QDate day1(2024, 2, 29);
    const QDate day2(2023, 12, 31);
    WhenModal(dates, [=] {
      dates->OperatorList()->setCurrentIndex(int(TDateOperator::Between));
      dates->FirstDate()->setDate(day1);
      dates->FirstTime()->setTime(QTime(23, 59, 58));
      dates->SecondDate()->setDate(day2);
      dates->OkButton()->click();
    });
    shown.Click(props->DateFrame()->SpecialChoice());
    p = page.Request().Properties;
    QCOMPARE(p.Date, TDateChoice::Special);
    QCOMPARE(p.DateOperator, TDateOperator::Between);
    QCOMPARE(p.DateFirst, QDateTime(day1, QTime(23, 59, 58)));
    QCOMPARE(p.DateSecond, QDateTime(day2, QTime(0, 0)));

    TfrPropsFileRating* rating = props->RatingFrame();
    QVERIFY(!rating->Row().Operator->isEnabled());
    shown.Click(rating->SpecialChoice());
    QVERIFY(rating->Row().Operator->isEnabled());
    rating->Row().Operator->setCurrentIndex(int(TOperatorItem::NotEqual));
    rating->Row().First->setValue(3);
    p = page.Request().Properties;
    QCOMPARE(p.Rating, TRatingChoice::Special);
    QCOMPARE(p.Stars.Operator, TOperatorItem::NotEqual);
    QCOMPARE(p.Stars.First, 3);
    shown.Click(rating->AnyChoice());
    QVERIFY(!rating->Row().First->isEnabled());
    QCOMPARE(page.Request().Properties.Rating, TRatingChoice::Any);
  }

  // The second number and its "and" show only for "between".
  void secondNumberOnlyForBetween() {
    TdlgSpecSizes dlg;
    dlg.show();
    QVERIFY(!dlg.Row().Second->isVisible());
    const int narrow = dlg.width();
    dlg.Row().Operator->setCurrentIndex(int(TOperatorItem::Between));
    QVERIFY(dlg.Row().Second->isVisible());
    QVERIFY(dlg.Row().And->isVisible());
    QTRY_VERIFY(dlg.width() > narrow);
    dlg.Row().Operator->setCurrentIndex(int(TOperatorItem::Less));
    QVERIFY(!dlg.Row().Second->isVisible());
  }

  // The "Let me set..." dialogs: OK is the default button, named btnOk and
  // captioned by the language file; Enter accepts and Escape rejects.
  void specialDialogsOkRow_data() {
    QTest::addColumn<QString>("dialog");
    QTest::newRow("dimensions") << QStringLiteral("dlgSpecDimensions");
    QTest::newRow("size") << QStringLiteral("dlgSpecSizes");
    QTest::newRow("dates") << QStringLiteral("dlgSpecDates");
  }

  void specialDialogsOkRow() {
    QFETCH(QString, dialog);
    TfrSearch page;
    TfrSearchProperties* props = page.PropertiesFrame();
    const std::map<QString, TSpecDialog*> dialogs{
        {QStringLiteral("dlgSpecDimensions"), props->DimensionsFrame()->Dialog()},
        {QStringLiteral("dlgSpecSizes"), props->SizeFrame()->Dialog()},
        {QStringLiteral("dlgSpecDates"), props->DateFrame()->Dialog()}};
    TSpecDialog* dlg = dialogs.at(dialog);
    QCOMPARE(dlg->objectName(), dialog);
    QCOMPARE(dlg->findChildren<QPushButton*>(), QList<QPushButton*>{dlg->OkButton()});
    QCOMPARE(dlg->OkButton()->objectName(), QStringLiteral("btnOk"));
    QVERIFY(dlg->OkButton()->isDefault());
    QCOMPARE(dlg->OkButton()->text(), QStringLiteral("OK"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("l.lng"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Captions]\n87=Gut\n");
    f.close();
    QVERIFY(LoadLanguageFile(path));
    page.ApplyLanguage();
    LoadLanguageFile(QString());
    QCOMPARE(dlg->OkButton()->text(), QStringLiteral("Gut"));
    QCOMPARE(dlg->OkButton()->accessibleName(), QStringLiteral("Gut"));

    for (const auto& [key, result] : {std::pair{Qt::Key_Return, QDialog::Accepted},
                                      {Qt::Key_Escape, QDialog::Rejected},
                                      {Qt::Key_Enter, QDialog::Accepted}}) {
      dlg->setResult(-1);
      dlg->show();
      QVERIFY(QTest::qWaitForWindowExposed(dlg));
      QTest::keyClick(dlg, key);
      QVERIFY(!dlg->isVisible());
      QCOMPARE(dlg->result(), int(result));
    }
  }

  // The file-type dialog offers only the extensions not chosen yet (in
  // either case); picks are appended in the dialog's order.
  void fileTypesOfferOnlyUnchosen() {
    TfrPropsFileType frame;
    frame.SetTypeSource([] {
      return QStringList{QStringLiteral("JPG"), QStringLiteral("PNG"), QStringLiteral("GIF")};
    });
    TdlgFileTypes* dlg = frame.Dialog();
    QStringList offered;
    const auto pick = [&](QList<int> rows, bool ok) {
      WhenModal(dlg, [&offered, dlg, rows, ok] {
        offered.clear();
        for (int i = 0; i < dlg->List()->count(); ++i) {
          offered << dlg->List()->item(i)->text();
        }
        for (int row : rows) {
          dlg->List()->item(row)->setSelected(true);
        }
        (ok ? dlg->OkButton() : dlg->CancelButton())->click();
      });
      frame.AddTypes();
    };
    pick({2, 0}, true);
    QCOMPARE(offered, (QStringList{"JPG", "PNG", "GIF"}));
    QCOMPARE(frame.FileTypes(), (QStringList{"JPG", "GIF"}));
    pick({0}, false);
    QCOMPARE(offered, QStringList{"PNG"});
    QCOMPARE(frame.FileTypes(), (QStringList{"JPG", "GIF"}));
    frame.List()->item(0)->setText(QStringLiteral("jpg"));
    pick({0}, true);
    QCOMPARE(frame.FileTypes(), (QStringList{"jpg", "GIF", "PNG"}));
    pick({}, true);
    QCOMPARE(offered, QStringList());
    frame.List()->item(1)->setSelected(true);
    frame.DeleteSelected();
    QCOMPARE(frame.FileTypes(), (QStringList{"jpg", "PNG"}));
    frame.ClearList();
    QCOMPARE(frame.FileTypes(), QStringList());
  }

  // Clear empties the name and both lists and says so; the check boxes and
  // the property frames keep what the user set.
  void clearEmptiesScopeOnly() {
    Db db;
    Tree tree;
    TfrSearch page;
    page.SetCatalogQueries(db.q);
    page.FilesFrame()->NameEdit()->setText(QStringLiteral("cat"));
    page.FilesFrame()->InCaptionBox()->setChecked(true);
    TypeAndEnter(page.CatalogsFrame()->FolderEdit(), tree.Path(QStringLiteral("Photos")));
    TypeAndEnter(page.CategoriesFrame()->CategoryEdit(), QStringLiteral("Home"));
    page.CatalogsFrame()->SubdirectoriesBox()->setChecked(false);
    page.PropertiesFrame()->SizeFrame()->Choice(3)->setChecked(true);
    QSignalSpy cleared(&page, &TfrSearch::clearRequested);
    page.ClearButton()->click();
    QCOMPARE(cleared.size(), 1);
    const TSearchRequest r = page.Request();
    QCOMPARE(r.NameText, QString());
    QCOMPARE(r.Folders, QStringList());
    QVERIFY(r.CategoryIDs.empty());
    QVERIFY(r.InCaptions);
    QVERIFY(!r.Subdirectories);
    QCOMPARE(r.Properties.Size, TSizeChoice::Big);
    QSignalSpy shown(&page, &TfrSearch::showResultsRequested);
    page.ShowResultsButton()->click();
    QCOMPARE(shown.size(), 1);
  }

  // Applying a language again keeps every choice, operator and number.
  void languageKeepsChoices() {
    TfrSearch page;
    TfrSearchProperties* props = page.PropertiesFrame();
    props->DateFrame()->Choice(2)->setChecked(true);
    props->SizeFrame()->Dialog()->Row().Operator->setCurrentIndex(int(TOperatorItem::Between));
    props->SizeFrame()->Dialog()->Row().Second->setValue(77);
    props->DateFrame()->Dialog()->OperatorList()->setCurrentIndex(int(TDateOperator::After));
    props->RatingFrame()->SpecialChoice()->setChecked(true);
    props->RatingFrame()->Row().Operator->setCurrentIndex(int(TOperatorItem::LessOrEqual));
    const TPropertyChoices before = page.Request().Properties;
    page.ApplyLanguage();
    const TPropertyChoices after = page.Request().Properties;
    QCOMPARE(after.Date, before.Date);
    QCOMPARE(after.SizeKB.Operator, TOperatorItem::Between);
    QCOMPARE(after.SizeKB.Second, 77);
    QCOMPARE(after.DateOperator, TDateOperator::After);
    QCOMPARE(after.Stars.Operator, TOperatorItem::LessOrEqual);
    QCOMPARE(props->SizeFrame()->Dialog()->Row().Operator->count(), 7);
    QCOMPARE(props->SizeFrame()->Dialog()->Row().Operator->itemText(6), QStringLiteral("between"));
  }

  // Every control of the page and its dialogs has a name for assistive
  // technology.
  void everyControlHasAnAccessibleName() {
    Db db;
    TfrSearch page;
    page.SetCatalogQueries(db.q);
    QStringList unnamed;
    for (QWidget* w : page.findChildren<QWidget*>()) {
      const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) ||
                           qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) ||
                           qobject_cast<QAbstractItemView*>(w);
      // Parts Qt builds inside its own controls (a spin box's line edit, a
      // combo's popup list, a dialog's calendar) are named by their owner.
      const bool inner = qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
                         qobject_cast<QComboBox*>(w->parentWidget()) ||
                         w->objectName().startsWith(QStringLiteral("qt_"));
      // Assistive technology reads a button's own text as its name.
      const auto* button = qobject_cast<QAbstractButton*>(w);
      const bool named = !w->accessibleName().isEmpty() || (button && !button->text().isEmpty());
      if (control && !inner && !named && !w->inherits("QCalendarWidget") &&
          !w->parentWidget()->inherits("QCalendarWidget") && !w->objectName().isEmpty()) {
        unnamed << w->objectName() + u'@' + w->parentWidget()->objectName();
      }
    }
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u' ')));
  }
};

QTEST_MAIN(TestSearchPage)
#include "test_searchpage.moc"
