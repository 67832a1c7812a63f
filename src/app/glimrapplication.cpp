#include "app/glimrapplication.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QStandardPaths>
#include <QTimer>

#include "app/commandparts.h"
#include "app/fileopsparts.h"
#include "app/frmsplash.h"
#include "app/instancechannel.h"
#include "app/loaderport.h"
#include "app/optionsparts.h"
#include "board/boardlist.h"
#include "browse/folderloader.h"
#include "browse/ui/filelistview.h"
#include "catalog/catalogqueries.h"
#include "catalog/dmvesk.h"
#include "common/errors.h"
#include "common/language.h"
#include "common/regstore.h"
#include "external/desktopapps.h"
#include "external/externalprogs.h"
#include "external/ui/externalcommands.h"
#include "fileops/clipboardlist.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/catalogthumbstore.h"
#include "imaging/cache/loadercontrol.h"
#include "imaging/cache/pluginthumbmaker.h"
#include "imaging/plugin.h"
#include "mainwindow/frmabout.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"
#include "ribbon/cashribbonmodel.h"
#include "ribbon/ribbonmath.h"
#include "ribbon/ui/glpanel.h"
#include "ribbon/ui/ribbonview.h"
#include "viewer/steporder.h"
#include "viewer/ui/frmloading.h"
#include "viewer/ui/frmviewer.h"
#include "viewer/ui/frmzoom.h"
#include "viewer/ui/showzoomed.h"
#include "viewer/viewerdecoder.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcStartup, "glimr.startup")

namespace {

// Keys of the program's own messages in "Strings" (defaults in the language table).
constexpr int kStrAlreadyRunning = 111;
constexpr int kStrNoPlugins = 101;
constexpr int kStrCatalogNotWritable = 105;
constexpr int kStrChangesNotSaved = 106;

// The largest texture side of the GL implementation, asked once through a
// short-lived context of the ribbon's format; 0 when no context comes up.
int QueryMaxTextureSize() {
  QOpenGLContext context;
  context.setFormat(TGlPanel::RibbonFormat());
  if (!context.create()) {
    return 0;
  }
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  if (!context.makeCurrent(&surface)) {
    return 0;
  }
  GLint size = 0;
  context.functions()->glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
  context.doneCurrent();
  return size;
}

TRibbonSettings RibbonSettingsFrom(const TSettings& s) {
  TRibbonSettings rs;
  rs.AntialiasingThumbEnabled = s.AntialiasingThumbEnabled;
  rs.AntialiasingTextEnabled = s.AntialiasingTextEnabled;
  rs.ShowHalo = s.ShowHalo;
  rs.ShowCaptionsText = s.ShowCaptionsText;
  rs.Halo = QColor(s.HaloRValue & 255, s.HaloGValue & 255, s.HaloBValue & 255);
  rs.Cap = QColor(s.CapRValue & 255, s.CapGValue & 255, s.CapBValue & 255);
  rs.CapFontName = s.CapFontName;
  rs.CapFontBold = s.CapFontStyle[0] != 0;
  rs.CapFontItalic = s.CapFontStyle[1] != 0;
  rs.TextureFilterLinear = s.TextureFilter == kGlLinear;
  return rs;
}

}  // namespace

TGlimrApplication::Options TGlimrApplication::Options::FromEnvironment() {
  Options o;
  o.paths = TAppPaths::FromEnvironment();
  o.settingsFile = RegStore::DefaultPath();
  return o;
}

TGlimrApplication::Options TGlimrApplication::Options::UnderFolder(const QString& root,
                                                                   const QString& programDir) {
  Options o;
  o.paths = TAppPaths::ForFolders(root + QStringLiteral("/home"), programDir);
  o.settingsFile = root + QStringLiteral("/config/Quillfen/Glimr.reg");
  o.logFile = root + QStringLiteral("/glimr.log");
  return o;
}

TGlimrApplication::TGlimrApplication(Options options)
    : options_(std::move(options)),
      lock_(options_.paths.DatabaseDir + QStringLiteral("glimr.lock")),
      context_(options_.paths),
      store_(std::make_unique<RegStore>(options_.settingsFile)) {
  BuildSteps();
}

