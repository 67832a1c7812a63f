#pragma once
// The settings the ribbon draws with (read at start, changed by the options).

#include <QColor>
#include <QString>

namespace glimr {

struct TRibbonSettings {
  bool AntialiasingThumbEnabled = false;
  bool AntialiasingTextEnabled = false;
  bool ShowHalo = true;
  bool ShowCaptionsText = true;
  QColor Halo{255, 255, 255};
  QColor Cap{255, 255, 255};
  QString CapFontName = QStringLiteral("Arial");
  bool CapFontBold = false;
  bool CapFontItalic = false;
  bool TextureFilterLinear = true;  // GL_LINEAR, else GL_NEAREST
};

}  // namespace glimr
