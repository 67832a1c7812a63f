#include "fileops/ui/destinationhistory.h"

#include <QDir>

namespace glimr {

THistoryListing ListHistory(const QStringList& history,
                            const std::function<bool(const QString&)>& isFolder) {
  THistoryListing listing;
  for (qsizetype i = 0; i < history.size(); ++i) {
    if (isFolder(history[i])) {
      listing.Shown.append(history[i]);
      listing.Index.push_back(i);
    }
  }
  return listing;
}

bool AddToHistory(QStringList& history, const QString& folder) {
  const QString wanted = QDir::cleanPath(folder);
  for (const QString& entry : history) {
    if (QDir::cleanPath(entry) == wanted) {
      return false;
    }
  }
  history.append(folder);
  return true;
}

TOverwritePolicy PolicyOfOption(int option) {
  switch (option) {
    case 1:
      return TOverwritePolicy::Overwrite;
    case 2:
      return TOverwritePolicy::Skip;
    case 3:
      return TOverwritePolicy::AutoRename;
    default:
      return TOverwritePolicy::Ask;
  }
}

QString DestinationFolderOf(const QString& text) {
  QString folder = QDir::cleanPath(text);
  if (!folder.endsWith(QLatin1Char('/'))) {
    folder += QLatin1Char('/');
  }
  return folder;
}

}  // namespace glimr
