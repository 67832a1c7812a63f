#include "app/glimrapplication.h"

#include <QFileIconProvider>
#include <QLoggingCategory>

#include "app/frmsplash.h"
#include "app/placeholdermainwindow.h"
#include "catalog/imagefileinfo.h"
#include "common/errors.h"
#include "common/language.h"
#include "common/regstore.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcStartup, "glimr.startup")

namespace {

// Icons for the extension table: QFileIconProvider falls back to the style's
// icons where the desktop theme has none. One provider for the whole run.
const QFileIconProvider* FileIcons() {
  static const QFileIconProvider provider;
  return &provider;
}

}  // namespace

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

TPlaceholderMainWindow* TGlimrApplication::MainWindow() const {
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
  creation_.Append({QStringLiteral("CreateLists"), -1, [&ctx] { ctx.LogLines.clear(); }});
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
  creation_.Append({QStringLiteral("InitProgramState"), 1, [&ctx] {
                      ctx.Settings.TextureFilter = TextureFilterFor(ctx.Settings.SmoothThumb);
                      ctx.EaseTable = MakeEaseTable();
                      ctx.Brightness = 1.0;
                    }});
  creation_.Append({QStringLiteral("LoadPlugins"), 2, {}});
  creation_.Append({QStringLiteral("InitGraphics"), 3, {}});
  creation_.Append({QStringLiteral("MakeCache"), 4, {}});
  creation_.Append({QStringLiteral("LoadResources"), 5,
                    [this] { extensions_ = std::make_unique<TExtensionTable>(FileIcons()); }});

  // Main window first shown.
  show_.Append({QStringLiteral("ApplyLanguage"), -1, [&ctx] { ctx.Captions.ApplyLanguage(); }});

  // Shutdown. Destruction writes the log first and the settings after the
  // subsystems have released their resources, while the windows still exist.
  destroy_.Append({QStringLiteral("WriteLog"), -1, [this, &ctx] {
                     QString error;
                     if (!WriteLogFile(ctx.LogLines, options_.logFile, &error)) {
                       shutdownOk_ = false;
                       ShowError(QStringLiteral("Unable to write to %1: ").arg(options_.logFile),
                                 error);
                     }
                   }});
  destroy_.Append({QStringLiteral("SaveSettings"), -1, [this, &ctx] {
                     if (main_) {
                       main_->CaptureLayout(ctx.Settings.ProgState);
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
  main_ = std::make_unique<TPlaceholderMainWindow>();
  context_.Captions.Register(TCaptionTarget::MainWindow, [this] { main_->ApplyCaptions(); });

  creation_.Run([this](const QString& text) { SetStatus(text); });

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
  main_.reset();
  extensions_.reset();
  return shutdownOk_;
}

}  // namespace glimr
