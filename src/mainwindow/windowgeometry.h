#pragma once
// The main window's restored geometry as pure functions: the stored window
// rectangle fitted to a screen, and the panel sizes fitted to the window, so
// a damaged settings file can neither push the window off every screen nor
// ask for a window of gigabytes. No widgets: tests call them directly.

#include <QList>
#include <QMargins>
#include <QRect>
#include <QSize>

#include <cstdint>

#include "common/settings.h"

namespace glimr {

// What is stored and what is restored is the same rectangle: the client area
// without the window manager's frame, as QWidget::geometry() (or
// normalGeometry() for a maximized or minimized window) gives it, and it is
// put back with QWidget::setGeometry(), which places the client area too.
// Saving the client area and restoring it with move(), which places the
// frame, shifts the window by the frame's size at every start.
void StoreWindowGeometry(TProgState& state, const QRect& clientGeometry);

// The client rectangle to pass to setGeometry() for the stored Left, Top,
// Width and Height. availableAreas are the screens' available geometries
// (QScreen::availableGeometry()), primaryIndex the primary screen's place
// among them, frame the window manager's frame around the client area (zero
// margins when not known yet).
//
// The screen is the one whose available area holds the stored top-left
// corner, else the one the stored rectangle overlaps most, else the primary
// screen (the first one when primaryIndex is out of range). A width or height
// below 1 takes the designed size; the size is then cut to what fits on that
// screen with the frame, and the window is moved the least distance that puts
// it, frame included, wholly inside the available area. Without any screen
// the stored position is kept and the size is at most the designed one.
// Restoring a rectangle this function returned gives it back unchanged.
QRect RestoredWindowGeometry(const TProgState& state, const QList<QRect>& availableAreas,
                             int primaryIndex, const QMargins& frame = QMargins());

struct TPanelSizes {
  int UpHeight = 0;    // the upper area (side panels and ribbon)
  int LeftWidth = 0;   // the left side panel
  int RightWidth = 0;  // the right side panel

  bool operator==(const TPanelSizes&) const = default;
};

// The stored panel sizes fitted into the area the panels share (the window's
// client size): none negative, the upper area leaves minLowerHeight for the
// file list, and the two side panels together leave minCentreWidth for the
// ribbon; when they do not fit, the right panel gives way first. Computed in
// 64 bits, so no stored value can overflow a sum.
TPanelSizes ClampPanelSizes(std::int32_t upHeight, std::int32_t leftWidth, std::int32_t rightWidth,
                            const QSize& area, int minCentreWidth = 100, int minLowerHeight = 50);

}  // namespace glimr
