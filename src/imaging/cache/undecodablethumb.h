#pragma once
// The picture the cache keeps for a file that no plug-in can decode: a grey
// square tile with a torn picture on it, so the ribbon shows "cannot be
// read" instead of waiting for a thumbnail that never comes.

#include <QImage>

#include <cstdint>

namespace glimr {

// A square tile of thumbSize rounded up to a power of two (at least 4), in
// the thumbnails' red, green, blue byte order (QImage::Format_RGB888).
QImage MakeUndecodableThumb(std::int32_t thumbSize);

}  // namespace glimr
