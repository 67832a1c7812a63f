#include "app/datafolderlock.h"

#include <QDir>
#include <QFileInfo>

namespace glimr {

TDataFolderLock::TDataFolderLock(QString lockPath) : path_(std::move(lockPath)) {}

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
  file_ = std::make_unique<QLockFile>(path_);
  // Held for the whole run, so its age says nothing: only a holder that no
  // longer runs makes it stale.
  file_->setStaleLockTime(0);
  if (file_->tryLock(0)) {
    return TResult::Acquired;
  }
  const bool heldByOther = file_->error() == QLockFile::LockFailedError;
  if (detail) {
    qint64 pid = 0;
    QString host;
    QString app;
    if (heldByOther) {
      *detail = file_->getLockInfo(&pid, &host, &app) ? QStringLiteral("pid %1").arg(pid)
                                                      : QStringLiteral("another process");
    } else {
      *detail = QStringLiteral("cannot create %1").arg(path_);
    }
  }
  file_.reset();
  return heldByOther ? TResult::HeldByOther : TResult::Unavailable;
}

}  // namespace glimr
