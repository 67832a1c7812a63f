#pragma once
// Logging category of the image pipeline (plug-ins, decoding, thumbnails).

#include <QLoggingCategory>

namespace glimr {
Q_DECLARE_LOGGING_CATEGORY(lcImaging)
}  // namespace glimr
