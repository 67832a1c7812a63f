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
  p.DefaultPluginsPath = ShippedPluginsDir(p.ProgramDir);
  p.ShippedLanguagesPath = ShippedLanguagesDir(p.ProgramDir);
  return p;
}

TAppPaths TAppPaths::FromEnvironment() {
  TDataDirInputs in;
  in.ProgramDir = ExecutableDir();
  in.GlimrHome = qEnvironmentVariable("GLIMR_HOME");
  in.XdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
  in.Home = QDir::homePath();
  const QFileInfo database(in.ProgramDir + QStringLiteral("DataBase"));
  in.ProgramHasWritableDatabase = database.isDir() && database.isWritable();
  // The data folder holds the user's data only: the plug-ins are part of
  // the program and are found from the executable, wherever the data is.
  return ForFolders(ChooseDataDir(in), in.ProgramDir);
}

QString ChooseDataDir(const TDataDirInputs& in) {
  if (!in.GlimrHome.isEmpty()) {
    return WithTrailingSlash(QDir::cleanPath(QDir(in.GlimrHome).absolutePath()));
  }
  if (in.ProgramHasWritableDatabase) {
    return WithTrailingSlash(in.ProgramDir);
  }
  // The XDG base directory rules: a relative XDG_DATA_HOME is invalid.
  const QString dataHome = !in.XdgDataHome.isEmpty() && QDir::isAbsolutePath(in.XdgDataHome)
                               ? in.XdgDataHome
                               : in.Home + QStringLiteral("/.local/share");
  return WithTrailingSlash(QDir::cleanPath(dataHome + QStringLiteral("/glimr")));
}

namespace {

QString BesideOrInstalled(const QString& programDir, const QString& beside,
                          const QString& installed) {
  const QString here = WithTrailingSlash(programDir) + beside;
  if (QFileInfo(here).isDir()) {
    return here;
  }
  const QString there = QDir::cleanPath(WithTrailingSlash(programDir) + installed);
  return QFileInfo(there).isDir() ? WithTrailingSlash(there) : here;
}

}  // namespace

QString ShippedPluginsDir(const QString& programDir) {
  return BesideOrInstalled(programDir, QStringLiteral("Plugins/"),
                           QStringLiteral("../lib/glimr/plugins"));
}

QString ShippedLanguagesDir(const QString& programDir) {
  return BesideOrInstalled(programDir, QStringLiteral("Languages/"),
                           QStringLiteral("../share/glimr/languages"));
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
