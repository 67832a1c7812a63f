#pragma once
// The composition root: builds every long-lived part of the program (the
// settings store, the file clipboard, the image board, the external programs,
// the plug-in set, the thumbnail cache and its loader, the ribbon, the
// catalog, the folder loader and the viewer windows) in the
// start-up order, hands the main window references to them, and at exit
// writes back, stops and releases them in the shutdown order.

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

#include "app/commandline.h"
#include "app/datafolderlock.h"
#include "app/startupsequence.h"
#include "browse/shownlist.h"
#include "browse/ui/extensiontable.h"
#include "common/appcontext.h"
#include "imaging/plugins.h"

namespace glimr {

class RegStore;
class TBoardList;
class TCash;
class TCashRibbonModel;
class TCommandParts;
class TCatalogQueries;
class TClipboardList;
class TdmVesk;
class TDesktopApps;
class TExternalProgs;
class TFileOpsParts;
class TInstanceServer;
class TFolderLoader;
class TfrmLoading;
class TfrmSplash;
class TfrmVesk;
class TfrmViewer;
class TfrmZoom;
class TViewerDecoder;
class TLoaderControl;
class TLoaderControlPort;
class TOptionsParts;
class TPluginThumbMaker;
class TRibbonView;
class TShowZoomed;

class TGlimrApplication {
 public:
  struct Options {
    TAppPaths paths;
    QString settingsFile;            // the settings store's file
    QString logFile = kLogFileName;  // relative to the current folder
    // The folder tree's "Home" and "File System" folders (empty: the usual).
    QString treeHome;
    QString treeFileSystem = QStringLiteral("/");
    // How long the exit waits for the thumbnail loader to stop.
    std::chrono::milliseconds loaderGrace{3000};
    // A folder to show with files selected (the command line), in place of
    // the remembered folder.
    TOpenRequest open;
    // Shown at the very first start (no remembered folder, nothing to open)
    // when it exists; empty: the user's pictures folder.
    QString firstStartFolder;

    // GLIMR_HOME or the executable's folder; the store at its usual place.
    static Options FromEnvironment();
    // Everything the program writes kept under root, laid out as in a home
    // folder (data in root/home, the store in root/config/Quillfen, the log
    // in root): a program the tests and benchmarks can start and throw away.
    static Options UnderFolder(const QString& root, const QString& programDir);
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

  // Takes the data folder's lock, then: splash, main window creation steps,
  // data module, main window shown, splash hidden and destroyed, show steps.
  // Returns once the main window is on screen; false, with a message and
  // nothing touched, when another Glimr process holds the data folder (the
  // caller then ends without Shutdown).
  bool Start();
  // Close and destruction steps: records written back, the loader stopped,
  // the log file and the settings written, every part released. False when
  // something could not be written (already reported).
  bool Shutdown();

  // After Shutdown: the loader did not stop in time, or a cancelled zoom
  // decode still runs; they were left running with what they use, and the
  // caller must end the process with _exit (records and settings are saved).
  bool ThreadsLeftRunning() const { return threadsLeft_; }
  // Start() returned false because another Glimr on the same data folder
  // took this start's command line; the process ends quietly.
  bool HandedOver() const { return handedOver_; }

  TAppContext& Context() { return context_; }
  // What the list shows; its views follow it.
  TShownList& Shown() { return shown_; }
  const TCurrentLists& Lists() const { return shown_.Lists(); }
  TRibbonView* Ribbon() const { return ribbon_.get(); }
  TCash* Cash() const { return cash_.get(); }
  // The plug-in set (null before the start and without plug-ins).
  const TPlugins* Plugins() const { return plugins_.get(); }
  // The photo viewer (null without plug-ins).
  TfrmViewer* Viewer() const { return viewer_.get(); }
  TfrmVesk* MainWindow() const;
  // The features' commands and pages (null before Start and after Shutdown).
  TCommandParts* Commands() const { return commands_.get(); }
  TfrmSplash* Splash() const;

 private:
  void BuildSteps();
  void SetStatus(const QString& text);
  // Creation steps that build parts.
  void LoadPlugins();
  void InitGraphics();
  void MakeCash();
  // After the main window's creation: the catalog and what needs it.
  void AttachCatalog();
  void AttachFileOps();
  // The folder shown at start: the command line's, the remembered one, or
  // at the very first start the user's pictures.
  void OpenFirstFolder();
  // Paths a second start handed over: shown once no dialog is open.
  void OpenHandedPaths(const QStringList& paths);
  void MakeViewer();
  void MakeOptions();
  // Shutdown.
  void CloseParts();
  void ReleaseParts();
  // Captures the layout and writes the settings file; a failure is reported.
  void SaveSettingsNow();

  Options options_;
  TDataFolderLock lock_;
  TAppContext context_;
  std::unique_ptr<RegStore> store_;
  std::function<void(const QString&)> statusObserver_;
  TStartupSequence creation_;
  TStartupSequence show_;
  TStartupSequence close_;
  TStartupSequence destroy_;
  bool shutdownOk_ = true;
  bool shutDown_ = false;
  bool closed_ = false;
  bool threadsLeft_ = false;

  // Declared in the order they are built; ReleaseParts frees them in reverse
  // before the main window goes.
  // What the list shows: built first, so every view and service that
  // follows it is released before it.
  TShownList shown_;
  TExtensionTable extensions_;
  std::unique_ptr<TfrmSplash> splash_;
  // The lists the window's commands work on; they outlive the main window.
  std::unique_ptr<TClipboardList> clipboard_;
  std::unique_ptr<TBoardList> board_;
  std::unique_ptr<TDesktopApps> apps_;
  std::unique_ptr<TExternalProgs> externalProgs_;
  std::unique_ptr<TfrmVesk> main_;
  std::unique_ptr<TCommandParts> commands_;
  TPluginSetPtr plugins_;
  std::unique_ptr<TCashRibbonModel> ribbonModel_;
  std::unique_ptr<TRibbonView> ribbon_;
  std::unique_ptr<TPluginThumbMaker> maker_;
  std::unique_ptr<TCash> cash_;
  std::unique_ptr<TLoaderControl> loader_;
  std::unique_ptr<TLoaderControlPort> loaderPort_;
  std::unique_ptr<TdmVesk> dm_;
  std::unique_ptr<TCatalogQueries> queries_;
  std::unique_ptr<TFolderLoader> folderLoader_;
  std::unique_ptr<TfrmLoading> loading_;
  std::unique_ptr<TfrmZoom> zoom_;
  std::unique_ptr<TShowZoomed> showZoomed_;
  std::unique_ptr<TViewerDecoder> viewerDecoder_;
  std::unique_ptr<TfrmViewer> viewer_;
  std::unique_ptr<TFileOpsParts> fileOps_;
  std::unique_ptr<TOptionsParts> optionsParts_;
  std::unique_ptr<TInstanceServer> instance_;
  bool handedOver_ = false;
  int thumbTextureSize_ = 256;
  int maxTextureSize_ = 2048;  // the OpenGL maximum texture side
};

}  // namespace glimr
