#pragma once
// The slideshow's timing on a monotonic clock that tests can replace: when
// the next slide is due, with pause and resume, and the interval setting's
// range. The viewer arms a single-shot timer with MsUntilDue().

#include <QtGlobal>

#include <functional>

namespace glimr {

inline constexpr int kDefaultSlideshowIntervalMs = 4000;
inline constexpr int kMinSlideshowIntervalMs = 1000;
inline constexpr int kMaxSlideshowIntervalMs = 3600 * 1000;

// The interval setting brought into its range (1 s to 1 h), for values read
// from the settings or typed into the options.
int ClampSlideshowInterval(int ms);

class TSlideshowClock {
 public:
  // Milliseconds of a monotonic clock; only differences count.
  using TNow = std::function<qint64()>;
  // The process's steady clock.
  static TNow SteadyClock();

  explicit TSlideshowClock(TNow now = SteadyClock());

  // Clamped as ClampSlideshowInterval. A running slide keeps the time it
  // has been shown, so a shorter interval may make it due at once.
  void SetInterval(int ms);
  int Interval() const { return interval_; }

  // The slide shown now counts from now.
  void Start();
  void Stop();
  // Pausing keeps the time left for the shown slide; resuming gives it back.
  void Pause();
  void Resume();
  bool IsRunning() const { return state_ == TState::Running; }
  bool IsPaused() const { return state_ == TState::Paused; }
  // Running or paused: the slideshow has not been stopped.
  bool IsActive() const { return state_ != TState::Stopped; }

  // The next slide was shown: the one after it is due one interval from
  // now, however late this one came, so a slow decode or a late timer tick
  // neither shortens the next slide nor leaves slides owed. While paused,
  // the new slide gets a whole interval once resumed.
  void SlideShown();

  // Running and the next slide's time has come.
  bool Due() const;
  // Clock time at which the next slide is due; -1 when not running.
  qint64 NextDue() const;
  // Milliseconds until the next slide is due (0 when it is due); -1 when
  // not running.
  qint64 MsUntilDue() const;

 private:
  enum class TState { Stopped, Running, Paused };

  TNow now_;
  int interval_ = kDefaultSlideshowIntervalMs;
  TState state_ = TState::Stopped;
  // Running: the clock time the shown slide counts from (moved on by the
  // length of any pause). Paused: the time it had been shown when paused.
  qint64 shownAt_ = 0;
  qint64 shownFor_ = 0;
};

}  // namespace glimr
