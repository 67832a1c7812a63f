#pragma once
// Runs one copy or move: the engine works on its own thread while the
// progress window is shown modally on the main thread; overwrite questions
// and per-file reports come to the main thread while the worker waits.

#include <QString>

#include <cstddef>
#include <functional>
#include <vector>

#include "fileops/copyengine.h"

namespace glimr {

class TfrmMessage;
class TveskCopyForm;

struct TCopyRunReport {
  std::vector<TCopyResult> Results;  // one per entry, in the entries' order
  QString Error;                     // the failure that ended the run, else ""
  bool Cancelled = false;
  TOverwritePolicy FinalPolicy = TOverwritePolicy::Ask;  // after "Don't ask again"
};

class TCopyRunner {
 public:
  // Main thread; both windows are long-lived and must outlive the runner.
  TCopyRunner(TveskCopyForm& form, TfrmMessage& question);

  using TFileDone = std::function<void(std::size_t index, const TCopyResult& result)>;

  // Copies or moves entries into folder with the progress window shown, and
  // returns once the worker has ended, however the run ended. fileDone runs
  // on the main thread for every entry the run settled, as soon as it did,
  // and for a move also just before its file is placed (with Placing set).
  // A run that failed is reported in a message box naming the file and the
  // reason. A call while a run is going copies nothing.
  TCopyRunReport Run(std::vector<TCopyEntry> entries, const QString& folder,
                     TOverwritePolicy policy, TFileDone fileDone = {});

 private:
  TveskCopyForm& form_;
  TfrmMessage& question_;
  bool running_ = false;
};

}  // namespace glimr
