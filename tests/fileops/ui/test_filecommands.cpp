#include <QAction>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/locks.h"
#include "fileops/ui/filecommands.h"
#include "support/shownfill.h"

using namespace glimr;

namespace {

// A folder pics/ with c.jpg, e.jpg and g.jpg and their rows, shown by name
// ascending, with the file commands on their own actions and services that
// run the copy engine without a window.
struct Commands {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};
  TShownList shown;
  TClipboardList clipboard;
  QString pics = dir.path() + QStringLiteral("/pics/");
  QString archive = dir.path() + QStringLiteral("/archive/");
  std::int32_t category = 0;
  QAction copyTo, moveTo, cut, copy, paste, remove, rename;
  std::unique_ptr<TFileCommands> commands;
  QStringList dropped;          // thumbnails dropped, by file name
  std::optional<QString> name;  // the answer to the new name question

  explicit Commands(TListSource kind = TListSource::Catalog) {
    QDir().mkpath(pics);
    QDir().mkpath(archive);
    QDir().mkpath(dir.path() + QStringLiteral("/xdg"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path() + QStringLiteral("/xdg")));
    category = q.InsertCategory(QStringLiteral("Travel"), 0);
    std::vector<TNewEntry> entries;
    for (const char* file : {"c.jpg", "e.jpg", "g.jpg"}) {
      QFile f(pics + QLatin1String(file));
      if (!f.open(QIODevice::WriteOnly) || f.write(file) <= 0) {
        qFatal("cannot write a test file");
      }
      auto r = std::make_unique<TImageFileInfo>();
      r->FileName = QLatin1String(file);
      r->Path = pics;
      r->CatalogID = q.CatalogIDOfPath(pics);
      r->CategoryID = category;
      r->ID = q.InsertFileRecord(*r);
      entries.push_back(TNewEntry{pics + QLatin1String(file), std::move(r)});
    }
    shown.SetCatalog(&q);
    shown.SetSort({scName, 2});
    test::ShowGiven(shown, std::move(entries), kind, pics);

    TFileCommands::THost host;
    host.SelectedCategory = [this] { return category; };
    host.AskNewName = [this](const QString&) { return name; };
    commands = std::make_unique<TFileCommands>(
        shown, TFileCommandActions{&copyTo, &moveTo, &cut, &copy, &paste, &remove, &rename},
        clipboard, host);
    TFileServices services;
    services.ChooseDestination = [this](bool) {
      return std::optional(TCopyDestination{archive, TOverwritePolicy::Ask});
    };
    services.RunCopy = [](std::vector<TCopyEntry> entries, const QString& folder,
                          TOverwritePolicy policy,
                          std::function<void(std::size_t, const TCopyResult&)> fileDone) {
      TCopyHooks hooks;
      hooks.FileDone = fileDone;
      hooks.BeforePlace = fileDone;
      TCopyEngine engine(std::move(entries), folder, policy, hooks);
      engine.Run();
      return engine.Results();
    };
    services.DropThumbnail = [this](const QString& path) { dropped << NameOf(path); };
    commands->Attach(q, services);
  }
  ~Commands() { shown.FlushAndClear(); }

  static QString NameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
  }
  // Sets the marks: the named entries selected, focused the one named.
  void Mark(const QStringList& selected, const QString& focused) {
    for (int i = 0; i < shown.Current().Count(); ++i) {
      TImageFileInfo* r = shown.Current().At(i);
      r->Selected = selected.contains(r->FileName);
      r->Focused = r->FileName == focused;
    }
  }
  // The shown entries by file name, "*" after a selected one, "@" after
  // the focused one.
  QStringList State() const {
    QStringList state;
    for (int i = 0; i < shown.Current().Count(); ++i) {
      const TImageFileInfo* r = shown.Current().At(i);
      state << r->FileName + (r->Selected ? QStringLiteral("*") : QString()) +
                   (r->Focused ? QStringLiteral("@") : QString());
    }
    return state;
  }
};

// The first argument of every emission, as a file name.
QStringList Names(const QSignalSpy& spy, int argument = 0) {
  QStringList names;
  for (const QList<QVariant>& args : spy) {
    names << Commands::NameOf(args.at(argument).toString());
  }
  return names;
}

}  // namespace

