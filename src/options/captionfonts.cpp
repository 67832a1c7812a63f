#include "options/captionfonts.h"

#include <QFontDatabase>

#include <algorithm>

namespace glimr {

QStringList CaptionFontFaces() {
  QStringList faces;
  const QStringList families = QFontDatabase::families(QFontDatabase::Cyrillic);
  for (const QString& family : families) {
    // Bitmap faces would come out blocky as glyph outlines in the ribbon.
    if (QFontDatabase::isScalable(family) && !QFontDatabase::isPrivateFamily(family)) {
      faces << family;
    }
  }
  std::sort(faces.begin(), faces.end(), [](const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
  });
  faces.removeDuplicates();
  return faces;
}

QFont CaptionFont(const QFont& base, const QString& face,
                  const std::array<std::uint8_t, 4>& style) {
  QFont font = base;
  if (!face.isEmpty()) {
    font.setFamilies({face});
  }
  font.setBold(style[0] != 0);
  font.setItalic(style[1] != 0);
  font.setUnderline(style[2] != 0);
  font.setStrikeOut(style[3] != 0);
  return font;
}

}  // namespace glimr
