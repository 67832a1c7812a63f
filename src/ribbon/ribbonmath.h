#pragma once
// The ribbon's geometry and timing as pure functions: viewport letterboxing,
// slot layout, turn and dimming, quad extents and lift, the corner gradient,
// the eased glide path, index stepping, slot shifting and zoom steps. The GL
// layer and the ribbon state call them; tests drive them without a window.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace glimr {

// The viewport keeps height / width = 0.525; 1.90476 is the literal the
// projection scales y by (deliberately not 1 / 0.525).
inline constexpr double kViewRatio = 0.525;
inline constexpr double kViewRatioInverse = 1.90476;
inline constexpr int kSlotCount = 9;
inline constexpr int kCentreSlot = 4;
inline constexpr int kPathLength = 50;
inline constexpr double kDefaultSlotWidth = 2.0;

struct TViewport {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TViewport&) const = default;
};

// Letterboxed drawing area for a client area of w x h pixels.
TViewport ViewportFor(int w, int h);

// Turn about the Y axis in degrees of a slot at distance d from the view
// position: up to 45 degrees, positive on the left side, negative on the right.
double TurnAngle(double d, bool leftSide);

// Colour factor of a slot at distance d (1 at the centre, 0.3 at d = 8).
double DepthDim(double d);

struct THalfExtents {
  double Hw = 0;
  double Hh = 0;
};

// The quad fits a 2 x 2 square scaled by size.
THalfExtents HalfExtents(double aspect, double size);

// Height by which a quad turned by angleZ in its plane is lifted so that its
// lowest point stays near the floor line: hh at 0, r at 45, hw at 90 degrees.
double Lift(THalfExtents e, double angleZ);

// Corner colour weight t of the top colour (1 - t of the bottom colour) for
// the corner constant k (225, 135, 45, 315 in quad order).
double GradientFactor(double angleZ, double k, double angleX);
inline constexpr std::array<double, 4> kCornerK = {225, 135, 45, 315};

// Size factor of a picture of w x h pixels.
double ThumbSizeFactor(int w, int h);

// Fade factor applied to colours of a slot in BusyFadeOut (7 - counter) / 6,
// FadeIn (counter - 1) / 6, else 1. state uses the TSlotState numbering.
double FadeFactor(int state, int counter);

// z offset of the selection frame: behind the quad when it shows its back.
double FrameZOffset(double angleX, double angleY);

// The glide path: 50 view positions easing out from view to 2 x target.
std::array<double, kPathLength> EasedPath(double viewPosition, int targetIndex);

// Ribbon width of entry i (distance to entry i - 1).
using TWidthOf = std::function<double(int)>;

struct TIndexStep {
  int Index = 0;        // may be negative when stepping back past entry 0
  double Position = 0;  // ribbon coordinate of Index
};

// The entry whose coordinate was passed last while moving from the current
// entry (at position) to viewPosition. No clamping.
TIndexStep NewCurrentIndex(int current, double position, double viewPosition, int count,
                           const TWidthOf& width);

// Where one slot of the ribbon lies for a frame.
struct TSlotPlace {
  bool LaidOut = false;
  bool LeftSide = true;  // slots 0..4
  double X = 0;          // ribbon coordinate
  double D = 0;          // distance from the view position
  double Angle = 0;      // turn about Y
  double Dim = 1;        // depth dimming factor
};

std::array<TSlotPlace, kSlotCount> LayoutSlots(int current, double position, double viewPosition,
                                               int count, const TWidthOf& width);

// Placement of a slot from a stored coordinate (the halo pass).
TSlotPlace PlaceFromPosition(int slot, double x, double viewPosition);

// Halo drawing order, farthest first; the centre pair by distance.
std::array<int, kSlotCount> HaloOrder(double x4, double x5, double viewPosition);

// Entry shown by slot k around current entry c of a list of n, or -1.
int SlotEntry(int current, int count, int slot);

// Slot shifting after the current index moved by delta.
struct TShiftPlan {
  bool RebuildAll = false;
  std::array<int, kSlotCount> From{};  // new slot k takes old slot From[k]
  std::vector<int> Exposed;            // slots recreated and refilled
};
TShiftPlan ShiftPlan(int delta);

// Hovered slot number (1..9 or -1) after a shift by delta.
int ShiftHovered(int hovered, int delta);

// Zoom animation.
struct TZoom {
  double Zoom = 1.0;
  double Step = 0.0;
  int StepsLeft = 10;  // 10 = no zoom animation
  bool operator==(const TZoom&) const = default;
};
inline constexpr double kZoomMin = 0.4;
inline constexpr double kZoomMax = 2.0;
// One poll step; returns false when no zoom animation ran.
bool ZoomTick(TZoom& z);
// Ctrl + wheel: starts a zoom of 0.2 per notch over 10 poll steps unless one runs.
bool ZoomWheel(TZoom& z, int wheelDelta);

// Row to focus after a plain wheel turn, or -1 when the ribbon stays.
int WheelRow(int target, int count, int wheelDelta);

// Rotation step per poll tick for the rotate commands; mirrored pictures turn
// the other way so that the picture turns the same way on screen.
double RotateStep(bool right, bool flipAboutX, bool flipAboutY);

// The shrink curve of removed-entry gaps: entry k = ((19 - k) / 19)^2.
const std::array<double, 20>& RibbonEaseTable();

// Normalises an angle after an animation ends (one wrap).
double WrapAngle(double a);

}  // namespace glimr
