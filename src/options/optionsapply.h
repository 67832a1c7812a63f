#pragma once
// Applying an OK of the options dialog and emptying the thumbnail cache,
// over hooks: the main window hands in what the ribbon, the cache, the
// loader and the windows do, so none of this knows them and a test can
// record every call.

#include <QString>

#include <cstdint>
#include <functional>

#include "common/settings.h"
#include "options/optionschanges.h"

namespace glimr {

class TCash;
class TLoaderControl;

// Emptying the cache while the ribbon shows some of its entries. Every hook
// may be empty (skipped).
struct TClearCashHooks {
  // Every ribbon slot lets go of its cache entry (AttachCacheEntry with none).
  std::function<void()> DetachSlots;
  // Empties the cache under the four locks with the loader stopped, then
  // starts the loader again making thumbnails of thumbSize (a loader that
  // was not running stays stopped). TLoaderControl::ClearCash does this.
  std::function<void(std::int32_t thumbSize)> EmptyCash;
  // Rebuilds the nine slots (they pin their entries anew and queue what is
  // missing).
  std::function<void()> PrepareScene;
};

// The main window's aClearCash: slots detached, cache emptied, slots
// rebuilt, in this order.
void ClearCashExecute(const TClearCashHooks& hooks, std::int32_t thumbSize);

// EmptyCash through the loader control (which takes the four locks itself).
std::function<void(std::int32_t)> EmptyCashThrough(TLoaderControl& loader);

// A new cache size. Raising it only sets the capacity. Lowering it first
// releases entries no slot shows, walking from the first entry, until
// oldSize - newSize are gone or the entries run out; entries in use stay
// (the cache shrinks to its capacity as the ribbon lets them go). Returns
// how many entries were released.
int ResizeCash(TCash& cash, int oldSize, int newSize);

struct TOptionsHooks {
  // The ribbon's caption glyphs are made again from settings.CapFontName
  // and the bold and italic bytes of settings.CapFontStyle.
  std::function<void(const TSettings&)> RebuildCaptionFont;
  // The frame variant follows the two antialiasing flags.
  std::function<void(const TSettings&)> SetRenderProc;
  // The ribbon draws with the caption colour, the halo colour and the
  // ShowCaptionsText and ShowHalo flags of settings.
  std::function<void(const TSettings&)> SetColors;
  // GL_LINEAR or GL_NEAREST for the thumbnail textures.
  std::function<void(int textureFilter)> SetTextureFilter;
  // The seconds between a slideshow's pictures (1..3600); a running
  // slideshow takes them from its next picture on.
  std::function<void(int seconds)> SetSlideshowInterval;
  // The cache's capacity changes (ResizeCash on the real cache).
  std::function<void(int oldSize, int newSize)> ResizeCash;
  // Emptying the cache for a new thumbnail quality.
  TClearCashHooks ClearCash;
  // Rebuilds the slots (after a texture filter change).
  std::function<void()> PrepareScene;
  // One frame drawn with the new values.
  std::function<void()> Redraw;
  // Before the windows are re-labelled.
  std::function<void()> HideZoom;
  // Every window's ApplyCaptions and the main window's title.
  std::function<void()> ApplyLanguage;
  // A message for the user (a language file that cannot be used).
  std::function<void(const QString&)> ShowMessage;
};

// What ApplyOptions did besides storing values.
struct TOptionsOutcome {
  bool LanguageSwitched = false;
  bool LanguageRefused = false;  // the chosen file could not be used; no switch
};

// Stores the dialog's values (chosen) into settings and runs the steps
// changes asks for, in the order: caption colour, caption font, frame
// variant, colours and flags, slideshow interval, cache size, smoothing,
// quality, slots and one redraw, language. An OK without changes only redraws. A language file
// that cannot be read leaves LanguageFile and the loaded language as they
// were and says so through ShowMessage.
TOptionsOutcome ApplyOptions(const TOptionsChanges& changes, const TSettings& chosen,
                             TSettings& settings, const TOptionsHooks& hooks);

}  // namespace glimr
