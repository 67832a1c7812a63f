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

TThreadLoading::TThreadLoading(TCash& cache, TLocks& locks, TLoadQueue& queue,
                               std::condition_variable& wake, std::unique_ptr<TThumbStore> session,
                               std::int32_t thumbSize, QObject* mainContext,
                               std::shared_ptr<TLoaderCrew> crew)
    : cache_(cache),
      locks_(locks),
      queue_(queue),
      wake_(wake),
      session_(std::move(session)),
      thumbSize_(thumbSize),
      mainContext_(mainContext),
      crew_(crew ? std::move(crew) : std::make_shared<TLoaderCrew>()) {}

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
  crew_->Terminated.store(true);
}

void TThreadLoading::Join() {
  if (thread_.joinable()) {
    thread_.join();
  }
}

QString TThreadLoading::LastLoaded() const {
  std::lock_guard lock(crew_->Mutex);
  return crew_->LastLoaded;
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
    {
      std::lock_guard q(locks_.QueueLock);
      wake_.notify_all();  // the siblings waiting on the queue end too
    }
    if (firstFailure_) {
      ShowError(QStringLiteral("Thread1: "), ErrorText(e));
    }
  }
  std::lock_guard lock(endMutex_);
  finished_.store(true);
  ended_.notify_all();
}

bool TThreadLoading::WaitFinished(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(endMutex_);
  return ended_.wait_until(lock, deadline, [this] { return finished_.load(); });
}

void TThreadLoading::Abandon() {
  if (thread_.joinable()) {
    thread_.detach();
  }
}

void TThreadLoading::Loop() {
  std::atomic<bool>& stop = crew_->Terminated;
  while (!stop.load()) {
    QString name;
    {
      std::unique_lock q(locks_.QueueLock);
      wake_.wait(q, [&] { return stop.load() || queue_.HasUnclaimed(); });
      if (stop.load()) {
        break;
      }
      name = queue_.ClaimFirst();
    }
    bool settled = false;
    // Only a loader still running takes a file off the queue. A stopped one
    // may have been stopped for a cache clear: whatever it made belongs to
    // the cache before the clear, so the file stays queued for the next
    // loader (a close or a folder switch empties the queue anyway). A file
    // whose result a clear dropped stays queued as well. The claim goes in
    // every case, also when the cache raises.
    auto release = [&] {
      const bool done = settled && !stop.load();
      std::lock_guard q(locks_.QueueLock);
      if (done) {
        queue_.Remove(name);
      }
      queue_.Unclaim(name);
      if (queue_.Contains(name)) {
        wake_.notify_all();  // free for another worker again
      }
      return onLoaded_;
    };
    TOnLoaded onLoaded;
    try {
      settled = cache_.SetBitmapToCash(name, *session_, thumbSize_, &stop);
    } catch (...) {
      // The whole loader stops, as a single thread would: thumbnails stop
      // arriving until the next list load, and the message is shown once.
      // The flag goes up before the claim goes, so no sibling takes the
      // file that failed.
      firstFailure_ = !stop.exchange(true);
      release();
      throw;
    }
    onLoaded = release();
    {
      std::lock_guard lock(crew_->Mutex);
      crew_->LastLoaded = name;
    }
    if (onLoaded && !stop.load()) {
      PostToMain(onLoaded, name);
    }
  }
}

void TThreadLoading::PostToMain(const TOnLoaded& onLoaded, const QString& path) {
  QObject* context = mainContext_.data();
  if (!context) {
    return;
  }
  // Posted without waiting: the worker goes on with the next file while the
  // main thread catches up. The call checks the crew's flag when it runs,
  // on the main thread, so a loader stopped in the meantime (always from
  // the main thread) hands back nothing more.
  //
  // The call is posted while holding a lock that the posted call takes
  // before it reads what it captured. Qt's event queue orders the two as
  // well, but ThreadSanitizer cannot see inside Qt (not built for it) and
  // would report the captures as a race.
  std::lock_guard posting(PostingMutex());
  QMetaObject::invokeMethod(
      context,
      [crew = crew_, onLoaded, path] {
        { std::lock_guard posted(PostingMutex()); }
        if (crew->Terminated.load()) {
          return;
        }
        try {
          onLoaded(path);
        } catch (const std::exception& e) {
          qCWarning(lcLoader).noquote() << "OnLoaded" << path << ErrorText(e);
        }
      },
      Qt::QueuedConnection);
}

}  // namespace glimr
