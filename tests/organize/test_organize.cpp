#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <map>
#include <mutex>

#include "browse/currentlists.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/locks.h"
#include "organize/categoryloader.h"
#include "organize/categoryrelease.h"
#include "organize/editwriteback.h"
#include "support/folderhooklog.h"

using namespace glimr;

namespace {

// A catalog and a folder of picture files, both in one temporary folder.
struct Scene {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};
  TCurrentLists lists;

  QString Folder(const QString& name) const { return dir.path() + QLatin1Char('/') + name + '/'; }
  // A file on disk (when onDisk) with its FILES row; returns the row's ID.
  std::int32_t AddFile(const QString& folder, const QString& name, std::int32_t category,
                       bool onDisk = true) {
    const QString path = Folder(folder);
    QDir().mkpath(path);
    if (onDisk) {
      QFile f(path + name);
      f.open(QIODevice::WriteOnly);
    }
    TImageFileInfo r;
    r.FileName = name;
    r.CatalogID = q.CatalogIDOfPath(path);
    r.CategoryID = category;
    return q.InsertFileRecord(r);
  }
  void Exec(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement(dm.CurrentSession(), sql).Exec();
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
  // "folder/name" of each entry of a list, in order.
  QStringList Names(const TFileList& list) const {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i) {
      names << QDir(dir.path()).relativeFilePath(list.Key(i));
    }
    return names;
  }
};

using THookLogBase = glimr::test::THookLog;
// What the hooks of one run saw; ExtensionIndex answers 0.
struct HookLog : THookLogBase {
  TFolderLoadHooks Hooks() { return THookLogBase::Hooks(0); }
};

const TSortState kByName{scName, 2};

// The record of a loaded list with that "folder/name".
TImageFileInfo* Loaded(Scene& s, const QString& name) {
  return s.lists.LoadedFiles.Find(s.dir.path() + QLatin1Char('/') + name);
}

}  // namespace

