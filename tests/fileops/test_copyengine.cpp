#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>

#include "fileops/copyengine.h"
#include "fileops/partfile.h"
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
    if (IsCopyTemporaryName(QFile::encodeName(n)))
      return false;
  return true;
}

std::vector<TCopyEntry> Entries(const QStringList& paths, bool move) {
  std::vector<TCopyEntry> entries;
  for (const QString& p : paths)
    entries.push_back({p, move, 0});
  return entries;
}

QByteArray LinkText(const QString& path) {
  char text[4096];
  const ssize_t n = ::readlink(QFile::encodeName(path).constData(), text, sizeof text);
  return n < 0 ? QByteArray("<not a link>") : QByteArray(text, n);
}

bool IsLink(const QString& path) {
  struct stat st;
  return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// One engine run in a process of its own (a second Glimr, say, with a data
// folder of its own). The run stops after the first chunk of its copy until
// Resume; the process ends with the entry's outcome as its exit code.
class TEngineProcess {
 public:
  TEngineProcess(const QString& source, const QString& folder, bool move, TOverwritePolicy policy,
                 bool anonymous) {
    if (::pipe(toParent_) != 0 || ::pipe(toChild_) != 0)
      return;
    pid_ = ::fork();
    if (pid_ != 0)
      return;
    // The child: no test macros here, only the engine and _exit.
    bool held = false;
    TCopyHooks hooks;
    hooks.Progress = [&](const TCopyProgress& p) {
      if (held || p.Counters.FileCopied == 0)
        return;
      held = true;
      char c = 'p';
      if (::write(toParent_[1], &c, 1) != 1 || ::read(toChild_[0], &c, 1) != 1)
        ::_exit(100);
    };
    TCopyEngine engine(Entries({source}, move), folder, policy, hooks);
    engine.UseAnonymousFiles(anonymous);
    engine.Run();
    ::_exit(static_cast<int>(engine.Results().at(0).Outcome));
  }
  ~TEngineProcess() {
    for (const int fd : {toParent_[0], toParent_[1], toChild_[0], toChild_[1]})
      if (fd >= 0)
        ::close(fd);
    if (pid_ > 0 && !waited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Started() const { return pid_ > 0; }
  // False when the run ended without stopping mid-copy.
  bool WaitPaused() {
    char c;
    return ::read(toParent_[0], &c, 1) == 1;
  }
  void Resume() {
    const char c = 'g';
    if (::write(toChild_[1], &c, 1) != 1)
      qWarning("the engine process is gone");
  }
  void Kill() {
    ::kill(pid_, SIGKILL);
    waited_ = ::waitpid(pid_, nullptr, 0) == pid_;
  }
  // The entry's outcome, -1 when the process did not end by itself.
  int Wait() {
    int status = 0;
    waited_ = ::waitpid(pid_, &status, 0) == pid_;
    return waited_ && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  bool waited_ = false;
  int toParent_[2] = {-1, -1};
  int toChild_[2] = {-1, -1};
};

}  // namespace

class TestCopyEngine : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void autoRenamePath_data();
  void autoRenamePath();
  void temporaryPath_data();
  void temporaryPath();
  void temporaryNames_data();
  void temporaryNames();
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
  void leftoversOfKilledRuns_data();
  void leftoversOfKilledRuns();
  void replacedWhileCopied_data();
  void replacedWhileCopied();
  void twoProcessesIntoOneFolder_data();
  void twoProcessesIntoOneFolder();
  void movedLinks_data();
  void movedLinks();
  void folderWithoutReadPermission_data();
  void folderWithoutReadPermission();
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
  const QString token = QStringLiteral("0123456789abcdef");
  QTest::newRow("plain") << "/d/a.jpg"
                         << "/d/.a.jpg." + token + ".glimr-part";
  QTest::newRow("hidden") << "/d/.a.jpg"
                          << "/d/..a.jpg." + token + ".glimr-part";
  const QString longName = QString(250, QLatin1Char('n')) + QStringLiteral(".jpg");
  QTest::newRow("long name is shortened")
      << "/d/" + longName << "/d/." + longName.left(226) + "." + token + ".glimr-part";
  const QString wide = QString(200, QChar(0x00e9));  // two bytes each
  QTest::newRow("long name of two-byte letters")
      << "/d/" + wide << "/d/." + wide.left(113) + "." + token + ".glimr-part";
}

void TestCopyEngine::temporaryPath() {
  QFETCH(QString, destination);
  QFETCH(QString, expected);
  const QString temp = CopyTemporaryPath(destination, QStringLiteral("0123456789abcdef"));
  QCOMPARE(temp, expected);
  QVERIFY(QFile::encodeName(QFileInfo(temp).fileName()).size() <= 255);
  QVERIFY(IsCopyTemporaryName(QFile::encodeName(QFileInfo(temp).fileName())));
  // Tokens differ from call to call.
  QVERIFY(CopyTemporaryToken() != CopyTemporaryToken());
  QVERIFY(IsCopyTemporaryName(QFile::encodeName(
      QFileInfo(CopyTemporaryPath(destination, CopyTemporaryToken())).fileName())));
}

void TestCopyEngine::temporaryNames_data() {
  QTest::addColumn<QByteArray>("name");
  QTest::addColumn<bool>("temporary");
  QTest::newRow("ours") << QByteArray(".a.jpg.0123456789abcdef.glimr-part") << true;
  QTest::newRow("one-letter name") << QByteArray(".x.0123456789abcdef.glimr-part") << true;
  QTest::newRow("the old fixed name") << QByteArray(".a.jpg.glimr-part") << false;
  QTest::newRow("no name") << QByteArray(".0123456789abcdef.glimr-part") << false;
  QTest::newRow("not hidden") << QByteArray("a.jpg.0123456789abcdef.glimr-part") << false;
  QTest::newRow("upper-case token") << QByteArray(".a.jpg.0123456789ABCDEF.glimr-part") << false;
  QTest::newRow("short token") << QByteArray(".a.jpg.0123456789abcde.glimr-part") << false;
  QTest::newRow("token not after a dot")
      << QByteArray(".a.jpgx0123456789abcdef.glimr-part") << false;
  QTest::newRow("other suffix") << QByteArray(".a.jpg.0123456789abcdef.glimr-parts") << false;
  QTest::newRow("image name") << QByteArray("a.jpg") << false;
}

void TestCopyEngine::temporaryNames() {
  QFETCH(QByteArray, name);
  QFETCH(bool, temporary);
  QCOMPARE(IsCopyTemporaryName(name), temporary);
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
  // false: through a named temporary file, as on a file system without
  // anonymous ones.
  QTest::addColumn<bool>("anonymous");
  const qint64 chunk = TCopyEngine::kChunkSize;
  for (const bool move : {false, true}) {
    for (const bool other : {false, true}) {
      const QByteArray tag = QByteArray(move ? "move" : "copy") + (other ? ", other fs" : "");
      QTest::newRow(tag + ", zero bytes") << "empty.jpg" << 0LL << move << other << true;
      QTest::newRow(tag + ", 49152 bytes") << "a.jpg" << 49152LL << move << other << true;
      QTest::newRow(tag + ", one chunk") << "b.jpg" << chunk << move << other << true;
      QTest::newRow(tag + ", chunk and a byte") << "c.jpg" << chunk + 1 << move << other << true;
      QTest::newRow(tag + ", quote and newline")
          << "it's \"new\"\nline.jpg" << 1000LL << move << other << true;
      QTest::newRow(tag + ", named temporary, zero bytes")
          << "empty.jpg" << 0LL << move << other << false;
      QTest::newRow(tag + ", named temporary, chunk and a byte")
          << "c.jpg" << chunk + 1 << move << other << false;
    }
  }
}

void TestCopyEngine::copiesFiles() {
  QFETCH(QString, name);
  QFETCH(qint64, size);
  QFETCH(bool, move);
  QFETCH(bool, otherFileSystem);
  QFETCH(bool, anonymous);
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
  // A file of the user's that has the temporary name of older versions
  // is the user's: it stays.
  const bool copies = !move || s.OtherFileSystem();
  const QString usersOwn = s.Dst() + "." + name + ".glimr-part";
  Write(usersOwn, "mine");

  TCopyEngine engine(Entries({source}, move), s.Dst(), TOverwritePolicy::Ask);
  engine.UseAnonymousFiles(anonymous);
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
  QCOMPARE(Read(usersOwn), QByteArray("mine"));
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

void TestCopyEngine::leftoversOfKilledRuns_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<bool>("removed");
  QTest::newRow("left by a killed run") << "leftover" << true;
  QTest::newRow("the old fixed name") << "old name" << false;
  QTest::newRow("held by a running copy") << "locked" << false;
  QTest::newRow("a symbolic link") << "link" << false;
  QTest::newRow("a folder") << "folder" << false;
  QTest::newRow("another user's") << "other owner" << false;
}

void TestCopyEngine::leftoversOfKilledRuns() {
  QFETCH(QString, kind);
  QFETCH(bool, removed);
  if (kind == "other owner" && ::geteuid() != 0)
    QSKIP("giving a file to another user takes root");
  Scene s;
  Write(s.Src() + "a.jpg", "new a");
  const QString outside = s.dir.path() + "/outside.jpg";
  Write(outside, "outside");
  const QString name =
      s.Dst() + (kind == "old name" ? QStringLiteral(".a.jpg.glimr-part")
                                    : QStringLiteral(".a.jpg.0123456789abcdef.glimr-part"));
  const QByteArray native = QFile::encodeName(name);
  const bool file = kind != "link" && kind != "folder";
  if (file)
    Write(name, "partial");
  int held = -1;
  if (kind == "locked") {
    held = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
  } else if (kind == "link") {
    QVERIFY(QFile::link(outside, name));
  } else if (kind == "folder") {
    QVERIFY(QDir().mkpath(name));
  } else if (kind == "other owner") {
    QVERIFY(::chown(native.constData(), 65534, 65534) == 0);
  }

  TCopyEngine engine(Entries({s.Src() + "a.jpg"}, false), s.Dst(), TOverwritePolicy::Ask);
  engine.Run();
  if (held >= 0)
    ::close(held);
  QCOMPARE(engine.Results().at(0).Outcome, TCopyOutcome::Copied);
  QCOMPARE(Read(s.Dst() + "a.jpg"), QByteArray("new a"));
  struct stat st;
  QCOMPARE(::lstat(native.constData(), &st) == 0, !removed);
  if (file && !removed)
    QCOMPARE(Read(name), QByteArray("partial"));
  QCOMPARE(Read(outside), QByteArray("outside"));
}

void TestCopyEngine::replacedWhileCopied_data() {
  QTest::addColumn<QString>("what");
  QTest::newRow("the source of a move across file systems") << "source";
  QTest::newRow("the named temporary file") << "temporary";
}

void TestCopyEngine::replacedWhileCopied() {
  QFETCH(QString, what);
  Scene s(true);
  if (!s.OtherFileSystem())
    QSKIP("no second file system at /dev/shm");
  // Another program puts a file of its own at a name the run holds, in the
  // middle of the copy: that file is neither deleted nor placed.
  const QByteArray data = Pattern(3 * TCopyEngine::kChunkSize + 10, 6);
  Write(s.Src() + "big.jpg", data);
  QString replaced;
  TCopyHooks hooks;
  hooks.Progress = [&](const TCopyProgress& p) {
    if (!replaced.isEmpty() || p.Counters.FileCopied == 0)
      return;
    const QString folder = what == "source" ? s.Src() : s.Dst();
    replaced = s.Src() + "big.jpg";
    if (what == "temporary") {
      for (const QString& n : Names(s.Dst()))
        if (IsCopyTemporaryName(QFile::encodeName(n)))
          replaced = s.Dst() + n;
    }
    Write(folder + "foreign", "foreign");
    ::rename(QFile::encodeName(folder + "foreign").constData(),
             QFile::encodeName(replaced).constData());
  };
  TCopyEngine engine(Entries({s.Src() + "big.jpg"}, true), s.Dst(), TOverwritePolicy::Ask, hooks);
  engine.UseAnonymousFiles(what == "source");
  engine.Run();
  QVERIFY(!replaced.isEmpty());
  QCOMPARE(Read(replaced), QByteArray("foreign"));
  const TCopyResult& r = engine.Results().at(0);
  QVERIFY2(r.Error.contains("big.jpg"), qPrintable(r.Error));
  if (what == "source") {
    // The copy is in place; the file now at the source's name is not the
    // one that was moved, so it stays.
    QCOMPARE(r.Outcome, TCopyOutcome::Copied);
    QCOMPARE(Read(s.Dst() + "big.jpg"), data);
  } else {
    QCOMPARE(r.Outcome, TCopyOutcome::Failed);
    QVERIFY(!QFileInfo::exists(s.Dst() + "big.jpg"));
    QCOMPARE(Read(s.Src() + "big.jpg"), data);
  }
}

void TestCopyEngine::twoProcessesIntoOneFolder_data() {
  QTest::addColumn<bool>("move");
  QTest::addColumn<bool>("anonymous");
  QTest::addColumn<bool>("secondKilled");  // else it runs to its end
  for (const bool move : {false, true}) {
    for (const bool anonymous : {true, false}) {
      const QByteArray tag =
          QByteArray(move ? "move, other fs" : "copy") + (anonymous ? "" : ", named temporary");
      QTest::newRow(tag + ", second finishes") << move << anonymous << false;
      QTest::newRow(tag + ", second killed") << move << anonymous << true;
    }
  }
}

void TestCopyEngine::twoProcessesIntoOneFolder() {
  QFETCH(bool, move);
  QFETCH(bool, anonymous);
  QFETCH(bool, secondKilled);
  Scene s(move);
  if (move && !s.OtherFileSystem())
    QSKIP("no second file system at /dev/shm");
  const QByteArray data = Pattern(3 * TCopyEngine::kChunkSize + 10, 8);
  Write(s.Src() + "big.jpg", data);
  const QString usersOwn = s.Dst() + ".big.jpg.glimr-part";
  Write(usersOwn, "mine");

  // Two programs (two data folders) put the same picture into one folder
  // where it is not yet: the first finishes while the second is half way,
  // and the second then finishes too or is killed.
  const auto policy = TOverwritePolicy::Ask;
  TEngineProcess first(s.Src() + "big.jpg", s.Dst(), move, policy, anonymous);
  QVERIFY(first.Started() && first.WaitPaused());
  TEngineProcess second(s.Src() + "big.jpg", s.Dst(), move, policy, anonymous);
  QVERIFY(second.Started() && second.WaitPaused());
  first.Resume();
  QCOMPARE(first.Wait(), int(move ? TCopyOutcome::Moved : TCopyOutcome::Copied));
  if (secondKilled) {
    second.Kill();
  } else {
    // The name is taken by then. It was free when the run started, so the
    // second leaves alone what came meanwhile.
    second.Resume();
    QCOMPARE(second.Wait(), int(TCopyOutcome::Failed));
  }

  // No byte of the picture is lost and nothing foreign took its place.
  QCOMPARE(Read(s.Dst() + "big.jpg"), data);
  QCOMPARE(Read(s.Src() + "big.jpg"), move ? QByteArray("<missing>") : data);
  QCOMPARE(Read(usersOwn), QByteArray("mine"));
  // What the killed run left is cleared by the next run into the folder.
  Write(s.Src() + "next.jpg", "next");
  TCopyEngine next(Entries({s.Src() + "next.jpg"}, false), s.Dst(), policy);
  next.Run();
  QCOMPARE(Names(s.Dst()), (QStringList{".big.jpg.glimr-part", "big.jpg", "next.jpg"}));
}

void TestCopyEngine::movedLinks_data() {
  QTest::addColumn<QString>("text");  // the link's text; "ABS" is the store's path
  QTest::addColumn<bool>("otherFileSystem");
  QTest::addColumn<bool>("samePlaceTaken");  // the destination has a p.jpg of its own
  QTest::addColumn<TOverwritePolicy>("policy");
  QTest::addColumn<bool>("keepsText");  // else the new link names the absolute path
  const auto ask = TOverwritePolicy::Ask;
  QTest::newRow("relative, reaches the file from the new place too")
      << "../store/p.jpg" << false << false << ask << true;
  QTest::newRow("relative into its own folder") << "p.jpg" << false << false << ask << false;
  QTest::newRow("relative, another p.jpg at the new place")
      << "p.jpg" << false << true << ask << false;
  QTest::newRow("absolute") << "ABS" << false << false << ask << true;
  QTest::newRow("relative, over an existing file")
      << "p.jpg" << false << false << TOverwritePolicy::Overwrite << false;
  QTest::newRow("other fs, relative") << "../store/p.jpg" << true << false << ask << false;
  QTest::newRow("other fs, absolute") << "ABS" << true << false << ask << true;
  QTest::newRow("other fs, over an existing file")
      << "ABS" << true << false << TOverwritePolicy::Overwrite << true;
}

void TestCopyEngine::movedLinks() {
  QFETCH(QString, text);
  QFETCH(bool, otherFileSystem);
  QFETCH(bool, samePlaceTaken);
  QFETCH(TOverwritePolicy, policy);
  QFETCH(bool, keepsText);
  Scene s(otherFileSystem);
  if (otherFileSystem && !s.OtherFileSystem())
    QSKIP("no second file system at /dev/shm");
  // The picture lies in store/ or, for a link "p.jpg", beside the link.
  const QString target =
      text == "p.jpg" ? s.Src() + "p.jpg" : s.dir.path() + QStringLiteral("/store/p.jpg");
  if (text == "ABS")
    text = target;
  const QByteArray picture = Pattern(5000, 7);
  Write(target, picture);
  if (samePlaceTaken)
    Write(s.Dst() + "p.jpg", "another p");
  if (policy == TOverwritePolicy::Overwrite)
    Write(s.Dst() + "l.jpg", "old l");
  QVERIFY(QFile::link(text, s.Src() + "l.jpg"));

  TCopyEngine engine(Entries({s.Src() + "l.jpg"}, true), s.Dst(), policy);
  engine.Run();
  QCOMPARE(engine.Error(), QString());
  QCOMPARE(engine.Results().at(0).Outcome, TCopyOutcome::Moved);
  // A link is moved as a link, which still shows the picture; the picture
  // itself is never copied, moved or removed.
  QVERIFY(IsLink(s.Dst() + "l.jpg"));
  QCOMPARE(LinkText(s.Dst() + "l.jpg"),
           keepsText ? QFile::encodeName(text) : QFile::encodeName(s.Src() + text));
  QCOMPARE(Read(s.Dst() + "l.jpg"), picture);
  QCOMPARE(Read(target), picture);
  QVERIFY(!IsLink(s.Src() + "l.jpg"));
  QVERIFY(!QFileInfo::exists(s.Src() + "l.jpg"));
  if (samePlaceTaken)
    QCOMPARE(Read(s.Dst() + "p.jpg"), QByteArray("another p"));
  QVERIFY(NoTemporaryLeft(s.Dst()));
}

void TestCopyEngine::folderWithoutReadPermission_data() {
  QTest::addColumn<bool>("move");
  QTest::addColumn<bool>("otherFileSystem");
  QTest::newRow("copy") << false << false;
  QTest::newRow("move") << true << false;
  QTest::newRow("move, other fs") << true << true;
}

void TestCopyEngine::folderWithoutReadPermission() {
  GLIMR_WITHOUT_FILE_CAPABILITIES();
  QFETCH(bool, move);
  QFETCH(bool, otherFileSystem);
  Scene s(otherFileSystem);
  if (otherFileSystem && !s.OtherFileSystem())
    QSKIP("no second file system at /dev/shm");
  // Writing into a folder and taking a file out of one need write and
  // search permission on it, not read permission.
  Write(s.Src() + "a.jpg", "a");
  const QByteArray src = QFile::encodeName(s.Src());
  const QByteArray dst = QFile::encodeName(s.Dst());
  QVERIFY(::chmod(src.constData(), 0300) == 0 && ::chmod(dst.constData(), 0300) == 0);
  TCopyEngine engine(Entries({s.Src() + "a.jpg"}, move), s.Dst(), TOverwritePolicy::Ask);
  engine.Run();
  ::chmod(src.constData(), 0755);
  ::chmod(dst.constData(), 0755);
  QCOMPARE(engine.Error(), QString());
  QCOMPARE(engine.Results().at(0).Outcome, move ? TCopyOutcome::Moved : TCopyOutcome::Copied);
  QCOMPARE(Read(s.Dst() + "a.jpg"), QByteArray("a"));
  QCOMPARE(QFileInfo::exists(s.Src() + "a.jpg"), !move);
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
