#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "browse/editwriteback.h"
#include "browse/folderloader.h"
#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/errors.h"
#include "common/locks.h"
#include "search/criteria.h"
#include "search/searchrequest.h"
#include "search/searchresults.h"
#include "search/searchrun.h"
#include "search/ui/frmprocesssearch.h"
#include "search/ui/frsearch.h"
#include "search/ui/searchcommands.h"

using namespace glimr;

namespace {

// A bounded wait on another thread's flag; false when it never came.
bool WaitFor(const std::atomic<bool>& flag, int ms = 10000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!flag.load()) {
    if (std::chrono::steady_clock::now() > until) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// A bounded wait on the GUI thread, events processed meanwhile.
bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) {
      return false;
    }
    QTest::qWait(5);
  }
  return true;
}

QString Plain(const QLabel* label) {
  QString text = label->text();
  return text.remove(QChar(0x200B));
}

// A result record of a file in folder (ending with "/").
std::unique_ptr<TImageFileInfo> Result(const QString& folder, const QString& name,
                                       std::int32_t id = 0, std::int32_t catalogID = 0) {
  auto r = std::make_unique<TImageFileInfo>();
  r->FileName = name;
  r->Path = folder;
  r->ID = id;
  r->CatalogID = catalogID;
  r->TypeName = QStringLiteral("JPG");
  r->SlotWidth = 2.0;
  return r;
}

const TSortState kByName{scName, 2};

// What the loader and the views were told by the shown list: the loader's
// stop, queue and start, and the views' freeze and show (with the number of
// entries then shown).
struct TShowLog : TLoaderPort {
  QStringList calls;
  QStringList queued;
  int shown = -1;

  void Stop() override { calls << QStringLiteral("stop"); }
  void Enqueue(const QStringList& keys) override { queued << keys; }
  void Start() override { calls << QStringLiteral("start"); }
  void Follow(TShownList& list) {
    QObject::connect(&list, &TShownList::aboutToReplace,
                     [this] { calls << QStringLiteral("freeze"); });
    QObject::connect(&list, &TShownList::sourceChanged, [this, &list] {
      calls << QStringLiteral("show");
      shown = list.Current().Count();
    });
  }
  void Clear() {
    calls.clear();
    queued.clear();
    shown = -1;
  }
};

// A catalog and picture files, both in one temporary folder, and the shown
// list over that catalog, sorted by name; every record's ExtIndex is 3.
struct Scene {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};
  TShowLog log;
  TShownList shown;
  TSearchResults results;

  Scene() {
    shown.SetCatalog(&q);
    shown.SetLoaderPort(&log);
    shown.SetSort(kByName);
    shown.SetFillServices({[](const QString&) { return std::int32_t{3}; }, {}});
    log.Follow(shown);
  }

  QString Folder(const QString& name) const { return dir.path() + QLatin1Char('/') + name + '/'; }
  // A file on disk with its FILES row, listed as a search result.
  TImageFileInfo* AddResult(const QString& folder, const QString& name) {
    const QString path = Folder(folder);
    QDir().mkpath(path);
    QFile(path + name).open(QIODevice::WriteOnly);
    auto r = Result(path, name, 0, q.CatalogIDOfPath(path));
    r->ID = q.InsertFileRecord(*r);
    TImageFileInfo* kept = r.get();
    results.List().Append(path + name, r.release());
    return kept;
  }
  qint64 Scalar(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement st(dm.CurrentSession(), sql);
    return st.Step() ? st.Row().Int64(0) : 0;
  }
  void ReadOnly(bool on) {
    std::lock_guard lock(locks.DbLock);
    sqlite3_exec(dm.CurrentSession().Handle(),
                 on ? "PRAGMA query_only = 1" : "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
  }
  static QStringList Keys(const TFileList& list) {
    QStringList keys;
    for (int i = 0; i < list.Count(); ++i) {
      keys << list.Key(i);
    }
    return keys;
  }
  QStringList Names(const TFileList& list) const {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i) {
      names << QDir(dir.path()).relativeFilePath(list.Key(i));
    }
    return names;
  }
  TImageFileInfo* Shown(const QString& name) const {
    return shown.Loaded().Find(dir.path() + QLatin1Char('/') + name);
  }
  // Edits the shown entry of name as the user would; false when it is not
  // shown.
  bool Edit(const QString& name, TEditFields fields,
            const std::function<void(TImageFileInfo&)>& edit) {
    const int row = shown.Current().IndexOf(dir.path() + QLatin1Char('/') + name);
    if (row < 0) {
      return false;
    }
    shown.EditRows({row}, fields, edit);
    return true;
  }
};

}  // namespace

