#pragma once
// Names a colour in words for those who cannot see it (the caption colour
// palette's cells): one of a few basic colour words, with "dark" or "light"
// where the lightness tells two colours of one word apart.

#include <QColor>
#include <QString>

namespace glimr {

// The colour word in the language in force, e.g. "Red", "Dark Blue",
// "Light Grey".
QString ColorName(const QColor& color);

}  // namespace glimr
