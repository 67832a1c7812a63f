#include "imaging/cache/loadercontrol.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "catalog/imagefileinfo.h"
#include "common/errors.h"
#include "common/locks.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/thumbstore.h"

namespace glimr {

int EffectiveWorkerCount(int workerCount) {
  if (workerCount > 0) {
    return workerCount;
  }
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

TLoaderControl::TLoaderControl(TCash& cache, TLocks& locks, TSessionFactory sessions,
                               int workerCount, QObject* parent)
    : QObject(parent),
      cache_(cache),
      locks_(locks),
      sessions_(std::move(sessions)),
      workerCount_(workerCount) {}

TLoaderControl::~TLoaderControl() {
  CloseLoader();
}

void TLoaderControl::SetWorkerCount(int workerCount) {
  workerCount_ = workerCount;
}

void TLoaderControl::Wake() {
  std::lock_guard q(locks_.QueueLock);
  wake_.notify_all();
}

void TLoaderControl::Enqueue(const QStringList& paths) {
  std::lock_guard q(locks_.QueueLock);
  for (const QString& p : paths) {
    queue_.Add(p);
  }
  wake_.notify_all();
}

int TLoaderControl::QueuedCount() const {
  std::lock_guard q(locks_.QueueLock);
  return queue_.Count();
}

QString TLoaderControl::LastLoaded() const {
  if (!crew_) {
    return {};
  }
  std::lock_guard lock(crew_->Mutex);
  return crew_->LastLoaded;
}

void TLoaderControl::RetireLocked() {
  for (auto& worker : workers_) {
    worker->SetOnLoaded(nullptr);
    worker->Terminate();
    retired_.push_back(std::move(worker));
  }
  workers_.clear();
  crew_.reset();
  wake_.notify_all();
}

void TLoaderControl::StartLoader(std::int32_t thumbSize) {
  if (!workers_.empty()) {
    // Keep the queue: the caller filled it for this loader.
    std::lock_guard q(locks_.QueueLock);
    RetireLocked();
  }
  if (!sessions_) {
    throw GlimrError(QStringLiteral("StartLoader: no catalog to store thumbnails in"));
  }
  ReapRetired(false);
  const int count = EffectiveWorkerCount(workerCount_);
  auto crew = std::make_shared<TLoaderCrew>();
  std::vector<std::unique_ptr<TThreadLoading>> workers;
  workers.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    workers.push_back(std::make_unique<TThreadLoading>(cache_, locks_, queue_, wake_, sessions_(),
                                                       thumbSize, this, crew));
  }
  {
    std::lock_guard q(locks_.QueueLock);
    for (auto& worker : workers) {
      worker->SetOnLoaded(onLoaded_);
    }
  }
  for (auto& worker : workers) {
    worker->Start();
  }
  crew_ = std::move(crew);
  workers_ = std::move(workers);
}

void TLoaderControl::StopLoader() {
  if (workers_.empty()) {
    return;
  }
  {
    std::lock_guard q(locks_.QueueLock);
    queue_.Clear();
    RetireLocked();
  }
  ReapRetired(false);
}

void TLoaderControl::LoadImageFirst(const QString& key) {
  std::lock_guard q(locks_.QueueLock);
  queue_.AddFirst(key);
  wake_.notify_all();
}

void TLoaderControl::ClearCash(std::int32_t thumbSize) {
  const bool restart = !workers_.empty();
  // The flag goes up before the locks are taken: the mutexes are not fair,
  // and a worker that is never told would win them again and again while
  // this thread waits. Holding all four locks then guarantees no worker is
  // inside a guarded region when the cache is emptied; a decode still under
  // way outside them finds the cache cleared when it ends, and its result is
  // dropped.
  if (crew_) {
    crew_->Terminated.store(true);
  }
  {
    AllLocks all(locks_);
    RetireLocked();
    cache_.Clear();
  }
  ReapRetired(true);
  if (restart) {
    StartLoader(thumbSize);
  }
}

void TLoaderControl::CloseLoader() {
  Close(std::nullopt);
}

bool TLoaderControl::CloseLoader(std::chrono::milliseconds timeout) {
  return Close(TClock::now() + timeout);
}

bool TLoaderControl::Close(std::optional<TClock::time_point> deadline) {
  // The flag is what stops a worker: it is checked before every decode and
  // ends the wait on the queue. DecodeLock is not needed for that, and a
  // decode that never returns would keep it for ever.
  for (auto& t : retired_) {
    t->Terminate();
  }
  {
    std::lock_guard q(locks_.QueueLock);
    queue_.Clear();
    RetireLocked();
    for (auto& t : retired_) {
      t->SetOnLoaded(nullptr);
    }
  }
  bool ended = true;
  for (auto it = retired_.begin(); it != retired_.end();) {
    if (!deadline || (*it)->WaitFinished(*deadline)) {
      (*it)->Join();
      it = retired_.erase(it);
      continue;
    }
    // Still inside a decode after the wait: detached and leaked, since
    // joining could wait for ever and destroying a joinable thread would
    // end the program.
    (*it)->Abandon();
    (void)it->release();
    it = retired_.erase(it);
    ended = false;
  }
  return ended;
}

int TLoaderControl::ReapRetired(bool wait) {
  for (auto it = retired_.begin(); it != retired_.end();) {
    if (wait || (*it)->Finished()) {
      (*it)->Join();
      it = retired_.erase(it);
    } else {
      ++it;
    }
  }
  return static_cast<int>(retired_.size());
}

bool UpdateDimensions(const TCash& cache, const QString& path, TImageFileInfo* record) {
  if (!record || record->IsFolder) {
    return false;
  }
  const TBmpCashPtr entry = cache.Find(path);
  // The size of an undecodable file's entry is its tile's, not the image's.
  if (!entry || entry->Undecodable) {
    return false;
  }
  if (entry->Width == record->Width && entry->Height == record->Height) {
    return false;
  }
  record->Width = entry->Width;
  record->Height = entry->Height;
  return true;
}

}  // namespace glimr
