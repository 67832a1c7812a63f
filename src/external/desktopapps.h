#pragma once
// The desktop's installed applications that open images, read from their
// ".desktop" entries in the XDG data folders, turned into what an external
// program entry needs: a name, an icon, the program file and a parameter
// template.

#include <QIcon>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace glimr {

struct TDesktopApp {
  QString Id;          // desktop file ID ("org.example.Viewer.desktop")
  QString Name;        // in the user's language where the entry has it
  QString IconName;    // a theme icon name or an absolute file path
  QString Program;     // the command's program as written (name or path)
  QString Parameters;  // parameter template made of the command's arguments
  QString TryExec;     // a program that must be installed, when given
};

// The program and parameter template of an Exec value: %f %F %u %U become
// ":FullName:", %% becomes %, the other field codes are dropped (with their
// argument when nothing else is left of it). A command without a file code
// gets ":FullName:" as its last argument. nullopt for an empty command or
// one whose arguments a template cannot hold (a double quote inside).
std::optional<std::pair<QString, QString>> DesktopExecToProgram(const QString& exec);

// The entry of one ".desktop" file when it describes an application that
// opens images (a MimeType of image/...) and is meant to be shown (neither
// NoDisplay nor Hidden), with Name[...] chosen for locale ("de_DE",
// "sr_RS@latin"). nullopt for anything else, damaged text included.
std::optional<TDesktopApp> ParseDesktopEntry(const QString& text, const QString& locale);

// The folders holding ".desktop" files, most important first:
// $XDG_DATA_HOME/applications, then each of $XDG_DATA_DIRS + /applications
// (with the standard defaults when unset).
QStringList ApplicationDirs();

// The image applications below dirs whose program is installed, sorted by
// name. A desktop file ID found in an earlier folder hides the same ID in
// later ones, even when the earlier entry is hidden itself.
std::vector<TDesktopApp> FindImageApplications(const QStringList& dirs, const QString& locale);

// The icon an entry names: a file for an absolute path, else the theme's
// icon of that name; a null icon when neither is found.
QIcon DesktopIcon(const QString& iconName);

// The installed image applications, read once and kept, with a look-up by
// program file.
class TDesktopApps {
 public:
  // Reads ApplicationDirs() in the current locale.
  void Scan();
  void Scan(const QStringList& dirs, const QString& locale);
  bool Scanned() const { return scanned_; }

  const std::vector<TDesktopApp>& Apps() const { return apps_; }
  // The entry whose program is the file at programPath (links followed),
  // or null.
  const TDesktopApp* FindByProgram(const QString& programPath) const;

 private:
  std::vector<TDesktopApp> apps_;
  bool scanned_ = false;
};

}  // namespace glimr
