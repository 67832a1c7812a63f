#pragma once
// The viewer's picture decoder: decodes the shown picture first and its
// neighbours ahead, at most two decodes at a time on worker threads, without
// DecodeLock for plug-ins that are safe on several threads, and keeps the few
// pictures the viewer steps between. Lives on the main thread.

#include <QImage>
#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "viewer/picturecache.h"

namespace glimr {

class TPlugins;

// Decodes a file for the viewer: Fit through the plug-in's reduced decode
// with kind.MinSide as the minimum side, Full at full size. A null image when
// the file cannot be decoded. Runs on a worker thread.
using TViewerDecodeFunction = std::function<QImage(const QString& path, TDecodeKind kind)>;
// Whether the decode of a file must hold DecodeLock (its plug-in is not safe
// on several threads). Runs on a worker thread, before the decode.
using TNeedsDecodeLock = std::function<bool(const QString& path)>;

// The decode through the plug-in set; the set must outlive every decode.
TViewerDecodeFunction PluginViewerDecode(const TPlugins& plugins);
// True unless the plug-in of the file's extension, and the one its first bytes
// point to when that differs, declare themselves thread-safe.
TNeedsDecodeLock PluginNeedsDecodeLock(const TPlugins& plugins);

// The picture for a decoded image: 24-bit (QImage::Format_BGR888), a Fit
// averaged down by the largest whole factor that keeps neither side below
// MinSide (a plug-in without a reduced decode gives the full image), then
// turned and mirrored. Null when the image is missing, empty or above the
// plug-in size limits.
QImage PrepareViewerPicture(QImage decoded, const TPictureKey& key);

enum class TDecodePriority {
  Shown,     // the picture on screen: goes before every prefetch
  Prefetch,  // a neighbour decoded ahead: runs only when no shown picture waits
};

class TViewerDecoder : public QObject {
  Q_OBJECT

 public:
  // At most this many decodes run at once; a decode cannot be interrupted
  // inside a plug-in, so one the viewer no longer wants still counts until it
  // ends.
  static constexpr int kMaxInFlight = 2;
  // At most this many prefetched pictures are wanted (and cached) beside the
  // shown one.
  static constexpr int kMaxPrefetch = 2;

  // decodeLock is taken around each decode for which needsLock answers true
  // (always when needsLock is empty). decode, needsLock and the lock must stay
  // valid while IsBusy(), also after the decoder is gone.
  TViewerDecoder(TViewerDecodeFunction decode, TNeedsDecodeLock needsLock, std::mutex& decodeLock,
                 QObject* parent = nullptr);
  // Does not wait: a decode still running finishes on its own thread and its
  // result is dropped. Check IsBusy() (or WaitIdle) first when what the
  // decode function uses is about to go.
  ~TViewerDecoder() override;
  TViewerDecoder(const TViewerDecoder&) = delete;
  TViewerDecoder& operator=(const TViewerDecoder&) = delete;

  // Asks for a picture. Shown: it becomes the shown picture; every request
  // made before it that still waits is discarded, and results of earlier
  // requests not asked for again are dropped when they arrive (ask for the
  // neighbours again after it). Prefetch: wanted beside the shown picture,
  // the oldest of more than kMaxPrefetch dropped. True when the picture is in
  // the cache already (take it with Peek or Take; nothing is decoded);
  // otherwise pictureReady or failed follows, unless the request is
  // discarded or dropped first.
  bool Request(const TPictureKey& key, TDecodePriority priority);
  // Forgets the shown picture and the prefetches: nothing waits any more and
  // running decodes' results are dropped. The cache stays.
  void Cancel();
  // The file changed, moved or went away: its pictures leave the cache, its
  // requests are discarded and a decode of it still running is dropped.
  void Forget(const QString& path);

  // The cached picture of key, or a null image; Take removes it.
  QImage Peek(const TPictureKey& key) { return cache_.Peek(key); }
  QImage Take(const TPictureKey& key) { return cache_.Take(key); }
  const TPictureCache& Cache() const { return cache_; }

  // Decodes started and not yet delivered (at most kMaxInFlight), and
  // requests waiting for a turn.
  int InFlight() const { return static_cast<int>(running_.size()); }
  int Waiting() const { return static_cast<int>(waiting_.size()); }
  // Whether a worker thread still decodes (its result may not have arrived).
  bool IsBusy() const;
  // Blocks until no worker thread decodes or the timeout passes; true when
  // idle. Results arrive later, through the event loop.
  bool WaitIdle(std::chrono::milliseconds timeout) const;

 Q_SIGNALS:
  // A requested picture, on the main thread; it is in the cache as well.
  void pictureReady(const glimr::TPictureKey& key, const QImage& picture);
  // A requested picture that could not be decoded.
  void failed(const glimr::TPictureKey& key);

 private:
  struct TJob {
    std::uint64_t Id = 0;
    TPictureKey Key;
    TDecodePriority Priority = TDecodePriority::Prefetch;
    bool Stale = false;  // the file changed since the decode started
  };
  struct TWorkers;

  // Delivers the results the workers left, in the order they ended.
  Q_INVOKABLE void TakeFinished();
  bool Wanted(const TPictureKey& key) const;
  void DropUnwanted();
  void Pump();
  void Start(TJob job);
  void Finished(std::uint64_t id, QImage picture);

  TViewerDecodeFunction decode_;
  TNeedsDecodeLock needsLock_;
  std::mutex* decodeLock_;
  std::shared_ptr<TWorkers> workers_;
  TPictureCache cache_;
  std::vector<TJob> running_;
  std::deque<TJob> waiting_;
  std::optional<TPictureKey> shown_;
  std::vector<TPictureKey> prefetch_;  // asked for since the last shown request
  std::uint64_t nextId_ = 1;
};

}  // namespace glimr
