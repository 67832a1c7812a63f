#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "board/boardactions.h"
#include "board/boardlist.h"
#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/locks.h"
#include "support/shownevents.h"
#include "support/shownfill.h"

using namespace glimr;
using test::State;
using test::Told;

namespace {

TBoardEntry Entry(const QString& path, bool checked = false, std::int32_t catalog = 0) {
  TBoardEntry e;
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  e.Path = path.left(slash + 1);
  e.FileName = path.mid(slash + 1);
  e.CatalogID = catalog;
  e.Checked = checked;
  return e;
}

// Each row as "full path" with a "+" when ticked, checking on the way that
// the lookup finds every row where it is.
QStringList Rows(const TBoardList& board, const QString& base = {}) {
  QStringList rows;
  for (int i = 0; i < board.Count(); ++i) {
    const QString path = board.At(i).FullPath();
    rows << path.mid(base.size()) + (board.At(i).Checked ? QStringLiteral("+") : QString());
    if (board.IndexOf(path) != i) {
      rows << QStringLiteral("(lookup of %1 gives %2)").arg(path).arg(board.IndexOf(path));
    }
  }
  return rows;
}

// A shown folder "pics/" (by name ascending) and another folder "other/"
// with image files and catalog rows that carry captions.
struct Shown {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};
  TShownList shown;
  TBoardList board;
  QString pics = dir.path() + QStringLiteral("/pics/");
  QString other = dir.path() + QStringLiteral("/other/");
  std::int32_t picsID = 0;
  std::int32_t otherID = 0;

  // The list shows pics/ (empty) unless told otherwise; without a known
  // folder it shows none.
  explicit Shown(TListSource kind = TListSource::Catalog, bool folderKnown = true) {
    QDir().mkpath(pics);
    QDir().mkpath(other);
    picsID = q.CatalogIDOfPath(pics);
    otherID = q.CatalogIDOfPath(other);
    shown.SetSort({scName, 2});
    test::ShowGiven(shown, {}, kind, folderKnown ? pics : QString());
  }
  // Lists a record made by the test under its full path.
  TImageFileInfo* List(std::unique_ptr<TImageFileInfo> r) {
    const QString key = r->FullPath();
    std::vector<TNewEntry> one;
    one.push_back(TNewEntry{key, std::move(r)});
    shown.Insert(std::move(one));
    return shown.Loaded().Find(key);
  }

  void Write(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write("image " + path.toUtf8()) <= 0) {
      qFatal("cannot write a test file");
    }
  }
  // A file with a row holding a caption; listed when the folder is shown.
  void AddFile(const QString& folder, const QString& name, bool listed) {
    Write(folder + name);
    auto r = std::make_unique<TImageFileInfo>();
    r->FileName = name;
    r->Path = folder;
    r->CatalogID = folder == pics ? picsID : otherID;
    r->Caption = QStringLiteral("caption of ") + name;
    r->ID = q.InsertFileRecord(*r);
    if (listed) {
      List(std::move(r));
    }
  }
  void AddRow(const QString& path, bool checked) {
    board.Append(Entry(path, checked, path.startsWith(pics) ? picsID : otherID));
  }
  // FILENAME=CAPTION of every row of a catalog, sorted.
  QStringList CatalogRows(std::int32_t catalog) {
    QStringList rows;
    for (const auto& r : q.ReadCatalogFiles(catalog)) {
      rows << r->FileName + QLatin1Char('=') + r->Caption;
    }
    rows.sort();
    return rows;
  }
  QStringList LoadedKeys() const {
    QStringList keys;
    for (int i = 0; i < shown.Loaded().Count(); ++i) {
      keys << shown.Loaded().Key(i).mid(dir.path().size() + 1);
    }
    keys.sort();
    return keys;
  }
};

// Runs the real engine with a fixed answer, noting what it was asked to do.
struct Runner {
  TOverwritePolicy policy = TOverwritePolicy::Overwrite;
  int calls = 0;
  QStringList sources;
  QString folder;
  TBoardCopyRun Run() {
    return [this](const std::vector<TCopyEntry>& entries, const QString& to) {
      ++calls;
      folder = to;
      for (const TCopyEntry& e : entries) {
        sources << QFileInfo(e.Source).fileName() + (e.Move ? QStringLiteral("(move)") : QString());
      }
      TCopyEngine engine(entries, to, policy);
      engine.Run();
      return engine.Results();
    };
  }
};

}  // namespace

