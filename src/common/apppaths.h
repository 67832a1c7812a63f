#pragma once
// Where the program finds its files: the data folder (the catalog database,
// the external program list, the user's language files) and the program's
// own shipped plug-ins and languages, beside the executable in a build or a
// portable folder, or in the install's lib/ and share/ folders.

#include <QString>

namespace glimr {

struct TAppPaths {
  QString AppDir;                // the data folder, ends with "/"
  QString DatabaseDir;           // AppDir + "DataBase/"
  QString ExternalProgsFile;     // AppDir + "eprogs.dat"
  QString DefaultLanguagesPath;  // AppDir + "Languages/"
  QString ProgramDir;            // the executable's folder, ends with "/"
  QString DefaultPluginsPath;    // ProgramDir + "Plugins/": the shipped plug-ins
  QString ShippedLanguagesPath;  // the shipped language files (ShippedLanguagesDir)

  // Data and program in the same folder (a missing trailing "/" is added).
  static TAppPaths ForAppDir(const QString& appDir);
  // The data below dataDir, the shipped plug-ins below programDir.
  static TAppPaths ForFolders(const QString& dataDir, const QString& programDir);
  // The data folder ChooseDataDir picks for this process's environment;
  // the shipped plug-ins from ShippedPluginsDir.
  static TAppPaths FromEnvironment();
};

// What the choice of the data folder looks at.
struct TDataDirInputs {
  QString GlimrHome;    // $GLIMR_HOME
  QString ProgramDir;   // the executable's folder
  QString XdgDataHome;  // $XDG_DATA_HOME
  QString Home;         // the user's home folder
  // The executable's folder holds a DataBase/ folder that may be written.
  bool ProgramHasWritableDatabase = false;
};

// GLIMR_HOME when set; else the executable's folder when it holds a
// writable DataBase/ already (a portable install); else
// $XDG_DATA_HOME/glimr/ (~/.local/share/glimr/ when that is unset).
QString ChooseDataDir(const TDataDirInputs& in);

// Where the shipped plug-ins are: Plugins/ beside the executable (a build,
// a portable folder) when it exists, else the install's lib/glimr/plugins/.
QString ShippedPluginsDir(const QString& programDir);
// The same for the shipped language files: Languages/ beside the
// executable, else the install's share/glimr/languages/.
QString ShippedLanguagesDir(const QString& programDir);

// The folder of the running executable with a trailing "/"; the current
// folder when it cannot be found (no QCoreApplication yet, unusual /proc).
QString ExecutableDir();

// Adds the trailing "/" of a folder path when missing (not to "").
QString WithTrailingSlash(const QString& folder);

}  // namespace glimr
