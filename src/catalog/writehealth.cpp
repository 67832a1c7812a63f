#include "catalog/writehealth.h"

namespace glimr {

void TCatalogWriteHealth::SetNotify(TNotify notify) {
  std::lock_guard lock(mutex_);
  notify_ = std::move(notify);
}

void TCatalogWriteHealth::Failed(const QString& error) {
  TNotify notify;
  {
    std::lock_guard lock(mutex_);
    if (failing_) {
      return;
    }
    failing_ = true;
    lastError_ = error;
    notify = notify_;
  }
  if (notify) {
    notify(error);
  }
}

void TCatalogWriteHealth::Succeeded() {
  std::lock_guard lock(mutex_);
  failing_ = false;
  lastError_.clear();
}

bool TCatalogWriteHealth::Failing() const {
  std::lock_guard lock(mutex_);
  return failing_;
}

QString TCatalogWriteHealth::LastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

}  // namespace glimr
