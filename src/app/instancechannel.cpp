#include "app/instancechannel.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace glimr {

namespace {

constexpr char kAcknowledge = 'K';

}  // namespace

QString InstanceSocketName(const QString& dataDir) {
  const QByteArray hash =
      QCryptographicHash::hash(dataDir.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  return QStringLiteral("glimr-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

TInstanceServer::TInstanceServer(const QString& dataDir,
                                 std::function<void(const QStringList&)> onPaths, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), onPaths_(std::move(onPaths)) {
  const QString name = InstanceSocketName(dataDir);
  // The caller holds the data folder's lock: a socket left by a Glimr that
  // died is stale, never another's.
  QLocalServer::removeServer(name);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  server_->listen(name);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        QDataStream in(socket);
        in.startTransaction();
        QStringList paths;
        in >> paths;
        if (!in.commitTransaction()) {
          return;  // the rest is still on its way
        }
        socket->write(&kAcknowledge, 1);
        socket->flush();
        if (onPaths_) {
          onPaths_(paths);
        }
      });
    }
  });
}

TInstanceServer::~TInstanceServer() = default;

bool TInstanceServer::Listening() const {
  return server_->isListening();
}

bool SendToRunningInstance(const QString& dataDir, const QStringList& paths, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  QLocalSocket socket;
  socket.connectToServer(InstanceSocketName(dataDir));
  if (!socket.waitForConnected(timeoutMs)) {
    return false;
  }
  QByteArray message;
  QDataStream out(&message, QIODevice::WriteOnly);
  out << paths;
  socket.write(message);
  if (!socket.waitForBytesWritten(int(std::max<qint64>(1, timeoutMs - clock.elapsed())))) {
    return false;
  }
  while (socket.bytesAvailable() < 1) {
    const qint64 left = timeoutMs - clock.elapsed();
    if (left <= 0 || !socket.waitForReadyRead(int(left))) {
      return false;
    }
  }
  char reply = 0;
  return socket.read(&reply, 1) == 1 && reply == kAcknowledge;
}

}  // namespace glimr
