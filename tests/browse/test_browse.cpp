#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <iterator>

#include <memory>
#include <mutex>

#include "browse/currentlists.h"
#include "browse/filelist.h"
#include "browse/filelistops.h"
#include "browse/filemask.h"
#include "browse/filesort.h"
#include "browse/filter.h"
#include "browse/folderloader.h"
#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/datetime.h"
#include "common/errors.h"
#include "common/locks.h"
#include "support/privileges.h"

using namespace glimr;

namespace {

TImageFileInfo* File(const QString& name, std::int64_t size = 0, double date = 0, int w = 0,
                     int h = 0) {
  auto* r = new TImageFileInfo;
  r->FileName = name;
  r->FileSize = size;
  r->FileDate = date;
  r->Width = w;
  r->Height = h;
  r->SlotWidth = 2.0;
  return r;
}

TImageFileInfo* Folder(const QString& name) {
  TImageFileInfo* r = File(name);
  r->IsFolder = true;
  r->Found = true;
  return r;
}

QStringList Names(const TFileList& list) {
  QStringList out;
  for (int i = 0; i < list.Count(); ++i) {
    out << list.At(i)->FileName;
  }
  return out;
}

void Touch(const QString& path, const QByteArray& content = QByteArray("x")) {
  QFile f(path);
  QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
  f.write(content);
}

// A catalog, a folder loader over it and the shown list, with a loader
// port and views that record what they are asked to do.
struct Browser : TLoaderPort {
  QTemporaryDir home;
  TLocks locks;
  TdmVesk dm{home.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries queries{dm};
  TShownList shown;
  const TCurrentLists& lists = shown.Lists();
  QStringList calls;
  QStringList queued;
  QHash<QString, double> diskDates;  // what DiskDateSeen was told
  int rowsSeenByWorker = 0;          // queued files whose row a worker's connection saw
  std::unique_ptr<TFolderLoader> loader;

  explicit Browser(const QStringList& extensions = {QStringLiteral("JPG"), QStringLiteral("png")}) {
    shown.SetLoaderPort(this);
    shown.SetCatalog(&queries);
    TFillServices services;
    services.DiskDateSeen = [this](const QString& path, double date) { diskDates[path] = date; };
    shown.SetFillServices(services);
    QObject::connect(&shown, &TShownList::aboutToReplace,
                     [this] { calls << QStringLiteral("freeze"); });
    QObject::connect(&shown, &TShownList::sourceChanged,
                     [this] { calls << QStringLiteral("show %1").arg(shown.Current().Count()); });
    loader = std::make_unique<TFolderLoader>(queries, extensions);
  }
  void Stop() override { calls << QStringLiteral("stop"); }
  void Enqueue(const QStringList& keys) override {
    calls << QStringLiteral("queue");
    queued = keys;
    // The loader reads on its own connection: every queued file's row
    // must already be committed when it hears of the file.
    TSession* worker = dm.CreateWorkerSession();
    rowsSeenByWorker = 0;
    try {
      for (const QString& key : keys) {
        const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
        const std::int32_t cat = queries.CatalogIDOfPath(key.left(slash + 1), worker);
        rowsSeenByWorker += queries.ReadThumbRow(key.mid(slash + 1), cat, worker) ? 1 : 0;
      }
    } catch (const GlimrError&) {
      rowsSeenByWorker = -1;  // a damaged catalog
    }
    dm.ReleaseWorkerSession(worker);
  }
  void Start() override { calls << QStringLiteral("start"); }
  TFolderLoadReport Load(const QString& folder) {
    calls.clear();
    diskDates.clear();
    return loader->LoadFolder(folder, shown);
  }
  qint64 Scalar(const QString& sql) {
    std::lock_guard lock(locks.DbLock);
    TStatement st(dm.CurrentSession(), sql);
    return st.Step() ? st.Row().Int64(0) : 0;
  }
  qint64 Rows() { return Scalar(QStringLiteral("SELECT count(*) FROM FILES")); }
  // The engine refusing every write of the main connection, as it does for
  // a read-only file (the superuser included).
  void SetReadOnly(bool on) {
    std::lock_guard lock(locks.DbLock);
    sqlite3_exec(dm.CurrentSession().Handle(),
                 on ? "PRAGMA query_only = 1" : "PRAGMA query_only = 0", nullptr, nullptr, nullptr);
  }
};

}  // namespace

class TestBrowse : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void masks_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("match");
    QTest::newRow("star any") << "*"
                              << "abc.jpg" << true;
    QTest::newRow("star empty") << "*"
                                << "" << true;
    QTest::newRow("two stars empty") << "**"
                                     << "" << true;
    QTest::newRow("question one") << "?"
                                  << "a" << true;
    QTest::newRow("question none") << "?"
                                   << "" << false;
    QTest::newRow("question two") << "?"
                                  << "ab" << false;
    QTest::newRow("case ignored") << "*AB*"
                                  << "cab.jpg" << true;
    QTest::newRow("literal hyphen") << "*ab*"
                                    << "a-b.jpg" << false;
    QTest::newRow("suffix") << "*.jpg"
                            << "photo.JPG" << true;
    QTest::newRow("suffix wrong") << "*.jpg"
                                  << "photo.jpeg" << false;
    QTest::newRow("backtrack") << "*a*b"
                               << "aaab" << true;
    QTest::newRow("backtrack fail") << "*a*b"
                                    << "aaba" << false;
    QTest::newRow("set") << "[abc]x"
                         << "Bx" << true;
    QTest::newRow("set miss") << "[abc]x"
                              << "dx" << false;
    QTest::newRow("range") << "[a-c]*"
                           << "Cat" << true;
    QTest::newRow("range miss") << "[a-c]*"
                                << "dog" << false;
    QTest::newRow("negated set") << "[!a-c]*"
                                 << "dog" << true;
    QTest::newRow("negated set miss") << "[!a-c]*"
                                      << "bat" << false;
    QTest::newRow("digits") << "img[0-9][0-9].*"
                            << "IMG07.png" << true;
    QTest::newRow("non-Latin case") << "*фото*"
                                    << "ФОТО 1.jpg" << true;
    QTest::newRow("non-BMP one char")
        << "?.png" << QString::fromUtf8("\xF0\x9F\x98\x80.png") << true;
    QTest::newRow("bang outside set") << "!*"
                                      << "!x" << true;
    QTest::newRow("closing bracket literal") << "a]"
                                             << "A]" << true;
  }
  void masks() {
    QFETCH(QString, mask);
    QFETCH(QString, name);
    QFETCH(bool, match);
    QCOMPARE(MatchesMask(name, mask), match);
  }

  void invalidMasks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    // The text is wrapped in "*" as the name filter does; positions count
    // from 1 in the wrapped mask.
    QTest::newRow("unclosed set") << "[ab"
                                  << "'*[ab*' is an invalid mask at (6)";
    QTest::newRow("hyphen first") << "[-a]"
                                  << "'*[-a]*' is an invalid mask at (3)";
    QTest::newRow("hyphen after bang") << "[!-a]"
                                       << "'*[!-a]*' is an invalid mask at (4)";
    QTest::newRow("empty set") << "[]"
                               << "'*[]*' is an invalid mask at (3)";
    QTest::newRow("open range") << "[a-]"
                                << "'*[a-]*' is an invalid mask at (4)";
    QTest::newRow("31 stars")
        << QString(29, QLatin1Char('*'))
        << QStringLiteral("'%1' is an invalid mask at (31)").arg(QString(31, QLatin1Char('*')));
  }
  void invalidMasks() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    try {
      TFileMask mask(QLatin1Char('*') + text + QLatin1Char('*'));
      QFAIL("accepted");
    } catch (const GlimrError& e) {
      QCOMPARE(e.message(), message);
    }
  }
  void thirtyStarsAreFine() {
    QVERIFY(MatchesMask(QStringLiteral("abc"), QString(30, QLatin1Char('*'))));
  }

  void filter_data() {
    QTest::addColumn<bool>("active");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("ratings");
    QTest::addColumn<QList<int>>("categories");
    QTest::addColumn<QStringList>("expected");
    const QStringList all{"..", "sub", "Cab.jpg", "ABC.png", "a-b.jpg", "plain.jpg"};
    QTest::newRow("off keeps all") << false << "zzz" << QList<int>{5} << QList<int>{} << all;
    QTest::newRow("on, nothing chosen") << true << "" << QList<int>{} << QList<int>{} << all;
    QTest::newRow("name ignores case") << true << "ab" << QList<int>{} << QList<int>{}
                                       << QStringList{"..", "sub", "Cab.jpg", "ABC.png"};
    QTest::newRow("question mark") << true << "?" << QList<int>{} << QList<int>{} << all;
    QTest::newRow("ratings 4 and 5") << true << "" << QList<int>{4, 5} << QList<int>{}
                                     << QStringList{"..", "sub", "Cab.jpg", "ABC.png"};
    QTest::newRow("no rating") << true << "" << QList<int>{0} << QList<int>{}
                               << QStringList{"..", "sub", "plain.jpg"};
    QTest::newRow("no category") << true << "" << QList<int>{} << QList<int>{0}
                                 << QStringList{"..", "sub", "ABC.png", "plain.jpg"};
    QTest::newRow("all criteria") << true << "b" << QList<int>{4} << QList<int>{3}
                                  << QStringList{"..", "sub", "Cab.jpg"};
  }
  void filter() {
    QFETCH(bool, active);
    QFETCH(QString, text);
    QFETCH(QList<int>, ratings);
    QFETCH(QList<int>, categories);
    QFETCH(QStringList, expected);
    TFileList loaded(true);
    const struct {
      const char* name;
      int rating;
      int category;
    } files[] = {{"Cab.jpg", 4, 3}, {"ABC.png", 5, 0}, {"a-b.jpg", 1, 3}, {"plain.jpg", 0, 0}};
    loaded.Append(QStringLiteral("/f/.."), Folder(QStringLiteral("..")));
    loaded.Append(QStringLiteral("/f/sub"), Folder(QStringLiteral("sub")));
    for (const auto& f : files) {
      TImageFileInfo* r = File(QString::fromLatin1(f.name));
      r->Rating = static_cast<std::uint8_t>(f.rating);
      r->CategoryID = f.category;
      loaded.Append(QStringLiteral("/f/") + r->FileName, r);
    }
    TFileList current(false);
    TFilterSettings settings{active, text, ratings, categories};
    ApplyFilter(loaded, current, settings);
    QCOMPARE(Names(current), expected);
    for (int i = 0; i < current.Count(); ++i) {
      // Same records, same keys: the shown list only refers to the loaded one.
      QCOMPARE(current.At(i), loaded.Find(current.Key(i)));
    }
  }

  void filterWithBadMaskStaysConsistent() {
    TFileList loaded(true);
    loaded.Append(QStringLiteral("/f/a.jpg"), File(QStringLiteral("a.jpg")));
    TImageFileInfo* rated = File(QStringLiteral("b.jpg"));
    rated->Rating = 2;
    loaded.Append(QStringLiteral("/f/b.jpg"), rated);
    TFileList current(false);
    TFilterSettings settings{true, QStringLiteral("[x"), {2}, {}};
    try {
      ApplyFilter(loaded, current, settings);
      QFAIL("no error");
    } catch (const GlimrError& e) {
      QCOMPARE(e.message(), QStringLiteral("'*[x*' is an invalid mask at (5)"));
    }
    // The name test counts as passed; the other criteria still apply.
    QCOMPARE(Names(current), QStringList{"b.jpg"});
  }

  void sortOrders_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("arrow");
    QTest::addColumn<QStringList>("expected");
    const double day = 45000.0;
    Q_UNUSED(day);
    // Files: b.jpg (size 30, date d+2, 10x10), a.png (30, d+1, 20x20),
    // C.jpg (10, d+3, 5x5), A.png (20, d+1 + 0.4 ms: the same millisecond, 1x1).
    QTest::newRow("no click: name descending")
        << 0 << 0 << QStringList{"..", "zeta", "Alpha", "C.jpg", "b.jpg", "a.png", "A.png"};
    QTest::newRow("name first click: descending")
        << 0 << 1 << QStringList{"..", "zeta", "Alpha", "C.jpg", "b.jpg", "a.png", "A.png"};
    QTest::newRow("name ascending")
        << 0 << 2 << QStringList{"..", "Alpha", "zeta", "A.png", "a.png", "b.jpg", "C.jpg"};
    QTest::newRow("size descending, ties by name")
        << 3 << 1 << QStringList{"..", "zeta", "Alpha", "b.jpg", "a.png", "A.png", "C.jpg"};
    QTest::newRow("size ascending, ties by name")
        << 3 << 2 << QStringList{"..", "Alpha", "zeta", "C.jpg", "A.png", "a.png", "b.jpg"};
    QTest::newRow("date ascending, within 1 ms equal")
        << 4 << 2 << QStringList{"..", "Alpha", "zeta", "A.png", "a.png", "b.jpg", "C.jpg"};
    QTest::newRow("date descending")
        << 4 << 1 << QStringList{"..", "zeta", "Alpha", "C.jpg", "b.jpg", "a.png", "A.png"};
    QTest::newRow("dimensions ascending")
        << 2 << 2 << QStringList{"..", "Alpha", "zeta", "A.png", "C.jpg", "b.jpg", "a.png"};
    QTest::newRow("type ascending")
        << 1 << 2 << QStringList{"..", "Alpha", "zeta", "b.jpg", "C.jpg", "A.png", "a.png"};
    QTest::newRow("rating keeps the order")
        << 5 << 2 << QStringList{"b.jpg", "zeta", "a.png", "..", "C.jpg", "Alpha", "A.png"};
  }
  void sortOrders() {
    QFETCH(int, column);
    QFETCH(int, arrow);
    QFETCH(QStringList, expected);
    const double d = 45000.0;
    TFileList list(true);
    auto add = [&list](TImageFileInfo* r) { list.Append(QStringLiteral("/f/") + r->FileName, r); };
    add(File(QStringLiteral("b.jpg"), 30, d + 2, 10, 10));
    add(Folder(QStringLiteral("zeta")));
    add(File(QStringLiteral("a.png"), 30, d + 1, 20, 20));
    add(Folder(QStringLiteral("..")));
    add(File(QStringLiteral("C.jpg"), 10, d + 3, 5, 5));
    add(Folder(QStringLiteral("Alpha")));
    add(File(QStringLiteral("A.png"), 20, d + 1 + 0.4 / 86400000.0, 1, 1));
    for (int i = 0; i < list.Count(); ++i) {
      list.At(i)->ExtIndex = list.At(i)->FileName.endsWith(QLatin1String("jpg")) ? 0 : 1;
    }
    const TTypeNameOf types = [](std::int32_t ext) {
      return ext == 0 ? QStringLiteral("JPEG image") : QStringLiteral("PNG image");
    };
    SortLoadedFiles(list, column, arrow, types);
    QCOMPARE(Names(list), expected);
    // The hashed lookup follows the new order.
    for (int i = 0; i < list.Count(); ++i) {
      QCOMPARE(list.IndexOf(list.Key(i)), i);
    }
  }

  // Dates one millisecond apart always sort apart, at any time of day; the
  // same millisecond ties and the names decide.
  void dateSortByWholeMilliseconds_data() {
    QTest::addColumn<double>("day");
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<qint64>("otherMs");
    QTest::addColumn<int>("expected");  // ascending "z.jpg" against "a.jpg"
    QTest::newRow("00:41:09.134 and .135") << 45000.0 << qint64(2469134) << qint64(2469135) << -1;
    QTest::newRow("02:03:27.402 and .403") << 45123.0 << qint64(7407402) << qint64(7407403) << -1;
    QTest::newRow("03:25:45.670 and .671") << 45000.0 << qint64(12345670) << qint64(12345671) << -1;
    QTest::newRow("05:49:47.639 and .640") << 45123.0 << qint64(20987639) << qint64(20987640) << -1;
    QTest::newRow("later one first") << 45000.0 << qint64(25925908) << qint64(25925907) << 1;
    QTest::newRow("same millisecond: by name")
        << 45000.0 << qint64(2469134) << qint64(2469134) << 1;
  }
  void dateSortByWholeMilliseconds() {
    QFETCH(double, day);
    QFETCH(qint64, ms);
    QFETCH(qint64, otherMs);
    QFETCH(int, expected);
    const std::unique_ptr<TImageFileInfo> z(
        File(QStringLiteral("z.jpg"), 0, day + ms / 86400000.0));
    const std::unique_ptr<TImageFileInfo> a(
        File(QStringLiteral("a.jpg"), 0, day + otherMs / 86400000.0));
    QCOMPARE(CompareFiles(scDate, true, *z, *a), expected);
    QCOMPARE(CompareFiles(scDate, false, *z, *a), -expected);
  }

  void titles_data() {
    QTest::addColumn<int>("source");
    QTest::addColumn<bool>("hasCategory");
    QTest::addColumn<QString>("expected");
    QTest::newRow("catalog") << 1 << false << "Glimr - Catalog: [/home/ann/]";
    QTest::newRow("search") << 2 << false << "Glimr - Search";
    QTest::newRow("category") << 0 << true << "Glimr - Category: [Travel\\2005]";
    QTest::newRow("no category node") << 0 << false << "Glimr";
  }
  void titles() {
    QFETCH(int, source);
    QFETCH(bool, hasCategory);
    QFETCH(QString, expected);
    const std::optional<QString> category =
        hasCategory ? std::optional<QString>(QStringLiteral("Travel\\2005")) : std::nullopt;
    QCOMPARE(TitleText(static_cast<TListSource>(source), QStringLiteral("/home/ann/"), category),
             expected);
  }

  void fileListKeysAreCaseSensitive() {
    TFileList list(true);
    list.Append(QStringLiteral("/f/a.jpg"), File(QStringLiteral("a.jpg")));
    list.Append(QStringLiteral("/f/A.jpg"), File(QStringLiteral("A.jpg")));
    QCOMPARE(list.IndexOf(QStringLiteral("/f/A.jpg")), 1);
    QCOMPARE(list.IndexOf(QStringLiteral("/f/a.JPG")), -1);
    list.Delete(0);
    QCOMPARE(list.IndexOf(QStringLiteral("/f/A.jpg")), 0);
    QCOMPARE(list.IndexOf(QStringLiteral("/f/a.jpg")), -1);
    // A renamed file keeps its place under its new key.
    list.Append(QStringLiteral("/f/b.jpg"), File(QStringLiteral("b.jpg")));
    list.SetKey(0, QStringLiteral("/f/c.jpg"));
    QCOMPARE(list.IndexOf(QStringLiteral("/f/c.jpg")), 0);
    QCOMPARE(list.IndexOf(QStringLiteral("/f/A.jpg")), -1);
    QCOMPARE(list.IndexOf(QStringLiteral("/f/b.jpg")), 1);
  }

  void loadFolder() {
    Browser b;
    QTemporaryDir pics;
    const QString dir = pics.path() + QLatin1Char('/');
    const QStringList images{"a.jpg",          "A.jpg",      "b c.JPG",
                             "it's \"q\".png", "Фото 1.jpg", ".hidden.jpg"};
    for (const QString& name : images) {
      Touch(dir + name);
    }
    Touch(dir + QStringLiteral("notes.txt"));
    Touch(dir + QStringLiteral("noext"));
    QVERIFY(QDir(dir).mkdir(QStringLiteral("sub")));
    QVERIFY(QDir(dir).mkdir(QStringLiteral(".hiddendir")));
    QVERIFY(QDir(dir).mkdir(QStringLiteral("folder.jpg")));

    b.Load(pics.path());  // without the trailing "/"
    QCOMPARE(b.lists.CurrentFolder, dir);
    QCOMPARE(b.lists.ListSource, TListSource::Catalog);
    // Default order: name descending, ".." first, then folders, then files.
    QCOMPARE(Names(b.lists.CurrentFiles),
             (QStringList{"..", "sub", "folder.jpg", "Фото 1.jpg", "it's \"q\".png", "b c.JPG",
                          "a.jpg", "A.jpg", ".hidden.jpg"}));
    QCOMPARE(b.Rows(), 6);
    QCOMPARE(b.calls, (QStringList{"stop", "freeze", "show 9", "queue", "start"}));
    QCOMPARE(b.queued.size(), 6);
    QCOMPARE(b.rowsSeenByWorker, 6);
    QCOMPARE(b.queued.first(), dir + QStringLiteral("Фото 1.jpg"));

    const TImageFileInfo* bc = b.lists.LoadedFiles.Find(dir + QStringLiteral("b c.JPG"));
    QVERIFY(bc);
    QCOMPARE(bc->TypeName, QStringLiteral("JPG"));
    QCOMPARE(bc->Path, dir);
    QCOMPARE(bc->FileSize, 1);
    QCOMPARE(bc->FileDate, FileModDays(dir + QStringLiteral("b c.JPG")));
    QVERIFY(bc->ID > 0);
    QCOMPARE(bc->SlotWidth, 2.0);
    QCOMPARE(b.lists.LoadedFiles.Find(dir + QStringLiteral("it's \"q\".png"))->TypeName,
             QStringLiteral("PNG"));
    const TImageFileInfo* sub = b.lists.LoadedFiles.Find(dir + QStringLiteral("sub"));
    QVERIFY(sub && sub->IsFolder && sub->ID == 0);

    // A change made in memory reaches the row at the next load; the second
    // load reads the rows and inserts nothing.
    TImageFileInfo* a = b.lists.LoadedFiles.Find(dir + QStringLiteral("a.jpg"));
    const std::int32_t idA = a->ID;
    a->Rating = 5;
    a->Caption = QStringLiteral("kept");
    a->Modified = true;
    b.Load(dir);
    QCOMPARE(b.Rows(), 6);
    a = b.lists.LoadedFiles.Find(dir + QStringLiteral("a.jpg"));
    QCOMPARE(a->ID, idA);
    QCOMPARE(a->Rating, std::uint8_t(5));
    QCOMPARE(a->Caption, QStringLiteral("kept"));
    QVERIFY(!a->Modified);

    // A file deleted from disk leaves the list; its row stays.
    QVERIFY(QFile::remove(dir + QStringLiteral("a.jpg")));
    b.Load(dir);
    QVERIFY(!b.lists.LoadedFiles.Find(dir + QStringLiteral("a.jpg")));
    QCOMPARE(b.lists.LoadedFiles.Count(), 8);
    QCOMPARE(b.Rows(), 6);
  }

  void loadFolderFilteredAndSorted() {
    Browser b;
    QTemporaryDir pics;
    const QString dir = pics.path() + QLatin1Char('/');
    for (const char* name : {"x1.jpg", "y2.jpg", "x3.png"}) {
      Touch(dir + QString::fromLatin1(name));
    }
    b.shown.SetSort({scName, 2});
    b.shown.PresetFilter({true, QStringLiteral("x"), {}, {}});
    b.Load(dir);
    QCOMPARE(Names(b.lists.LoadedFiles), (QStringList{"..", "x1.jpg", "x3.png", "y2.jpg"}));
    QCOMPARE(Names(b.lists.CurrentFiles), (QStringList{"..", "x1.jpg", "x3.png"}));
    QCOMPARE(b.queued, (QStringList{dir + "x1.jpg", dir + "x3.png"}));

    // A malformed mask: the load completes with the name test passed, then reports.
    b.shown.PresetFilter({true, QStringLiteral("["), {}, {}});
    const TFolderLoadReport report = b.Load(dir);
    QCOMPARE(report.Error, QStringLiteral("'*[*' is an invalid mask at (4)"));
    QVERIFY(!report.OldListsKept);
    QCOMPARE(b.lists.CurrentFiles.Count(), 4);
    QVERIFY(b.calls.contains(QStringLiteral("start")));
  }

  void firstHundredQueued() {
    Browser b;
    QTemporaryDir pics;
    for (int i = 0; i < 150; ++i) {
      Touch(pics.filePath(QStringLiteral("img%1.jpg").arg(i, 3, 10, QLatin1Char('0'))));
    }
    QVERIFY(QDir(pics.path()).mkdir(QStringLiteral("sub")));
    b.shown.SetSort({scName, 2});
    b.Load(pics.path());
    QCOMPARE(b.lists.CurrentFiles.Count(), 152);
    // Positions 0 to 99 hold "..", "sub" and 98 images.
    QCOMPARE(b.queued.size(), 98);
    QCOMPARE(b.rowsSeenByWorker, 98);
    QCOMPARE(b.queued.last(), pics.filePath(QStringLiteral("img097.jpg")));
  }

  void emptyAndMissingFolders() {
    Browser b;
    QTemporaryDir pics;
    b.Load(pics.path());
    QCOMPARE(Names(b.lists.CurrentFiles), QStringList{".."});
    QVERIFY(b.calls.contains(QStringLiteral("start")));

    b.Load(pics.path() + QStringLiteral("/does-not-exist"));
    QCOMPARE(b.lists.CurrentFiles.Count(), 0);
    QVERIFY(!b.calls.contains(QStringLiteral("start")));
    QVERIFY(b.queued.isEmpty());
  }

  // A folder that cannot be read is reported with the system's reason,
  // not shown as an empty folder without a word.
  void unreadableFolderReported_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing"
                             << "No such file or directory";
    QTest::newRow("a file, not a folder") << "file"
                                          << "Not a directory";
    QTest::newRow("no permission") << "locked"
                                   << "Permission denied";
  }
  void unreadableFolderReported() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    if (kind == QLatin1String("locked")) {
      GLIMR_WITHOUT_FILE_CAPABILITIES();
    }
    Browser b;
    QTemporaryDir pics;
    const QString path = pics.filePath(QStringLiteral("target"));
    if (kind == QLatin1String("file")) {
      Touch(path);
    } else if (kind == QLatin1String("locked")) {
      QVERIFY(QDir().mkdir(path));
      Touch(path + QStringLiteral("/a.jpg"));
      QVERIFY(QFile::setPermissions(path, QFile::Permissions()));
    }
    const TFolderLoadReport report = b.Load(path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(report.ReadError, reason);
    QVERIFY(report.Error.isEmpty());
    QCOMPARE(b.lists.CurrentFiles.Count(), 0);
    QCOMPARE(b.calls, (QStringList{"stop", "freeze", "show 0", "queue"}));
    // A readable folder reports nothing.
    QVERIFY(b.Load(pics.path()).ReadError.isEmpty());
  }

  // Names that are not valid UTF-8 cannot be shown or opened; they are
  // counted so the window can say so, instead of an empty-looking folder.
  void namesNotUtf8Counted() {
    Browser b;
    QTemporaryDir pics;
    const QByteArray dir = QFile::encodeName(pics.path()) + '/';
    for (const QByteArray& name :
         {QByteArray("\xff\xfe.jpg"), QByteArray("caf\xe9.png"), QByteArray("\xc0\xaf.jpg"),
          QByteArray("\xff.txt"), QByteArray("ok.jpg")}) {
      const int fd = ::open((dir + name).constData(), O_CREAT | O_WRONLY, 0644);
      QVERIFY(fd >= 0);
      ::close(fd);
    }
    QVERIFY(::mkdir((dir + "sub\xff").constData(), 0755) == 0);
    QVERIFY(::mkdir((dir + ".hidden\xff").constData(), 0755) == 0);
    const TFolderLoadReport report = b.Load(pics.path());
    // Three images and one folder; the text file and the hidden folder
    // would not be shown anyway.
    QCOMPARE(report.NamesNotUtf8, 4);
    QCOMPARE(Names(b.lists.CurrentFiles), (QStringList{"..", "ok.jpg"}));
    QCOMPARE(b.Rows(), 1);
  }

  // A failure half way leaves a consistent view: before the old lists were
  // written back they stay shown, untouched (the views were never frozen);
  // after it the new folder is shown empty. Either way the loader starts
  // only for what is shown.
  void failedLoadLeavesConsistentView_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<bool>("oldKept");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("catalogs unreadable: old folder stays")
        << "DROP TABLE CATALOGS" << true << QStringList{"..", "old.jpg"}
        << QStringList{"stop", "queue", "start"};
    QTest::newRow("files unreadable: new folder empty")
        << "DROP TABLE FILES" << false << QStringList{}
        << QStringList{"stop", "freeze", "show 0", "queue"};
  }
  void failedLoadLeavesConsistentView() {
    QFETCH(QString, damage);
    QFETCH(bool, oldKept);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, calls);
    Browser b;
    QTemporaryDir oldDir;
    QTemporaryDir newDir;
    Touch(oldDir.filePath(QStringLiteral("old.jpg")));
    Touch(newDir.filePath(QStringLiteral("new.jpg")));
    b.queries.CatalogIDOfPath(oldDir.path());
    b.Load(oldDir.path());
    {
      std::lock_guard lock(b.locks.DbLock);
      TStatement(b.dm.CurrentSession(), damage).Exec();
    }
    const TFolderLoadReport report = b.Load(newDir.path());
    QVERIFY(report.Error.startsWith(QStringLiteral("no such table")));
    QCOMPARE(report.OldListsKept, oldKept);
    QCOMPARE(Names(b.lists.CurrentFiles), shown);
    QCOMPARE(b.lists.LoadedFiles.Count(), shown.size());
    QCOMPARE(b.lists.CurrentFolder, (oldKept ? oldDir.path() : newDir.path()) + QLatin1Char('/'));
    QCOMPARE(b.calls, calls);
  }

  // A file changed outside Glimr: the list and the row take the disk's size
  // and date, and the stored thumbnail is made again once, not at every visit.
  void changedFileTakesDiskSizeAndDate() {
    Browser b;
    QTemporaryDir pics;
    const QString path = pics.filePath(QStringLiteral("a.jpg"));
    Touch(path);
    b.Load(pics.path());
    const std::int32_t cat = b.queries.CatalogIDOfPath(pics.path());
    // What the thumbnail cache stores once it made the thumbnail.
    const auto storeThumb = [&] {
      QVERIFY(b.queries.WriteThumbRow(QStringLiteral("a.jpg"), cat, QByteArray("jpeg"),
                                      FileModDays(path), 640, 480));
    };
    storeThumb();
    QCOMPARE(b.diskDates.value(path), FileModDays(path));

    Touch(path, QByteArray(5000, 'y'));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(3600),
                             QFileDevice::FileModificationTime));
    file.close();
    const double newDate = FileModDays(path);
    b.Load(pics.path());
    TImageFileInfo* a = b.lists.LoadedFiles.Find(path);
    QCOMPARE(a->FileSize, 5000);
    QCOMPARE(a->FileDate, newDate);
    QCOMPARE(b.diskDates.value(path), newDate);
    QCOMPARE(b.Scalar(QStringLiteral("SELECT FILESIZE FROM FILES")), 5000);
    QCOMPARE(b.Scalar(QStringLiteral("SELECT ISTHUMB FROM FILES")), 0);
    std::optional<TThumbRow> row = b.queries.ReadThumbRow(QStringLiteral("a.jpg"), cat);
    QCOMPARE(row->FileDate, newDate);

    // The cache makes it again; an edit written back later keeps its date.
    storeThumb();
    a->Rating = 2;
    a->FileDate = 1.0;  // a stale copy in memory
    a->Modified = true;
    b.Load(pics.path());
    QCOMPARE(b.lists.LoadedFiles.Find(path)->Rating, std::uint8_t(2));
    QCOMPARE(b.Scalar(QStringLiteral("SELECT ISTHUMB FROM FILES")), 1);
    row = b.queries.ReadThumbRow(QStringLiteral("a.jpg"), cat);
    QCOMPARE(row->FileDate, newDate);
    QCOMPARE(row->Width, 640);
  }

  // The load converts each file's time to local days itself: it must give
  // exactly what StatModDays gives, in any zone and across its switches, or
  // every row would look changed at every load.
  void diskDatesMatchStatModDays_data() {
    QTest::addColumn<QByteArray>("zone");
    QTest::newRow("UTC") << QByteArray("UTC");
    QTest::newRow("daylight saving") << QByteArray("Europe/Berlin");
    QTest::newRow("half-hour offset") << QByteArray("America/St_Johns");
    QTest::newRow("half-hour switch") << QByteArray("Australia/Lord_Howe");
  }
  void diskDatesMatchStatModDays() {
    QFETCH(QByteArray, zone);
    const QByteArray oldZone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", zone);
    tzset();
    const auto restore = qScopeGuard([&] {
      if (hadZone) {
        qputenv("TZ", oldZone);
      } else {
        qunsetenv("TZ");
      }
      tzset();
    });
    // Seconds since 1970 and milliseconds: the epoch, around the switches
    // of 2021 in the zones above, past 2038, and before 1970.
    const struct {
      time_t secs;
      long ms;
    } times[] = {{0, 0},           {1616893199, 999}, {1616893200, 0},   {1636251300, 500},
                 {1617462000, 1},  {1633188600, 250}, {1617550200, 999}, {4102444800, 123},
                 {-86400 * 500, 7}};
    Browser b;
    QTemporaryDir pics;
    QStringList paths;
    for (size_t i = 0; i < std::size(times); ++i) {
      paths << pics.filePath(QStringLiteral("t%1.jpg").arg(i));
      Touch(paths.last());
      const struct timespec ts[2] = {{times[i].secs, times[i].ms * 1000000 + 4321},
                                     {times[i].secs, times[i].ms * 1000000 + 4321}};
      QCOMPARE(utimensat(AT_FDCWD, QFile::encodeName(paths.last()).constData(), ts, 0), 0);
    }
    const auto statDays = [](const QString& path) {
      struct stat st;
      return stat(QFile::encodeName(path).constData(), &st) == 0 ? StatModDays(st) : -1.0;
    };
    b.Load(pics.path());
    for (const QString& path : std::as_const(paths)) {
      QCOMPARE(b.diskDates.value(path), statDays(path));
      QCOMPARE(b.lists.LoadedFiles.Find(path)->FileDate, statDays(path));
    }
    // Read back from the rows, nothing counts as changed on the disk.
    b.Load(pics.path());
    QCOMPARE(b.Scalar(QStringLiteral("SELECT count(*) FROM FILES")), qint64(std::size(times)));
    for (const QString& path : std::as_const(paths)) {
      QCOMPARE(b.lists.LoadedFiles.Find(path)->FileDate, statDays(path));
    }
  }

  // A folder large enough to be stated in slices on several threads: every
  // file keeps its own size, at the first load and when read back.
  void manyFilesKeepTheirOwnStats() {
    Browser b;
    QTemporaryDir pics;
    const QString dir = pics.path() + QLatin1Char('/');
    constexpr int kCount = 9000;
    const auto sizeOf = [](int i) { return i % 61 + 1; };
    for (int i = 0; i < kCount; ++i) {
      Touch(dir + QStringLiteral("n%1.%2").arg(i).arg(i % 3 ? QStringLiteral("jpg")
                                                            : QStringLiteral("PNG")),
            QByteArray(sizeOf(i), 'x'));
    }
    QVERIFY(QDir(dir).mkdir(QStringLiteral("sub")));
    for (int pass = 0; pass < 2; ++pass) {
      b.Load(dir);
      QCOMPARE(b.lists.LoadedFiles.Count(), kCount + 2);  // and "sub" and ".."
      QCOMPARE(b.diskDates.size(), kCount);
      for (int i = 0; i < kCount; ++i) {
        const QString name = QStringLiteral("n%1.%2").arg(i).arg(i % 3 ? QStringLiteral("jpg")
                                                                       : QStringLiteral("PNG"));
        const TImageFileInfo* r = b.lists.LoadedFiles.Find(dir + name);
        QVERIFY2(r && r->FileSize == sizeOf(i), qPrintable(name));
        QCOMPARE(r->TypeName, i % 3 ? QStringLiteral("JPG") : QStringLiteral("PNG"));
      }
    }
    QCOMPARE(b.Rows(), kCount);
  }

  // Each record takes the index its own extension gives, case included,
  // from the disk and from the rows alike.
  void extensionIndexPerRecord() {
    Browser b;
    TFillServices services;
    QStringList asked;
    services.ExtensionIndex = [&asked](const QString& path) {
      asked << path;
      const QString ext = GetExtension(path);
      return ext == QLatin1String("jpg") ? 1 : ext == QLatin1String("JPG") ? 2 : 3;
    };
    b.shown.SetFillServices(services);
    TFolderLoader loader(b.queries, {QStringLiteral("jpg"), QStringLiteral("png")});
    QTemporaryDir pics;
    const QString dir = pics.path() + QLatin1Char('/');
    const QList<QPair<QString, int>> files{
        {"a.jpg", 1}, {"b.JPG", 2}, {"c.png", 3}, {"d.jpg", 1}, {"e.JPG", 2}};
    for (const auto& f : files) {
      Touch(dir + f.first);
    }
    for (int pass = 0; pass < 2; ++pass) {
      asked.clear();
      loader.LoadFolder(dir, b.shown);
      for (const auto& f : files) {
        QCOMPARE(b.lists.LoadedFiles.Find(dir + f.first)->ExtIndex, f.second);
      }
      QCOMPARE(asked.size(), 3);
    }
  }

  void rootHasNoParentEntry() {
    Browser b(QStringList{});  // no extension: nothing is inserted
    b.Load(QStringLiteral("/"));
    QVERIFY(b.lists.CurrentFiles.Count() > 0);
    QVERIFY(!b.lists.LoadedFiles.Find(QStringLiteral("/..")));
    QVERIFY(b.lists.LoadedFiles.Find(QStringLiteral("/usr")));
    QCOMPARE(b.lists.CurrentFolder, QStringLiteral("/"));
  }

  void duplicateExtensionsListOnce() {
    Browser b(QStringList{QStringLiteral("jpg"), QStringLiteral("JPG"), QStringLiteral(".Jpg")});
    QTemporaryDir pics;
    Touch(pics.filePath(QStringLiteral("p.jpg")));
    b.Load(pics.path());
    QCOMPARE(Names(b.lists.CurrentFiles), (QStringList{"..", "p.jpg"}));
    QCOMPARE(b.Rows(), 1);
  }

  void diskFullDuringFirstLoad() {
    Browser b;
    QTemporaryDir pics;
    for (int i = 0; i < 400; ++i) {
      Touch(pics.filePath(QStringLiteral("%1-%2.jpg").arg(QString(60, QLatin1Char('n'))).arg(i)));
    }
    sqlite3* db = nullptr;
    {
      std::lock_guard lock(b.locks.DbLock);
      db = b.dm.CurrentSession().Handle();
    }
    b.queries.CatalogIDOfPath(pics.path());
    // Room for a few rows only.
    sqlite3_exec(db, "PRAGMA max_page_count = 12", nullptr, nullptr, nullptr);
    const TFolderLoadReport report = b.Load(pics.path());
    // The folder is shown from the disk all the same.
    QVERIFY(report.Error.isEmpty());
    QVERIFY(report.CatalogWriteFailed);
    QCOMPARE(b.lists.LoadedFiles.Count(), 401);
    QVERIFY(b.calls.contains(QStringLiteral("start")));
    QVERIFY(b.dm.WriteHealth().Failing());
    // Rows still to be stored are no user edits: nothing to warn of at exit.
    QVERIFY(b.shown.FlushAndClear() > 0);
    QCOMPARE(b.lists.PendingWrites.EditCount(), 0);
    b.Load(pics.path());
    // Every ID a record still carries names its own row; none points at a
    // row that was rolled back (an ID that would be handed out again).
    for (int i = 0; i < b.lists.LoadedFiles.Count(); ++i) {
      const TImageFileInfo* r = b.lists.LoadedFiles.At(i);
      if (r->ID == 0) {
        continue;
      }
      TImageFileInfo row;
      row.FileName = r->FileName;
      row.CatalogID = r->CatalogID;
      QVERIFY(b.queries.ReadFileRecord(row));
      QCOMPARE(row.ID, r->ID);
    }
    // With room again, the next load completes and every file has one row.
    sqlite3_exec(db, "PRAGMA max_page_count = 1000000", nullptr, nullptr, nullptr);
    QVERIFY(!b.Load(pics.path()).CatalogWriteFailed);
    QCOMPARE(b.Rows(), 400);
    QCOMPARE(b.lists.LoadedFiles.Count(), 401);
    QVERIFY(!b.dm.WriteHealth().Failing());
    QVERIFY(b.lists.PendingWrites.IsEmpty());
  }

  // A category deleted while an edit that names it waits: the edit is
  // written without it, not with an ID no category has any more.
  void pendingEditLosesADeletedCategory() {
    Browser b;
    QTemporaryDir pics;
    Touch(pics.filePath(QStringLiteral("a.jpg")));
    b.Load(pics.path());
    TImageFileInfo* a = b.lists.LoadedFiles.Find(pics.filePath(QStringLiteral("a.jpg")));
    a->CategoryID = 4;
    a->Rating = 2;
    a->Modified = true;
    a->Selected = true;
    b.SetReadOnly(true);
    QCOMPARE(b.shown.RemoveSelected(), 1);
    b.shown.PendingWrites().ReleaseCategories({4, 9});
    b.SetReadOnly(false);
    QCOMPARE(b.shown.FlushAndClear(), 0);
    QCOMPARE(b.Scalar(QStringLiteral("SELECT CATEGORYID FROM FILES WHERE FILENAME = 'a.jpg'")), 0);
    QCOMPARE(b.Scalar(QStringLiteral("SELECT RATING FROM FILES WHERE FILENAME = 'a.jpg'")), 2);
  }

  // Taking edited images out of the view while the catalog refuses writes:
  // they leave the lists, their edits wait for the next write-back.
  void removingWhileCatalogRefusesWrites() {
    Browser b;
    QTemporaryDir pics;
    Touch(pics.filePath(QStringLiteral("a.jpg")));
    Touch(pics.filePath(QStringLiteral("b.jpg")));
    b.Load(pics.path());
    TImageFileInfo* a = b.lists.LoadedFiles.Find(pics.filePath(QStringLiteral("a.jpg")));
    a->CategoryID = 4;
    a->Modified = true;
    a->Selected = true;
    b.SetReadOnly(true);
    QCOMPARE(b.shown.RemoveSelected(), 1);
    QCOMPARE(Names(b.lists.CurrentFiles), (QStringList{"..", "b.jpg"}));
    QCOMPARE(b.lists.PendingWrites.Count(), 1);
    QCOMPARE(b.lists.PendingWrites.EditCount(), 1);
    b.SetReadOnly(false);
    QCOMPARE(b.shown.FlushAndClear(), 0);
    QCOMPARE(b.Scalar(QStringLiteral("SELECT CATEGORYID FROM FILES WHERE FILENAME = 'a.jpg'")), 4);
  }

  // A catalog that cannot be written: the user keeps browsing, new folders
  // are listed from the disk alone, edits stay in memory (shown again with
  // their folder) and everything reaches the catalog once it can be written.
  void readOnlyCatalogKeepsViewing() {
    Browser b;
    QStringList reports;
    b.dm.WriteHealth().SetNotify([&reports](const QString& error) { reports << error; });
    QTemporaryDir first;
    QTemporaryDir second;
    Touch(first.filePath(QStringLiteral("a.jpg")));
    Touch(first.filePath(QStringLiteral("b.jpg")));
    Touch(second.filePath(QStringLiteral("c.jpg")));
    QVERIFY(QDir(second.path()).mkdir(QStringLiteral("sub")));
    b.Load(first.path());
    const QString aKey = first.filePath(QStringLiteral("a.jpg"));
    TImageFileInfo* a = b.lists.LoadedFiles.Find(aKey);
    a->Rating = 3;
    a->Caption = QStringLiteral("unsaved");
    a->Modified = true;

    b.SetReadOnly(true);
    TFolderLoadReport report = b.Load(second.path());
    QVERIFY(report.Error.isEmpty());
    QVERIFY(report.CatalogWriteFailed);
    QCOMPARE(Names(b.lists.CurrentFiles), (QStringList{"..", "sub", "c.jpg"}));
    QCOMPARE(b.lists.LoadedFiles.Find(second.filePath(QStringLiteral("c.jpg")))->ID, 0);
    QVERIFY(b.calls.contains(QStringLiteral("start")));
    QCOMPARE(reports.size(), 1);
    QVERIFY(reports[0].contains(QStringLiteral("readonly")));

    // Back to the first folder: the edit is shown over its row, still unsaved.
    report = b.Load(first.path());
    QVERIFY(report.Error.isEmpty());
    a = b.lists.LoadedFiles.Find(aKey);
    QCOMPARE(a->Rating, std::uint8_t(3));
    QCOMPARE(a->Caption, QStringLiteral("unsaved"));
    QVERIFY(a->Modified);
    QCOMPARE(b.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE RATING = 3")), 0);
    QCOMPARE(reports.size(), 1);  // one message for the whole run

    // Writable again: the next write-back stores the edit and the rows the
    // second folder is still missing.
    b.SetReadOnly(false);
    QCOMPARE(b.shown.FlushAndClear(), 0);
    QCOMPARE(b.Scalar(QStringLiteral("SELECT count(*) FROM FILES WHERE RATING = 3 AND CAPTION = "
                                     "'unsaved'")),
             1);
    QCOMPARE(b.Rows(), 3);
    QVERIFY(!b.dm.WriteHealth().Failing());
    report = b.Load(second.path());
    QVERIFY(!report.CatalogWriteFailed);
    QVERIFY(b.lists.LoadedFiles.Find(second.filePath(QStringLiteral("c.jpg")))->ID > 0);
    QCOMPARE(b.Rows(), 3);
  }
};

QTEST_GUILESS_MAIN(TestBrowse)
#include "test_browse.moc"
