#include "options/optionschanges.h"

#include <algorithm>

namespace glimr {

bool TOptionsChanges::Any() const {
  return *this != TOptionsChanges{};
}

TOptionsChanges CompareOptions(const TSettings& before, const TSettings& after) {
  TOptionsChanges c;
  c.CaptionColor = before.CapRValue != after.CapRValue || before.CapGValue != after.CapGValue ||
                   before.CapBValue != after.CapBValue;
  c.CaptionFont =
      before.CapFontName != after.CapFontName || before.CapFontStyle != after.CapFontStyle;
  c.RenderProc = before.AntialiasingThumbEnabled != after.AntialiasingThumbEnabled ||
                 before.AntialiasingTextEnabled != after.AntialiasingTextEnabled;
  c.Appearance = before.ShowCaptionsText != after.ShowCaptionsText ||
                 before.ShowHalo != after.ShowHalo || before.HaloRValue != after.HaloRValue ||
                 before.HaloGValue != after.HaloGValue || before.HaloBValue != after.HaloBValue;
  c.SaveSelection = before.SaveCrrSelection != after.SaveCrrSelection;
  c.CashSize = before.CashSize != after.CashSize;
  c.SlideshowInterval = before.SlideshowInterval != after.SlideshowInterval;
  c.Smoothing = before.SmoothThumb != after.SmoothThumb;
  c.Quality = before.ThumbQuality != after.ThumbQuality;
  c.Language = before.LanguageFile != after.LanguageFile;
  return c;
}

int ClampCashSize(int size) {
  return std::clamp(size, kMinCashSize, kMaxCashSize);
}

int ChosenValue(int stored, int shownWhenFilled, int shownNow) {
  return shownNow == shownWhenFilled ? stored : shownNow;
}

TQualityRange QualityRange(int maxTextureSize, int thumbTextureSize) {
  TQualityRange r;
  const int last = static_cast<int>(ThumbSizes.size()) - 1;
  r.Maximum = 0;
  for (int i = last; i >= 0; --i) {
    if (ThumbSizes[i] <= maxTextureSize) {
      r.Maximum = i;
      break;
    }
  }
  r.Position = r.Maximum;
  for (int i = 0; i <= last; ++i) {
    if (ThumbSizes[i] >= thumbTextureSize) {
      r.Position = std::min(i, r.Maximum);
      break;
    }
  }
  return r;
}

QString PaletteText(const QColor& color) {
  const int value = (color.red() << 16) | (color.green() << 8) | color.blue();
  return QStringLiteral("%1").arg(value, 6, 16, QLatin1Char('0')).toUpper();
}

QColor PaletteColor(const QString& text) {
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  if (text.size() != 6 || !ok) {
    return {};
  }
  return QColor((value >> 16) & 255, (value >> 8) & 255, value & 255);
}

const std::array<const char*, 18>& DefaultPaletteCells() {
  static const std::array<const char*, 18> cells = {
      "FFFFFF", "00FFFF", "FF00FF", "FFFF00", "FF0000", "C0C0C0", "FFC0CB", "FFD700", "808000",
      "008080", "800080", "CD853F", "4B0082", "B22222", "696969", "DC143C", "FFF8DC", "DEB887"};
  return cells;
}

int StyleBits(const std::array<std::uint8_t, 4>& style) {
  int bits = 0;
  for (int i = 0; i < 4; ++i) {
    if (style[i] != 0) {
      bits |= 1 << i;
    }
  }
  return bits;
}

std::array<std::uint8_t, 4> StyleBytes(int bits) {
  std::array<std::uint8_t, 4> style{};
  for (int i = 0; i < 4; ++i) {
    style[i] = (bits >> i) & 1 ? 1 : 0;
  }
  return style;
}

}  // namespace glimr
