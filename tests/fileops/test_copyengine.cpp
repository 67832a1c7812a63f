#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>

#include "fileops/copyengine.h"
#include "support/filesizelimit.h"
#include "support/privileges.h"

using namespace glimr;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(glimr::TCopyOutcome)
Q_DECLARE_METATYPE(glimr::TOverwritePolicy)

namespace {

QByteArray Pattern(qint64 size, char seed) {
  QByteArray data(size, Qt::Uninitialized);
  for (qint64 i = 0; i < size; ++i)
    data[i] = static_cast<char>(seed + i * 7 + i / 251);
  return data;
}

void Write(const QString& path, const QByteArray& data) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(data), data.size());
}

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Every name in a folder, hidden ones included.
QStringList Names(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A source and a destination folder; with otherFileSystem the destination
// lies on /dev/shm when that is another file system than the temporary
// folder, so that a move has to copy.
struct Scene {
  QTemporaryDir dir;
  std::unique_ptr<QTemporaryDir> other;
  explicit Scene(bool otherFileSystem = false) {
    QDir().mkpath(dir.path() + QStringLiteral("/src"));
    QDir().mkpath(dir.path() + QStringLiteral("/dst"));
    struct stat a, b;
    if (otherFileSystem && ::stat("/dev/shm", &b) == 0 &&
        ::stat(QFile::encodeName(dir.path()).constData(), &a) == 0 && a.st_dev != b.st_dev)
      other = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/glimr-test-XXXXXX"));
  }
  bool OtherFileSystem() const { return other && other->isValid(); }
  QString Src() const { return dir.path() + QStringLiteral("/src/"); }
  QString Dst() const {
    return OtherFileSystem() ? other->path() + QLatin1Char('/')
                             : dir.path() + QStringLiteral("/dst/");
  }
};

qint64 MTimeNs(const QString& path) {
  struct stat st;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0)
    return -1;
  return qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

ino_t Inode(const QString& path) {
  struct stat st;
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

mode_t Mode(const QString& path) {
  struct stat st;
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

bool NoTemporaryLeft(const QString& folder) {
  for (const QString& n : Names(folder))
    if (n.endsWith(QStringLiteral(".glimr-part")))
      return false;
  return true;
}

std::vector<TCopyEntry> Entries(const QStringList& paths, bool move) {
  std::vector<TCopyEntry> entries;
  for (const QString& p : paths)
    entries.push_back({p, move, 0});
  return entries;
}

}  // namespace

class TestCopyEngine : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void autoRenamePath_data();
  void autoRenamePath();
  void temporaryPath_data();
  void temporaryPath();
  void progress_data();
  void progress();
  void copiesFiles_data();
  void copiesFiles();
  void overwriteAnswers_data();
  void overwriteAnswers();
  void dontAskAgainLastsOneRun();
  void sameFileIsNeverTouched_data();
  void sameFileIsNeverTouched();
  void cancelMidFileKeepsDestination_data();
  void cancelMidFileKeepsDestination();
  void fullDiskStopsTheRun_data();
  void fullDiskStopsTheRun();
  void unreadableSourceStopsTheRun_data();
  void unreadableSourceStopsTheRun();
  void moveAcrossFileSystems();
  void moveKeepsSourceItCannotDelete();
  void threadRunsAndReportsProgress();
};

void TestCopyEngine::autoRenamePath_data() {
  QTest::addColumn<QString>("path");
  QTest::addColumn<QStringList>("taken");
  QTest::addColumn<QString>("expected");
  QTest::newRow("first free") << "/p/photo.jpg" << QStringList{} << "/p/photo(0).jpg";
  QTest::newRow("next free") << "/p/a.jpg" << QStringList{"/p/a(0).jpg"} << "/p/a(1).jpg";
  QTest::newRow("gap is used") << "/p/a.jpg" << QStringList{"/p/a(0).jpg", "/p/a(2).jpg"}
                               << "/p/a(1).jpg";
  QTest::newRow("last extension only") << "/p/x.tar.gz" << QStringList{} << "/p/x.tar(0).gz";
  QTest::newRow("no extension") << "/p/readme" << QStringList{} << "/p/readme(0)";
  QTest::newRow("dot in folder only") << "/p.q/readme" << QStringList{} << "/p.q/readme(0)";
  QTest::newRow("hidden name") << "/p/.hidden" << QStringList{} << "/p/.hidden(0)";
  QTest::newRow("hidden with extension") << "/p/.a.png" << QStringList{} << "/p/.a(0).png";
  QTest::newRow("trailing dot") << "/p/a." << QStringList{} << "/p/a(0).";
  QTest::newRow("ten taken") << "/p/a.jpg"
                             << QStringList{"/p/a(0).jpg", "/p/a(1).jpg", "/p/a(2).jpg",
                                            "/p/a(3).jpg", "/p/a(4).jpg", "/p/a(5).jpg",
                                            "/p/a(6).jpg", "/p/a(7).jpg", "/p/a(8).jpg",
                                            "/p/a(9).jpg"}
                             << "/p/a(10).jpg";
}

void TestCopyEngine::autoRenamePath() {
  QFETCH(QString, path);
  QFETCH(QStringList, taken);
  QFETCH(QString, expected);
  const QSet<QString> set(taken.begin(), taken.end());
  QCOMPARE(AutoRenamePath(path, [&set](const QString& p) { return set.contains(p); }), expected);
}

void TestCopyEngine::temporaryPath_data() {
  QTest::addColumn<QString>("destination");
  QTest::addColumn<QString>("expected");
  QTest::newRow("plain") << "/d/a.jpg"
                         << "/d/.a.jpg.glimr-part";
  QTest::newRow("hidden") << "/d/.a.jpg"
                          << "/d/..a.jpg.glimr-part";
  const QString longName = QString(250, QLatin1Char('n')) + QStringLiteral(".jpg");
  QTest::newRow("long name is shortened")
      << "/d/" + longName << "/d/." + longName.left(243) + ".glimr-part";
}

void TestCopyEngine::temporaryPath() {
  QFETCH(QString, destination);
  QFETCH(QString, expected);
  const QString temp = CopyTemporaryPath(destination);
  QCOMPARE(temp, expected);
  QVERIFY(QFile::encodeName(QFileInfo(temp).fileName()).size() <= 255);
}

void TestCopyEngine::progress_data() {
  QTest::addColumn<qint64>("total");
  QTest::addColumn<qint64>("finished");
  QTest::addColumn<qint64>("fileSize");
  QTest::addColumn<qint64>("fileCopied");
  QTest::addColumn<qint64>("elapsedMs");
  QTest::addColumn<int>("filePercent");
  QTest::addColumn<int>("totalPercent");
  QTest::addColumn<double>("speed");
  QTest::addColumn<double>("left");
  QTest::newRow("nothing yet, no time")
      << 1000LL << 0LL << 500LL << 0LL << 0LL << 0 << 0 << 0.0 << -1.0;
  QTest::newRow("first chunk, no time")
      << 1000LL << 0LL << 500LL << 100LL << 0LL << 20 << 10 << 0.0 << -1.0;
  QTest::newRow("zero-byte file") << 0LL << 0LL << 0LL << 0LL << 1500LL << 0 << 0 << 0.0 << -1.0;
  QTest::newRow("zero-byte file after others")
      << 1000LL << 1000LL << 0LL << 0LL << 2000LL << 0 << 100 << 500.0 << 0.0;
  QTest::newRow("half way") << 1000LL << 300LL << 400LL << 200LL << 1000LL << 50 << 50 << 500.0
                            << 1.0;
  QTest::newRow("file grew past its size")
      << 1000LL << 0LL << 100LL << 300LL << 1000LL << 100 << 30 << 300.0 << (700.0 / 300.0);
  QTest::newRow("beyond 4 GB") << 6'000'000'000LL << 4'000'000'000LL << 2'000'000'000LL
                               << 1'000'000'000LL << 10'000LL << 50 << 83 << 500'000'000.0 << 2.0;
}

void TestCopyEngine::progress() {
  QFETCH(qint64, total);
  QFETCH(qint64, finished);
  QFETCH(qint64, fileSize);
  QFETCH(qint64, fileCopied);
  QFETCH(qint64, elapsedMs);
  QFETCH(int, filePercent);
  QFETCH(int, totalPercent);
  QFETCH(double, speed);
  QFETCH(double, left);
  TCopyCounters c;
  c.TotalBytes = total;
  c.FinishedBytes = finished;
  c.FileSize = fileSize;
  c.FileCopied = fileCopied;
  const TCopyProgress p = ComputeCopyProgress(c, std::chrono::milliseconds(elapsedMs));
  QVERIFY(std::isfinite(p.BytesPerSecond) && std::isfinite(p.SecondsLeft));
  QCOMPARE(p.FilePercent, filePercent);
  QCOMPARE(p.TotalPercent, totalPercent);
  QCOMPARE(p.BytesPerSecond, speed);
  QCOMPARE(p.SecondsLeft, left);
}

void TestCopyEngine::copiesFiles_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<qint64>("size");
  QTest::addColumn<bool>("move");
  QTest::addColumn<bool>("otherFileSystem");
  const qint64 chunk = TCopyEngine::kChunkSize;
  for (const bool move : {false, true}) {
    for (const bool other : {false, true}) {
      const QByteArray tag = QByteArray(move ? "move" : "copy") + (other ? ", other fs" : "");
      QTest::newRow(tag + ", zero bytes") << "empty.jpg" << 0LL << move << other;
      QTest::newRow(tag + ", 49152 bytes") << "a.jpg" << 49152LL << move << other;
      QTest::newRow(tag + ", one chunk") << "b.jpg" << chunk << move << other;
      QTest::newRow(tag + ", chunk and a byte") << "c.jpg" << chunk + 1 << move << other;
      QTest::newRow(tag + ", quote and newline")
          << "it's \"new\"\nline.jpg" << 1000LL << move << other;
    }
  }
}

