#include "app/glimrapplication.h"

#include <QLoggingCategory>

#include "app/frmsplash.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/errors.h"
#include "common/language.h"
#include "common/regstore.h"
#include "mainwindow/frmabout.h"
#include "mainwindow/frmvesk.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcStartup, "glimr.startup")

TGlimrApplication::Options TGlimrApplication::Options::FromEnvironment() {
  Options o;
  o.paths = TAppPaths::FromEnvironment();
  o.settingsFile = RegStore::DefaultPath();
  return o;
}

TGlimrApplication::TGlimrApplication(Options options)
    : options_(std::move(options)),
      context_(options_.paths),
      store_(std::make_unique<RegStore>(options_.settingsFile)) {
  BuildSteps();
}

TGlimrApplication::~TGlimrApplication() {
  if (main_ && !shutDown_) {
    Shutdown();
  }
}

TfrmVesk* TGlimrApplication::MainWindow() const {
  return main_.get();
}

TfrmSplash* TGlimrApplication::Splash() const {
  return splash_.get();
}

void TGlimrApplication::SetStatusObserver(std::function<void(const QString&)> observer) {
  statusObserver_ = std::move(observer);
}

void TGlimrApplication::SetStatus(const QString& text) {
  if (splash_) {
    splash_->SetStatus(text);
  }
  if (statusObserver_) {
    statusObserver_(text);
  }
}

void TGlimrApplication::BuildSteps() {
  TAppContext& ctx = context_;

  // Main window creation. Steps 3 to 8 show the status texts "0" to "5".
  // Nothing here touches the database: the data module comes afterwards.
  creation_.Append({QStringLiteral("CreateLists"), -1, [this] { main_->CreateLists(); }});
  creation_.Append({QStringLiteral("AppPaths"), -1, [this] {
                      main_->setWindowTitle(QStringLiteral("Glimr"));
                      if (splash_) {
                        splash_->show();
                        splash_->repaint();
                      }
                    }});
  creation_.Append({QStringLiteral("LoadSettings"), 0, [this, &ctx] {
                      LoadSettings(*store_, ctx.Settings, ctx.Paths.AppDir);
                      if (ctx.Settings.hasProgState) {
                        main_->RestoreLayout(ctx.Settings.ProgState);
                      }
                    }});
  creation_.Append({QStringLiteral("InitProgramState"), 1, [this, &ctx] {
                      ctx.Settings.TextureFilter = TextureFilterFor(ctx.Settings.SmoothThumb);
                      ctx.EaseTable = MakeEaseTable();
                      ctx.Brightness = 1.0;
                      main_->InitProgramState();
                    }});
  creation_.Append({QStringLiteral("LoadPlugins"), 2, [this] { main_->LoadPlugins(*store_); }});
  creation_.Append({QStringLiteral("InitGraphics"), 3, [this] { main_->InitGraphics(); }});
  creation_.Append(
      {QStringLiteral("MakeCache"), 4, [this, &ctx] { main_->MakeCash(ctx.Settings.CashSize); }});
  creation_.Append({QStringLiteral("LoadResources"), 5, [this] { main_->LoadResources(); }});

  // Main window first shown: the language, then the remembered folder.
  show_.Append({QStringLiteral("ApplyLanguage"), -1, [&ctx] { ctx.Captions.ApplyLanguage(); }});
  show_.Append({QStringLiteral("SelectCrrSelection"), -1, [this] { main_->RestoreSelection(); }});

  // Close: modified records written back, the loader stopped and joined.
  close_.Append({QStringLiteral("CloseMainWindow"), -1, [this] {
                   if (main_) {
                     main_->CloseStep();
                   }
                 }});

  // Destruction writes the log first and the settings after the subsystems
  // have released their resources, while the windows still exist.
  destroy_.Append({QStringLiteral("WriteLog"), -1, [this, &ctx] {
                     QString error;
                     if (!WriteLogFile(ctx.LogLines, options_.logFile, &error)) {
                       shutdownOk_ = false;
                       ShowError(QStringLiteral("Unable to write to %1: ").arg(options_.logFile),
                                 error);
                     }
                   }});
  destroy_.Append({QStringLiteral("ReleaseResources"), -1, [this] {
                     if (main_) {
                       main_->ReleaseResources();
                     }
                   }});
  destroy_.Append({QStringLiteral("SaveSettings"), -1, [this, &ctx] {
                     if (main_) {
                       main_->CaptureLayout(ctx.Settings.ProgState);
                       ctx.Settings.CrrSelection = main_->CrrSelectionPath();
                     }
                     SaveSettings(*store_, ctx.Settings);
                     if (!store_->Save()) {
                       shutdownOk_ = false;
                       ShowError(QStringLiteral("Unable to write to %1: ").arg(store_->filePath()),
                                 store_->lastError());
                     }
                   }});
}

void TGlimrApplication::Start() {
  if (!store_->Load()) {
    // An unreadable settings file: start with the defaults.
    qCWarning(lcStartup) << "settings not readable:" << store_->lastError();
  }
  splash_ = std::make_unique<TfrmSplash>(*store_, context_.Paths.AppDir);
  main_ = std::make_unique<TfrmVesk>(context_,
                                     TFolderTreeRoots{options_.treeHome, options_.treeFileSystem});
  context_.Captions.Register(TCaptionTarget::About, [this] { main_->About()->ApplyCaptions(); });
  context_.Captions.Register(TCaptionTarget::MainWindow, [this] { main_->ApplyCaptions(); });

  creation_.Run([this](const QString& text) { SetStatus(text); });

  // The data module follows the main window.
  dm_ = std::make_unique<TdmVesk>(context_.Paths.DatabaseDir, context_.Locks.DbLock);
  queries_ = std::make_unique<TCatalogQueries>(*dm_);
  main_->AttachCatalog(*dm_, *queries_);

  main_->show();
  splash_->hide();
  splash_.reset();
  show_.Run();
}

bool TGlimrApplication::Shutdown() {
  shutDown_ = true;
  shutdownOk_ = true;
  close_.Run();
  destroy_.Run();
  context_.Captions.Unregister(TCaptionTarget::MainWindow);
  context_.Captions.Unregister(TCaptionTarget::About);
  main_.reset();
  queries_.reset();
  dm_.reset();
  return shutdownOk_;
}

}  // namespace glimr
