#pragma once
// The command line: "glimr FILE..." or "glimr FOLDER" opens that folder with
// the files selected; --help and --version answer on standard output
// without a window.

#include <QString>
#include <QStringList>

#include <functional>

namespace glimr {

struct TCommandLine {
  bool Help = false;
  bool Version = false;
  QString Error;      // an unknown option; empty when the line is good
  QStringList Paths;  // absolute, in the order given
};

// args without the program name; relative paths are taken from currentDir.
TCommandLine ParseCommandLine(const QStringList& args, const QString& currentDir);

// What to show for the paths: the first one's folder (itself when it is a
// folder, else the folder it lies in), with the given files of that folder
// to select, the first one focused.
struct TOpenRequest {
  QString Folder;  // empty: nothing to open
  QStringList Files;
};
TOpenRequest ResolveOpenRequest(const QStringList& paths,
                                const std::function<bool(const QString&)>& isFolder);

QString CommandLineHelp();
QString CommandLineVersion();

}  // namespace glimr