class TestSearchProgress : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // Cancel (button or Escape) hides the window at once, while the run is
  // still busy; the run then sees its flag, and what it found stays. The
  // window takes a second search afterwards with a fresh flag.
  void cancelClosesAtOnce_data() {
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("Escape") << true;
  }
  void cancelClosesAtOnce() {
    QFETCH(bool, byEscape);
    TfrmProcessSearch window;
    TSearchResults results;
    std::atomic<bool> started{false};
    std::atomic<bool> sawCancel{false};
    std::atomic<bool> release{false};
    std::atomic<bool> ended{false};
    const auto run = [&](std::atomic<bool>& cancel, const TSearchProgressHook& progress) {
      results.List().Append(QStringLiteral("/a/1.jpg"), Result("/a/", "1.jpg").release());
      results.List().Append(QStringLiteral("/a/2.jpg"), Result("/a/", "2.jpg").release());
      progress({false, QStringLiteral("/a/"), 2});
      started = true;
      sawCancel = WaitFor(cancel);
      WaitFor(release);  // busy with its current step after the press
      ended = true;
    };

    bool wasVisible = false;
    bool goneAfterPress = false;
    bool runBusyAfterPress = false;
    QTimer::singleShot(0, &window, [&] {
      WaitUntil([&] { return started.load() && window.isVisible(); });
      wasVisible = window.isVisible();
      if (byEscape) {
        QTest::keyClick(&window, Qt::Key_Escape);
      } else {
        QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
      }
      goneAfterPress = !window.isVisible();
      runBusyAfterPress = !ended.load();
      release = true;
    });
    QCOMPARE(window.Execute(run), int(QDialog::Rejected));
    QVERIFY(wasVisible);
    QVERIFY(goneAfterPress);
    QVERIFY(runBusyAfterPress);
    QVERIFY(sawCancel.load());
    QVERIFY(ended.load());  // Execute returns only after the run
    QCOMPARE(results.Count(), 2);
    QVERIFY(window.RunError().isEmpty());

    // The next search starts uncancelled and ends by itself.
    bool cancelledAtStart = true;
    QCOMPARE(window.Execute([&](std::atomic<bool>& cancel, const TSearchProgressHook&) {
      cancelledAtStart = cancel.load();
      results.List().Append(QStringLiteral("/b/3.jpg"), Result("/b/", "3.jpg").release());
    }),
             int(QDialog::Accepted));
    QVERIFY(!cancelledAtStart);
    QVERIFY(!window.isVisible());
    QCOMPARE(results.Count(), 3);
  }

  // The labels follow the run: phase, place and count; the latest report
  // wins however fast they come.
  void progressShown_data() {
    QTest::addColumn<bool>("inCategories");
    QTest::addColumn<QString>("phase");
    QTest::newRow("folders") << false << "Current directory:";
    QTest::newRow("categories") << true << "Current category:";
  }
  void progressShown() {
    QFETCH(bool, inCategories);
    QFETCH(QString, phase);
    TfrmProcessSearch window;
    const QString where = QStringLiteral("/home/ann/a very long folder name/without end/photos/");
    std::atomic<bool> reported{false};
    const auto run = [&](std::atomic<bool>& cancel, const TSearchProgressHook& progress) {
      for (int i = 1; i <= 5000; ++i) {
        progress({inCategories, where + QString::number(i), i});
      }
      reported = true;
      WaitFor(cancel);
    };
    QString shownPhase, shownWhere, shownFound;
    QTimer::singleShot(0, &window, [&] {
      WaitUntil([&] {
        return reported.load() && window.FoundLabel()->text().endsWith(QStringLiteral(" 5000"));
      });
      shownPhase = window.PhaseLabel()->text();
      shownWhere = Plain(window.CurrentLabel());
      shownFound = window.FoundLabel()->text();
      window.reject();
    });
    QCOMPARE(window.Execute(run), int(QDialog::Rejected));
    QCOMPARE(shownPhase, phase);
    QCOMPARE(shownWhere, where + QStringLiteral("5000"));
    QCOMPARE(shownFound, QStringLiteral("ImagesFound: 5000"));
  }

  // A run that fails says so through the error channel and the window waits
  // for Cancel; the results found before the failure stay.
  void failedRunWaitsForCancel() {
    ErrorRecorder errors;
    TfrmProcessSearch window;
    TSearchResults results;
    const auto run = [&](std::atomic<bool>&, const TSearchProgressHook&) {
      results.List().Append(QStringLiteral("/a/1.jpg"), Result("/a/", "1.jpg").release());
      throw GlimrError(QStringLiteral("database disk image is malformed"));
    };
    bool stillOpen = false;
    QTimer::singleShot(0, &window, [&] {
      WaitUntil([&] { return !errors.messages().isEmpty(); });
      QTest::qWait(2 * TfrmProcessSearch::kRefreshMs);
      stillOpen = window.isVisible();
      QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
    });
    QCOMPARE(window.Execute(run), int(QDialog::Rejected));
    QVERIFY(stillOpen);
    QCOMPARE(errors.messages(), QStringList{"Search: database disk image is malformed"});
    QCOMPARE(window.RunError(), QStringLiteral("database disk image is malformed"));
    QCOMPARE(results.Count(), 1);
  }

  // The window runs a real search: its results land in the result list and
  // can be shown; a name text that is no mask ends the run with its message,
  // and the window waits for Cancel.
  void executeSearch_data() {
    QTest::addColumn<QString>("nameText");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<bool>("failed");
    QTest::newRow("by name") << "cat" << int(QDialog::Accepted)
                             << QStringList{"tree/cat.jpg", "tree/sub/bobcat.jpg"} << false;
    QTest::newRow("every name") << "" << int(QDialog::Accepted)
                                << QStringList{"tree/cat.jpg", "tree/dog.jpg",
                                               "tree/sub/bobcat.jpg"}
                                << false;
    QTest::newRow("not a mask") << "[" << int(QDialog::Rejected) << QStringList{} << true;
  }
  void executeSearch() {
    QFETCH(QString, nameText);
    QFETCH(int, outcome);
    QFETCH(QStringList, found);
    QFETCH(bool, failed);
    ErrorRecorder errors;
    Scene s;
    const QString tree = s.Folder(QStringLiteral("tree"));
    QDir().mkpath(tree + QStringLiteral("sub"));
    for (const char* name : {"cat.jpg", "dog.jpg", "sub/bobcat.jpg", "sub/notes.txt"}) {
      QFile(tree + QLatin1String(name)).open(QIODevice::WriteOnly);
    }
    TSearchRequest request;
    request.NameText = nameText;
    request.Folders = QStringList{tree};
    request.OnlyInDatabase = false;
    request.Properties.SupportedTypes = QStringList{QStringLiteral("JPG")};
    const TComparObj criteria = BuildCriteria(request.Properties);

    TfrmProcessSearch window;
    if (failed) {
      QTimer::singleShot(0, &window, [&] {
        WaitUntil([&] { return !errors.messages().isEmpty(); });
        window.reject();
      });
    }
    QCOMPARE(window.Execute(s.q, request, criteria, s.results), outcome);
    QCOMPARE(!window.RunError().isEmpty(), failed);
    QCOMPARE(errors.messages().size(), failed ? 1 : 0);
    QCOMPARE(s.results.Count(), int(found.size()));

    ShowSearchResults(s.results, s.shown, s.q);
    QStringList shown = s.Names(s.shown.Current());
    shown.sort();
    QCOMPARE(shown, found);
  }

  // While results stream in, the window keeps naming the folder or the
  // category they come from: after a run the labels show where the last
  // result was found, never a blank place.
  void placeStaysWhileResultsArrive_data() {
    QTest::addColumn<bool>("byCategory");
    QTest::addColumn<QString>("phase");
    QTest::newRow("folders") << false << "Current directory:";
    QTest::newRow("categories") << true << "Current category:";
  }
  void placeStaysWhileResultsArrive() {
    QFETCH(bool, byCategory);
    QFETCH(QString, phase);
    Scene s;
    const QString tree = s.Folder(QStringLiteral("tree"));
    const std::int32_t category = s.q.InsertCategory(QStringLiteral("Pets"), 0);
    for (const char* name : {"cat.jpg", "sub/bobcat.jpg"}) {
      const QString path = tree + QLatin1String(name);
      QDir().mkpath(QFileInfo(path).path());
      QFile(path).open(QIODevice::WriteOnly);
      auto r = Result(QFileInfo(path).path() + QLatin1Char('/'), QFileInfo(path).fileName(), 0,
                      s.q.CatalogIDOfPath(QFileInfo(path).path() + QLatin1Char('/')));
      r->CategoryID = category;
      s.q.InsertFileRecord(*r);
    }
    TSearchRequest request;
    request.NameText = QStringLiteral("cat");
    request.OnlyInDatabase = byCategory;
    if (byCategory) {
      request.CategoryIDs = {category};
    } else {
      request.Folders = QStringList{tree};
    }
    request.Properties.SupportedTypes = QStringList{QStringLiteral("JPG")};
    const TComparObj criteria = BuildCriteria(request.Properties);

    TfrmProcessSearch window;
    QCOMPARE(window.Execute(s.q, request, criteria, s.results), int(QDialog::Accepted));
    QCOMPARE(s.results.Count(), 2);
    QCOMPARE(window.PhaseLabel()->text(), phase);
    QCOMPARE(Plain(window.CurrentLabel()),
             byCategory ? QStringLiteral("Pets") : tree + QStringLiteral("sub/"));
    QCOMPARE(window.FoundLabel()->text(), QStringLiteral("ImagesFound: 2"));
  }

  // The results become the current list: sorted, filtered, copied (the
  // result list keeps its own records), the first hundred queued. Showing
  // them twice gives the same list.
  void showResults_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("nameText");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("queued");
    QTest::newRow("none") << 0 << "" << 0 << 0;
    QTest::newRow("a few") << 3 << "" << 3 << 3;
    QTest::newRow("more than are queued") << 130 << "" << 130 << 100;
    QTest::newRow("through the filter") << 130 << "12" << 12 << 12;
  }
  void showResults() {
    QFETCH(int, count);
    QFETCH(QString, nameText);
    QFETCH(int, shown);
    QFETCH(int, queued);
    Scene s;
    // Found in the reverse of the name order, across two folders.
    for (int i = count - 1; i >= 0; --i) {
      s.AddResult(i % 2 ? QStringLiteral("odd") : QStringLiteral("even"),
                  QStringLiteral("%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
    }
    TFilterSettings filter;
    filter.Active = !nameText.isEmpty();
    filter.NameText = nameText;
    QVERIFY(s.shown.SetFilter(filter).isEmpty());
    QStringList firstNames;
    for (int pass = 0; pass < 2; ++pass) {
      TShowLog& log = s.log;
      log.Clear();
      const TFolderLoadReport report = ShowSearchResults(s.results, s.shown, s.q);
      QVERIFY2(report.Error.isEmpty(), qPrintable(report.Error));
      QCOMPARE(s.shown.Source(), TListSource::Search);
      QCOMPARE(s.results.Count(), count);
      QCOMPARE(s.shown.Loaded().Count(), count);
      QCOMPARE(s.shown.Current().Count(), shown);
      QCOMPARE(log.shown, shown);
      QCOMPARE(log.queued.size(), queued);
      QCOMPARE(log.queued, s.Keys(s.shown.Current()).mid(0, queued));
      QCOMPARE(log.calls.contains(QStringLiteral("start")), queued > 0);
      QCOMPARE(log.calls.first(), QStringLiteral("stop"));
      QVERIFY(log.calls.indexOf(QStringLiteral("freeze")) <
              log.calls.indexOf(QStringLiteral("show")));
      const QStringList names = s.Names(s.shown.Current());
      for (int i = 1; i < names.size(); ++i) {
        QVERIFY(QFileInfo(names[i - 1]).fileName() < QFileInfo(names[i]).fileName());
      }
      for (int i = 0; i < s.shown.Loaded().Count(); ++i) {
        const TImageFileInfo* copy = s.shown.Loaded().At(i);
        QVERIFY(copy != s.results.List().Find(s.shown.Loaded().Key(i)));
        QCOMPARE(copy->ExtIndex, 3);
      }
      if (pass == 0) {
        firstNames = names;
      } else {
        QCOMPARE(names, firstNames);
      }
    }
  }
  // Fresh results carry the dates the search read from the disk: a
  // thumbnail cached for another date is dropped, as after a folder load.
  // Showing the same results again reads nothing from the disk.
  void freshResultsReportTheirDates() {
    Scene s;
    s.AddResult(QStringLiteral("a"), QStringLiteral("1.jpg"))->FileDate = 45000.5;
    s.AddResult(QStringLiteral("b"), QStringLiteral("2.jpg"))->FileDate = 45001.25;
    QStringList seen;
    TFillServices services;
    services.DiskDateSeen = [&seen, &s](const QString& path, double date) {
      seen << QStringLiteral("%1 %2")
                  .arg(QDir(s.dir.path()).relativeFilePath(path))
                  .arg(date, 0, 'f', 2);
    };
    s.shown.SetFillServices(services);
    ShowSearchResults(s.results, s.shown, s.q);
    QCOMPARE(seen, QStringList({"a/1.jpg 45000.50", "b/2.jpg 45001.25"}));
    seen.clear();
    ShowSearchResults(s.results, s.shown, s.q, TResultsShow::Again);
    QCOMPARE(seen, QStringList());
  }

  // "Show results" after a folder visit brings the results back with what
  // the user changed meanwhile: edits made while they were shown, and edits
  // of the same images in their folder; a file deleted since is left out.
  void showResultsAgain() {
    Scene s;
    s.AddResult(QStringLiteral("a"), QStringLiteral("1.jpg"));
    s.AddResult(QStringLiteral("a"), QStringLiteral("2.jpg"));
    s.AddResult(QStringLiteral("b"), QStringLiteral("3.jpg"));
    ShowSearchResults(s.results, s.shown, s.q);
    QVERIFY(s.Edit(QStringLiteral("a/1.jpg"), efRating, [](TImageFileInfo& r) { r.Rating = 4; }));

    TFolderLoader folders(s.q, {QStringLiteral("jpg")});
    folders.LoadFolder(s.Folder(QStringLiteral("a")), s.shown);
    QCOMPARE(s.shown.Source(), TListSource::Catalog);
    QVERIFY(s.Edit(QStringLiteral("a/2.jpg"), efCaption,
                   [](TImageFileInfo& r) { r.Caption = QStringLiteral("seen in its folder"); }));
    QVERIFY(QFile::remove(s.Folder(QStringLiteral("b")) + QStringLiteral("3.jpg")));

    const TFolderLoadReport report =
        ShowSearchResults(s.results, s.shown, s.q, TResultsShow::Again);
    QVERIFY2(report.Error.isEmpty(), qPrintable(report.Error));
    QCOMPARE(s.shown.Source(), TListSource::Search);
    QCOMPARE(s.Names(s.shown.Current()), QStringList({"a/1.jpg", "a/2.jpg"}));
    QCOMPARE(int(s.Shown(QStringLiteral("a/1.jpg"))->Rating), 4);
    QCOMPARE(s.Shown(QStringLiteral("a/2.jpg"))->Caption, QStringLiteral("seen in its folder"));
    QCOMPARE(s.results.Count(), 3);  // the list itself is kept as found
  }

  // The shown list's edits reach the catalog before the results are read
  // again, so showing the results over themselves keeps an edit; edits the
  // catalog refuses wait and are shown over the results.
  void oldListWrittenFirst_data() {
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("catalog takes the edit") << false;
    QTest::newRow("catalog refuses it") << true;
  }
  void oldListWrittenFirst() {
    QFETCH(bool, readOnly);
    Scene s;
    const std::int32_t id = s.AddResult(QStringLiteral("a"), QStringLiteral("1.jpg"))->ID;
    s.AddResult(QStringLiteral("a"), QStringLiteral("2.jpg"));
    ShowSearchResults(s.results, s.shown, s.q);
    QVERIFY(s.Edit(QStringLiteral("a/1.jpg"), efCaption,
                   [](TImageFileInfo& r) { r.Caption = QStringLiteral("written first"); }));
    s.ReadOnly(readOnly);

    const TFolderLoadReport report =
        ShowSearchResults(s.results, s.shown, s.q, TResultsShow::Again);
    QCOMPARE(report.CatalogWriteFailed, readOnly);
    QCOMPARE(s.shown.Loaded().Count(), 2);
    QCOMPARE(s.Shown(QStringLiteral("a/1.jpg"))->Caption, QStringLiteral("written first"));
    s.ReadOnly(false);
    QCOMPARE(
        s.Scalar(
            QStringLiteral("SELECT CAPTION = 'written first' FROM FILES WHERE ID = %1").arg(id)),
        readOnly ? 0 : 1);
    QCOMPARE(s.shown.FlushAndClear(), 0);
    QCOMPARE(
        s.Scalar(
            QStringLiteral("SELECT CAPTION = 'written first' FROM FILES WHERE ID = %1").arg(id)),
        1);
  }

  // A catalog that cannot be read while the results are shown again still
  // shows them as found.
  void showResultsAgainOfDamagedCatalog() {
    Scene s;
    s.AddResult(QStringLiteral("a"), QStringLiteral("1.jpg"))->Rating = 2;
    {
      std::lock_guard lock(s.locks.DbLock);
      TStatement(s.dm.CurrentSession(), QStringLiteral("ALTER TABLE FILES RENAME TO LOST")).Exec();
    }
    const TFolderLoadReport report =
        ShowSearchResults(s.results, s.shown, s.q, TResultsShow::Again);
    QVERIFY(!report.Error.isEmpty());
    QCOMPARE(s.log.shown, 1);
    QCOMPARE(int(s.Shown(QStringLiteral("a/1.jpg"))->Rating), 2);
  }

  // Search writes the shown list's edits before the catalog is searched: a
  // caption just typed (its write-back not yet due) is found, and the
  // results become the shown list with the caption. The window is told
  // once of the new list.
  void searchFindsTheShownListsEdits() {
    Scene s;
    s.AddResult(QStringLiteral("a"), QStringLiteral("1.jpg"));
    s.AddResult(QStringLiteral("a"), QStringLiteral("2.jpg"));
    ShowSearchResults(s.results, s.shown, s.q);
    QVERIFY(s.Edit(QStringLiteral("a/2.jpg"), efCaption,
                   [](TImageFileInfo& r) { r.Caption = QStringLiteral("sunset at the lake"); }));
    QVERIFY(s.shown.EditWriteBack()->Waiting());

    QWidget window;
    int titles = 0;
    QList<TFolderLoadReport> reports;
    TSearchCommands::THost host;
    host.UpdateTitle = [&titles] { ++titles; };
    host.ShowLoadReport = [&reports](const TFolderLoadReport& r) { reports << r; };
    auto* commands = new TSearchCommands(s.shown, host, &window);
    std::unique_ptr<TfrSearch> page(commands->Page());
    QVERIFY(!page->SearchButton()->isEnabled());
    commands->Attach(s.q, [] { return QStringList{QStringLiteral("jpg")}; }, {});
    QVERIFY(page->SearchButton()->isEnabled());

    TSearchRequest request;
    request.NameText = QStringLiteral("sunset");
    request.InCaptions = true;
    request.Folders = QStringList{s.Folder(QStringLiteral("a"))};
    request.Properties.SupportedTypes = QStringList{QStringLiteral("JPG")};
    commands->Search(request);
    QCOMPARE(s.Names(commands->Results().List()), QStringList{"a/2.jpg"});
    QCOMPARE(s.shown.Source(), TListSource::Search);
    QCOMPARE(s.Names(s.shown.Current()), QStringList{"a/2.jpg"});
    QCOMPARE(s.Shown(QStringLiteral("a/2.jpg"))->Caption, QStringLiteral("sunset at the lake"));
    QCOMPARE(titles, 1);
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].Error.isEmpty());
  }

  // "Show results" brings the last results back from another place, and
  // does nothing while they are shown or without a catalog.
  void showResultsFromElsewhereOnly() {
    Scene s;
    s.AddResult(QStringLiteral("a"), QStringLiteral("1.jpg"));
    s.AddResult(QStringLiteral("b"), QStringLiteral("2.jpg"));
    QWidget window;
    int titles = 0;
    TSearchCommands::THost host;
    host.UpdateTitle = [&titles] { ++titles; };
    auto* commands = new TSearchCommands(s.shown, host, &window);
    std::unique_ptr<TfrSearch> page(commands->Page());
    commands->Attach(s.q, [] { return QStringList{QStringLiteral("jpg")}; }, {});

    TSearchRequest request;  // every name under the temporary folder
    request.Folders = QStringList{s.dir.path()};
    request.Properties.SupportedTypes = QStringList{QStringLiteral("JPG")};
    commands->Search(request);
    const QStringList found{"a/1.jpg", "b/2.jpg"};
    QCOMPARE(s.Names(s.shown.Current()), found);

    s.log.Clear();
    commands->ShowResults();  // already shown: no switch
    QCOMPARE(s.log.calls, QStringList());

    TFolderLoader folders(s.q, {QStringLiteral("jpg")});
    folders.LoadFolder(s.Folder(QStringLiteral("b")), s.shown);
    QCOMPARE(s.shown.Source(), TListSource::Catalog);
    commands->ShowResults();
    QCOMPARE(s.shown.Source(), TListSource::Search);
    QCOMPARE(s.Names(s.shown.Current()), found);
    QCOMPARE(titles, 2);

    folders.LoadFolder(s.Folder(QStringLiteral("b")), s.shown);
    commands->Detach();
    QVERIFY(!page->SearchButton()->isEnabled());
    commands->ShowResults();
    commands->Search(request);
    QCOMPARE(s.shown.Source(), TListSource::Catalog);
    QCOMPARE(titles, 2);
  }
};

QTEST_MAIN(TestSearchProgress)
#include "test_searchprogress.moc"
