#include "imaging/imaginglog.h"

namespace glimr {
Q_LOGGING_CATEGORY(lcImaging, "glimr.imaging")
}  // namespace glimr