class TestOrganize : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void showCategory_data() {
    QTest::addColumn<int>("category");
    QTest::addColumn<QString>("nameText");
    QTest::addColumn<QStringList>("expected");
    const QStringList travel{"a/alps.jpg", "b/beach.jpg", "a/zermatt.jpg"};
    QTest::newRow("files of every folder, by name") << 1 << "" << travel;
    QTest::newRow("filtered by name") << 1 << "ch" << QStringList{"b/beach.jpg"};
    QTest::newRow("a category without files") << 3 << "" << QStringList{};
    QTest::newRow("a category ID with no row still shows its files")
        << 42 << "" << QStringList{"b/stray.jpg"};
  }
  void showCategory() {
    QFETCH(int, category);
    QFETCH(QString, nameText);
    QFETCH(QStringList, expected);
    Scene s;
    const std::int32_t travel = s.q.InsertCategory(QStringLiteral("Travel"), 0);
    const std::int32_t work = s.q.InsertCategory(QStringLiteral("Work"), 0);
    const std::int32_t empty = s.q.InsertCategory(QStringLiteral("Empty"), 0);
    QCOMPARE(std::vector<std::int32_t>({travel, work, empty}),
             std::vector<std::int32_t>({1, 2, 3}));
    s.AddFile(QStringLiteral("a"), QStringLiteral("zermatt.jpg"), travel);
    s.AddFile(QStringLiteral("b"), QStringLiteral("beach.jpg"), travel);
    s.AddFile(QStringLiteral("a"), QStringLiteral("alps.jpg"), travel);
    s.AddFile(QStringLiteral("a"), QStringLiteral("gone.jpg"), travel, false);
    s.AddFile(QStringLiteral("a"), QStringLiteral("desk.jpg"), work);
    s.AddFile(QStringLiteral("b"), QStringLiteral("stray.jpg"), 42);
    // A row of a catalog that does not exist names no file, even where the
    // working folder happens to hold one of that name.
    s.Exec(QStringLiteral("INSERT INTO FILES(FILENAME, CATALOGID, CATEGORYID) VALUES('x.jpg', "
                          "999, %1)")
               .arg(travel));
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(s.Folder(QStringLiteral("a")));
    QFile(QStringLiteral("x.jpg")).open(QIODevice::WriteOnly);
    const auto restore = qScopeGuard([&cwd] { QDir::setCurrent(cwd); });

    HookLog log;
    TCategoryLoader loader(s.q, log.Hooks());
    TFilterSettings filter;
    filter.Active = !nameText.isEmpty();
    filter.NameText = nameText;
    const TFolderLoadReport report = loader.ShowCategory(category, s.lists, kByName, filter);
    QCOMPARE(report.Error, QString());
    QCOMPARE(s.lists.ListSource, TListSource::Category);
    QCOMPARE(s.Names(s.lists.CurrentFiles), expected);
    QCOMPARE(log.shown, expected.size());
    QStringList queued;
    for (const QString& key : std::as_const(log.queued)) {
      queued << QDir(s.dir.path()).relativeFilePath(key);
    }
    QCOMPARE(queued, expected);
    QStringList calls{"stop", "freeze", "show"};
    if (!expected.isEmpty()) {
      calls << QStringLiteral("start");
    }
    QCOMPARE(log.calls, calls);
    for (int i = 0; i < s.lists.LoadedFiles.Count(); ++i) {
      const TImageFileInfo* r = s.lists.LoadedFiles.At(i);
      QCOMPARE(r->CategoryID, category);
      QCOMPARE(r->FullPath(), s.lists.LoadedFiles.Key(i));
      QCOMPARE(r->SlotWidth, 2.0);
      QVERIFY(r->ID > 0);
    }
    // The row of the vanished file stays.
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE FILENAME = 'gone.jpg'")), 1);
  }

  // Showing a category writes the old list first: an image just moved into
  // the category is among its files, and a rating out of range reads as 5.
  void showCategoryAfterEdits() {
    Scene s;
    const std::int32_t travel = s.q.InsertCategory(QStringLiteral("Travel"), 0);
    s.AddFile(QStringLiteral("a"), QStringLiteral("1.jpg"), 0);
    s.AddFile(QStringLiteral("a"), QStringLiteral("2.jpg"), travel);
    s.Exec(QStringLiteral("UPDATE FILES SET RATING = 9 WHERE FILENAME = '2.jpg'"));
    TCategoryLoader loader(s.q);
    loader.ShowCategory(0, s.lists, kByName, {});
    QCOMPARE(s.Names(s.lists.LoadedFiles), QStringList{"a/1.jpg"});
    TImageFileInfo* one = Loaded(s, QStringLiteral("a/1.jpg"));
    one->CategoryID = travel;
    one->Modified = true;
    loader.ShowCategory(travel, s.lists, kByName, {});
    QCOMPARE(s.Names(s.lists.LoadedFiles), (QStringList{"a/1.jpg", "a/2.jpg"}));
    QCOMPARE(Loaded(s, QStringLiteral("a/2.jpg"))->Rating, 5);
  }

  // While the catalog refuses writes, edits of the old list wait in the
  // pending writes; the category is shown with them, so none is lost or hidden.
  void showCategoryWithRefusedEdits() {
    Scene s;
    const std::int32_t travel = s.q.InsertCategory(QStringLiteral("Travel"), 0);
    s.AddFile(QStringLiteral("a"), QStringLiteral("1.jpg"), travel);
    s.AddFile(QStringLiteral("a"), QStringLiteral("2.jpg"), travel);
    TCategoryLoader loader(s.q);
    loader.ShowCategory(travel, s.lists, kByName, {});
    QCOMPARE(s.lists.LoadedFiles.Count(), 2);
    TImageFileInfo* one = Loaded(s, QStringLiteral("a/1.jpg"));
    one->Caption = QStringLiteral("kept");
    one->Modified = true;
    TImageFileInfo* two = Loaded(s, QStringLiteral("a/2.jpg"));
    two->CategoryID = 0;
    two->Modified = true;
    s.ReadOnly(true);
    const TFolderLoadReport report = loader.ShowCategory(travel, s.lists, kByName, {});
    QVERIFY(report.CatalogWriteFailed);
    QCOMPARE(s.Names(s.lists.LoadedFiles), QStringList{"a/1.jpg"});
    QCOMPARE(Loaded(s, QStringLiteral("a/1.jpg"))->Caption, QStringLiteral("kept"));
    // Once the catalog takes writes again, both edits reach it.
    s.ReadOnly(false);
    QCOMPARE(FlushLoadedFiles(s.lists, s.q), 0);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE CAPTION = 'kept'")), 1);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT CATEGORYID FROM FILES WHERE FILENAME = '2.jpg'")), 0);
  }

  // A catalog that cannot be read leaves empty, consistent lists, and no
  // loader is started for them.
  void showCategoryOfDamagedCatalog() {
    Scene s;
    s.AddFile(QStringLiteral("a"), QStringLiteral("1.jpg"), 1);
    s.Exec(QStringLiteral("ALTER TABLE FILES RENAME TO LOST"));
    HookLog log;
    TCategoryLoader loader(s.q, log.Hooks());
    const TFolderLoadReport report = loader.ShowCategory(1, s.lists, kByName, {});
    QVERIFY(!report.Error.isEmpty());
    QVERIFY(s.lists.LoadedFiles.IsEmpty());
    QVERIFY(s.lists.CurrentFiles.IsEmpty());
    QCOMPARE(log.shown, 0);
    QVERIFY(!log.calls.contains(QStringLiteral("start")));
  }

  void showCategoryQueuesTheFirstHundred() {
    Scene s;
    for (int i = 0; i < 130; ++i) {
      s.AddFile(QStringLiteral("a"), QStringLiteral("%1.jpg").arg(i, 3, 10, QLatin1Char('0')), 7);
    }
    HookLog log;
    TCategoryLoader loader(s.q, log.Hooks());
    loader.ShowCategory(7, s.lists, kByName, {});
    QCOMPARE(s.lists.CurrentFiles.Count(), 130);
    QCOMPARE(log.queued.size(), TCategoryLoader::kQueueCount);
    QCOMPARE(log.queued.front(), s.lists.CurrentFiles.Key(0));
  }

  void releaseDeletedCategories() {
    TFileList list(true);
    const std::int32_t categories[] = {1, 2, 3, 0, 2};
    for (int i = 0; i < 5; ++i) {
      auto* r = new TImageFileInfo;
      r->CategoryID = categories[i];
      r->Modified = i == 1;
      list.Append(QString::number(i), r);
    }
    QCOMPARE(ReleaseDeletedCategories(list, {2, 3, 99}), 3);
    QStringList got;
    for (int i = 0; i < list.Count(); ++i) {
      got << QStringLiteral("%1%2")
                 .arg(list.At(i)->CategoryID)
                 .arg(list.At(i)->Modified ? "*" : "");
    }
    QCOMPARE(got, (QStringList{"1", "0*", "0", "0", "0"}));
  }

  // When the prompt write-back writes, driven by a clock the test sets:
  // a pause of 300 ms writes, and steady edits still write at 2 s.
  void editWriteBackTiming_data() {
    QTest::addColumn<QList<int>>("edits");
    QTest::addColumn<QList<int>>("writes");
    QTest::newRow("one edit") << QList<int>{0} << QList<int>{300};
    QTest::newRow("a burst, then a pause") << QList<int>{0, 100, 200} << QList<int>{500};
    QList<int> steady;
    for (int t = 0; t <= 2750; t += 250) {
      steady << t;
    }
    QTest::newRow("an edit every 250 ms") << steady << QList<int>{2000, 3050};
    QTest::newRow("two edits apart") << QList<int>{0, 1000} << QList<int>{300, 1300};
  }
  void editWriteBackTiming() {
    QFETCH(QList<int>, edits);
    QFETCH(QList<int>, writes);
    Scene s;
    const std::int32_t id = s.AddFile(QStringLiteral("a"), QStringLiteral("1.jpg"), 0);
    TCategoryLoader(s.q).ShowCategory(0, s.lists, kByName, {});
    TImageFileInfo* r = Loaded(s, QStringLiteral("a/1.jpg"));
    QVERIFY(r && r->ID == id);
    std::int64_t now = 0;
    TEditWriteBack writeBack(s.q, s.lists, [&now] { return now; });
    QList<int> written;
    int rating = 0;
    for (now = 0; now <= 3500; ++now) {
      if (edits.contains(static_cast<int>(now))) {
        r->Rating = static_cast<std::uint8_t>(++rating % 6);
        r->Modified = true;
        writeBack.Note();
      }
      const bool before = r->Modified;
      writeBack.Tick();
      if (before && !r->Modified) {
        written << static_cast<int>(now);
      }
    }
    QCOMPARE(written, writes);
    QVERIFY(!writeBack.Waiting());
    QCOMPARE(s.Scalar(QStringLiteral("SELECT RATING FROM FILES WHERE ID = %1").arg(id)),
             rating % 6);
  }

  // A refused write keeps the edits marked and is tried again; a record
  // without a row is left to the list's own write-back.
  void editWriteBackRefused() {
    Scene s;
    const std::int32_t id = s.AddFile(QStringLiteral("a"), QStringLiteral("1.jpg"), 0);
    TCategoryLoader(s.q).ShowCategory(0, s.lists, kByName, {});
    TImageFileInfo* r = Loaded(s, QStringLiteral("a/1.jpg"));
    auto* fresh = new TImageFileInfo;
    fresh->FileName = QStringLiteral("new.jpg");
    fresh->Modified = true;
    s.lists.LoadedFiles.Append(QStringLiteral("/nowhere/new.jpg"), fresh);
    std::int64_t now = 0;
    TEditWriteBack writeBack(s.q, s.lists, [&now] { return now; });
    r->Caption = QStringLiteral("first");
    r->Modified = true;
    writeBack.Note();
    s.ReadOnly(true);
    now = TEditWriteBack::kQuietMs;
    writeBack.Tick();
    QVERIFY(r->Modified);
    QVERIFY(writeBack.Waiting());
    QCOMPARE(writeBack.DueAt(), now + TEditWriteBack::kMaxWaitMs);
    s.ReadOnly(false);
    now += TEditWriteBack::kMaxWaitMs - 1;
    writeBack.Tick();
    QVERIFY(r->Modified);
    now += 1;
    writeBack.Tick();
    QVERIFY(!r->Modified);
    QVERIFY(!writeBack.Waiting());
    QCOMPARE(s.Scalar(QStringLiteral("SELECT CAPTION = 'first' FROM FILES WHERE ID = %1").arg(id)),
             1);
    QVERIFY(fresh->Modified);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 1);
    // After a refusal, a new edit is written after its own pause.
    s.ReadOnly(true);
    r->Rating = 3;
    r->Modified = true;
    writeBack.Note();
    now += TEditWriteBack::kQuietMs;
    writeBack.Tick();
    s.ReadOnly(false);
    r->Rating = 4;
    writeBack.Note();
    now += TEditWriteBack::kQuietMs;
    writeBack.Tick();
    QVERIFY(!r->Modified);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT RATING FROM FILES WHERE ID = %1").arg(id)), 4);
  }

  // With the real clock, the timer alone brings the edit to the catalog.
  void editWriteBackTimer() {
    Scene s;
    const std::int32_t id = s.AddFile(QStringLiteral("a"), QStringLiteral("1.jpg"), 0);
    TCategoryLoader(s.q).ShowCategory(0, s.lists, kByName, {});
    TImageFileInfo* r = Loaded(s, QStringLiteral("a/1.jpg"));
    TEditWriteBack writeBack(s.q, s.lists);
    r->Rating = 2;
    r->HFliped = true;
    r->Angle = 90.0;
    r->Modified = true;
    writeBack.Note();
    QTRY_VERIFY(!r->Modified);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT RATING FROM FILES WHERE ID = %1").arg(id)), 2);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT HFLIPED FROM FILES WHERE ID = %1").arg(id)), 1);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT ANGLE FROM FILES WHERE ID = %1").arg(id)), 90);
  }
};

QTEST_GUILESS_MAIN(TestOrganize)
#include "test_organize.moc"