void TestCopyEngine::copiesFiles() {
  QFETCH(QString, name);
  QFETCH(qint64, size);
  QFETCH(bool, move);
  QFETCH(bool, otherFileSystem);
  Scene s(otherFileSystem);
  if (otherFileSystem && !s.OtherFileSystem())
    QSKIP("no second file system at /dev/shm");
  const QString source = s.Src() + name;
  const QByteArray data = Pattern(size, 3);
  Write(source, data);
  QVERIFY(::chmod(QFile::encodeName(source).constData(), 0640) == 0);
  const QDateTime old = QDateTime::currentDateTime().addDays(-400);
  QVERIFY(QFile(source).open(QIODevice::ReadWrite) && [&] {
    QFile f(source);
    f.open(QIODevice::ReadWrite);
    return f.setFileTime(old, QFileDevice::FileModificationTime);
  }());
  const qint64 mtime = MTimeNs(source);
  const ino_t inode = Inode(source);
  // A temporary file left by a killed run is replaced, not kept.
  const bool copies = !move || s.OtherFileSystem();
  if (copies)
    Write(CopyTemporaryPath(s.Dst() + name), "stale");

  TCopyEngine engine(Entries({source}, move), s.Dst(), TOverwritePolicy::Ask);
  engine.Run();
  QCOMPARE(engine.Error(), QString());
  const TCopyResult& r = engine.Results().at(0);
  QCOMPARE(r.Outcome, move ? TCopyOutcome::Moved : TCopyOutcome::Copied);
  QCOMPARE(r.Destination, s.Dst() + name);
  QCOMPARE(Read(r.Destination), data);
  QCOMPARE(MTimeNs(r.Destination), mtime);
  QCOMPARE(Mode(r.Destination), mode_t(0640));
  QCOMPARE(QFileInfo::exists(source), !move);
  if (!move)
    QCOMPARE(Read(source), data);
  QVERIFY(NoTemporaryLeft(s.Dst()));
  // Within one file system a move is a rename: the same file, not a copy.
  QCOMPARE(Inode(r.Destination) == inode, !copies);
  // Its bytes count as done all the same.
  QCOMPARE(engine.Progress().Counters.FilesDone, 1);
  QCOMPARE(engine.Progress().Counters.FinishedBytes, size);
}

