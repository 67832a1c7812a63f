#pragma once
// For tests that start the whole program on a folder of their own: the
// folder tree's path of a folder, the settings that open it at start, the
// program's options under a test folder, a row's rating in the catalog and
// a file's row in the shown list.

#include <QDir>
#include <QString>

#include <mutex>

#include "app/glimrapplication.h"
#include "browse/shownlist.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "common/regstore.h"
#include "common/settings.h"

namespace glimr::test {

// "Computer\File System\tmp\x" for /tmp/x, as the folder tree names it.
inline QString TreePath(const QString& folder) {
  return QStringLiteral("Computer\\File System\\") +
         QDir::cleanPath(folder).mid(1).replace('/', '\\');
}

// The program under root (its data, settings and log there) starts on
// folder.
inline TGlimrApplication::Options ProgramStartingOn(const QString& root, const QString& folder) {
  RegStore store(root + "/config/Quillfen/Glimr.reg");
  store.WriteDword(kMainKey, QStringLiteral("SaveCrrSelection"), 1);
  store.WriteString(kMainKey, QStringLiteral("CrrSelection"), TreePath(folder));
  store.Save();
  return TGlimrApplication::Options::UnderFolder(root, QStringLiteral(GLIMR_BINARY_DIR "/bin"));
}

// The rating stored for a file name in the catalog of the program under
// root, -1 when it has no row.
inline int CatalogRating(const QString& root, const QString& fileName) {
  std::mutex lock;
  TdmVesk dm(root + "/home/DataBase/", lock);
  std::lock_guard guard(dm.DbLock());
  TStatement st(dm.CurrentSession(),
                QStringLiteral("SELECT RATING FROM FILES WHERE FILENAME = :FileName;"));
  st.BindText(":FileName", fileName);
  return st.Step() ? st.Row().Int(0) : -1;
}

// The shown list's row of a file name, -1 when it is not shown.
inline int RowOf(TGlimrApplication& app, const QString& fileName) {
  const TFileList& current = app.Shown().Current();
  for (int i = 0; i < current.Count(); ++i) {
    if (current.At(i)->FileName == fileName) {
      return i;
    }
  }
  return -1;
}

}  // namespace glimr::test
