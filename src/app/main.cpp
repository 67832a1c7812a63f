#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QWidget>

#include <unistd.h>

#include <cstdio>

#include "app/commandline.h"
#include "app/glimrapplication.h"
#include "app/guierrorsink.h"
#include "app/unixsignals.h"
#include "mainwindow/frmvesk.h"

int main(int argc, char* argv[]) {
  // --help and --version answer before any window or display is needed.
  QStringList args;
  for (int i = 1; i < argc; ++i) {
    args << QString::fromLocal8Bit(argv[i]);
  }
  const glimr::TCommandLine line = glimr::ParseCommandLine(args, QDir::currentPath());
  if (!line.Error.isEmpty()) {
    std::fprintf(stderr, "glimr: %s\n%s", qPrintable(line.Error),
                 qPrintable(glimr::CommandLineHelp()));
    return 2;
  }
  if (line.Help || line.Version) {
    std::fputs(qPrintable(line.Help ? glimr::CommandLineHelp() : glimr::CommandLineVersion()),
               stdout);
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Glimr"));
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setWindowIcon(
      QIcon::fromTheme(QStringLiteral("glimr"), QIcon(QStringLiteral(":/glimr.png"))));
  QGuiApplication::setDesktopFileName(QStringLiteral("glimr"));
  glimr::InstallGuiErrorSink();

  glimr::TGlimrApplication::Options options = glimr::TGlimrApplication::Options::FromEnvironment();
  options.open = glimr::ResolveOpenRequest(
      line.Paths, [](const QString& path) { return QFileInfo(path).isDir(); });
  glimr::TGlimrApplication glimr(options);
  // SIGTERM and SIGINT close the main window as "Exit" does; the event loop
  // then ends and the shutdown below writes everything back.
  glimr::TUnixSignalWatcher signals;
  bool terminationRequested = false;
  QObject::connect(&signals, &glimr::TUnixSignalWatcher::terminationRequested, &app, [&] {
    terminationRequested = true;
    // An open message box or dialog runs a loop of its own; end it first,
    // then close once that loop has unwound.
    for (int i = 0; i < 16; ++i) {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || !modal->close()) {
        break;
      }
    }
    QMetaObject::invokeMethod(
        &app,
        [&glimr] {
          glimr::TfrmVesk* w = glimr.MainWindow();
          if (w && w->isVisible()) {
            w->close();
          } else {
            QApplication::quit();
          }
        },
        Qt::QueuedConnection);
  });
  if (!glimr.Start()) {
    // Another process holds the data folder and took the command line, or
    // did not answer (said so); nothing was touched either way.
    return glimr.HandedOver() ? 0 : 1;
  }
  // A signal handled while start-up still ran may already have closed the
  // window; the loop would then never be told to end.
  const bool closedDuringStart =
      terminationRequested && !(glimr.MainWindow() && glimr.MainWindow()->isVisible());
  const int rc = closedDuringStart ? 0 : QApplication::exec();
  glimr.Shutdown();
  if (glimr.ThreadsLeftRunning()) {
    // A thread stuck in a decode cannot be joined; everything is written, so
    // the process ends without running the destructors it would race with.
    std::fflush(nullptr);
    _exit(rc);
  }
  return rc;
}
