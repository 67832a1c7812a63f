#pragma once
// TLoaderControl: the main thread's side of the background loader. Owns
// LoadQueue and the loader threads: starts a loader after a list load, stops
// it before the next one (without waiting), moves files to the head of the
// queue, and stops and joins every loader at a cache rebuild or at close.

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
  // exists; no loader starts before it has one.
  TLoaderControl(TCash& cache, TLocks& locks, TSessionFactory sessions = {},
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

  // Set before StartLoader: run on the main thread after each file with the
  // path the loader just handled (the main window passes UpdateDimensions).
  void SetOnLoaded(TThreadLoading::TOnLoaded onLoaded) { onLoaded_ = std::move(onLoaded); }

  // Starts a new loader on the queue as it is, making thumbnails of at most
  // thumbSize a side. A running loader is stopped first.
  void StartLoader(std::int32_t thumbSize);
  // Clears the queue and marks the loader terminated; does not wait. The
  // thread finishes the file it is on and ends; it is joined later.
  void StopLoader();
  bool HasLoader() const { return loader_ != nullptr; }
  QString LastLoaded() const;

  // Puts the path at the head of the queue and wakes the loader.
  void LoadImageFirst(const QString& key);

  // Empties the cache with the loader stopped: takes all four locks, marks
  // the loader terminated and clears the cache, releases them, joins the
  // thread and starts a new loader on the same queue making thumbnails of
  // thumbSize. The caller lets the ribbon slots drop their entries first.
  void ClearCash(std::int32_t thumbSize);

  // Marks every loader terminated, clears the queue and joins the threads.
  // A decode under way runs to its end; no new one starts. Waits as long as
  // that decode takes.
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
  bool Close(std::optional<TClock::time_point> deadline);

  TCash& cache_;
  TLocks& locks_;
  TSessionFactory sessions_;
  TLoadQueue queue_;              // guarded by QueueLock
  std::condition_variable wake_;  // paired with QueueLock
  TThreadLoading::TOnLoaded onLoaded_;
  std::unique_ptr<TThreadLoading> loader_;
  std::vector<std::unique_ptr<TThreadLoading>> retired_;
};

// UpdateDimensions: copies the cached full-image size of path into record
// when it differs (never for an Undecodable entry, whose size is not the
// image's). The record is not marked Modified: the cache stores the size
// with the thumbnail, and a write-back carries only the user's edits. True
// when it changed (the caller refreshes that row of the file list).
bool UpdateDimensions(const TCash& cache, const QString& path, TImageFileInfo* record);

}  // namespace glimr
