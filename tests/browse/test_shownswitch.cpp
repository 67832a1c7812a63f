// Every way the list changes what it shows (a folder, a category, search
// results, a re-filter) runs through the shown list's one switch: the same
// rules hold for each.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "browse/folderloader.h"
#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/errors.h"
#include "common/locks.h"
#include "organize/categoryloader.h"
#include "search/searchresults.h"

using namespace glimr;

namespace {

enum class TWay { Folder, Category, Search, Refilter };

// A catalog, a folder of 150 images and a subfolder, every image in one
// category, and a shown list whose loader and views record what they are
// told and when.
struct World : TLoaderPort {
  QTemporaryDir home;
  QTemporaryDir pics;
  QString dir;
  TLocks locks;
  TdmVesk dm{home.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries queries{dm};
  TShownList shown;
  TFolderLoader loader{queries, {QStringLiteral("jpg")}};
  TSearchResults results;
  std::int32_t category = 0;
  QStringList calls;
  QStringList queued;
  int countAtFreeze = -1;  // shown entries still there when the views froze

  World() {
    dir = pics.path() + QLatin1Char('/');
    for (int i = 0; i < 150; ++i) {
      QFile f(dir + QStringLiteral("img%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
      f.open(QIODevice::WriteOnly);
      f.write("x");
    }
    QDir(dir).mkdir(QStringLiteral("sub"));
    shown.SetCatalog(&queries);
    shown.SetSort({scName, 2});
    loader.LoadFolder(dir, shown);
    category = queries.InsertCategory(QStringLiteral("Travel"), 0);
    std::vector<int> rows;
    for (int i = 0; i < shown.Current().Count(); ++i) {
      rows.push_back(i);
    }
    shown.EditRows(rows, efCategory, [this](TImageFileInfo& r) { r.CategoryID = category; });
    shown.WriteBack();
    for (int i = 0; i < shown.Current().Count(); ++i) {
      if (!shown.Current().At(i)->IsFolder) {
        results.List().Append(shown.Current().Key(i), new TImageFileInfo(*shown.Current().At(i)));
      }
    }
    shown.SetLoaderPort(this);
    QObject::connect(&shown, &TShownList::aboutToReplace, [this] {
      calls << QStringLiteral("freeze");
      countAtFreeze = shown.Current().Count();
    });
    QObject::connect(&shown, &TShownList::sourceChanged,
                     [this] { calls << QStringLiteral("show"); });
  }
  void Stop() override { calls << QStringLiteral("stop"); }
  void Enqueue(const QStringList& keys) override {
    calls << QStringLiteral("queue");
    queued = keys;
  }
  void Start() override { calls << QStringLiteral("start"); }

  TFolderLoadReport Switch(TWay way) {
    calls.clear();
    queued.clear();
    switch (way) {
      case TWay::Folder:
        return loader.LoadFolder(dir, shown);
      case TWay::Category:
        return ShowCategory(queries, category, shown);
      case TWay::Search:
        return ShowSearchResults(results, shown, queries, TResultsShow::Again);
      case TWay::Refilter: {
        TFolderLoadReport report;
        report.Error = shown.Refilter();
        return report;
      }
    }
    return {};
  }
  void Damage(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement(dm.CurrentSession(), sql).Exec();
  }
  qint64 Scalar(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement st(dm.CurrentSession(), sql);
    return st.Step() ? st.Row().Int64(0) : 0;
  }
};

}  // namespace

class TestShownSwitch : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void everyWay_data() {
    QTest::addColumn<TWay>("way");
    QTest::addColumn<bool>("listsFolders");
    QTest::newRow("folder") << TWay::Folder << true;
    QTest::newRow("category") << TWay::Category << false;
    QTest::newRow("search results") << TWay::Search << false;
    QTest::newRow("re-filter") << TWay::Refilter << true;
  }
  // The edit of the old list is in the rows before the new rows are read;
  // the views freeze while the old records still exist and are shown the new
  // list once; the images among the first 100 entries are queued in list
  // order, folders never; the loader starts because the list is not empty.
  void everyWay() {
    QFETCH(TWay, way);
    QFETCH(bool, listsFolders);
    World w;
    const int before = w.shown.Current().Count();
    const int row = w.shown.Current().IndexOf(w.dir + QStringLiteral("img005.jpg"));
    w.shown.EditRows({row}, efRating, [](TImageFileInfo& r) { r.Rating = 4; });

    const TFolderLoadReport report = w.Switch(way);
    QVERIFY2(report.Error.isEmpty(), qPrintable(report.Error));
    QCOMPARE(w.calls, (QStringList{"stop", "freeze", "show", "queue", "start"}));
    QCOMPARE(w.countAtFreeze, before);

    const TFileList& current = w.shown.Current();
    QCOMPARE(current.Count(), listsFolders ? 152 : 150);
    const TImageFileInfo* edited = current.Find(w.dir + QStringLiteral("img005.jpg"));
    QVERIFY(edited);
    QCOMPARE(edited->Rating, std::uint8_t(4));
    if (way != TWay::Refilter) {
      // The new record was read after the write-back.
      QCOMPARE(w.Scalar(QStringLiteral("SELECT RATING FROM FILES WHERE FILENAME = 'img005.jpg'")),
               4);
      QVERIFY(!edited->Modified);
    }
    QStringList expected;
    for (int i = 0; i < current.Count() && i < TShownList::kQueueCount; ++i) {
      if (!current.At(i)->IsFolder) {
        expected << current.Key(i);
      }
    }
    QCOMPARE(w.queued, expected);
    QCOMPARE(w.queued.size(), listsFolders ? 98 : 100);
  }

  // The loader starts exactly when the shown list is not empty.
  void loaderStartsOnlyForEntries_data() {
    QTest::addColumn<TWay>("way");
    QTest::newRow("folder") << TWay::Folder;
    QTest::newRow("category") << TWay::Category;
    QTest::newRow("search results") << TWay::Search;
    QTest::newRow("re-filter") << TWay::Refilter;
  }
  void loaderStartsOnlyForEntries() {
    QFETCH(TWay, way);
    World w;
    w.shown.PresetFilter({true, QStringLiteral("nomatch"), {}, {}});
    w.Switch(way);
    const bool empty = w.shown.Current().IsEmpty();
    QCOMPARE(w.calls.contains(QStringLiteral("start")), !empty);
    // Only the folder's own entries ("..", "sub") pass a name filter.
    QCOMPARE(empty, way == TWay::Category || way == TWay::Search);
    QVERIFY(w.queued.isEmpty());
  }

  // A failure before the write-back keeps the old list as it was; a later
  // one leaves an empty list under the new source, with the old list's
  // edits kept for the catalog.
  void failures_data() {
    QTest::addColumn<TWay>("way");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("oldKept");
    QTest::newRow("folder: catalogs unreadable") << TWay::Folder << "DROP TABLE CATALOGS" << true;
    QTest::newRow("folder: files unreadable") << TWay::Folder << "DROP TABLE FILES" << false;
    QTest::newRow("category: files unreadable") << TWay::Category << "DROP TABLE FILES" << false;
  }
  void failures() {
    QFETCH(TWay, way);
    QFETCH(QString, damage);
    QFETCH(bool, oldKept);
    World w;
    const int before = w.shown.Current().Count();
    const TListSource source = w.shown.Source();
    w.Damage(damage);
    const TFolderLoadReport report = w.Switch(way);
    QVERIFY(!report.Error.isEmpty());
    QCOMPARE(report.OldListsKept, oldKept);
    if (oldKept) {
      QCOMPARE(w.shown.Current().Count(), before);
      QCOMPARE(w.shown.Source(), source);
      QVERIFY(!w.calls.contains(QStringLiteral("freeze")));
    } else {
      QVERIFY(w.shown.Current().IsEmpty());
      QVERIFY(w.shown.Loaded().IsEmpty());
      QCOMPARE(w.calls, (QStringList{"stop", "freeze", "show", "queue"}));
    }
  }
};

QTEST_GUILESS_MAIN(TestShownSwitch)
#include "test_shownswitch.moc"
