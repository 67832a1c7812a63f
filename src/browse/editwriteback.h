#pragma once
// Writes the user's edits of loaded records (caption, rating, category,
// turn and flips) to the catalog soon after they are made, not only when the
// list is replaced or the program ends: at most kMaxWaitMs after the first
// unsaved edit, sooner after a pause of kQuietMs, even while edits go on.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace glimr {

class TCatalogQueries;
struct TCurrentLists;

class TEditWriteBack : public QObject {
  Q_OBJECT

 public:
  // Milliseconds of a steady clock; tests pass their own.
  using TClock = std::function<std::int64_t()>;

  static constexpr int kQuietMs = 300;
  static constexpr int kMaxWaitMs = 2000;

  TEditWriteBack(TCatalogQueries& queries, TCurrentLists& lists, TClock clock = {},
                 QObject* parent = nullptr);

  // Call after every edit of a loaded record (which marked it Modified).
  void Note();
  // Writes when the time has come; the timer calls it, a test may too.
  void Tick();
  // Writes every Modified record of LoadedFiles that has a row, in one
  // transaction, and clears their Modified flags. A write the catalog
  // refuses keeps the flags and is tried again kMaxWaitMs later or after
  // the next edit; records without a row are left to the shown list's
  // flush (at the next switch or at exit). True when nothing is left
  // waiting here.
  bool WriteNow();

  // Whether edits wait to be written, and when they will be (clock time).
  bool Waiting() const { return waiting_; }
  std::int64_t DueAt() const;

 private:
  void Schedule();

  TCatalogQueries& queries_;
  TCurrentLists& lists_;
  TClock clock_;
  QElapsedTimer elapsed_;
  QTimer timer_;
  bool waiting_ = false;
  bool failed_ = false;
  std::int64_t first_ = 0;  // the first unsaved edit
  std::int64_t last_ = 0;   // the latest edit
  std::int64_t retryAt_ = 0;
};

}  // namespace glimr
