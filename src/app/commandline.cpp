#include "app/commandline.h"

#include <QDir>
#include <QUrl>

namespace glimr {

namespace {

QString FolderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

}  // namespace

TCommandLine ParseCommandLine(const QStringList& args, const QString& currentDir) {
  TCommandLine line;
  bool options = true;
  for (const QString& arg : args) {
    if (options && arg == QLatin1String("--")) {
      options = false;
    } else if (options && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
      line.Help = true;
    } else if (options && arg == QLatin1String("--version")) {
      line.Version = true;
    } else if (options && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
      if (line.Error.isEmpty()) {
        line.Error = QStringLiteral("unknown option: %1").arg(arg);
      }
    } else if (!arg.isEmpty()) {
      // file:// addresses come from desktops that pass %U.
      QString path = arg.startsWith(QLatin1String("file://")) ? QUrl(arg).toLocalFile() : arg;
      line.Paths << QDir::cleanPath(QDir(currentDir).absoluteFilePath(path));
    }
  }
  return line;
}

TOpenRequest ResolveOpenRequest(const QStringList& paths,
                                const std::function<bool(const QString&)>& isFolder) {
  TOpenRequest request;
  if (paths.isEmpty()) {
    return request;
  }
  const QString& first = paths.first();
  request.Folder = isFolder(first) ? first : FolderOf(first);
  for (const QString& path : paths) {
    if (!isFolder(path) && FolderOf(path) == request.Folder && !request.Files.contains(path)) {
      request.Files << path;
    }
  }
  return request;
}

QString CommandLineHelp() {
  return QStringLiteral(
      "Usage: glimr [FILE... | FOLDER]\n"
      "An image viewer and organizer.\n"
      "\n"
      "  FOLDER      show the images of FOLDER\n"
      "  FILE...     show the folder of the first FILE with the FILEs selected\n"
      "  --help      show this text and exit\n"
      "  --version   show the version and exit\n"
      "\n"
      "GLIMR_HOME names the folder of the catalog and the program list\n"
      "(default ~/.local/share/glimr).\n");
}

QString CommandLineVersion() {
  return QStringLiteral("Glimr " GLIMR_VERSION_STRING "\n");
}

}  // namespace glimr
