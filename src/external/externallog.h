#pragma once
// Logging category of the external programs (the list file, launching, the
// desktop's application entries).

#include <QLoggingCategory>

namespace glimr {
Q_DECLARE_LOGGING_CATEGORY(lcExternal)
}  // namespace glimr
