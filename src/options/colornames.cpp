#include "options/colornames.h"

#include "common/language.h"

namespace glimr {

namespace {

// Captions keys of the colour words.
enum TColorWord {
  kBlack = 311,
  kWhite,
  kGrey,
  kRed,
  kOrange,
  kYellow,
  kGreen,
  kBlue,
  kPurple,
};
// Strings keys of the shades.
constexpr int kDarkShade = 145;
constexpr int kLightShade = 146;

enum class TShade { Plain, Dark, Light };

struct TNamed {
  int Word;
  TShade Shade;
};

TNamed Classify(const QColor& color) {
  const QColor hsl = color.toHsl();
  const double lightness = hsl.lightnessF();
  const double saturation = hsl.hslSaturationF();
  const int hue = hsl.hslHue();  // -1 for a grey
  if (hue < 0 || saturation < 0.15) {
    if (lightness < 0.12) {
      return {kBlack, TShade::Plain};
    }
    if (lightness > 0.93) {
      return {kWhite, TShade::Plain};
    }
    if (lightness < 0.3) {
      return {kGrey, TShade::Dark};
    }
    return {kGrey, lightness > 0.7 ? TShade::Light : TShade::Plain};
  }
  int word = kRed;
  if (hue >= 15 && hue < 45) {
    word = kOrange;
  } else if (hue >= 45 && hue < 70) {
    word = kYellow;
  } else if (hue >= 70 && hue < 170) {
    word = kGreen;
  } else if (hue >= 170 && hue < 260) {
    word = kBlue;
  } else if (hue >= 260 && hue < 335) {
    word = kPurple;
  }
  if (lightness < 0.3) {
    return {word, TShade::Dark};
  }
  // Cyans look much lighter than blues of the same lightness.
  const bool cyan = hue >= 170 && hue < 200 && lightness >= 0.45;
  if (lightness > 0.75 || cyan) {
    return {word, TShade::Light};
  }
  return {word, TShade::Plain};
}

}  // namespace

QString ColorName(const QColor& color) {
  const TNamed named = Classify(color);
  const QString word = LangText(TLangSection::Captions, named.Word);
  switch (named.Shade) {
    case TShade::Dark:
      return LangText(TLangSection::Strings, kDarkShade).arg(word);
    case TShade::Light:
      return LangText(TLangSection::Strings, kLightShade).arg(word);
    case TShade::Plain:
      break;
  }
  return word;
}

}  // namespace glimr
