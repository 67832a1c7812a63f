#pragma once
// The loading preview's animation: five dots that light up one after the
// other and dim again, driven by one phase counter per dot.

#include <QImage>

#include <array>

namespace glimr {

using TDotCounters = std::array<int, 5>;

// Counters at the start: the dots light up 4, 4, 4 and 2 ticks apart.
constexpr TDotCounters kDotCountersAtStart{20, 24, 28, 32, 34};

// One 20 ms tick: every counter drops by one and wraps to 20 at zero.
void TickDots(TDotCounters& counters);

// Brightness of a dot with counter c: full at 20, dimming to 0.145 at 1, and
// 0.1 outside 1..20.
double DotIntensity(int counter);

// The preview's picture: a black bitmap of the background's size with each
// dot blended over the background at its intensity, dot i at (10 + 30 i, 10).
QImage PaintDots(const QImage& background, const QImage& dot, const TDotCounters& counters);

}  // namespace glimr
