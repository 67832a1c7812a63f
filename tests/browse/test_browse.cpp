#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <memory>
#include <mutex>

#include "browse/currentlists.h"
#include "browse/filelist.h"
#include "browse/filemask.h"
#include "browse/filesort.h"
#include "browse/filter.h"
#include "browse/folderloader.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/datetime.h"
#include "common/errors.h"
#include "common/locks.h"

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

// A catalog, a folder loader over it and the lists, with recording hooks.
struct Browser {
  QTemporaryDir home;
  TLocks locks;
  TdmVesk dm{home.path() + QStringLiteral("/DataBase/"), locks.DbLock};
  TCatalogQueries queries{dm};
  TCurrentLists lists;
  TSortState sort;
  TFilterSettings filter;
  QStringList calls;
  QStringList queued;
  int rowsSeenByWorker = 0;  // queued files whose row a worker's connection saw
  std::unique_ptr<TFolderLoader> loader;

  explicit Browser(const QStringList& extensions = {QStringLiteral("JPG"), QStringLiteral("png")}) {
    TFolderLoadHooks hooks;
    hooks.StopLoader = [this] { calls << QStringLiteral("stop"); };
    hooks.FreezeView = [this] { calls << QStringLiteral("freeze"); };
    hooks.ShowList = [this](int n) { calls << QStringLiteral("show %1").arg(n); };
    hooks.QueueImages = [this](const QStringList& keys) {
      calls << QStringLiteral("queue");
      queued = keys;
      // The loader reads on its own connection: every queued file's row
      // must already be committed when it hears of the file.
      TSession* worker = dm.CreateWorkerSession();
      rowsSeenByWorker = 0;
      for (const QString& key : keys) {
        const qsizetype slash = key.lastIndexOf(QLatin1Char('/'));
        const std::int32_t cat = queries.CatalogIDOfPath(key.left(slash + 1), worker);
        rowsSeenByWorker += queries.ReadThumbRow(key.mid(slash + 1), cat, worker) ? 1 : 0;
      }
      dm.ReleaseWorkerSession(worker);
    };
    hooks.StartLoader = [this] { calls << QStringLiteral("start"); };
    loader = std::make_unique<TFolderLoader>(queries, extensions, hooks);
  }
  void Load(const QString& folder) {
    calls.clear();
    loader->LoadFolder(folder, lists, sort, filter);
  }
  qint64 Rows() {
    std::lock_guard lock(locks.DbLock);
    TStatement st(dm.CurrentSession(), QStringLiteral("SELECT count(*) FROM FILES"));
    return st.Step() ? st.Row().Int64(0) : 0;
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
    b.sort = {scName, 2};
    b.filter = {true, QStringLiteral("x"), {}, {}};
    b.Load(dir);
    QCOMPARE(Names(b.lists.LoadedFiles), (QStringList{"..", "x1.jpg", "x3.png", "y2.jpg"}));
    QCOMPARE(Names(b.lists.CurrentFiles), (QStringList{"..", "x1.jpg", "x3.png"}));
    QCOMPARE(b.queued, (QStringList{dir + "x1.jpg", dir + "x3.png"}));

    // A malformed mask: the load completes with the name test passed, then reports.
    b.filter.NameText = QStringLiteral("[");
    try {
      b.Load(dir);
      QFAIL("no error");
    } catch (const GlimrError& e) {
      QCOMPARE(e.message(), QStringLiteral("'*[*' is an invalid mask at (4)"));
    }
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
    b.sort = {scName, 2};
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
    try {
      b.Load(pics.path());
      QFAIL("no error");
    } catch (const GlimrError& e) {
      QCOMPARE(e.message(), QStringLiteral("database or disk is full"));
    }
    QVERIFY(!b.calls.contains(QStringLiteral("queue")));
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
    b.Load(pics.path());
    QCOMPARE(b.Rows(), 400);
    QCOMPARE(b.lists.LoadedFiles.Count(), 401);
  }

  void databaseErrorKeepsLists() {
    Browser b;
    QTemporaryDir pics;
    Touch(pics.filePath(QStringLiteral("a.jpg")));
    b.Load(pics.path());
    TImageFileInfo* a = b.lists.CurrentFiles.At(1);
    a->Rating = 3;
    a->Modified = true;
    {
      std::lock_guard lock(b.locks.DbLock);
      sqlite3_exec(b.dm.CurrentSession().Handle(), "PRAGMA query_only = 1", nullptr, nullptr,
                   nullptr);
    }
    QTemporaryDir other;
    Touch(other.filePath(QStringLiteral("b.jpg")));
    ErrorRecorder errors;
    // What the folder tree's handler does with a failure.
    try {
      b.Load(other.path());
    } catch (const GlimrError& e) {
      ShowError(QStringLiteral("veskTreeFolders.OnChange: "), e.message());
    }
    QCOMPARE(errors.messages(),
             QStringList{"veskTreeFolders.OnChange: attempt to write a readonly database"});
    // The unsaved change is still in memory, in both lists.
    QCOMPARE(b.lists.CurrentFiles.Count(), 2);
    QCOMPARE(b.lists.CurrentFiles.At(1), a);
    QVERIFY(a->Modified);
    QCOMPARE(a->Rating, std::uint8_t(3));
  }
};

QTEST_GUILESS_MAIN(TestBrowse)
#include "test_browse.moc"
