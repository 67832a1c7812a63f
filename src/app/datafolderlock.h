#pragma once
// Holds the data folder for one Glimr process at a time. Two processes on one
// catalog would insert every new file twice and overwrite each other's
// settings, so a second process finds the lock taken and hands its work to
// the first. The lock is an flock() on a file in the data folder: the kernel
// lets go of it when the process ends, however it ends, so a killed Glimr
// never locks the user out.

#include <QString>

namespace glimr {

class TDataFolderLock {
 public:
  // lockPath: the lock file inside the data folder it guards.
  explicit TDataFolderLock(QString lockPath);
  ~TDataFolderLock();
  TDataFolderLock(const TDataFolderLock&) = delete;
  TDataFolderLock& operator=(const TDataFolderLock&) = delete;

  enum class TResult {
    Acquired,
    HeldByOther,  // another running process holds it
    Unavailable,  // the lock file cannot be made (a read-only data folder)
  };
  // Takes the lock for the life of this object. detail names the holder
  // ("pid 1234") or the reason it is unavailable.
  TResult Acquire(QString* detail = nullptr);
  void Release();
  bool Held() const { return fd_ >= 0; }
  const QString& Path() const { return path_; }

 private:
  QString path_;
  int fd_ = -1;
};

}  // namespace glimr
