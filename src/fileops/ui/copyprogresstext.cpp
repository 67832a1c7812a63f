#include "fileops/ui/copyprogresstext.h"

#include <algorithm>
#include <cmath>

#include "catalog/imagefileinfo.h"
#include "common/language.h"

namespace glimr {

QString DurationText(double seconds) {
  // Also false for NaN.
  if (!(seconds > 0)) {
    seconds = 0;
  }
  // Beyond a century the figure means nothing; keep the integer sane.
  constexpr double kMax = 100.0 * 365 * 24 * 3600;
  const auto total = static_cast<long long>(std::llround(std::min(seconds, kMax)));
  const long long h = total / 3600;
  const long long m = total / 60 % 60;
  const long long s = total % 60;
  return QStringLiteral("%1:%2:%3")
      .arg(h)
      .arg(m, 2, 10, QLatin1Char('0'))
      .arg(s, 2, 10, QLatin1Char('0'));
}

TCopyProgressTexts CopyProgressTexts(const TCopyProgress& progress) {
  const TCopyCounters& c = progress.Counters;
  TCopyProgressTexts t;
  const qsizetype slash = progress.CurrentFile.lastIndexOf(QLatin1Char('/'));
  t.FileName = progress.CurrentFile.mid(slash + 1);
  t.FromFolder = slash >= 0 ? progress.CurrentFile.left(slash + 1) : QString();
  t.FileSize = FileSizeToText(c.FileSize);
  t.FileCopied = FileSizeToText(c.FileCopied);
  t.TotalCopied = FileSizeToText(c.FinishedBytes + c.FileCopied);
  t.TotalSize = FileSizeToText(c.TotalBytes);
  const double speed = std::isfinite(progress.BytesPerSecond) && progress.BytesPerSecond > 0
                           ? progress.BytesPerSecond
                           : 0.0;
  t.Speed =
      FileSizeToText(std::llround(speed)) + QLatin1Char('/') + LangText(TLangSection::Strings, 16);
  t.TimePassed = DurationText(progress.ElapsedSeconds);
  t.TimeLeft = progress.SecondsLeft < 0 || !std::isfinite(progress.SecondsLeft)
                   ? QStringLiteral("--")
                   : DurationText(progress.SecondsLeft);
  t.FilePercent = progress.FilePercent;
  t.TotalPercent = progress.TotalPercent;
  return t;
}

TCopyFailure SplitCopyFailure(const std::vector<TCopyResult>& results, const QString& error) {
  const QString separator = QStringLiteral(": ");
  for (const TCopyResult& r : results) {
    if (r.Error != error) {
      continue;
    }
    for (const QString& path : {r.Source, r.Destination}) {
      if (!path.isEmpty() && error.startsWith(path + separator)) {
        return {path, error.mid(path.size() + separator.size())};
      }
    }
    return {r.Source, error};
  }
  // Not an entry's failure: the text names its own file.
  const qsizetype at = error.lastIndexOf(separator);
  if (at > 0) {
    return {error.left(at), error.mid(at + separator.size())};
  }
  return {QString(), error};
}

}  // namespace glimr
