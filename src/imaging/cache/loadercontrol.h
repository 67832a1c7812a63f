#pragma once
// TLoaderControl: the main thread's side of the background loader. Owns
// LoadQueue and the loader's worker threads: starts a loader (a crew of
// workers that make thumbnails side by side, in queue order) after a list
// load, stops it before the next one (without waiting), moves files to the
// head of the queue, and stops and joins every worker at a cache rebuild or
// at close.

#include <QObject>
#include <QString>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/cache/loadqueue.h"
#include "imaging/cache/threadloading.h"

namespace glimr {

struct TLocks;
class TCash;
class TImageFileInfo;
class TThumbStore;

class TLoaderControl : public QObject {
  Q_OBJECT

 public:
  // Opens one catalog session for a new loader thread (called on the main
  // thread; the session is then used by that thread only).
  using TSessionFactory = std::function<std::unique_ptr<TThumbStore>()>;

  // The session source may come later (SetSessionFactory), once the catalog
  // exists; no loader starts before it has one. workerCount: the threads of
  // each loader; 0 (or less) for one per core.
  TLoaderControl(TCash& cache, TLocks& locks, TSessionFactory sessions = {}, int workerCount = 0,
                 QObject* parent = nullptr);
  // Closes the loaders (see CloseLoader).
  ~TLoaderControl() override;

  // LoadQueue itself; hold locks.QueueLock while using it and call Wake()
  // after putting paths in.
  TLoadQueue& LoadQueue() { return queue_; }
  void Wake();
  // Appends the paths (under QueueLock) and wakes the loader.
  void Enqueue(const QStringList& paths);
  int QueuedCount() const;

  void SetSessionFactory(TSessionFactory sessions) { sessions_ = std::move(sessions); }

  // The worker threads of the next loader started; 0 (or less) for one per
  // core. A running loader keeps its own until it is replaced.
  void SetWorkerCount(int workerCount);
  int WorkerCount() const { return workerCount_; }

  // Set before StartLoader: run on the main thread after each file with the
  // path the loader just handled (the main window passes UpdateDimensions).
  void SetOnLoaded(TThreadLoading::TOnLoaded onLoaded) { onLoaded_ = std::move(onLoaded); }

  // Starts a new loader on the queue as it is, making thumbnails of at most
  // thumbSize a side, with WorkerCount threads, each on a catalog session
  // of its own. A running loader is stopped first.
  void StartLoader(std::int32_t thumbSize);
  // Clears the queue and marks the loader terminated; does not wait. Each
  // worker finishes the file it is on and ends; it is joined later. A file
  // still under way stays claimed until then, so a new loader that finds it
  // queued again does not decode it a second time.
  void StopLoader();
  bool HasLoader() const { return !workers_.empty(); }
  // The path the running loader handled last (any of its workers).
  QString LastLoaded() const;

  // Puts the path at the head of the queue and wakes the loader.
  void LoadImageFirst(const QString& key);

  // Empties the cache with the loader stopped: marks the loader terminated,
  // clears the cache holding all four locks, joins the workers (waiting for
  // the decodes under way, whose results the clear drops) and starts a new
  // loader on the same queue making thumbnails of thumbSize. The caller
  // lets the ribbon slots drop their entries first.
  void ClearCash(std::int32_t thumbSize);

  // Marks every loader terminated, clears the queue and joins the threads.
  // The decodes under way run to their end; no new one starts. Waits as
  // long as they take.
  void CloseLoader();

  // Program close: as CloseLoader, but waits at most timeout for the
  // threads to end; true when they all did. It takes QueueLock only, never
  // DecodeLock or DbLock, which a thread stuck in a decode (a file on a
  // stalled network mount) may hold for ever. On false the threads still
  // running are abandoned: detached, never joined, their objects leaked.
  // They may still use the cache, the locks, this object and the catalog,
  // so after a false return the caller frees none of them: it saves the
  // settings and ends the process with _exit.
  bool CloseLoader(std::chrono::milliseconds timeout);

  // Joins the stopped threads that have ended (all of them when wait is
  // set) and returns how many are still running.
  int ReapRetired(bool wait = false);

 private:
  using TClock = std::chrono::steady_clock;
  // Terminates the running loader (caller holds QueueLock) and moves its
  // workers to retired_.
  void RetireLocked();
  bool Close(std::optional<TClock::time_point> deadline);

  TCash& cache_;
  TLocks& locks_;
  TSessionFactory sessions_;
  TLoadQueue queue_;              // guarded by QueueLock
  std::condition_variable wake_;  // paired with QueueLock
  TThreadLoading::TOnLoaded onLoaded_;
  int workerCount_ = 0;
  std::shared_ptr<TLoaderCrew> crew_;                     // the running loader's
  std::vector<std::unique_ptr<TThreadLoading>> workers_;  // the running loader
  std::vector<std::unique_ptr<TThreadLoading>> retired_;
};

// The threads a loader gets for workerCount: the number of cores for 0 or
// less, never fewer than one.
int EffectiveWorkerCount(int workerCount);

// UpdateDimensions: copies the cached full-image size of path into record
// when it differs (never for an Undecodable entry, whose size is not the
// image's). The record is not marked Modified: the cache stores the size
// with the thumbnail, and a write-back carries only the user's edits. True
// when it changed (the caller refreshes that row of the file list).
bool UpdateDimensions(const TCash& cache, const QString& path, TImageFileInfo* record);

}  // namespace glimr
