#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

#include "browse/historylist.h"
#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/locks.h"
#include "organize/categorytree.h"
#include "organize/ui/frcategories.h"
#include "organize/ui/frfileinfo.h"
#include "organize/ui/frfilters.h"
#include "organize/ui/organizecommands.h"
#include "organize/ui/starview.h"
#include "support/shownfill.h"

using namespace glimr;

namespace {

// A catalog with the categories Travel and Work, three files of Travel on
// disk, and the commands over a shown list that writes back to the catalog.
struct TWorld {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};
  TShownList shown;
  THistoryList history;
  QAction ratings[6];
  QAction setCategory, add, addSub, rename, remove, clear;
  int titles = 0;
  int historyUpdates = 0;
  std::int32_t travel = 0;
  std::int32_t work = 0;
  std::unique_ptr<TOrganizeCommands> commands;

  TWorld() {
    shown.SetCatalog(&q);
    shown.SetSort({scName, 2});
    travel = q.InsertCategory(QStringLiteral("Travel"), 0);
    work = q.InsertCategory(QStringLiteral("Work"), 0);
    const QString folder = Folder();
    QDir().mkpath(folder);
    const struct {
      const char* name;
      int rating;
      const char* caption;
    } files[] = {{"1.jpg", 3, "sea"}, {"2.jpg", 3, "sea"}, {"3.jpg", 1, "sky"}};
    for (const auto& f : files) {
      QFile(folder + QLatin1String(f.name)).open(QIODevice::WriteOnly);
      TImageFileInfo r;
      r.FileName = QLatin1String(f.name);
      r.CatalogID = q.CatalogIDOfPath(folder);
      r.CategoryID = travel;
      r.Rating = static_cast<std::uint8_t>(f.rating);
      r.Caption = QLatin1String(f.caption);
      q.InsertFileRecord(r);
    }
    TOrganizeActions actions;
    for (int i = 0; i < 6; ++i) {
      actions.Rating[static_cast<size_t>(i)] = &ratings[i];
    }
    actions.SetCategory = &setCategory;
    actions.AddCategory = &add;
    actions.AddSubCategory = &addSub;
    actions.RenameCategory = &rename;
    actions.RemoveCategory = &remove;
    actions.ClearCategories = &clear;
    TOrganizeCommands::THost host;
    host.UpdateTitle = [this] { ++titles; };
    host.UpdateHistoryActions = [this] { ++historyUpdates; };
    commands = std::make_unique<TOrganizeCommands>(shown, history, actions, nullptr, host);
    commands->Attach(q);
  }
  ~TWorld() { commands.reset(); }

  QString Folder() const { return dir.path() + QStringLiteral("/a/"); }

  // The same three files shown as a folder.
  void ShowFolder() {
    std::vector<TNewEntry> entries;
    std::vector<std::unique_ptr<TImageFileInfo>> rows = q.ReadCategoryFiles(travel);
    for (auto& r : rows) {
      r->Path = Folder();
      const QString key = r->FullPath();
      entries.push_back({key, std::move(r)});
    }
    glimr::test::ShowGiven(shown, std::move(entries), TListSource::Catalog, Folder());
  }

  // Marks rows of the shown list selected, as the view does, and tells the
  // commands.
  void Select(const QList<int>& rows) {
    for (int i = 0; i < shown.Current().Count(); ++i) {
      shown.Current().At(i)->Selected = rows.contains(i);
    }
    commands->SelectionChanged();
  }

  int Stars() const {
    return commands->FileInfo()->findChild<TStarView*>(QStringLiteral("svRating"))->StarsSelected();
  }
  QString PageText(const char* name) const {
    return commands->FileInfo()->findChild<QLineEdit*>(QLatin1String(name))->text();
  }
  QStringList Names() const {
    QStringList names;
    for (int i = 0; i < shown.Current().Count(); ++i) {
      names << shown.Current().At(i)->FileName;
    }
    return names;
  }
};

using TChange = std::function<void(TWorld&)>;

}  // namespace

Q_DECLARE_METATYPE(TChange)

