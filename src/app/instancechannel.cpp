#include "app/instancechannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QTimer>

#include <errno.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>

namespace glimr {

Q_LOGGING_CATEGORY(lcInstance, "glimr.instance")

namespace {

constexpr char kAcknowledge = 'K';
// What one read takes from a hand-over socket, and what Qt buffers for it:
// a refused frame never costs more than this.
constexpr qint64 kReadChunk = 64 * 1024;
constexpr int kListenBacklog = 16;

QString ErrnoText(int error) {
  return QString::fromLocal8Bit(::strerror(error));
}

// Why path is not a folder of this user's alone; empty when it is. lstat: a
// symbolic link is refused, whatever it points to.
QString PrivateFolderFault(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
    return QStringLiteral("%1: %2").arg(path, ErrnoText(errno));
  }
  if (S_ISLNK(st.st_mode)) {
    return QStringLiteral("%1 is a symbolic link").arg(path);
  }
  if (!S_ISDIR(st.st_mode)) {
    return QStringLiteral("%1 is not a folder").arg(path);
  }
  if (st.st_uid != ::geteuid()) {
    return QStringLiteral("%1 belongs to user %2").arg(path).arg(st.st_uid);
  }
  if ((st.st_mode & 077) != 0) {
    return QStringLiteral("%1 is open to other users (mode %2)")
        .arg(path)
        .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
  }
  return {};
}

// The sockets' folder, made (by the server) when missing; empty fault when
// it can be trusted. The runtime folder itself must be private too: a
// folder inside one that others can write could be swapped.
QString PrepareSocketFolder(const TInstanceChannelSetup& setup, bool create) {
  if (!setup.RuntimeDir.isEmpty()) {
    if (QString fault = PrivateFolderFault(setup.RuntimeDir); !fault.isEmpty()) {
      return fault;
    }
  }
  const QString folder = InstanceSocketFolder(setup);
  if (create && ::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
    return QStringLiteral("cannot make %1: %2").arg(folder, ErrnoText(errno));
  }
  return PrivateFolderFault(folder);
}

// The socket address of path; none when it does not fit sun_path.
std::optional<sockaddr_un> AddressOf(const QString& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray native = QFile::encodeName(path);
  if (native.isEmpty() || std::size_t(native.size()) >= sizeof address.sun_path) {
    return std::nullopt;
  }
  std::copy(native.begin(), native.end(), address.sun_path);
  return address;
}

std::optional<uid_t> PeerUidOf(qintptr fd) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  if (fd < 0 || ::getsockopt(int(fd), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
      size != sizeof credentials) {
    return std::nullopt;
  }
  return credentials.uid;
}

void Drop(QLocalSocket* socket) {
  socket->abort();
  socket->deleteLater();
}

// Closes a descriptor when the sending function leaves.
struct TFdCloser {
  int fd;
  ~TFdCloser() {
    if (fd >= 0) {
      ::close(fd);
    }
  }
};

int MsLeft(const QElapsedTimer& clock, int timeoutMs) {
  return int(std::max<qint64>(0, timeoutMs - clock.elapsed()));
}

// Waits for events on fd until the deadline; false on time-out or error.
bool WaitFor(int fd, short events, const QElapsedTimer& clock, int timeoutMs) {
  for (;;) {
    const int left = MsLeft(clock, timeoutMs);
    if (left <= 0) {
      return false;
    }
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, left);
    if (ready > 0) {
      return true;
    }
    if (ready < 0 && errno != EINTR) {
      return false;
    }
  }
}

}  // namespace

TInstanceChannelSetup TInstanceChannelSetup::FromEnvironment() {
  TInstanceChannelSetup setup;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  // A relative runtime folder is to be ignored, as if unset.
  setup.RuntimeDir = QDir::isAbsolutePath(runtime) ? runtime : QString();
  setup.PeerUid = ::geteuid();
  return setup;
}

