#pragma once
// The search progress window: a small borderless modal window that runs one
// search on a worker thread once it is shown, shows where the run is and how
// much it found, and lets the user cancel (the button or Escape).

#include <QDialog>
#include <QString>
#include <QTimer>

#include <atomic>
#include <mutex>
#include <thread>

#include <QStringList>

#include <cstdint>
#include <functional>

#include "search/searchrun.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QShowEvent;

namespace glimr {

class TSearchResults;

// Where a search run is, for the progress window.
struct TSearchProgress {
  bool InCategories = false;  // the category phase (else the folder phase)
  QString Current;            // the folder or the category being searched
  int Found = 0;              // results so far
};

// Called by the run from its own thread as often as it likes; the window
// keeps only the latest report and shows it at its own pace.
using TSearchProgressHook = std::function<void(const TSearchProgress& progress)>;

// One search run on the worker thread. It checks cancel before every
// folder, category and row it would insert, and returns soon after it is
// set. An exception it raises is the run's failure.
using TSearchRunFn =
    std::function<void(std::atomic<bool>& cancel, const TSearchProgressHook& progress)>;

class TfrmProcessSearch : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmProcessSearch(QWidget* parent = nullptr);
  // Cancels a run still finishing and waits for it.
  ~TfrmProcessSearch() override;

  // Shows the window modally and runs run on a worker thread once it is
  // visible. Returns Accepted when the run ended, Rejected when the user
  // cancelled; either way only after the run has returned, so whatever it
  // filled is the caller's again (after Cancel the window is gone at once
  // and the run ends its current step unseen). A run that fails reports its
  // message through the error channel and the window stays until Cancel.
  int Execute(TSearchRunFn run);
  // The search of request over the catalog into results (which is not
  // emptied here), with hooks for dimensions; the run's progress drives the
  // window.
  int Execute(TCatalogQueries& queries, const TSearchRequest& request, const TComparObj& criteria,
              TSearchResults& results, TSearchHooks hooks = {});

  // Whether the last run raised an error, and its message.
  const QString& RunError() const { return runError_; }

  void ApplyCaptions();

  // Cancel: the window goes at once; the run stops at its next check.
  void reject() override;

  // The progress labels follow the run at most this often.
  static constexpr int kRefreshMs = 50;

  QLabel* PhaseLabel() const { return lblInfo1; }
  QLabel* CurrentLabel() const { return lblCrrDir; }
  QLabel* FoundLabel() const { return lblInfo2; }
  QPushButton* CancelButton() const { return btnCancel; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void StartRun();
  void Refresh();
  void ShowProgress(const TSearchProgress& progress);
  void JoinWorker();

  QLabel* lblInfo1 = nullptr;
  QLabel* lblCrrDir = nullptr;
  QProgressBar* pbProcess = nullptr;
  QLabel* lblInfo2 = nullptr;
  QPushButton* btnCancel = nullptr;
  QTimer refresh_;

  TSearchRunFn run_;
  bool startPending_ = false;
  QString runError_;

  // Shared with the worker.
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> finished_{false};
  std::mutex progressMutex_;
  TSearchProgress progress_;
  bool progressNew_ = false;
  QString failure_;  // under progressMutex_
  bool failed_ = false;
};

}  // namespace glimr
