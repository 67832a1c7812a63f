#pragma once
// What an OK in the options dialog changes: the comparison of the settings
// before and after, so that only the steps whose values moved are run, and
// the small value rules of the dialog's controls.

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>

#include "common/settings.h"

namespace glimr {

// The range the cache size control allows.
inline constexpr int kMinCashSize = 9;
inline constexpr int kMaxCashSize = 2000;

// Which apply steps an OK must run. Plain values (caption colour, halo,
// captions shown, remembered selection) are cheap; the cache, quality and
// language steps are the costly ones and run only when flagged.
struct TOptionsChanges {
  bool CaptionColor = false;       // CapRValue, CapGValue, CapBValue
  bool CaptionFont = false;        // CapFontName or CapFontStyle: caption glyphs rebuilt
  bool RenderProc = false;         // either antialiasing flag: another frame variant
  bool Appearance = false;         // ShowCaptionsText, ShowHalo, the halo colour
  bool SaveSelection = false;      // SaveCrrSelection
  bool CashSize = false;           // the cache's capacity (and releases when lowered)
  bool SlideshowInterval = false;  // a running slideshow takes the new pace
  bool Smoothing = false;          // SmoothThumb: texture filter, slots rebuilt
  bool Quality = false;            // ThumbQuality: the cache emptied, slots rebuilt
  bool Language = false;           // LanguageFile: another language loaded and applied

  bool Any() const;
  bool operator==(const TOptionsChanges&) const = default;
};

// Compares the values the dialog edits; every other field is ignored. Names
// and file names compare exactly (a face or a file differing only in case is
// another one on this system).
TOptionsChanges CompareOptions(const TSettings& before, const TSettings& after);

// The cache size kept within the control's range.
int ClampCashSize(int size);

// A stored value the control cannot show (a cache size outside 9..2000, a
// quality above what the graphics allow) is shown clamped; when the user
// leaves the control as it was filled, OK keeps the stored value, so an OK
// without changes runs no step.
int ChosenValue(int stored, int shownWhenFilled, int shownNow);

// The track bar of the thumbnail quality: its maximum is the largest index
// (counting down from 5) whose ThumbSizes entry the graphics can hold; its
// position the smallest index whose size is not below the texture size in
// use (the maximum when none is).
struct TQualityRange {
  int Maximum = 5;
  int Position = 0;
  bool operator==(const TQualityRange&) const = default;
};
TQualityRange QualityRange(int maxTextureSize, int thumbTextureSize);

// Palette cells hold their colour as six upper-case hexadecimal digits in
// red, green, blue order ("FFD700").
QString PaletteText(const QColor& color);
// An invalid colour for text that is not six hexadecimal digits.
QColor PaletteColor(const QString& text);
// The palette's cells at creation, left to right, top to bottom (6 by 3).
const std::array<const char*, 18>& DefaultPaletteCells();

// The style bits of the caption font (bold 1, italic 2, underline 4,
// strike-out 8) and the four style bytes of CapFontStyle.
int StyleBits(const std::array<std::uint8_t, 4>& style);
std::array<std::uint8_t, 4> StyleBytes(int bits);

}  // namespace glimr