QString InstanceSocketFolder(const TInstanceChannelSetup& setup) {
  if (!setup.RuntimeDir.isEmpty()) {
    return setup.RuntimeDir + QStringLiteral("/glimr");
  }
  return setup.FallbackRoot + QStringLiteral("/glimr-%1").arg(::geteuid());
}

QString InstanceSocketPath(const QString& dataDir, const TInstanceChannelSetup& setup) {
  const QByteArray hash =
      QCryptographicHash::hash(dataDir.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return InstanceSocketFolder(setup) + QLatin1Char('/') + QString::fromLatin1(hash) +
         QStringLiteral(".sock");
}

TInstanceServer::TInstanceServer(const QString& dataDir,
                                 std::function<void(const QStringList&)> onPaths,
                                 const TInstanceChannelSetup& setup, QObject* parent)
    : QObject(parent),
      setup_(setup),
      server_(new QLocalServer(this)),
      onPaths_(std::move(onPaths)) {
  if (!Listen(dataDir)) {
    return;
  }
  connect(server_, &QLocalServer::newConnection, this, &TInstanceServer::Accept);
}

TInstanceServer::~TInstanceServer() {
  if (socketPath_.isEmpty()) {
    return;
  }
  server_->close();
  // Only our own socket, in our own folder, is ever removed.
  const QByteArray native = QFile::encodeName(socketPath_);
  struct stat st {};
  if (::lstat(native.constData(), &st) == 0 && S_ISSOCK(st.st_mode)) {
    ::unlink(native.constData());
  }
}

bool TInstanceServer::Listening() const {
  return server_->isListening();
}

bool TInstanceServer::Listen(const QString& dataDir) {
  if (const QString fault = PrepareSocketFolder(setup_, true); !fault.isEmpty()) {
    qCWarning(lcInstance).noquote() << "no hand-over from second starts:" << fault;
    return false;
  }
  const QString path = InstanceSocketPath(dataDir, setup_);
  const std::optional<sockaddr_un> address = AddressOf(path);
  if (!address) {
    qCWarning(lcInstance).noquote()
        << "no hand-over from second starts: socket path too long:" << path;
    return false;
  }
  // A socket already there was left by a Glimr that died: the caller holds
  // the data folder's lock, and the folder is this user's alone.
  struct stat st {};
  if (::lstat(address->sun_path, &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      qCWarning(lcInstance).noquote()
          << "no hand-over from second starts:" << path << "is not a socket";
      return false;
    }
    ::unlink(address->sun_path);
  }
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0 ||
      ::listen(fd, kListenBacklog) != 0) {
    qCWarning(lcInstance).noquote()
        << "no hand-over from second starts: cannot listen on" << path << ErrnoText(errno);
    if (fd >= 0) {
      ::close(fd);
    }
    return false;
  }
  socketPath_ = path;
  if (!server_->listen(fd)) {
    qCWarning(lcInstance).noquote()
        << "no hand-over from second starts: cannot listen on" << path << server_->errorString();
    ::close(fd);
    ::unlink(address->sun_path);
    socketPath_.clear();
    return false;
  }
  return true;
}

void TInstanceServer::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    const std::optional<uid_t> peer = PeerUidOf(socket->socketDescriptor());
    if (!peer || *peer != setup_.PeerUid) {
      qCWarning(lcInstance) << "hand-over refused: the peer is user"
                            << (peer ? qlonglong(*peer) : -1LL);
      Drop(socket);
      continue;
    }
    if (open_ >= setup_.MaxConnections) {
      qCWarning(lcInstance) << "hand-over refused:" << open_ << "are being read already";
      Drop(socket);
      continue;
    }
    Serve(socket);
  }
}

