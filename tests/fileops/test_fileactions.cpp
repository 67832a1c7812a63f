#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <memory>
#include <optional>

#include <mutex>

#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/session.h"
#include "catalog/statement.h"
#include "common/locks.h"
#include "fileops/clipboardlist.h"
#include "fileops/copyfollow.h"
#include "fileops/fileactions.h"
#include "support/privileges.h"
#include "support/shownevents.h"
#include "support/shownfill.h"

using namespace glimr;
using test::State;
using test::Told;

Q_DECLARE_METATYPE(glimr::TCopyOutcome)
Q_DECLARE_METATYPE(glimr::TNameProblem)
Q_DECLARE_METATYPE(glimr::TPermanentDelete)
Q_DECLARE_METATYPE(glimr::TCopyStep)

namespace {

// A folder of images with their catalog rows, shown by name ascending (as a
// folder or, with kind, as a category), and a trash of its own
// ($XDG_DATA_HOME/Trash).
struct Shown {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};
  TShownList shown;
  TClipboardList clipboard;
  QString folder = dir.path() + QStringLiteral("/pics/");
  std::int32_t catalog = 0;

  explicit Shown(TListSource kind = TListSource::Catalog) {
    QDir().mkpath(folder);
    QDir().mkpath(dir.path() + QStringLiteral("/xdg"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + QStringLiteral("/xdg")));
    catalog = q.CatalogIDOfPath(folder);
    shown.SetSort({scName, 2});
    test::ShowGiven(shown, {}, kind, folder);
  }
  ~Shown() {
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  // An image file with a row holding its caption, and its record.
  std::unique_ptr<TImageFileInfo> Make(const QString& name) {
    QFile f(folder + name);
    if (!f.open(QIODevice::WriteOnly) || f.write("image " + name.toUtf8()) <= 0) {
      qFatal("cannot write a test file");
    }
    auto r = std::make_unique<TImageFileInfo>();
    r->FileName = name;
    r->Path = folder;
    r->CatalogID = catalog;
    r->Caption = QStringLiteral("caption of ") + name;
    r->Rating = 4;
    r->ID = q.InsertFileRecord(*r);
    return r;
  }
  // The same, listed at its sorted place.
  TImageFileInfo* Add(const QString& name, bool selected = true) {
    std::vector<TNewEntry> one;
    one.push_back(TNewEntry{folder + name, Make(name)});
    shown.Insert(std::move(one));
    TImageFileInfo* r = shown.Loaded().Find(folder + name);
    r->Selected = selected;
    return r;
  }
  // Shows exactly these records under these keys, every one selected.
  void ShowOnly(std::vector<TNewEntry> entries, TListSource kind = TListSource::Catalog) {
    test::ShowGiven(shown, std::move(entries), kind, folder);
    for (int i = 0; i < shown.Current().Count(); ++i) {
      shown.Current().At(i)->Selected = true;
    }
  }
  // The FILENAME of every row of the folder with its caption, sorted.
  QStringList Rows() {
    QStringList rows;
    for (const auto& r : q.ReadCatalogFiles(catalog)) {
      rows << r->FileName + QLatin1Char('=') + r->Caption;
    }
    rows.sort();
    return rows;
  }
  QStringList Keys(const TFileList& list) const {
    QStringList keys;
    for (int i = 0; i < list.Count(); ++i) {
      keys << list.Key(i).mid(folder.size());
      if (list.At(i)->FullPath() != list.Key(i)) {
        keys << QStringLiteral("(record says %1)").arg(list.At(i)->FullPath());
      }
    }
    return keys;
  }
  QStringList Trashed() const {
    return QDir(dir.path() + QStringLiteral("/xdg/Trash/files")).entryList(QDir::Files);
  }
  QStringList OnDisk() const { return QDir(folder).entryList(QDir::Files); }
};

QString Row(const QString& name) {
  return name + QStringLiteral("=caption of ") + name;
}

QStringList ClipboardPaths(const TClipboardList& c, const QString& folder) {
  QStringList paths;
  for (int i = 0; i < c.Count(); ++i) {
    paths << c.Path(i).mid(folder.size()) + (c.Item(i).Move ? QStringLiteral("(cut)") : QString());
  }
  return paths;
}

// The row of folder/name, if any.
std::optional<TImageFileInfo> RowOf(TCatalogQueries& q, const QString& folder,
                                    const QString& name) {
  TImageFileInfo r;
  r.FileName = name;
  r.Path = folder;
  r.CatalogID = q.CatalogIDOfPath(folder);
  if (!q.ReadFileRecord(r)) {
    return std::nullopt;
  }
  return r;
}

// A move of pics/a.jpg (rated 3, an unsaved caption in its loaded record)
// into another folder, run as the program runs it, in a child process that
// kills itself with SIGKILL at one step. Returns the child's wait status.
int MoveAndKill(const QString& dataDir, const QString& from, const QString& to,
                std::optional<TCopyStep> killAt, bool killAfterRow) {
  const pid_t pid = ::fork();
  if (pid != 0) {
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid ? status : -1;
  }
  // The child: its own catalog connection, no test macros, _exit only.
  TLocks locks;
  TdmVesk dm(dataDir, locks.DbLock);
  TCatalogQueries q(dm);
  auto r = std::make_unique<TImageFileInfo>();
  r->FileName = QStringLiteral("a.jpg");
  r->Path = from;
  r->CatalogID = q.CatalogIDOfPath(from);
  if (!q.ReadFileRecord(*r)) {
    ::_exit(101);
  }
  r->Caption = QStringLiteral("edited");
  r->Modified = true;
  const std::int32_t catalogID = r->CatalogID;
  TShownList shown;
  std::vector<TNewEntry> listed;
  listed.push_back(TNewEntry{from + r->FileName, std::move(r)});
  test::ShowGiven(shown, std::move(listed), TListSource::Catalog, from);
  TClipboardList clipboard;
  TCopyFollower follow(shown, q, clipboard);
  const std::vector<TCopyEntry> entries = {{from + QStringLiteral("a.jpg"), true, catalogID}};
  TCopyHooks hooks;
  hooks.BeforePlace = [&](std::size_t i, const TCopyResult& result) {
    follow.FileDone(entries[i], result);
  };
  hooks.FileDone = [&](std::size_t i, const TCopyResult& result) {
    follow.FileDone(entries[i], result);
    if (killAfterRow) {
      ::raise(SIGKILL);
    }
  };
  hooks.Step = [&](std::size_t, TCopyStep step) {
    if (killAt && step == *killAt) {
      ::raise(SIGKILL);
    }
  };
  TCopyEngine engine(entries, to, TOverwritePolicy::Ask, hooks);
  engine.Run();
  follow.RunEnded(engine.Results());
  ::_exit(engine.Results().at(0).Outcome == TCopyOutcome::Moved ? 0 : 102);
}

}  // namespace

