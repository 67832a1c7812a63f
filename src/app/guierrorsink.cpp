#include "app/guierrorsink.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QThread>

#include "common/errors.h"

namespace glimr {

namespace {

// The box needs a visible parent to stay above the main window: during
// start-up nothing is active yet, and a parentless box can end up beneath
// the window that is mapped after it.
QWidget* BoxParent() {
  if (QWidget* active = QApplication::activeWindow()) {
    return active;
  }
  const auto tops = QApplication::topLevelWidgets();
  for (QWidget* w : tops) {
    if (w->isVisible() && qobject_cast<QMainWindow*>(w)) {
      return w;
    }
  }
  return nullptr;
}

void ShowBox(const QString& text) {
  QMessageBox::critical(BoxParent(), QStringLiteral("Glimr"), text);
}

}  // namespace

void InstallGuiErrorSink() {
  SetErrorSink([](const QString& text) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
      return;  // already logged by the error channel
    }
    if (QThread::currentThread() == app->thread()) {
      ShowBox(text);
    } else {
      QMetaObject::invokeMethod(
          app, [text] { ShowBox(text); }, Qt::QueuedConnection);
    }
  });
}

}  // namespace glimr
