#pragma once
// The ribbon's built-in pictures, drawn with QPainter at start-up: ten frames
// of a turning gear (shown while a thumbnail is being made), a folder and a
// parent-folder picture. 128 x 128, red-green-blue bytes, rows top-down.

#include <QImage>

#include <array>

namespace glimr {

class TRibbonArt {
 public:
  TRibbonArt();

  static constexpr int kSide = 128;
  std::array<QImage, 10> Gears;
  QImage Folder;
  QImage Parent;
};

}  // namespace glimr
