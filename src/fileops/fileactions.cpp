#include "fileops/fileactions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QStandardPaths>
#include <QStringList>

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <optional>
#include <utility>

#include "browse/shownlist.h"
#include "catalog/catalogqueries.h"
#include "catalog/writehealth.h"
#include "fileops/clipboardlist.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcFileActions, "glimr.fileops")

namespace {

QString SystemMessage(int error) {
  return QString::fromLocal8Bit(strerror(error));
}

QString FolderOf(const QString& path) {
  return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// Qt gives up on a trash only when its last choice, the home trash, cannot
// be made, and then "trashes" into the current folder. Making sure the home
// trash exists first keeps that from happening: without one the file is
// treated as one no trash takes.
bool HomeTrashReady() {
  const QString top = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (top.isEmpty()) {
    return false;
  }
  const QString trash = top + QStringLiteral("/Trash");
  if (QFileInfo(trash).isDir()) {
    return true;
  }
  if (!QDir().mkpath(top)) {
    return false;
  }
  QDir().mkdir(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return QFileInfo(trash).isDir();
}

bool MoveToTrash(const QString& path) {
  if (!HomeTrashReady()) {
    return false;
  }
  QString where;
  if (!QFile::moveToTrash(path, &where)) {
    return false;
  }
  if (!QFileInfo(where).isAbsolute()) {
    qCWarning(lcFileActions) << "trash gave a relative place for" << path << ":" << where;
  }
  return true;
}

// rename() without replacing an existing file, which Linux would do silently.
int RenameNoReplace(const QByteArray& from, const QByteArray& to) {
  if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS) {
    return errno;
  }
  // A file system without the flag: a hard link cannot replace either.
  if (::link(from.constData(), to.constData()) == 0) {
    if (::unlink(from.constData()) == 0) {
      return 0;
    }
    const int error = errno;
    ::unlink(to.constData());
    return error;
  }
  if (errno != EPERM && errno != EOPNOTSUPP) {
    return errno;
  }
  // No hard links either (FAT): the name was checked free just before.
  struct stat st;
  if (::lstat(to.constData(), &st) == 0) {
    return EEXIST;
  }
  return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

}  // namespace

namespace {

// The disk and catalog part of a delete: every selected image's file goes
// (to the trash when one takes it); a file that is gone loses its row, its
// clipboard entry and its pending write, and its key joins gone. The
// entries stay in the list.
std::vector<TDeleteResult> DeleteFilesOfSelected(TShownList& shown, TCatalogQueries& queries,
                                                 TClipboardList& clipboard,
                                                 const TFileActionHooks& hooks, QStringList& gone) {
  std::vector<TDeleteResult> results;
  std::optional<bool> permanentForAll;
  const TFileList& current = shown.Current();
  for (int i = 0; i < current.Count(); ++i) {
    TImageFileInfo* r = current.At(i);
    if (!r || !r->Selected || r->IsFolder) {
      continue;
    }
    TDeleteResult result;
    result.Path = current.Key(i);
    const QByteArray native = QFile::encodeName(result.Path);
    const QByteArray folder = QFile::encodeName(FolderOf(result.Path));
    struct stat st;
    if (::lstat(native.constData(), &st) != 0) {
      const int error = errno;
      struct stat dirSt;
      // A missing folder may be a disk not mounted now: its files and rows stay.
      if (error == ENOENT && ::stat(folder.constData(), &dirSt) == 0 && S_ISDIR(dirSt.st_mode)) {
        result.Outcome = TDeleteOutcome::AlreadyGone;
      } else {
        result.Outcome = TDeleteOutcome::Failed;
        result.Reason = SystemMessage(error);
      }
    } else if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0) {
      // Neither the trash nor a permanent delete can take it out of this folder.
      result.Outcome = TDeleteOutcome::Failed;
      result.Reason = SystemMessage(errno);
    } else if (MoveToTrash(result.Path)) {
      result.Outcome = TDeleteOutcome::Trashed;
    } else {
      bool remove = false;
      if (permanentForAll) {
        remove = *permanentForAll;
      } else if (hooks.AskDeletePermanently) {
        switch (hooks.AskDeletePermanently(result.Path)) {
          case TPermanentDelete::DeleteAll:
            permanentForAll = true;
            [[fallthrough]];
          case TPermanentDelete::Delete:
            remove = true;
            break;
          case TPermanentDelete::KeepAll:
            permanentForAll = false;
            break;
          case TPermanentDelete::Keep:
            break;
        }
      }
      if (!remove) {
        result.Outcome = TDeleteOutcome::Declined;
      } else if (::unlink(native.constData()) == 0) {
        result.Outcome = TDeleteOutcome::DeletedPermanently;
      } else {
        result.Outcome = TDeleteOutcome::Failed;
        result.Reason = SystemMessage(errno);
      }
    }

    if (result.Outcome == TDeleteOutcome::Trashed ||
        result.Outcome == TDeleteOutcome::DeletedPermanently ||
        result.Outcome == TDeleteOutcome::AlreadyGone) {
      r->Modified = false;
      clipboard.Remove(result.Path);
      if (hooks.FileGone) {
        hooks.FileGone(result.Path);
      }
      if (r->ID != 0) {
        try {
          queries.DeleteFileRecord(r->ID);
        } catch (const TCatalogWriteError& e) {
          // The row names a file that no longer exists; a later visit of the
          // folder finds no file for it. The user's delete stands.
          result.RowError = e.message();
        }
      }
      gone.append(result.Path);
    }
    results.push_back(std::move(result));
  }

  // Edits of a deleted file waiting for the catalog would bring its row back.
  for (const QString& path : std::as_const(gone)) {
    shown.PendingWrites().Take(path);
  }
  return results;
}

}  // namespace

std::vector<TDeleteResult> DeleteSelectedFiles(TShownList& shown, TCatalogQueries& queries,
                                               TClipboardList& clipboard,
                                               const TFileActionHooks& hooks) {
  QStringList gone;
  std::vector<TDeleteResult> results =
      DeleteFilesOfSelected(shown, queries, clipboard, hooks, gone);
  if (!gone.isEmpty()) {
    shown.Remove(gone, false);
  }
  return results;
}

std::vector<TDeleteResult> DeleteSelectedFilesMarkingGone(TShownList& shown,
                                                          TCatalogQueries& queries,
                                                          TClipboardList& clipboard,
                                                          const TFileActionHooks& hooks) {
  QStringList goneKeys;
  std::vector<TDeleteResult> results =
      DeleteFilesOfSelected(shown, queries, clipboard, hooks, goneKeys);
  const QSet<QString> gone(goneKeys.cbegin(), goneKeys.cend());
  const TFileList& current = shown.Current();
  for (int i = 0; i < current.Count(); ++i) {
    current.At(i)->Selected = gone.contains(current.Key(i));
  }
  return results;
}

QString FocusAfterRemoval(const TFileList& currentFiles, int focusedRow) {
  if (focusedRow < 0 || focusedRow >= currentFiles.Count()) {
    return {};
  }
  const auto stays = [&currentFiles](int i) {
    const TImageFileInfo* r = currentFiles.At(i);
    return r && (!r->Selected || r->IsFolder);
  };
  for (int i = focusedRow; i < currentFiles.Count(); ++i) {
    if (stays(i)) {
      return currentFiles.Key(i);
    }
  }
  for (int i = focusedRow - 1; i >= 0; --i) {
    if (stays(i)) {
      return currentFiles.Key(i);
    }
  }
  return {};
}

TNameProblem CheckNewName(const QString& folder, const QString& oldName, const QString& newName) {
  if (newName.isEmpty()) {
    return TNameProblem::Empty;
  }
  if (newName.contains(QLatin1Char('/'))) {
    return TNameProblem::HasSlash;
  }
  if (newName.contains(QChar(0))) {
    return TNameProblem::HasNul;
  }
  if (newName == QLatin1String(".") || newName == QLatin1String("..")) {
    return TNameProblem::DotName;
  }
  if (newName == oldName) {
    return TNameProblem::None;
  }
  struct stat target;
  if (::lstat(QFile::encodeName(folder + newName).constData(), &target) == 0) {
    // On a file system that ignores case, "a.jpg" to "A.jpg" finds the file
    // itself: that is a rename of the file, not a clash with another.
    struct stat self;
    if (::lstat(QFile::encodeName(folder + oldName).constData(), &self) == 0 &&
        self.st_dev == target.st_dev && self.st_ino == target.st_ino &&
        oldName.compare(newName, Qt::CaseInsensitive) == 0) {
      return TNameProblem::None;
    }
    return TNameProblem::Exists;
  }
  return TNameProblem::None;
}

TRenameResult RenameImage(TShownList& shown, TCatalogQueries& queries, TClipboardList& clipboard,
                          const QString& oldPath, const QString& newName,
                          const TFileActionHooks& hooks) {
  TRenameResult result;
  TImageFileInfo* r = shown.Loaded().Find(oldPath);
  if (!r || r->IsFolder) {
    result.Error = SystemMessage(ENOENT);
    return result;
  }
  const QString folder = FolderOf(oldPath);
  const QString oldName = oldPath.mid(folder.size());
  if (newName == oldName) {
    return result;  // nothing to do
  }
  result.Problem = CheckNewName(folder, oldName, newName);
  if (result.Problem != TNameProblem::None) {
    return result;
  }
  const QString newPath = folder + newName;
  if (const int error = RenameNoReplace(QFile::encodeName(oldPath), QFile::encodeName(newPath))) {
    result.Problem = error == EEXIST ? TNameProblem::Exists : TNameProblem::None;
    result.Error = SystemMessage(error);
    return result;
  }
  result.Renamed = true;

  clipboard.Rename(oldPath, newPath);
  // The type goes with the name; the list then gives the entry its new key
  // and name in place and tells its views.
  r->TypeName = GetExtension(newName).toUpper();
  if (hooks.ExtensionIndex) {
    r->ExtIndex = hooks.ExtensionIndex(newPath);
  }
  shown.Rename(oldPath, newPath);
  // A copy waiting for the catalog under the old name would write that name
  // back over the row later.
  if (auto copy = shown.PendingWrites().Take(oldPath)) {
    copy->FileName = newName;
    copy->TypeName = r->TypeName;
    shown.PendingWrites().Put(*copy);
  }
  if (r->ID != 0) {
    try {
      // A row under the new name belongs to a file that no longer exists
      // (the name was free on disk); it would block this row's new name.
      TImageFileInfo stale;
      stale.FileName = newName;
      stale.CatalogID = r->CatalogID;
      if (queries.ReadFileRecord(stale) && stale.ID != r->ID) {
        queries.DeleteFileRecord(stale.ID);
      }
      queries.UpdateFileRecord(*r);
      r->Modified = false;
    } catch (const TCatalogWriteError& e) {
      // The record keeps the new name and is written back later.
      r->Modified = true;
      result.RowError = e.message();
    }
  }
  if (hooks.FileRenamed) {
    hooks.FileRenamed(oldPath, newPath);
  }
  return result;
}

int PasteIntoCategory(const TClipboardList& clipboard, std::int32_t categoryID, TShownList& shown,
                      TCatalogQueries& queries, const TFileActionHooks& hooks) {
  std::vector<TNewEntry> added;
  for (int i = 0; i < clipboard.Count(); ++i) {
    const QString& path = clipboard.Path(i);
    if (shown.Loaded().IndexOf(path) >= 0 || !QFileInfo(path).isFile()) {
      continue;
    }
    auto r = std::make_unique<TImageFileInfo>();
    r->SlotWidth = 2.0;
    r->Path = FolderOf(path);
    r->FileName = path.mid(r->Path.size());
    r->CatalogID = clipboard.Item(i).CatalogID;
    r->ExtIndex = hooks.ExtensionIndex ? hooks.ExtensionIndex(path) : -1;
    try {
      if (r->CatalogID == 0) {
        r->CatalogID = queries.CatalogIDOfPath(r->Path);
      }
      if (queries.ReadFileRecord(*r)) {
        queries.SetFileCategory(r->FileName, r->CatalogID, categoryID);
        r->CategoryID = categoryID;
      } else {
        // A file the catalog has not met yet gets its row with the category.
        r->TypeName = GetExtension(r->FileName).toUpper();
        r->FileSize = FileSizeOf(path);
        r->CategoryID = categoryID;
        r->ID = queries.InsertFileRecord(*r);
      }
    } catch (const TCatalogWriteError&) {
      // The category waits in the record and is written back with it.
      r->CategoryID = categoryID;
      r->Modified = true;
      if (r->ID == 0 || r->CatalogID == 0) {
        continue;  // no row and no catalog to write it to: nothing to show
      }
    }
    added.push_back(TNewEntry{path, std::move(r)});
  }
  const int count = static_cast<int>(added.size());
  shown.Insert(std::move(added));
  return count;
}

}  // namespace glimr