void TestCopyEngine::overwriteAnswers_data() {
  QTest::addColumn<TOverwritePolicy>("policy");
  QTest::addColumn<int>("answer");  // TOverwriteAnswer when the policy is Ask
  QTest::addColumn<bool>("move");
  QTest::addColumn<TCopyOutcome>("outcome");
  QTest::addColumn<QString>("newFile");  // where the source's bytes end up ("" for nowhere)
  const int none = -1;
  for (const bool move : {false, true}) {
    const QByteArray tag(move ? "move, " : "copy, ");
    const TCopyOutcome done = move ? TCopyOutcome::Moved : TCopyOutcome::Copied;
    QTest::newRow(tag + "policy overwrite")
        << TOverwritePolicy::Overwrite << none << move << done << "a.jpg";
    QTest::newRow(tag + "policy skip")
        << TOverwritePolicy::Skip << none << move << TCopyOutcome::Skipped << "";
    QTest::newRow(tag + "policy rename")
        << TOverwritePolicy::AutoRename << none << move << done << "a(1).jpg";
    QTest::newRow(tag + "answer overwrite")
        << TOverwritePolicy::Ask << int(TOverwriteAnswer::Overwrite) << move << done << "a.jpg";
    QTest::newRow(tag + "answer skip") << TOverwritePolicy::Ask << int(TOverwriteAnswer::Skip)
                                       << move << TCopyOutcome::Skipped << "";
    QTest::newRow(tag + "answer rename")
        << TOverwritePolicy::Ask << int(TOverwriteAnswer::AutoRename) << move << done << "a(1).jpg";
    QTest::newRow(tag + "answer cancel") << TOverwritePolicy::Ask << int(TOverwriteAnswer::Cancel)
                                         << move << TCopyOutcome::Cancelled << "";
  }
}

