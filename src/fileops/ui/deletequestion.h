#pragma once
// The question asked before a file that no Trash can take is deleted for
// good: Yes, Yes to All, No or No to All, No by default.

#include <QString>

#include "fileops/fileactions.h"

class QWidget;

namespace glimr {

TPermanentDelete AskDeletePermanently(QWidget* parent, const QString& path);

}  // namespace glimr
