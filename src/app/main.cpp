#include <QApplication>

#include "app/glimrapplication.h"
#include "app/guierrorsink.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Glimr"));
  QApplication::setStyle(QStringLiteral("Fusion"));
  glimr::InstallGuiErrorSink();

  glimr::TGlimrApplication glimr(glimr::TGlimrApplication::Options::FromEnvironment());
  glimr.Start();
  const int rc = QApplication::exec();
  glimr.Shutdown();
  return rc;
}
