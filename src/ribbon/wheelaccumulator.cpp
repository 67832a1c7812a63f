#include "ribbon/wheelaccumulator.h"

#include <climits>

namespace glimr {

void TWheelAccumulator::Add(int delta) {
  if ((delta > 0 && pending_ < 0) || (delta < 0 && pending_ > 0)) {
    pending_ = 0;
  }
  // A flood of events in one direction must not overflow; far more than any
  // list is long is enough.
  constexpr int kLimit = INT_MAX / 2;
  if (delta > 0) {
    pending_ = delta > kLimit - pending_ ? kLimit : pending_ + delta;
  } else if (delta < 0) {
    pending_ = delta < -kLimit - pending_ ? -kLimit : pending_ + delta;
  }
}

int TWheelAccumulator::TakeNotches() {
  const int notches = pending_ / kNotch;  // toward zero: the rest keeps its sign
  pending_ -= notches * kNotch;
  return notches;
}

}  // namespace glimr
