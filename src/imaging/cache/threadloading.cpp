#include "imaging/cache/threadloading.h"

#include <QLoggingCategory>
#include <QMetaObject>

#include <sys/resource.h>
#include <unistd.h>

#include "common/errors.h"
#include "common/locks.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/loadqueue.h"
#include "imaging/cache/thumbstore.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcLoader, "glimr.loader")

namespace {

std::mutex& PostingMutex() {
  static std::mutex mutex;
  return mutex;
}

}  // namespace

// One OnLoaded call handed to the main thread. Shared with the posted call,
// which may run after the thread object is gone, so it owns its own lock.
struct TThreadLoading::TCall {
  std::mutex Mutex;
  std::condition_variable Done;
  bool Finished = false;
  bool Abandoned = false;
};

TThreadLoading::TThreadLoading(TCash& cache, TLocks& locks, TLoadQueue& queue,
                               std::condition_variable& wake, std::unique_ptr<TThumbStore> session,
                               std::int32_t thumbSize, QObject* mainContext)
    : cache_(cache),
      locks_(locks),
      queue_(queue),
      wake_(wake),
      session_(std::move(session)),
      thumbSize_(thumbSize),
      mainContext_(mainContext) {}

TThreadLoading::~TThreadLoading() {
  Terminate();
  {
    // Wake it in case it still waits on the queue.
    std::lock_guard q(locks_.QueueLock);
    wake_.notify_all();
  }
  Join();
}

void TThreadLoading::Start() {
  thread_ = std::thread([this] { Execute(); });
}

void TThreadLoading::SetOnLoaded(TOnLoaded onLoaded) {
  onLoaded_ = std::move(onLoaded);
}

void TThreadLoading::Terminate() {
  terminated_.store(true);
  std::shared_ptr<TCall> call;
  {
    std::lock_guard lock(stateMutex_);
    call = pending_;
  }
  if (call) {
    std::lock_guard lock(call->Mutex);
    call->Abandoned = true;
    call->Done.notify_all();
  }
}

void TThreadLoading::Join() {
  if (thread_.joinable()) {
    thread_.join();
  }
}

QString TThreadLoading::LastLoaded() const {
  std::lock_guard lock(stateMutex_);
  return lastLoaded_;
}

void TThreadLoading::Execute() {
  // One step below the normal priority: a higher nice value for this thread
  // alone (Linux keeps a nice value per thread).
  const pid_t tid = gettid();
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
  if (errno == 0) {
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice + 1);
  }
  try {
    Loop();
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("Thread1: "), ErrorText(e));
  }
  std::lock_guard lock(stateMutex_);
  finished_.store(true);
  ended_.notify_all();
}

bool TThreadLoading::WaitFinished(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(stateMutex_);
  return ended_.wait_until(lock, deadline, [this] { return finished_.load(); });
}

void TThreadLoading::Abandon() {
  if (thread_.joinable()) {
    thread_.detach();
  }
}

void TThreadLoading::Loop() {
  while (!terminated_.load()) {
    QString name;
    {
      std::unique_lock q(locks_.QueueLock);
      wake_.wait(q, [this] { return terminated_.load() || !queue_.IsEmpty(); });
      if (terminated_.load()) {
        break;
      }
      name = queue_.First();
    }
    bool settled = true;
    if (!name.isEmpty()) {
      settled = cache_.SetBitmapToCash(name, *session_, thumbSize_, &terminated_);
    }
    // Only a loader still running takes a file off the queue. A stopped one
    // may have been stopped for a cache clear: whatever it made belongs to
    // the cache before the clear, so the file stays queued for the next
    // loader (a close or a folder switch empties the queue anyway). A file
    // whose result a clear dropped stays queued as well.
    const bool done = settled && !terminated_.load();
    TOnLoaded onLoaded;
    {
      std::lock_guard q(locks_.QueueLock);
      if (done) {
        queue_.Remove(name);
      }
      onLoaded = onLoaded_;
    }
    {
      std::lock_guard lock(stateMutex_);
      lastLoaded_ = name;
    }
    if (onLoaded && !terminated_.load()) {
      RunOnMain(onLoaded, name);
    }
  }
}

void TThreadLoading::RunOnMain(const TOnLoaded& onLoaded, const QString& path) {
  QObject* context = mainContext_.data();
  if (!context) {
    return;
  }
  auto call = std::make_shared<TCall>();
  {
    std::lock_guard lock(stateMutex_);
    pending_ = call;
  }
  // A blocking queued call that the owner can call off: when the main
  // thread stops this loader while it waits here (and then joins it), the
  // wait ends at once and the posted call does nothing.
  //
  // The call is posted while holding a lock that the posted call takes
  // before it reads what it captured. Qt's event queue orders the two as
  // well, but ThreadSanitizer cannot see inside Qt (not built for it) and
  // would report the captures as a race.
  {
    std::lock_guard posting(PostingMutex());
    QMetaObject::invokeMethod(
        context,
        [call, onLoaded, path] {
          { std::lock_guard posted(PostingMutex()); }
          {
            std::lock_guard lock(call->Mutex);
            if (call->Abandoned) {
              return;
            }
          }
          try {
            onLoaded(path);
          } catch (const std::exception& e) {
            qCWarning(lcLoader).noquote() << "OnLoaded" << path << ErrorText(e);
          }
          std::lock_guard lock(call->Mutex);
          call->Finished = true;
          call->Done.notify_all();
        },
        Qt::QueuedConnection);
  }
  {
    std::unique_lock lock(call->Mutex);
    call->Done.wait(lock, [&] { return call->Finished || call->Abandoned || terminated_.load(); });
  }
  std::lock_guard lock(stateMutex_);
  pending_.reset();
}

}  // namespace glimr
