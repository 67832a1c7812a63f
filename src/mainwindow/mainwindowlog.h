// Logging category of the main window.
#pragma once

#include <QLoggingCategory>

namespace glimr {
Q_DECLARE_LOGGING_CATEGORY(lcMainWindow)
}  // namespace glimr
