#include "browse/editwriteback.h"

#include <QLoggingCategory>

#include <algorithm>
#include <vector>

#include "browse/currentlists.h"
#include "catalog/catalogqueries.h"
#include "catalog/writehealth.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcEditWriteBack, "glimr.organize.writeback")

TEditWriteBack::TEditWriteBack(TCatalogQueries& queries, TCurrentLists& lists, TClock clock,
                               QObject* parent)
    : QObject(parent), queries_(queries), lists_(lists), clock_(std::move(clock)) {
  if (!clock_) {
    elapsed_.start();
    clock_ = [this] { return static_cast<std::int64_t>(elapsed_.elapsed()); };
  }
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &TEditWriteBack::Tick);
}

std::int64_t TEditWriteBack::DueAt() const {
  if (failed_) {
    return retryAt_;
  }
  // A quiet spell ends the wait early; steady editing never pushes the
  // write past the maximum wait from the first unsaved edit.
  return std::min(last_ + kQuietMs, first_ + kMaxWaitMs);
}

void TEditWriteBack::Note() {
  const std::int64_t now = clock_();
  if (!waiting_ || failed_) {
    first_ = now;
  }
  waiting_ = true;
  failed_ = false;
  last_ = now;
  Schedule();
}

void TEditWriteBack::Schedule() {
  const std::int64_t wait = std::max<std::int64_t>(0, DueAt() - clock_());
  timer_.start(static_cast<int>(std::min<std::int64_t>(wait, kMaxWaitMs)));
}

void TEditWriteBack::Tick() {
  if (!waiting_) {
    return;
  }
  if (clock_() < DueAt()) {
    Schedule();
    return;
  }
  WriteNow();
}

bool TEditWriteBack::WriteNow() {
  std::vector<TImageFileInfo*> edited;
  const TFileList& loaded = lists_.LoadedFiles;
  for (int i = 0; i < loaded.Count(); ++i) {
    TImageFileInfo* r = loaded.At(i);
    if (r->Modified && !r->IsFolder && r->ID != 0) {
      edited.push_back(r);
    }
  }
  if (!edited.empty()) {
    try {
      queries_.WriteUserEdits({edited.begin(), edited.end()});
      for (TImageFileInfo* r : edited) {
        r->Modified = false;
      }
    } catch (const std::exception& e) {
      // Called from a timer: nothing may escape. The flags stay, so the
      // shown list's flush at the next switch or at exit still has the
      // edits if no retry succeeds; a
      // refused write has been reported by the catalog's write health.
      qCWarning(lcEditWriteBack).noquote()
          << edited.size() << "edited records not written:" << ErrorText(e);
      failed_ = true;
      retryAt_ = clock_() + kMaxWaitMs;
      Schedule();
      return false;
    }
  }
  waiting_ = false;
  failed_ = false;
  timer_.stop();
  return true;
}

}  // namespace glimr
