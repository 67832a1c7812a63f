#pragma once
// The faces the caption font may take: scalable faces that have Cyrillic
// glyphs, so captions in either alphabet draw with the chosen face.

#include <QFont>
#include <QStringList>

#include <array>
#include <cstdint>

namespace glimr {

// Sorted without regard to case; what the font list offers.
QStringList CaptionFontFaces();

// A font of face with the style of the four CapFontStyle bytes (bold,
// italic, underline, strike-out); an empty face keeps base's.
QFont CaptionFont(const QFont& base, const QString& face, const std::array<std::uint8_t, 4>& style);

}  // namespace glimr
