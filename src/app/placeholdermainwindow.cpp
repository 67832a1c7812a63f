#include "app/placeholdermainwindow.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>

#include "common/language.h"

namespace glimr {

TPlaceholderMainWindow::TPlaceholderMainWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Glimr"));
  mnuGlimr_ = menuBar()->addMenu(QStringLiteral("Glimr"));
  QAction* exit = mnuGlimr_->addAction(QString());
  exit->setObjectName(QStringLiteral("aExit"));
  connect(exit, &QAction::triggered, this, &QWidget::close);
  setCentralWidget(new QWidget(this));
  const TProgState designed;
  move(designed.Left, designed.Top);
  resize(designed.Width, designed.Height);
  ApplyCaptions();
}

void TPlaceholderMainWindow::ApplyCaptions() {
  // Only the product name is fixed; every other text comes from the language.
  mnuGlimr_->setTitle(QStringLiteral("Glimr"));
  if (QAction* exit = findChild<QAction*>(QStringLiteral("aExit"))) {
    exit->setText(LangText(TLangSection::Captions, 11));
  }
}

void TPlaceholderMainWindow::RestoreLayout(const TProgState& s) {
  // Stored values are applied as they are; a window far off screen is the
  // window manager's to place.
  move(s.Left, s.Top);
  resize(std::max(1, s.Width), std::max(1, s.Height));
  if (s.WindowState == 2) {
    setWindowState(Qt::WindowMaximized);
  } else if (s.WindowState == 1) {
    setWindowState(Qt::WindowMinimized);
  }
}

void TPlaceholderMainWindow::CaptureLayout(TProgState& s) const {
  s.WindowState = isMaximized() ? 2 : (isMinimized() ? 1 : 0);
  // The normal geometry, so a maximized window comes back to its old size.
  const QRect r = (isMaximized() || isMinimized()) ? normalGeometry() : geometry();
  if (r.isValid()) {
    s.Left = r.left();
    s.Top = r.top();
    s.Width = r.width();
    s.Height = r.height();
  }
}

}  // namespace glimr
