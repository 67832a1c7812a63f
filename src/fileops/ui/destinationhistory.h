#pragma once
// The rules of the destination history: which entries the dialog lists
// (folders that exist, each row mapped back to its place in the history),
// when a chosen folder joins it, and the overwrite options in their order.

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

#include "fileops/copyengine.h"

namespace glimr {

struct THistoryListing {
  QStringList Shown;             // the listed entries, in history order
  std::vector<qsizetype> Index;  // row -> position in the history
};

// Entries whose folder is missing stay in the history but are not listed.
THistoryListing ListHistory(const QStringList& history,
                            const std::function<bool(const QString&)>& isFolder);

// Adds folder at the end unless the history names that folder already.
// Paths compare as the file system does: case-sensitively, with "/a/b" and
// "/a/b/" the same folder. Returns whether it was added.
bool AddToHistory(QStringList& history, const QString& folder);

// The overwrite options in the order the dialog offers them: "Ask user",
// "Overwrite", "Skip", "Auto-rename".
TOverwritePolicy PolicyOfOption(int option);

// A typed destination as a folder path ending with "/": absolute, with
// "." and ".." resolved and doubled separators dropped.
QString DestinationFolderOf(const QString& text);

}  // namespace glimr
