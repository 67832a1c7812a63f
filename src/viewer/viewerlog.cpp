#include "viewer/viewerlog.h"

Q_LOGGING_CATEGORY(lcViewer, "glimr.viewer")
