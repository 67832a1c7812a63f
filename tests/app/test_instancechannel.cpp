// The channel a second start uses to hand its paths to the running Glimr:
// where its socket lives, whom each end talks to, and how the message is
// framed, limited and read. Strangers are played by a child process that
// becomes user 65534 (root only) or by an injected expected user.

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <optional>
#include <string>

#include "app/handoverframe.h"
#include "app/instancechannel.h"

using namespace glimr;

namespace {

constexpr uid_t kStranger = 65534;

// One per test process, so that runs side by side use different sockets.
const QString kDataDir = QStringLiteral("/home/someone/glimr-%1/").arg(::getpid());

// A temporary folder with the channel's folders inside: "run" (private, the
// runtime folder) and "tmp" (sticky and open to all, like /tmp). The base
// can be entered by anyone, so a stranger reaches "tmp".
struct TPlaces {
  // Under /tmp itself: a private TMPDIR would shut the stranger out.
  QTemporaryDir base{QStringLiteral("/tmp/test_instancechannel-XXXXXX")};
  QString run;
  QString tmp;
  TInstanceChannelSetup setup;

  TPlaces() {
    ::chmod(QFile::encodeName(base.path()).constData(), 0711);
    run = base.filePath(QStringLiteral("run"));
    tmp = base.filePath(QStringLiteral("tmp"));
    ::mkdir(QFile::encodeName(run).constData(), 0700);
    ::mkdir(QFile::encodeName(tmp).constData(), 0777);
    ::chmod(QFile::encodeName(tmp).constData(), 01777);
    setup.RuntimeDir = run;
    setup.FallbackRoot = tmp;
    setup.PeerUid = ::geteuid();
  }
};

QByteArray Native(const QString& path) {
  return QFile::encodeName(path);
}

bool Exists(const QString& path) {
  struct stat st {};
  return ::lstat(Native(path).constData(), &st) == 0;
}

mode_t ModeOf(const QString& path) {
  struct stat st {};
  return ::lstat(Native(path).constData(), &st) == 0 ? st.st_mode : 0;
}

sockaddr_un AddressOf(const QByteArray& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
  return address;
}

// A plain client socket connected to path (blocking connect), or -1.
int ConnectRaw(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_un address = AddressOf(Native(path));
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// A plain listening socket at path, or -1.
int ListenRaw(const QString& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_un address = AddressOf(Native(path));
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 4) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Whether the other end has closed fd; never blocks.
bool PeerClosed(int fd) {
  char byte;
  const ssize_t n = ::recv(fd, &byte, 1, MSG_DONTWAIT | MSG_PEEK);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

bool SendAll(int fd, QByteArrayView bytes) {
  return ::send(fd, bytes.data(), std::size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

QByteArray Header(QByteArrayView magic, quint32 length) {
  QByteArray header(magic.data(), magic.size());
  header.resize(kHandOverHeaderSize);
  qToBigEndian<quint32>(length, header.data() + 4);
  return header;
}

QByteArray Frame(const QStringList& paths) {
  const std::optional<QByteArray> frame = EncodeHandOver(paths);
  return frame ? *frame : QByteArray();
}

// Paths as a second start sends them: names in every script, spaces and all.
QStringList SomePaths() {
  return {QStringLiteral("/home/someone/Pictures/Ferien 2024/"),
          QStringLiteral("/home/someone/Pictures/Ferien 2024/Straße am Meer.jpg"),
          QStringLiteral("/home/someone/写真/夕焼け.heic"), QStringLiteral("/tmp/a")};
}

// Sends on another thread: the server answers on this one.
std::future<bool> SendLater(const QStringList& paths, const TInstanceChannelSetup& setup,
                            int timeoutMs = 10000) {
  return std::async(std::launch::async,
                    [=] { return SendToRunningInstance(kDataDir, paths, timeoutMs, setup); });
}

bool Ready(const std::future<bool>& result) {
  return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

double ThreadCpuSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// A server that records what it was handed.
struct TReceiver {
  QList<QStringList> handed;
  std::function<void(const QStringList&)> Hook() {
    return [this](const QStringList& paths) { handed << paths; };
  }
};

// ---------------------------------------------------------------------------
// The stranger: a child process that becomes user 65534 and then listens on
// or connects to a socket. It uses nothing but system calls (it is forked
// from a process with threads) and reports through a pipe.

struct TStrangerPlan {
  std::string makeFolder;   // made open to all before listening
  std::string listenPath;   // listen here and read whatever arrives
  std::string connectPath;  // connect here, send frame, wait for an answer
  QByteArray frame;
  // Filled by Start before the fork: the child allocates nothing.
  sockaddr_un listenAddress{};
  sockaddr_un connectAddress{};
};

struct TStrangerReport {
  int setupErrno = -1;  // of the mkdir, bind or connect; 0 when it worked
  long long received = 0;
  char reply = 0;
};

class TStranger {
 public:
  ~TStranger() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // Starts the child; true once it has done its setup.
  bool Start(TStrangerPlan plan) {
    plan.listenAddress = AddressOf(QByteArray::fromStdString(plan.listenPath));
    plan.connectAddress = AddressOf(QByteArray::fromStdString(plan.connectPath));
    int report[2];
    int stop[2];
    if (::pipe2(report, O_CLOEXEC) != 0 || ::pipe2(stop, O_CLOEXEC) != 0) {
      return false;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(report[0]);
      ::close(stop[1]);
      Run(plan, report[1], stop[0]);
    }
    ::close(report[1]);
    ::close(stop[0]);
    report_ = report[0];
    stop_ = stop[1];
    char ready = 0;
    return pid_ > 0 && ::read(report_, &ready, 1) == 1 && ready == 'R';
  }

  // Whether the child has sent its report (it then ends).
  bool Reported() {
    pollfd entry{report_, POLLIN, 0};
    return ::poll(&entry, 1, 0) > 0;
  }

  // Tells a listening child to stop and collects its report.
  TStrangerReport Finish() {
    ::close(stop_);
    TStrangerReport result;
    if (::read(report_, &result, sizeof result) != sizeof result) {
      result.setupErrno = -2;
    }
    ::close(report_);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return result;
  }

 private:
  [[noreturn]] static void Run(const TStrangerPlan& plan, int report, int stop) {
    TStrangerReport result;
    if (::setgroups(0, nullptr) != 0 || ::setresgid(kStranger, kStranger, kStranger) != 0 ||
        ::setresuid(kStranger, kStranger, kStranger) != 0 || ::geteuid() != kStranger) {
      ::_exit(90);
    }
    ::umask(0);
    int listener = -1;
    int connection = -1;
    result.setupErrno = 0;
    if (!plan.makeFolder.empty() && ::mkdir(plan.makeFolder.c_str(), 0777) != 0) {
      result.setupErrno = errno;
    }
    if (!plan.listenPath.empty()) {
      listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
      const sockaddr_un& address = plan.listenAddress;
      if (::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
          ::listen(listener, 4) != 0) {
        result.setupErrno = errno;
        listener = -1;
      }
    }
    if (!plan.connectPath.empty()) {
      connection = ::socket(AF_UNIX, SOCK_STREAM, 0);
      const sockaddr_un& address = plan.connectAddress;
      if (::connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        result.setupErrno = errno;
        connection = -1;
      }
    }
    const char ready = 'R';
    (void)!::write(report, &ready, 1);
    if (connection >= 0) {
      // Playing a second start: send a proper frame and wait for the answer.
      (void)!::send(connection, plan.frame.constData(), std::size_t(plan.frame.size()),
                    MSG_NOSIGNAL);
      pollfd entry{connection, POLLIN, 0};
      if (::poll(&entry, 1, 10000) > 0 && ::recv(connection, &result.reply, 1, 0) != 1) {
        result.reply = 0;
      }
    }
    // Playing a running Glimr: take every connection, read it, answer "K"
    // as the old channel did, until told to stop.
    while (listener >= 0) {
      pollfd entries[2] = {{listener, POLLIN, 0}, {stop, POLLIN, 0}};
      if (::poll(entries, 2, 20000) <= 0 || entries[1].revents != 0) {
        break;
      }
      const int peer = ::accept(listener, nullptr, nullptr);
      if (peer < 0) {
        continue;
      }
      char buffer[4096];
      pollfd data{peer, POLLIN, 0};
      while (::poll(&data, 1, 300) > 0) {
        const ssize_t n = ::recv(peer, buffer, sizeof buffer, 0);
        if (n <= 0) {
          break;
        }
        result.received += n;
      }
      (void)!::send(peer, "K", 1, MSG_NOSIGNAL);
      ::close(peer);
    }
    if (!plan.listenPath.empty()) {
      ::unlink(plan.listenPath.c_str());
    }
    (void)!::write(report, &result, sizeof result);
    ::_exit(0);
  }

  pid_t pid_ = -1;
  int report_ = -1;
  int stop_ = -1;
};

std::string Std(const QString& path) {
  return Native(path).toStdString();
}

}  // namespace

class TestInstanceChannel : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  // --- where the socket lives ------------------------------------------

  void handsOverThroughPrivateFolder_data() {
    QTest::addColumn<bool>("useRuntimeDir");
    QTest::addColumn<bool>("staleSocket");
    QTest::addColumn<QStringList>("paths");
    QTest::newRow("runtime folder") << true << false << SomePaths();
    QTest::newRow("no runtime folder: own folder under the fallback root")
        << false << false << SomePaths();
    QTest::newRow("socket left by a Glimr that died") << true << true << SomePaths();
    QTest::newRow("started without arguments") << true << false << QStringList();
  }

  void handsOverThroughPrivateFolder() {
    QFETCH(bool, useRuntimeDir);
    QFETCH(bool, staleSocket);
    QFETCH(QStringList, paths);
    TPlaces places;
    if (!useRuntimeDir) {
      places.setup.RuntimeDir.clear();
    }
    const QString folder = InstanceSocketFolder(places.setup);
    const QString socketPath = InstanceSocketPath(kDataDir, places.setup);
    QCOMPARE(QFileInfo(socketPath).absolutePath(), folder);
    QVERIFY(folder.startsWith(useRuntimeDir ? places.run : places.tmp));
    if (staleSocket) {
      QVERIFY(QDir().mkpath(folder));
      ::chmod(Native(folder).constData(), 0700);
      const int dead = ListenRaw(socketPath);
      QVERIFY(dead >= 0);
      ::close(dead);  // the file stays, nobody listens
    }
    TReceiver receiver;
    {
      TInstanceServer server(kDataDir, receiver.Hook(), places.setup);
      QVERIFY(server.Listening());
      QCOMPARE(ModeOf(folder) & 07777, mode_t(0700));
      QVERIFY(S_ISSOCK(ModeOf(socketPath)));

      std::future<bool> sent = SendLater(paths, places.setup);
      QTRY_VERIFY(Ready(sent));
      QVERIFY(sent.get());
      QTRY_COMPARE(receiver.handed.size(), 1);
      QCOMPARE(receiver.handed.first(), paths);
      QTRY_COMPARE(server.OpenConnections(), 0);
    }
    QVERIFY(!Exists(socketPath));  // the server removes its own socket
  }

  void unsafeFolderIsRefused_data() {
    QTest::addColumn<QString>("damage");
    for (const char* damage : {"runtime folder open to others", "socket folder open to others",
                               "socket folder is a symbolic link", "socket folder is a file",
                               "fallback folder open to others", "socket path too long",
                               "socket folder of another user"}) {
      QTest::newRow(damage) << QString::fromLatin1(damage);
    }
  }

  void unsafeFolderIsRefused() {
    QFETCH(QString, damage);
    TPlaces places;
    if (damage.startsWith(QLatin1String("fallback"))) {
      places.setup.RuntimeDir.clear();
    }
    const QString folder = InstanceSocketFolder(places.setup);
    QString victimFolder;  // where a symbolic link points: must stay empty
    if (damage == QLatin1String("runtime folder open to others")) {
      ::chmod(Native(places.run).constData(), 0755);
    } else if (damage == QLatin1String("socket folder open to others") ||
               damage == QLatin1String("fallback folder open to others")) {
      QVERIFY(::mkdir(Native(folder).constData(), 0700) == 0);
      ::chmod(Native(folder).constData(), 0755);
    } else if (damage == QLatin1String("socket folder is a symbolic link")) {
      victimFolder = places.base.filePath(QStringLiteral("elsewhere"));
      QVERIFY(::mkdir(Native(victimFolder).constData(), 0700) == 0);
      QVERIFY(QFile::link(victimFolder, folder));
    } else if (damage == QLatin1String("socket folder is a file")) {
      QFile file(folder);
      QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (damage == QLatin1String("socket path too long")) {
      places.setup.RuntimeDir = places.run + QLatin1Char('/') + QString(100, QLatin1Char('r'));
      QVERIFY(::mkdir(Native(places.setup.RuntimeDir).constData(), 0700) == 0);
    } else if (damage == QLatin1String("socket folder of another user")) {
      if (::geteuid() != 0) {
        QSKIP("needs root to give a folder away");
      }
      QVERIFY(::mkdir(Native(folder).constData(), 0700) == 0);
      QVERIFY(::chown(Native(folder).constData(), kStranger, kStranger) == 0);
    }
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no hand-over")));
    TReceiver receiver;
    TInstanceServer server(kDataDir, receiver.Hook(), places.setup);
    QVERIFY(!server.Listening());
    QVERIFY(!SendToRunningInstance(kDataDir, SomePaths(), 1000, places.setup));
    if (!victimFolder.isEmpty()) {
      QVERIFY(QDir(victimFolder)
                  .isEmpty(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot));
    }
    QVERIFY(receiver.handed.isEmpty());
  }

  // --- whom each end talks to ------------------------------------------

  void peerOfAnotherUserIsRefused_data() {
    QTest::addColumn<bool>("serverExpectsOther");
    QTest::newRow("the running Glimr expects another user") << true;
    QTest::newRow("the second start expects another user") << false;
  }

  // Without root: each end is told to expect another user than the one it
  // meets.
  void peerOfAnotherUserIsRefused() {
    QFETCH(bool, serverExpectsOther);
    TPlaces places;
    TInstanceChannelSetup serverSetup = places.setup;
    TInstanceChannelSetup clientSetup = places.setup;
    (serverExpectsOther ? serverSetup : clientSetup).PeerUid = ::geteuid() + 1;

    if (serverExpectsOther) {
      TReceiver receiver;
      TInstanceServer server(kDataDir, receiver.Hook(), serverSetup);
      QVERIFY(server.Listening());
      QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused.*peer")));
      std::future<bool> sent = SendLater(SomePaths(), clientSetup);
      QTRY_VERIFY(Ready(sent));
      QVERIFY(!sent.get());
      QTest::qWait(50);
      QVERIFY(receiver.handed.isEmpty());
      QCOMPARE(server.OpenConnections(), 0);
      return;
    }
    // A plain listener in the right place: the second start connects and
    // must hang up before writing a byte.
    const QString folder = InstanceSocketFolder(places.setup);
    QVERIFY(::mkdir(Native(folder).constData(), 0700) == 0);
    const int listener = ListenRaw(InstanceSocketPath(kDataDir, places.setup));
    QVERIFY(listener >= 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("listener.*is user")));
    QVERIFY(!SendToRunningInstance(kDataDir, SomePaths(), 2000, clientSetup));
    const int peer = ::accept(listener, nullptr, nullptr);
    QVERIFY(peer >= 0);
    char byte;
    QCOMPARE(::recv(peer, &byte, 1, 0), ssize_t(0));  // end of stream, nothing written
    ::close(peer);
    ::close(listener);
  }

  void strangerCannotTakeTheName_data() {
    QTest::addColumn<bool>("oldSharedName");
    QTest::addColumn<bool>("glimrRunning");
    QTest::newRow("stranger on the old shared name, no Glimr listening") << true << false;
    QTest::newRow("stranger on the old shared name, Glimr running") << true << true;
    QTest::newRow("stranger made the fallback folder first") << false << true;
  }

  // A second user listening where a second start might look receives
  // nothing, and its socket is neither used nor removed by Glimr.
  void strangerCannotTakeTheName() {
    QFETCH(bool, oldSharedName);
    QFETCH(bool, glimrRunning);
    if (::geteuid() != 0) {
      QSKIP("needs root to play a second user");
    }
    TPlaces places;
    TStrangerPlan plan;
    if (oldSharedName) {
      const QByteArray hash =
          QCryptographicHash::hash(kDataDir.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
      const QString oldName = QDir::temp().filePath(
          QStringLiteral("glimr-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash)));
      ::unlink(Native(oldName).constData());
      plan.listenPath = Std(oldName);
    } else {
      places.setup.RuntimeDir.clear();
      plan.makeFolder = Std(InstanceSocketFolder(places.setup));
      plan.listenPath = Std(InstanceSocketPath(kDataDir, places.setup));
    }
    TStranger stranger;
    QVERIFY(stranger.Start(plan));
    const QByteArray strangerSocket = QByteArray::fromStdString(plan.listenPath);
    struct stat before {};
    if (oldSharedName && ::lstat(strangerSocket.constData(), &before) != 0) {
      QSKIP("the temporary folder (TMPDIR) is closed to other users");
    }
    QVERIFY(::lstat(strangerSocket.constData(), &before) == 0 && S_ISSOCK(before.st_mode));

    TReceiver receiver;
    std::optional<TInstanceServer> server;
    if (glimrRunning) {
      if (!oldSharedName) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("no hand-over")));
      }
      server.emplace(kDataDir, receiver.Hook(), places.setup);
      QCOMPARE(server->Listening(), oldSharedName);
    }
    // Another's socket is never removed (nor replaced by one of ours).
    struct stat after {};
    QVERIFY(::lstat(strangerSocket.constData(), &after) == 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_uid, kStranger);

    std::future<bool> sent = SendLater(SomePaths(), places.setup, 3000);
    QTRY_VERIFY(Ready(sent));
    const bool handedOver = sent.get();
    const TStrangerReport report = stranger.Finish();
    QCOMPARE(report.setupErrno, 0);
    QCOMPARE(report.received, 0LL);
    const bool reachesGlimr = oldSharedName && glimrRunning;
    QCOMPARE(handedOver, reachesGlimr);
    QCOMPARE(receiver.handed.size(), reachesGlimr ? 1 : 0);
  }

  void strangerOnTheSocketIsRefused_data() {
    QTest::addColumn<bool>("strangerConnects");
    QTest::newRow("stranger connects to the running Glimr") << true;
    QTest::newRow("stranger answers a second start") << false;
  }

  // Were the private folder ever bypassed (a hard link to the socket put
  // where the stranger can reach it, or the stranger's socket linked into the
  // folder), the peer's user still decides.
  void strangerOnTheSocketIsRefused() {
    QFETCH(bool, strangerConnects);
    if (::geteuid() != 0) {
      QSKIP("needs root to play a second user");
    }
    TPlaces places;
    const QString door = places.tmp + QStringLiteral("/door");
    const QString socketPath = InstanceSocketPath(kDataDir, places.setup);
    TReceiver receiver;
    std::optional<TInstanceServer> server;
    TStrangerPlan plan;
    if (strangerConnects) {
      server.emplace(kDataDir, receiver.Hook(), places.setup);
      QVERIFY(server->Listening());
      QVERIFY(::link(Native(socketPath).constData(), Native(door).constData()) == 0);
      QVERIFY(::chmod(Native(door).constData(), 0777) == 0);
      plan.connectPath = Std(door);
      plan.frame = Frame(SomePaths());
      QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused.*peer")));
    } else {
      plan.listenPath = Std(door);
    }
    TStranger stranger;
    QVERIFY(stranger.Start(plan));
    if (strangerConnects) {
      QTRY_VERIFY_WITH_TIMEOUT(stranger.Reported(), 15000);
      const TStrangerReport report = stranger.Finish();
      QCOMPARE(report.setupErrno, 0);  // it did reach the socket
      QVERIFY(report.reply != 'K');
      QTest::qWait(50);
      QVERIFY(receiver.handed.isEmpty());
      QTRY_COMPARE(server->OpenConnections(), 0);
      return;
    }
    QVERIFY(::mkdir(Native(InstanceSocketFolder(places.setup)).constData(), 0700) == 0);
    QVERIFY(::link(Native(door).constData(), Native(socketPath).constData()) == 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("listener.*is user")));
    QVERIFY(!SendToRunningInstance(kDataDir, SomePaths(), 3000, places.setup));
    const TStrangerReport report = stranger.Finish();
    QCOMPARE(report.setupErrno, 0);
    QCOMPARE(report.received, 0LL);
  }

  // --- the frame ---------------------------------------------------------

  void readerTakesFramesInPieces_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<int>("piece");
    for (int piece : {1, 2, 7, 4096, 1 << 30}) {
      QTest::addRow("paths in pieces of %d", piece) << SomePaths() << piece;
      QTest::addRow("no paths in pieces of %d", piece) << QStringList() << piece;
    }
    QTest::newRow("an empty path among others")
        << QStringList{QStringLiteral("/a"), QString(), QStringLiteral("/b")} << 3;
  }

  void readerTakesFramesInPieces() {
    QFETCH(QStringList, paths);
    QFETCH(int, piece);
    const QByteArray frame = Frame(paths);
    QVERIFY(!frame.isEmpty());
    THandOverReader reader;
    for (qsizetype at = 0; at < frame.size(); at += piece) {
      QCOMPARE(reader.State(), THandOverReader::TState::NeedMore);
      QVERIFY(reader.Wanted() > 0);
      reader.Feed(QByteArrayView(frame).sliced(at, std::min<qsizetype>(piece, frame.size() - at)));
    }
    QCOMPARE(reader.State(), THandOverReader::TState::Done);
    QCOMPARE(reader.Wanted(), qint64(0));
    QCOMPARE(reader.TakePaths(), paths);
  }

  void readerRefusesBadFrames_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("refusedAfter");  // bytes fed when it must be Bad
    const QByteArray good = Frame({QStringLiteral("/a")});
    QTest::newRow("another protocol") << QByteArray("\x00\x00\x00\x02\x00/\x00", 7) << 1;
    QTest::newRow("another version") << Header("GLH\x02", 3) + QByteArray("/a\0", 3) << 4;
    QTest::newRow("a length over the limit")
        << Header(QByteArrayView(kHandOverMagic, 4), kMaxHandOverPayload + 1) << 8;
    QTest::newRow("a length of 4 GiB")
        << Header(QByteArrayView(kHandOverMagic, 4), 0xFFFFFFFFu) << 8;
    QTest::newRow("last path not ended")
        << Header(QByteArrayView(kHandOverMagic, 4), 2) + QByteArray("/a") << 10;
    QTest::newRow("bytes after the frame") << good + "x" << int(good.size()) + 1;
  }

  void readerRefusesBadFrames() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, refusedAfter);
    // One byte at a time: the refusal comes as soon as the fault can be seen.
    THandOverReader reader;
    for (int i = 0; i < refusedAfter - 1; ++i) {
      QVERIFY(reader.Feed(QByteArrayView(bytes).sliced(i, 1)) != THandOverReader::TState::Bad);
    }
    QCOMPARE(reader.Feed(QByteArrayView(bytes).sliced(refusedAfter - 1, 1)),
             THandOverReader::TState::Bad);
    QVERIFY(!reader.Error().isEmpty());
    QVERIFY(reader.TakePaths().isEmpty());
    // All at once: the same verdict.
    THandOverReader whole;
    QCOMPARE(whole.Feed(bytes), THandOverReader::TState::Bad);
  }

  void senderRefusesWhatCannotBeFramed() {
    QVERIFY(!EncodeHandOver({QStringLiteral("/a"), QString::fromUtf8("/b\0c", 4)}));
    QVERIFY(!EncodeHandOver({QString(100, QLatin1Char('x'))}, 100));
    QVERIFY(EncodeHandOver({QString(99, QLatin1Char('x'))}, 100));
    TPlaces places;
    places.setup.MaxPayload = 100;
    TReceiver receiver;
    TInstanceServer server(kDataDir, receiver.Hook(), places.setup);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("do not fit")));
    QVERIFY(!SendToRunningInstance(kDataDir, {QString(200, QLatin1Char('x'))}, 1000, places.setup));
  }

  // --- the server under load ----------------------------------------------

  void smallWritesAreJoined() {
    TPlaces places;
    TReceiver receiver;
    TInstanceServer server(kDataDir, receiver.Hook(), places.setup);
    QVERIFY(server.Listening());
    const int fd = ConnectRaw(InstanceSocketPath(kDataDir, places.setup));
    QVERIFY(fd >= 0);
    const QByteArray frame = Frame(SomePaths());
    for (qsizetype at = 0; at < frame.size(); ++at) {
      QVERIFY(SendAll(fd, QByteArrayView(frame).sliced(at, 1)));
      QCoreApplication::processEvents();  // each byte its own read
    }
    QTRY_COMPARE(receiver.handed.size(), 1);
    QCOMPARE(receiver.handed.first(), SomePaths());
    char reply = 0;
    // Peek: QTRY evaluates its condition once more after it held.
    QTRY_VERIFY(::recv(fd, &reply, 1, MSG_DONTWAIT | MSG_PEEK) == 1);
    QCOMPARE(reply, 'K');
    ::close(fd);
  }

  void hugeFrameIsRefusedBeforeItIsRead_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::newRow("one byte over the limit")
        << Header(QByteArrayView(kHandOverMagic, 4), kMaxHandOverPayload + 1);
    QTest::newRow("4 GiB") << Header(QByteArrayView(kHandOverMagic, 4), 0xFFFFFFFFu);
    QTest::newRow("the old unframed message") << QByteArray("\x00\x40\x00\x00", 4);
  }

  // The sender keeps writing 64 MiB after the header; the server must hang
  // up after the header, so that at most the socket buffers' worth gets out.
  void hugeFrameIsRefusedBeforeItIsRead() {
    QFETCH(QByteArray, header);
    TPlaces places;
    places.setup.IdleTimeoutMs = 60000;  // the refusal, not the idle timer, ends it
    TReceiver receiver;
    TInstanceServer server(kDataDir, receiver.Hook(), places.setup);
    QVERIFY(server.Listening());
    const int fd = ConnectRaw(InstanceSocketPath(kDataDir, places.setup));
    QVERIFY(fd >= 0);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("refused")));
    QVERIFY(SendAll(fd, header));
    const QByteArray block(64 * 1024, '/');
    const qint64 total = 64LL * 1024 * 1024;
    qint64 sent = 0;
    bool cut = false;
    for (int round = 0; round < 200000 && sent < total && !cut; ++round) {
      const ssize_t n =
          ::send(fd, block.constData(), std::size_t(block.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) {
        sent += n;
      } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
        QTest::qWait(1);  // the server's turn
      } else {
        cut = true;  // EPIPE or ECONNRESET: it hung up
      }
    }
    ::close(fd);
    QVERIFY2(cut, qPrintable(QStringLiteral("%1 bytes went out unrefused").arg(sent)));
    QVERIFY2(sent < 4 * 1024 * 1024, qPrintable(QStringLiteral("%1 bytes went out").arg(sent)));
    QVERIFY(receiver.handed.isEmpty());
    QTRY_COMPARE(server.OpenConnections(), 0);
  }

  void quietSenderIsDropped_data() {
    QTest::addColumn<QByteArray>("sent");
    QTest::newRow("nothing") << QByteArray();
    QTest::newRow("part of the header") << QByteArray(kHandOverMagic, 3);
    QTest::newRow("part of the paths") << Frame(SomePaths()).chopped(5);
  }

  void quietSenderIsDropped() {
    QFETCH(QByteArray, sent);
    TPlaces places;
    places.setup.IdleTimeoutMs = 200;
    TReceiver receiver;
    TInstanceServer server(kDataDir, receiver.Hook(), places.setup);
    QVERIFY(server.Listening());
    const int fd = ConnectRaw(InstanceSocketPath(kDataDir, places.setup));
    QVERIFY(fd >= 0);
    QVERIFY(SendAll(fd, sent));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("went quiet")));
    QTRY_VERIFY_WITH_TIMEOUT(PeerClosed(fd), 10000);
    ::close(fd);
    QVERIFY(receiver.handed.isEmpty());
    QTRY_COMPARE(server.OpenConnections(), 0);
  }

  void connectionsBeyondTheLimitAreRefused() {
    TPlaces places;
    places.setup.MaxConnections = 3;
    places.setup.IdleTimeoutMs = 60000;
    TReceiver receiver;
    TInstanceServer server(kDataDir, receiver.Hook(), places.setup);
    QVERIFY(server.Listening());
    const QString path = InstanceSocketPath(kDataDir, places.setup);
    QList<int> quiet;
    for (int i = 0; i < 3; ++i) {
      quiet << ConnectRaw(path);
      QVERIFY(quiet.last() >= 0);
    }
    QTRY_COMPARE(server.OpenConnections(), 3);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("being read already")));
    const int extra = ConnectRaw(path);
    QVERIFY(extra >= 0);
    QTRY_VERIFY_WITH_TIMEOUT(PeerClosed(extra), 10000);
    ::close(extra);
    for (int fd : std::as_const(quiet)) {
      QVERIFY(!PeerClosed(fd));
    }
    // One place freed: a real second start gets through again.
    ::close(quiet.takeFirst());
    QTRY_COMPARE(server.OpenConnections(), 2);
    std::future<bool> sent = SendLater(SomePaths(), places.setup);
    QTRY_VERIFY(Ready(sent));
    QVERIFY(sent.get());
    QCOMPARE(receiver.handed.size(), 1);
    for (int fd : std::as_const(quiet)) {
      ::close(fd);
    }
  }

  // 100 000 paths of 170 bytes (16 MiB) still go through, read in one pass:
  // the main thread's CPU time stays far below what reading the message again
  // on every arrival costs.
  void hundredThousandPathsAreTaken() {
    TPlaces places;
    TReceiver receiver;
    TInstanceServer server(kDataDir, receiver.Hook(), places.setup);
    QVERIFY(server.Listening());
    QStringList paths;
    paths.reserve(100000);
    const QString folder =
        QStringLiteral("/home/someone/Pictures/2024/Summer holiday at the sea/") +
        QString(80, QLatin1Char('d')) + QLatin1Char('/');
    for (int i = 0; i < 100000; ++i) {
      paths << folder +
                   QStringLiteral("IMG_%1_from the long trip.jpg").arg(i, 6, 10, QLatin1Char('0'));
    }
    QVERIFY(Frame(paths).size() > 15 * 1024 * 1024);
    const double cpuBefore = ThreadCpuSeconds();
    std::future<bool> sent = SendLater(paths, places.setup, 120000);
    QTRY_VERIFY_WITH_TIMEOUT(Ready(sent), 120000);
    QVERIFY(sent.get());
    QTRY_COMPARE(receiver.handed.size(), 1);
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    qInfo("main thread CPU for 100 000 paths: %.3f s", cpu);
    QVERIFY(receiver.handed.first() == paths);
    QVERIFY2(cpu < 10.0, qPrintable(QString::number(cpu)));
  }
};

QTEST_GUILESS_MAIN(TestInstanceChannel)
#include "test_instancechannel.moc"
