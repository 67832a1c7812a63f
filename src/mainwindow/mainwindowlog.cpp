#include "mainwindow/mainwindowlog.h"

namespace glimr {
Q_LOGGING_CATEGORY(lcMainWindow, "glimr.mainwindow")
}  // namespace glimr
