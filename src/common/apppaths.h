#pragma once
// Where the program finds its files: the data folder (the catalog database,
// the external program list, the language files) and, beside the executable,
// the shipped plug-ins. GLIMR_HOME, when set, names the data folder (tests
// point it at a temporary folder); the plug-ins stay beside the program.

#include <QString>

namespace glimr {

struct TAppPaths {
  QString AppDir;                // the data folder, ends with "/"
  QString DatabaseDir;           // AppDir + "DataBase/"
  QString ExternalProgsFile;     // AppDir + "eprogs.dat"
  QString DefaultLanguagesPath;  // AppDir + "Languages/"
  QString ProgramDir;            // the executable's folder, ends with "/"
  QString DefaultPluginsPath;    // ProgramDir + "Plugins/": the shipped plug-ins

  // Data and program in the same folder (a missing trailing "/" is added).
  static TAppPaths ForAppDir(const QString& appDir);
  // The data below dataDir, the shipped plug-ins below programDir.
  static TAppPaths ForFolders(const QString& dataDir, const QString& programDir);
  // Data in GLIMR_HOME when set and not empty, else in the executable's
  // folder; plug-ins always from the executable's folder.
  static TAppPaths FromEnvironment();
};

// The folder of the running executable with a trailing "/"; the current
// folder when it cannot be found (no QCoreApplication yet, unusual /proc).
QString ExecutableDir();

// Adds the trailing "/" of a folder path when missing (not to "").
QString WithTrailingSlash(const QString& folder);

}  // namespace glimr
