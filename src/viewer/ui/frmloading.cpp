#include "viewer/ui/frmloading.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QtConcurrent/QtConcurrentRun>

#include "catalog/imagefileinfo.h"
#include "common/errors.h"
#include "viewer/rows24.h"
#include "viewer/viewerlog.h"
#include "viewer/zoomartwork.h"
#include "viewer/zoomgeometry.h"

namespace glimr {

TfrmLoading::TfrmLoading(TDecodeFunction decode, std::mutex& decodeLock, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      worker_(std::move(decode), decodeLock),
      dot_(MakeLoadingDot()) {
  setObjectName(QStringLiteral("frmLoading"));
  setFixedSize(kWidth, kHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);
  tmrAnimLoad_.setInterval(20);
  connect(&tmrAnimLoad_, &QTimer::timeout, this, &TfrmLoading::tmrAnimLoadTimer);
  connect(&watcher_, &QFutureWatcher<QImage>::finished, this, &TfrmLoading::LoadDone);
  if (QScreen* s = QGuiApplication::primaryScreen())
    request_.Screen = s->size();
}

TfrmLoading::~TfrmLoading() {
  // The worker uses DecodeLock and the decode function; both must outlive it.
  watcher_.disconnect(this);
  watcher_.waitForFinished();
}

void TfrmLoading::SetImage(const QString& fileName, double angle, bool mirrorLeftRight,
                           bool mirrorTopBottom) {
  request_.FileName = fileName;
  request_.Angle = angle;
  request_.MirrorLeftRight = mirrorLeftRight;
  request_.MirrorTopBottom = mirrorTopBottom;
}

void TfrmLoading::SetImage(const TImageFileInfo& record) {
  SetImage(record.FullPath(), record.Angle, record.VFliped, record.HFliped);
}

void TfrmLoading::PlaceOver(const QRect& panelOnScreen) {
  move(CentredOver(panelOnScreen, QSize(kWidth, kHeight)));
  QScreen* s = QGuiApplication::screenAt(panelOnScreen.center());
  if (!s)
    s = QGuiApplication::primaryScreen();
  if (s)
    request_.Screen = s->size();
}

QImage TfrmLoading::TakeResult() {
  return std::exchange(result_, QImage());
}

void TfrmLoading::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous() && !loading_)
    FormShow();
}

void TfrmLoading::FormShow() {
  try {
    background_ = NewImage24(width(), height());
    result_ = QImage();
    loading_ = true;
    const TLoadThread worker = worker_;
    const TLoadRequest request = request_;
    watcher_.setFuture(QtConcurrent::run([worker, request] { return worker.Run(request); }));
    counters_ = kDotCountersAtStart;
    tmrAnimLoad_.start();
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("frmLoading.OnShow: "), ErrorText(e));
  }
}

void TfrmLoading::tmrAnimLoadTimer() {
  TickDots(counters_);
  update();
}

void TfrmLoading::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (background_.isNull()) {
    p.fillRect(rect(), Qt::black);
    return;
  }
  p.drawImage(0, 0, PaintDots(background_, dot_, counters_));
}

void TfrmLoading::LoadDone() {
  tmrAnimLoad_.stop();
  loading_ = false;
  result_ = watcher_.future().isValid() && watcher_.future().resultCount() > 0 ? watcher_.result()
                                                                               : QImage();
  done(result_.isNull() ? QDialog::Rejected : QDialog::Accepted);
}

void TfrmLoading::keyPressEvent(QKeyEvent* event) {
  // The preview cannot be cancelled; it closes when the worker ends.
  event->accept();
}

void TfrmLoading::closeEvent(QCloseEvent* event) {
  if (loading_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace glimr