class TestOrganizeCommands : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The File Info page shows what the selection holds after every change of
  // the shown list, whoever made it, with no call of its own.
  void pageFollowsTheList_data() {
    QTest::addColumn<TChange>("change");
    QTest::addColumn<int>("stars");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("fileName");
    // Selected: 1.jpg and 2.jpg, both rated 3 with caption "sea".
    QTest::newRow("nothing changed") << TChange([](TWorld&) {}) << 3 << "sea"
                                     << "";
    QTest::newRow("a rating action")
        << TChange([](TWorld& w) { w.ratings[5].trigger(); }) << 5 << "sea"
        << "";
    QTest::newRow("Clear Rating") << TChange([](TWorld& w) { w.ratings[0].trigger(); }) << 0
                                  << "sea"
                                  << "";
    QTest::newRow("a rating edited elsewhere") << TChange([](TWorld& w) {
      w.shown.EditRows({0, 1}, efRating, [](TImageFileInfo& r) { r.Rating = 2; });
    }) << 2 << "sea"
                                               << "";
    QTest::newRow("one of two edited elsewhere") << TChange([](TWorld& w) {
      w.shown.EditRows({1}, efRating | efCaption, [](TImageFileInfo& r) {
        r.Rating = 2;
        r.Caption = QStringLiteral("dune");
      });
    }) << 0 << ""
                                                 << "";
    QTest::newRow("a caption edited elsewhere") << TChange([](TWorld& w) {
      w.shown.EditRows({0, 1}, efCaption,
                       [](TImageFileInfo& r) { r.Caption = QStringLiteral("dune"); });
    }) << 3 << "dune"
                                                << "";
    QTest::newRow("an entry not selected edited") << TChange([](TWorld& w) {
      w.shown.EditRows({2}, efRating, [](TImageFileInfo& r) { r.Rating = 5; });
    }) << 3 << "sea"
                                                  << "";
    QTest::newRow("one selected entry removed")
        << TChange([](TWorld& w) { w.shown.Remove({w.shown.Current().Key(0)}, true); }) << 3
        << "sea"
        << "2.jpg";
    QTest::newRow("the selected entries removed")
        << TChange([](TWorld& w) { w.shown.RemoveSelected(); }) << 0 << ""
        << "";
    QTest::newRow("the list refiltered") << TChange([](TWorld& w) {
      w.shown.SetFilter({true, QString(), {3}, {}});
    }) << 0 << ""
                                         << "";
    QTest::newRow("a category shown")
        << TChange([](TWorld& w) { w.commands->ShowCategory(w.travel); }) << 0 << ""
        << "";
  }
  void pageFollowsTheList() {
    QFETCH(TChange, change);
    QFETCH(int, stars);
    QFETCH(QString, caption);
    QFETCH(QString, fileName);
    TWorld w;
    w.ShowFolder();
    w.Select({0, 1});
    QCOMPARE(w.Stars(), 3);
    change(w);
    QCOMPARE(w.Stars(), stars);
    QCOMPARE(w.PageText("edCaption"), caption);
    QCOMPARE(w.PageText("edFileName"), fileName);
  }

  // The page's own controls and the actions edit the selected images, and
  // the edits reach the catalog through the list's write-back.
  void editsReachTheCatalog() {
    TWorld w;
    w.ShowFolder();
    w.Select({0, 2});
    w.ratings[4].trigger();
    Q_EMIT w.commands->FileInfo()->captionEdited(QStringLiteral("dune"));
    QCOMPARE(w.shown.Current().At(0)->Rating, 4);
    QCOMPARE(w.shown.Current().At(1)->Rating, 3);
    QCOMPARE(w.shown.Current().At(2)->Caption, QStringLiteral("dune"));
    QCOMPARE(w.shown.WriteBack(), 0);
    int rated = 0;
    for (const auto& r : w.q.ReadCategoryFiles(w.travel)) {
      rated += r->Rating == 4 && r->Caption == QLatin1String("dune") ? 1 : 0;
    }
    QCOMPARE(rated, 2);
  }

  // With a category shown, images given another category leave the list;
  // with a folder shown, or given the shown category, they stay.
  void categoryChoice_data() {
    QTest::addColumn<bool>("categoryShown");
    QTest::addColumn<bool>("chooseShown");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("category shown, another chosen") << true << false << QStringList{"3.jpg"};
    QTest::newRow("category shown, the same chosen")
        << true << true << QStringList{"1.jpg", "2.jpg", "3.jpg"};
    QTest::newRow("folder shown") << false << false << QStringList{"1.jpg", "2.jpg", "3.jpg"};
  }
  void categoryChoice() {
    QFETCH(bool, categoryShown);
    QFETCH(bool, chooseShown);
    QFETCH(QStringList, left);
    TWorld w;
    if (categoryShown) {
      w.commands->GoToCategory(w.travel);
      QCOMPARE(w.commands->ShownCategoryPath(), std::optional<QString>(QStringLiteral("Travel")));
      QCOMPARE(w.history.TextAt(w.history.CurrentIndex()), QStringLiteral("Travel"));
    } else {
      w.ShowFolder();
      QCOMPARE(w.commands->ShownCategoryPath(), std::nullopt);
    }
    w.Select({0, 1});
    const std::int32_t chosen = chooseShown ? w.travel : w.work;
    Q_EMIT w.commands->FileInfo()->categoryChosen(chosen);
    QCOMPARE(w.Names(), left);
    // Nothing selected is left behind on the page after a removal.
    QCOMPARE(w.commands->FileInfo()->ShownCategory(), left.size() == 3 ? chosen : 0);
    w.shown.WriteBack();
    QCOMPARE(static_cast<int>(w.q.ReadCategoryFiles(w.work).size()), chooseShown ? 0 : 2);
  }

  // A category removed on the page: the history forgets it, the records
  // that held it hold none, and when it was on screen its list empties.
  void categoryRemoved_data() {
    QTest::addColumn<bool>("categoryShown");
    QTest::newRow("the shown category") << true;
    QTest::newRow("the category of a folder's images") << false;
  }
  void categoryRemoved() {
    QFETCH(bool, categoryShown);
    TWorld w;
    w.commands->GoToCategory(w.travel);
    if (!categoryShown) {
      w.ShowFolder();
    }
    w.Select({0});
    QCOMPARE(w.commands->FileInfo()->ShownCategory(), w.travel);
    w.commands->Categories()->SelectCategoryID(w.travel);
    const int titles = w.titles;
    QVERIFY(w.remove.isEnabled());
    w.remove.trigger();
    QCOMPARE(w.history.IndexOfNode(TOrganizeCommands::HistoryNode(w.travel)), -1);
    QVERIFY(w.titles > titles);
    QCOMPARE(w.commands->ShownCategoryPath(), std::nullopt);
    QCOMPARE(w.Names(), categoryShown ? QStringList{} : (QStringList{"1.jpg", "2.jpg", "3.jpg"}));
    for (int i = 0; i < w.shown.Loaded().Count(); ++i) {
      QCOMPARE(w.shown.Loaded().At(i)->CategoryID, 0);
    }
    QCOMPARE(w.commands->FileInfo()->ShownCategory(), 0);
  }

  // The Filters page narrows the shown list, and the list keeps the filter.
  void filterPageNarrowsTheList() {
    TWorld w;
    w.ShowFolder();
    const TFilterSettings settings{true, QString(), {1}, {}};
    Q_EMIT w.commands->Filters()->filterChanged(settings);
    QCOMPARE(w.Names(), QStringList{"3.jpg"});
    QCOMPARE(w.shown.Filter().Ratings, QList<int>{1});
  }

  // Without a catalog the category actions stay off; the rating actions
  // work on any list.
  void actionsFollowTheCatalog() {
    TWorld w;
    QVERIFY(w.add.isEnabled());
    QVERIFY(w.setCategory.isEnabled());
    QVERIFY(w.clear.isEnabled());  // there are categories
    TShownList shown;
    THistoryList history;
    QAction rating, set, add;
    TOrganizeActions actions;
    actions.Rating[3] = &rating;
    actions.SetCategory = &set;
    actions.AddCategory = &add;
    TOrganizeCommands commands(shown, history, actions, nullptr, {});
    QVERIFY(rating.isEnabled());
    QVERIFY(!set.isEnabled());
    QVERIFY(!add.isEnabled());
    QVERIFY(!commands.Categories());
    rating.trigger();  // nothing shown, nothing selected: no change, no failure
  }
};

QTEST_MAIN(TestOrganizeCommands)
#include "test_organizecommands.moc"