void TestCopyEngine::overwriteAnswers() {
  QFETCH(TOverwritePolicy, policy);
  QFETCH(int, answer);
  QFETCH(bool, move);
  QFETCH(TCopyOutcome, outcome);
  QFETCH(QString, newFile);
  Scene s;
  const QByteArray fresh = Pattern(70'000, 1);
  Write(s.Src() + "a.jpg", fresh);
  Write(s.Dst() + "a.jpg", "old a");
  Write(s.Dst() + "a(0).jpg", "old a(0)");
  QStringList asked;
  TCopyHooks hooks;
  hooks.AskOverwrite = [&](const QString& destination, const QString& source) {
    asked << destination << source;
    return TOverwriteReply{TOverwriteAnswer(answer), false};
  };
  TCopyEngine engine(Entries({s.Src() + "a.jpg"}, move), s.Dst(), policy, hooks);
  engine.Run();
  QCOMPARE(engine.Results().at(0).Outcome, outcome);
  QCOMPARE(engine.Cancelled(), outcome == TCopyOutcome::Cancelled);
  if (policy == TOverwritePolicy::Ask)
    QCOMPARE(asked, (QStringList{s.Dst() + "a.jpg", s.Src() + "a.jpg"}));
  else
    QVERIFY(asked.isEmpty());
  if (!newFile.isEmpty()) {
    QCOMPARE(engine.Results().at(0).Destination, s.Dst() + newFile);
    QCOMPARE(engine.Results().at(0).Renamed, newFile != "a.jpg");
    QCOMPARE(Read(s.Dst() + newFile), fresh);
  }
  if (newFile != "a.jpg")
    QCOMPARE(Read(s.Dst() + "a.jpg"), QByteArray("old a"));
  QCOMPARE(Read(s.Dst() + "a(0).jpg"), QByteArray("old a(0)"));
  // The source goes only when a move put it somewhere.
  QCOMPARE(Read(s.Src() + "a.jpg"), move && !newFile.isEmpty() ? QByteArray("<missing>") : fresh);
  QVERIFY(NoTemporaryLeft(s.Dst()));
}

void TestCopyEngine::dontAskAgainLastsOneRun() {
  Scene s;
  QStringList sources;
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) {
    Write(s.Src() + n, "new");
    Write(s.Dst() + n, "old");
    sources << s.Src() + n;
  }
  int asked = 0;
  TCopyHooks hooks;
  hooks.AskOverwrite = [&](const QString&, const QString&) {
    ++asked;
    return TOverwriteReply{TOverwriteAnswer::Skip, true};
  };
  TCopyEngine first(Entries(sources, false), s.Dst(), TOverwritePolicy::Ask, hooks);
  first.Run();
  QCOMPARE(asked, 1);
  QCOMPARE(first.Policy(), TOverwritePolicy::Skip);
  for (const TCopyResult& r : first.Results())
    QCOMPARE(r.Outcome, TCopyOutcome::Skipped);
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg"})
    QCOMPARE(Read(s.Dst() + n), QByteArray("old"));

  TCopyEngine second(Entries(sources, false), s.Dst(), TOverwritePolicy::Ask, hooks);
  second.Run();
  QCOMPARE(asked, 2);
}

