#pragma once
// Whether the catalog can be written just now. A full disk or a read-only
// file makes every write fail in turn; the first failure of such a run is
// reported once, and the report is armed again when a write succeeds.
// Safe to use from any thread.

#include <QString>

#include <functional>
#include <mutex>

namespace glimr {

class TCatalogWriteHealth {
 public:
  // Called on the thread that saw the failure, without any lock held:
  // a GUI hook must post itself to its own thread.
  using TNotify = std::function<void(const QString& error)>;

  void SetNotify(TNotify notify);

  // A write failed with error; the first failure after a success (or at
  // start) calls the notify hook.
  void Failed(const QString& error);
  // A write succeeded: later failures are reported again.
  void Succeeded();

  bool Failing() const;
  // The error of the failure that started the current run; empty when none.
  QString LastError() const;

 private:
  mutable std::mutex mutex_;
  TNotify notify_;
  bool failing_ = false;
  QString lastError_;
};

}  // namespace glimr