class TestFileCommands : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // The actions work once the catalog and the services are attached.
  void attachEnables() {
    Commands c;
    QVERIFY(c.remove.isEnabled());
    c.commands->Detach();
    for (QAction* a : {&c.copyTo, &c.moveTo, &c.cut, &c.copy, &c.paste, &c.remove, &c.rename}) {
      QVERIFY(!a->isEnabled());
    }
    c.Mark({"c.jpg"}, "c.jpg");
    c.commands->DeleteSelected();
    QCOMPARE(c.State(), QStringList({"c.jpg*@", "e.jpg", "g.jpg"}));
  }

  // Delete in a folder: the deleted entries leave one run at a time, the
  // focus goes to the entry that took the focused one's place, nothing
  // stays selected, and each gone file is told of and loses its thumbnail.
  void deleteInFolder() {
    Commands c;
    c.Mark({"c.jpg", "e.jpg"}, "e.jpg");
    QSignalSpy gone(c.commands.get(), &TFileCommands::fileGone);
    QSignalSpy removed(&c.shown, &TShownList::rowsRemoved);
    QSignalSpy rebuilt(&c.shown, &TShownList::sourceChanged);
    c.remove.trigger();
    QCOMPARE(c.State(), QStringList({"g.jpg@"}));
    QCOMPARE(QDir(c.pics).entryList(QDir::Files), QStringList({"g.jpg"}));
    QCOMPARE(Names(gone), QStringList({"c.jpg", "e.jpg"}));
    QCOMPARE(c.dropped, QStringList({"c.jpg", "e.jpg"}));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(rebuilt.count(), 0);
  }

  // Delete in a category: the images leave the list and the category, and
  // their files stay.
  void deleteInCategory() {
    Commands c(TListSource::Category);
    c.Mark({"e.jpg"}, "e.jpg");
    QSignalSpy gone(c.commands.get(), &TFileCommands::fileGone);
    c.remove.trigger();
    QCOMPARE(c.State(), QStringList({"c.jpg", "g.jpg"}));
    QCOMPARE(QDir(c.pics).entryList(QDir::Files).size(), 3);
    QStringList inCategory;
    for (const auto& r : c.q.ReadCategoryFiles(c.category)) {
      inCategory << r->FileName;
    }
    inCategory.sort();
    QCOMPARE(inCategory, QStringList({"c.jpg", "g.jpg"}));
    QCOMPARE(gone.count(), 0);
  }

  // Copy and Move to Folder touch only the entries they change: a copy
  // leaves the list as it was, a move takes the moved entries out; the
  // others keep their marks and the list is not rebuilt.
  void copyMoveKeepsTheOthers_data() {
    QTest::addColumn<bool>("move");
    QTest::addColumn<QStringList>("state");
    QTest::addColumn<QStringList>("gone");
    QTest::newRow("copy") << false << QStringList{"c.jpg*", "e.jpg@", "g.jpg*"} << QStringList{};
    QTest::newRow("move") << true << QStringList{"e.jpg@"} << QStringList{"c.jpg", "g.jpg"};
  }
  void copyMoveKeepsTheOthers() {
    QFETCH(bool, move);
    QFETCH(QStringList, state);
    QFETCH(QStringList, gone);
    Commands c;
    c.Mark({"c.jpg", "g.jpg"}, "e.jpg");
    QSignalSpy told(c.commands.get(), &TFileCommands::fileGone);
    QSignalSpy rebuilt(&c.shown, &TShownList::sourceChanged);
    (move ? c.moveTo : c.copyTo).trigger();
    QCOMPARE(QDir(c.archive).entryList(QDir::Files), QStringList({"c.jpg", "g.jpg"}));
    QCOMPARE(c.State(), state);
    QCOMPARE(Names(told), gone);
    QCOMPARE(rebuilt.count(), 0);
  }

  // Rename: the entry keeps its row and marks under the new name, and the
  // rename is told of; a refused name changes nothing.
  void rename() {
    Commands c;
    c.Mark({"g.jpg"}, "c.jpg");
    QSignalSpy renamed(c.commands.get(), &TFileCommands::fileRenamed);
    c.name = QStringLiteral("z.jpg");
    c.rename.trigger();
    QCOMPARE(c.State(), QStringList({"z.jpg@", "e.jpg", "g.jpg*"}));
    QCOMPARE(Names(renamed, 0), QStringList({"c.jpg"}));
    QCOMPARE(Names(renamed, 1), QStringList({"z.jpg"}));
    QCOMPARE(c.dropped, QStringList({"c.jpg"}));

    c.name.reset();  // the question cancelled
    c.rename.trigger();
    QCOMPARE(c.State(), QStringList({"z.jpg@", "e.jpg", "g.jpg*"}));
    QCOMPARE(renamed.count(), 1);
  }
};

QTEST_MAIN(TestFileCommands)
#include "test_filecommands.moc"
