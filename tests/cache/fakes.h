#pragma once
// Test doubles for the cache's two seams: an in-memory catalog that takes
// DbLock like the real one, and a thumbnail maker over tiny text files
// ("<width> <height>"). Either can hold the calls for chosen files until the
// test lets them go, and either can fail on a file.

#include <QFile>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "common/errors.h"
#include "common/locks.h"
#include "imaging/cache/thumbmaker.h"
#include "imaging/cache/thumbstore.h"

namespace glimr::test {

// Holds the calls for the named files until they are released.
class TGate {
 public:
  void BlockOn(const QString& name) { BlockOn(QStringList{name}); }
  void BlockOn(const QStringList& names) {
    std::lock_guard lock(mutex_);
    for (const QString& n : names) {
      blockOn_.insert(n);
    }
  }
  void Pass(const QString& name) {
    std::unique_lock lock(mutex_);
    if (!blockOn_.contains(name)) {
      return;
    }
    ++held_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !blockOn_.contains(name); });
    --held_;
  }
  // Waits until count calls are held at once.
  void WaitUntilBlocked(int count = 1) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return held_ >= count; });
  }
  void Release() {
    std::lock_guard lock(mutex_);
    blockOn_.clear();
    changed_.notify_all();
  }
  void Release(const QString& name) {
    std::lock_guard lock(mutex_);
    blockOn_.remove(name);
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  QSet<QString> blockOn_;
  int held_ = 0;
};

class TFakeStore : public TThumbStore {
 public:
  explicit TFakeStore(TLocks& locks) : locks_(locks) {}
  std::int32_t CatalogIDOfPath(const QString& folder) override {
    std::lock_guard db(locks_.DbLock);
    return folder.isEmpty() ? 0 : 7;
  }
  // The gate holds a read after the row was read, outside DbLock.
  bool ReadThumbRow(const QString& fileName, std::int32_t, TThumbRow& row) override {
    bool found = false;
    {
      std::lock_guard db(locks_.DbLock);
      if (FailOn == fileName) {
        throw GlimrError(QStringLiteral("disk I/O error"));
      }
      const auto it = rows.find(fileName);
      if (it != rows.end()) {
        row = it->second;
        found = true;
      }
    }
    ReadGate.Pass(fileName);
    return found;
  }
  bool WriteThumbRow(const QString& fileName, std::int32_t, const TThumbRow& row) override {
    std::lock_guard db(locks_.DbLock);
    if (FailWrites) {
      throw GlimrError(QStringLiteral("database or disk is full"));
    }
    const auto it = rows.find(fileName);
    if (it == rows.end()) {
      return false;
    }
    it->second = row;
    ++writes;
    return true;
  }

  // Records each report, and whether the calling thread still held
  // DecodeLock (it must not: the real store runs a hook from here). Another
  // thread tries the lock: other workers take it only for a moment, while
  // the caller, if it holds it, keeps it until this call returns.
  void ReportWrite(std::exception_ptr error) override {
    bool free = false;
    std::thread probe([&] {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
      while (!free && std::chrono::steady_clock::now() < deadline) {
        if (locks_.DecodeLock.try_lock()) {
          locks_.DecodeLock.unlock();
          free = true;
        } else {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      }
    });
    probe.join();
    std::lock_guard db(locks_.DbLock);  // several workers report
    reports << (error ? QStringLiteral("failed") : QStringLiteral("ok"));
    reportsUnderLock += !free;
  }

  // Changes the rows while a loader may be reading them.
  template <typename F>
  void EditRows(F edit) {
    std::lock_guard db(locks_.DbLock);
    edit(rows);
  }

  // Filled before the loader starts, read after it is joined.
  std::map<QString, TThumbRow> rows;
  QString FailOn;  // reading this file's row fails
  bool FailWrites = false;
  int writes = 0;
  QStringList reports;
  int reportsUnderLock = 0;
  TGate ReadGate;

 private:
  TLocks& locks_;
};

class TFakeMaker : public TThumbMaker {
 public:
  std::optional<TMadeThumb> MakeThumb(const QString& path, std::int32_t thumbSize) override {
    const QString name = path.section(QLatin1Char('/'), -1);
    QString failOn;
    {
      std::lock_guard lock(mutex_);
      decoded_ << name;
      failOn = failOn_;
    }
    gate_.Pass(name);
    if (name == failOn) {
      throw GlimrError(QStringLiteral("plug-in failure"));
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

  void BlockOn(const QString& name) { gate_.BlockOn(name); }
  void BlockOn(const QStringList& names) { gate_.BlockOn(names); }
  void WaitUntilBlocked(int count = 1) { gate_.WaitUntilBlocked(count); }
  void Release() { gate_.Release(); }
  void Release(const QString& name) { gate_.Release(name); }
  void FailOn(const QString& name) {
    std::lock_guard lock(mutex_);
    failOn_ = name;
  }
  QStringList Decoded() const {
    std::lock_guard lock(mutex_);
    return decoded_;
  }

 private:
  mutable std::mutex mutex_;
  TGate gate_;
  QString failOn_;
  QStringList decoded_;
};

}  // namespace glimr::test
