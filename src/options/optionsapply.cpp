#include "options/optionsapply.h"

#include <algorithm>
#include <utility>

#include "common/language.h"
#include "imaging/cache/cash.h"
#include "imaging/cache/loadercontrol.h"
#include "options/languagelist.h"

namespace glimr {

namespace {

constexpr int kStrLanguageRefused = 140;

template <typename F, typename... A>
void Call(const F& hook, A&&... args) {
  if (hook) {
    hook(std::forward<A>(args)...);
  }
}

}  // namespace

void ClearCashExecute(const TClearCashHooks& hooks, std::int32_t thumbSize) {
  // The slots let go first: an entry a slot pins would otherwise outlive
  // the clear in the slot while the cache no longer knows it.
  Call(hooks.DetachSlots);
  Call(hooks.EmptyCash, thumbSize);
  Call(hooks.PrepareScene);
}

std::function<void(std::int32_t)> EmptyCashThrough(TLoaderControl& loader) {
  return [&loader](std::int32_t thumbSize) { loader.ClearCash(thumbSize); };
}

int ResizeCash(TCash& cash, int oldSize, int newSize) {
  int released = 0;
  if (newSize < oldSize) {
    const int wanted = oldSize - newSize;
    std::int32_t i = 0;
    while (released < wanted && i < cash.Count()) {
      // A released entry moves the next one to the same index.
      if (cash.RemoveIfUnused(i)) {
        ++released;
      } else {
        ++i;
      }
    }
  }
  cash.SetCapacity(newSize);
  return released;
}

TOptionsOutcome ApplyOptions(const TOptionsChanges& changes, const TSettings& chosen,
                             TSettings& settings, const TOptionsHooks& hooks) {
  TOptionsOutcome outcome;

  settings.CapRValue = chosen.CapRValue;
  settings.CapGValue = chosen.CapGValue;
  settings.CapBValue = chosen.CapBValue;
  settings.CapFontStyle = chosen.CapFontStyle;
  if (changes.CaptionFont) {
    settings.CapFontName = chosen.CapFontName;
    Call(hooks.RebuildCaptionFont, settings);
  }

  settings.AntialiasingThumbEnabled = chosen.AntialiasingThumbEnabled;
  settings.AntialiasingTextEnabled = chosen.AntialiasingTextEnabled;
  if (changes.RenderProc) {
    Call(hooks.SetRenderProc, settings);
  }

  settings.ShowCaptionsText = chosen.ShowCaptionsText;
  settings.ShowHalo = chosen.ShowHalo;
  settings.HaloRValue = chosen.HaloRValue;
  settings.HaloGValue = chosen.HaloGValue;
  settings.HaloBValue = chosen.HaloBValue;
  settings.SaveCrrSelection = chosen.SaveCrrSelection;
  if (changes.CaptionColor || changes.Appearance) {
    Call(hooks.SetColors, settings);
  }

  if (changes.SlideshowInterval) {
    settings.SlideshowInterval = chosen.SlideshowInterval;
    Call(hooks.SetSlideshowInterval, settings.SlideshowInterval);
  }

  if (changes.CashSize) {
    const int oldSize = settings.CashSize;
    settings.CashSize = chosen.CashSize;
    Call(hooks.ResizeCash, oldSize, settings.CashSize);
  }

  bool rebuild = false;
  if (changes.Smoothing) {
    settings.SmoothThumb = chosen.SmoothThumb;
    settings.TextureFilter = TextureFilterFor(settings.SmoothThumb);
    Call(hooks.SetTextureFilter, settings.TextureFilter);
    rebuild = true;
  }

  if (changes.Quality) {
    // The size is settled before the cache is emptied: the loader that
    // starts again must make thumbnails of the new size, not the old.
    const int last = static_cast<int>(ThumbSizes.size()) - 1;
    settings.ThumbQuality = std::clamp(chosen.ThumbQuality, 0, last);
    settings.ThumbTextureSize = ThumbSizes[settings.ThumbQuality];
    ClearCashExecute(hooks.ClearCash, settings.ThumbTextureSize);
    rebuild = false;  // the slots were rebuilt with the cache
  }

  if (rebuild) {
    Call(hooks.PrepareScene);
  }
  Call(hooks.Redraw);

  if (changes.Language && chosen.LanguageFile != settings.LanguageFile) {
    const QString path = LanguageFilePath(settings, chosen.LanguageFile);
    // The loader refuses a file it cannot use and keeps the language in
    // force; the description check catches a file emptied of its name.
    if (!chosen.LanguageFile.isEmpty() && (!LanguageFileUsable(path) || !LoadLanguageFile(path))) {
      outcome.LanguageRefused = true;
      Call(hooks.ShowMessage,
           LangText(TLangSection::Strings, kStrLanguageRefused,
                    QStringLiteral("The language file %1 cannot be read; the language stays "
                                   "as it was."))
               .arg(path));
    } else {
      settings.LanguageFile = chosen.LanguageFile;
      if (chosen.LanguageFile.isEmpty()) {
        LoadLanguageFile(QString());
      }
      Call(hooks.HideZoom);
      Call(hooks.ApplyLanguage);
      outcome.LanguageSwitched = true;
    }
  }
  return outcome;
}

}  // namespace glimr
