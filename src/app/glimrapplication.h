#pragma once
// The composition root: creates the splash window, the main window and the
// catalog's data module, runs the main window's creation and show steps in
// their fixed order, and at exit the close and destruction steps (records
// written back, loader stopped, log file, settings).

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "app/startupsequence.h"
#include "common/appcontext.h"

namespace glimr {

class RegStore;
class TfrmSplash;
class TCatalogQueries;
class TdmVesk;
class TfrmVesk;

class TGlimrApplication {
 public:
  struct Options {
    TAppPaths paths;
    QString settingsFile;            // the settings store's file
    QString logFile = kLogFileName;  // relative to the current folder
    // The folder tree's "Home" and "File System" folders (empty: the usual).
    QString treeHome;
    QString treeFileSystem = QStringLiteral("/");

    // GLIMR_HOME or the executable's folder; the store at its usual place.
    static Options FromEnvironment();
  };

  explicit TGlimrApplication(Options options);
  ~TGlimrApplication();
  TGlimrApplication(const TGlimrApplication&) = delete;
  TGlimrApplication& operator=(const TGlimrApplication&) = delete;

  // Step lists, open for later subsystems to extend before Start().
  TStartupSequence& CreationSteps() { return creation_; }
  TStartupSequence& ShowSteps() { return show_; }
  TStartupSequence& CloseSteps() { return close_; }
  TStartupSequence& DestroySteps() { return destroy_; }

  // Called with every status text as the splash window shows it.
  void SetStatusObserver(std::function<void(const QString&)> observer);

  // Splash, main window creation steps, main window shown, splash hidden and
  // destroyed, show steps. Returns once the main window is on screen.
  void Start();
  // Close and destruction steps: the log file and the settings are written.
  // False when something could not be written (already reported).
  bool Shutdown();

  TAppContext& Context() { return context_; }
  TfrmVesk* MainWindow() const;
  TfrmSplash* Splash() const;

 private:
  void BuildSteps();
  void SetStatus(const QString& text);

  Options options_;
  TAppContext context_;
  std::unique_ptr<RegStore> store_;
  std::unique_ptr<TfrmSplash> splash_;
  std::unique_ptr<TfrmVesk> main_;
  std::unique_ptr<TdmVesk> dm_;
  std::unique_ptr<TCatalogQueries> queries_;
  std::function<void(const QString&)> statusObserver_;
  TStartupSequence creation_;
  TStartupSequence show_;
  TStartupSequence close_;
  TStartupSequence destroy_;
  bool shutdownOk_ = true;
  bool shutDown_ = false;
};

}  // namespace glimr
