#include <QAction>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <deque>
#include <mutex>
#include <optional>

#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/errors.h"
#include "common/locks.h"
#include "organize/categorytree.h"
#include "organize/ui/categorynamequestion.h"
#include "organize/ui/dlgcategories.h"
#include "organize/ui/frcategories.h"

using namespace glimr;

namespace {

// "id:parent:name;..." as catalog rows.
std::vector<TCategoryRow> Rows(const QString& spec) {
  std::vector<TCategoryRow> rows;
  for (const QString& row : spec.split(u';', Qt::SkipEmptyParts)) {
    const QStringList f = row.split(u':');
    rows.push_back({f[0].toInt(), f[1].toInt(), f[2]});
  }
  return rows;
}

// The items in depth-first order, each name led by one dot per level:
// "Travel,.2005,..Alps,Home".
QString Layout(const TCategoryItems& items) {
  QStringList out;
  for (const TCategoryItem& item : items) {
    out << QString(item.Depth, u'.') + item.Name;
  }
  return out.join(u',');
}

// The tree widget's entries depth first, as category items.
void WalkView(const QTreeWidgetItem* item, int depth, TCategoryItems& out) {
  out.push_back({item->data(0, Qt::UserRole).toInt(), item->text(0), depth});
  for (int i = 0; i < item->childCount(); ++i) {
    WalkView(item->child(i), depth + 1, out);
  }
}
TCategoryItems ViewItems(const QTreeWidget* view) {
  TCategoryItems out;
  for (int i = 0; i < view->topLevelItemCount(); ++i) {
    WalkView(view->topLevelItem(i), 0, out);
  }
  return out;
}

// "id|parent|name" of every entry, sorted: the shape of a tree whatever the
// order of siblings.
QStringList Shape(const TCategoryTree& tree) {
  QStringList out;
  for (const TCategoryItem& item : tree.Items()) {
    out << QStringLiteral("%1|%2|%3").arg(item.ID).arg(tree.ParentOf(item.ID)).arg(item.Name);
  }
  out.sort();
  return out;
}
QStringList Shape(const std::vector<TCategoryRow>& rows) {
  QStringList out;
  for (const TCategoryRow& row : rows) {
    out << QStringLiteral("%1|%2|%3").arg(row.ID).arg(row.ParentID).arg(row.Name);
  }
  out.sort();
  return out;
}

// A catalog in a fresh temporary folder.
struct Db {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};

  qint64 Scalar(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement st(dm.CurrentSession(), sql);
    return st.Step() ? st.Row().Int64(0) : 0;
  }
  // A FILES row of the category; its ID.
  std::int32_t AddFile(const QString& name, std::int32_t categoryID) {
    TImageFileInfo r;
    r.FileName = name;
    r.TypeName = QStringLiteral("JPG");
    r.CatalogID = q.CatalogIDOfPath(QStringLiteral("/pics/"));
    r.CategoryID = categoryID;
    return q.InsertFileRecord(r);
  }
  qint64 CategoryOfFile(std::int32_t fileID) {
    return Scalar(QStringLiteral("SELECT CATEGORYID FROM FILES WHERE ID = %1").arg(fileID));
  }
};

// Answers the name questions from a script and records what was asked.
struct TScriptedQuestion {
  struct TAsk {
    QString Prompt, Answer, Problem;
  };
  std::deque<std::optional<QString>> Answers;
  std::vector<TAsk> Asked;

  TCategoryNameQuestion Function() {
    return [this](const QString& prompt, const QString& answer,
                  const QString& problem) -> std::optional<QString> {
      Asked.push_back({prompt, answer, problem});
      if (Answers.empty()) {
        return std::nullopt;
      }
      std::optional<QString> a = Answers.front();
      Answers.pop_front();
      return a;
    };
  }
};

// The Categories page over a catalog, with scripted name answers.
struct TPage {
  Db db;
  TScriptedQuestion question;
  TfrCategories page{db.q};

  TPage() { page.SetNameQuestion(question.Function()); }

