#pragma once
// The icon shown for an external program: the icon of the desktop entry that
// names the program file, else the desktop's icon for an executable file.

#include <QIcon>
#include <QString>

namespace glimr {

class TDesktopApps;

QIcon ProgramIcon(const QString& programPath, const TDesktopApps& apps);

}  // namespace glimr
