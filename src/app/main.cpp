#include <QApplication>

#include "app/glimrapplication.h"
#include "app/guierrorsink.h"
#include "app/unixsignals.h"
#include "mainwindow/frmvesk.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Glimr"));
  QApplication::setStyle(QStringLiteral("Fusion"));
  glimr::InstallGuiErrorSink();

  glimr::TGlimrApplication glimr(glimr::TGlimrApplication::Options::FromEnvironment());
  // SIGTERM and SIGINT close the main window as "Exit" does; the event loop
  // then ends and the shutdown below writes everything back.
  glimr::TUnixSignalWatcher signals;
  glimr.Start();
  QObject::connect(&signals, &glimr::TUnixSignalWatcher::terminationRequested, glimr.MainWindow(),
                   [&glimr] {
                     if (glimr.MainWindow()->isVisible()) {
                       glimr.MainWindow()->close();
                     } else {
                       QApplication::quit();
                     }
                   });
  const int rc = QApplication::exec();
  glimr.Shutdown();
  return rc;
}