TGlimrApplication::~TGlimrApplication() {
  // Every part is built after the main window, so one that exists is
  // released, in order, by the shutdown steps.
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
                      LoadSettings(*store_, ctx.Settings, ctx.Paths);
                      // The designed layout on a first start is fitted to the
                      // screen like a stored one: a small or HiDPI screen may
                      // not hold the designed 997 x 642.
                      main_->RestoreLayout(ctx.Settings.hasProgState ? ctx.Settings.ProgState
                                                                     : TProgState{});
                    }});
  creation_.Append({QStringLiteral("InitProgramState"), 1, [this, &ctx] {
                      ctx.Settings.TextureFilter = TextureFilterFor(ctx.Settings.SmoothThumb);
                      main_->InitProgramState();
                    }});
  creation_.Append({QStringLiteral("LoadPlugins"), 2, [this] { LoadPlugins(); }});
  creation_.Append({QStringLiteral("InitGraphics"), 3, [this] { InitGraphics(); }});
  creation_.Append({QStringLiteral("MakeCache"), 4, [this] { MakeCash(); }});
  creation_.Append({QStringLiteral("LoadResources"), 5, [this] {
                      if (ribbon_) {
                        ribbon_->SetPolling(true);
                      }
                    }});

  // Main window first shown: the language, then the remembered folder.
  show_.Append({QStringLiteral("ApplyLanguage"), -1, [&ctx] { ctx.Captions.ApplyLanguage(); }});
  show_.Append({QStringLiteral("SelectCrrSelection"), -1, [this] { OpenFirstFolder(); }});

  // Close: modified records and the settings written back, then the loader
  // stopped. Both writes come first so that a loader stuck in a decode (a
  // stalled network mount) can cost nothing but its thumbnail.
  close_.Append({QStringLiteral("CloseMainWindow"), -1, [this] { CloseParts(); }});

  // Destruction writes the log, then releases the parts, while the windows
  // still exist. A log that cannot be written is said on standard error: a
  // box at exit would hang a logout.
  destroy_.Append({QStringLiteral("WriteLog"), -1, [this, &ctx] {
                     QString error;
                     if (!WriteLogFile(ctx.LogLines, options_.logFile, &error)) {
                       shutdownOk_ = false;
                       qCWarning(lcStartup).noquote()
                           << "Unable to write to" << options_.logFile + QStringLiteral(": ")
                           << error;
                     }
                   }});
  destroy_.Append({QStringLiteral("ReleaseResources"), -1, [this] { ReleaseParts(); }});
}

void TGlimrApplication::SaveSettingsNow() {
  TAppContext& ctx = context_;
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
}

// ---------------------------------------------------------------- creation

void TGlimrApplication::LoadPlugins() {
  // The running program's own plug-ins, whatever folder the settings name:
  // a build and an installed copy share one settings file, and each must
  // load its own libraries.
  const QString shipped = context_.Paths.DefaultPluginsPath;
  plugins_ = LoadPluginSet(*store_, shipped);
  if (plugins_->Count() == 0) {
    // Without a plug-in every folder looks empty of images: say why, once.
    ShowError(
        LangText(TLangSection::Strings, kStrNoPlugins).arg(QDir::toNativeSeparators(shipped)));
  }
}

void TGlimrApplication::InitGraphics() {
  const int maxTexture = QueryMaxTextureSize();
  maxTextureSize_ = maxTexture > 0 ? maxTexture : 2048;
  thumbTextureSize_ = ThumbTextureSizeFor(context_.Settings.ThumbQuality, maxTextureSize_);
  context_.Settings.ThumbTextureSize = thumbTextureSize_;

  // The ribbon shows CurrentFiles and follows the file list's focus; it gets
  // its thumbnails once the cache exists (the next step).
  TFileListView* list = main_->ListView();
  ribbonModel_ = std::make_unique<TCashRibbonModel>(
      shown_.Current(), nullptr, nullptr,
      TCashRibbonModel::TListFocus{
          [list] { return list->FocusedRow(); },
          [list](int row, bool selectAlone) { list->FocusRow(row, selectAlone); }});
  auto* panel = new TGlPanel();
  ribbon_ =
      std::make_unique<TRibbonView>(*panel, *ribbonModel_, RibbonSettingsFrom(context_.Settings));
  ribbon_->Follow(shown_);
  main_->AttachRibbon(panel, *ribbon_);
}

