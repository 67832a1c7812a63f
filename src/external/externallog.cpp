#include "external/externallog.h"

namespace glimr {
Q_LOGGING_CATEGORY(lcExternal, "glimr.external")
}  // namespace glimr
