#pragma once
// The lists every browsing tool reads: LoadedFiles (everything the last
// folder, category or search load produced, owning its records) and
// CurrentFiles (the entries that pass the filter, same records, same order),
// with what filled them.

#include <QString>

#include <optional>

#include "browse/filelist.h"
#include "browse/pendingwrites.h"

namespace glimr {

enum class TListSource : int { Category = 0, Catalog = 1, Search = 2 };

struct TCurrentLists {
  TFileList LoadedFiles{true};
  TFileList CurrentFiles{false};
  TListSource ListSource = TListSource::Catalog;
  QString CurrentFolder;  // the loaded folder with its trailing "/", empty at start
  // Edits and rows the catalog refused, kept until it takes them.
  TPendingWrites PendingWrites;
};

// The main window's title for the list's source: the folder path for a
// catalog, the category path ("Travel\2005") when a category node is
// selected (nullopt when none is).
QString TitleText(TListSource source, const QString& folderPath,
                  const std::optional<QString>& categoryPath);

}  // namespace glimr
