#include "viewer/viewerdecoder.h"

#include <QFile>
#include <QMetaObject>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <thread>
#include <utility>

#include "glimr_plugin.h"

#include "catalog/imagefileinfo.h"
#include "imaging/decode.h"
#include "imaging/plugins.h"
#include "viewer/rows24.h"
#include "viewer/viewerlog.h"

namespace glimr {

// What the worker threads share with the decoder: they may outlive it, so
// they reach it only through Owner, which the decoder clears as it goes. A
// finished decode leaves its picture in Done and wakes the decoder with a
// bare queued call; the picture changes threads under Mutex.
struct TViewerDecoder::TWorkers {
  std::mutex Mutex;
  std::condition_variable Idle;
  int Running = 0;
  TViewerDecoder* Owner = nullptr;
  std::vector<std::pair<std::uint64_t, QImage>> Done;

  // Hands a result over; Mutex held.
  void Deliver(std::uint64_t id, QImage picture) {
    Done.emplace_back(id, std::move(picture));
    if (Owner)
      QMetaObject::invokeMethod(Owner, "TakeFinished", Qt::QueuedConnection);
  }
};

namespace {

bool IsUsable(const QImage& image) {
  return !image.isNull() && glimr_size_acceptable(image.width(), image.height()) &&
         image.bytesPerLine() >= glimr_bytes_per_row(image.width());
}

QImage DecodeAndPrepare(const TViewerDecodeFunction& decode, const TNeedsDecodeLock& needsLock,
                        std::mutex& decodeLock, const TPictureKey& key) {
  try {
    QImage decoded;
    {
      std::unique_lock hold(decodeLock, std::defer_lock);
      if (!needsLock || needsLock(key.Path))
        hold.lock();
      if (decode)
        decoded = decode(key.Path, key.Kind);
    }
    QImage picture = PrepareViewerPicture(std::move(decoded), key);
    if (picture.isNull())
      qCInfo(lcViewer) << "nothing to show for" << key.Path;
    return picture;
  } catch (const std::exception& e) {
    qCWarning(lcViewer) << "decoding" << key.Path << "failed:" << e.what();
  } catch (...) {
    qCWarning(lcViewer) << "decoding" << key.Path << "failed";
  }
  return {};
}

}  // namespace

TViewerDecodeFunction PluginViewerDecode(const TPlugins& plugins) {
  const TPlugins* set = &plugins;
  return [set](const QString& path, TDecodeKind kind) -> QImage {
    if (kind.IsFull())
      return DecodeFile(*set, path);
    return DecodeFileForThumbnail(*set, path, kind.MinSide).Bitmap;
  };
}

TNeedsDecodeLock PluginNeedsDecodeLock(const TPlugins& plugins) {
  const TPlugins* set = &plugins;
  return [set](const QString& path) {
    const TPlugin* plugin = set->PluginForExtension(GetExtension(path).toUpper());
    if (!plugin || !plugin->ThreadSafe())
      return true;
    // A file whose extension lies is decoded by the plug-in of its content
    // when its own refuses it.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
      return false;  // nothing will be decoded
    const QString type = SniffImageType(file.read(32));
    const TPlugin* other = type.isEmpty() ? nullptr : set->PluginForExtension(type);
    return other && other != plugin && !other->ThreadSafe();
  };
}

QImage PrepareViewerPicture(QImage decoded, const TPictureKey& key) {
  if (decoded.isNull())
    return {};
  if (decoded.format() != QImage::Format_BGR888)
    decoded = decoded.convertToFormat(QImage::Format_BGR888);
  if (!IsUsable(decoded))
    return {};
  if (!key.Kind.IsFull()) {
    // A plug-in without a reduced decode gives the full image: averaging
    // whole blocks on the 24-bit rows brings it near the size a reduced
    // decode gives, so three cached pictures stay about screen-sized.
    const int factor = std::min(decoded.width(), decoded.height()) / key.Kind.MinSide;
    if (factor >= 2)
      decoded = BoxReduceRows(decoded, factor);
    if (decoded.isNull())
      return {};
  }
  return TurnAndMirror(std::move(decoded), key.Angle, key.MirrorLeftRight, key.MirrorTopBottom);
}

TViewerDecoder::TViewerDecoder(TViewerDecodeFunction decode, TNeedsDecodeLock needsLock,
                               std::mutex& decodeLock, QObject* parent)
    : QObject(parent),
      decode_(std::move(decode)),
      needsLock_(std::move(needsLock)),
      decodeLock_(&decodeLock),
      workers_(std::make_shared<TWorkers>()),
      cache_(kMaxPrefetch) {
  workers_->Owner = this;
}

TViewerDecoder::~TViewerDecoder() {
  // From here on a worker that ends posts nothing; a result posted before is
  // dropped by Qt with this object.
  std::lock_guard hold(workers_->Mutex);
  workers_->Owner = nullptr;
}

bool TViewerDecoder::Request(const TPictureKey& key, TDecodePriority priority) {
  if (priority == TDecodePriority::Shown) {
    shown_ = key;
    prefetch_.clear();
    cache_.SetShown(key);
    // Holding an arrow key never builds a queue: what waits is older than
    // the picture now shown.
    waiting_.clear();
  } else if (!(shown_ && *shown_ == key) &&
             std::find(prefetch_.begin(), prefetch_.end(), key) == prefetch_.end()) {
    prefetch_.push_back(key);
    if (static_cast<int>(prefetch_.size()) > kMaxPrefetch) {
      prefetch_.erase(prefetch_.begin());
      DropUnwanted();
    }
  }
  if (cache_.Contains(key)) {
    (void)cache_.Peek(key);  // the most recently used now
    return true;
  }
  const auto same = [&key](const TJob& job) { return job.Key == key && !job.Stale; };
  if (std::any_of(running_.begin(), running_.end(), same))
    return false;  // its result is wanted again
  const auto waiting = std::find_if(waiting_.begin(), waiting_.end(), same);
  if (waiting != waiting_.end()) {
    if (priority == TDecodePriority::Shown)
      waiting->Priority = priority;
    return false;
  }
  waiting_.push_back({nextId_++, key, priority, false});
  Pump();
  return false;
}

void TViewerDecoder::Cancel() {
  shown_.reset();
  prefetch_.clear();
  waiting_.clear();
  cache_.SetShown(std::nullopt);
}

void TViewerDecoder::Forget(const QString& path) {
  cache_.Forget(path);
  if (shown_ && shown_->Path == path)
    shown_.reset();
  std::erase_if(prefetch_, [&path](const TPictureKey& k) { return k.Path == path; });
  for (TJob& job : running_) {
    if (job.Key.Path == path)
      job.Stale = true;
  }
  DropUnwanted();
}

bool TViewerDecoder::IsBusy() const {
  std::lock_guard hold(workers_->Mutex);
  return workers_->Running > 0;
}

bool TViewerDecoder::WaitIdle(std::chrono::milliseconds timeout) const {
  std::unique_lock hold(workers_->Mutex);
  return workers_->Idle.wait_for(hold, timeout, [this] { return workers_->Running == 0; });
}

bool TViewerDecoder::Wanted(const TPictureKey& key) const {
  return (shown_ && *shown_ == key) ||
         std::find(prefetch_.begin(), prefetch_.end(), key) != prefetch_.end();
}

void TViewerDecoder::DropUnwanted() {
  std::erase_if(waiting_, [this](const TJob& job) { return !Wanted(job.Key); });
}

void TViewerDecoder::Pump() {
  while (static_cast<int>(running_.size()) < kMaxInFlight && !waiting_.empty()) {
    // The shown picture goes first; prefetches in the order asked for.
    auto next = std::find_if(waiting_.begin(), waiting_.end(), [](const TJob& job) {
      return job.Priority == TDecodePriority::Shown;
    });
    if (next == waiting_.end())
      next = waiting_.begin();
    TJob job = std::move(*next);
    waiting_.erase(next);
    Start(std::move(job));
  }
}

void TViewerDecoder::Start(TJob job) {
  const std::uint64_t id = job.Id;
  const TPictureKey key = job.Key;
  running_.push_back(std::move(job));
  {
    std::lock_guard hold(workers_->Mutex);
    ++workers_->Running;
  }
  try {
    // The thread keeps its own copies of what it uses, so a decode that
    // never ends can be left behind with the decoder gone.
    std::thread([workers = workers_, decode = decode_, needsLock = needsLock_, lock = decodeLock_,
                 key, id] {
      QImage picture = DecodeAndPrepare(decode, needsLock, *lock, key);
      std::lock_guard hold(workers->Mutex);
      if (workers->Owner)
        workers->Deliver(id, std::move(picture));
      --workers->Running;
      workers->Idle.notify_all();
    }).detach();
  } catch (const std::exception& e) {
    qCWarning(lcViewer) << "no thread to decode" << key.Path << ":" << e.what();
    std::lock_guard hold(workers_->Mutex);
    --workers_->Running;
    workers_->Deliver(id, QImage());
  }
}

void TViewerDecoder::TakeFinished() {
  std::vector<std::pair<std::uint64_t, QImage>> done;
  {
    std::lock_guard hold(workers_->Mutex);
    done.swap(workers_->Done);
  }
  for (auto& [id, picture] : done)
    Finished(id, std::move(picture));
}

void TViewerDecoder::Finished(std::uint64_t id, QImage picture) {
  const auto it = std::find_if(running_.begin(), running_.end(),
                               [id](const TJob& job) { return job.Id == id; });
  if (it == running_.end())
    return;
  const TJob job = std::move(*it);
  running_.erase(it);
  const bool wanted = !job.Stale && Wanted(job.Key);
  if (wanted && !picture.isNull())
    cache_.Put(job.Key, picture);
  Pump();
  if (!wanted)
    return;  // nobody asks for it any more
  if (picture.isNull())
    Q_EMIT failed(job.Key);
  else
    Q_EMIT pictureReady(job.Key, picture);
}

}  // namespace glimr
