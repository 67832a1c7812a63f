#pragma once
// TThreadLoading: the background thread that fills the thumbnail cache from
// LoadQueue, one file at a time from the head, and tells the main thread
// which file it finished. It waits on a condition variable while the queue
// is empty. Its owner (TLoaderControl) stops it and joins it.

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace glimr {

struct TLocks;
class TCash;
class TLoadQueue;
class TThumbStore;

class TThreadLoading {
 public:
  // Runs on the main thread after every file, with the path just handled.
  using TOnLoaded = std::function<void(const QString& lastLoaded)>;

  // queue and wake are guarded by locks.QueueLock; session is this thread's
  // own catalog session; thumbSize the largest side of new thumbnails;
  // mainContext a QObject living on the main thread, for OnLoaded.
  TThreadLoading(TCash& cache, TLocks& locks, TLoadQueue& queue, std::condition_variable& wake,
                 std::unique_ptr<TThumbStore> session, std::int32_t thumbSize,
                 QObject* mainContext);
  // Joins the thread; it must have been terminated first.
  ~TThreadLoading();
  TThreadLoading(const TThreadLoading&) = delete;
  TThreadLoading& operator=(const TThreadLoading&) = delete;

  void Start();
  // Caller holds QueueLock (so the change of OnLoaded is seen at once).
  void SetOnLoaded(TOnLoaded onLoaded);
  // Marks the thread terminated: it takes no new file and starts no new
  // decode, and gives up a pending OnLoaded call. Does not wait. Wake the
  // queue's condition variable afterwards.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  // True once the thread body has returned (Join is then immediate).
  bool Finished() const { return finished_.load(); }
  // Waits until the thread body has returned or the deadline has passed;
  // true when it has returned.
  bool WaitFinished(std::chrono::steady_clock::time_point deadline);
  void Join();
  // Gives up on a terminated thread that does not end (stuck in a decode
  // on a stalled mount, say): detaches it, so it is never joined. The
  // object and everything it refers to must then outlive the thread; the
  // owner leaks the object and the process ends with _exit.
  void Abandon();
  QString LastLoaded() const;
  std::int32_t ThumbSize() const { return thumbSize_; }

 private:
  struct TCall;
  void Execute();
  void Loop();
  void RunOnMain(const TOnLoaded& onLoaded, const QString& path);

  TCash& cache_;
  TLocks& locks_;
  TLoadQueue& queue_;
  std::condition_variable& wake_;
  std::unique_ptr<TThumbStore> session_;
  const std::int32_t thumbSize_;
  QPointer<QObject> mainContext_;
  TOnLoaded onLoaded_;  // guarded by QueueLock

  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  mutable std::mutex stateMutex_;  // lastLoaded_, pending_, the end of the body
  std::condition_variable ended_;
  QString lastLoaded_;
  std::shared_ptr<TCall> pending_;
  std::thread thread_;
};

}  // namespace glimr
