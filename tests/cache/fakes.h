#pragma once
// Test doubles for the cache's two seams: an in-memory catalog that takes
// DbLock like the real one, and a thumbnail maker over tiny text files
// ("<width> <height>") that can hold a decode until the test lets it go.

#include <QFile>
#include <QHash>
#include <QStringList>

#include <condition_variable>
#include <map>
#include <mutex>

#include "common/errors.h"
#include "common/locks.h"
#include "imaging/cache/thumbmaker.h"
#include "imaging/cache/thumbstore.h"

namespace glimr::test {

class TFakeStore : public TThumbStore {
 public:
  explicit TFakeStore(TLocks& locks) : locks_(locks) {}
  std::int32_t CatalogIDOfPath(const QString& folder) override {
    std::lock_guard db(locks_.DbLock);
    return folder.isEmpty() ? 0 : 7;
  }
  bool ReadThumbRow(const QString& fileName, std::int32_t, TThumbRow& row) override {
    std::lock_guard db(locks_.DbLock);
    if (FailOn == fileName) {
      throw GlimrError(QStringLiteral("disk I/O error"));
    }
    const auto it = rows.find(fileName);
    if (it == rows.end()) {
      return false;
    }
    row = it->second;
    return true;
  }
  bool WriteThumbRow(const QString& fileName, std::int32_t, const TThumbRow& row) override {
    std::lock_guard db(locks_.DbLock);
    const auto it = rows.find(fileName);
    if (it == rows.end()) {
      return false;
    }
    it->second = row;
    ++writes;
    return true;
  }

  // Filled before the loader starts, read after it is joined.
  std::map<QString, TThumbRow> rows;
  QString FailOn;
  int writes = 0;

 private:
  TLocks& locks_;
};

class TFakeMaker : public TThumbMaker {
 public:
  std::optional<TMadeThumb> MakeThumb(const QString& path, std::int32_t thumbSize) override {
    const QString name = path.section(QLatin1Char('/'), -1);
    {
      std::unique_lock lock(mutex_);
      decoded_ << name;
      if (name == blockOn_) {
        blocked_ = true;
        changed_.notify_all();
        changed_.wait(lock, [this] { return !blocked_; });
      }
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
      return {};
    }
    const QList<QByteArray> parts = f.readAll().simplified().split(' ');
    const int w = parts.value(0).toInt();
    const int h = parts.value(1).toInt();
    if (w <= 0 || h <= 0) {
      return {};
    }
    TMadeThumb made;
    made.Width = w;
    made.Height = h;
    made.Thumb = QImage(std::min(thumbSize, 16), std::min(thumbSize, 16), QImage::Format_RGB888);
    made.Thumb.fill(Qt::black);
    return made;
  }

  void BlockOn(const QString& name) {
    std::lock_guard lock(mutex_);
    blockOn_ = name;
  }
  void WaitUntilBlocked() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return blocked_; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    blockOn_.clear();
    blocked_ = false;
    changed_.notify_all();
  }
  QStringList Decoded() const {
    std::lock_guard lock(mutex_);
    return decoded_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  QString blockOn_;
  bool blocked_ = false;
  QStringList decoded_;
};

}  // namespace glimr::test
