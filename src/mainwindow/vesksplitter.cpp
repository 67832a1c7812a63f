#include "mainwindow/vesksplitter.h"

#include <QMouseEvent>

namespace glimr {

bool TVeskSplitterHandle::TryMove(int position) {
  if (guard_) {
    guard_ = false;
    return false;
  }
  moveSplitter(position);
  return true;
}

void TVeskSplitterHandle::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  Q_EMIT doubleClicked();
}

void TVeskSplitterHandle::mouseMoveEvent(QMouseEvent* event) {
  if (guard_ && (event->buttons() & Qt::LeftButton)) {
    guard_ = false;
    event->accept();
    return;
  }
  QSplitterHandle::mouseMoveEvent(event);
}

}  // namespace glimr
