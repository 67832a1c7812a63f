#pragma once
// The application-wide state shared for the whole run: the paths, the
// settings, the log lines, the locks and the windows' caption routines. The
// start-up code owns it beside the long-lived parts it builds.

#include <QString>
#include <QStringList>

#include <array>

#include "common/apppaths.h"
#include "common/captionregistry.h"
#include "common/locks.h"
#include "common/settings.h"

namespace glimr {

// Easing factors of the ribbon's scroll animation: entry k is
// ((19 - k) / 19) squared, from 1.0 down to 0.0.
using TEaseTable = std::array<double, 20>;
TEaseTable MakeEaseTable();

// Writes the log lines to path: one line per entry, CR LF between lines (none
// after the last), replacing the old file in one step. Without lines nothing
// is written (no file is created, an old one stays) and the call succeeds.
// Returns false with error filled when the file cannot be written; the old
// file is then kept.
bool WriteLogFile(const QStringList& lines, const QString& path, QString* error = nullptr);

// The log file, relative to the current folder.
inline const QString kLogFileName = QStringLiteral("glimr.log");

struct TAppContext {
  explicit TAppContext(TAppPaths paths) : Paths(std::move(paths)) {}
  TAppContext(const TAppContext&) = delete;
  TAppContext& operator=(const TAppContext&) = delete;

  TAppPaths Paths;
  TSettings Settings;
  QStringList LogLines;  // lines for "glimr.log", written at exit
  TLocks Locks;
  TCaptionRegistry Captions;
};

}  // namespace glimr
