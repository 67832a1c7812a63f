#include "app/datafolderlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace glimr {

TDataFolderLock::TDataFolderLock(QString lockPath) : path_(std::move(lockPath)) {}

TDataFolderLock::~TDataFolderLock() {
  Release();
}

void TDataFolderLock::Release() {
  if (fd_ >= 0) {
    ::close(fd_);  // closing the descriptor ends the flock
    fd_ = -1;
  }
}

TDataFolderLock::TResult TDataFolderLock::Acquire(QString* detail) {
  if (Held()) {
    return TResult::Acquired;
  }
  const QString folder = QFileInfo(path_).absolutePath();
  if (!QDir().mkpath(folder)) {
    if (detail) {
      *detail = QStringLiteral("cannot create %1").arg(folder);
    }
    return TResult::Unavailable;
  }
  const QByteArray native = QFile::encodeName(path_);
  const int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (detail) {
      *detail = QStringLiteral("cannot create %1: %2")
                    .arg(path_, QString::fromLocal8Bit(strerror(errno)));
    }
    return TResult::Unavailable;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (detail) {
      char pid[32] = {};
      const ssize_t n = ::pread(fd, pid, sizeof pid - 1, 0);
      *detail = error == EWOULDBLOCK && n > 0
                    ? QStringLiteral("pid %1").arg(QString::fromLatin1(pid).trimmed())
                    : QString::fromLocal8Bit(strerror(error));
    }
    ::close(fd);
    return error == EWOULDBLOCK ? TResult::HeldByOther : TResult::Unavailable;
  }
  // The holder's pid, for the second process's message only.
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    (void)!::pwrite(fd, pid.data(), pid.size(), 0);
  }
  fd_ = fd;
  return TResult::Acquired;
}

}  // namespace glimr