void TInstanceServer::Serve(QLocalSocket* socket) {
  ++open_;
  connect(socket, &QObject::destroyed, this, [this] { --open_; });
  connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
  // Qt reads no further ahead than this, so an oversize frame is refused
  // with at most one chunk of it in memory.
  socket->setReadBufferSize(kReadChunk);

  auto* idle = new QTimer(socket);
  idle->setSingleShot(true);
  idle->setInterval(setup_.IdleTimeoutMs);
  connect(idle, &QTimer::timeout, socket, [socket] {
    qCWarning(lcInstance) << "hand-over dropped: the sender went quiet";
    Drop(socket);
  });

  auto reader = std::make_shared<THandOverReader>(setup_.MaxPayload);
  connect(socket, &QLocalSocket::readyRead, this, [this, socket, idle, reader] {
    if (reader->State() != THandOverReader::TState::NeedMore) {
      return;
    }
    idle->start();
    while (reader->State() == THandOverReader::TState::NeedMore && socket->bytesAvailable() > 0) {
      const QByteArray bytes = socket->read(std::min(reader->Wanted(), kReadChunk));
      if (bytes.isEmpty()) {
        break;
      }
      reader->Feed(bytes);
    }
    switch (reader->State()) {
      case THandOverReader::TState::NeedMore:
        return;
      case THandOverReader::TState::Bad:
        idle->stop();
        qCWarning(lcInstance).noquote() << "hand-over refused:" << reader->Error();
        Drop(socket);
        return;
      case THandOverReader::TState::Done:
        break;
    }
    idle->stop();
    socket->write(&kAcknowledge, 1);
    socket->disconnectFromServer();  // once the answer is out
    const QStringList paths = reader->TakePaths();
    if (onPaths_) {
      onPaths_(paths);
    }
  });
  idle->start();
}

bool SendToRunningInstance(const QString& dataDir, const QStringList& paths, int timeoutMs,
                           const TInstanceChannelSetup& setup) {
  QElapsedTimer clock;
  clock.start();
  if (const QString fault = PrepareSocketFolder(setup, false); !fault.isEmpty()) {
    qCInfo(lcInstance).noquote() << "no hand-over to the running Glimr:" << fault;
    return false;
  }
  const std::optional<QByteArray> frame = EncodeHandOver(paths, setup.MaxPayload);
  if (!frame) {
    qCWarning(lcInstance) << "no hand-over to the running Glimr: the paths do not fit a message";
    return false;
  }
  const QString path = InstanceSocketPath(dataDir, setup);
  const std::optional<sockaddr_un> address = AddressOf(path);
  if (!address) {
    return false;
  }
  const TFdCloser socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
  if (socket.fd < 0) {
    return false;
  }
  // A full backlog answers EAGAIN at once; try again until the time is up.
  while (::connect(socket.fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) != 0) {
    if ((errno != EAGAIN && errno != EINTR) || MsLeft(clock, timeoutMs) <= 0) {
      qCInfo(lcInstance).noquote() << "no running Glimr listens on" << path << ErrnoText(errno);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Nothing is written before the listener is known to be this user's.
  const std::optional<uid_t> peer = PeerUidOf(socket.fd);
  if (!peer || *peer != setup.PeerUid) {
    qCWarning(lcInstance) << "no hand-over: the listener on" << path << "is user"
                          << (peer ? qlonglong(*peer) : -1LL);
    return false;
  }
  qsizetype sent = 0;
  while (sent < frame->size()) {
    const ssize_t n = ::send(socket.fd, frame->constData() + sent,
                             std::size_t(frame->size() - sent), MSG_NOSIGNAL);
    if (n > 0) {
      sent += n;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno == EAGAIN) {
      if (!WaitFor(socket.fd, POLLOUT, clock, timeoutMs)) {
        return false;
      }
    } else {
      return false;  // the listener hung up: it refused the message
    }
  }
  char reply = 0;
  for (;;) {
    const ssize_t n = ::recv(socket.fd, &reply, 1, 0);
    if (n == 1) {
      return reply == kAcknowledge;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
      return false;
    }
    if (!WaitFor(socket.fd, POLLIN, clock, timeoutMs)) {
      return false;
    }
  }
}

}  // namespace glimr
