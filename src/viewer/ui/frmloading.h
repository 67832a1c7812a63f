#pragma once
// The loading preview: a small borderless modal window with five animated
// dots, shown while a worker decodes the full image; it closes with Accepted
// and the prepared picture, or with Rejected when nothing could be decoded or
// the user gave up waiting (Escape or a click on it).

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>
#include <QTimer>

#include <mutex>

#include "viewer/loadingdots.h"
#include "viewer/loadthread.h"

namespace glimr {

class TImageFileInfo;

class TfrmLoading : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 160;
  static constexpr int kHeight = 30;

  TfrmLoading(TDecodeFunction decode, std::mutex& decodeLock, QWidget* parent = nullptr);
  ~TfrmLoading() override;

  // What to load, set before showing. The record's Angle turns the picture,
  // VFliped mirrors it left to right and HFliped top to bottom, as the
  // ribbon shows its thumbnail.
  void SetImage(const QString& fileName, double angle, bool mirrorLeftRight, bool mirrorTopBottom);
  void SetImage(const TImageFileInfo& record);

  // Centres the window over a panel given in screen coordinates; the size
  // cap uses the screen under the panel.
  void PlaceOver(const QRect& panelOnScreen);

  // Shows the window modally until the worker is done. Accepted: TakeResult()
  // holds the picture. Rejected: nothing was decoded, or cancelled.
  int Execute() { return exec(); }

  // The prepared picture after Accepted (24-bit); the caller takes it.
  QImage TakeResult();

  // Closes the window with Rejected at once. A decode cannot be stopped: it
  // runs on and its picture is dropped when it ends.
  void Cancel();

  // A decode runs, possibly one the user gave up waiting for.
  bool IsLoading() const { return loading_; }
  const TDotCounters& DotCounters() const { return counters_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormShow();
  void StartDecode();
  void tmrAnimLoadTimer();
  void LoadDone();

  TLoadThread worker_;
  TLoadRequest request_;
  QFutureWatcher<QImage> watcher_;
  QTimer tmrAnimLoad_;
  QImage background_;
  QImage dot_;
  QImage result_;
  TDotCounters counters_ = kDotCountersAtStart;
  bool loading_ = false;  // the worker runs
  bool waiting_ = false;  // the shown window waits for a picture
  bool restart_ = false;  // a cancelled decode runs; this request follows it
};

}  // namespace glimr
