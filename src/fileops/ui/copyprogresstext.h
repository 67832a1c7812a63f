#pragma once
// The texts the progress window shows for one reading of a copy run's
// counters: sizes, speed, times and where the current file comes from.
// Pure functions, so the figures can be checked without a window.

#include <QString>

#include <vector>

#include "fileops/copyengine.h"

namespace glimr {

struct TCopyProgressTexts {
  QString FileName;     // name of the file in hand ("" before the first)
  QString FromFolder;   // its folder with a trailing "/"
  QString FileSize;     // "File Size:"
  QString FileCopied;   // "Copied Size:" of the file
  QString TotalCopied;  // "Copied Size:" of the run
  QString TotalSize;    // "All Size:"
  QString Speed;        // "1.5 Mb/s"
  QString TimePassed;   // "0:01:05"
  QString TimeLeft;     // "--" while unknown
  int FilePercent = 0;
  int TotalPercent = 0;
};

// Seconds as hours:minutes:seconds, rounded to the second; the hours go past
// 24 rather than wrapping. Negative or not-a-number counts as 0.
QString DurationText(double seconds);

TCopyProgressTexts CopyProgressTexts(const TCopyProgress& progress);

// Which file a failed run stopped at and why, split from the engine's
// "path: message" by the path of the failed entry's source or destination.
struct TCopyFailure {
  QString File;
  QString Reason;
};
TCopyFailure SplitCopyFailure(const std::vector<TCopyResult>& results, const QString& error);

}  // namespace glimr
