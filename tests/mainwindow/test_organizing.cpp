// The organizing work in the real program: categories shown from every
// folder with their history and title, a removed category on screen, the
// selection's edits reaching the ribbon and the catalog, and edits that
// survive a SIGKILL (the prompt write-back). The program runs in this process
// (TGlimrApplication) or, for the kill, in a child: this test program started
// again with GLIMR_ORGANIZING_CHILD set, which edits through the window's own
// actions and controls and is then killed.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <csignal>
#include <cstdio>
#include <functional>
#include <mutex>

#include <sys/types.h>

#include "app/commandparts.h"
#include "app/glimrapplication.h"
#include "browse/currentlists.h"
#include "browse/historylist.h"
#include "browse/ui/filelistview.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/language.h"
#include "common/regstore.h"
#include "common/settings.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/sidepanel.h"
#include "mainwindow/veskactions.h"
#include "organize/ui/dlgcategories.h"
#include "organize/ui/filterchoicetree.h"
#include "organize/ui/frcategories.h"
#include "organize/ui/frcategory.h"
#include "organize/ui/organizecommands.h"
#include "ribbon/ribbon.h"
#include "ribbon/ui/ribbonview.h"

using namespace glimr;

namespace {

constexpr char kChildVariable[] = "GLIMR_ORGANIZING_CHILD";

// A data folder with photographs in two folders, two categories (Travel and
// Travel\Alps) and rows that give a.jpg and c.jpg the category Alps.
struct TWorld {
  QString Root;
  QString Home;
  QString Settings;
  QString Photos;  // a.jpg, b.jpg
  QString More;    // c.jpg
  std::int32_t Travel = 0;
  std::int32_t Alps = 0;

  explicit TWorld(const QString& root)
      : Root(root),
        Home(root + "/home"),
        Settings(root + "/config/Quillfen/Glimr.reg"),
        Photos(root + "/photos/"),
        More(root + "/more/") {}

  QString DatabaseDir() const { return Home + "/DataBase/"; }

  bool Make() {
    QDir().mkpath(Photos);
    QDir().mkpath(More);
    for (const QString& path : {Photos + "a.jpg", Photos + "b.jpg", More + "c.jpg"}) {
      QImage picture(96, 64, QImage::Format_RGB888);
      picture.fill(QColor::fromHsv(int(path.size() * 37 % 360), 180, 200));
      if (!picture.save(path)) {
        return false;
      }
    }
    std::mutex lock;
    TdmVesk dm(DatabaseDir(), lock);
    TCatalogQueries q(dm);
    Travel = q.InsertCategory(QStringLiteral("Travel"), 0);
    Alps = q.InsertCategory(QStringLiteral("Alps"), Travel);
    for (const auto& [folder, name] :
         {std::pair{Photos, QStringLiteral("a.jpg")}, std::pair{More, QStringLiteral("c.jpg")}}) {
      TImageFileInfo r;
      r.Path = folder;
      r.FileName = name;
      r.CatalogID = q.CatalogIDOfPath(folder);
      r.CategoryID = Alps;
      q.InsertFileRecord(r);
    }
    RegStore store(Settings);
    store.WriteDword(kMainKey, QStringLiteral("SaveCrrSelection"), 1);
    store.WriteString(kMainKey, QStringLiteral("CrrSelection"),
                      QStringLiteral("Computer\\File System\\") +
                          QDir::cleanPath(Photos).mid(1).replace('/', '\\'));
    return store.Save();
  }

  // Home and Settings are where these put them.
  TGlimrApplication::Options Options() const {
    return TGlimrApplication::Options::UnderFolder(Root, QStringLiteral(GLIMR_BINARY_DIR "/bin"));
  }

