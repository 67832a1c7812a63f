#include "viewer/ui/frmloading.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
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

namespace {

// The screen in device pixels: the picture is decoded for the pixels the
// screen has, not for its logical size, so a HiDPI screen gets full detail.
QSize DevicePixels(const QScreen* screen) {
  return (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize();
}

}  // namespace

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
    request_.Screen = DevicePixels(s);
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
    request_.Screen = DevicePixels(s);
}

QImage TfrmLoading::TakeResult() {
  return std::exchange(result_, QImage());
}

void TfrmLoading::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous() && !waiting_)
    FormShow();
}

void TfrmLoading::FormShow() {
  try {
    background_ = NewImage24(width(), height());
    result_ = QImage();
    waiting_ = true;
    counters_ = kDotCountersAtStart;
    tmrAnimLoad_.start();
    // A decode the user gave up on still holds the worker (and DecodeLock):
    // this file is decoded when it ends, never its picture shown instead.
    if (loading_) {
      restart_ = true;
      return;
    }
    StartDecode();
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("frmLoading.OnShow: "), ErrorText(e));
  }
}

void TfrmLoading::StartDecode() {
  loading_ = true;
  const TLoadThread worker = worker_;
  const TLoadRequest request = request_;
  watcher_.setFuture(QtConcurrent::run([worker, request] { return worker.Run(request); }));
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
  loading_ = false;
  QImage picture = watcher_.future().isValid() && watcher_.future().resultCount() > 0
                       ? watcher_.result()
                       : QImage();
  if (restart_) {
    restart_ = false;
    StartDecode();
    return;
  }
  if (!waiting_)
    return;  // cancelled: nobody wants this picture any more
  waiting_ = false;
  tmrAnimLoad_.stop();
  result_ = std::move(picture);
  done(result_.isNull() ? QDialog::Rejected : QDialog::Accepted);
}

void TfrmLoading::Cancel() {
  if (!waiting_)
    return;
  waiting_ = false;
  restart_ = false;
  tmrAnimLoad_.stop();
  done(QDialog::Rejected);
}

void TfrmLoading::keyPressEvent(QKeyEvent* event) {
  // Only Escape: the window is modal, a stray key must not end the wait.
  if (event->key() == Qt::Key_Escape)
    Cancel();
  event->accept();
}

void TfrmLoading::mousePressEvent(QMouseEvent* event) {
  Cancel();
  event->accept();
}

void TfrmLoading::closeEvent(QCloseEvent* event) {
  if (waiting_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace glimr