  std::int32_t Add(std::int32_t selected, const QString& name, bool sub = false) {
    page.SelectCategoryID(selected);
    question.Answers.push_back(name);
    const std::vector<std::int32_t> before = IDs();
    sub ? page.AddSubCategory() : page.AddCategory();
    for (std::int32_t id : IDs()) {
      if (std::find(before.begin(), before.end(), id) == before.end()) {
        return id;
      }
    }
    return 0;
  }
  std::vector<std::int32_t> IDs() const {
    std::vector<std::int32_t> ids;
    for (const TCategoryItem& item : page.Tree().Items()) {
      ids.push_back(item.ID);
    }
    return ids;
  }
  // The catalog, the page's model and its tree widget hold the same tree,
  // and the widget shows it in the model's order.
  bool Agree() {
    const TCategoryItems view = ViewItems(page.TreeView());
    if (view != page.Tree().Items()) {
      qWarning() << "view:" << Layout(view) << "model:" << Layout(page.Tree().Items());
      return false;
    }
    const QStringList catalog = Shape(db.q.ReadCategories());
    if (catalog != Shape(page.Tree())) {
      qWarning() << "catalog:" << catalog << "model:" << Shape(page.Tree());
      return false;
    }
    return true;
  }
};

}  // namespace

class TestCategoryViews : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void fill_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("layout");
    QTest::newRow("nested, siblings in row order")
        << "1:0:Travel;2:1:2005;3:2:Alps;4:0:Home;5:1:1999"
        << "Travel,.2005,..Alps,.1999,Home";
    QTest::newRow("child rows before their parent") << "5:7:Kid;7:0:Mom;6:7:Kid2"
                                                    << "Mom,.Kid,.Kid2";
    QTest::newRow("missing parent: top level") << "1:0:A;2:99:Orphan;3:2:Under"
                                               << "A,Orphan,.Under";
    QTest::newRow("loop of two") << "1:2:X;2:1:Y;3:0:Z"
                                 << "Z,Y,.X";
    QTest::newRow("loop of three with a tail") << "1:3:A;2:1:B;3:2:C;4:1:Tail"
                                               << "B,.C,..A,...Tail";
    QTest::newRow("own parent") << "1:1:Self;2:1:Kid"
                                << "Self,.Kid";
    QTest::newRow("ID 0 and a repeated ID left out") << "0:0:Zero;1:0:A;1:0:Again"
                                                     << "A";
  }
  void fill() {
    QFETCH(QString, rows);
    QFETCH(QString, layout);
    TCategoryTree tree;
    tree.Fill(Rows(rows));
    QCOMPARE(Layout(tree.Items()), layout);
  }

  // A script of operations on a tree: each op's result ("1"/"0", or the
  // removed IDs) and the tree afterwards.
  void operations_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("ops");
    QTest::addColumn<QString>("results");
    QTest::addColumn<QString>("layout");
    const QString base = QStringLiteral("1:0:b;2:1:z;3:2:deep;4:1:y;5:0:c");
    QTest::newRow("add appends as last child")
        << base << QStringList{"add 0 6 a", "add 1 7 a"} << "1 1"
        << "b,.z,..deep,.y,.a,c,a";
    QTest::newRow("add refused: unknown parent, taken ID, ID 0")
        << base << QStringList{"add 99 6 x", "add 0 5 x", "add 0 0 x"} << "0 0 0"
        << "b,.z,..deep,.y,c";
    QTest::newRow("rename sorts its siblings only") << base << QStringList{"rename 5 a"} << "1"
                                                    << "a,b,.z,..deep,.y";
    QTest::newRow("rename inside a branch")
        << base << QStringList{"rename 2 zz", "rename 4 x"} << "1 1"
        << "b,.x,.zz,..deep,c";
    QTest::newRow("move refused onto itself and a descendant")
        << base << QStringList{"move 1 1", "move 1 2", "move 1 3", "move 1 99", "move 99 0"}
        << "0 0 0 0 0"
        << "b,.z,..deep,.y,c";
    QTest::newRow("move appends as last child")
        << base << QStringList{"move 2 5", "move 4 0"} << "1 1"
        << "b,c,.z,..deep,y";
    QTest::newRow("move onto its own parent goes last") << base << QStringList{"move 2 1"} << "1"
                                                        << "b,.y,.z,..deep,c";
    QTest::newRow("remove a subtree, children first")
        << base << QStringList{"remove 1"} << "3,2,4,1"
        << "c";
    QTest::newRow("remove a leaf and an unknown ID")
        << base << QStringList{"remove 3", "remove 42"} << "3 -"
        << "b,.z,.y,c";
  }
  void operations() {
    QFETCH(QString, rows);
    QFETCH(QStringList, ops);
    QFETCH(QString, results);
    QFETCH(QString, layout);
    TCategoryTree tree;
    tree.Fill(Rows(rows));
    QStringList got;
    for (const QString& op : ops) {
      const QStringList f = op.split(u' ');
      if (f[0] == u"add") {
        got << QString::number(tree.Add(f[1].toInt(), f[2].toInt(), f[3]));
      } else if (f[0] == u"rename") {
        got << QString::number(tree.Rename(f[1].toInt(), f[2]));
      } else if (f[0] == u"move") {
        const bool can = tree.CanMove(f[1].toInt(), f[2].toInt());
        const bool moved = tree.Move(f[1].toInt(), f[2].toInt());
        QCOMPARE(can, moved);
        got << QString::number(moved);
      } else if (f[0] == u"remove") {
        QStringList ids;
        for (std::int32_t id : tree.RemoveSubtree(f[1].toInt())) {
          ids << QString::number(id);
        }
        got << (ids.isEmpty() ? QStringLiteral("-") : ids.join(u','));
      }
    }
    QCOMPARE(got.join(u' '), results);
    QCOMPARE(Layout(tree.Items()), layout);
    // Every entry still finds its place and its path.
    for (const TCategoryItem& item : tree.Items()) {
      QCOMPARE(tree.Items()[tree.IndexOf(item.ID)].ID, item.ID);
    }
  }

  void pathsAndParents() {
    TCategoryTree tree;
    tree.Fill(Rows(QStringLiteral("1:0:Travel;2:1:2005;3:2:Alps")));
    QCOMPARE(tree.Path(3), QStringLiteral("Travel\\2005\\Alps"));
    QCOMPARE(tree.Path(1), QStringLiteral("Travel"));
    QCOMPARE(tree.Path(42), QString());
    QCOMPARE(tree.ParentOf(3), 2);
    QCOMPARE(tree.ParentOf(1), 0);
    QCOMPARE(tree.ParentOf(42), 0);
    for (std::int32_t id : {1, 2, 3}) {
      QCOMPARE(tree.IDOfPath(tree.Path(id)), id);
    }
    QCOMPARE(tree.IDOfPath(QStringLiteral("Travel\\2006")), 0);
    QCOMPARE(tree.IDOfPath(QString()), 0);
  }

  void deepAndWideTrees() {
    // A chain 200 deep under one top-level entry, and 5000 siblings beside it.
    std::vector<TCategoryRow> rows;
    for (int i = 1; i <= 200; ++i) {
      rows.push_back({i, i - 1, QStringLiteral("d%1").arg(i)});
    }
    for (int i = 1000; i < 6000; ++i) {
      rows.push_back({i, 0, QStringLiteral("w%1").arg(i)});
    }
    TCategoryTree tree;
    tree.Fill(rows);
    const TCategoryItems items = tree.Items();
    QCOMPARE(items.size(), std::size_t(5200));
    QCOMPARE(items[199].ID, 200);
    QCOMPARE(items[199].Depth, 199);
    QCOMPARE(tree.Path(200).count(u'\\'), 199);
    QVERIFY(!tree.CanMove(1, 200));
    QVERIFY(tree.Move(5999, 200));
    QCOMPARE(tree.Path(5999).count(u'\\'), 200);
    const std::vector<std::int32_t> removed = tree.RemoveSubtree(1);
    QCOMPARE(removed.size(), std::size_t(201));
    QCOMPARE(removed.front(), 5999);
    QCOMPARE(removed.back(), 1);
    QCOMPARE(tree.Count(), 4999);

    // One loop through 3000 rows ends, and keeps every row.
    std::vector<TCategoryRow> loop;
    for (int i = 1; i <= 3000; ++i) {
      loop.push_back({i, i == 3000 ? 1 : i + 1, QStringLiteral("l%1").arg(i)});
    }
    tree.Fill(loop);
    QCOMPARE(tree.Items().size(), std::size_t(3000));
    QCOMPARE(tree.Children(0).size(), std::size_t(1));
  }

  void normalizedName_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");  // empty: refused
    QTest::newRow("kept") << "Alps"
                          << "Alps";
    QTest::newRow("trimmed") << " \tAlps 2005 \n"
                             << "Alps 2005";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("blank") << "   "
                           << "";
    QTest::newRow("separator inside") << "a\\b"
                                      << "";
    QTest::newRow("separator alone") << "\\"
                                     << "";
    QTest::newRow("slash is a plain character") << "a/b"
                                                << "a/b";
    QTest::newRow("non-Latin") << "Путешествия"
                               << "Путешествия";
  }
  void normalizedName() {
    QFETCH(QString, typed);
    QFETCH(QString, name);
    QCOMPARE(NormalizedCategoryName(typed).value_or(QString()), name);
  }

  // Add, add sub, rename, move and remove through the page: the catalog, the
  // model and the tree widget stay the same tree.
  void pageKeepsCatalogAndViewInStep() {
    TPage p;
    QSignalSpy changed(&p.page, &TfrCategories::categoriesChanged);
    QSignalSpy renamed(&p.page, &TfrCategories::categoryRenamed);
    QSignalSpy removed(&p.page, &TfrCategories::categoriesRemoved);
    p.page.FillCategories();
    QVERIFY(p.Agree());

    const std::int32_t travel = p.Add(0, QStringLiteral("Travel"));
    const std::int32_t y2005 = p.Add(travel, QStringLiteral("2005"), true);
    const std::int32_t alps = p.Add(y2005, QStringLiteral("Alps"), true);
    // With a category selected, Add makes a sibling of it.
    const std::int32_t home = p.Add(y2005, QStringLiteral("Home"));
    const std::int32_t twin = p.Add(travel, QStringLiteral("Travel"));  // siblings may share a name
    QVERIFY(travel && y2005 && alps && home && twin);
    QCOMPARE(Layout(p.page.Tree().Items()), QStringLiteral("Travel,.2005,..Alps,.Home,Travel"));
    QVERIFY(p.Agree());
    QCOMPARE(changed.count(), 6);
    QCOMPARE(changed.last().at(0).value<TCategoryItems>(), p.page.Tree().Items());

    // Rename re-sorts the siblings, also in the view; the paths below follow.
    p.page.SelectCategoryID(y2005);
    p.question.Answers.push_back(QStringLiteral("Zoo"));
    p.page.RenameCategory();
    QCOMPARE(Layout(ViewItems(p.page.TreeView())),
             QStringLiteral("Travel,.Home,.Zoo,..Alps,Travel"));
    QVERIFY(p.Agree());
    QCOMPARE(p.question.Asked.back().Answer, QStringLiteral("2005"));  // the current name proposed
    QCOMPARE(renamed.count(), 2);
    QCOMPARE(renamed.at(1).at(0).toInt(), alps);
    QCOMPARE(renamed.at(1).at(1).toString(), QStringLiteral("Travel\\Zoo\\Alps"));

    // A move onto itself or a descendant is refused and writes nothing.
    QVERIFY(!p.page.CanMoveCategory(travel, alps));
    QVERIFY(!p.page.MoveCategoryTo(travel, alps));
    QVERIFY(!p.page.MoveCategoryTo(y2005, y2005));
    QVERIFY(p.Agree());
    QVERIFY(p.page.MoveCategoryTo(y2005, home));
    QCOMPARE(Layout(ViewItems(p.page.TreeView())),
             QStringLiteral("Travel,.Home,..Zoo,...Alps,Travel"));
    QVERIFY(p.Agree());
    QCOMPARE(renamed.last().at(1).toString(), QStringLiteral("Travel\\Home\\Zoo\\Alps"));
    QVERIFY(p.page.MoveCategoryTo(alps, 0));
    QVERIFY(p.Agree());

    // Remove takes the branch and releases its images, in the catalog too.
    const std::int32_t inZoo = p.db.AddFile(QStringLiteral("zoo.jpg"), y2005);
    const std::int32_t inHome = p.db.AddFile(QStringLiteral("home.jpg"), home);
    const std::int32_t inAlps = p.db.AddFile(QStringLiteral("alps.jpg"), alps);
    p.page.SelectCategoryID(home);
    p.page.RemoveCategory();
    QVERIFY(p.Agree());
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).value<std::vector<std::int32_t>>(),
             (std::vector<std::int32_t>{y2005, home}));
    QCOMPARE(p.db.CategoryOfFile(inZoo), 0);
    QCOMPARE(p.db.CategoryOfFile(inHome), 0);
    QCOMPARE(p.db.CategoryOfFile(inAlps), alps);
    QCOMPARE(p.page.SelectedCategory(), 0);

    p.page.ClearCategories();
    QVERIFY(p.Agree());
    QVERIFY(p.page.Tree().Empty());
    QCOMPARE(p.db.CategoryOfFile(inAlps), 0);
    QCOMPARE(p.db.Scalar(QStringLiteral("SELECT COUNT(*) FROM CATEGORIES")), 0);

    // A page filled afresh shows what the catalog holds.
    const std::int32_t again = p.Add(0, QStringLiteral("Again"));
    p.Add(again, QStringLiteral("Below"), true);
    TfrCategories fresh(p.db.q);
    fresh.FillCategories();
    QCOMPARE(fresh.Tree().Items(), p.page.Tree().Items());
  }

  void nameQuestion_data() {
    QTest::addColumn<QStringList>("answers");  // "<cancel>" cancels
    QTest::addColumn<QString>("created");      // empty: nothing created
    QTest::addColumn<int>("asks");
    QTest::newRow("trimmed") << QStringList{" Alps "} << "Alps" << 1;
    QTest::newRow("empty, then a name") << QStringList{"", "Alps"} << "Alps" << 2;
    QTest::newRow("separator, then mended") << QStringList{"a\\b", "ab"} << "ab" << 2;
    QTest::newRow("blank, separator, then a name") << QStringList{"  ", "x\\", "x"} << "x" << 3;
    QTest::newRow("cancel") << QStringList{"<cancel>"} << "" << 1;
    QTest::newRow("refused, then cancel") << QStringList{"a\\b", "<cancel>"} << "" << 2;
  }
  void nameQuestion() {
    QFETCH(QStringList, answers);
    QFETCH(QString, created);
    QFETCH(int, asks);
    TPage p;
    p.page.FillCategories();
    for (const QString& a : answers) {
      p.question.Answers.push_back(a == u"<cancel>" ? std::nullopt : std::optional<QString>(a));
    }
    p.page.AddCategory();
    QCOMPARE(int(p.question.Asked.size()), asks);
    QCOMPARE(p.question.Asked.front().Problem, QString());
    for (std::size_t i = 1; i < p.question.Asked.size(); ++i) {
      // Asked again with the reason, and the refused text to mend.
      QCOMPARE(p.question.Asked[i].Problem, CategoryNameProblemText());
      QCOMPARE(p.question.Asked[i].Answer, answers[int(i) - 1]);
    }
    const std::vector<TCategoryRow> rows = p.db.q.ReadCategories();
    QCOMPARE(rows.empty(), created.isEmpty());
    if (!created.isEmpty()) {
      QCOMPARE(rows.front().Name, created);
    }
    QVERIFY(p.Agree());

    // Rename asks the same way; a cancelled rename keeps the old name.
    const std::int32_t id = p.Add(0, QStringLiteral("Keep"));
    p.page.SelectCategoryID(id);
    p.question.Asked.clear();
    p.question.Answers.clear();
    for (const QString& a : answers) {
      p.question.Answers.push_back(a == u"<cancel>" ? std::nullopt : std::optional<QString>(a));
    }
    p.page.RenameCategory();
    QCOMPARE(int(p.question.Asked.size()), asks);
    QCOMPARE(p.db.q.CategoryName(id), created.isEmpty() ? QStringLiteral("Keep") : created);
    QVERIFY(p.Agree());
  }

  // A selection change tells the window once; a click on the selected entry
  // tells it again (the shown category is reloaded); selecting for the
  // history's Back and Forward tells nothing.
  void choosingSignals() {
    TPage p;
    p.page.resize(300, 400);
    p.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.page));
    const std::int32_t a = p.Add(0, QStringLiteral("A"));
    const std::int32_t b = p.Add(0, QStringLiteral("B"));
    const std::int32_t c = p.Add(b, QStringLiteral("C"), true);
    p.page.SelectCategoryID(0);
    QSignalSpy chosen(&p.page, &TfrCategories::categoryChosen);

    p.page.SelectCategoryID(c);
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(p.page.SelectedCategory(), c);

    QTreeWidget* view = p.page.TreeView();
    auto click = [view](std::int32_t id) {
      for (QTreeWidgetItem* item :
           view->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive)) {
        if (item->data(0, Qt::UserRole).toInt() == id) {
          QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                            view->visualItemRect(item).center());
        }
      }
    };
    click(a);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.at(0).at(0).toInt(), a);
    click(a);
    QCOMPARE(chosen.count(), 2);
    click(c);
    QCOMPARE(chosen.count(), 3);
    QCOMPARE(chosen.at(2).at(1).toString(), QStringLiteral("B\\C"));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Up);
    QCOMPARE(chosen.count(), 4);
    QCOMPARE(chosen.at(3).at(0).toInt(), b);
  }

  void actionsFollowTheSelection() {
    TPage p;
    QAction add, sub, rename, remove, clear;
    p.page.SetActions({&add, &sub, &rename, &remove, &clear});
    p.page.FillCategories();
    QVERIFY(!rename.isEnabled() && !remove.isEnabled() && !clear.isEnabled());
    p.question.Answers.push_back(QStringLiteral("Top"));
    add.trigger();
    QCOMPARE(p.page.Tree().Count(), 1);
    QVERIFY(clear.isEnabled() && !rename.isEnabled());
    p.page.SelectCategoryID(p.page.Tree().Children(0).front());
    QVERIFY(rename.isEnabled() && remove.isEnabled());
    p.question.Answers.push_back(QStringLiteral("Sub"));
    sub.trigger();
    QCOMPARE(Layout(p.page.Tree().Items()), QStringLiteral("Top,.Sub"));
    QVERIFY(p.Agree());
    clear.trigger();
    QVERIFY(p.page.Tree().Empty());
    QVERIFY(!clear.isEnabled() && !remove.isEnabled());
    QVERIFY(p.Agree());
  }

  // Rename and Remove follow a mouse click as they follow a selection made
  // in code: the press makes the entry current before it selects it.
  void actionsFollowAMouseClick() {
    TPage p;
    QAction add, sub, rename, remove, clear;
    p.page.SetActions({&add, &sub, &rename, &remove, &clear});
    const std::int32_t a = p.Add(0, QStringLiteral("A"));
    p.Add(0, QStringLiteral("B"));
    p.page.SelectCategoryID(0);
    QVERIFY(!rename.isEnabled() && !remove.isEnabled());
    p.page.resize(300, 400);
    p.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.page));
    QTreeWidget* view = p.page.TreeView();
    QTreeWidgetItem* item = view->topLevelItem(0);
    QCOMPARE(item->data(0, Qt::UserRole).toInt(), a);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(item).center());
    QCOMPARE(p.page.SelectedCategory(), a);
    QVERIFY(rename.isEnabled());
    QVERIFY(remove.isEnabled());
    // A Control click on the selected entry takes the selection away.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      view->visualItemRect(item).center());
    QCOMPARE(p.page.SelectedCategory(), 0);
    QVERIFY(!rename.isEnabled() && !remove.isEnabled());
  }

  // A damaged catalog whose parents loop: the catalog deletes the whole loop
  // with whatever hangs below it, and the page drops exactly what it deleted.
  void removingInALoopOfParents_data() {
    QTest::addColumn<QString>("rows");  // id:parent:name
    QTest::addColumn<int>("remove");
    QTest::addColumn<QString>("layout");  // what stays, in the page and the catalog
    QTest::addColumn<QList<int>>("removed");
    QTest::newRow("two in a loop, the lower one removed")
        << "1:2:A;2:1:B" << 2 << "" << QList<int>{1, 2};
    QTest::newRow("two in a loop, the upper one removed")
        << "1:2:A;2:1:B" << 1 << "" << QList<int>{1, 2};
    QTest::newRow("three in a loop with a branch and a sound tree beside")
        << "1:3:A;2:1:B;3:2:C;4:2:D;5:0:E;6:5:F" << 3 << "E,.F" << QList<int>{1, 2, 3, 4};
    QTest::newRow("a branch of a loop removed alone")
        << "1:2:A;2:1:B;3:2:C;4:3:D" << 3 << "A,.B" << QList<int>{3, 4};
  }
  void removingInALoopOfParents() {
    QFETCH(QString, rows);
    QFETCH(int, remove);
    QFETCH(QString, layout);
    QFETCH(QList<int>, removed);
    TPage p;
    {
      std::lock_guard lock(p.db.locks.DbLock);
      for (const TCategoryRow& row : Rows(rows)) {
        TStatement st(p.db.dm.CurrentSession(),
                      QStringLiteral("INSERT INTO CATEGORIES(ID, NAME, PARENTID) VALUES(:ID, "
                                     ":Name, :ParentID);"));
        st.BindInt(":ID", row.ID).BindText(":Name", row.Name).BindInt(":ParentID", row.ParentID);
        st.Exec();
      }
    }
    const std::int32_t inLoop = p.db.AddFile(QStringLiteral("a.jpg"), remove);
    p.page.FillCategories();
    QSignalSpy gone(&p.page, &TfrCategories::categoriesRemoved);
    p.page.SelectCategoryID(remove);
    QCOMPARE(p.page.SelectedCategory(), remove);
    p.page.RemoveCategory();
    QCOMPARE(Layout(p.page.Tree().Items()), layout);
    QVERIFY(p.Agree());
    QCOMPARE(gone.count(), 1);
    std::vector<std::int32_t> ids = gone.at(0).at(0).value<std::vector<std::int32_t>>();
    std::sort(ids.begin(), ids.end());
    QCOMPARE(QList<int>(ids.begin(), ids.end()), removed);
    QCOMPARE(p.db.CategoryOfFile(inLoop), 0);
  }

  void imageDropTargets() {
    TPage p;
    const std::int32_t a = p.Add(0, QStringLiteral("A"));
    const std::int32_t b = p.Add(0, QStringLiteral("B"));
    QVERIFY(p.page.CanDropImages(a));
    QVERIFY(!p.page.CanDropImages(0));  // empty space
    QVERIFY(!p.page.CanDropImages(4242));
    p.page.SetShownCategory(a);
    QVERIFY(!p.page.CanDropImages(a));  // the category on screen already
    QVERIFY(p.page.CanDropImages(b));
  }

  // A category dropped on an entry moves below it; a drop on one of its own
  // descendants is refused by the tree and changes nothing.
  void droppingACategory() {
    TPage p;
    p.page.resize(300, 400);
    p.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.page));
    const std::int32_t a = p.Add(0, QStringLiteral("A"));
    const std::int32_t b = p.Add(a, QStringLiteral("B"), true);
    const std::int32_t c = p.Add(0, QStringLiteral("C"));
    QTreeWidget* view = p.page.TreeView();
    view->expandAll();
    auto itemOf = [view](std::int32_t id) -> QTreeWidgetItem* {
      for (QTreeWidgetItem* item :
           view->findItems(QStringLiteral("*"), Qt::MatchWildcard | Qt::MatchRecursive)) {
        if (item->data(0, Qt::UserRole).toInt() == id) {
          return item;
        }
      }
      return nullptr;
    };
    auto drop = [view](std::int32_t id, QPoint at) {
      QMimeData mime;
      mime.setData(QStringLiteral("application/x-glimr-category"), QByteArray::number(id));
      QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, {});
      QCoreApplication::sendEvent(view->viewport(), &enter);
      QDragMoveEvent move(at, Qt::MoveAction, &mime, Qt::LeftButton, {});
      QCoreApplication::sendEvent(view->viewport(), &move);
      const bool accepted = move.isAccepted();
      QDropEvent dropped(QPointF(at), Qt::MoveAction, &mime, Qt::LeftButton, {});
      QCoreApplication::sendEvent(view->viewport(), &dropped);
      return accepted && dropped.isAccepted();
    };
    QVERIFY(!drop(a, view->visualItemRect(itemOf(b)).center()));
    QVERIFY(!drop(a, view->visualItemRect(itemOf(a)).center()));
    QVERIFY(drop(a, view->visualItemRect(itemOf(c)).center()));
    QTRY_COMPARE(p.page.Tree().ParentOf(a), c);
    QVERIFY(p.Agree());
    QCOMPARE(Layout(ViewItems(view)), QStringLiteral("C,.A,..B"));
    // Empty space below the entries: back to the top level.
    QVERIFY(drop(b, QPoint(5, view->viewport()->height() - 3)));
    QTRY_COMPARE(p.page.Tree().ParentOf(b), 0);
    QVERIFY(p.Agree());
  }

  // When the catalog refuses a change, the views keep showing what the
  // catalog holds and the failure is reported.
  void refusedWritesChangeNothing() {
    TPage p;
    const std::int32_t a = p.Add(0, QStringLiteral("A"));
    const std::int32_t b = p.Add(0, QStringLiteral("B"));
    {
      std::lock_guard lock(p.db.locks.DbLock);
      for (const char* op : {"INSERT", "UPDATE", "DELETE"}) {
        TStatement(p.db.dm.CurrentSession(),
                   QStringLiteral("CREATE TRIGGER refuse_%1 BEFORE %1 ON CATEGORIES BEGIN "
                                  "SELECT RAISE(ABORT, 'refused'); END;")
                       .arg(QLatin1String(op)))
            .Exec();
      }
    }
    ErrorRecorder errors;
    QSignalSpy changed(&p.page, &TfrCategories::categoriesChanged);
    const QString before = Layout(p.page.Tree().Items());
    QCOMPARE(p.Add(0, QStringLiteral("New")), 0);
    p.page.SelectCategoryID(a);
    p.question.Answers.push_back(QStringLiteral("Renamed"));
    p.page.RenameCategory();
    QVERIFY(!p.page.MoveCategoryTo(a, b));
    p.page.SelectCategoryID(a);
    p.page.RemoveCategory();
    p.page.ClearCategories();
    QCOMPARE(Layout(p.page.Tree().Items()), before);
    QVERIFY(p.Agree());
    QCOMPARE(changed.count(), 0);
    QCOMPARE(errors.messages().size(), 5);
  }

  void dialogPreset_data() {
    QTest::addColumn<QString>("preset");
    QTest::addColumn<bool>("offerNone");
    QTest::addColumn<QString>("selected");  // path of the selected entry, empty for none
    QTest::newRow("full path") << "Travel\\2005\\Alps\\" << false << "Travel\\2005\\Alps\\";
    QTest::newRow("without the last separator") << "Travel\\2006" << false << "Travel\\2006\\";
    QTest::newRow("missing name selects the parent") << "Travel\\2004\\" << false << "Travel\\";
    QTest::newRow("names left below a leaf") << "Home\\Deeper\\" << false << "Home\\";
    QTest::newRow("missing top-level name") << "Work\\" << false << "";
    QTest::newRow("no preset") << "" << true << "";
    QTest::newRow("no categories") << "No Categories" << true << "No Categories\\";
    QTest::newRow("no categories not offered") << "No Categories" << false << "";
  }
  void dialogPreset() {
    QFETCH(QString, preset);
    QFETCH(bool, offerNone);
    QFETCH(QString, selected);
    Db db;
    const std::int32_t travel = db.q.InsertCategory(QStringLiteral("Travel"), 0);
    const std::int32_t y2005 = db.q.InsertCategory(QStringLiteral("2005"), travel);
    db.q.InsertCategory(QStringLiteral("Alps"), y2005);
    db.q.InsertCategory(QStringLiteral("2006"), travel);
    db.q.InsertCategory(QStringLiteral("Home"), 0);

    TdlgCategories dlg(db.q);
    dlg.SetOfferNoCategories(offerNone);
    dlg.SetPresetPath(preset);
    dlg.FormShow();
    QCOMPARE(dlg.OkButton()->isEnabled(), !selected.isEmpty());
    dlg.OkButton()->click();
    QCOMPARE(dlg.result(), selected.isEmpty() ? int(QDialog::Rejected) : int(QDialog::Accepted));
    if (selected == u"No Categories\\") {
      QCOMPARE(dlg.PresetPath(), selected);
      QCOMPARE(dlg.ResultID(), 0);
    } else if (!selected.isEmpty()) {
      QCOMPARE(dlg.PresetPath(), selected);
      QCOMPARE(db.q.CategoryPath(dlg.ResultID()), selected);
    } else {
      QCOMPARE(dlg.ResultID(), 0);
    }
  }

  void dialogLoadsLazily() {
    Db db;
    const std::int32_t travel = db.q.InsertCategory(QStringLiteral("Travel"), 0);
    const std::int32_t y2005 = db.q.InsertCategory(QStringLiteral("2005"), travel);
    db.q.InsertCategory(QStringLiteral("Alps"), y2005);
    db.q.InsertCategory(QStringLiteral("Home"), 0);
    TdlgCategories dlg(db.q);
    dlg.SetOfferNoCategories(true);
    dlg.show();
    QTreeWidget* tree = dlg.TreeView();
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("No Categories"));
    QCOMPARE(tree->topLevelItem(2)->data(0, Qt::UserRole).toInt(), 0);
    QTreeWidgetItem* top = tree->topLevelItem(0);
    // An unread entry with children holds one placeholder without an ID.
    QCOMPARE(top->childCount(), 1);
    QVERIFY(!top->child(0)->data(0, Qt::UserRole).isValid());
    QCOMPARE(tree->topLevelItem(1)->childCount(), 0);
    top->setExpanded(true);
    QCOMPARE(top->childCount(), 1);
    QCOMPARE(top->child(0)->text(0), QStringLiteral("2005"));
    QCOMPARE(top->child(0)->data(0, Qt::UserRole).toInt(), y2005);
    QCOMPARE(top->child(0)->childCount(), 1);
    // Showing again reads the tree afresh.
    db.q.InsertCategory(QStringLiteral("Later"), 0);
    dlg.hide();
    dlg.show();
    QCOMPARE(tree->topLevelItemCount(), 4);
    QVERIFY(!dlg.OkButton()->isEnabled());
    dlg.SelectCategory(QStringLiteral("Later\\"));
    QVERIFY(dlg.OkButton()->isEnabled());
    dlg.OkButton()->click();
    QCOMPARE(db.q.CategoryName(dlg.ResultID()), QStringLiteral("Later"));
  }
};

QTEST_MAIN(TestCategoryViews)
#include "test_categoryviews.moc"
