#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>

#include "browse/filelist.h"
#include "browse/filemask.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/datetime.h"
#include "common/locks.h"
#include "search/criteria.h"
#include "search/searchpattern.h"
#include "search/searchrun.h"
#include "support/privileges.h"

using namespace glimr;

namespace {

// A catalog and a tree of (empty) picture files in one temporary folder.
struct Scene {
  QTemporaryDir dir;
  TLocks locks;
  TdmVesk dm{dir.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries q{dm};

  QString Root() const { return dir.path() + QStringLiteral("/t/"); }
  QString File(const QString& rel) {
    const QString path = Root() + rel;
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    return path;
  }
  // A FILES row for a file under the root (the file itself is not made).
  std::int32_t Row(const QString& rel, const QString& caption = QString(),
                   std::int32_t category = 0) {
    TImageFileInfo r;
    const QFileInfo fi(Root() + rel);
    r.FileName = fi.fileName();
    r.CatalogID = q.CatalogIDOfPath(fi.path() + QLatin1Char('/'));
    r.TypeName = GetExtension(r.FileName).toUpper();
    r.Caption = caption;
    r.CategoryID = category;
    return q.InsertFileRecord(r);
  }
  qint64 Scalar(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement st(dm.CurrentSession(), sql);
    return st.Step() ? st.Row().Int64(0) : 0;
  }
  void Exec(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement(dm.CurrentSession(), sql).Exec();
  }
  // The results as paths relative to the root, sorted.
  QStringList Names(const TFileList& list) const {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i) {
      names << QDir(Root()).relativeFilePath(list.Key(i));
    }
    names.sort();
    return names;
  }
};

TSearchRequest Request(const QString& name, const QStringList& folders, bool onlyDb) {
  TSearchRequest r;
  r.NameText = name;
  r.Folders = folders;
  r.OnlyInDatabase = onlyDb;
  r.Properties.SupportedTypes = {QStringLiteral("jpg"), QStringLiteral("png")};
  return r;
}

// Runs a search; returns the sorted relative result paths.
QStringList Search(Scene& s, const TSearchRequest& request, QString* error = nullptr) {
  const TComparObj criteria = BuildCriteria(request.Properties);
  TFileList results(true);
  std::atomic<bool> cancel{false};
  TSearchRun run(s.q, request, criteria, results, cancel);
  run.Run();
  if (error) {
    *error = run.Error();
  }
  return s.Names(results);
}

}  // namespace

