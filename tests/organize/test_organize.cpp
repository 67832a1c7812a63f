#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

#include "browse/currentlists.h"
#include "browse/editwriteback.h"
#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/locks.h"
#include "organize/categoryloader.h"
#include "support/shownfill.h"
#include "switchlog.h"

using namespace glimr;

namespace {

// A catalog and a folder of picture files, both in one temporary folder.
struct Scene {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};
  // The list the categories are shown in, writing back to the catalog.
  TShownList shown;
  // Lists of the write-back's own tests, filled without a switch.
  TCurrentLists lists;

  Scene() {
    shown.SetCatalog(&q);
    shown.SetSort({scName, 2});
  }
  // The files of a category in lists, as a switch would read them.
  void FillLists(std::int32_t category) {
    TCategorySource source(q, category);
    TFolderLoadReport report;
    source.Fill(lists, {}, report);
    lists.CurrentFiles.AssignRefs(lists.LoadedFiles);
  }

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

using glimr::test::TSwitchLog;

// The record of the shown list with that "folder/name".
TImageFileInfo* Loaded(Scene& s, const QString& name) {
  return s.shown.Loaded().Find(s.dir.path() + QLatin1Char('/') + name);
}

// Edits the shown entry "folder/name" through the list.
void Edit(Scene& s, const QString& name, TEditFields fields,
          const std::function<void(TImageFileInfo&)>& edit) {
  const int row = s.shown.Current().IndexOf(s.dir.path() + QLatin1Char('/') + name);
  QVERIFY2(row >= 0, qPrintable(name));
  s.shown.EditRows({row}, fields, edit);
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

    TFilterSettings filter;
    filter.Active = !nameText.isEmpty();
    filter.NameText = nameText;
    s.shown.SetFilter(filter);
    s.shown.SetFillServices({[](const QString&) { return 0; }, {}});
    TSwitchLog log(s.shown);
    const TFolderLoadReport report = ShowCategory(s.q, category, s.shown);
    QCOMPARE(report.Error, QString());
    QCOMPARE(s.shown.Source(), TListSource::Category);
    QCOMPARE(s.Names(s.shown.Current()), expected);
    QCOMPARE(log.shown, expected.size());
    QStringList queued;
    for (const QString& key : std::as_const(log.queued)) {
      queued << QDir(s.dir.path()).relativeFilePath(key);
    }
    QCOMPARE(queued, expected);
    QStringList calls{"stop", "freeze", "show"};
    if (!expected.isEmpty()) {
      calls << QStringLiteral("queue") << QStringLiteral("start");
    }
    QCOMPARE(log.calls, calls);
    const TFileList& loaded = s.shown.Loaded();
    for (int i = 0; i < loaded.Count(); ++i) {
      const TImageFileInfo* r = loaded.At(i);
      QCOMPARE(r->CategoryID, category);
      QCOMPARE(r->FullPath(), loaded.Key(i));
      QCOMPARE(r->ExtIndex, 0);
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
    ShowCategory(s.q, 0, s.shown);
    QCOMPARE(s.Names(s.shown.Loaded()), QStringList{"a/1.jpg"});
    Edit(s, QStringLiteral("a/1.jpg"), efCategory,
         [travel](TImageFileInfo& r) { r.CategoryID = travel; });
    ShowCategory(s.q, travel, s.shown);
    QCOMPARE(s.Names(s.shown.Loaded()), (QStringList{"a/1.jpg", "a/2.jpg"}));
    QCOMPARE(Loaded(s, QStringLiteral("a/2.jpg"))->Rating, 5);
  }

  // While the catalog refuses writes, edits of the old list wait in the
  // pending writes; the category is shown with them, so none is lost or hidden.
  void showCategoryWithRefusedEdits() {
    Scene s;
    const std::int32_t travel = s.q.InsertCategory(QStringLiteral("Travel"), 0);
    s.AddFile(QStringLiteral("a"), QStringLiteral("1.jpg"), travel);
    s.AddFile(QStringLiteral("a"), QStringLiteral("2.jpg"), travel);
    ShowCategory(s.q, travel, s.shown);
    QCOMPARE(s.shown.Loaded().Count(), 2);
    Edit(s, QStringLiteral("a/1.jpg"), efCaption,
         [](TImageFileInfo& r) { r.Caption = QStringLiteral("kept"); });
    Edit(s, QStringLiteral("a/2.jpg"), efCategory, [](TImageFileInfo& r) { r.CategoryID = 0; });
    s.ReadOnly(true);
    const TFolderLoadReport report = ShowCategory(s.q, travel, s.shown);
    QVERIFY(report.CatalogWriteFailed);
    QCOMPARE(s.Names(s.shown.Loaded()), QStringList{"a/1.jpg"});
    QCOMPARE(Loaded(s, QStringLiteral("a/1.jpg"))->Caption, QStringLiteral("kept"));
    // Once the catalog takes writes again, both edits reach it.
    s.ReadOnly(false);
    QCOMPARE(s.shown.FlushAndClear(), 0);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE CAPTION = 'kept'")), 1);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT CATEGORYID FROM FILES WHERE FILENAME = '2.jpg'")), 0);
  }

  // A catalog that cannot be read leaves empty, consistent lists, and no
  // loader is started for them.
  void showCategoryOfDamagedCatalog() {
    Scene s;
    s.AddFile(QStringLiteral("a"), QStringLiteral("1.jpg"), 1);
    s.Exec(QStringLiteral("ALTER TABLE FILES RENAME TO LOST"));
    TSwitchLog log(s.shown);
    const TFolderLoadReport report = ShowCategory(s.q, 1, s.shown);
    QVERIFY(!report.Error.isEmpty());
    QVERIFY(s.shown.Loaded().IsEmpty());
    QVERIFY(s.shown.Current().IsEmpty());
    QCOMPARE(log.shown, 0);
    QVERIFY(!log.calls.contains(QStringLiteral("start")));
  }

  void showCategoryQueuesTheFirstHundred() {
    Scene s;
    for (int i = 0; i < 130; ++i) {
      s.AddFile(QStringLiteral("a"), QStringLiteral("%1.jpg").arg(i, 3, 10, QLatin1Char('0')), 7);
    }
    TSwitchLog log(s.shown);
    ShowCategory(s.q, 7, s.shown);
    QCOMPARE(s.shown.Current().Count(), 130);
    QCOMPARE(log.queued.size(), TShownList::kQueueCount);
    QCOMPARE(log.queued.front(), s.shown.Current().Key(0));
  }

  // Deleted categories: every loaded record and pending copy that held one
  // holds none, hidden entries too, and the views hear of the shown rows.
  void releaseDeletedCategories() {
    TShownList shown;
    shown.SetSort({scRating, 0});  // the order given
    const std::int32_t categories[] = {1, 2, 3, 0, 2, 3};
    std::vector<TNewEntry> entries;
    for (int i = 0; i < 6; ++i) {
      auto r = std::make_unique<TImageFileInfo>();
      r->FileName = QString::number(i);
      r->CategoryID = categories[i];
      r->Rating = i == 5 ? 1 : 0;
      entries.push_back({QString::number(i), std::move(r)});
    }
    glimr::test::ShowGiven(shown, std::move(entries));
    shown.EditRows({1}, efCaption, [](TImageFileInfo& r) { r.Caption = QStringLiteral("c"); });
    // The last entry hidden by the filter, a pending copy of another file.
    shown.SetFilter({true, QString(), {0}, {}});
    QCOMPARE(shown.Current().Count(), 5);
    TImageFileInfo pending;
    pending.FileName = QStringLiteral("away.jpg");
    pending.Path = QStringLiteral("/elsewhere/");
    pending.CategoryID = 3;
    shown.PendingWrites().Put(pending);
    QList<int> edited;
    connect(&shown, &TShownList::rowsEdited, &shown, [&edited](int first, int last, TEditFields f) {
      QCOMPARE(f, TEditFields(efCategory));
      for (int i = first; i <= last; ++i) {
        edited << i;
      }
    });

    shown.ReleaseCategories({2, 3, 99});
    QStringList got;
    for (int i = 0; i < shown.Loaded().Count(); ++i) {
      got << QString::number(shown.Loaded().At(i)->CategoryID);
    }
    QCOMPARE(got, (QStringList{"1", "0", "0", "0", "0", "0"}));
    std::sort(edited.begin(), edited.end());
    QCOMPARE(edited, (QList<int>{1, 2, 4}));
    // An unsaved edit stays marked for the catalog.
    QVERIFY(shown.Loaded().At(1)->Modified);
    QCOMPARE(shown.Loaded().At(1)->Caption, QStringLiteral("c"));
    QCOMPARE(shown.PendingWrites().Find(QStringLiteral("/elsewhere/away.jpg"))->CategoryID, 0);
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
    s.FillLists(0);
    TImageFileInfo* r = s.lists.LoadedFiles.Find(s.dir.path() + QStringLiteral("/a/1.jpg"));
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
  // without a row is left to the shown list's flush.
  void editWriteBackRefused() {
    Scene s;
    const std::int32_t id = s.AddFile(QStringLiteral("a"), QStringLiteral("1.jpg"), 0);
    s.FillLists(0);
    TImageFileInfo* r = s.lists.LoadedFiles.Find(s.dir.path() + QStringLiteral("/a/1.jpg"));
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
    s.FillLists(0);
    TImageFileInfo* r = s.lists.LoadedFiles.Find(s.dir.path() + QStringLiteral("/a/1.jpg"));
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
