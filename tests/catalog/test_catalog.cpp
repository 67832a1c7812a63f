#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "catalog/writehealth.h"
#include "catalog/writetransaction.h"
#include "common/errors.h"
#include "common/locks.h"
#include "support/filesizelimit.h"
#include "support/privileges.h"

using namespace glimr;

namespace {

// A catalog in a fresh temporary folder.
struct Db {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};

  // The first column of the first row of a plain SQL text (0 without a row).
  qint64 Scalar(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement st(dm.CurrentSession(), sql);
    return st.Step() ? st.Row().Int64(0) : 0;
  }
  void Exec(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement(dm.CurrentSession(), sql).Exec();
  }
  sqlite3* Handle() {
    std::lock_guard lock(locks.DbLock);
    return dm.CurrentSession().Handle();
  }
};

// The statements prepared on a connection, and how many of them are still
// running (holding a read or write of their own).
std::pair<int, int> PreparedAndBusy(sqlite3* db) {
  int prepared = 0;
  int busy = 0;
  for (sqlite3_stmt* st = sqlite3_next_stmt(db, nullptr); st; st = sqlite3_next_stmt(db, st)) {
    ++prepared;
    busy += sqlite3_stmt_busy(st) ? 1 : 0;
  }
  return {prepared, busy};
}

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A catalog file as an older version left it: no unique keys, and the rows
// of sql (which may repeat a file or a folder). Closed when it returns.
void MakeCatalogWithoutKeys(const QString& dbDir, const QStringList& sql) {
  TLocks locks;
  TdmVesk dm(dbDir, locks.DbLock);
  std::lock_guard lock(locks.DbLock);
  TSession& session = dm.CurrentSession();
  for (const char* drop : {"DROP INDEX FILES_KEY", "DROP INDEX CATALOGS_KEY",
                           "CREATE INDEX FILES_CATALOG ON FILES(CATALOGID, FILENAME)",
                           "CREATE INDEX CATALOGS_PARENT ON CATALOGS(PARENTID, NAME)"}) {
    TStatement(session, QString::fromLatin1(drop)).Exec();
  }
  for (const QString& text : sql) {
    TStatement(session, text).Exec();
  }
}

// "caption|rating|category" of a FILES row.
QString UserFields(const TImageFileInfo& r) {
  return QStringLiteral("%1|%2|%3").arg(r.Caption).arg(r.Rating).arg(r.CategoryID);
}

TImageFileInfo SampleRecord(std::int32_t catalogID) {
  TImageFileInfo r;
  r.FileName = QStringLiteral("Ünïcødé \"quoted\" 'name'.jpg");
  r.Caption = QStringLiteral("Caption with ' and \" and ;");
  r.TypeName = QStringLiteral("JPG");
  r.CatalogID = catalogID;
  r.CategoryID = 7;
  r.Rating = 4;
  r.Angle = 270.0;
  r.VFliped = true;
  r.HFliped = false;
  r.Width = 6000;
  r.Height = 4000;
  // A date with every bit of the mantissa in use.
  r.FileDate = 45123.0 + 1.0 / 3.0 + 1e-9;
  r.FileSize = 5'000'000'123LL;  // above 4 GB
  return r;
}

}  // namespace