class TestFileActions : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Cut and Copy take the selected images in the list's order with their
  // catalogs; folders are passed over, and nothing selected changes nothing.
  void putSelectedOnClipboard() {
    Shown s;
    s.Add(QStringLiteral("a.jpg"));
    TImageFileInfo* b = s.Add(QStringLiteral("b.jpg"), false);
    std::vector<TNewEntry> folder;
    folder.push_back(
        TNewEntry{s.folder + QStringLiteral(".."), std::make_unique<TImageFileInfo>()});
    folder.back().Record->IsFolder = true;
    folder.back().Record->FileName = QStringLiteral("..");
    s.shown.Insert(std::move(folder));
    s.shown.Loaded().Find(s.folder + QStringLiteral(".."))->Selected = true;
    s.Add(QStringLiteral("c.jpg"));

    s.clipboard.PutSelected(s.shown.Current(), true);
    QCOMPARE(ClipboardPaths(s.clipboard, s.folder),
             QStringList({QStringLiteral("a.jpg(cut)"), QStringLiteral("c.jpg(cut)")}));
    QCOMPARE(s.clipboard.Item(1).CatalogID, s.catalog);

    for (int i = 0; i < s.shown.Current().Count(); ++i) {
      s.shown.Current().At(i)->Selected = s.shown.Current().At(i)->IsFolder;
    }
    s.clipboard.PutSelected(s.shown.Current(), false);
    QCOMPARE(s.clipboard.Count(), 2);  // only a folder selected: unchanged

    b->Selected = true;
    s.clipboard.PutSelected(s.shown.Current(), false);
    QCOMPARE(ClipboardPaths(s.clipboard, s.folder), QStringList({QStringLiteral("b.jpg")}));

    const TPasteRequest request = s.clipboard.PasteRequest(QStringLiteral("/dest"));
    QCOMPARE(request.DestinationFolder, QStringLiteral("/dest/"));
    QCOMPARE(request.Entries.size(), size_t{1});
    QCOMPARE(request.Entries[0].Source, s.folder + QStringLiteral("b.jpg"));
    QCOMPARE(request.Entries[0].Move, false);
    QCOMPARE(request.Entries[0].CatalogID, s.catalog);
  }

  // After a paste a cut entry leaves once the run settled it; one the run
  // never finished stays to be pasted again; copy entries always stay.
  void pasteDone_data() {
    QTest::addColumn<TCopyOutcome>("outcome");
    QTest::addColumn<bool>("cutStays");
    QTest::newRow("moved") << TCopyOutcome::Moved << false;
    QTest::newRow("skipped") << TCopyOutcome::Skipped << false;
    QTest::newRow("same file (pasted into its own folder)")
        << TCopyOutcome::SkippedSameFile << false;
    QTest::newRow("source vanished") << TCopyOutcome::SkippedMissing << false;
    QTest::newRow("failed") << TCopyOutcome::Failed << true;
    QTest::newRow("cancelled") << TCopyOutcome::Cancelled << true;
    QTest::newRow("not reached") << TCopyOutcome::NotReached << true;
  }
  void pasteDone() {
    QFETCH(TCopyOutcome, outcome);
    QFETCH(bool, cutStays);
    Shown s;
    s.Add(QStringLiteral("a.jpg"));
    s.Add(QStringLiteral("b.jpg"), false);
    s.clipboard.PutSelected(s.shown.Current(), true);
    TClipboardList copied;
    copied.PutSelected(s.shown.Current(), false);
    std::vector<TCopyResult> results(1);
    results[0].Source = s.folder + QStringLiteral("a.jpg");
    results[0].Outcome = outcome;
    s.clipboard.PasteDone(results);
    copied.PasteDone(results);
    QCOMPARE(s.clipboard.Count(), cutStays ? 1 : 0);
    QCOMPARE(copied.Count(), 1);
  }

  // Selected files go to the trash; then, and only then, their rows, list
  // entries and clipboard entries go. The others keep everything.
  void deleteToTrash() {
    Shown s;
    s.Add(QStringLiteral("a.jpg"));
    s.Add(QStringLiteral("b.jpg"), false);
    s.Add(QStringLiteral("c 'quoted'\n.jpg"));
    s.clipboard.PutSelected(s.shown.Loaded(), true);
    s.shown.EditRows({1}, efCaption,
                     [](TImageFileInfo& r) { r.Caption = QStringLiteral("edited"); });
    s.shown.PendingWrites().Put(*s.shown.Loaded().At(0));
    s.shown.PendingWrites().Put(*s.shown.Loaded().At(1));
    QStringList goneSeen;
    TFileActionHooks hooks;
    hooks.FileGone = [&](const QString& path) { goneSeen << path.mid(s.folder.size()); };
    hooks.AskDeletePermanently = [](const QString&) { return TPermanentDelete::DeleteAll; };

    const auto results = DeleteSelectedFiles(s.shown, s.q, s.clipboard, hooks);

    QCOMPARE(results.size(), size_t{2});
    for (const auto& r : results) {
      QCOMPARE(r.Outcome, TDeleteOutcome::Trashed);
    }
    QCOMPARE(s.OnDisk(), QStringList({QStringLiteral("b.jpg")}));
    QCOMPARE(s.Trashed().size(), 2);
    QCOMPARE(goneSeen, QStringList({QStringLiteral("a.jpg"), QStringLiteral("c 'quoted'\n.jpg")}));
    QCOMPARE(s.Rows(), QStringList({Row(QStringLiteral("b.jpg"))}));
    QCOMPARE(s.Keys(s.shown.Loaded()), QStringList({QStringLiteral("b.jpg")}));
    QCOMPARE(s.Keys(s.shown.Current()), QStringList({QStringLiteral("b.jpg")}));
    QVERIFY(s.shown.Loaded().At(0)->Modified);
    QCOMPARE(s.clipboard.Count(), 0);
    QVERIFY(!s.shown.PendingWrites().Find(s.folder + QStringLiteral("a.jpg")));
    QVERIFY(s.shown.PendingWrites().Find(s.folder + QStringLiteral("b.jpg")));
    QVERIFY(!QFileInfo::exists(QStringLiteral("files")));  // nothing trashed beside us
  }

  // Where no trash takes a file, the user is asked; a kept file keeps its
  // row, its entry and its selection.
  void deleteWithoutTrash_data() {
    QTest::addColumn<QList<TPermanentDelete>>("answers");
    QTest::addColumn<int>("questions");
    QTest::addColumn<QStringList>("left");
    using P = TPermanentDelete;
    QTest::newRow("keep both") << QList<P>{P::Keep, P::Keep} << 2
                               << QStringList{"a.jpg", "b.jpg", "c.jpg"};
    QTest::newRow("delete one") << QList<P>{P::Delete, P::Keep} << 2
                                << QStringList{"b.jpg", "c.jpg"};
    QTest::newRow("delete all") << QList<P>{P::DeleteAll} << 1 << QStringList{"b.jpg"};
    QTest::newRow("keep all") << QList<P>{P::KeepAll} << 1
                              << QStringList{"a.jpg", "b.jpg", "c.jpg"};
  }
  void deleteWithoutTrash() {
    QFETCH(QList<TPermanentDelete>, answers);
    QFETCH(int, questions);
    QFETCH(QStringList, left);
    Shown s;
    // A data folder that is a file: no home trash can be made.
    QFile blocker(s.dir.path() + QStringLiteral("/nodata"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker.fileName()));
    s.Add(QStringLiteral("a.jpg"));
    s.Add(QStringLiteral("b.jpg"), false);
    s.Add(QStringLiteral("c.jpg"));
    int asked = 0;
    TFileActionHooks hooks;
    hooks.AskDeletePermanently = [&](const QString&) {
      return answers.value(asked++, TPermanentDelete::Keep);
    };
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(s.folder);
    const auto results = DeleteSelectedFiles(s.shown, s.q, s.clipboard, hooks);
    QDir::setCurrent(cwd);

    QCOMPARE(asked, questions);
    QCOMPARE(s.OnDisk(), left);
    QStringList rows;
    for (const QString& name : left) {
      rows << Row(name);
    }
    QCOMPARE(s.Rows(), rows);
    QCOMPARE(s.Keys(s.shown.Loaded()), left);
    QCOMPARE(s.Keys(s.shown.Current()), left);
    for (const auto& r : results) {
      const bool stayed = left.contains(r.Path.mid(s.folder.size()));
      QCOMPARE(r.Outcome, stayed ? TDeleteOutcome::Declined : TDeleteOutcome::DeletedPermanently);
      if (stayed) {
        QVERIFY(s.shown.Current().Find(r.Path)->Selected);
      }
    }
  }

  // A file the system will not delete keeps its row and entry, and the
  // result says why; the other file of the run goes.
  void deleteRefused() {
    GLIMR_WITHOUT_FILE_CAPABILITIES();
    Shown s;
    std::vector<TNewEntry> entries;
    entries.push_back(TNewEntry{{}, s.Make(QStringLiteral("a.jpg"))});
    const QString other = s.dir.path() + QStringLiteral("/other/");
    QDir().mkpath(other);
    QVERIFY(QFile::rename(s.folder + QStringLiteral("a.jpg"), other + QStringLiteral("a.jpg")));
    entries[0].Key = other + QStringLiteral("a.jpg");
    entries[0].Record->Path = other;
    entries.push_back(
        TNewEntry{s.folder + QStringLiteral("b.jpg"), s.Make(QStringLiteral("b.jpg"))});
    s.ShowOnly(std::move(entries));
    QVERIFY(QFile::setPermissions(s.folder, QFile::ReadOwner | QFile::ExeOwner));
    int asked = 0;
    TFileActionHooks hooks;
    hooks.AskDeletePermanently = [&](const QString&) {
      ++asked;
      return TPermanentDelete::Delete;
    };
    const auto results = DeleteSelectedFiles(s.shown, s.q, s.clipboard, hooks);
    QCOMPARE(results.size(), size_t{2});
    QCOMPARE(results[0].Outcome, TDeleteOutcome::Trashed);
    QCOMPARE(results[1].Outcome, TDeleteOutcome::Failed);
    QCOMPARE(results[1].Reason, QString::fromLocal8Bit(strerror(EACCES)));
    QCOMPARE(asked, 0);
    QCOMPARE(s.OnDisk(), QStringList({QStringLiteral("b.jpg")}));
    QCOMPARE(s.Rows(), QStringList({Row(QStringLiteral("b.jpg"))}));
    QCOMPARE(s.Keys(s.shown.Current()), QStringList({QStringLiteral("b.jpg")}));
    QCOMPARE(s.shown.Loaded().Count(), 1);
  }

  // A file already gone from a folder that is there loses its row; one
  // whose folder is missing (a disk not mounted) keeps it.
  void deleteMissing() {
    Shown s;
    const QString unmounted = s.dir.path() + QStringLiteral("/unmounted/");
    std::vector<TNewEntry> entries;
    entries.push_back(
        TNewEntry{s.folder + QStringLiteral("a.jpg"), s.Make(QStringLiteral("a.jpg"))});
    entries.push_back(
        TNewEntry{unmounted + QStringLiteral("b.jpg"), s.Make(QStringLiteral("b.jpg"))});
    s.ShowOnly(std::move(entries));
    QVERIFY(QFile::remove(s.folder + QStringLiteral("a.jpg")));
    const auto results = DeleteSelectedFiles(s.shown, s.q, s.clipboard);
    QCOMPARE(results[0].Outcome, TDeleteOutcome::AlreadyGone);
    QCOMPARE(results[1].Outcome, TDeleteOutcome::Failed);
    QCOMPARE(s.Rows(), QStringList({Row(QStringLiteral("b.jpg"))}));
    QCOMPARE(s.shown.Current().Count(), 1);
  }

  // The delete for the main window's list leaves every entry in the lists
  // for the view to take out: the gone file's entry selected, a kept file's
  // entry unselected, so the view's removal takes the gone one only.
  void deleteMarkingGone() {
    Shown s;
    QFile blocker(s.dir.path() + QStringLiteral("/nodata"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocker.fileName()));  // no trash
    s.Add(QStringLiteral("a.jpg"));
    s.Add(QStringLiteral("b.jpg"));
    s.Add(QStringLiteral("c.jpg"), false);
    TFileActionHooks hooks;
    hooks.AskDeletePermanently = [&s](const QString& path) {
      return path == s.folder + QStringLiteral("a.jpg") ? TPermanentDelete::Delete
                                                        : TPermanentDelete::Keep;
    };
    const auto results = DeleteSelectedFilesMarkingGone(s.shown, s.q, s.clipboard, hooks);
    QCOMPARE(results.size(), size_t{2});
    QCOMPARE(results[0].Outcome, TDeleteOutcome::DeletedPermanently);
    QCOMPARE(results[1].Outcome, TDeleteOutcome::Declined);
    QCOMPARE(s.OnDisk(), (QStringList{"b.jpg", "c.jpg"}));
    QCOMPARE(s.Rows(), (QStringList{Row("b.jpg"), Row("c.jpg")}));
    QCOMPARE(s.Keys(s.shown.Current()), (QStringList{"a.jpg", "b.jpg", "c.jpg"}));
    QStringList selected;
    for (int i = 0; i < s.shown.Current().Count(); ++i) {
      if (s.shown.Current().At(i)->Selected) {
        selected << s.shown.Current().At(i)->FileName;
      }
    }
    QCOMPARE(selected, QStringList{"a.jpg"});
  }

  // Which entry keeps the focus when the selected images leave the list.
  // Rows: ".." is a folder entry; "*" marks a selected entry.
  void focusAfterRemoval_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("focused");
    QTest::addColumn<QString>("keeps");
    QTest::newRow("the focused one stays") << QStringList{"a", "b*", "c"} << 0 << "a";
    QTest::newRow("the next one takes its place") << QStringList{"a", "b*", "c"} << 1 << "c";
    QTest::newRow("past a run of selected") << QStringList{"a*", "b*", "c*", "d"} << 0 << "d";
    QTest::newRow("the last row goes: the one before") << QStringList{"a", "b", "c*"} << 2 << "b";
    QTest::newRow("a selected folder entry stays") << QStringList{"..*", "a*", "b*"} << 1 << "..";
    QTest::newRow("nothing stays") << QStringList{"a*", "b*"} << 0 << "";
    QTest::newRow("nothing focused") << QStringList{"a", "b*"} << -1 << "";
    QTest::newRow("a focus past the end") << QStringList{"a", "b*"} << 5 << "";
  }
  void focusAfterRemoval() {
    QFETCH(QStringList, rows);
    QFETCH(int, focused);
    QFETCH(QString, keeps);
    TFileList list(true);
    for (QString name : rows) {
      auto* r = new TImageFileInfo;
      r->Selected = name.endsWith(QLatin1Char('*'));
      name.remove(QLatin1Char('*'));
      r->FileName = name;
      r->IsFolder = name == QLatin1String("..");
      list.Append(name, r);
    }
    QCOMPARE(FocusAfterRemoval(list, focused), keeps);
  }

  void checkNewName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<TNameProblem>("problem");
    QTest::newRow("free") << "new name.jpg" << TNameProblem::None;
    QTest::newRow("unchanged") << "a.jpg" << TNameProblem::None;
    QTest::newRow("empty") << "" << TNameProblem::Empty;
    QTest::newRow("slash") << "sub/a.jpg" << TNameProblem::HasSlash;
    QTest::newRow("nul") << QStringLiteral("a") + QChar(0) + QStringLiteral(".jpg")
                         << TNameProblem::HasNul;
    QTest::newRow("dot") << "." << TNameProblem::DotName;
    QTest::newRow("dot dot") << ".." << TNameProblem::DotName;
    QTest::newRow("another file") << "b.jpg" << TNameProblem::Exists;
    QTest::newRow("a folder") << "sub" << TNameProblem::Exists;
    QTest::newRow("a dangling link") << "link" << TNameProblem::Exists;
    QTest::newRow("case differs (case-sensitive disk)") << "B.jpg" << TNameProblem::None;
  }
  void checkNewName() {
    QFETCH(QString, name);
    QFETCH(TNameProblem, problem);
    Shown s;
    s.Add(QStringLiteral("a.jpg"));
    s.Add(QStringLiteral("b.jpg"));
    QDir().mkdir(s.folder + QStringLiteral("sub"));
    QVERIFY(QFile::link(s.folder + QStringLiteral("nowhere"), s.folder + QStringLiteral("link")));
    QCOMPARE(CheckNewName(s.folder, QStringLiteral("a.jpg"), name), problem);
  }

  // The file is renamed on disk, then the clipboard, the lists' keys, the
  // record and its row follow, edits kept; a stale row under the new name
  // gives way, and a copy waiting for the catalog takes the new name.
  void rename() {
    Shown s;
    s.Add(QStringLiteral("a.jpg"));
    TImageFileInfo* b = s.Add(QStringLiteral("b.jpg"));
    s.Add(QStringLiteral("c.jpg"));
    s.clipboard.PutSelected(s.shown.Current(), true);
    TImageFileInfo stale;
    stale.FileName = QStringLiteral("new 'b'.png");
    stale.CatalogID = s.catalog;
    stale.Caption = QStringLiteral("of a file deleted long ago");
    s.q.InsertFileRecord(stale);
    b->Rating = 2;
    b->Modified = true;
    s.shown.PendingWrites().Put(*b);
    QStringList renamed;
    TFileActionHooks hooks;
    hooks.FileRenamed = [&](const QString& from, const QString& to) {
      renamed << from.mid(s.folder.size()) << to.mid(s.folder.size());
    };

    const TRenameResult result = RenameImage(s.shown, s.q, s.clipboard, s.folder + "b.jpg",
                                             QStringLiteral("new 'b'.png"), hooks);
    QVERIFY2(result.Renamed, qPrintable(result.Error));
    QCOMPARE(renamed, QStringList({QStringLiteral("b.jpg"), QStringLiteral("new 'b'.png")}));
    const QStringList order{"a.jpg", "new 'b'.png", "c.jpg"};
    QCOMPARE(s.Keys(s.shown.Loaded()), order);
    QCOMPARE(s.Keys(s.shown.Current()), order);
    QCOMPARE(ClipboardPaths(s.clipboard, s.folder),
             QStringList({"a.jpg(cut)", "new 'b'.png(cut)", "c.jpg(cut)"}));
    QCOMPARE(b->TypeName, QStringLiteral("PNG"));
    QCOMPARE(s.OnDisk(), QStringList({"a.jpg", "c.jpg", "new 'b'.png"}));
    QCOMPARE(s.Rows(), QStringList({Row("a.jpg"), Row("c.jpg"),
                                    QStringLiteral("new 'b'.png=caption of b.jpg")}));
    TImageFileInfo back;
    back.FileName = QStringLiteral("new 'b'.png");
    back.CatalogID = s.catalog;
    QVERIFY(s.q.ReadFileRecord(back));
    QCOMPARE(back.ID, b->ID);
    QCOMPARE(back.Rating, 2);
    QVERIFY(!s.shown.PendingWrites().Find(s.folder + "b.jpg"));
    QVERIFY(s.shown.PendingWrites().Find(s.folder + "new 'b'.png"));
  }

  // A refused name or a rename the system refuses changes nothing at all.
  void renameRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::addColumn<TNameProblem>("problem");
    QTest::newRow("taken") << "c.jpg" << false << TNameProblem::Exists;
    QTest::newRow("empty") << "" << false << TNameProblem::Empty;
    QTest::newRow("slash") << "../b.jpg" << false << TNameProblem::HasSlash;
    QTest::newRow("read-only folder") << "free.jpg" << true << TNameProblem::None;
  }
  void renameRefused() {
    QFETCH(QString, name);
    QFETCH(bool, readOnlyFolder);
    QFETCH(TNameProblem, problem);
    if (readOnlyFolder) {
      GLIMR_WITHOUT_FILE_CAPABILITIES();
    }
    Shown s;
    TImageFileInfo* b = s.Add(QStringLiteral("b.jpg"));
    s.Add(QStringLiteral("c.jpg"));
    s.clipboard.PutSelected(s.shown.Current(), false);
    if (readOnlyFolder) {
      QVERIFY(QFile::setPermissions(s.folder, QFile::ReadOwner | QFile::ExeOwner));
    }
    const TRenameResult result =
        RenameImage(s.shown, s.q, s.clipboard, s.folder + QStringLiteral("b.jpg"), name);
    QVERIFY(!result.Renamed);
    QCOMPARE(result.Problem, problem);
    QCOMPARE(result.Error.isEmpty(), !readOnlyFolder);
    const QStringList files{"b.jpg", "c.jpg"};
    QCOMPARE(s.OnDisk(), files);
    QCOMPARE(s.Keys(s.shown.Loaded()), files);
    QCOMPARE(s.Keys(s.shown.Current()), files);
    QCOMPARE(ClipboardPaths(s.clipboard, s.folder), files);
    QCOMPARE(s.Rows(), QStringList({Row("b.jpg"), Row("c.jpg")}));
    QCOMPARE(b->FileName, QStringLiteral("b.jpg"));
    QCOMPARE(QFile(s.folder + QStringLiteral("c.jpg")).size(), qint64(11));  // "image c.jpg"
  }

  // Pasting into a category assigns it: rows get the category (a file
  // without one gets a row), the images join the list, no file moves and
  // the clipboard stays, cut entries too.
  void pasteIntoCategory() {
    Shown s;
    s.Add(QStringLiteral("a.jpg"));
    s.Add(QStringLiteral("b.jpg"));
    s.Add(QStringLiteral("gone.jpg"));
    QFile freshFile(s.folder + QStringLiteral("fresh.jpg"));
    QVERIFY(freshFile.open(QIODevice::WriteOnly));
    freshFile.write("x");
    freshFile.close();
    std::vector<TNewEntry> unlisted;
    unlisted.push_back(
        TNewEntry{s.folder + QStringLiteral("fresh.jpg"), std::make_unique<TImageFileInfo>()});
    unlisted[0].Record->FileName = QStringLiteral("fresh.jpg");
    unlisted[0].Record->Path = s.folder;
    s.shown.Insert(std::move(unlisted));
    s.shown.Loaded().Find(s.folder + QStringLiteral("fresh.jpg"))->Selected = true;
    s.clipboard.PutSelected(s.shown.Current(), true);
    QVERIFY(QFile::remove(s.folder + QStringLiteral("gone.jpg")));
    const std::int32_t travel = s.q.InsertCategory(QStringLiteral("Travel"), 0);
    // The category shows b already.
    std::vector<TNewEntry> inCategory;
    inCategory.push_back(
        TNewEntry{s.folder + QStringLiteral("b.jpg"), std::make_unique<TImageFileInfo>()});
    inCategory[0].Record->Path = s.folder;
    inCategory[0].Record->FileName = QStringLiteral("b.jpg");
    s.ShowOnly(std::move(inCategory), TListSource::Category);

    QCOMPARE(PasteIntoCategory(s.clipboard, travel, s.shown, s.q), 2);
    // The new entries take their sorted places around the listed one.
    QCOMPARE(s.Keys(s.shown.Loaded()), QStringList({"a.jpg", "b.jpg", "fresh.jpg"}));
    QCOMPARE(s.Keys(s.shown.Current()), QStringList({"a.jpg", "b.jpg", "fresh.jpg"}));
    QCOMPARE(s.shown.Loaded().Find(s.folder + "a.jpg")->Caption,
             QStringLiteral("caption of a.jpg"));
    QStringList inTravel;
    for (const auto& f : s.q.ReadCategoryFiles(travel)) {
      inTravel << f->FileName;
    }
    inTravel.sort();
    QCOMPARE(inTravel, QStringList({"a.jpg", "fresh.jpg"}));
    const TImageFileInfo* fresh = s.shown.Loaded().Find(s.folder + "fresh.jpg");
    QCOMPARE(fresh->CategoryID, travel);
    QVERIFY(fresh->ID > 0);
    QCOMPARE(s.OnDisk(), QStringList({"a.jpg", "b.jpg", "fresh.jpg"}));
    QCOMPARE(s.clipboard.Count(), 4);
  }

  // A copy or move run touches only the entries it changes: files that
  // left the shown folder leave one by one, files that landed in it take
  // their sorted places, and every other entry keeps its place, its
  // selection and the focus (no rebuilt list that would drop them). Shown:
  // c.jpg (selected), e.jpg (focused), g.jpg (selected); other/ holds b, d
  // and h.
  void runKeepsTheOtherEntries_data() {
    QTest::addColumn<bool>("fromShown");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("move");
    QTest::addColumn<bool>("intoShown");
    QTest::addColumn<QStringList>("state");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("copy into another folder")
        << true << QStringList{"c.jpg", "g.jpg"} << false << false
        << QStringList{"c.jpg*", "e.jpg@", "g.jpg*"} << QStringList{};
    QTest::newRow("move into another folder")
        << true << QStringList{"c.jpg", "g.jpg"} << true << false << QStringList{"e.jpg@"}
        << QStringList{"removed 2-2", "removed 0-0", "edited 0-0", "edited 2-2"};
    QTest::newRow("copy into the shown folder")
        << false << QStringList{"b.jpg", "d.jpg", "h.jpg"} << false << true
        << QStringList{"b.jpg", "c.jpg*", "d.jpg", "e.jpg@", "g.jpg*", "h.jpg"}
        << QStringList{"inserted 0-0", "inserted 2-2", "inserted 5-5"};
    QTest::newRow("move into the shown folder")
        << false << QStringList{"d.jpg"} << true << true
        << QStringList{"c.jpg*", "d.jpg", "e.jpg@", "g.jpg*"} << QStringList{"inserted 1-1"};
  }
  void runKeepsTheOtherEntries() {
    QFETCH(bool, fromShown);
    QFETCH(QStringList, names);
    QFETCH(bool, move);
    QFETCH(bool, intoShown);
    QFETCH(QStringList, state);
    QFETCH(QStringList, events);
    Shown s;
    s.Add(QStringLiteral("c.jpg"));
    s.Add(QStringLiteral("e.jpg"), false)->Focused = true;
    s.Add(QStringLiteral("g.jpg"));
    const QString other = s.dir.path() + QStringLiteral("/other/");
    QDir().mkpath(other);
    for (const char* name : {"b.jpg", "d.jpg", "h.jpg"}) {
      QFile f(other + QLatin1String(name));
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(name) > 0);
    }
    const QString archive = s.dir.path() + QStringLiteral("/archive/");
    QDir().mkpath(archive);
    std::vector<TCopyEntry> entries;
    for (const QString& name : names) {
      entries.push_back({(fromShown ? s.folder : other) + name, move, 0});
    }
    Told told(s.shown);

    TCopyFollower follow(s.shown, s.q, s.clipboard);
    TCopyHooks copyHooks;
    copyHooks.FileDone = [&](std::size_t i, const TCopyResult& r) {
      follow.FileDone(entries[i], r);
    };
    copyHooks.BeforePlace = copyHooks.FileDone;
    TCopyEngine engine(entries, intoShown ? s.folder : archive, TOverwritePolicy::Ask, copyHooks);
    engine.Run();
    follow.RunEnded(engine.Results());

    QCOMPARE(follow.RowError(), QString());
    QCOMPARE(State(s.shown), state);
    QCOMPARE(told.Events(), events);
    QCOMPARE(s.Keys(s.shown.Loaded()), s.Keys(s.shown.Current()));
  }

  // A rename gives the entry its new name where it stands: the list is not
  // sorted again and the marks stay.
  void renameKeepsItsRow() {
    Shown s;
    s.Add(QStringLiteral("c.jpg"));
    s.Add(QStringLiteral("e.jpg"), false)->Focused = true;
    s.Add(QStringLiteral("g.jpg"));
    Told told(s.shown);
    const TRenameResult result =
        RenameImage(s.shown, s.q, s.clipboard, s.folder + "c.jpg", QStringLiteral("z.jpg"));
    QVERIFY2(result.Renamed, qPrintable(result.Error));
    QCOMPARE(State(s.shown), QStringList({"z.jpg*", "e.jpg@", "g.jpg*"}));
    QCOMPARE(s.Keys(s.shown.Current()), QStringList({"z.jpg", "e.jpg", "g.jpg"}));
    QCOMPARE(told.Events(), QStringList({"edited 0-0"}));
  }

  // A move carries each file's row to its new place, over a stale row of an
  // older file of that name; the lists, clipboard and hooks follow.
  void moveCarriesRows() {
    Shown s;
    s.Add(QStringLiteral("a.jpg"));
    s.Add(QStringLiteral("b.jpg"));
    s.clipboard.PutSelected(s.shown.Current(), false);
    const QString archive = s.dir.path() + QStringLiteral("/archive/");
    QDir().mkpath(archive);
    QFile old(archive + QStringLiteral("a.jpg"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("older a") > 0);
    old.close();
    const std::int32_t archiveID = s.q.CatalogIDOfPath(archive);
    TImageFileInfo stale;
    stale.FileName = QStringLiteral("a.jpg");
    stale.CatalogID = archiveID;
    stale.Caption = QStringLiteral("stale");
    s.q.InsertFileRecord(stale);

    QStringList gone, replaced;
    TFileActionHooks hooks;
    hooks.FileGone = [&](const QString& p) { gone << p.mid(s.dir.path().size()); };
    hooks.FileReplaced = [&](const QString& p) { replaced << p.mid(s.dir.path().size()); };
    TCopyFollower follow(s.shown, s.q, s.clipboard, hooks);
    std::vector<TCopyEntry> entries = {{s.folder + QStringLiteral("a.jpg"), true, s.catalog},
                                       {s.folder + QStringLiteral("b.jpg"), true, s.catalog}};
    TCopyHooks copyHooks;
    copyHooks.FileDone = [&](std::size_t i, const TCopyResult& r) {
      follow.FileDone(entries[i], r);
    };
    TCopyEngine engine(entries, archive, TOverwritePolicy::Overwrite, copyHooks);
    engine.Run();
    QVERIFY(follow.RunEnded(engine.Results()));

    QCOMPARE(follow.RowError(), QString());
    QCOMPARE(s.Rows(), QStringList());
    QStringList archived;
    for (const auto& r : s.q.ReadCatalogFiles(archiveID)) {
      archived << r->FileName + QLatin1Char('=') + r->Caption;
    }
    archived.sort();
    QCOMPARE(archived, QStringList({Row(QStringLiteral("a.jpg")), Row(QStringLiteral("b.jpg"))}));
    QCOMPARE(s.shown.Loaded().Count(), 0);
    QCOMPARE(s.shown.Current().Count(), 0);
    QVERIFY(s.clipboard.IsEmpty());
    QCOMPARE(gone, QStringList({"/pics/a.jpg", "/pics/b.jpg"}));
    QCOMPARE(replaced, QStringList({"/archive/a.jpg"}));
  }

  // Files that land in the shown folder join its list: a moved one with
  // its row (renamed by the automatic rename), a copy with a row of its own;
  // a copy that overwrote a listed file replaces its record and row.
  void landInShownFolder() {
    Shown s;
    s.Add(QStringLiteral("a.jpg"), false);
    s.Add(QStringLiteral("c.jpg"), false);
    const QString other = s.dir.path() + QStringLiteral("/other/");
    QDir().mkpath(other);
    for (const QString& name : {QStringLiteral("a.jpg"), QStringLiteral("c.jpg")}) {
      QFile f(other + name);
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write("other " + name.toUtf8()) > 0);
      TImageFileInfo row;
      row.FileName = name;
      row.CatalogID = s.q.CatalogIDOfPath(other);
      row.Caption = QStringLiteral("caption of ") + name;
      s.q.InsertFileRecord(row);
    }
    QStringList replaced;
    TFileActionHooks hooks;
    hooks.FileReplaced = [&](const QString& p) { replaced << p.mid(s.folder.size()); };
    TCopyFollower follow(s.shown, s.q, s.clipboard, hooks);
    std::vector<TCopyEntry> entries;
    TCopyHooks copyHooks;
    copyHooks.FileDone = [&](std::size_t i, const TCopyResult& r) {
      follow.FileDone(entries[i], r);
    };

    entries = {{other + QStringLiteral("a.jpg"), true, 0}};
    TCopyEngine move(entries, s.folder, TOverwritePolicy::AutoRename, copyHooks);
    move.Run();
    QVERIFY(follow.RunEnded(move.Results()));
    entries = {{other + QStringLiteral("c.jpg"), false, 0}};
    TCopyEngine copy(entries, s.folder, TOverwritePolicy::Overwrite, copyHooks);
    copy.Run();
    QVERIFY(follow.RunEnded(copy.Results()));

    QCOMPARE(s.Rows(),
             QStringList({"a(0).jpg=caption of a.jpg", "a.jpg=caption of a.jpg", "c.jpg="}));
    QStringList keys = s.Keys(s.shown.Loaded());
    keys.sort();
    QCOMPARE(keys, QStringList({"a(0).jpg", "a.jpg", "c.jpg"}));
    QCOMPARE(s.shown.Loaded().Find(s.folder + QStringLiteral("c.jpg"))->Caption, QString());
    QCOMPARE(replaced, QStringList({"c.jpg"}));
  }

  // The program killed at any step of a move leaves the row where the file
  // is: the row is copied to the destination before the file goes there and
  // leaves its old place only after the file has.
  void killedMoveLeavesRowWithFile_data() {
    QTest::addColumn<bool>("otherFileSystem");
    QTest::addColumn<int>("killAt");  // a TCopyStep, -1 for after the row moved, -2 for none
    for (const bool other : {false, true}) {
      const QByteArray tag(other ? "other fs, " : "same fs, ");
      QTest::newRow(tag + "row copied, file not yet placed")
          << other << int(TCopyStep::BeforePlace);
      QTest::newRow(tag + "file placed") << other << int(TCopyStep::Placed);
      if (other) {
        QTest::newRow(tag + "source removed") << other << int(TCopyStep::SourceRemoved);
      }
      QTest::newRow(tag + "old row removed") << other << -1;
      QTest::newRow(tag + "not killed") << other << -2;
    }
  }
  void killedMoveLeavesRowWithFile() {
    QFETCH(bool, otherFileSystem);
    QFETCH(int, killAt);
    QTemporaryDir dir;
    std::unique_ptr<QTemporaryDir> shm;
    QString to = dir.path() + QStringLiteral("/archive/");
    if (otherFileSystem) {
      struct stat a, b;
      if (::stat("/dev/shm", &b) != 0 ||
          ::stat(QFile::encodeName(dir.path()).constData(), &a) != 0 || a.st_dev == b.st_dev) {
        QSKIP("no second file system at /dev/shm");
      }
      shm = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/glimr-test-XXXXXX"));
      to = shm->path() + QLatin1Char('/');
    }
    const QString from = dir.path() + QStringLiteral("/pics/");
    const QString data = dir.path() + QStringLiteral("/DataBase/");
    QDir().mkpath(from);
    QDir().mkpath(to);
    const QByteArray content(300'000, 'p');
    {
      QFile f(from + QStringLiteral("a.jpg"));
      QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }
    {
      // No catalog connection stays open across the fork.
      TLocks locks;
      TdmVesk dm(data, locks.DbLock);
      TCatalogQueries q(dm);
      TImageFileInfo row;
      row.FileName = QStringLiteral("a.jpg");
      row.CatalogID = q.CatalogIDOfPath(from);
      row.Rating = 3;
      row.Caption = QStringLiteral("saved");
      QVERIFY(q.InsertFileRecord(row) > 0);
      q.CatalogIDOfPath(to);
    }

    const std::optional<TCopyStep> step =
        killAt >= 0 ? std::optional(static_cast<TCopyStep>(killAt)) : std::nullopt;
    const int status = MoveAndKill(data, from, to, step, killAt == -1);
    if (killAt == -2) {
      QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(QString::number(status)));
    } else {
      QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL,
               qPrintable(QString::number(status)));
    }

    TLocks locks;
    TdmVesk dm(data, locks.DbLock);
    TCatalogQueries q(dm);
    int whole = 0;
    for (const QString& folder : {from, to}) {
      QFile f(folder + QStringLiteral("a.jpg"));
      if (!f.open(QIODevice::ReadOnly)) {
        continue;
      }
      QCOMPARE(f.readAll(), content);
      ++whole;
      const std::optional<TImageFileInfo> row = RowOf(q, folder, QStringLiteral("a.jpg"));
      QVERIFY2(row, qPrintable(QStringLiteral("no row beside the file in ") + folder));
      QCOMPARE(row->Rating, 3);
      // The unsaved caption went into the row before the row was copied.
      if (folder == to) {
        QCOMPARE(row->Caption, QStringLiteral("edited"));
      }
    }
    QVERIFY(whole >= 1);
    if (killAt < 0) {
      QCOMPARE(whole, 1);
      QVERIFY(!RowOf(q, from, QStringLiteral("a.jpg")));
    }
  }

  // Run as the program runs it (the row goes ahead), a move over an older
  // file leaves one row at the new place, with the record pointing at it;
  // a move whose file cannot be placed puts back the row it displaced.
  void rowGoesAheadOfTheFile_data() {
    QTest::addColumn<bool>("placeable");
    QTest::newRow("moved") << true;
    QTest::newRow("source folder read-only") << false;
  }
  void rowGoesAheadOfTheFile() {
    QFETCH(bool, placeable);
    if (!placeable) {
      GLIMR_WITHOUT_FILE_CAPABILITIES();
    }
    Shown s(TListSource::Category);  // the moved entry stays listed
    TImageFileInfo* a = s.Add(QStringLiteral("a.jpg"));
    const QString archive = s.dir.path() + QStringLiteral("/archive/");
    QDir().mkpath(archive);
    {
      QFile old(archive + QStringLiteral("a.jpg"));
      QVERIFY(old.open(QIODevice::WriteOnly) && old.write("older a") > 0);
    }
    TImageFileInfo older;
    older.FileName = QStringLiteral("a.jpg");
    older.CatalogID = s.q.CatalogIDOfPath(archive);
    older.Caption = QStringLiteral("older");
    older.Rating = 1;
    QVERIFY(s.q.InsertFileRecord(older) > 0);
    if (!placeable) {
      QVERIFY(::chmod(QFile::encodeName(s.folder).constData(), 0555) == 0);
    }

    TCopyFollower follow(s.shown, s.q, s.clipboard);
    std::vector<TCopyEntry> entries = {{s.folder + QStringLiteral("a.jpg"), true, s.catalog}};
    TCopyHooks copyHooks;
    copyHooks.FileDone = [&](std::size_t i, const TCopyResult& r) {
      follow.FileDone(entries[i], r);
    };
    copyHooks.BeforePlace = copyHooks.FileDone;
    TCopyEngine engine(entries, archive, TOverwritePolicy::Overwrite, copyHooks);
    engine.Run();
    follow.RunEnded(engine.Results());
    QCOMPARE(follow.RowError(), QString());

    const std::optional<TImageFileInfo> there = RowOf(s.q, archive, QStringLiteral("a.jpg"));
    QVERIFY(there);
    if (placeable) {
      QCOMPARE(engine.Results().at(0).Outcome, TCopyOutcome::Moved);
      QCOMPARE(s.Rows(), QStringList());
      QCOMPARE(there->Caption, QStringLiteral("caption of a.jpg"));
      QCOMPARE(there->Rating, 4);
      QCOMPARE(a->ID, there->ID);
      QCOMPARE(a->FullPath(), archive + QStringLiteral("a.jpg"));
      QVERIFY(!a->Modified);
    } else {
      QCOMPARE(engine.Results().at(0).Outcome, TCopyOutcome::Failed);
      QCOMPARE(s.Rows(), QStringList({Row(QStringLiteral("a.jpg"))}));
      QCOMPARE(there->Caption, QStringLiteral("older"));
      QCOMPARE(there->Rating, 1);
      QCOMPARE(a->FullPath(), s.folder + QStringLiteral("a.jpg"));
    }
  }

  // With the catalog refusing writes the files still move; the rows reach
  // their new place from the kept copies once it takes writes again.
  void moveWhileCatalogRefuses() {
    Shown s(TListSource::Category);  // the moved entry stays listed
    s.Add(QStringLiteral("a.jpg"));
    // An edit not written yet travels too.
    s.shown.EditRows({0}, efRating, [](TImageFileInfo& r) { r.Rating = 2; });
    const QString archive = s.dir.path() + QStringLiteral("/archive/");
    QDir().mkpath(archive);
    const std::int32_t archiveID = s.q.CatalogIDOfPath(archive);

    sqlite3_exec(s.dm.CurrentSession().Handle(), "PRAGMA query_only = 1", nullptr, nullptr,
                 nullptr);
    TCopyFollower follow(s.shown, s.q, s.clipboard);
    std::vector<TCopyEntry> entries = {{s.folder + QStringLiteral("a.jpg"), true, s.catalog}};
    TCopyHooks copyHooks;
    copyHooks.FileDone = [&](std::size_t i, const TCopyResult& r) {
      follow.FileDone(entries[i], r);
    };
    TCopyEngine engine(entries, archive, TOverwritePolicy::Ask, copyHooks);
    engine.Run();
    follow.RunEnded(engine.Results());
    QVERIFY(!follow.RowError().isEmpty());
    QVERIFY(QFileInfo::exists(archive + QStringLiteral("a.jpg")));
    QCOMPARE(s.shown.Loaded().Count(), 1);
    QCOMPARE(s.shown.Loaded().Key(0), archive + QStringLiteral("a.jpg"));
    QCOMPARE(s.shown.Loaded().At(0)->FullPath(), archive + QStringLiteral("a.jpg"));
    sqlite3_exec(s.dm.CurrentSession().Handle(), "PRAGMA query_only = 0", nullptr, nullptr,
                 nullptr);

    QVERIFY(s.shown.PendingWrites().WriteAll(s.q));
    QCOMPARE(s.Rows(), QStringList());
    TImageFileInfo read;
    read.CatalogID = archiveID;
    read.FileName = QStringLiteral("a.jpg");
    QVERIFY(s.q.ReadFileRecord(read));
    QCOMPARE(read.Caption, QStringLiteral("caption of a.jpg"));
    QCOMPARE(read.Rating, 2);
  }
};

QTEST_GUILESS_MAIN(TestFileActions)
#include "test_fileactions.moc"
