#include "app/guierrorsink.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>

#include "common/errors.h"

namespace glimr {

namespace {

void ShowBox(const QString& text) {
  QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Glimr"), text);
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
