#pragma once
// TThreadLoading: one worker of the background loader. It claims the first
// path of LoadQueue that no other worker has, has the cache load or make
// its thumbnail, takes it off the queue and tells the main thread which
// file it finished, without waiting for it. It waits on a condition
// variable while the queue holds nothing it can take. The workers of one
// loader share a TLoaderCrew; their owner (TLoaderControl) stops and joins
// them.

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

// What the workers of one loader share. Terminated stops all of them: no
// new file, no new decode, and their hand-backs still waiting in the main
// thread's event queue do nothing.
struct TLoaderCrew {
  std::atomic<bool> Terminated{false};
  mutable std::mutex Mutex;
  QString LastLoaded;  // guarded by Mutex: the path any worker handled last
};

class TThreadLoading {
 public:
  // Runs on the main thread after every file, with the path just handled.
  using TOnLoaded = std::function<void(const QString& lastLoaded)>;

  // queue and wake are guarded by locks.QueueLock; session is this thread's
  // own catalog session; thumbSize the largest side of new thumbnails;
  // mainContext a QObject living on the main thread, for OnLoaded; crew
  // shared with the loader's other workers (a crew of its own when null).
  TThreadLoading(TCash& cache, TLocks& locks, TLoadQueue& queue, std::condition_variable& wake,
                 std::unique_ptr<TThumbStore> session, std::int32_t thumbSize, QObject* mainContext,
                 std::shared_ptr<TLoaderCrew> crew = nullptr);
  // Joins the thread; it must have been terminated first.
  ~TThreadLoading();
  TThreadLoading(const TThreadLoading&) = delete;
  TThreadLoading& operator=(const TThreadLoading&) = delete;

  void Start();
  // Caller holds QueueLock (so the change of OnLoaded is seen at once).
  void SetOnLoaded(TOnLoaded onLoaded);
  // Marks the crew terminated (this worker and its siblings): they take no
  // new file, start no new decode, and their pending OnLoaded calls do
  // nothing. Does not wait. Wake the queue's condition variable afterwards.
  void Terminate();
  bool Terminated() const { return crew_->Terminated.load(); }
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
  // The path the crew handled last.
  QString LastLoaded() const;
  std::int32_t ThumbSize() const { return thumbSize_; }

 private:
  void Execute();
  void Loop();
  void PostToMain(const TOnLoaded& onLoaded, const QString& path);

  TCash& cache_;
  TLocks& locks_;
  TLoadQueue& queue_;
  std::condition_variable& wake_;
  std::unique_ptr<TThumbStore> session_;
  const std::int32_t thumbSize_;
  QPointer<QObject> mainContext_;
  const std::shared_ptr<TLoaderCrew> crew_;
  TOnLoaded onLoaded_;  // guarded by QueueLock

  bool firstFailure_ = false;  // this worker's error stopped the crew
  std::atomic<bool> finished_{false};
  std::mutex endMutex_;  // the end of the body
  std::condition_variable ended_;
  std::thread thread_;
};

}  // namespace glimr
