#pragma once
// Holds the data folder for one Glimr process at a time. Two processes on one
// catalog would insert every new file twice and overwrite each other's
// settings, so a second process finds the lock taken and leaves.

#include <QLockFile>
#include <QString>

#include <memory>

namespace glimr {

class TDataFolderLock {
 public:
  // lockPath: the lock file inside the data folder it guards.
  explicit TDataFolderLock(QString lockPath);

  enum class TResult {
    Acquired,
    HeldByOther,  // another running process holds it
    Unavailable,  // the lock file cannot be made (a read-only data folder)
  };
  // Takes the lock for the life of this object. detail names the holder
  // ("pid 1234") or the reason it is unavailable. A lock left by a process
  // that no longer runs is taken over.
  TResult Acquire(QString* detail = nullptr);
  void Release() { file_.reset(); }
  bool Held() const { return file_ && file_->isLocked(); }
  const QString& Path() const { return path_; }

 private:
  QString path_;
  std::unique_ptr<QLockFile> file_;
};

}  // namespace glimr