class TestSearch : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  // The presets and dialog rows become the right comparisons, bounds inclusive.
  void criteria_data() {
    QTest::addColumn<int>("kind");  // 0 dimensions (w = h = value), 1 size, 2 rating
    QTest::addColumn<int>("choice");
    QTest::addColumn<int>("op");  // operator item of the dialog row
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("second");
    QTest::addColumn<qint64>("value");
    QTest::addColumn<bool>("matches");
    const int small = 1, average = 2, big = 3, special = 4;
    QTest::newRow("100x100 small") << 0 << small << 0 << 0ll << 0ll << 100ll << true;
    QTest::newRow("100x100 average") << 0 << average << 0 << 0ll << 0ll << 100ll << true;
    QTest::newRow("1024 average") << 0 << average << 0 << 0ll << 0ll << 1024ll << true;
    QTest::newRow("1024 big") << 0 << big << 0 << 0ll << 0ll << 1024ll << true;
    QTest::newRow("101 small") << 0 << small << 0 << 0ll << 0ll << 101ll << false;
    QTest::newRow("dims between reversed") << 0 << special << 6 << 500ll << 200ll << 300ll << true;
    QTest::newRow("dims between outside") << 0 << special << 6 << 500ll << 200ll << 501ll << false;
    QTest::newRow("102400 small") << 1 << small << 0 << 0ll << 0ll << 102400ll << true;
    QTest::newRow("102400 average") << 1 << average << 0 << 0ll << 0ll << 102400ll << true;
    QTest::newRow("1048576 average") << 1 << average << 0 << 0ll << 0ll << 1048576ll << true;
    QTest::newRow("1048576 big") << 1 << big << 0 << 0ll << 0ll << 1048576ll << true;
    QTest::newRow("size KB less") << 1 << special << 4 << 10ll << 0ll << 10239ll << true;
    QTest::newRow("size KB not less") << 1 << special << 4 << 10ll << 0ll << 10240ll << false;
    QTest::newRow("size between reversed")
        << 1 << special << 6 << 500ll << 200ll << 204800ll << true;
    QTest::newRow("rating not equal") << 2 << 1 << 1 << 3ll << 0ll << 3ll << false;
    QTest::newRow("rating more") << 2 << 1 << 2 << 3ll << 0ll << 4ll << true;
    QTest::newRow("rating between reversed") << 2 << 1 << 6 << 5ll << 2ll << 2ll << true;
  }
  void criteria() {
    QFETCH(int, kind);
    QFETCH(int, choice);
    QFETCH(int, op);
    QFETCH(qint64, first);
    QFETCH(qint64, second);
    QFETCH(qint64, value);
    QFETCH(bool, matches);
    TPropertyChoices p;
    const TNumberCondition row{true, static_cast<TOperatorItem>(op), first, second};
    TComparObj c;
    bool got = false;
    switch (kind) {
      case 0:
        p.Dimensions = static_cast<TDimensionChoice>(choice);
        p.Width = p.Height = row;
        c = BuildCriteria(p);
        QVERIFY(c.NeedDimensions);
        got = c.TestWidth(value) && c.TestHeight(value);
        break;
      case 1:
        p.Size = static_cast<TSizeChoice>(choice);
        p.SizeKB = row;
        c = BuildCriteria(p);
        got = c.TestSize(value);
        break;
      default:
        p.Rating = static_cast<TRatingChoice>(choice);
        p.Stars = row;
        c = BuildCriteria(p);
        got = c.TestRating(value);
    }
    QCOMPARE(got, matches);
  }

  // The date presets count from today; "equal" on dates is within a millisecond.
  void datePresets_data() {
    QTest::addColumn<int>("choice");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDateTime>("first");  // first moment inside
    QTest::addColumn<QDateTime>("end");    // first moment after
    const QDate wed(2024, 5, 15);
    QTest::newRow("today") << int(TDateChoice::Today) << wed << QDateTime(wed, QTime(0, 0))
                           << QDateTime(wed.addDays(1), QTime(0, 0));
    QTest::newRow("last week on a Wednesday")
        << int(TDateChoice::LastWeek) << wed << QDateTime(QDate(2024, 5, 5), QTime(0, 0))
        << QDateTime(QDate(2024, 5, 12), QTime(0, 0));
    QTest::newRow("last week on a Sunday")
        << int(TDateChoice::LastWeek) << QDate(2024, 5, 12)
        << QDateTime(QDate(2024, 5, 5), QTime(0, 0)) << QDateTime(QDate(2024, 5, 12), QTime(0, 0));
    QTest::newRow("last month in March of a leap year")
        << int(TDateChoice::LastMonth) << QDate(2024, 3, 10)
        << QDateTime(QDate(2024, 2, 1), QTime(0, 0)) << QDateTime(QDate(2024, 3, 1), QTime(0, 0));
    QTest::newRow("last year") << int(TDateChoice::LastYear) << QDate(2024, 1, 1)
                               << QDateTime(QDate(2023, 1, 1), QTime(0, 0))
                               << QDateTime(QDate(2024, 1, 1), QTime(0, 0));
  }
  void datePresets() {
    QFETCH(int, choice);
    QFETCH(QDate, today);
    QFETCH(QDateTime, first);
    QFETCH(QDateTime, end);
    TPropertyChoices p;
    p.Date = static_cast<TDateChoice>(choice);
    const TComparObj c = BuildCriteria(p, today);
    QVERIFY(c.TestDate(DateTimeToDays(first)));
    QVERIFY(c.TestDate(DateTimeToDays(end.addMSecs(-1))));
    QVERIFY(!c.TestDate(DateTimeToDays(end)));
    QVERIFY(!c.TestDate(DateTimeToDays(first.addMSecs(-1))));
  }

  void specialDates() {
    TPropertyChoices p;
    p.Date = TDateChoice::Special;
    const QDateTime a(QDate(2024, 1, 2), QTime(10, 0));
    const QDateTime b(QDate(2024, 1, 1), QTime(10, 0));
    p.DateFirst = a;
    p.DateSecond = b;
    p.DateOperator = TDateOperator::Between;  // given later first
    TComparObj c = BuildCriteria(p);
    QVERIFY(c.TestDate(DateTimeToDays(b)));
    QVERIFY(c.TestDate(DateTimeToDays(a)));
    QVERIFY(!c.TestDate(DateTimeToDays(a.addMSecs(1))));
    p.DateOperator = TDateOperator::After;
    c = BuildCriteria(p);
    QVERIFY(!c.TestDate(DateTimeToDays(a)));
    QVERIFY(c.TestDate(DateTimeToDays(a.addMSecs(1))));
  }

  // Types are upper case and each once; none chosen means every supported one.
  void searchTypes() {
    TPropertyChoices p;
    p.SupportedTypes = {QStringLiteral("jpg"), QStringLiteral("PNG")};
    QCOMPARE(BuildCriteria(p).SearchTypes, QStringList({"JPG", "PNG"}));
    p.FileTypes = {QStringLiteral("png"), QStringLiteral(".PNG"), QStringLiteral("Gif")};
    QCOMPARE(BuildCriteria(p).SearchTypes, QStringList({"PNG", "GIF"}));
  }

  // Dimensions: read only when needed; a size of 0 in the record is filled
  // and marks it modified; no plug-in entry counts as 0 by 0.
  void dimensions() {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/a.jpg");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    TImageFileInfo r;
    r.FileName = QStringLiteral("a.jpg");
    r.Path = dir.path() + QLatin1Char('/');
    r.TypeName = QStringLiteral("JPG");
    r.FileDate = FileModDays(path);
    int reads = 0;
    const TDimensionsReader reader = [&](const QString& p, const QString&, std::int32_t& w,
                                         std::int32_t& h) {
      ++reads;
      w = 640;
      h = 480;
      return p == path;
    };
    TPropertyChoices p;
    QVERIFY(BuildCriteria(p).MatchesCriteria(r, reader));
    QCOMPARE(reads, 0);

    p.Dimensions = TDimensionChoice::Special;
    p.Width = {true, TOperatorItem::Equal, 640, 0};
    QVERIFY(BuildCriteria(p).MatchesCriteria(r, reader));
    QCOMPARE(reads, 1);
    QVERIFY(r.Modified);
    QCOMPARE(r.Height, 480);
    r.Modified = false;
    QVERIFY(BuildCriteria(p).MatchesCriteria(r, reader));
    QCOMPARE(reads, 1);  // known and the file unchanged

    TImageFileInfo none = r;
    none.Width = 0;
    p.Width = {true, TOperatorItem::Equal, 0, 0};
    QVERIFY(BuildCriteria(p).MatchesCriteria(none, {}));
    QCOMPARE(none.Width, 0);
    p.Width = {true, TOperatorItem::More, 0, 0};
    QVERIFY(!BuildCriteria(p).MatchesCriteria(none, {}));
  }

  void likePattern_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("like");
    QTest::newRow("empty") << ""
                           << "%";
    QTest::newRow("plain") << "cat"
                           << "%cat%";
    QTest::newRow("star inside") << "a*b"
                                 << "%a%b%";
    QTest::newRow("stars at the ends") << "*cat*"
                                       << "%cat%";
    QTest::newRow("percent and underscore") << "5%_x"
                                            << "%5\\%\\_x%";
    QTest::newRow("backslash") << "a\\b"
                               << "%a\\\\b%";
    QTest::newRow("question mark") << "c?t"
                                   << "%c_t%";
    QTest::newRow("set") << "[cb]at"
                         << "%_at%";
    QTest::newRow("negated set") << "[!b]at"
                                 << "%_at%";
    QTest::newRow("quote") << "o'brien"
                           << "%o'br_en%";
    QTest::newRow("non-ASCII") << "\u00e4cat"
                               << "%_cat%";
    QTest::newRow("ends with a literal percent") << "5%"
                                                 << "%5\\%%";
  }
  void likePattern() {
    QFETCH(QString, text);
    QFETCH(QString, like);
    QCOMPARE(SearchLikePattern(text), like);
  }

  // Every name the mask accepts passes the engine's LIKE too, so the query
  // never hides a row the disk finds.
  void likeNeverNarrowerThanMask() {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &db), SQLITE_OK);
    const QStringList texts = {"cat", "CAT",    "a*b",        "5%",           "x_y",
                               "c?t", "[cb]at", "\u00c4rger", "\u00e4rger",   "s",
                               "I",   "o'b",    "a\\b",       "\u65e5\u672c", ""};
    const QStringList names = {"Cat.jpg",        "my CAT.png",     "acb.jpg",          "5%.jpg",
                               "x_y.jpg",        "xay.jpg",        "cut.jpg",          "bat.jpg",
                               "\u00e4rger.jpg", "\u00c4RGER.jpg", "\u017f.jpg",       "\u0131.jpg",
                               "o'b.jpg",        "a\\b.jpg",       "\u65e5\u672c.jpg", "plain.jpg"};
    sqlite3_stmt* st = nullptr;
    QCOMPARE(sqlite3_prepare_v2(db, "SELECT ?1 LIKE ?2 ESCAPE '\\'", -1, &st, nullptr), SQLITE_OK);
    for (const QString& t : texts) {
      const TFileMask mask(SearchNameMask(t));
      const QByteArray like = SearchLikePattern(t).toUtf8();
      for (const QString& n : names) {
        const QByteArray name = n.toUtf8();
        sqlite3_bind_text(st, 1, name.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, like.constData(), -1, SQLITE_TRANSIENT);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        const bool liked = sqlite3_column_int(st, 0) != 0;
        sqlite3_reset(st);
        if (mask.Matches(n)) {
          QVERIFY2(liked, qPrintable(t + QStringLiteral(" / ") + n));
        }
      }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
  }

  void folderList_data() {
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<bool>("subdirs");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("case kept apart") << QStringList{"/a/Photos", "/a/photos/"} << true
                                     << QStringList{"/a/Photos/", "/a/photos/"};
    QTest::newRow("same folder twice")
        << QStringList{"/a/b", "/a/./b/"} << true << QStringList{"/a/b/"};
    QTest::newRow("nested searched once")
        << QStringList{"/a/b/", "/a/"} << true << QStringList{"/a/"};
    QTest::newRow("nested behind a sibling")
        << QStringList{"/a/", "/a-b/", "/a/b/"} << true << QStringList{"/a-b/", "/a/"};
    QTest::newRow("prefix of a name is not a parent")
        << QStringList{"/a/", "/ab/"} << true << QStringList{"/a/", "/ab/"};
    QTest::newRow("nested kept without subdirectories")
        << QStringList{"/a/b/", "/a/"} << false << QStringList{"/a/", "/a/b/"};
  }
  void folderList() {
    QFETCH(QStringList, folders);
    QFETCH(bool, subdirs);
    QFETCH(QStringList, expected);
    QCOMPARE(SearchFolderList(folders, subdirs), expected);
  }

  // Disk and catalog give the same answer for every name, and a repeated
  // disk search adds no second row.
  void diskAndCatalogAgree_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << "cat";
    QTest::newRow("non-ASCII case") << "\u00e4cat";
    QTest::newRow("question mark") << "c?t";
    QTest::newRow("set") << "[c]at";
    QTest::newRow("percent") << "5%";
    QTest::newRow("underscore") << "_x";
    QTest::newRow("quote and backslash") << "o'b\\";
  }
  void diskAndCatalogAgree() {
    QFETCH(QString, text);
    Scene s;
    const QStringList files = {"cat.jpg",          "CAT.JPG", "\u00c4CAT.jpg", "cot.png",
                               "5%.jpg",           "5x.jpg",  "a_x.jpg",       "abx.jpg",
                               "o'b\\.jpg",        "dog.jpg", "sub/cat2.png",  "sub/\u00e4cat.PNG",
                               "sub/deep/cut.jpg", "cat.txt"};
    for (const QString& f : files) {
      s.File(f);
    }
    const QStringList disk = Search(s, Request(text, {s.Root()}, false));
    const qint64 rows = s.Scalar(QStringLiteral("SELECT count(*) FROM FILES"));
    // The test's own judgement of each name.
    QStringList expected;
    const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(
                                    QLatin1Char('*') + text + QLatin1Char('*'),
                                    QRegularExpression::UnanchoredWildcardConversion),
                                QRegularExpression::CaseInsensitiveOption);
    for (const QString& f : files) {
      const QString name = QFileInfo(f).fileName();
      if (!f.endsWith(QLatin1String(".txt")) &&
          QRegularExpression(QLatin1Char('^') + re.pattern() + QLatin1Char('$'),
                             QRegularExpression::CaseInsensitiveOption)
              .match(name)
              .hasMatch()) {
        expected << f;
      }
    }
    expected.sort();
    QCOMPARE(disk, expected);
    QCOMPARE(Search(s, Request(text, {s.Root()}, true)), expected);
    QCOMPARE(Search(s, Request(text, {s.Root()}, false)), expected);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), rows);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE TYPENAME <> "
                                     "upper(TYPENAME)")),
             0ll);
  }

  // Only the catalog: no row is added from the disk, a row whose file is
  // gone is not a result, a subfolder without a catalog is not entered.
  void onlyDatabase() {
    Scene s;
    s.File(QStringLiteral("a/cat1.jpg"));
    s.Row(QStringLiteral("a/cat1.jpg"));
    s.Row(QStringLiteral("a/cat-gone.jpg"));
    s.File(QStringLiteral("a/cat-new.jpg"));
    s.File(QStringLiteral("b/cat3.jpg"));
    QCOMPARE(Search(s, Request(QStringLiteral("cat"), {s.Root()}, true)),
             QStringList{"a/cat1.jpg"});
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 2ll);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM CATALOGS WHERE NAME = 'b'")), 0ll);
  }

  // Captions count only when the disk is not searched: there a name must fit.
  void captions() {
    Scene s;
    s.File(QStringLiteral("dog.jpg"));
    s.Row(QStringLiteral("dog.jpg"), QStringLiteral("my cat"));
    TSearchRequest r = Request(QStringLiteral("cat"), {s.Root()}, true);
    QCOMPARE(Search(s, r), QStringList());
    r.InCaptions = true;
    QCOMPARE(Search(s, r), QStringList{"dog.jpg"});
    r.OnlyInDatabase = false;
    QCOMPARE(Search(s, r), QStringList());
  }

  // A type text never reaches the SQL as text.
  void typeWithQuote() {
    Scene s;
    s.File(QStringLiteral("cat.jpg"));
    TSearchRequest r = Request(QStringLiteral("cat"), {s.Root()}, false);
    r.Properties.FileTypes = {QStringLiteral("JPG' OR 1=1 --"), QStringLiteral("jpg")};
    QString error;
    QCOMPARE(Search(s, r, &error), QStringList{"cat.jpg"});
    QCOMPARE(error, QString());
    QCOMPARE(Search(s, r), QStringList{"cat.jpg"});
  }

  void badMask() {
    Scene s;
    s.File(QStringLiteral("cat.jpg"));
    QString error;
    QCOMPARE(Search(s, Request(QStringLiteral("[cat"), {s.Root()}, false), &error), QStringList());
    QVERIFY(error.contains(QStringLiteral("invalid mask")));
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 0ll);
  }

  // A link back up the tree and a second link to a folder: each folder is
  // searched once, by the first path met, and only its catalog gets rows.
  void symlinkLoop() {
    Scene s;
    QString deep = QStringLiteral("d0");
    for (int i = 1; i < 10; ++i) {
      deep += QStringLiteral("/d%1").arg(i);
    }
    s.File(deep + QStringLiteral("/cat.jpg"));
    s.File(QStringLiteral("cat0.jpg"));
    QVERIFY(QFile::link(s.Root(), s.Root() + deep + QStringLiteral("/up")));
    QVERIFY(QFile::link(s.Root() + QStringLiteral("d0"), s.Root() + QStringLiteral("z")));
    QCOMPARE(Search(s, Request(QStringLiteral("cat"), {s.Root()}, false)),
             QStringList({"cat0.jpg", deep + "/cat.jpg"}));
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 2ll);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM CATALOGS WHERE NAME IN ('up', 'z')")),
             0ll);
  }

  void unreadableFolder() {
    GLIMR_WITHOUT_FILE_CAPABILITIES();
    Scene s;
    s.File(QStringLiteral("locked/inner/cat.jpg"));
    s.File(QStringLiteral("open/cat.jpg"));
    QFile::setPermissions(s.Root() + QStringLiteral("locked"), QFile::WriteOwner);
    const QStringList found = Search(s, Request(QStringLiteral("cat"), {s.Root()}, false));
    QFile::setPermissions(s.Root() + QStringLiteral("locked"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(found, QStringList{"open/cat.jpg"});
    QCOMPARE(
        s.Scalar(QStringLiteral("SELECT count(*) FROM CATALOGS WHERE NAME IN ('locked', 'inner')")),
        0ll);
  }

  // Categories: children followed, each category once even when listed
  // twice, below another listed one, or in a loop of parents.
  void categories() {
    Scene s;
    const std::int32_t a = s.q.InsertCategory(QStringLiteral("A"), 0);
    const std::int32_t b = s.q.InsertCategory(QStringLiteral("B"), a);
    const std::int32_t c = s.q.InsertCategory(QStringLiteral("C"), b);
    s.Exec(QStringLiteral("UPDATE CATEGORIES SET PARENTID = %1 WHERE ID = %2").arg(c).arg(a));
    s.File(QStringLiteral("x/cat-a.jpg"));
    s.File(QStringLiteral("x/cat-b.jpg"));
    s.File(QStringLiteral("x/cat-c.jpg"));
    s.Row(QStringLiteral("x/cat-a.jpg"), QString(), a);
    s.Row(QStringLiteral("x/cat-b.jpg"), QString(), b);
    s.Row(QStringLiteral("x/cat-c.jpg"), QString(), c);
    s.Row(QStringLiteral("x/cat-gone.jpg"), QString(), c);
    TSearchRequest r = Request(QStringLiteral("cat"), {}, true);
    r.CategoryIDs = {a, b, a};
    QStringList where;
    const TComparObj criteria = BuildCriteria(r.Properties);
    TFileList results(true);
    std::atomic<bool> cancel{false};
    TSearchHooks hooks;
    // The report on entering a category; the reports of its found files
    // (which name it again) are the ones that raise the count.
    int lastFound = -1;
    hooks.Progress = [&](const QString& w, bool isCategory, int found) {
      if (isCategory && found == std::max(lastFound, 0)) {
        where << w;
      }
      lastFound = found;
    };
    TSearchRun run(s.q, r, criteria, results, cancel, hooks);
    run.Run();
    QCOMPARE(s.Names(results), QStringList({"x/cat-a.jpg", "x/cat-b.jpg", "x/cat-c.jpg"}));
    QCOMPARE(where.size(), 3);
    r.Subcategories = false;
    r.CategoryIDs = {b};
    QCOMPARE(Search(s, r), QStringList{"x/cat-b.jpg"});
  }

  // Hidden folders (the trash among them) are walked past, in the catalog
  // as on the disk, as the folder tree skips them; hidden files still count,
  // and a hidden folder the user lists is searched.
  void hiddenFoldersSkipped_data() {
    QTest::addColumn<bool>("onlyDb");
    QTest::newRow("disk") << false;
    QTest::newRow("catalog only") << true;
  }
  void hiddenFoldersSkipped() {
    QFETCH(bool, onlyDb);
    Scene s;
    const QStringList files = {"a/cat.jpg", ".cat.jpg", ".local/share/Trash/files/cat.jpg",
                               "a/.cache/cat.jpg", ".hidden/cat.jpg"};
    for (const QString& f : files) {
      s.File(f);
      if (onlyDb) {
        s.Row(f);  // rows left behind by an earlier walk
      }
    }
    const qint64 rows = s.Scalar(QStringLiteral("SELECT count(*) FROM FILES"));
    QCOMPARE(Search(s, Request(QStringLiteral("cat"), {s.Root()}, onlyDb)),
             QStringList({".cat.jpg", "a/cat.jpg"}));
    QCOMPARE(Search(s, Request(QStringLiteral("cat"), {s.Root() + ".hidden"}, onlyDb)),
             QStringList{".hidden/cat.jpg"});
    if (!onlyDb) {
      QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), rows + 3);
      QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM CATALOGS WHERE NAME IN "
                                       "('.local', 'share', 'Trash', 'files', '.cache')")),
               0ll);
    }
  }

  // Searching the disk judges size and date by the file as it is now, and a
  // row written before the file changed takes the disk's size and date (its
  // thumbnail marked stale) whether the file matches or not. Searching only
  // the catalog judges the row as it stands and leaves it alone.
  void changedFileJudgedByTheDisk_data() {
    QTest::addColumn<bool>("onlyDb");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<bool>("found");
    QTest::newRow("today") << false << "today" << true;
    QTest::newRow("today, catalog only") << true << "today" << false;
    QTest::newRow("size") << false << "size" << true;
    QTest::newRow("last year, no match") << false << "last year" << false;
    // The stored 640 x 480 belonged to the file as it was.
    QTest::newRow("width measured again") << false << "width" << true;
  }
  void changedFileJudgedByTheDisk() {
    QFETCH(bool, onlyDb);
    QFETCH(QString, condition);
    QFETCH(bool, found);
    Scene s;
    const QString path = s.File(QStringLiteral("a/cat.jpg"));
    {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QByteArray(3000, 'x'));
    }
    const std::int32_t id = s.Row(QStringLiteral("a/cat.jpg"));
    s.Exec(QStringLiteral("UPDATE FILES SET FILESIZE = 5, FILEDATE = 36000.5, WIDTH = 640, "
                          "HEIGHT = 480, ISTHUMB = TRUE WHERE ID = %1")
               .arg(id));
    const double diskDate = FileModDays(path);

    TSearchRequest r = Request(QStringLiteral("cat"), {s.Root()}, onlyDb);
    TPropertyChoices& p = r.Properties;
    if (condition == QLatin1String("today")) {
      p.Date = TDateChoice::Today;
    } else if (condition == QLatin1String("last year")) {
      p.Date = TDateChoice::LastYear;
    } else if (condition == QLatin1String("size")) {
      p.Size = TSizeChoice::Special;
      p.SizeKB = {true, TOperatorItem::MoreOrEqual, 2, 0};
    } else {
      p.Dimensions = TDimensionChoice::Special;
      p.Width = {true, TOperatorItem::Equal, 800, 0};
    }
    const TComparObj criteria = BuildCriteria(p, DaysToDateTime(diskDate).date());
    TFileList results(true);
    std::atomic<bool> cancel{false};
    TSearchHooks hooks;
    hooks.ReadDimensions = [](const QString&, const QString&, std::int32_t& w, std::int32_t& h) {
      w = 800;
      h = 600;
      return true;
    };
    TSearchRun run(s.q, r, criteria, results, cancel, hooks);
    run.Run();
    QCOMPARE(run.Error(), QString());
    QCOMPARE(s.Names(results), found ? QStringList{"a/cat.jpg"} : QStringList());
    if (found) {
      QCOMPARE(results.At(0)->FileSize, 3000ll);
      QCOMPARE(results.At(0)->FileDate, diskDate);
    }
    const QString row = QStringLiteral(" FROM FILES WHERE ID = %1").arg(id);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT FILESIZE") + row), onlyDb ? 5ll : 3000ll);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT FILEDATE = %1").arg(diskDate, 0, 'g', 17) + row),
             onlyDb ? 0ll : 1ll);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT ISTHUMB") + row), onlyDb ? 1ll : 0ll);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 1ll);
  }

  // Every report names the folder or category being searched, also the
  // reports of a found file, so the progress window never goes blank.
  void progressNamesThePlace_data() {
    QTest::addColumn<bool>("onlyDb");
    QTest::addColumn<bool>("byCategory");
    QTest::newRow("disk") << false << false;
    QTest::newRow("catalog only") << true << false;
    QTest::newRow("category") << true << true;
  }
  void progressNamesThePlace() {
    QFETCH(bool, onlyDb);
    QFETCH(bool, byCategory);
    Scene s;
    const std::int32_t category = s.q.InsertCategory(QStringLiteral("Pets"), 0);
    for (const char* f : {"cat1.jpg", "sub/cat2.jpg", "sub/cat3.jpg"}) {
      s.File(QLatin1String(f));
      s.Row(QLatin1String(f), QString(), category);
    }
    TSearchRequest r = Request(QStringLiteral("cat"), {}, onlyDb);
    if (byCategory) {
      r.CategoryIDs = {category};
    } else {
      r.Folders = {s.Root()};
    }
    const TComparObj criteria = BuildCriteria(r.Properties);
    TFileList results(true);
    std::atomic<bool> cancel{false};
    QStringList reports;  // "where|category|found"
    QStringList expected;
    int counted = 0;
    TSearchHooks hooks;
    hooks.Progress = [&](const QString& where, bool isCategory, int found) {
      reports << where + u'|' + QString::number(isCategory) + u'|' + QString::number(found);
      // A report that counts a new result names the place it was found in.
      if (found > counted && found <= results.Count()) {
        counted = found;
        const QString place = byCategory ? QStringLiteral("Pets") : results.At(found - 1)->Path;
        expected << place + u'|' + QString::number(byCategory) + u'|' + QString::number(found);
      }
    };
    TSearchRun run(s.q, r, criteria, results, cancel, hooks);
    run.Run();
    QCOMPARE(results.Count(), 3);
    for (const QString& report : std::as_const(reports)) {
      QVERIFY2(!report.startsWith(u'|'), qPrintable(reports.join(QStringLiteral(", "))));
    }
    for (const QString& e : std::as_const(expected)) {
      QVERIFY2(reports.contains(e),
               qPrintable(e + QStringLiteral(" in ") + reports.join(QStringLiteral(", "))));
    }
    QVERIFY(reports.last().endsWith(QStringLiteral("|3")));
  }

  // Cancel stops at once: no row is added after it, also in a large folder.
  void cancel() {
    Scene s;
    for (int i = 0; i < 3000; ++i) {
      s.File(QStringLiteral("big/cat%1.jpg").arg(i));
    }
    const TSearchRequest r = Request(QStringLiteral("cat"), {s.Root()}, false);
    const TComparObj criteria = BuildCriteria(r.Properties);
    TFileList results(true);
    std::atomic<bool> cancel{false};
    TSearchHooks hooks;
    hooks.Progress = [&](const QString&, bool, int found) {
      if (found >= 10) {
        cancel = true;
      }
    };
    TSearchRun run(s.q, r, criteria, results, cancel, hooks);
    run.Run();
    QVERIFY(run.Cancelled());
    QCOMPARE(results.Count(), 10);
    QCOMPARE(s.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), 10ll);
  }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "test_search.moc"