void TGlimrApplication::MakeCash() {
  if (!plugins_) {
    throw GlimrError(QStringLiteral("the plug-ins are not loaded"));
  }
  maker_ = std::make_unique<TPluginThumbMaker>(*plugins_);
  cash_ = std::make_unique<TCash>(context_.Locks, *maker_, context_.Settings.CashSize);
  cash_->SetCapacity(context_.Settings.CashSize);
  // The loader's catalog sessions come with the data module, after the
  // window's creation; no loader starts before a folder is loaded.
  loader_ = std::make_unique<TLoaderControl>(*cash_, context_.Locks);
  loader_->SetOnLoaded([this](const QString& path) {
    const int row = shown_.Current().IndexOf(path);
    if (row >= 0 && cash_ && UpdateDimensions(*cash_, path, shown_.Current().At(row))) {
      shown_.DetailsChanged(row);
    }
  });
  loaderPort_ =
      std::make_unique<TLoaderControlPort>(*loader_, [this] { return thumbTextureSize_; });
  shown_.SetLoaderPort(loaderPort_.get());
  if (ribbonModel_) {
    ribbonModel_->SetCache(cash_.get(), loader_.get());
  }
}

void TGlimrApplication::AttachCatalog() {
  dm_ = std::make_unique<TdmVesk>(context_.Paths.DatabaseDir, context_.Locks.DbLock);
  // A catalog that cannot be written (a full disk, a read-only file) is said
  // once, on the GUI thread, until a write succeeds again; Glimr keeps
  // viewing and holds the edits in memory.
  dm_->WriteHealth().SetNotify([this](const QString& error) {
    QMetaObject::invokeMethod(
        main_.get(),
        [error] { ShowError(LangText(TLangSection::Strings, kStrCatalogNotWritable).arg(error)); },
        Qt::QueuedConnection);
  });
  queries_ = std::make_unique<TCatalogQueries>(*dm_);
  if (loader_) {
    // Each loader thread gets its own catalog session.
    loader_->SetSessionFactory([this]() -> std::unique_ptr<TThumbStore> {
      return std::make_unique<TCatalogThumbStore>(*dm_, *queries_);
    });
  }

  // The shown list writes its edits back to this catalog; its sources ask
  // the extension table and drop thumbnails of files changed outside Glimr.
  shown_.SetCatalog(queries_.get());
  TFillServices services;
  services.ExtensionIndex = [this](const QString& path) {
    return extensions_.ExtensionIndex(path);
  };
  services.DiskDateSeen = [this](const QString& path, double fileDate) {
    if (cash_) {
      cash_->DropIfDateDiffers(path, fileDate);
    }
  };
  shown_.SetFillServices(std::move(services));
  shown_.SetTypeNameOf(main_->ListView()->TypeNameOf());
  const QStringList extensions = plugins_ ? PluginExtensions(*plugins_) : QStringList();
  folderLoader_ = std::make_unique<TFolderLoader>(*queries_, extensions);
  main_->AttachFolderLoader(*folderLoader_);
  // The search reads image sizes through the plug-ins, on its own thread:
  // one decode at a time, as for the loader and the zoom window.
  commands_->AttachCatalog(
      *queries_, [this] { return plugins_ ? PluginExtensions(*plugins_) : QStringList(); },
      [this](const QString& path, const QString& typeName, std::int32_t& width,
             std::int32_t& height) {
        TPlugin* plugin = plugins_ ? plugins_->PluginForExtension(typeName) : nullptr;
        if (!plugin) {
          return false;
        }
        std::lock_guard lock(context_.Locks.DecodeLock);
        const QSize size = plugin->FileInfo(path);
        width = size.width();
        height = size.height();
        return true;
      });
}

