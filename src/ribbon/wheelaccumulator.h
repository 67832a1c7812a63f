#pragma once
// TWheelAccumulator: gathers wheel deltas (touchpads and high-resolution
// wheels send parts of the classic 120 per notch) and hands out whole
// notches, keeping the rest for the next turn in the same direction.

namespace glimr {

class TWheelAccumulator {
 public:
  static constexpr int kNotch = 120;

  // Adds one event's delta; a turn the other way drops what was gathered.
  void Add(int delta);
  // The whole notches gathered so far (negative for a turn down); they are
  // taken out, the remainder stays.
  int TakeNotches();
  int Pending() const { return pending_; }
  void Reset() { pending_ = 0; }

 private:
  int pending_ = 0;
};

}  // namespace glimr
