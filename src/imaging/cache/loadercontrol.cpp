#include "imaging/cache/loadercontrol.h"

#include <mutex>

#include "catalog/imagefileinfo.h"
#include "common/errors.h"
#include "common/locks.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/thumbstore.h"

namespace glimr {

TLoaderControl::TLoaderControl(TCash& cache, TLocks& locks, TSessionFactory sessions,
                               QObject* parent)
    : QObject(parent), cache_(cache), locks_(locks), sessions_(std::move(sessions)) {}

TLoaderControl::~TLoaderControl() {
  CloseLoader();
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
  return loader_ ? loader_->LastLoaded() : QString();
}

void TLoaderControl::StartLoader(std::int32_t thumbSize) {
  if (loader_) {
    // Keep the queue: the caller filled it for this loader.
    std::lock_guard q(locks_.QueueLock);
    loader_->SetOnLoaded(nullptr);
    loader_->Terminate();
    wake_.notify_all();
    retired_.push_back(std::move(loader_));
  }
  if (!sessions_) {
    throw GlimrError(QStringLiteral("StartLoader: no catalog to store thumbnails in"));
  }
  ReapRetired(false);
  auto loader =
      std::make_unique<TThreadLoading>(cache_, locks_, queue_, wake_, sessions_(), thumbSize, this);
  {
    std::lock_guard q(locks_.QueueLock);
    loader->SetOnLoaded(onLoaded_);
  }
  loader->Start();
  loader_ = std::move(loader);
}

void TLoaderControl::StopLoader() {
  if (!loader_) {
    return;
  }
  {
    std::lock_guard q(locks_.QueueLock);
    queue_.Clear();
    loader_->SetOnLoaded(nullptr);
    loader_->Terminate();
    wake_.notify_all();
  }
  retired_.push_back(std::move(loader_));
  ReapRetired(false);
}

void TLoaderControl::LoadImageFirst(const QString& key) {
  std::lock_guard q(locks_.QueueLock);
  queue_.AddFirst(key);
  wake_.notify_all();
}

void TLoaderControl::ClearCash(std::int32_t thumbSize) {
  const bool restart = loader_ != nullptr;
  // The flag goes up before the locks are taken: the mutexes are not fair,
  // and a loader that is never told would win DecodeLock again and again
  // while this thread waits for it. Holding all four locks then guarantees
  // the loader is outside every guarded region when the cache is emptied.
  if (loader_) {
    loader_->Terminate();
  }
  {
    AllLocks all(locks_);
    if (loader_) {
      loader_->SetOnLoaded(nullptr);
      wake_.notify_all();
      retired_.push_back(std::move(loader_));
    }
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
  if (loader_) {
    retired_.push_back(std::move(loader_));
  }
  // The flag is what stops a loader: it is checked before every decode and
  // ends the wait on the queue. DecodeLock is not needed for that, and a
  // decode that never returns would keep it for ever.
  for (auto& t : retired_) {
    t->Terminate();
  }
  {
    std::lock_guard q(locks_.QueueLock);
    queue_.Clear();
    for (auto& t : retired_) {
      t->SetOnLoaded(nullptr);
    }
    wake_.notify_all();
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
