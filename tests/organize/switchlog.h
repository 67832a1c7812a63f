#pragma once
// A record of what a shown list's switch asked of the loader (stop, queue,
// start) and told its views (freeze on aboutToReplace, show on
// sourceChanged), in the order it happened, for tests of anything that
// shows or rebuilds the list.

#include <QObject>
#include <QStringList>

#include "browse/shownlist.h"

namespace glimr::test {

class TSwitchLog : public TLoaderPort {
 public:
  QStringList calls;
  QStringList queued;  // every key queued, in order
  int shown = -1;      // the shown entries at the last "show"

  explicit TSwitchLog(TShownList& list) : list_(list) {
    list_.SetLoaderPort(this);
    freeze_ = QObject::connect(&list_, &TShownList::aboutToReplace,
                               [this] { calls << QStringLiteral("freeze"); });
    show_ = QObject::connect(&list_, &TShownList::sourceChanged, [this] {
      calls << QStringLiteral("show");
      shown = list_.Current().Count();
    });
  }
  ~TSwitchLog() override {
    QObject::disconnect(freeze_);
    QObject::disconnect(show_);
    list_.SetLoaderPort(nullptr);
  }
  TSwitchLog(const TSwitchLog&) = delete;
  TSwitchLog& operator=(const TSwitchLog&) = delete;

  // Forgets what was logged so far.
  void Clear() {
    calls.clear();
    queued.clear();
    shown = -1;
  }

  void Stop() override { calls << QStringLiteral("stop"); }
  // An empty queue adds nothing to load, and is not logged.
  void Enqueue(const QStringList& keys) override {
    if (!keys.isEmpty()) {
      calls << QStringLiteral("queue");
      queued << keys;
    }
  }
  void Start() override { calls << QStringLiteral("start"); }

 private:
  TShownList& list_;
  QMetaObject::Connection freeze_;
  QMetaObject::Connection show_;
};

}  // namespace glimr::test