class TestCatalog : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void newDatabaseHasSchemaAndSettings() {
    Db db;
    QVERIFY(!QFile::exists(db.dm.FileName()));
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 0);
    QVERIFY(QFile::exists(db.dm.FileName()));
    // Every "SELECT *" reads the fourteen record columns by position.
    const char* const columns[] = {"ID",         "CAPTION",   "FILENAME", "TYPENAME",
                                   "CATEGORYID", "CATALOGID", "RATING",   "ANGLE",
                                   "VFLIPED",    "HFLIPED",   "WIDTH",    "HEIGHT",
                                   "FILEDATE",   "FILESIZE",  "ISTHUMB",  "THUMB"};
    sqlite3_stmt* st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db.Handle(), "SELECT * FROM FILES", -1, &st, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_column_count(st), 16);
    for (int i = 0; i < 16; ++i) {
      QCOMPARE(QByteArray(sqlite3_column_name(st, i)), QByteArray(columns[i]));
    }
    sqlite3_finalize(st);
    std::lock_guard lock(db.locks.DbLock);
    TStatement journal(db.dm.CurrentSession(), QStringLiteral("PRAGMA journal_mode"));
    QVERIFY(journal.Step());
    QCOMPARE(journal.Row().Text(0), QStringLiteral("wal"));
    TStatement foreignKeys(db.dm.CurrentSession(), QStringLiteral("PRAGMA foreign_keys"));
    QVERIFY(foreignKeys.Step());
    QCOMPARE(foreignKeys.Row().Int(0), 0);
  }

  void catalogOfPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("again");
    QTest::addColumn<QString>("expectedPath");
    QTest::addColumn<int>("rows");
    QTest::newRow("trailing slash") << "/home/ann/"
                                    << "/home/ann"
                                    << "/home/ann/" << 3;
    QTest::newRow("no trailing slash") << "/home/ann"
                                       << "/home/ann/"
                                       << "/home/ann/" << 3;
    QTest::newRow("root") << "/"
                          << "/"
                          << "/" << 1;
    QTest::newRow("non-Latin and spaces") << "/home/Фото 2005/"
                                          << "/home/Фото 2005"
                                          << "/home/Фото 2005/" << 3;
    QTest::newRow("double slash keeps an empty name") << "//srv/"
                                                      << "//srv"
                                                      << "//srv/" << 3;
  }
  void catalogOfPath() {
    QFETCH(QString, path);
    QFETCH(QString, again);
    QFETCH(QString, expectedPath);
    QFETCH(int, rows);
    Db db;
    const std::int32_t id = db.q.CatalogIDOfPath(path);
    QVERIFY(id > 0);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATALOGS")), rows);
    QCOMPARE(db.q.CatalogIDOfPath(again), id);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATALOGS")), rows);
    // The root is the catalog with the empty name and no parent.
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATALOGS WHERE NAME = '' AND "
                                      "PARENTID = 0")),
             1);
    QCOMPARE(db.q.CatalogPath(id), expectedPath);
  }

  void catalogNamesAreCaseSensitive() {
    Db db;
    const std::int32_t lower = db.q.CatalogIDOfPath(QStringLiteral("/data/photos/"));
    const std::int32_t upper = db.q.CatalogIDOfPath(QStringLiteral("/data/Photos/"));
    QVERIFY(lower != upper);
    QCOMPARE(db.q.CatalogPath(upper), QStringLiteral("/data/Photos/"));
  }

  void catalogPathCache() {
    Db db;
    const std::int32_t id = db.q.CatalogIDOfPath(QStringLiteral("/home/ann/"));
    QCOMPARE(db.q.CatalogPath(id), QStringLiteral("/home/ann/"));
    QCOMPARE(db.q.CatalogPathCacheSize(), 1);
    // The second answer comes from the cache, not from the table.
    db.Exec(QStringLiteral("UPDATE CATALOGS SET NAME = 'bob' WHERE NAME = 'ann'"));
    QCOMPARE(db.q.CatalogPath(id), QStringLiteral("/home/ann/"));
    QCOMPARE(db.q.CatalogPathCacheSize(), 1);
    // An unknown ID gives the empty path and is not remembered, since a row
    // with that ID may be made later.
    QCOMPARE(db.q.CatalogPath(9999), QString());
    QCOMPARE(db.q.CatalogPathCacheSize(), 1);
  }

  void catalogPathOfDamagedRows() {
    Db db;
    db.q.CatalogIDOfPath(QStringLiteral("/x/"));
    // A parent row that is missing, and parents that form a loop.
    db.Exec(QStringLiteral("INSERT INTO CATALOGS(ID, NAME, PARENTID) VALUES(50, 'orphan', 49)"));
    db.Exec(QStringLiteral("INSERT INTO CATALOGS(ID, NAME, PARENTID) VALUES(60, 'a', 61)"));
    db.Exec(QStringLiteral("INSERT INTO CATALOGS(ID, NAME, PARENTID) VALUES(61, 'b', 60)"));
    QCOMPARE(db.q.CatalogPath(50), QStringLiteral("orphan/"));
    QCOMPARE(db.q.CatalogPath(60), QStringLiteral("b/a/"));
  }

  void fileRecordRoundTrip() {
    Db db;
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    TImageFileInfo r = SampleRecord(cat);
    r.ID = db.q.InsertFileRecord(r);
    QVERIFY(r.ID > 0);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT ISTHUMB FROM FILES")), 0);

    TImageFileInfo back;
    back.FileName = r.FileName;
    back.CatalogID = cat;
    back.Path = QStringLiteral("/kept/");
    QVERIFY(db.q.ReadFileRecord(back));
    QCOMPARE(back.ID, r.ID);
    QCOMPARE(back.Caption, r.Caption);
    QCOMPARE(back.TypeName, r.TypeName);
    QCOMPARE(back.CategoryID, 7);
    QCOMPARE(back.Rating, std::uint8_t(4));
    QCOMPARE(back.Angle, 270.0);
    QVERIFY(back.VFliped && !back.HFliped);
    QCOMPARE(back.Width, 6000);
    QCOMPARE(back.Height, 4000);
    QCOMPARE(std::memcmp(&back.FileDate, &r.FileDate, sizeof(double)), 0);
    QCOMPARE(back.FileSize, r.FileSize);
    QCOMPARE(back.Path, QStringLiteral("/kept/"));

    // Update by ID; the thumbnail columns stay as they are.
    QVERIFY(db.q.WriteThumbRow(r.FileName, cat, QByteArray("jpeg"), 1.5, 10, 20));
    r.Rating = 1;
    r.Caption = QStringLiteral("new");
    r.FileSize = (1LL << 53) - 1;
    db.q.UpdateFileRecord(r);
    QVERIFY(db.q.ReadFileRecord(back));
    QCOMPARE(back.Rating, std::uint8_t(1));
    QCOMPARE(back.Caption, QStringLiteral("new"));
    QCOMPARE(back.FileSize, (1LL << 53) - 1);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT ISTHUMB FROM FILES")), 1);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT length(THUMB) FROM FILES")), 4);
    // The date and full size stored with the thumbnail are its writer's: the
    // record's older copies do not overwrite them.
    QCOMPARE(back.FileDate, 1.5);
    QCOMPARE(back.Width, 10);
    QCOMPARE(back.Height, 20);

    // The file changed on disk: its new size and date, and the thumbnail is
    // to be made again.
    r.FileDate = 2.25;
    r.FileSize = 77;
    db.q.UpdateFileStats({&r});
    QVERIFY(db.q.ReadFileRecord(back));
    QCOMPARE(back.FileDate, 2.25);
    QCOMPARE(back.FileSize, 77);
    QCOMPARE(back.Rating, std::uint8_t(1));
    QCOMPARE(db.Scalar(QStringLiteral("SELECT ISTHUMB FROM FILES")), 0);

    // A file without a row: false, and the record as it was.
    TImageFileInfo missing = SampleRecord(cat);
    missing.FileName = QStringLiteral("none.jpg");
    missing.Rating = 3;
    QVERIFY(!db.q.ReadFileRecord(missing));
    QCOMPARE(missing.Rating, std::uint8_t(3));
    QCOMPARE(missing.ID, 0);
  }

  void fileNamesDifferingInCase() {
    Db db;
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    TImageFileInfo a;
    a.FileName = QStringLiteral("a.jpg");
    a.CatalogID = cat;
    TImageFileInfo b = a;
    b.FileName = QStringLiteral("A.jpg");
    const std::int32_t ia = db.q.InsertFileRecord(a);
    const std::int32_t ib = db.q.InsertFileRecord(b);
    QVERIFY(ia > 0 && ib > 0 && ia != ib);
  }

  void thumbnailRoundTrip() {
    Db db;
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    TImageFileInfo r = SampleRecord(cat);
    db.q.InsertFileRecord(r);
    QByteArray blob(200 * 1024, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (char& c : blob) {
      c = static_cast<char>(gen.bounded(256));
    }
    blob[0] = 0;  // embedded zeros survive
    const double date = 45000.0 + 0.1;
    TSession* worker = db.dm.CreateWorkerSession();
    QCOMPARE(worker->Name(), QStringLiteral("Session1"));
    QVERIFY(db.q.WriteThumbRow(r.FileName, cat, blob, date, 640, 480, worker));
    QVERIFY(!db.q.WriteThumbRow(QStringLiteral("none.jpg"), cat, blob, date, 1, 1, worker));
    // Read back on the default session: the worker's write is visible at once.
    const std::optional<TThumbRow> row = db.q.ReadThumbRow(r.FileName, cat);
    QVERIFY(row.has_value());
    QVERIFY(row->IsThumb);
    QCOMPARE(row->Thumb, blob);
    QCOMPARE(std::memcmp(&row->FileDate, &date, sizeof(double)), 0);
    QCOMPARE(row->Width, 640);
    QCOMPARE(row->Height, 480);
    QVERIFY(!db.q.ReadThumbRow(QStringLiteral("none.jpg"), cat, worker).has_value());
    db.dm.ReleaseWorkerSession(worker);
  }

  void workerSessions() {
    Db db;
    TSession* s1 = db.dm.CreateWorkerSession();
    TSession* s2 = db.dm.CreateWorkerSession();
    QCOMPARE(s1->Name(), QStringLiteral("Session1"));
    QCOMPARE(s2->Name(), QStringLiteral("Session2"));
    // One that never connected is dropped; its name is free again.
    db.dm.ReleaseWorkerSession(s1);
    TSession* again = db.dm.CreateWorkerSession();
    QCOMPARE(again->Name(), QStringLiteral("Session1"));
    QVERIFY(!again->Active());
    // A connected one stays open for the next worker, as a folder load
    // replaces its loader's workers.
    db.q.CatalogIDOfPath(QStringLiteral("/pics/"), s2);
    QVERIFY(s2->Active());
    db.dm.ReleaseWorkerSession(s2);
    TSession* reused = db.dm.CreateWorkerSession();
    QCOMPARE(reused, s2);
    QVERIFY(reused->Active());
    QCOMPARE(db.q.CatalogIDOfPath(QStringLiteral("/pics/"), reused),
             db.q.CatalogIDOfPath(QStringLiteral("/pics/")));
    db.dm.ReleaseWorkerSession(again);
    db.dm.ReleaseWorkerSession(reused);
  }

  void concurrentCatalogLookups() {
    // Two threads on their own connections make the same catalogs; DbLock
    // keeps the look-up-then-insert atomic, so no catalog is made twice.
    Db db;
    auto work = [&db](int seed) {
      TSession* s = db.dm.CreateWorkerSession();
      for (int i = 0; i < 150; ++i) {
        db.q.CatalogIDOfPath(QStringLiteral("/a/%1/%2/").arg((i + seed) % 10).arg(i % 7), s);
      }
      db.dm.ReleaseWorkerSession(s);
    };
    std::thread t1(work, 0);
    std::thread t2(work, 3);
    t1.join();
    t2.join();
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM (SELECT PARENTID, NAME FROM "
                                      "CATALOGS GROUP BY PARENTID, NAME HAVING count(*) > 1)")),
             0);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATALOGS")), 2 + 10 + 70);
  }

  void categories() {
    Db db;
    const std::int32_t travel = db.q.InsertCategory(QStringLiteral("Travel"), 0);
    const std::int32_t y2005 = db.q.InsertCategory(QStringLiteral("2005"), travel);
    const std::int32_t alps = db.q.InsertCategory(QStringLiteral("Alpz"), y2005);
    const std::int32_t other = db.q.InsertCategory(QStringLiteral("Other"), 0);
    QVERIFY(travel > 0 && y2005 > travel && alps > y2005);
    db.q.RenameCategory(alps, QStringLiteral("Alps"));
    QCOMPARE(db.q.CategoryName(alps), QStringLiteral("Alps"));
    QCOMPARE(db.q.CategoryName(12345), QString());
    QCOMPARE(db.q.CategoryPath(alps), QStringLiteral("Travel\\2005\\Alps\\"));
    QCOMPARE(db.q.CategoryPath(12345), QStringLiteral("\\"));

    // Three files in Alps, one in Other: deleting Alps releases exactly the three.
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg", "4.jpg"}) {
      TImageFileInfo r;
      r.FileName = QString::fromLatin1(name);
      r.CatalogID = cat;
      db.q.InsertFileRecord(r);
      db.q.SetFileCategory(r.FileName, cat, r.FileName == QLatin1String("4.jpg") ? other : alps);
    }
    QCOMPARE(
        db.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE CATEGORYID = %1").arg(alps)), 3);
    db.q.DeleteCategory(alps);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE CATEGORYID = 0")), 3);
    QCOMPARE(
        db.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE CATEGORYID = %1").arg(other)),
        1);
    QCOMPARE(db.q.CategoryName(alps), QString());
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATEGORIES")), 3);
  }

  // Siblings may share a name; each insert gives the new row's own ID, so a
  // rename, delete or assignment reaches the one the user chose.
  void categoriesWithOneName() {
    Db db;
    const std::int32_t parent = db.q.InsertCategory(QStringLiteral("Travel"), 0);
    const std::int32_t first = db.q.InsertCategory(QStringLiteral("New category"), parent);
    const std::int32_t second = db.q.InsertCategory(QStringLiteral("New category"), parent);
    const std::int32_t top = db.q.InsertCategory(QStringLiteral("New category"), 0);
    QVERIFY(first > 0 && second > 0 && top > 0);
    QCOMPARE(QSet<std::int32_t>({first, second, top}).size(), 3);
    db.q.RenameCategory(second, QStringLiteral("Alps"));
    QCOMPARE(db.q.CategoryName(first), QStringLiteral("New category"));
    QCOMPARE(db.q.CategoryPath(second), QStringLiteral("Travel\\Alps\\"));
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    TImageFileInfo r;
    r.FileName = QStringLiteral("1.jpg");
    r.CatalogID = cat;
    db.q.InsertFileRecord(r);
    db.q.SetFileCategory(r.FileName, cat, first);
    db.q.DeleteCategory(second);
    QCOMPARE(db.q.CategoryName(first), QStringLiteral("New category"));
    QCOMPARE(db.Scalar(QStringLiteral("SELECT CATEGORYID FROM FILES")), first);
  }

  // Two processes on one data folder: each looks a new file up before it
  // stores it, and the catalog itself refuses a second row for one file.
  void twoConnectionsStoreEachFileOnce() {
    QTemporaryDir dir;
    const QString dbDir = dir.path() + QStringLiteral("/DataBase/");
    TLocks locksA;
    TLocks locksB;  // two processes share no lock
    TdmVesk dmA(dbDir, locksA.DbLock);
    TdmVesk dmB(dbDir, locksB.DbLock);
    TCatalogQueries qA(dmA);
    TCatalogQueries qB(dmB);
    const std::int32_t cat = qA.CatalogIDOfPath(QStringLiteral("/pics/"));
    QCOMPARE(qB.CatalogIDOfPath(QStringLiteral("/pics")), cat);
    auto batch = [cat](std::vector<TImageFileInfo>& records) {
      records.resize(50);
      std::vector<TImageFileInfo*> ptrs;
      for (size_t i = 0; i < records.size(); ++i) {
        records[i].FileName = QStringLiteral("img%1.jpg").arg(i);
        records[i].CatalogID = cat;
        ptrs.push_back(&records[i]);
      }
      return ptrs;
    };
    std::vector<TImageFileInfo> a;
    std::vector<TImageFileInfo> b;
    qA.InsertFileRecords(batch(a));
    qB.InsertFileRecords(batch(b));
    for (size_t i = 0; i < a.size(); ++i) {
      QVERIFY(a[i].ID > 0);
      QCOMPARE(b[i].ID, a[i].ID);
    }
    QCOMPARE(qB.InsertFileRecord(a[7]), a[7].ID);
    std::lock_guard lock(locksA.DbLock);
    TSession& session = dmA.CurrentSession();
    TStatement count(session, QStringLiteral("SELECT count(*) FROM FILES"));
    QVERIFY(count.Step());
    QCOMPARE(count.Row().Int(0), 50);
    // A plain insert of a twin is refused by the engine.
    try {
      TStatement(session,
                 QStringLiteral("INSERT INTO FILES(FILENAME, CATALOGID) VALUES('img1.jpg', "
                                "%1)")
                     .arg(cat))
          .Exec();
      QFAIL("twin stored");
    } catch (const GlimrError& e) {
      QVERIFY2(e.message().contains(QStringLiteral("UNIQUE")), qPrintable(e.message()));
    }
  }

  // An older catalog with twins of a folder: the first connection merges
  // them; the lowest ID stays and takes over the files and child folders.
  void duplicateCatalogsMerged() {
    QTemporaryDir dir;
    const QString dbDir = dir.path() + QStringLiteral("/DataBase/");
    MakeCatalogWithoutKeys(
        dbDir, {"INSERT INTO CATALOGS(ID, NAME, PARENTID) VALUES(1, '', 0), (2, 'home', 1), "
                "(3, 'ann', 2), (4, 'home', 1), (5, 'ann', 4), (6, 'bob', 4), (7, 'x', 5)",
                "INSERT INTO FILES(ID, FILENAME, CATALOGID, CAPTION, RATING, ISTHUMB, THUMB) "
                "VALUES(10, 'a.jpg', 3, 'mine', 0, 1, x'4b'), (11, 'a.jpg', 5, 'theirs', 4, 1, "
                "x'44'), (12, 'b.jpg', 6, '', 0, 0, NULL), (13, 'c.jpg', 5, '', 2, 0, NULL)"});
    Db db;
    TdmVesk dm(dbDir, db.locks.DbLock);
    TCatalogQueries q(dm);
    QCOMPARE(q.CatalogIDOfPath(QStringLiteral("/home/ann/")), 3);
    QCOMPARE(q.CatalogIDOfPath(QStringLiteral("/home/bob/")), 6);
    QCOMPARE(q.CatalogIDOfPath(QStringLiteral("/home/ann/x/")), 7);
    QCOMPARE(q.CatalogPath(6), QStringLiteral("/home/bob/"));
    std::vector<std::unique_ptr<TImageFileInfo>> ann = q.ReadCatalogFiles(3);
    QCOMPARE(ann.size(), size_t(2));
    QCOMPARE(ann[0]->ID, 10);
    QCOMPARE(UserFields(*ann[0]), QStringLiteral("mine|4|0"));
    QCOMPARE(ann[1]->FileName, QStringLiteral("c.jpg"));
    QCOMPARE(q.ReadCatalogFiles(6).size(), size_t(1));
    // The row that stays keeps its own thumbnail.
    const std::optional<TThumbRow> thumb = q.ReadThumbRow(QStringLiteral("a.jpg"), 3);
    QVERIFY(thumb && thumb->IsThumb);
    QCOMPARE(thumb->Thumb, QByteArray("K"));
    std::lock_guard lock(db.locks.DbLock);
    TStatement rows(dm.CurrentSession(),
                    QStringLiteral("SELECT (SELECT count(*) FROM CATALOGS), (SELECT count(*) FROM "
                                   "FILES), (SELECT count(*) FROM sqlite_master WHERE name IN "
                                   "('FILES_KEY', 'CATALOGS_KEY'))"));
    QVERIFY(rows.Step());
    QCOMPARE(rows.Row().Int(0), 5);
    QCOMPARE(rows.Row().Int(1), 3);
    QCOMPARE(rows.Row().Int(2), 2);
  }

  // Twins of one file: the lowest ID stays and fills only its empty caption,
  // rating or category, from the duplicates in the order of their IDs.
  void duplicateFilesMerged_data() {
    QTest::addColumn<QStringList>("rows");  // "caption|rating|category", lowest ID first
    QTest::addColumn<QString>("expected");
    QTest::newRow("its own values stay") << QStringList{"k|3|1", "d|5|2", "e|4|7"} << "k|3|1";
    QTest::newRow("empty takes the first duplicate's")
        << QStringList{"|0|0", "d|5|2", "e|4|7"} << "d|5|2";
    QTest::newRow("only what is missing") << QStringList{"k|0|1", "|5|0", "e|4|7"} << "k|5|1";
    QTest::newRow("each field from the first that has it")
        << QStringList{"|0|0", "|0|2", "e|4|0"} << "e|4|2";
  }
  void duplicateFilesMerged() {
    QFETCH(QStringList, rows);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString dbDir = dir.path() + QStringLiteral("/DataBase/");
    QStringList sql{"INSERT INTO CATALOGS(ID, NAME, PARENTID) VALUES(1, '', 0), (2, 'p', 1)",
                    "INSERT INTO FILES(FILENAME, CATALOGID) VALUES('other.jpg', 2)"};
    for (const QString& row : rows) {
      const QStringList f = row.split(QLatin1Char('|'));
      sql << QStringLiteral(
                 "INSERT INTO FILES(FILENAME, CATALOGID, CAPTION, RATING, CATEGORYID, "
                 "ISTHUMB, THUMB) VALUES('a.jpg', 2, '%1', %2, %3, 1, x'00')")
                 .arg(f[0], f[1], f[2]);
    }
    MakeCatalogWithoutKeys(dbDir, sql);
    TLocks locks;
    TdmVesk dm(dbDir, locks.DbLock);
    TCatalogQueries q(dm);
    QCOMPARE(q.ReadCatalogFiles(2).size(), size_t(2));
    TImageFileInfo a;
    a.FileName = QStringLiteral("a.jpg");
    a.CatalogID = 2;
    QVERIFY(q.ReadFileRecord(a));
    QCOMPARE(a.ID, 2);  // the lowest ID of the twins
    QCOMPARE(UserFields(a), expected);
  }

  // Values read in another storage class than the one stored.
  void columnConversions_data() {
    QTest::addColumn<QString>("expr");
    QTest::addColumn<bool>("isNull");
    QTest::addColumn<qint64>("asInt");
    QTest::addColumn<double>("asFloat");
    QTest::addColumn<QString>("asText");
    QTest::addColumn<QByteArray>("asBlob");
    QTest::newRow("integer") << "42" << false << qint64(42) << 42.0 << "42" << QByteArray();
    QTest::newRow("large integer") << "5000000123" << false << qint64(5000000123) << 5000000123.0
                                   << "5000000123" << QByteArray();
    QTest::newRow("real halves to even")
        << "2.5" << false << qint64(2) << 2.5 << "2.5" << QByteArray();
    QTest::newRow("real halves up to even")
        << "3.5" << false << qint64(4) << 3.5 << "3.5" << QByteArray();
    QTest::newRow("negative half")
        << "-2.5" << false << qint64(-2) << -2.5 << "-2.5" << QByteArray();
    QTest::newRow("numeric text") << "'12'" << false << qint64(12) << 12.0 << "12"
                                  << QByteArray("12");
    QTest::newRow("text with a number in front")
        << "'12abc'" << false << qint64(0) << 0.0 << "12abc" << QByteArray("12abc");
    QTest::newRow("null") << "NULL" << true << qint64(0) << 0.0 << QString() << QByteArray();
    QTest::newRow("blob") << "x'6869'" << false << qint64(0) << 0.0 << "hi" << QByteArray("hi");
  }
  void columnConversions() {
    QFETCH(QString, expr);
    QFETCH(bool, isNull);
    QFETCH(qint64, asInt);
    QFETCH(double, asFloat);
    QFETCH(QString, asText);
    QFETCH(QByteArray, asBlob);
    Db db;
    std::lock_guard lock(db.locks.DbLock);
    TStatement st(db.dm.CurrentSession(), QStringLiteral("SELECT 0 AS other, %1 AS v").arg(expr));
    QVERIFY(st.Step());
    const TStatementRow& row = st.Row();
    QCOMPARE(row.IsNull("V"), isNull);
    QCOMPARE(row.Int64("v"), asInt);
    QCOMPARE(row.Int("v"), static_cast<std::int32_t>(asInt));
    QCOMPARE(row.Bool("v"), asInt != 0);
    QCOMPARE(row.Float("v"), asFloat);
    QCOMPARE(row.Text("v"), asText);
    QCOMPARE(row.Blob("v"), asBlob);
    QVERIFY(!st.Step());
    // Past the last row every column reads as missing.
    QVERIFY(row.IsNull("v"));
    QCOMPARE(row.Text("v"), QString());
  }

  // Every operation gives its statements back reset, also when it stops
  // after the first of several rows or fails, and a text is prepared once.
  void statementsAreResetAndReused() {
    Db db;
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/deep/"));
    TImageFileInfo r = SampleRecord(cat);
    db.q.InsertFileRecord(r);
    TImageFileInfo second = r;
    second.FileName = QStringLiteral("second.jpg");
    db.q.InsertFileRecord(second);  // the folder's look-up reads two rows
    const std::int32_t category = db.q.InsertCategory(QStringLiteral("c"), 0);
    TSession* worker = db.dm.CreateWorkerSession();
    auto operations = [&] {
      db.q.CatalogIDOfPath(QStringLiteral("/pics/deep/"));
      db.q.CatalogIDOfPath(QStringLiteral("/pics/"), worker);
      TImageFileInfo back = r;
      QVERIFY(db.q.ReadFileRecord(back));
      QCOMPARE(db.q.ReadCatalogFiles(cat).size(), size_t(2));
      QVERIFY(db.q.ReadThumbRow(r.FileName, cat, worker).has_value());
      QVERIFY(db.q.WriteThumbRow(r.FileName, cat, QByteArray("j"), 1.0, 1, 1, worker));
      db.q.SetFileCategory(r.FileName, cat, category);
      db.q.CategoryPath(category);
      db.q.DeleteCategory(12345);
      TImageFileInfo missing;
      QVERIFY(!db.q.ReadFileRecord(missing));
    };
    operations();
    sqlite3* main = db.Handle();
    sqlite3* other = nullptr;
    {
      std::lock_guard lock(db.locks.DbLock);
      other = worker->Handle();
    }
    const auto [mainPrepared, mainBusy] = PreparedAndBusy(main);
    const auto [workerPrepared, workerBusy] = PreparedAndBusy(other);
    QCOMPARE(mainBusy, 0);
    QCOMPARE(workerBusy, 0);
    QVERIFY(mainPrepared > 0 && workerPrepared > 0);
    operations();
    QCOMPARE(PreparedAndBusy(main), std::make_pair(mainPrepared, 0));
    QCOMPARE(PreparedAndBusy(other), std::make_pair(workerPrepared, 0));

    // A write on another connection goes through at once: no read is left open.
    QCOMPARE(db.Scalar(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")), 0);
    db.dm.ReleaseWorkerSession(worker);
  }

  void statementMisuseIsReported() {
    Db db;
    std::lock_guard lock(db.locks.DbLock);
    TSession& session = db.dm.CurrentSession();
    const QString sql = QStringLiteral("SELECT ID FROM CATALOGS WHERE ID = :ID");
    auto expectError = [](const std::function<void()>& f, const QString& message) {
      try {
        f();
        QFAIL("no error");
      } catch (const GlimrError& e) {
        QCOMPARE(e.message(), message);
      }
    };
    expectError([&] { TStatement(session, sql).BindInt(":Nope", 1); },
                QStringLiteral("Parameter ':Nope' not found"));
    expectError(
        [&] {
          TStatement st(session, sql);
          st.Step();
          st.Row().Int("NAME");
        },
        QStringLiteral("Column 'NAME' not found"));
    expectError(
        [&] {
          TStatement outer(session, sql);
          TStatement inner(session, sql);
        },
        QStringLiteral("Statement already in use: ") + sql);
    expectError([&] { TStatement(session, QStringLiteral("SELECT FROM")); },
                QStringLiteral("near \"FROM\": syntax error"));
    // The text is free again after each failure.
    TStatement st(session, sql);
    QVERIFY(!st.BindInt(":ID", 1).Step());
  }

  void categoryPathOfLoopEnds() {
    Db db;
    db.Exec(QStringLiteral("INSERT INTO CATEGORIES(ID, NAME, PARENTID) VALUES(5, 'x', 6)"));
    db.Exec(QStringLiteral("INSERT INTO CATEGORIES(ID, NAME, PARENTID) VALUES(6, 'y', 5)"));
    QCOMPARE(db.q.CategoryPath(5), QStringLiteral("y\\x\\"));
  }

  void reopenKeepsData() {
    QTemporaryDir dir;
    TLocks locks;
    const QString dbDir = dir.path() + QStringLiteral("/DataBase/");
    std::int32_t id = 0;
    {
      TdmVesk dm(dbDir, locks.DbLock);
      TCatalogQueries q(dm);
      id = q.CatalogIDOfPath(QStringLiteral("/home/ann/"));
    }
    TdmVesk dm(dbDir, locks.DbLock);
    TCatalogQueries q(dm);
    QCOMPARE(q.CatalogIDOfPath(QStringLiteral("/home/ann")), id);
  }

  // A damaged or unusable database: every operation reports the engine's
  // message, nothing is rewritten, and the next call still reports cleanly.
  void damagedDatabase_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QByteArray garbage(8192, 'x');
    garbage.replace(0, 16, "not sqlite, sorr");
    QTest::newRow("garbage file") << garbage << "file is not a database";
    QTest::newRow("truncated header")
        << QByteArray("SQLite format 3\0garbage", 23) << "file is not a database";
  }
  void damagedDatabase() {
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/DataBase")));
    const QString file = dir.path() + QStringLiteral("/DataBase/catalog.sqlite");
    {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(content);
    }
    TLocks locks;
    TdmVesk dm(dir.path() + QStringLiteral("/DataBase/"), locks.DbLock);
    TCatalogQueries q(dm);
    for (int attempt = 0; attempt < 2; ++attempt) {
      try {
        q.CatalogIDOfPath(QStringLiteral("/home/"));
        QFAIL("no error");
      } catch (const GlimrError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
      }
    }
    try {
      TImageFileInfo r;
      q.InsertFileRecord(r);
      QFAIL("no error");
    } catch (const GlimrError& e) {
      QVERIFY2(e.message().contains(message), qPrintable(e.message()));
    }
    // The lock is free again after each failure.
    QVERIFY(locks.DbLock.try_lock());
    locks.DbLock.unlock();
    QCOMPARE(ReadAll(file), content);
    // A damaged file is an error, not a catalog that merely cannot be written.
    QVERIFY(!dm.WriteHealth().Failing());
  }

  void missingTableIsNotRecreated() {
    QTemporaryDir dir;
    TLocks locks;
    const QString dbDir = dir.path() + QStringLiteral("/DataBase/");
    {
      TdmVesk dm(dbDir, locks.DbLock);
      TCatalogQueries q(dm);
      q.CatalogIDOfPath(QStringLiteral("/home/ann/"));
      std::lock_guard lock(locks.DbLock);
      TStatement(dm.CurrentSession(), QStringLiteral("DROP TABLE FILES")).Exec();
    }
    TdmVesk dm(dbDir, locks.DbLock);
    TCatalogQueries q(dm);
    TImageFileInfo r;
    r.FileName = QStringLiteral("a.jpg");
    try {
      q.InsertFileRecord(r);
      QFAIL("no error");
    } catch (const GlimrError& e) {
      QCOMPARE(e.message(), QStringLiteral("no such table: FILES"));
    }
    // The catalogs are still there and FILES was not made behind the user's back.
    QCOMPARE(q.CatalogPath(q.CatalogIDOfPath(QStringLiteral("/home/ann/"))),
             QStringLiteral("/home/ann/"));
    std::lock_guard lock(locks.DbLock);
    TStatement st(dm.CurrentSession(),
                  QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name = 'FILES'"));
    QVERIFY(st.Step());
    QCOMPARE(st.Row().Int(0), 0);
  }

  void writesRefused_data() {
    QTest::addColumn<QString>("pragma");
    QTest::addColumn<QString>("message");
    // The engine refusing writes as it does for a read-only file, and a
    // database that cannot grow, as on a full disk.
    QTest::newRow("read-only") << "PRAGMA query_only = 1"
                               << "attempt to write a readonly database";
    QTest::newRow("disk full") << "PRAGMA max_page_count = 1"
                               << "database or disk is full";
  }
  void writesRefused() {
    QFETCH(QString, pragma);
    QFETCH(QString, message);
    Db db;
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    TImageFileInfo r = SampleRecord(cat);
    r.ID = db.q.InsertFileRecord(r);
    sqlite3_exec(db.Handle(), pragma.toUtf8().constData(), nullptr, nullptr, nullptr);
    TImageFileInfo big = r;
    big.FileName = QStringLiteral("big.jpg");
    big.Caption = QString(20000, QLatin1Char('c'));
    QStringList reports;
    db.dm.WriteHealth().SetNotify([&reports](const QString& error) { reports << error; });
    // Each refused write raises its own error type, and the run of failures
    // is reported once.
    const std::function<void()> writes[] = {
        [&] { db.q.InsertFileRecord(big); },
        [&] { db.q.UpdateFileRecord(big); },
        [&] { db.q.InsertCategory(QString(20000, QLatin1Char('n')), 0); },
        [&] { db.q.CatalogIDOfPath(QStringLiteral("/new/") + QString(20000, QLatin1Char('d'))); },
    };
    for (const auto& write : writes) {
      try {
        write();
        QFAIL("no error");
      } catch (const TCatalogWriteError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
      }
    }
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].contains(message));
    QVERIFY(db.dm.WriteHealth().Failing());
    // What was stored before is still there and readable.
    TImageFileInfo back;
    back.FileName = r.FileName;
    back.CatalogID = cat;
    QVERIFY(db.q.ReadFileRecord(back));
    QCOMPARE(back.ID, r.ID);
    QVERIFY(db.dm.WriteHealth().Failing());  // a read is no write
    // A write that goes through arms the report again.
    sqlite3_exec(db.Handle(), "PRAGMA query_only = 0; PRAGMA max_page_count = 1000000", nullptr,
                 nullptr, nullptr);
    db.q.UpdateFileRecord(r);
    QVERIFY(!db.dm.WriteHealth().Failing());
    sqlite3_exec(db.Handle(), pragma.toUtf8().constData(), nullptr, nullptr, nullptr);
    QVERIFY_THROWS_EXCEPTION(TCatalogWriteError, db.q.InsertFileRecord(big));
    QCOMPARE(reports.size(), 2);
  }

  // A WAL catalog needs its -wal and -shm files even to be read; when they
  // cannot be made (a full disk, here the kernel's file size limit) the
  // catalog is still read, and writes are refused as writes, not as a broken
  // catalog.
  void catalogWhoseWalCannotBeMadeIsRead() {
    QTemporaryDir dir;
    TLocks locks;
    const QString dbDir = dir.path() + QStringLiteral("/DataBase/");
    std::int32_t cat = 0;
    {
      TdmVesk dm(dbDir, locks.DbLock);
      TCatalogQueries q(dm);
      cat = q.CatalogIDOfPath(QStringLiteral("/pics/"));
      TImageFileInfo r;
      r.FileName = QStringLiteral("a.jpg");
      r.CatalogID = cat;
      r.Caption = QStringLiteral("kept");
      QVERIFY(q.InsertFileRecord(r) > 0);
    }
    const QString file = dbDir + QStringLiteral("catalog.sqlite");
    const QByteArray before = ReadAll(file);
    test::TFileSizeLimit full(1024);
    QVERIFY(full.ok());
    TdmVesk dm(dbDir, locks.DbLock);
    TCatalogQueries q(dm);
    const auto rows = q.ReadCatalogFiles(cat);
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(rows[0]->Caption, QStringLiteral("kept"));
    TImageFileInfo added;
    added.FileName = QStringLiteral("b.jpg");
    added.CatalogID = cat;
    try {
      q.InsertFileRecord(added);
      QFAIL("the insert was not refused");
    } catch (const TCatalogWriteError& e) {
      // The reason the user sees is the full disk, not "read-only".
      QVERIFY2(e.message().contains(QStringLiteral("cannot be opened for writing")),
               qPrintable(e.message()));
    }
    QCOMPARE(ReadAll(file), before);
  }

  void readOnlyFile() {
    GLIMR_WITHOUT_FILE_CAPABILITIES();
    QTemporaryDir dir;
    TLocks locks;
    const QString dbDir = dir.path() + QStringLiteral("/DataBase/");
    {
      TdmVesk dm(dbDir, locks.DbLock);
      TCatalogQueries(dm).CatalogIDOfPath(QStringLiteral("/home/"));
    }
    const QString file = dbDir + QStringLiteral("catalog.sqlite");
    const QByteArray before = ReadAll(file);
    QFile::setPermissions(file, QFile::ReadOwner);
    TdmVesk dm(dbDir, locks.DbLock);
    TCatalogQueries q(dm);
    try {
      q.CatalogIDOfPath(QStringLiteral("/new/"));
      QFAIL("no error");
    } catch (const GlimrError& e) {
      QVERIFY2(e.message().contains(QStringLiteral("readonly")), qPrintable(e.message()));
    }
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(ReadAll(file), before);
  }

  // Category rows written as "ID:PARENTID" pairs; the table order of
  // ReadCategories and where a damaged row ends up.
  void readCategories_data() {
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("childrenOf1");
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("depth first, siblings by ID") << "1:0 2:1 3:0 4:1 5:2 6:3"
                                                 << "1:0 2:1 5:2 4:1 3:0 6:3"
                                                 << "2 4";
    QTest::newRow("child stored before its parent") << "1:5 5:0"
                                                    << "5:0 1:5"
                                                    << "";
    QTest::newRow("missing parent goes to the top level") << "1:0 2:99 3:2"
                                                          << "1:0 2:0 3:2"
                                                          << "";
    QTest::newRow("own parent") << "1:1 2:1"
                                << "1:0 2:1"
                                << "2";
    QTest::newRow("loop of two, first by ID on top") << "7:8 8:7 9:8"
                                                     << "7:0 8:7 9:8"
                                                     << "";
    QTest::newRow("loop of three beside a sound tree") << "1:0 2:1 10:12 11:10 12:11"
                                                       << "1:0 2:1 10:0 11:10 12:11"
                                                       << "2";
  }
  void readCategories() {
    QFETCH(QString, rows);
    QFETCH(QString, expected);
    QFETCH(QString, childrenOf1);
    Db db;
    for (const QString& pair : rows.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
      const QStringList ids = pair.split(QLatin1Char(':'));
      db.Exec(QStringLiteral("INSERT INTO CATEGORIES(ID, NAME, PARENTID) VALUES(%1, 'c%1', %2)")
                  .arg(ids[0], ids[1]));
    }
    QStringList got;
    for (const TCategoryRow& r : db.q.ReadCategories()) {
      QCOMPARE(r.Name, QStringLiteral("c%1").arg(r.ID));
      got << QStringLiteral("%1:%2").arg(r.ID).arg(r.ParentID);
    }
    QCOMPARE(got.join(QLatin1Char(' ')), expected);
    // The children as stored, never the row itself.
    QStringList children;
    for (const TCategoryRow& r : db.q.ReadCategoryChildren(1)) {
      children << QString::number(r.ID);
    }
    QCOMPARE(children.join(QLatin1Char(' ')), childrenOf1);
  }

  // A deep tree is read, named and deleted without recursion trouble.
  void deepCategoryTree() {
    Db db;
    std::int32_t parent = 0;
    std::vector<std::int32_t> ids;
    for (int depth = 0; depth < 200; ++depth) {
      parent = db.q.InsertCategory(QStringLiteral("d%1").arg(depth), parent);
      ids.push_back(parent);
    }
    QCOMPARE(db.q.CategoryPath(ids.back()).count(QLatin1Char('\\')), 200);
    QVERIFY(db.q.CategoryPath(ids.back()).startsWith(QStringLiteral("d0\\d1\\")));
    const std::vector<TCategoryRow> rows = db.q.ReadCategories();
    QCOMPARE(rows.size(), size_t{200});
    for (size_t i = 0; i < rows.size(); ++i) {
      QCOMPARE(rows[i].ID, ids[i]);
    }
    std::vector<std::int32_t> deleted = db.q.DeleteCategoryTree(ids.front());
    std::sort(deleted.begin(), deleted.end());
    QCOMPARE(deleted, ids);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATEGORIES")), 0);
  }

  void moveCategory_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("newParent");
    QTest::addColumn<int>("expectedParent");
    // Tree: 1 > 2 > 3, and 4 at the top.
    QTest::newRow("to another parent") << 3 << 4 << 4;
    QTest::newRow("to the top level") << 2 << 0 << 0;
    QTest::newRow("below itself is ignored") << 2 << 2 << 1;
    QTest::newRow("below its child is ignored") << 1 << 2 << 0;
    QTest::newRow("below its grandchild is ignored") << 1 << 3 << 0;
  }
  void moveCategory() {
    QFETCH(int, id);
    QFETCH(int, newParent);
    QFETCH(int, expectedParent);
    Db db;
    for (const char* row : {"1, 'a', 0", "2, 'b', 1", "3, 'c', 2", "4, 'd', 0"}) {
      db.Exec(QStringLiteral("INSERT INTO CATEGORIES(ID, NAME, PARENTID) VALUES(%1)")
                  .arg(QLatin1String(row)));
    }
    db.q.MoveCategory(id, newParent);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT PARENTID FROM CATEGORIES WHERE ID = %1").arg(id)),
             expectedParent);
    QCOMPARE(db.q.ReadCategories().size(), size_t{4});
  }

  void deleteCategoryTree_data() {
    QTest::addColumn<QString>("extraRows");
    QTest::addColumn<int>("deleteID");
    QTest::addColumn<QString>("expectedDeleted");
    // Tree: 1 > 2 > 3, 1 > 4, and 5 at the top; a file in each of 1..9.
    QTest::newRow("a whole tree") << "" << 1 << "1 2 3 4";
    QTest::newRow("a branch") << "" << 2 << "2 3";
    QTest::newRow("a leaf") << "" << 4 << "4";
    QTest::newRow("unknown ID") << "" << 77 << "";
    QTest::newRow("damaged: a loop on its own") << "8, 'x', 9; 9, 'y', 8" << 8 << "8 9";
    QTest::newRow("damaged: loop back to the deleted one") << "2, 'b', 3" << 2 << "2 3";
    QTest::newRow("damaged: own parent") << "4, 'd', 4" << 4 << "4";
  }
  void deleteCategoryTree() {
    QFETCH(QString, extraRows);
    QFETCH(int, deleteID);
    QFETCH(QString, expectedDeleted);
    Db db;
    for (const char* row : {"1, 'a', 0", "2, 'b', 1", "3, 'c', 2", "4, 'd', 1", "5, 'e', 0"}) {
      db.Exec(QStringLiteral("INSERT INTO CATEGORIES(ID, NAME, PARENTID) VALUES(%1)")
                  .arg(QLatin1String(row)));
    }
    // Damaged rows replace (or add to) the sound ones.
    for (const QString& row : extraRows.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      db.Exec(QStringLiteral("INSERT OR REPLACE INTO CATEGORIES(ID, NAME, PARENTID) VALUES(%1)")
                  .arg(row));
    }
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    for (int c = 1; c <= 9; ++c) {
      TImageFileInfo r;
      r.FileName = QStringLiteral("%1.jpg").arg(c);
      r.CatalogID = cat;
      r.CategoryID = c;
      db.q.InsertFileRecord(r);
    }
    const qint64 categoriesBefore = db.Scalar(QStringLiteral("SELECT count(*) FROM CATEGORIES"));
    std::vector<std::int32_t> deleted = db.q.DeleteCategoryTree(deleteID);
    std::sort(deleted.begin(), deleted.end());
    QStringList got;
    for (const std::int32_t id : deleted) {
      got << QString::number(id);
      QCOMPARE(
          db.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE CATEGORYID = %1").arg(id)), 0);
    }
    QCOMPARE(got.join(QLatin1Char(' ')), expectedDeleted);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATEGORIES")),
             categoriesBefore - qint64(deleted.size()));
    // Exactly the files of the deleted categories were released.
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE CATEGORYID = 0")),
             qint64(deleted.size()));
  }

  // A write transaction whose work raises part way: the scope's end rolls
  // everything back; keeping what was done commits it, unless the engine
  // had rolled the transaction back itself. Either way none stays open.
  void writeTransactionAfterAFailure_data() {
    QTest::addColumn<QString>("ending");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<int>("rowsLeft");
    QTest::newRow("scope ends") << "" << false << 0;
    QTest::newRow("keep what is done") << "keep" << true << 2;
    QTest::newRow("engine rolled back, keep") << "ROLLBACK;keep" << false << 0;
  }
  void writeTransactionAfterAFailure() {
    QFETCH(QString, ending);
    QFETCH(bool, kept);
    QFETCH(int, rowsLeft);
    Db db;
    db.Exec(QStringLiteral("INSERT INTO CATEGORIES(NAME, PARENTID) VALUES('before', 0)"));
    bool gotKept = false;
    try {
      std::lock_guard lock(db.locks.DbLock);
      TWriteTransaction work(db.dm);
      try {
        for (const char* name : {"a", "b"}) {
          TStatement st(db.dm.CurrentSession(),
                        QStringLiteral("INSERT INTO CATEGORIES(NAME, PARENTID) VALUES(:Name, 0)"));
          st.BindText(":Name", QString::fromLatin1(name));
          st.Exec();
        }
        // The work fails after two rows: a statement the engine rejects.
        TStatement(db.dm.CurrentSession(), QStringLiteral("INSERT INTO NO_SUCH_TABLE VALUES(1)"))
            .Exec();
        QFAIL("no error");
      } catch (const GlimrError&) {
        if (ending.startsWith(QLatin1String("ROLLBACK"))) {
          sqlite3_exec(db.dm.CurrentSession().Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        }
        if (ending.endsWith(QLatin1String("keep"))) {
          gotKept = work.CommitWhatIsDone();
        }
        throw;
      }
    } catch (const GlimrError&) {
    }
    QCOMPARE(gotKept, kept);
    QVERIFY(!db.dm.InWork());
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATEGORIES WHERE NAME <> 'before'")),
             rowsLeft);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATEGORIES WHERE NAME = 'before'")), 1);
  }

  // A refused delete leaves every category and file as it was.
  void deleteCategoryTreeRefused() {
    Db db;
    const std::int32_t top = db.q.InsertCategory(QStringLiteral("a"), 0);
    const std::int32_t child = db.q.InsertCategory(QStringLiteral("b"), top);
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    TImageFileInfo r;
    r.FileName = QStringLiteral("1.jpg");
    r.CatalogID = cat;
    r.CategoryID = child;
    db.q.InsertFileRecord(r);
    sqlite3_exec(db.Handle(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    QVERIFY_THROWS_EXCEPTION(TCatalogWriteError, db.q.DeleteCategoryTree(top));
    sqlite3_exec(db.Handle(), "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM CATEGORIES")), 2);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT CATEGORYID FROM FILES")), child);
    QVERIFY(!db.dm.InWork());
  }

  // Rows of a category come back with the rating clamped; a file in a
  // category with no row is still found under that ID.
  void readCategoryFiles() {
    Db db;
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    db.Exec(QStringLiteral("INSERT INTO FILES(FILENAME, CATALOGID, CATEGORYID, RATING) VALUES "
                           "('a.jpg', %1, 42, 9), ('b.jpg', %1, 42, -3), ('c.jpg', %1, 7, 3)")
                .arg(cat));
    const auto records = db.q.ReadCategoryFiles(42);
    QCOMPARE(records.size(), size_t{2});
    QStringList got;
    for (const auto& r : records) {
      QCOMPARE(r->CategoryID, 42);
      QCOMPARE(r->CatalogID, cat);
      QVERIFY(r->ID > 0);
      got << QStringLiteral("%1=%2").arg(r->FileName).arg(r->Rating);
    }
    got.sort();
    QCOMPARE(got, QStringList({QStringLiteral("a.jpg=5"), QStringLiteral("b.jpg=0")}));
  }

  // Only the user's edits reach the rows, all of them or none.
  void writeUserEdits() {
    Db db;
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    TImageFileInfo a = SampleRecord(cat);
    a.ID = db.q.InsertFileRecord(a);
    TImageFileInfo b = SampleRecord(cat);
    b.FileName = QStringLiteral("b.jpg");
    b.ID = db.q.InsertFileRecord(b);
    TImageFileInfo noRow = SampleRecord(cat);
    noRow.FileName = QStringLiteral("new.jpg");
    a.Caption = QStringLiteral("edited");
    a.Rating = 1;
    a.CategoryID = 3;
    a.Angle = 90.0;
    a.VFliped = false;
    a.HFliped = true;
    a.FileName = QStringLiteral("renamed.jpg");  // not an edit: stays in the row
    a.FileSize = 1;
    b.Rating = 2;
    db.q.WriteUserEdits({&a, &noRow, &b});
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 2);
    TImageFileInfo back;
    back.FileName = SampleRecord(cat).FileName;
    back.CatalogID = cat;
    QVERIFY(db.q.ReadFileRecord(back));
    QCOMPARE(UserFields(back), QStringLiteral("edited|1|3"));
    QCOMPARE(back.Angle, 90.0);
    QCOMPARE(back.VFliped, false);
    QCOMPARE(back.HFliped, true);
    QCOMPARE(back.FileSize, SampleRecord(cat).FileSize);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT RATING FROM FILES WHERE ID = %1").arg(b.ID)), 2);

    // A refused write changes no row, and is reported.
    a.Rating = 5;
    b.Caption = QString(20000, QLatin1Char('c'));
    sqlite3_exec(db.Handle(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    QVERIFY_THROWS_EXCEPTION(TCatalogWriteError, db.q.WriteUserEdits({&a, &b}));
    QVERIFY(db.dm.WriteHealth().Failing());
    sqlite3_exec(db.Handle(), "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT RATING FROM FILES WHERE ID = %1").arg(a.ID)), 1);
    db.q.WriteUserEdits({&a});
    QVERIFY(!db.dm.WriteHealth().Failing());
    QCOMPARE(db.Scalar(QStringLiteral("SELECT RATING FROM FILES WHERE ID = %1").arg(a.ID)), 5);
  }

  // Only the row with that ID goes; a refused delete keeps it and is raised.
  void deleteFileRecord() {
    Db db;
    const std::int32_t cat = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    TImageFileInfo a = SampleRecord(cat);
    a.ID = db.q.InsertFileRecord(a);
    TImageFileInfo b = SampleRecord(cat);
    b.FileName = QStringLiteral("b.jpg");
    b.ID = db.q.InsertFileRecord(b);
    sqlite3_exec(db.Handle(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    QVERIFY_THROWS_EXCEPTION(TCatalogWriteError, db.q.DeleteFileRecord(a.ID));
    sqlite3_exec(db.Handle(), "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 2);
    db.q.DeleteFileRecord(a.ID);
    db.q.DeleteFileRecord(a.ID + b.ID + 100);  // unknown: nothing happens
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 1);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT ID FROM FILES")), b.ID);
  }

  // A moved file's row takes its new place with its edits; a row that held
  // that place for an older file goes; a refused move changes nothing.
  void moveFileRecord() {
    Db db;
    const std::int32_t from = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    const std::int32_t to = db.q.CatalogIDOfPath(QStringLiteral("/archive/"));
    TImageFileInfo moved = SampleRecord(from);
    moved.Caption = QStringLiteral("harbour");
    moved.ID = db.q.InsertFileRecord(moved);
    TImageFileInfo stale = SampleRecord(to);
    stale.FileName = QStringLiteral("harbour.jpg");
    stale.ID = db.q.InsertFileRecord(stale);

    sqlite3_exec(db.Handle(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    QVERIFY_THROWS_EXCEPTION(TCatalogWriteError,
                             db.q.MoveFileRecord(moved.ID, to, QStringLiteral("harbour.jpg")));
    sqlite3_exec(db.Handle(), "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 2);

    db.q.MoveFileRecord(moved.ID, to, QStringLiteral("harbour.jpg"));
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 1);
    TImageFileInfo read;
    read.CatalogID = to;
    read.FileName = QStringLiteral("harbour.jpg");
    QVERIFY(db.q.ReadFileRecord(read));
    QCOMPARE(read.ID, moved.ID);
    QCOMPARE(read.Caption, QStringLiteral("harbour"));

    db.q.DeleteFileRecordOf(to, QStringLiteral("harbour.jpg"));
    db.q.DeleteFileRecordOf(to, QStringLiteral("none.jpg"));  // no row: nothing happens
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 0);
  }

  // Before a move the row is copied to the file's new place, stored
  // thumbnail included, over a row that held that place; the original
  // stays until the file has moved. A refused copy changes nothing.
  void copyFileRecordTo() {
    Db db;
    const std::int32_t from = db.q.CatalogIDOfPath(QStringLiteral("/pics/"));
    const std::int32_t to = db.q.CatalogIDOfPath(QStringLiteral("/archive/"));
    TImageFileInfo moved = SampleRecord(from);
    moved.Caption = QStringLiteral("harbour");
    moved.ID = db.q.InsertFileRecord(moved);
    QVERIFY(db.q.WriteThumbRow(moved.FileName, from, QByteArray("jpeg\0bytes", 10), 2.5, 64, 48));
    TImageFileInfo stale = SampleRecord(to);
    stale.FileName = QStringLiteral("harbour.jpg");
    stale.Caption = QStringLiteral("stale");
    stale.ID = db.q.InsertFileRecord(stale);

    sqlite3_exec(db.Handle(), "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    QVERIFY_THROWS_EXCEPTION(TCatalogWriteError,
                             db.q.CopyFileRecordTo(moved.ID, to, QStringLiteral("harbour.jpg")));
    sqlite3_exec(db.Handle(), "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 2);

    const std::int32_t copy = db.q.CopyFileRecordTo(moved.ID, to, QStringLiteral("harbour.jpg"));
    QVERIFY(copy != 0 && copy != moved.ID && copy != stale.ID);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 2);
    TImageFileInfo read;
    read.CatalogID = to;
    read.FileName = QStringLiteral("harbour.jpg");
    QVERIFY(db.q.ReadFileRecord(read));
    QCOMPARE(read.ID, copy);
    QCOMPARE(read.Caption, QStringLiteral("harbour"));
    QCOMPARE(read.Rating, moved.Rating);
    QCOMPARE(read.CategoryID, moved.CategoryID);
    const std::optional<TThumbRow> thumb = db.q.ReadThumbRow(QStringLiteral("harbour.jpg"), to);
    QVERIFY(thumb && thumb->IsThumb);
    QCOMPARE(thumb->Thumb, QByteArray("jpeg\0bytes", 10));
    TImageFileInfo original = SampleRecord(from);
    QVERIFY(db.q.ReadFileRecord(original));
    QCOMPARE(original.ID, moved.ID);

    // No row to copy: the place is cleared all the same.
    QCOMPARE(db.q.CopyFileRecordTo(0, to, QStringLiteral("harbour.jpg")), 0);
    QCOMPARE(db.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 1);
  }

  void unopenableFolder() {
    QTemporaryDir dir;
    // A plain file where the database folder should be.
    const QString blocker = dir.path() + QStringLiteral("/DataBase");
    QFile f(blocker);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    TLocks locks;
    TdmVesk dm(blocker + QStringLiteral("/"), locks.DbLock);
    TCatalogQueries q(dm);
    try {
      q.CatalogIDOfPath(QStringLiteral("/home/"));
      QFAIL("no error");
    } catch (const GlimrError& e) {
      QVERIFY2(e.message().contains(QStringLiteral("unable to open")), qPrintable(e.message()));
    }
  }
};

QTEST_GUILESS_MAIN(TestCatalog)
#include "test_catalog.moc"