  struct TRow {
    int Rating = -1;
    QString Caption;
    std::int32_t CategoryID = -1;
  };
  TRow Row(const QString& fileName) const {
    std::mutex lock;
    TdmVesk dm(DatabaseDir(), lock);
    std::lock_guard guard(dm.DbLock());
    TStatement st(dm.CurrentSession(),
                  QStringLiteral("SELECT RATING, CAPTION, CATEGORYID FROM FILES WHERE "
                                 "FILENAME = :FileName;"));
    st.BindText(":FileName", fileName);
    TRow row;
    if (st.Step()) {
      row.Rating = st.Row().Int(0);
      row.Caption = st.Row().Text(1);
      row.CategoryID = st.Row().Int(2);
    }
    return row;
  }
};

int RowOf(const TCurrentLists& lists, const QString& fileName) {
  for (int i = 0; i < lists.CurrentFiles.Count(); ++i) {
    if (lists.CurrentFiles.At(i)->FileName == fileName) {
      return i;
    }
  }
  return -1;
}

QStringList Names(const TCurrentLists& lists) {
  QStringList names;
  for (int i = 0; i < lists.CurrentFiles.Count(); ++i) {
    names << lists.CurrentFiles.At(i)->FileName;
  }
  names.sort();
  return names;
}

// The child's part: start the program, edit a.jpg through the window's own
// actions and controls, say so on standard output and wait to be killed.
// "once": one rating, caption and category; "steady": a caption every half
// second, ten seconds long.
int RunChild(const QString& root, const QString& mode) {
  TWorld world(root);
  TGlimrApplication app(world.Options());
  if (!app.Start()) {
    return 2;
  }
  TfrmVesk& window = *app.MainWindow();
  const TCurrentLists& lists = app.Lists();
  const int row = RowOf(lists, QStringLiteral("a.jpg"));
  if (row < 0) {
    return 3;
  }
  window.ListView()->FocusRow(row, true);
  auto* caption = window.findChild<QLineEdit*>(QStringLiteral("edCaption"));
  auto* category = window.findChild<QComboBox*>(QStringLiteral("cbCategory"));
  if (!caption || !category) {
    return 4;
  }
  if (mode == QLatin1String("once")) {
    window.Actions().Get("aSetThreeStars")->trigger();
    caption->setFocus();
    QTest::keyClicks(caption, QStringLiteral("Harbour at dusk"));
    int travel = -1;
    for (int i = 0; i < category->count() && travel < 0; ++i) {
      travel = category->itemText(i).trimmed() == QLatin1String("Travel") ? i : -1;
    }
    if (travel < 0) {
      return 5;
    }
    category->setCurrentIndex(travel);
    Q_EMIT category->activated(travel);
    std::printf("EDITED\n");
    std::fflush(stdout);
  } else {
    for (int n = 1; n <= 20; ++n) {
      caption->selectAll();
      QTest::keyClicks(caption, QStringLiteral("edit %1").arg(n));
      std::printf("EDIT %d\n", n);
      std::fflush(stdout);
      QTest::qWait(500);
    }
  }
  for (;;) {
    QTest::qWait(1000);  // until the parent kills it
  }
}

}  // namespace

class TestOrganizing : public QObject {
  Q_OBJECT