class TestBoard : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Rows are keyed by the exact path: no duplicates, a.jpg and A.jpg are
  // two rows; removals and renames keep every other row with its path.
  void boardList() {
    TBoardList b;
    QVERIFY(b.Append(Entry("/p/a.jpg", true)));
    QVERIFY(b.Append(Entry("/p/A.jpg")));
    QVERIFY(!b.Append(Entry("/p/a.jpg")));
    QVERIFY(b.Append(Entry("/p/c.jpg", true)));
    QVERIFY(b.Append(Entry("/q/d.png")));
    QCOMPARE(Rows(b), QStringList({"/p/a.jpg+", "/p/A.jpg", "/p/c.jpg+", "/q/d.png"}));

    QVERIFY(b.Rename("/p/a.jpg", "/p/b.jpg"));
    QVERIFY(!b.Rename("/p/x.jpg", "/p/y.jpg"));
    QCOMPARE(Rows(b), QStringList({"/p/b.jpg+", "/p/A.jpg", "/p/c.jpg+", "/q/d.png"}));
    QCOMPARE(b.At(0).FileName, QStringLiteral("b.jpg"));
    QVERIFY(!b.Contains("/p/a.jpg"));

    // A row already under the new name named a file that is gone.
    QVERIFY(b.Rename("/p/c.jpg", "/p/A.jpg"));
    QCOMPARE(Rows(b), QStringList({"/p/b.jpg+", "/p/A.jpg+", "/q/d.png"}));

    // To another folder the catalog is unknown; to another type the icon.
    TBoardEntry typed = Entry("/q/e.jpg", false, 7);
    typed.ExtIndex = 3;
    b.Append(typed);
    QVERIFY(b.Rename("/q/e.jpg", "/r/e.JPG"));
    QCOMPARE(b.At(3).CatalogID, 0);
    QCOMPARE(b.At(3).ExtIndex, 3);
    QVERIFY(b.Rename("/r/e.JPG", "/r/e.png"));
    QCOMPARE(b.At(3).ExtIndex, -1);

    QVERIFY(b.Remove("/p/A.jpg"));
    QVERIFY(!b.Remove("/p/A.jpg"));
    b.RemoveRows({2, 0, 2, 9, -1});
    QCOMPARE(Rows(b), QStringList({"/q/d.png"}));
    b.Clear();
    QVERIFY(b.IsEmpty());
    QVERIFY(b.Append(Entry("/q/d.png")));
  }

  // The tick operations of the tool bar on the list itself.
  void checks() {
    TBoardList b;
    for (const char* p : {"/p/0.jpg", "/p/1.jpg", "/p/2.jpg", "/p/3.jpg"}) {
      b.Append(Entry(QString::fromLatin1(p)));
    }
    b.SetChecked({1, 3, 8}, true);
    QCOMPARE(b.CheckedRows(), std::vector<int>({1, 3}));
    b.InvertChecks();
    QCOMPARE(b.CheckedRows(), std::vector<int>({0, 2}));
    b.CheckAll(true);
    QCOMPARE(b.CheckedRows().size(), size_t{4});
    b.SetChecked({0, 2}, false);
    QCOMPARE(b.CheckedRows(), std::vector<int>({1, 3}));
    b.CheckAll(false);
    QVERIFY(b.CheckedRows().empty());
  }

  // Copy To ImageBoard takes the selected images (never folder entries),
  // adds each once, and leaves exactly the images just taken ticked.
  void copySelectedToBoard() {
    TFileList files(true);
    auto add = [&](const QString& path, bool selected, bool folder = false) {
      auto* r = new TImageFileInfo;
      r->Path = path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
      r->FileName = path.mid(r->Path.size());
      r->Selected = selected;
      r->IsFolder = folder;
      r->CatalogID = 5;
      r->ExtIndex = 2;
      files.Append(path, r);
    };
    add("/p/..", true, true);
    add("/p/a.jpg", true);
    add("/p/b.jpg", false);
    add("/p/c.jpg", true);
    TBoardList b;
    b.Append(Entry("/q/old.jpg", true));

    QVERIFY(CopySelectedToBoard(b, files));
    QCOMPARE(Rows(b), QStringList({"/q/old.jpg", "/p/a.jpg+", "/p/c.jpg+"}));
    QCOMPARE(b.At(1).CatalogID, 5);
    QCOMPARE(b.At(1).ExtIndex, 2);
    QCOMPARE(b.At(1).Path, QStringLiteral("/p/"));

    for (int i = 0; i < files.Count(); ++i) {
      files.At(i)->Selected =
          files.Key(i) == QStringLiteral("/p/c.jpg") || files.Key(i) == QStringLiteral("/p/b.jpg");
    }
    QVERIFY(CopySelectedToBoard(b, files));
    QCOMPARE(Rows(b), QStringList({"/q/old.jpg", "/p/a.jpg", "/p/c.jpg+", "/p/b.jpg+"}));

    // Nothing selected: nothing changes, ticks included.
    for (int i = 0; i < files.Count(); ++i) {
      files.At(i)->Selected = false;
    }
    QVERIFY(!CopySelectedToBoard(b, files));
    QCOMPARE(Rows(b), QStringList({"/q/old.jpg", "/p/a.jpg", "/p/c.jpg+", "/p/b.jpg+"}));
  }

  // Pasting into the shown folder copies the ticked files in row order; the
  // copies join the list with rows of default values, a copy over a listed
  // file resets its record and row, a file deleted meanwhile is passed
  // over, and the board keeps its rows and ticks.
  void pasteIntoFolder() {
    Shown s;
    s.AddFile(s.pics, "x.jpg", true);
    s.AddFile(s.other, "b.jpg", false);
    s.AddFile(s.other, "x.jpg", false);
    s.AddFile(s.other, "gone.jpg", false);
    s.AddFile(s.other, "unticked.jpg", false);
    s.AddRow(s.other + "b.jpg", true);
    s.AddRow(s.other + "unticked.jpg", false);
    s.AddRow(s.other + "gone.jpg", true);
    s.AddRow(s.other + "x.jpg", true);
    QVERIFY(QFile::remove(s.other + "gone.jpg"));
    const QStringList boardBefore = Rows(s.board);

    QStringList replaced;
    TFileActionHooks hooks;
    hooks.FileReplaced = [&](const QString& p) { replaced << QFileInfo(p).fileName(); };
    hooks.ExtensionIndex = [](const QString&) { return 4; };
    Runner runner;
    const TBoardPasteResult result = PasteBoard(s.board, s.shown, s.q, 0, runner.Run(), hooks);

    QCOMPARE(result.RowError, QString());
    QCOMPARE(runner.sources, QStringList({"b.jpg", "gone.jpg", "x.jpg"}));
    QCOMPARE(runner.folder, s.pics);
    QCOMPARE(s.CatalogRows(s.picsID), QStringList({"b.jpg=", "x.jpg="}));
    QCOMPARE(s.LoadedKeys(), QStringList({"pics/b.jpg", "pics/x.jpg"}));
    QCOMPARE(s.shown.Current().Count(), 2);
    const TImageFileInfo* b = s.shown.Loaded().Find(s.pics + "b.jpg");
    QCOMPARE(b->CatalogID, s.picsID);
    QVERIFY(b->ID > 0);
    QCOMPARE(b->ExtIndex, 4);
    QCOMPARE(b->SlotWidth, 2.0);
    QCOMPARE(b->TypeName, QStringLiteral("JPG"));
    QCOMPARE(b->FileSize, static_cast<std::int64_t>(QFileInfo(s.pics + "b.jpg").size()));
    QCOMPARE(s.shown.Loaded().Find(s.pics + "x.jpg")->Caption, QString());
    QCOMPARE(replaced, QStringList({"x.jpg"}));
    // The sources keep their rows.
    QCOMPARE(s.CatalogRows(s.otherID).size(), 4);
    QCOMPARE(Rows(s.board), boardBefore);
  }

  // A paste that cannot do anything runs no copy and changes no entry.
  void pasteDoesNothing_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<bool>("folderKnown");
    QTest::newRow("nothing ticked") << int(TListSource::Catalog) << false << true;
    QTest::newRow("no current folder") << int(TListSource::Catalog) << true << false;
    QTest::newRow("search results") << int(TListSource::Search) << true << true;
    QTest::newRow("no category selected") << int(TListSource::Category) << true << true;
  }
  void pasteDoesNothing() {
    QFETCH(int, source);
    QFETCH(bool, ticked);
    QFETCH(bool, folderKnown);
    Shown s(static_cast<TListSource>(source), folderKnown);
    s.AddFile(s.other, "a.jpg", false);
    s.AddRow(s.other + "a.jpg", ticked);
    Told told(s.shown);
    Runner runner;
    PasteBoard(s.board, s.shown, s.q, 0, runner.Run());
    QCOMPARE(runner.calls, 0);
    QCOMPARE(s.shown.Loaded().Count(), 0);
    PasteBoard(TBoardList(), s.shown, s.q, 1, runner.Run());
    QCOMPARE(told.Events(), QStringList());
  }

  // Pasting into the folder the image comes from asks the overwrite
  // question (the destination is the file itself) and changes nothing.
  void pasteIntoOwnFolder() {
    Shown s;
    s.AddFile(s.pics, "x.jpg", true);
    s.AddRow(s.pics + "x.jpg", true);
    int asked = 0;
    TBoardCopyRun run = [&](const std::vector<TCopyEntry>& entries, const QString& to) {
      TCopyHooks hooks;
      hooks.AskOverwrite = [&](const QString&, const QString&) {
        ++asked;
        return TOverwriteReply{TOverwriteAnswer::Overwrite, false};
      };
      TCopyEngine engine(entries, to, TOverwritePolicy::Ask, hooks);
      engine.Run();
      return engine.Results();
    };
    QCOMPARE(PasteBoard(s.board, s.shown, s.q, 0, run).RowError, QString());
    QCOMPARE(asked, 1);
    QCOMPARE(s.CatalogRows(s.picsID), QStringList({"x.jpg=caption of x.jpg"}));
    QCOMPARE(s.shown.Loaded().At(0)->Caption, QStringLiteral("caption of x.jpg"));
    QCOMPARE(QDir(s.pics).entryList(QDir::Files), QStringList({"x.jpg"}));
  }

  // A paste touches only the entries it adds: they take their sorted places
  // one by one, and the entries that were there keep their order, their
  // selection and the focus (no rebuilt list that would drop them).
  void pasteKeepsTheOtherEntries_data() {
    QTest::addColumn<bool>("intoCategory");
    QTest::newRow("into the shown folder") << false;
    QTest::newRow("into the shown category") << true;
  }
  void pasteKeepsTheOtherEntries() {
    QFETCH(bool, intoCategory);
    Shown s(intoCategory ? TListSource::Category : TListSource::Catalog, !intoCategory);
    const std::int32_t travel = s.q.InsertCategory(QStringLiteral("Travel"), 0);
    // Listed: c (selected), e (focused), g (selected), from the shown
    // folder or, for the category, from another one.
    const QString listedFrom = intoCategory ? s.other : s.pics;
    for (const char* name : {"c.jpg", "e.jpg", "g.jpg"}) {
      s.AddFile(listedFrom, QString::fromLatin1(name), true);
    }
    s.shown.Loaded().Find(listedFrom + "c.jpg")->Selected = true;
    s.shown.Loaded().Find(listedFrom + "e.jpg")->Focused = true;
    s.shown.Loaded().Find(listedFrom + "g.jpg")->Selected = true;
    for (const char* name : {"b.jpg", "d.jpg", "h.jpg"}) {
      s.AddFile(s.other, QString::fromLatin1(name), false);
      s.AddRow(s.other + QString::fromLatin1(name), true);
    }
    Told told(s.shown);

    Runner runner;
    PasteBoard(s.board, s.shown, s.q, intoCategory ? travel : 0, runner.Run());

    QCOMPARE(State(s.shown),
             QStringList({"b.jpg", "c.jpg*", "d.jpg", "e.jpg@", "g.jpg*", "h.jpg"}));
    QCOMPARE(told.Events(), QStringList({"inserted 0-0", "inserted 2-2", "inserted 5-5"}));
  }

  // Pasting while a category is shown gives the ticked images the category
  // and lists them as their rows read; images listed already are left
  // alone, deleted files are passed over, no file is copied.
  void pasteIntoCategory() {
    Shown s(TListSource::Category, false);
    const std::int32_t travel = s.q.InsertCategory(QStringLiteral("Travel"), 0);
    s.AddFile(s.other, "a.jpg", false);
    s.AddFile(s.other, "listed.jpg", false);
    s.AddFile(s.other, "gone.jpg", false);
    s.AddFile(s.other, "unticked.jpg", false);
    s.Write(s.other + "fresh.jpg");  // no row yet
    for (const char* name : {"a.jpg", "listed.jpg", "gone.jpg", "fresh.jpg"}) {
      s.AddRow(s.other + name, true);
    }
    s.AddRow(s.other + "unticked.jpg", false);
    QVERIFY(QFile::remove(s.other + "gone.jpg"));
    auto shownListed = std::make_unique<TImageFileInfo>();
    shownListed->Path = s.other;
    shownListed->FileName = QStringLiteral("listed.jpg");
    const TImageFileInfo* listed = s.List(std::move(shownListed));
    const QStringList boardBefore = Rows(s.board);

    Runner runner;
    QCOMPARE(PasteBoard(s.board, s.shown, s.q, travel, runner.Run()).RowError, QString());
    QCOMPARE(runner.calls, 0);
    QStringList inTravel;
    for (const auto& f : s.q.ReadCategoryFiles(travel)) {
      inTravel << f->FileName;
    }
    inTravel.sort();
    QCOMPARE(inTravel, QStringList({"a.jpg", "fresh.jpg"}));
    QCOMPARE(s.LoadedKeys(), QStringList({"other/a.jpg", "other/fresh.jpg", "other/listed.jpg"}));
    const TImageFileInfo* a = s.shown.Loaded().Find(s.other + "a.jpg");
    QCOMPARE(a->Caption, QStringLiteral("caption of a.jpg"));
    QCOMPARE(a->CategoryID, travel);
    QCOMPARE(listed->CategoryID, 0);
    QCOMPARE(QDir(s.other).entryList(QDir::Files).size(), 4);
    QCOMPARE(Rows(s.board), boardBefore);
  }
};

QTEST_GUILESS_MAIN(TestBoard)
#include "test_board.moc"
