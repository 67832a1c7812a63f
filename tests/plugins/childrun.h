#pragma once
// Runs one decoder call in a forked child process with a watchdog, so a
// test can tell a hang or crash from a result and measure the memory the
// and processor time the call alone takes.

#include <QImage>
#include <QSize>

#include <functional>

namespace childrun {

// Sanitizer builds reserve shadow memory and keep freed blocks in
// quarantine, so resident-memory figures mean nothing there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

// What a call made in a child process came to.
struct TChildResult {
  bool Finished = false;  // false: still running when the watchdog fired, or crashed
  bool GotBitmap = false;
  QSize Size;
  qint64 PeakGrowthMb = 0;  // growth of the peak resident set during the call
  double CpuSeconds = 0;    // processor time (user and system) the call took
};

// Runs call in a forked child; the child is killed when it runs longer than
// watchdogSeconds, which is a hang, not a slow call.
TChildResult RunInChild(const std::function<QImage()>& call, int watchdogSeconds);

}  // namespace childrun