void TGlimrApplication::OpenHandedPaths(const QStringList& paths) {
  if (!main_ || !main_->isVisible()) {
    return;
  }
  if (QApplication::activeModalWidget()) {
    // A dialog or question is open: its answer comes first.
    QTimer::singleShot(200, main_.get(), [this, paths] { OpenHandedPaths(paths); });
    return;
  }
  if (!paths.isEmpty()) {
    main_->OpenFolderSelecting(paths.first(), paths.mid(1));
  }
  main_->setWindowState((main_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  main_->raise();
  main_->activateWindow();
}

void TGlimrApplication::OpenFirstFolder() {
  if (!options_.open.Folder.isEmpty()) {
    main_->OpenFolderSelecting(options_.open.Folder, options_.open.Files);
    return;
  }
  if (context_.Settings.CrrSelection.isEmpty()) {
    // The very first start: the user's pictures rather than an empty list.
    const QString pictures =
        !options_.firstStartFolder.isEmpty()
            ? options_.firstStartFolder
            : QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir()) {
      main_->OpenFolderSelecting(pictures);
    }
    return;
  }
  main_->RestoreSelection();
}

void TGlimrApplication::AttachFileOps() {
  fileOps_ = std::make_unique<TFileOpsParts>(context_, main_.get());
  commands_->External().Load(context_.Paths.ExternalProgsFile);
  if (queries_) {
    commands_->AttachFileOps(*queries_, fileOps_->Services(cash_.get(), extensions_));
  }
}

void TGlimrApplication::MakeOptions() {
  TOptionsParts::TParts parts;
  parts.Ribbon = ribbon_.get();
  parts.Cash = cash_.get();
  parts.Loader = loader_.get();
  parts.Zoom = zoom_.get();
  parts.Viewer = viewer_.get();
  parts.MaxTextureSize = maxTextureSize_;
  parts.ApplyRibbonSettings = [this] {
    if (ribbon_) {
      ribbon_->SetSettings(RibbonSettingsFrom(context_.Settings));
    }
  };
  optionsParts_ = std::make_unique<TOptionsParts>(context_, *main_, std::move(parts));
}

void TGlimrApplication::MakeViewer() {
  if (!plugins_) {
    return;  // nothing could be decoded
  }
  // The zoomed view decodes through the same plug-ins; its windows belong to
  // the main window so they stay above it.
  loading_ = std::make_unique<TfrmLoading>(PluginDecoder(*plugins_), context_.Locks.DecodeLock,
                                           main_.get());
  zoom_ = std::make_unique<TfrmZoom>(main_.get());
  showZoomed_ = std::make_unique<TShowZoomed>(*loading_, *zoom_);
  showZoomed_->SetHooks([this] { main_->repaint(); },
                        [this] {
                          if (ribbon_) {
                            ribbon_->SetPolling(!shown_.Current().IsEmpty());
                          }
                        });
  // The viewer decodes as the thumbnail loader does: without DecodeLock for
  // plug-ins that are safe on several threads.
  viewerDecoder_ = std::make_unique<TViewerDecoder>(
      PluginViewerDecode(*plugins_), PluginNeedsDecodeLock(*plugins_), context_.Locks.DecodeLock);
  viewer_ = std::make_unique<TfrmViewer>(
      shown_, *viewerDecoder_,
      [this](const QString& path) {
        const TBmpCashPtr entry = cash_ ? cash_->Find(path) : nullptr;
        return entry && !entry->Undecodable ? entry->Bitmap : QImage();
      },
      main_.get());
  viewer_->SetSlideshowInterval(context_.Settings.SlideshowInterval * 1000);
  TfrmViewer* viewer = viewer_.get();
  // The grown picture hands over to the viewer, which shows it until its
  // own decode arrives.
  QObject::connect(showZoomed_.get(), &TShowZoomed::Grown, viewer,
                   [this](const QString& path, const QImage& picture) {
                     const int row = shown_.Current().IndexOf(path);
                     if (row >= 0 && viewer_->Open(row, picture)) {
                       if (ribbon_) {
                         ribbon_->SetFollowWithoutGlide(true);
                       }
                       zoom_->done(QDialog::Accepted);
                     }
                   });
  // The list's focus and selection follow the viewer, as with the ribbon's
  // Move Right and Move Left; the ribbon follows them without gliding.
  QObject::connect(viewer, &TfrmViewer::rowShown, main_.get(), [this](int row) {
    main_->ListView()->FocusRow(row, true);
    // The focus may have been on that row already (a removal moved it
    // there): the ribbon goes to it all the same, so its centre, which the
    // rotate and flip commands act on, is the picture shown.
    if (ribbon_) {
      ribbon_->ScrollImagesToFocused();
    }
  });
  QObject::connect(viewer, &TfrmViewer::closed, main_.get(), [this] {
    if (ribbon_) {
      ribbon_->SetFollowWithoutGlide(false);
    }
  });
  // Edits and file commands go the main window's way.
  QObject::connect(viewer, &TfrmViewer::rateRequested, main_.get(), [this](int stars) {
    static const char* const kRatings[] = {"aClearRating",   "aSetOneStar",   "aSetTwoStars",
                                           "aSetThreeStars", "aSetFourStars", "aSetFiveStars"};
    main_->Actions().Get(kRatings[std::clamp(stars, 0, 5)])->trigger();
  });
  QObject::connect(viewer, &TfrmViewer::deleteRequested, main_.get(),
                   [this] { main_->Actions().Get("aFileDelete")->trigger(); });
  // A turn or flip in the viewer edits the shown record as the ribbon's
  // commands would at their end (same angle, same mirrors), through the
  // shown list; the ribbon's slots follow the record.
  QObject::connect(viewer, &TfrmViewer::rotateRequested, main_.get(), [this](bool right) {
    shown_.EditRows({viewer_->ShownRow()}, efRotation, [right](TImageFileInfo& r) {
      // The ribbon turns by 20 steps of RotateStep, whose sense the mirrors
      // decide.
      r.Angle = WrapAngle(r.Angle + 20 * RotateStep(right, r.HFliped, r.VFliped));
    });
  });
  QObject::connect(viewer, &TfrmViewer::flipRequested, main_.get(), [this](bool horizontally) {
    shown_.EditRows({viewer_->ShownRow()}, efRotation, [horizontally](TImageFileInfo& r) {
      if (horizontally) {
        r.VFliped = !r.VFliped;  // mirrored left to right, about the vertical axis
      } else {
        r.HFliped = !r.HFliped;
      }
    });
  });
  // View > Slideshow: over the shown list from its focused image (else its
  // first), in the viewer.
  QObject::connect(main_->Actions().Get("aViewSlideshow"), &QAction::triggered, viewer, [this] {
    int row = main_->ListView()->FocusedRow();
    if (row < 0 || shown_.Current().At(row)->IsFolder) {
      row = StepImage(shown_.Current(), -1, TImageStep::First);
    }
    if (row >= 0 && (viewer_->ShownRow() == row || viewer_->Open(row))) {
      if (ribbon_) {
        ribbon_->SetFollowWithoutGlide(true);
      }
      viewer_->StartSlideshow();
    }
  });
  context_.Captions.Register(TCaptionTarget::Viewer, [viewer] { viewer->ApplyLanguage(); });
  main_->AttachViewer(*showZoomed_, viewer);
}

bool TGlimrApplication::Start() {
  QString holder;
  switch (lock_.Acquire(&holder)) {
    case TDataFolderLock::TResult::Acquired:
      break;
    case TDataFolderLock::TResult::HeldByOther: {
      // The running Glimr opens what this start was asked to open.
      QStringList paths;
      if (!options_.open.Folder.isEmpty()) {
        paths << options_.open.Folder << options_.open.Files;
      }
      if (SendToRunningInstance(context_.Paths.AppDir, paths)) {
        handedOver_ = true;
        return false;
      }
      ShowError(LangText(TLangSection::Strings, kStrAlreadyRunning)
                    .arg(QDir::toNativeSeparators(context_.Paths.AppDir), holder));
      return false;
    }
    case TDataFolderLock::TResult::Unavailable:
      // A read-only data folder: the catalog cannot be written either, and
      // Glimr still views; a second process could not write it as well.
      qCWarning(lcStartup).noquote() << "data folder not locked:" << holder;
      break;
  }
  instance_ = std::make_unique<TInstanceServer>(
      context_.Paths.AppDir, [this](const QStringList& paths) { OpenHandedPaths(paths); });
  if (!store_->Load()) {
    // An unreadable settings file: start with the defaults.
    qCWarning(lcStartup) << "settings not readable:" << store_->lastError();
  }
  splash_ = std::make_unique<TfrmSplash>(*store_, context_.Paths);
  clipboard_ = std::make_unique<TClipboardList>();
  board_ = std::make_unique<TBoardList>();
  apps_ = std::make_unique<TDesktopApps>();
  externalProgs_ = std::make_unique<TExternalProgs>();
  main_ = std::make_unique<TfrmVesk>(context_, shown_, extensions_,
                                     TFolderTreeRoots{options_.treeHome, options_.treeFileSystem});
  commands_ = std::make_unique<TCommandParts>(
      context_, *main_, shown_, extensions_,
      TCommandServices{*clipboard_, *board_, *apps_, *externalProgs_});
  context_.Captions.Register(TCaptionTarget::About, [this] { main_->About()->ApplyCaptions(); });
  context_.Captions.Register(TCaptionTarget::MainWindow, [this] {
    main_->ApplyCaptions();
    commands_->ApplyLanguage();
    if (ribbon_) {
      ribbon_->ApplyLanguage();  // the ribbon panel's accessible name
    }
  });

  creation_.Run([this](const QString& text) { SetStatus(text); });

  // The data module follows the main window, then the viewer windows.
  AttachCatalog();
  AttachFileOps();
  MakeViewer();
  MakeOptions();

  main_->show();
  splash_->hide();
  splash_.reset();
  show_.Run();
  return true;
}

// ---------------------------------------------------------------- shutdown

void TGlimrApplication::CloseParts() {
  if (closed_) {
    return;
  }
  closed_ = true;
  if (ribbon_) {
    ribbon_->SetPolling(false);
  }
  if (queries_) {
    try {
      shown_.FlushAndClear();
      // Rows still to be stored come back from the disk at the next visit;
      // only the user's edits are lost with the process.
      const int unsaved = shown_.PendingWrites().EditCount();
      if (unsaved > 0) {
        ShowError(QStringLiteral("FlushLoadedFiles: "),
                  LangText(TLangSection::Strings, kStrChangesNotSaved)
                      .arg(unsaved)
                      .arg(dm_ ? dm_->WriteHealth().LastError() : QString()));
      }
    } catch (const std::exception& e) {
      // The records stay in the lists: nothing of them is lost silently.
      ShowError(QStringLiteral("FlushLoadedFiles: "), ErrorText(e));
    }
  }
  SaveSettingsNow();
  if (commands_ && !commands_->External().Save()) {
    shutdownOk_ = false;
  }
  if (loader_ && !loader_->CloseLoader(options_.loaderGrace)) {
    threadsLeft_ = true;
    qCWarning(lcStartup) << "the thumbnail loader did not stop in" << options_.loaderGrace.count()
                         << "ms; leaving it behind";
  }
}

void TGlimrApplication::ReleaseParts() {
  if (main_) {
    main_->DetachServices();
  }
  if (commands_) {
    commands_->Detach();
  }
  // The view frees its textures in the panel's context and unpins its cache
  // entries: it goes before the panel (the window's) and the cache.
  optionsParts_.reset();
  if (viewer_) {
    context_.Captions.Unregister(TCaptionTarget::Viewer);
    viewer_->close();
  }
  viewer_.reset();
  if (viewerDecoder_ && viewerDecoder_->IsBusy()) {
    // A decode that never ends (a stalled mount) keeps the plug-ins in use:
    // it is left to the process's end like a stuck loader.
    (void)viewerDecoder_.release();
    threadsLeft_ = true;
  }
  viewerDecoder_.reset();
  ribbon_.reset();
  showZoomed_.reset();
  zoom_.reset();
  if (loading_ && loading_->IsLoading()) {
    // A cancelled zoom decode still runs (plug-ins cannot be interrupted) and
    // may never end: it is left behind like a stuck loader.
    (void)loading_.release();
    threadsLeft_ = true;
  }
  loading_.reset();
  folderLoader_.reset();
  shown_.SetLoaderPort(nullptr);
  shown_.SetCatalog(nullptr);
  loaderPort_.reset();
  if (ribbonModel_) {
    ribbonModel_->SetCache(nullptr, nullptr);
  }
  if (threadsLeft_) {
    // The abandoned loader thread may still use the loader control, the
    // cache, the plug-ins and the catalog: they are left to the process's
    // end, which follows at once (the caller ends it with _exit).
    (void)loader_.release();
    (void)cash_.release();
    (void)maker_.release();
    return;
  }
  if (loader_) {
    loader_->CloseLoader();
  }
  loader_.reset();
  cash_.reset();
  maker_.reset();
}

bool TGlimrApplication::Shutdown() {
  shutDown_ = true;
  shutdownOk_ = true;
  close_.Run();
  destroy_.Run();
  context_.Captions.Unregister(TCaptionTarget::MainWindow);
  context_.Captions.Unregister(TCaptionTarget::About);
  fileOps_.reset();
  instance_.reset();
  // The commands are the window's children: their record goes first.
  commands_.reset();
  main_.reset();
  ribbonModel_.reset();
  externalProgs_.reset();
  apps_.reset();
  board_.reset();
  clipboard_.reset();
  if (threadsLeft_) {
    (void)queries_.release();
    (void)dm_.release();
    (void)plugins_.release();
    return shutdownOk_;  // the lock goes with the process
  }
  queries_.reset();
  dm_.reset();
  plugins_.reset();
  lock_.Release();
  return shutdownOk_;
}

}  // namespace glimr
