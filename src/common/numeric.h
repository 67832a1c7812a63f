#pragma once
// Rounding as the program uses it everywhere: to the nearest integer, halves
// to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).

#include <cmath>
#include <cstdint>

namespace glimr {

inline std::int64_t RoundHalfEven(double v) {
  double r = std::round(v);  // halves away from zero
  if (std::fabs(v - std::trunc(v)) == 0.5) {
    r = 2.0 * std::round(v / 2.0);
  }
  return static_cast<std::int64_t>(r);
}

}  // namespace glimr
