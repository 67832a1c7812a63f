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
  return ForFolders(appDir, appDir);
}

TAppPaths TAppPaths::ForFolders(const QString& dataDir, const QString& programDir) {
  TAppPaths p;
  p.AppDir = WithTrailingSlash(dataDir);
  p.DatabaseDir = p.AppDir + QStringLiteral("DataBase/");
  p.ExternalProgsFile = p.AppDir + QStringLiteral("eprogs.dat");
  p.DefaultLanguagesPath = p.AppDir + QStringLiteral("Languages/");
  p.ProgramDir = WithTrailingSlash(programDir);
  p.DefaultPluginsPath = p.ProgramDir + QStringLiteral("Plugins/");
  return p;
}

TAppPaths TAppPaths::FromEnvironment() {
  const QString exeDir = ExecutableDir();
  const QString home = qEnvironmentVariable("GLIMR_HOME");
  if (!home.isEmpty()) {
    // GLIMR_HOME moves the user's data only: the plug-ins are part of the
    // program and a data folder holds none of them.
    return ForFolders(QDir::cleanPath(QDir(home).absolutePath()), exeDir);
  }
  return ForAppDir(exeDir);
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
