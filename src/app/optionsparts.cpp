#include "app/optionsparts.h"

#include <QAction>

#include "common/appcontext.h"
#include "common/errors.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/loadercontrol.h"
#include "mainwindow/frmvesk.h"
#include "mainwindow/veskactions.h"
#include "options/optionschanges.h"
#include "options/ui/frmoptions.h"
#include "options/ui/optionsexecute.h"
#include "ribbon/imageinfo.h"
#include "ribbon/ui/glpanel.h"
#include "ribbon/ui/ribbonview.h"
#include "viewer/ui/frmviewer.h"
#include "viewer/ui/frmzoom.h"

namespace glimr {

TOptionsParts::TOptionsParts(TAppContext& context, TfrmVesk& window, TParts parts)
    : context_(context),
      window_(window),
      parts_(std::move(parts)),
      dialog_(std::make_unique<TfrmOptions>(&window)) {
  context_.Captions.Register(TCaptionTarget::Options, [this] { dialog_->ApplyCaptions(); });
  dialog_->SetQualityRange(QualityRange(parts_.MaxTextureSize, context_.Settings.ThumbTextureSize));
  QAction* options = window_.Actions().Get("aOptions");
  QAction* clear = window_.Actions().Get("aClearCash");
  QObject::connect(options, &QAction::triggered, dialog_.get(), [this] { Options(); });
  QObject::connect(clear, &QAction::triggered, dialog_.get(), [this] { ClearCash(); });
  QObject::connect(dialog_.get(), &TfrmOptions::ClearCashRequested, dialog_.get(),
                   [this] { ClearCash(); });
  options->setEnabled(true);
  // Without a cache (no plug-in) there is nothing to clear.
  clear->setEnabled(parts_.Cash && parts_.Loader);
}

TOptionsParts::~TOptionsParts() {
  context_.Captions.Unregister(TCaptionTarget::Options);
}

TClearCashHooks TOptionsParts::ClearCashHooks() {
  TClearCashHooks h;
  if (TRibbonView* ribbon = parts_.Ribbon) {
    h.DetachSlots = [ribbon] {
      for (auto& slot : ribbon->Ribbon().Slots) {
        if (slot) {
          slot->AttachCacheEntry(nullptr);
        }
      }
    };
    h.PrepareScene = [ribbon] { ribbon->PrepareScene(); };
  }
  if (parts_.Loader) {
    h.EmptyCash = EmptyCashThrough(*parts_.Loader);
  }
  return h;
}

TOptionsHooks TOptionsParts::Hooks() {
  TOptionsHooks h;
  // The ribbon takes all its settings at once; it remakes the caption glyphs
  // only when the font differs and coalesces the redraws.
  const auto ribbonSettings = [this](const TSettings&) {
    if (parts_.ApplyRibbonSettings) {
      parts_.ApplyRibbonSettings();
    }
  };
  h.RebuildCaptionFont = ribbonSettings;
  h.SetRenderProc = ribbonSettings;
  h.SetColors = ribbonSettings;
  h.SetTextureFilter = [ribbonSettings, this](int) { ribbonSettings(context_.Settings); };
  if (TCash* cash = parts_.Cash) {
    h.ResizeCash = [cash](int oldSize, int newSize) { glimr::ResizeCash(*cash, oldSize, newSize); };
  }
  h.ClearCash = ClearCashHooks();
  if (TRibbonView* ribbon = parts_.Ribbon) {
    h.PrepareScene = [ribbon] { ribbon->PrepareScene(); };
    h.Redraw = [ribbon] { ribbon->Panel().update(); };
  }
  if (TfrmZoom* zoom = parts_.Zoom) {
    h.HideZoom = [zoom] {
      if (zoom->isVisible()) {
        zoom->done(0);
      }
    };
  }
  if (TfrmViewer* viewer = parts_.Viewer) {
    h.SetSlideshowInterval = [viewer](int seconds) { viewer->SetSlideshowInterval(seconds * 1000); };
  }
  h.ApplyLanguage = [this] { context_.Captions.ApplyLanguage(); };
  h.ShowMessage = [](const QString& text) { ShowError(text); };
  return h;
}

void TOptionsParts::Options() {
  try {
    OptionsExecute(*dialog_, context_.Settings, Hooks());
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("aOptions: "), ErrorText(e));
  }
}

void TOptionsParts::ClearCash() {
  try {
    ClearCashExecute(ClearCashHooks(), context_.Settings.ThumbTextureSize);
  } catch (const std::exception& e) {
    ShowError(QStringLiteral("aClearCash: "), ErrorText(e));
  }
}

}  // namespace glimr
