#include "common/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace glimr {

QString WithTrailingSlash(const QString& folder) {
  if (folder.isEmpty() || folder.endsWith(QLatin1Char('/'))) {
    return folder;
  }
  return folder + QLatin1Char('/');
}

TAppPaths TAppPaths::ForAppDir(const QString& appDir) {
  TAppPaths p;
  p.AppDir = WithTrailingSlash(appDir);
  p.DatabaseDir = p.AppDir + QStringLiteral("DataBase/");
  p.ExternalProgsFile = p.AppDir + QStringLiteral("eprogs.dat");
  p.DefaultLanguagesPath = p.AppDir + QStringLiteral("Languages/");
  p.DefaultPluginsPath = p.AppDir + QStringLiteral("Plugins/");
  return p;
}

TAppPaths TAppPaths::FromEnvironment() {
  const QString home = qEnvironmentVariable("GLIMR_HOME");
  if (!home.isEmpty()) {
    return ForAppDir(QDir::cleanPath(QDir(home).absolutePath()));
  }
  return ForAppDir(ExecutableDir());
}

QString ExecutableDir() {
  QString dir;
  if (QCoreApplication::instance()) {
    dir = QCoreApplication::applicationDirPath();
  }
  if (dir.isEmpty()) {
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    dir = self.exists() ? QFileInfo(self.symLinkTarget()).absolutePath() : QDir::currentPath();
  }
  return WithTrailingSlash(dir);
}

}  // namespace glimr