  // Starts this program as the child for mode, waits until it prints
  // `until`, lets `after` milliseconds pass and kills it with SIGKILL.
  // Returns the last line it printed.
  static QString RunAndKill(const QString& root, const QString& mode, const QString& until,
                            int after) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), root + QLatin1Char('|') + mode);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForStarted()) {
      return QStringLiteral("not started");
    }
    QString last;
    QString out;
    for (int tries = 0; tries < 600 && !out.contains(until); ++tries) {
      child.waitForReadyRead(100);
      out += QString::fromUtf8(child.readAllStandardOutput());
      if (child.state() != QProcess::Running) {
        return QStringLiteral("ended early: ") + out +
               QString::fromUtf8(child.readAllStandardError());
      }
    }
    QTest::qWait(after);
    out += QString::fromUtf8(child.readAllStandardOutput());
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished(10000);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last();
  }

 private Q_SLOTS:
  void categoryFromEveryFolderWithHistoryAndTitle() {
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.Make());
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    TOrganizeCommands& organizer = app.Commands()->Organizer();
    const TCurrentLists& lists = app.Lists();

    organizer.GoToCategory(world.Alps);
    QCOMPARE(lists.ListSource, TListSource::Category);
    QCOMPARE(Names(lists), (QStringList{"a.jpg", "c.jpg"}));
    QCOMPARE(window.windowTitle(), QStringLiteral("Glimr - Category: [Travel\\Alps]"));
    organizer.GoToCategory(world.Travel);
    QCOMPARE(lists.CurrentFiles.Count(), 0);
    QCOMPARE(window.windowTitle(), QStringLiteral("Glimr - Category: [Travel]"));
    // Back walks the categories shown, Up goes to the parent category.
    QVERIFY(window.Actions().Get("aPrevHistory")->isEnabled());
    window.Actions().Get("aPrevHistory")->trigger();
    QCOMPARE(Names(lists), (QStringList{"a.jpg", "c.jpg"}));
    QCOMPARE(window.CategoryHistory().CurrentIndex(), 0);
    QVERIFY(window.Actions().Get("aUp")->isEnabled());
    window.Actions().Get("aUp")->trigger();
    QCOMPARE(window.windowTitle(), QStringLiteral("Glimr - Category: [Travel]"));

    // The shown category removed: the list empties, the title names no
    // category and the history keeps no entry of it.
    organizer.GoToCategory(world.Alps);
    organizer.Categories()->SelectCategoryID(world.Alps);
    organizer.Categories()->RemoveCategory();
    QCOMPARE(lists.CurrentFiles.Count(), 0);
    QCOMPARE(window.windowTitle(), QStringLiteral("Glimr"));
    const THistoryList& history = window.CategoryHistory();
    for (int i = 0; i < history.Count(); ++i) {
      QVERIFY(TOrganizeCommands::CategoryOfNode(history.NodeAt(i)) != world.Alps);
    }
    QCOMPARE(world.Row(QStringLiteral("a.jpg")).CategoryID, 0);
    QVERIFY(app.Shutdown());
  }

  // The category tree, the Filters page's tree and the File Info page's list
  // hold the same categories in the same order after every change.
  void threeViewsInStep() {
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.Make());
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    TfrCategories& page = *app.Commands()->Organizer().Categories();
    QStringList answers;
    page.SetNameQuestion(
        [&answers](const QString&, const QString&, const QString&) -> std::optional<QString> {
          return answers.isEmpty() ? std::nullopt : std::optional<QString>(answers.takeFirst());
        });
    auto* list = window.findChild<QComboBox*>(QStringLiteral("cbCategory"));
    auto* filterTree = window.findChild<TfrCategory*>()->Tree();
    const auto check = [&] {
      QStringList names;
      for (const TCategoryItem& item : page.Tree().Items()) {
        names << item.Name;
      }
      QStringList inList;
      for (int i = 0; i < list->count(); ++i) {
        inList << list->itemText(i).trimmed();
      }
      QStringList inFilter;
      for (QTreeWidgetItemIterator it(filterTree); *it; ++it) {
        inFilter << (*it)->text(0);
      }
      QCOMPARE(inList, names);
      QCOMPARE(inFilter, names + QStringList{QStringLiteral("No Categories")});
    };
    check();
    page.SelectCategoryID(world.Travel);
    answers << QStringLiteral("Coast");
    page.AddSubCategory();
    check();
    page.SelectCategoryID(world.Alps);
    answers << QStringLiteral("Glacier");
    page.RenameCategory();
    check();
    QVERIFY(page.MoveCategoryTo(world.Alps, 0));
    check();
    page.SelectCategoryID(world.Travel);
    page.RemoveCategory();
    check();
    QCOMPARE(page.Tree().Items().size(), size_t(1));  // Glacier, moved out before
    QVERIFY(app.Shutdown());
  }

  // Images dragged from the file list onto a category take it; the File Info
  // page shows it at once.
  void imagesDroppedOnACategory() {
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.Make());
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    const TCurrentLists& lists = app.Lists();
    const int row = RowOf(lists, QStringLiteral("b.jpg"));
    window.ListView()->FocusRow(row, true);
    QTreeWidget* tree = app.Commands()->Organizer().Categories()->TreeView();
    QTreeWidgetItem* travel = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
      travel = (*it)->text(0) == QLatin1String("Travel") ? *it : travel;
    }
    QVERIFY(travel);
    const QPoint at = tree->visualItemRect(travel).center();
    auto* model = window.ListView()->ActiveView()->model();
    std::unique_ptr<QMimeData> data(model->mimeData({model->index(row, 0)}));
    QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &move);
    QVERIFY(move.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(lists.CurrentFiles.At(row)->CategoryID, world.Travel);
    auto* category = window.findChild<QComboBox*>(QStringLiteral("cbCategory"));
    QCOMPARE(category->currentData().toInt(), world.Travel);
    QVERIFY(app.Shutdown());
    QCOMPARE(world.Row(QStringLiteral("b.jpg")).CategoryID, world.Travel);
  }

  // "Set Category..." for an image without a category preselects the
  // dialog's own "No Categories" entry, also when a real category bears that
  // name (or its translation); OK then leaves the image without a category.
  void setCategoryPresetsNoCategoriesItself_data() {
    QTest::addColumn<QString>("name");      // of the real top-level category
    QTest::addColumn<QString>("language");  // the "No Categories" caption in force
    QTest::newRow("the English name") << "No Categories"
                                      << "";
    QTest::newRow("the translated name") << "Keine Kategorien"
                                         << "Keine Kategorien";
  }
  void setCategoryPresetsNoCategoriesItself() {
    QFETCH(QString, name);
    QFETCH(QString, language);
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.Make());
    std::int32_t lookalike = 0;
    {
      std::mutex lock;
      TdmVesk dm(world.DatabaseDir(), lock);
      TCatalogQueries q(dm);
      lookalike = q.InsertCategory(name, 0);
    }
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    if (!language.isEmpty()) {
      const QString file = dir.filePath(QStringLiteral("de.lng"));
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("[Captions]\n117=" + language.toUtf8() + "\n");
      f.close();
      LoadLanguageFile(file);
    }
    TfrmVesk& window = *app.MainWindow();
    const TCurrentLists& lists = app.Lists();
    const int row = RowOf(lists, QStringLiteral("b.jpg"));
    QVERIFY(row >= 0);
    QCOMPARE(lists.CurrentFiles.At(row)->CategoryID, 0);
    window.ListView()->FocusRow(row, true);

    bool seen = false;
    std::int32_t presetID = -1;
    bool presetIsLast = false;
    QString presetText;
    // Answers the modal dialog as soon as it is up; a dialog that never
    // comes ends the wait through the tries running out.
    std::function<void(int)> answer;
    QObject scope;  // ends the timers with the test
    answer = [&](int tries) {
      auto* dlg = qobject_cast<TdlgCategories*>(QApplication::activeModalWidget());
      if (!dlg) {
        if (tries > 0) {
          QTimer::singleShot(50, &scope, [&answer, tries] { answer(tries - 1); });
        }
        return;
      }
      seen = true;
      QTreeWidget* tree = dlg->TreeView();
      const QList<QTreeWidgetItem*> selected = tree->selectedItems();
      if (selected.size() == 1) {
        presetID = selected.front()->data(0, Qt::UserRole).toInt();
        presetText = selected.front()->text(0);
        presetIsLast = tree->indexOfTopLevelItem(selected.front()) == tree->topLevelItemCount() - 1;
      }
      dlg->OkButton()->isEnabled() ? dlg->OkButton()->click() : dlg->reject();
    };
    QTimer::singleShot(0, &scope, [&answer] { answer(100); });
    window.Actions().Get("aSetCategory")->trigger();
    LoadLanguageFile(QString());
    QVERIFY(seen);
    QCOMPARE(presetText, language.isEmpty() ? name : language);
    QCOMPARE(presetID, 0);
    QVERIFY(presetIsLast);
    QCOMPARE(lists.CurrentFiles.At(row)->CategoryID, 0);
    QVERIFY(lookalike != 0);
    QVERIFY(app.Shutdown());
    QCOMPARE(world.Row(QStringLiteral("b.jpg")).CategoryID, 0);
  }

  // Closing Catalogs while a folder is shown brings Categories to the front
  // with its selected category shown, or its first one when none is selected.
  void closingCatalogsShowsACategory_data() {
    QTest::addColumn<bool>("selectAlps");
    QTest::newRow("none selected: the first one") << false;
    QTest::newRow("the selected one") << true;
  }
  void closingCatalogsShowsACategory() {
    QFETCH(bool, selectAlps);
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.Make());
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    const TCurrentLists& lists = app.Lists();
    TOrganizeCommands& organizer = app.Commands()->Organizer();
    QCOMPARE(lists.ListSource, TListSource::Catalog);
    if (selectAlps) {
      organizer.Categories()->SelectCategoryID(world.Alps);
    }
    const std::int32_t expected = selectAlps ? world.Alps : world.Travel;
    window.LeftPageCloseRequested(0);
    QCOMPARE(window.LeftSide().ActivePage(), 1);
    QCOMPARE(lists.ListSource, TListSource::Category);
    QCOMPARE(organizer.SelectedCategory(), expected);
    QCOMPARE(window.windowTitle(), selectAlps ? QStringLiteral("Glimr - Category: [Travel\\Alps]")
                                              : QStringLiteral("Glimr - Category: [Travel]"));
    QCOMPARE(Names(lists), selectAlps ? (QStringList{"a.jpg", "c.jpg"}) : QStringList());
    QVERIFY(app.Shutdown());
  }

  void captionShowsInTheRibbonAndReachesTheCatalog() {
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.Make());
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    TfrmVesk& window = *app.MainWindow();
    const TCurrentLists& lists = app.Lists();
    const int row = RowOf(lists, QStringLiteral("b.jpg"));
    QVERIFY(row >= 0);
    window.ListView()->FocusRow(row, true);
    auto* caption = window.findChild<QLineEdit*>(QStringLiteral("edCaption"));
    QVERIFY(caption);
    QTest::keyClicks(caption, QStringLiteral("Lake"));
    const TRibbon& ribbon = app.Ribbon()->Ribbon();
    bool shown = false;
    for (const auto& slot : ribbon.Slots) {
      shown = shown || (slot && slot->Loaded && slot->ListIndex == row && slot->Caption == "Lake");
    }
    QVERIFY(shown);
    // Written within two seconds, without a folder switch.
    QTRY_COMPARE_WITH_TIMEOUT(world.Row(QStringLiteral("b.jpg")).Caption, QStringLiteral("Lake"),
                              10000);
    QVERIFY(app.Shutdown());
  }

  void editsSurviveSigkill() {
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.Make());
    const QString last =
        RunAndKill(dir.path(), QStringLiteral("once"), QStringLiteral("EDITED"), 3000);
    QCOMPARE(last, QStringLiteral("EDITED"));
    const TWorld::TRow row = world.Row(QStringLiteral("a.jpg"));
    QCOMPARE(row.Rating, 3);
    QCOMPARE(row.Caption, QStringLiteral("Harbour at dusk"));
    QCOMPARE(row.CategoryID, world.Travel);
    // A restart (over the killed process's lock) shows them again.
    TGlimrApplication app(world.Options());
    QVERIFY(app.Start());
    const int shown = RowOf(app.Lists(), QStringLiteral("a.jpg"));
    QVERIFY(shown >= 0);
    const TImageFileInfo* record = app.Lists().CurrentFiles.At(shown);
    QCOMPARE(record->Rating, 3);
    QCOMPARE(record->Caption, QStringLiteral("Harbour at dusk"));
    QCOMPARE(record->CategoryID, world.Travel);
    QVERIFY(app.Shutdown());
  }

  void steadyEditsLoseAtMostTwoSeconds() {
    QTemporaryDir dir;
    TWorld world(dir.path());
    QVERIFY(world.Make());
    const QString last =
        RunAndKill(dir.path(), QStringLiteral("steady"), QStringLiteral("EDIT 20"), 0);
    QCOMPARE(last, QStringLiteral("EDIT 20"));
    // An edit every half second: what the catalog holds is at most two
    // seconds (four edits) behind the last one, and a little slack for a
    // busy machine.
    const QString caption = world.Row(QStringLiteral("a.jpg")).Caption;
    QVERIFY2(caption.startsWith(QStringLiteral("edit ")), qPrintable(caption));
    QVERIFY2(caption.mid(5).toInt() >= 15, qPrintable(caption));
  }
};

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const QString child = qEnvironmentVariable(kChildVariable);
  if (!child.isEmpty()) {
    const int bar = child.lastIndexOf(QLatin1Char('|'));
    return RunChild(child.left(bar), child.mid(bar + 1));
  }
  TestOrganizing test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_organizing.moc"
