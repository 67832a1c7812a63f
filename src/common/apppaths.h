#pragma once
// Where the program keeps what lies beside it: the catalog database, the
// external program list, the language files and the plug-ins. GLIMR_HOME,
// when set, stands in for the program's folder (tests point it elsewhere).

#include <QString>

namespace glimr {

struct TAppPaths {
  QString AppDir;                // ends with "/"
  QString DatabaseDir;           // AppDir + "DataBase/"
  QString ExternalProgsFile;     // AppDir + "eprogs.dat"
  QString DefaultLanguagesPath;  // AppDir + "Languages/"
  QString DefaultPluginsPath;    // AppDir + "Plugins/"

  // Every path below the given folder (a missing trailing "/" is added).
  static TAppPaths ForAppDir(const QString& appDir);
  // GLIMR_HOME when set and not empty, else the executable's folder.
  static TAppPaths FromEnvironment();
};

// The folder of the running executable with a trailing "/"; the current
// folder when it cannot be found (no QCoreApplication yet, unusual /proc).
QString ExecutableDir();

// Adds the trailing "/" of a folder path when missing (not to "").
QString WithTrailingSlash(const QString& folder);

}  // namespace glimr