void TestCopyEngine::sameFileIsNeverTouched_data() {
  QTest::addColumn<QString>("how");
  QTest::addColumn<TOverwritePolicy>("policy");
  QTest::addColumn<bool>("move");
  for (const char* how : {"same folder", "linked folder", "hard link"}) {
    for (const bool move : {false, true}) {
      for (const auto policy : {TOverwritePolicy::Overwrite, TOverwritePolicy::AutoRename}) {
        QTest::newRow(QByteArray(how) + (move ? ", move" : ", copy") +
                      (policy == TOverwritePolicy::Overwrite ? ", overwrite" : ", rename"))
            << QString::fromLatin1(how) << policy << move;
      }
    }
  }
}

void TestCopyEngine::sameFileIsNeverTouched() {
  QFETCH(QString, how);
  QFETCH(TOverwritePolicy, policy);
  QFETCH(bool, move);
  Scene s;
  const QByteArray data = Pattern(100'000, 5);
  const QString source = s.Src() + "a.jpg";
  Write(source, data);
  QString folder = s.Src();
  if (how == "linked folder") {
    folder = s.dir.path() + "/link/";
    QVERIFY(QFile::link(s.Src(), s.dir.path() + "/link"));
  } else if (how == "hard link") {
    folder = s.Dst();
    QVERIFY(::link(QFile::encodeName(source).constData(),
                   QFile::encodeName(folder + "a.jpg").constData()) == 0);
  }
  const QStringList before = Names(folder);
  TCopyEngine engine(Entries({source}, move), folder, policy);
  engine.Run();
  QCOMPARE(engine.Results().at(0).Outcome, TCopyOutcome::SkippedSameFile);
  QCOMPARE(Read(source), data);
  QCOMPARE(Read(folder + "a.jpg"), data);
  QCOMPARE(Names(folder), before);
  QCOMPARE(engine.Error(), QString());
}

void TestCopyEngine::cancelMidFileKeepsDestination_data() {
  QTest::addColumn<bool>("move");
  QTest::addColumn<bool>("otherFileSystem");
  QTest::newRow("copy") << false << false;
  QTest::newRow("move, other fs") << true << true;
}

void TestCopyEngine::cancelMidFileKeepsDestination() {
  QFETCH(bool, move);
  QFETCH(bool, otherFileSystem);
  Scene s(otherFileSystem);
  if (otherFileSystem && !s.OtherFileSystem())
    QSKIP("no second file system at /dev/shm");
  const QByteArray small = Pattern(1000, 1);
  const QByteArray big = Pattern(3 * TCopyEngine::kChunkSize + 10, 2);
  Write(s.Src() + "small.jpg", small);
  Write(s.Src() + "big.jpg", big);
  Write(s.Dst() + "big.jpg", "old big");
  TCopyEngine* self = nullptr;
  TCopyHooks hooks;
  hooks.Progress = [&](const TCopyProgress& p) {
    if (p.CurrentFile.endsWith("big.jpg") && p.Counters.FileCopied > 0)
      self->Cancel();
  };
  TCopyEngine engine(Entries({s.Src() + "small.jpg", s.Src() + "big.jpg"}, move), s.Dst(),
                     TOverwritePolicy::Overwrite, hooks);
  self = &engine;
  engine.Run();
  QCOMPARE(engine.Results().at(0).Outcome, move ? TCopyOutcome::Moved : TCopyOutcome::Copied);
  QCOMPARE(engine.Results().at(1).Outcome, TCopyOutcome::Cancelled);
  QCOMPARE(Read(s.Dst() + "small.jpg"), small);
  QCOMPARE(QFileInfo::exists(s.Src() + "small.jpg"), !move);
  QCOMPARE(Read(s.Dst() + "big.jpg"), QByteArray("old big"));
  QCOMPARE(Read(s.Src() + "big.jpg"), big);
  QVERIFY(NoTemporaryLeft(s.Dst()));
}

void TestCopyEngine::fullDiskStopsTheRun_data() {
  QTest::addColumn<bool>("move");
  QTest::addColumn<bool>("otherFileSystem");
  QTest::newRow("copy") << false << false;
  QTest::newRow("move, other fs") << true << true;
}

void TestCopyEngine::fullDiskStopsTheRun() {
  QFETCH(bool, move);
  QFETCH(bool, otherFileSystem);
  Scene s(otherFileSystem);
  if (otherFileSystem && !s.OtherFileSystem())
    QSKIP("no second file system at /dev/shm");
  const QByteArray big = Pattern(300'000, 2);
  Write(s.Src() + "a.jpg", "small a");
  Write(s.Src() + "big.jpg", big);
  Write(s.Src() + "c.jpg", "small c");
  Write(s.Dst() + "big.jpg", "old big");
  TCopyEngine engine(Entries({s.Src() + "a.jpg", s.Src() + "big.jpg", s.Src() + "c.jpg"}, move),
                     s.Dst(), TOverwritePolicy::Overwrite);
  {
    glimr::test::TFileSizeLimit limit(100'000);
    QVERIFY(limit.ok());
    engine.Run();
  }
  const auto& r = engine.Results();
  QCOMPARE(r.at(0).Outcome, move ? TCopyOutcome::Moved : TCopyOutcome::Copied);
  QCOMPARE(r.at(1).Outcome, TCopyOutcome::Failed);
  QCOMPARE(r.at(2).Outcome, TCopyOutcome::NotReached);
  QCOMPARE(engine.Error(), r.at(1).Error);
  QVERIFY2(engine.Error().contains("big.jpg"), qPrintable(engine.Error()));
  QVERIFY2(engine.Error().contains(QString::fromLocal8Bit(strerror(EFBIG))),
           qPrintable(engine.Error()));
  QCOMPARE(Read(s.Dst() + "big.jpg"), QByteArray("old big"));
  QCOMPARE(Read(s.Src() + "big.jpg"), big);
  QVERIFY(!QFileInfo::exists(s.Dst() + "c.jpg"));
  QVERIFY(QFileInfo::exists(s.Src() + "c.jpg"));
  QVERIFY(NoTemporaryLeft(s.Dst()));
}

void TestCopyEngine::unreadableSourceStopsTheRun_data() {
  QTest::addColumn<QString>("kind");
  QTest::newRow("fifo") << "fifo";
  QTest::newRow("folder") << "folder";
  QTest::newRow("no read permission") << "unreadable";
}

void TestCopyEngine::unreadableSourceStopsTheRun() {
  QFETCH(QString, kind);
  if (kind == "unreadable")
    GLIMR_WITHOUT_FILE_CAPABILITIES();
  Scene s;
  const QString bad = s.Src() + "bad.jpg";
  if (kind == "fifo") {
    QVERIFY(::mkfifo(QFile::encodeName(bad).constData(), 0644) == 0);
  } else if (kind == "folder") {
    QVERIFY(QDir().mkpath(bad));
  } else {
    Write(bad, "secret");
    QVERIFY(::chmod(QFile::encodeName(bad).constData(), 0) == 0);
  }
  Write(s.Src() + "after.jpg", "after");
  // A move within one file system renames, which needs no read permission.
  for (const bool move : {false, true}) {
    if (move && kind == "unreadable")
      continue;
    TCopyEngine engine(Entries({bad, s.Src() + "after.jpg"}, move), s.Dst(), TOverwritePolicy::Ask);
    engine.Run();
    QCOMPARE(engine.Results().at(0).Outcome, TCopyOutcome::Failed);
    QCOMPARE(engine.Results().at(1).Outcome, TCopyOutcome::NotReached);
    QVERIFY2(engine.Error().contains("bad.jpg"), qPrintable(engine.Error()));
    QCOMPARE(Names(s.Dst()), QStringList());
    QVERIFY(QFileInfo::exists(bad));
  }
}

void TestCopyEngine::moveAcrossFileSystems() {
  Scene s(true);
  if (!s.OtherFileSystem())
    QSKIP("no second file system at /dev/shm");
  // Overwriting across file systems copies, replaces the old file in one
  // rename and only then deletes the source.
  const QByteArray data = Pattern(2 * TCopyEngine::kChunkSize, 9);
  Write(s.Src() + "a.jpg", data);
  Write(s.Dst() + "a.jpg", "old");
  std::vector<QByteArray> seenAtDone;
  TCopyHooks hooks;
  hooks.FileDone = [&](std::size_t, const TCopyResult& r) {
    seenAtDone.push_back(Read(r.Destination));
    seenAtDone.push_back(Read(r.Source));
  };
  TCopyEngine engine(Entries({s.Src() + "a.jpg"}, true), s.Dst(), TOverwritePolicy::Overwrite,
                     hooks);
  engine.Run();
  QCOMPARE(engine.Results().at(0).Outcome, TCopyOutcome::Moved);
  QVERIFY(engine.Results().at(0).Overwrote);
  QCOMPARE(Read(s.Dst() + "a.jpg"), data);
  QVERIFY(!QFileInfo::exists(s.Src() + "a.jpg"));
  QCOMPARE(seenAtDone.size(), std::size_t(2));
  QCOMPARE(seenAtDone[0], data);
  QCOMPARE(seenAtDone[1], QByteArray("<missing>"));
}

void TestCopyEngine::moveKeepsSourceItCannotDelete() {
  GLIMR_WITHOUT_FILE_CAPABILITIES();
  Scene s(true);
  if (!s.OtherFileSystem())
    QSKIP("no second file system at /dev/shm");
  Write(s.Src() + "a.jpg", "a");
  Write(s.Src() + "b.jpg", "b");
  QVERIFY(::chmod(QFile::encodeName(s.Src()).constData(), 0555) == 0);
  TCopyEngine engine(Entries({s.Src() + "a.jpg", s.Src() + "b.jpg"}, true), s.Dst(),
                     TOverwritePolicy::Ask);
  engine.Run();
  ::chmod(QFile::encodeName(s.Src()).constData(), 0755);
  // The copy is whole and reported, so the caller knows of the new file.
  QCOMPARE(engine.Results().at(0).Outcome, TCopyOutcome::Copied);
  QVERIFY2(engine.Error().contains("a.jpg"), qPrintable(engine.Error()));
  QCOMPARE(engine.Results().at(1).Outcome, TCopyOutcome::NotReached);
  QCOMPARE(Read(s.Src() + "a.jpg"), QByteArray("a"));
  QCOMPARE(Read(s.Dst() + "a.jpg"), QByteArray("a"));
  QVERIFY(!QFileInfo::exists(s.Dst() + "b.jpg"));
}

void TestCopyEngine::threadRunsAndReportsProgress() {
  Scene s;
  QStringList sources;
  for (int i = 0; i < 15; ++i) {
    sources << s.Src() + QStringLiteral("zero%1.jpg").arg(i);
    Write(sources.last(), QByteArray());
  }
  sources << s.Src() + "big.jpg";
  Write(sources.last(), Pattern(2 * TCopyEngine::kChunkSize + 3, 4));
  sources << s.Src() + "vanished.jpg";
  std::mutex mutex;
  std::vector<TCopyProgress> seen;
  std::vector<std::size_t> done;
  TCopyHooks hooks;
  hooks.Progress = [&](const TCopyProgress& p) {
    std::lock_guard lock(mutex);
    seen.push_back(p);
  };
  hooks.FileDone = [&](std::size_t index, const TCopyResult&) {
    std::lock_guard lock(mutex);
    done.push_back(index);
  };
  TCopyEngine engine(Entries(sources, false), s.Dst(), TOverwritePolicy::Ask, hooks);
  std::atomic<bool> ended{false};
  {
    TCopyThread thread(engine);
    thread.Start([&] { ended.store(true); });
    thread.Join();
    QVERIFY(thread.Finished());
  }
  QVERIFY(ended.load());
  for (int i = 0; i < 16; ++i)
    QCOMPARE(engine.Results().at(i).Outcome, TCopyOutcome::Copied);
  QCOMPARE(engine.Results().at(16).Outcome, TCopyOutcome::SkippedMissing);
  QCOMPARE(done.size(), std::size_t(17));
  for (std::size_t i = 0; i < done.size(); ++i)
    QCOMPARE(done[i], i);
  qint64 last = 0;
  for (const TCopyProgress& p : seen) {
    QVERIFY(std::isfinite(p.BytesPerSecond) && std::isfinite(p.SecondsLeft));
    QVERIFY(p.FilePercent >= 0 && p.FilePercent <= 100);
    QVERIFY(p.TotalPercent >= 0 && p.TotalPercent <= 100);
    const qint64 bytes = p.Counters.FinishedBytes + p.Counters.FileCopied;
    QVERIFY(bytes >= last);
    last = bytes;
  }
  QCOMPARE(last, 2 * TCopyEngine::kChunkSize + 3);
  const TCopyProgress end = engine.Progress();
  QCOMPARE(end.TotalPercent, 100);
  QCOMPARE(end.Counters.FilesDone, 17);
}

QTEST_GUILESS_MAIN(TestCopyEngine)
#include "test_copyengine.moc"
