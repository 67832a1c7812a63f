#pragma once
// Starting an external program for images: the parameter template is split
// into arguments first and the placeholders are replaced inside each one, so
// an image's name reaches the program as exactly one argument, whatever
// blanks, quotes or leading dashes it holds. Also opening the shown folder in
// the desktop's file manager.

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "browse/currentlists.h"

namespace glimr {

class TExternalProg;
class TFileList;

// What the placeholders of a template stand for, for one image.
struct TPlaceholderValues {
  QString FullName;        // ":FullName:"  the full path
  QString FilePath;        // ":FilePath:"  the folder, ending with "/"
  QString FileWithExt;     // ":FileWithExt:"  the file name
  QString FileWithoutExt;  // ":FileWithoutExt:"  the name without its last "." and extension
  QString FileExt;         // ":FileExt:"  the extension without the dot, as the name has it
};

TPlaceholderValues PlaceholderValues(const QString& filePath);

// The argument with every placeholder (any letter case) replaced by its
// value, in one pass: a value is never searched for placeholders again.
QString ReplacePlaceholders(const QString& argument, const TPlaceholderValues& values);

// The program's arguments for one image: the template split, the
// placeholders replaced in each argument, empty arguments dropped. The
// template splits without escapes: a backslash is an ordinary character, and
// an unclosed quote takes the rest of the template as one argument.
QStringList BuildExternalArguments(const QString& parameterTemplate, const QString& filePath);

// The program file a list entry names, as a full path, when it exists and may
// be executed; a bare name ("gimp") is looked up in PATH.
std::optional<QString> ResolveProgram(const QString& path);

// Starts program with arguments without waiting for it; true when it started.
using TProgramStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

struct TLaunchResult {
  int Started = 0;  // program instances started
  int Failed = 0;   // images whose start failed
  QString Error;    // one message for the whole run, empty when all started
};

// Starts prog once for every image in imagePaths (full paths, in order).
// The program is checked once, before any start: a missing or non-executable
// file starts nothing and gives one message. No images: nothing happens.
// start defaults to a detached QProcess.
TLaunchResult LaunchExternalProg(const TExternalProg& prog, const QStringList& imagePaths,
                                 const TProgramStarter& start = {});

// The full paths of the selected image entries of a list, in list order;
// folder entries are left out.
QStringList SelectedImagePaths(const TFileList& files);

// The folder to show in the file manager: the loaded folder when the shown
// list comes from a folder and that folder exists on disk; else nullopt (a
// category, a search result, a virtual place of the folder tree).
std::optional<QString> FileManagerFolder(TListSource source, const QString& folder);

// Asks the desktop to show folder in its file manager. On failure returns
// false with a message in error.
bool OpenFileManagerHere(const QString& folder, QString* error = nullptr);

}  // namespace glimr
