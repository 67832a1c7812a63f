#include "viewer/slideshowclock.h"

#include <algorithm>
#include <chrono>

namespace glimr {

int ClampSlideshowInterval(int ms) {
  return std::clamp(ms, kMinSlideshowIntervalMs, kMaxSlideshowIntervalMs);
}

TSlideshowClock::TNow TSlideshowClock::SteadyClock() {
  return [] {
    return static_cast<qint64>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
  };
}

TSlideshowClock::TSlideshowClock(TNow now) : now_(now ? std::move(now) : SteadyClock()) {}

void TSlideshowClock::SetInterval(int ms) {
  interval_ = ClampSlideshowInterval(ms);
}

void TSlideshowClock::Start() {
  state_ = TState::Running;
  shownAt_ = now_();
}

void TSlideshowClock::Stop() {
  state_ = TState::Stopped;
}

void TSlideshowClock::Pause() {
  if (state_ != TState::Running) {
    return;
  }
  shownFor_ = now_() - shownAt_;
  state_ = TState::Paused;
}

void TSlideshowClock::Resume() {
  if (state_ != TState::Paused) {
    return;
  }
  shownAt_ = now_() - shownFor_;
  state_ = TState::Running;
}

void TSlideshowClock::SlideShown() {
  if (state_ == TState::Running) {
    shownAt_ = now_();
  } else if (state_ == TState::Paused) {
    shownFor_ = 0;
  }
}

bool TSlideshowClock::Due() const {
  return state_ == TState::Running && now_() >= NextDue();
}

qint64 TSlideshowClock::NextDue() const {
  return state_ == TState::Running ? shownAt_ + interval_ : -1;
}

qint64 TSlideshowClock::MsUntilDue() const {
  if (state_ != TState::Running) {
    return -1;
  }
  return std::max<qint64>(NextDue() - now_(), 0);
}

}  // namespace glimr
