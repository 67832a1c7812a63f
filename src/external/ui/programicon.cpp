#include "external/ui/programicon.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QStyle>

#include "external/desktopapps.h"
#include "external/externallaunch.h"

namespace glimr {

QIcon ProgramIcon(const QString& programPath, const TDesktopApps& apps) {
  const std::optional<QString> program = ResolveProgram(programPath);
  if (program) {
    if (const TDesktopApp* app = apps.FindByProgram(*program)) {
      const QIcon icon = DesktopIcon(app->IconName);
      if (!icon.isNull()) {
        return icon;
      }
    }
  }
  const QIcon generic = QIcon::fromTheme(QStringLiteral("application-x-executable"));
  if (!generic.isNull()) {
    return generic;
  }
  if (program) {
    return QFileIconProvider().icon(QFileInfo(*program));
  }
  return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

}  // namespace glimr
