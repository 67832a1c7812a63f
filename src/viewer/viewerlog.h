#pragma once
// Logging category of the image viewer (loading preview and zoom window).

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcViewer)
