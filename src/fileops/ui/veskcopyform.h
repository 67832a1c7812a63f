#pragma once
// "Copying...": the modal progress window of a copy or move run. It shows
// the current file and the whole run (sizes, gauges, speed, times) in a
// details or a compact view, reading the run's counters at its own pace
// while it is shown, and lets the user cancel.

#include <QDialog>
#include <QString>
#include <QTimer>

#include <functional>

#include "fileops/copyengine.h"

class QGroupBox;
class QHideEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QShowEvent;

namespace glimr {

class TveskCopyForm : public QDialog {
  Q_OBJECT

 public:
  explicit TveskCopyForm(QWidget* parent = nullptr);

  using TProgressSource = std::function<TCopyProgress()>;

  // Prepares a run into destination: the figures start empty; while the
  // window is shown, progress is read every kRefreshMs; cancel runs once
  // when the user cancels (the button, Escape or the close box).
  void BeginRun(const QString& destination, TProgressSource progress, std::function<void()> cancel);
  // The run has ended: the window closes with Accepted if it is still shown.
  void EndRun();
  bool Running() const { return running_; }

  // The details flag starts false and is kept from run to run.
  bool DetailsShown() const { return details_; }
  void SetDetailsShown(bool shown);

  // Fills the labels and gauges from one reading of the counters.
  void ShowProgress(const TCopyProgress& progress);

  void ApplyCaptions();

  void reject() override;

  static constexpr int kRefreshMs = 100;

  QPushButton* HideShowButton() const { return btnHideShow; }
  QPushButton* CancelButton() const { return btnCancel; }
  QProgressBar* FileGauge() const { return pbFile; }
  QProgressBar* TotalGauge() const { return pbTotal; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Refresh();
  void StopRun();
  void ClearFigures();
  void ApplyView();
  void SetValue(QLabel* label, const QString& text);

  QGroupBox* gbCurrent = nullptr;
  QLabel* lblFileName = nullptr;
  QLabel* lblFileNameValue = nullptr;
  QLabel* lblFileSize = nullptr;
  QLabel* lblFileSizeValue = nullptr;
  QLabel* lblFrom = nullptr;
  QLabel* lblFromValue = nullptr;
  QLabel* lblTo = nullptr;
  QLabel* lblToValue = nullptr;
  QLabel* lblFileCopied = nullptr;
  QLabel* lblFileCopiedValue = nullptr;
  QProgressBar* pbFile = nullptr;
  QProgressBar* pbTotal = nullptr;
  QGroupBox* gbTotal = nullptr;
  QLabel* lblTotalCopied = nullptr;
  QLabel* lblTotalCopiedValue = nullptr;
  QLabel* lblAllSize = nullptr;
  QLabel* lblAllSizeValue = nullptr;
  QLabel* lblSpeed = nullptr;
  QLabel* lblSpeedValue = nullptr;
  QLabel* lblTimeLeft = nullptr;
  QLabel* lblTimeLeftValue = nullptr;
  QLabel* lblTimePassed = nullptr;
  QLabel* lblTimePassedValue = nullptr;
  QLabel* lblCompactFile = nullptr;
  QLabel* lblCompactFileValue = nullptr;
  QLabel* lblCompactLeft = nullptr;
  QLabel* lblCompactLeftValue = nullptr;
  QPushButton* btnHideShow = nullptr;
  QPushButton* btnCancel = nullptr;

  QTimer refresh_;
  TProgressSource progress_;
  std::function<void()> cancel_;
  bool running_ = false;
  bool details_ = false;
};

}  // namespace glimr
