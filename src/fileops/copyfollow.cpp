#include "fileops/copyfollow.h"

#include <QFile>
#include <QStringList>

#include <sys/stat.h>

#include <memory>
#include <optional>
#include <utility>

#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/writehealth.h"
#include "common/datetime.h"
#include "fileops/clipboardlist.h"

namespace glimr {

namespace {

QString FolderOf(const QString& path) {
  return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

}  // namespace

TCopyFollower::TCopyFollower(TShownList& shown, TCatalogQueries& queries, TClipboardList& clipboard,
                             TFileActionHooks hooks)
    : shown_(shown), queries_(queries), clipboard_(clipboard), hooks_(std::move(hooks)) {}

void TCopyFollower::NoteRowError(const QString& message) {
  if (rowError_.isEmpty()) {
    rowError_ = message;
  }
}

void TCopyFollower::ForgetReplaced(const QString& path) {
  // The record, the kept edits and the thumbnail described the content
  // that was overwritten. The kept copy goes first, so that the removal
  // does not write it.
  shown_.PendingWrites().Take(path);
  shown_.Remove({path}, false);
  if (hooks_.FileReplaced) {
    hooks_.FileReplaced(path);
  }
}

void TCopyFollower::FileDone(const TCopyEntry& entry, const TCopyResult& result) {
  if (result.Placing) {
    MakeTwin(entry, result);
    return;
  }
  std::optional<TTwin> twin;
  if (const auto it = twins_.constFind(result.Source); it != twins_.cend()) {
    twin = *it;
    twins_.erase(it);
  }
  if (result.Outcome == TCopyOutcome::Moved) {
    CarryRow(entry, result, twin ? &*twin : nullptr);
    return;
  }
  if (twin) {
    if (result.Outcome != TCopyOutcome::Copied) {
      // The file did not come: neither does its row.
      DropTwin(*twin);
    } else if (result.Overwrote) {
      // A move that could not remove its source: both files are there, and
      // the new one keeps the row made for it.
      ForgetReplaced(result.Destination);
    }
    return;
  }
  if (result.Outcome != TCopyOutcome::Copied || !result.Overwrote) {
    return;
  }
  ForgetReplaced(result.Destination);
  const QString folder = FolderOf(result.Destination);
  try {
    queries_.DeleteFileRecordOf(queries_.CatalogIDOfPath(folder),
                                result.Destination.mid(folder.size()));
  } catch (const TCatalogWriteError& e) {
    // The old row stays until the catalog takes writes: its caption may
    // show for the new content, but nothing of the user's is lost.
    NoteRowError(e.message());
  }
}

void TCopyFollower::MakeTwin(const TCopyEntry& entry, const TCopyResult& result) {
  const QString& source = result.Source;
  const QString sourceFolder = FolderOf(source);
  const QString folder = FolderOf(result.Destination);
  const QString name = result.Destination.mid(folder.size());
  TTwin twin;
  try {
    twin.CatalogID = queries_.CatalogIDOfPath(folder);
    TImageFileInfo* r = shown_.Loaded().Find(source);
    const TImageFileInfo* kept = shown_.PendingWrites().Find(source);
    // Unsaved edits reach the row first, so that its copy carries them.
    if (r && r->Modified && r->ID != 0) {
      queries_.UpdateFileRecord(*r);
      r->Modified = false;
    } else if (!r && kept && kept->ID != 0) {
      queries_.UpdateFileRecord(*kept);
    }
    twin.SourceID = r ? r->ID : kept ? kept->ID : 0;
    if (twin.SourceID == 0 && !r && !kept) {
      TImageFileInfo probe;
      probe.FileName = source.mid(sourceFolder.size());
      probe.Path = sourceFolder;
      probe.CatalogID =
          entry.CatalogID != 0 ? entry.CatalogID : queries_.CatalogIDOfPath(sourceFolder);
      if (queries_.ReadFileRecord(probe)) {
        twin.SourceID = probe.ID;
      }
    }
    TImageFileInfo displaced;
    displaced.FileName = name;
    displaced.Path = folder;
    displaced.CatalogID = twin.CatalogID;
    if (queries_.ReadFileRecord(displaced) && displaced.ID != twin.SourceID) {
      twin.Displaced = displaced;
    }
    twin.ID = queries_.CopyFileRecordTo(twin.SourceID, twin.CatalogID, name);
  } catch (const TCatalogWriteError& e) {
    // No twin: the row follows the file once it is in place, as far as the
    // catalog takes writes by then.
    NoteRowError(e.message());
    return;
  }
  twins_.insert(source, twin);
}

void TCopyFollower::DropTwin(const TTwin& twin) {
  try {
    if (twin.ID != 0) {
      queries_.DeleteFileRecord(twin.ID);
    }
    if (twin.Displaced) {
      queries_.InsertFileRecord(*twin.Displaced);
    }
  } catch (const TCatalogWriteError& e) {
    NoteRowError(e.message());
  }
}

void TCopyFollower::CarryRow(const TCopyEntry& entry, const TCopyResult& result,
                             const TTwin* twin) {
  const QString& source = result.Source;
  const QString& destination = result.Destination;
  const QString sourceFolder = FolderOf(source);
  const QString folder = FolderOf(destination);
  const QString name = destination.mid(folder.size());

  if (result.Overwrote) {
    ForgetReplaced(destination);
  }
  clipboard_.Remove(source);
  if (hooks_.FileGone) {
    hooks_.FileGone(source);
  }

  TImageFileInfo* r = shown_.Loaded().Find(source);
  std::optional<TImageFileInfo> kept = shown_.PendingWrites().Take(source);
  // The row to carry: the loaded record's, the kept copy's, or the one the
  // catalog holds for the source.
  std::optional<TImageFileInfo> probe;
  std::int32_t id = r ? r->ID : kept ? kept->ID : 0;
  std::int32_t catalogID = 0;
  if (twin && twin->ID != 0) {
    // The row went ahead of the file: the record takes the new row's ID,
    // and the old row goes now (should that fail, it is left like the row
    // of any file that vanished).
    catalogID = twin->CatalogID;
    if (r) {
      r->ID = twin->ID;
      r->Modified = false;
    }
    if (kept) {
      kept->ID = twin->ID;
    }
    try {
      if (twin->SourceID != 0) {
        queries_.DeleteFileRecord(twin->SourceID);
      }
    } catch (const TCatalogWriteError& e) {
      NoteRowError(e.message());
    }
  } else {
    try {
      catalogID = queries_.CatalogIDOfPath(folder);
      if (id == 0 && !r && !kept) {
        probe.emplace();
        probe->FileName = source.mid(sourceFolder.size());
        probe->Path = sourceFolder;
        probe->CatalogID =
            entry.CatalogID != 0 ? entry.CatalogID : queries_.CatalogIDOfPath(sourceFolder);
        if (queries_.ReadFileRecord(*probe)) {
          id = probe->ID;
        } else {
          probe.reset();
        }
      }
      if (r && r->Modified && r->ID != 0) {
        // The unsaved edits travel with the row.
        queries_.UpdateFileRecord(*r);
      }
      if (id != 0) {
        queries_.MoveFileRecord(id, catalogID, name);
      } else {
        queries_.DeleteFileRecordOf(catalogID, name);
      }
      if (r) {
        r->Modified = false;
      }
    } catch (const TCatalogWriteError& e) {
      NoteRowError(e.message());
      // The row is written at its new place by a later write-back: a record
      // with an ID writes its name and folder by that ID.
      if (r) {
        r->Modified = r->ID != 0 || r->Modified;
      } else if (probe && catalogID != 0) {
        probe->Modified = true;
        kept = std::move(probe);
      }
    }
  }

  const auto moveTo = [&](TImageFileInfo& x) {
    x.Path = folder;
    x.FileName = name;
    if (catalogID != 0) {
      x.CatalogID = catalogID;
    }
    x.TypeName = GetExtension(name).toUpper();
    if (hooks_.ExtensionIndex) {
      x.ExtIndex = hooks_.ExtensionIndex(destination);
    }
  };
  if (kept) {
    moveTo(*kept);
    shown_.PendingWrites().Put(*kept);
  }
  if (r) {
    moveTo(*r);
    shown_.Rename(source, destination);
    if (r->Modified) {
      shown_.PendingWrites().Put(*r);
    }
  }
}

bool TCopyFollower::RunEnded(const std::vector<TCopyResult>& results) {
  if (shown_.Source() != TListSource::Catalog || shown_.Folder().isEmpty()) {
    return false;
  }
  const QString shown = shown_.Folder();
  std::int32_t shownCatalog = -1;
  QStringList left;
  std::vector<TNewEntry> landed;
  for (const TCopyResult& result : results) {
    if (result.Outcome != TCopyOutcome::Moved && result.Outcome != TCopyOutcome::Copied) {
      continue;
    }
    const QString folder = FolderOf(result.Destination);
    if (folder != shown) {
      // A file moved out of the shown folder leaves its list.
      if (result.Outcome == TCopyOutcome::Moved && shown_.Loaded().Find(result.Destination)) {
        left.append(result.Destination);
      }
      continue;
    }
    struct stat st;
    if (shown_.Loaded().IndexOf(result.Destination) >= 0 ||
        ::stat(QFile::encodeName(result.Destination).constData(), &st) != 0 ||
        !S_ISREG(st.st_mode)) {
      continue;
    }
    auto r = std::make_unique<TImageFileInfo>();
    r->SlotWidth = 2.0;
    r->Path = folder;
    r->FileName = result.Destination.mid(folder.size());
    r->ExtIndex = hooks_.ExtensionIndex ? hooks_.ExtensionIndex(result.Destination) : -1;
    r->TypeName = GetExtension(r->FileName).toUpper();
    r->FileDate = StatModDays(st);
    r->FileSize = static_cast<std::int64_t>(st.st_size);
    try {
      if (shownCatalog < 0) {
        shownCatalog = queries_.CatalogIDOfPath(folder);
      }
      r->CatalogID = shownCatalog;
      // A moved file brought its row; a copy gets one of its own.
      if (!queries_.ReadFileRecord(*r)) {
        r->ID = queries_.InsertFileRecord(*r);
      }
    } catch (const TCatalogWriteError& e) {
      NoteRowError(e.message());
      if (shownCatalog < 0) {
        continue;  // no catalog for the folder: its next load lists the file
      }
      r->ID = 0;
      shown_.PendingWrites().Put(*r);
    }
    landed.push_back(TNewEntry{result.Destination, std::move(r)});
  }
  const bool changed = !left.isEmpty() || !landed.empty();
  if (!left.isEmpty()) {
    // Their rows and kept edits went along with the files already.
    shown_.Remove(left, false);
  }
  shown_.Insert(std::move(landed));
  return changed;
}

}  // namespace glimr
