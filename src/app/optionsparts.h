#pragma once
// The options dialog and the main window's aOptions and aClearCash: the
// dialog made once at start-up, and the hooks that let an OK reach the
// ribbon, the thumbnail cache, the loader and every window's texts.

#include <functional>
#include <memory>

#include "options/optionsapply.h"

class QWidget;

namespace glimr {

struct TAppContext;
class TCash;
class TfrmOptions;
class TfrmVesk;
class TfrmViewer;
class TfrmZoom;
class TLoaderControl;
class TRibbonView;

class TOptionsParts {
 public:
  // What the options reach; any pointer may be null (no plug-ins: no cache,
  // loader or zoom window), and then its steps are skipped.
  struct TParts {
    TRibbonView* Ribbon = nullptr;
    TCash* Cash = nullptr;
    TLoaderControl* Loader = nullptr;
    TfrmZoom* Zoom = nullptr;
    TfrmViewer* Viewer = nullptr;
    // Turns the ribbon's settings out of the program's settings.
    std::function<void()> ApplyRibbonSettings;
    int MaxTextureSize = 2048;
  };

  // The dialog belongs to the main window; its captions are registered with
  // the context, and aOptions and aClearCash are connected and enabled.
  TOptionsParts(TAppContext& context, TfrmVesk& window, TParts parts);
  ~TOptionsParts();
  TOptionsParts(const TOptionsParts&) = delete;
  TOptionsParts& operator=(const TOptionsParts&) = delete;

  TfrmOptions& Dialog() const { return *dialog_; }

  // The hooks an OK runs (public so a test can drive an OK without the
  // modal dialog).
  TOptionsHooks Hooks();
  TClearCashHooks ClearCashHooks();

 private:
  void Options();
  void ClearCash();

  TAppContext& context_;
  TfrmVesk& window_;
  TParts parts_;
  std::unique_ptr<TfrmOptions> dialog_;
};

}  // namespace glimr
