#pragma once
// Whether the catalog can be written just now. A full disk or a read-only
// file makes every write fail in turn; the first failure of such a run is
// reported once, and the report is armed again when a write succeeds.
// Safe to use from any thread.

#include <QString>

#include <functional>
#include <mutex>

#include "common/errors.h"

namespace glimr {

// A catalog write the engine refused because the catalog cannot be written
// just now (a read-only file or connection, a full disk, a lock held too
// long, an I/O error), as opposed to a damaged file or a bad statement.
// Callers that can go on without the write (a viewer keeps viewing) catch
// this one and let the others through.
class TCatalogWriteError : public GlimrError {
 public:
  using GlimrError::GlimrError;
};

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
