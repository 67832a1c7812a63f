#include "catalog/catalogqueries.h"

#include <QLoggingCategory>

#include <algorithm>
#include <optional>

#include "catalog/catalogqueriesshared.h"
#include "catalog/dmvesk.h"
#include "catalog/statement.h"
#include "catalog/writehealth.h"
#include "catalog/writetransaction.h"
#include "common/numeric.h"

// The folders (CATALOGS) and the file records (FILES) with their stored
// thumbnails; categories and the search have files of their own.

namespace glimr {

Q_LOGGING_CATEGORY(lcCatalog, "glimr.catalog")

using namespace catalogqueries;

namespace {

const QChar kSep = QLatin1Char('/');

// Where the kFileColumns are in a statement's result, looked up by name once
// per statement rather than once per value read.
struct TFileColumnPos {
  int id, caption, fileName, typeName, categoryID, catalogID, rating, angle, vFliped, hFliped,
      width, height, fileDate, fileSize;

  explicit TFileColumnPos(const TStatementRow& row)
      : id(row.Index("ID")),
        caption(row.Index("CAPTION")),
        fileName(row.Index("FILENAME")),
        typeName(row.Index("TYPENAME")),
        categoryID(row.Index("CATEGORYID")),
        catalogID(row.Index("CATALOGID")),
        rating(row.Index("RATING")),
        angle(row.Index("ANGLE")),
        vFliped(row.Index("VFLIPED")),
        hFliped(row.Index("HFLIPED")),
        width(row.Index("WIDTH")),
        height(row.Index("HEIGHT")),
        fileDate(row.Index("FILEDATE")),
        fileSize(row.Index("FILESIZE")) {}
};

// Fills the database fields of a record from a row that holds kFileColumns.
void ReadFileRow(const TStatementRow& row, const TFileColumnPos& c, TImageFileInfo& r) {
  r.ID = row.Int(c.id);
  r.Caption = row.Text(c.caption);
  r.FileName = row.Text(c.fileName);
  r.TypeName = row.Text(c.typeName);
  r.CategoryID = row.Int(c.categoryID);
  r.CatalogID = row.Int(c.catalogID);
  r.Rating = static_cast<std::uint8_t>(std::clamp(row.Int(c.rating), 0, 5));
  r.Angle = row.Float(c.angle);
  r.VFliped = row.Bool(c.vFliped);
  r.HFliped = row.Bool(c.hFliped);
  r.Width = row.Int(c.width);
  r.Height = row.Int(c.height);
  r.FileDate = row.Float(c.fileDate);
  r.FileSize = RoundHalfEven(row.Float(c.fileSize));
}

void ReadFileRow(const TStatementRow& row, TImageFileInfo& r) {
  ReadFileRow(row, TFileColumnPos(row), r);
}

// Binds the record's fields to the parameters of an INSERT or UPDATE on FILES.
void BindFileParams(TStatement& st, const TImageFileInfo& r) {
  st.BindText(":Caption", r.Caption)
      .BindText(":FileName", r.FileName)
      .BindText(":TypeName", r.TypeName)
      .BindInt(":CategoryID", r.CategoryID)
      .BindInt(":CatalogID", r.CatalogID)
      .BindInt(":Rating", r.Rating)
      .BindFloat(":Angle", r.Angle)
      .BindBool(":VFliped", r.VFliped)
      .BindBool(":HFliped", r.HFliped)
      .BindInt(":Width", r.Width)
      .BindInt(":Height", r.Height)
      .BindFloat(":FileDate", r.FileDate)
      .BindFloat(":FileSize", static_cast<double>(r.FileSize));
}

}  // namespace

namespace catalogqueries {

std::vector<std::unique_ptr<TImageFileInfo>> ReadFileRows(TStatement& st) {
  std::vector<std::unique_ptr<TImageFileInfo>> records;
  std::optional<TFileColumnPos> columns;
  QString lastTypeName;
  while (st.Step()) {
    if (!columns) {
      columns.emplace(st.Row());
    }
    auto r = std::make_unique<TImageFileInfo>();
    ReadFileRow(st.Row(), *columns, *r);
    if (r->TypeName == lastTypeName) {
      r->TypeName = lastTypeName;
    } else {
      lastTypeName = r->TypeName;
    }
    records.push_back(std::move(r));
  }
  return records;
}

}  // namespace catalogqueries

std::int32_t TCatalogQueries::CatalogIDOfPath(const QString& folderPath, TSession* session) {
  bool wrote = false;
  try {
    std::int32_t id = 0;
    {
      TDbScope scope(dm_, session);
      id = FindOrAddCatalog(folderPath, wrote);
    }
    // Only a catalog made here counts as a write; a worker's caller reports
    // for itself (it may hold other locks the notify hook must not see).
    if (wrote && !session) {
      dm_.WriteHealth().Succeeded();
    }
    return id;
  } catch (const TCatalogWriteError& e) {
    if (!session) {
      dm_.WriteHealth().Failed(e.message());
    }
    throw;
  }
}

std::int32_t TCatalogQueries::FindOrAddCatalog(const QString& path) {
  bool wrote = false;
  return FindOrAddCatalog(path, wrote);
}

std::int32_t TCatalogQueries::FindOrAddCatalog(const QString& path, bool& wrote) {
  QString p = path;
  if (p.endsWith(kSep)) {
    p.chop(1);
  }
  std::int32_t parentID = 0;
  QString name = p;
  const qsizetype slash = p.lastIndexOf(kSep);
  if (slash >= 0) {
    parentID = FindOrAddCatalog(p.left(slash + 1), wrote);
    name = p.mid(slash + 1);
  }
  TSession& session = dm_.CurrentSession();
  auto find = [&]() -> std::optional<std::int32_t> {
    TStatement st(
        session,
        QStringLiteral("SELECT ID FROM CATALOGS WHERE PARENTID = :ParentID AND NAME = :Name;"));
    st.BindInt(":ParentID", parentID).BindText(":Name", name);
    return st.Step() ? std::optional(st.Row().Int("ID")) : std::nullopt;
  };
  if (const auto id = find()) {
    return *id;
  }
  {
    // Another process may have made the row since the look-up; the unique
    // key then keeps the one row and the look-up below finds it.
    TStatement st(session, QStringLiteral("INSERT OR IGNORE INTO CATALOGS(NAME, PARENTID) "
                                          "VALUES(:Name, :ParentID);"));
    st.BindText(":Name", name).BindInt(":ParentID", parentID);
    wrote = st.Exec() > 0 || wrote;
  }
  return find().value_or(0);
}

QString TCatalogQueries::CatalogPath(std::int32_t id) {
  TDbScope scope(dm_, nullptr);
  for (const auto& entry : pathCache_) {
    if (entry.second.ID == id) {
      return entry.first;
    }
  }
  std::vector<std::int32_t> seen;
  const QString path = CatalogPathStep(id, seen);
  // An unknown ID is not remembered: its row may still be made later.
  if (!path.isEmpty()) {
    pathCache_.emplace_back(path, TCatalogID{id});
  }
  return path;
}

QString TCatalogQueries::CatalogPathStep(std::int32_t id, std::vector<std::int32_t>& seen) {
  QString name;
  std::int32_t parentID = 0;
  {
    // The statement is given back before the walk goes up a level, which
    // uses it again.
    TStatement st(dm_.CurrentSession(),
                  QStringLiteral("SELECT NAME, PARENTID FROM CATALOGS WHERE ID = :ID;"));
    st.BindInt(":ID", id);
    if (!st.Step()) {
      return QString();
    }
    name = st.Row().Text("NAME");
    parentID = st.Row().Int("PARENTID");
  }
  seen.push_back(id);
  // A damaged table whose parents form a loop ends the walk where the loop
  // closes, as a missing parent row does, instead of recursing for ever.
  if (parentID != 0 && std::find(seen.begin(), seen.end(), parentID) == seen.end()) {
    return CatalogPathStep(parentID, seen) + name + kSep;
  }
  return name + kSep;
}

std::int32_t TCatalogQueries::FindChildCatalog(std::int32_t parentID, const QString& name) {
  TDbScope scope(dm_, nullptr);
  TStatement st(
      dm_.CurrentSession(),
      QStringLiteral("SELECT ID FROM CATALOGS WHERE PARENTID = :ParentID AND NAME = :Name;"));
  st.BindInt(":ParentID", parentID).BindText(":Name", name);
  return st.Step() ? st.Row().Int("ID") : 0;
}

std::int32_t TCatalogQueries::FindOrAddChildCatalog(std::int32_t parentID, const QString& name) {
  if (const std::int32_t id = FindChildCatalog(parentID, name)) {
    return id;
  }
  return Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    {
      // The unique key keeps one row when another process made it meanwhile.
      TStatement st(dm_.CurrentSession(), QStringLiteral("INSERT OR IGNORE INTO CATALOGS(NAME, "
                                                         "PARENTID) VALUES(:Name, :ParentID);"));
      st.BindText(":Name", name).BindInt(":ParentID", parentID);
      st.Exec();
    }
    TStatement st(
        dm_.CurrentSession(),
        QStringLiteral("SELECT ID FROM CATALOGS WHERE PARENTID = :ParentID AND NAME = :Name;"));
    st.BindInt(":ParentID", parentID).BindText(":Name", name);
    return st.Step() ? st.Row().Int("ID") : 0;
  });
}

std::int32_t TCatalogQueries::InsertFileRecord(const TImageFileInfo& record) {
  return Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    return InsertFileRecordLocked(record);
  });
}

std::int32_t TCatalogQueries::InsertFileRecordLocked(const TImageFileInfo& record) {
  TSession& session = dm_.CurrentSession();
  auto find = [&]() -> std::optional<std::int32_t> {
    TStatement st(session, QStringLiteral("SELECT ID FROM FILES WHERE FILENAME = :FileName AND "
                                          "CATALOGID = :CatalogID;"));
    st.BindText(":FileName", record.FileName).BindInt(":CatalogID", record.CatalogID);
    return st.Step() ? std::optional(st.Row().Int("ID")) : std::nullopt;
  };
  // A file is recorded once: another process (or an earlier, interrupted
  // load) may have stored it already, and its row is the file's row.
  if (const auto id = find()) {
    return *id;
  }
  {
    // The unique key ignores a row another process stored in between
    // instead of failing the whole batch the insert is part of.
    TStatement st(session,
                  QStringLiteral("INSERT OR IGNORE INTO FILES(CAPTION, FILENAME, TYPENAME, "
                                 "CATEGORYID, CATALOGID, RATING, ANGLE, VFLIPED, HFLIPED, WIDTH, "
                                 "HEIGHT, FILEDATE, FILESIZE, ISTHUMB)VALUES(:Caption, :FileName, "
                                 ":TypeName, :CategoryID, :CatalogID, :Rating, :Angle, :VFliped, "
                                 ":HFliped, :Width, :Height, :FileDate, :FileSize, False);"));
    BindFileParams(st, record);
    if (st.Exec() > 0) {
      return static_cast<std::int32_t>(session.LastInsertID());
    }
  }
  return find().value_or(0);
}

void TCatalogQueries::InsertFileRecords(const std::vector<TImageFileInfo*>& records) {
  if (records.empty()) {
    return;
  }
  Reported(dm_.WriteHealth(), [&] { InsertFileRecordsUnreported(records); });
}

void TCatalogQueries::InsertFileRecordsUnreported(const std::vector<TImageFileInfo*>& records) {
  // One transaction for all new rows: row by row, each commit is a write of
  // its own, which makes a first visit of a large folder several times
  // slower. DbLock is held throughout, so no worker can start a statement
  // and then wait on the engine's write lock while holding DbLock itself.
  TDbScope scope(dm_, nullptr);
  TWriteTransaction work(dm_);
  size_t done = 0;
  try {
    for (; done < records.size(); ++done) {
      records[done]->ID = InsertFileRecordLocked(*records[done]);
    }
    work.Commit();
  } catch (...) {
    // Keep the rows that made it when the engine still can; when it rolled
    // the transaction back, the IDs handed out refer to nothing (and could
    // be given again), so they are forgotten.
    if (!work.CommitWhatIsDone()) {
      for (size_t i = 0; i < done && i < records.size(); ++i) {
        records[i]->ID = 0;
      }
    }
    throw;
  }
}

std::vector<std::unique_ptr<TImageFileInfo>> TCatalogQueries::ReadFilesWhere(const QString& sql,
                                                                             const char* parameter,
                                                                             std::int32_t value) {
  TDbScope scope(dm_, nullptr);
  TStatement st(dm_.CurrentSession(), sql);
  st.BindInt(parameter, value);
  return ReadFileRows(st);
}

std::vector<std::unique_ptr<TImageFileInfo>> TCatalogQueries::ReadCatalogFiles(
    std::int32_t catalogID) {
  static const QString sql = QStringLiteral("SELECT %1 FROM FILES WHERE CATALOGID = :CatalogID;")
                                 .arg(QLatin1String(kFileColumns));
  return ReadFilesWhere(sql, ":CatalogID", catalogID);
}

bool TCatalogQueries::ReadFileRecord(TImageFileInfo& record) {
  static const QString sql =
      QStringLiteral("SELECT %1 FROM FILES WHERE FILENAME = :FileName AND CatalogID = :CatalogID;")
          .arg(QLatin1String(kFileColumns));
  TDbScope scope(dm_, nullptr);
  TStatement st(dm_.CurrentSession(), sql);
  st.BindText(":FileName", record.FileName).BindInt(":CatalogID", record.CatalogID);
  if (!st.Step()) {
    return false;
  }
  ReadFileRow(st.Row(), record);
  return true;
}

void TCatalogQueries::UpdateFileRecord(const TImageFileInfo& record) {
  // The user's edits only: the file's date and the full image size belong
  // to the thumbnail stored with them (the cache writes all three), and an
  // older copy of them here would make the cache remake the thumbnail at
  // every visit, or keep one that no longer matches the file.
  Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TStatement st(dm_.CurrentSession(),
                  QStringLiteral("UPDATE FILES SET FILENAME = :FileName, CAPTION = :Caption, "
                                 "TYPENAME = :TypeName, CATEGORYID = :CategoryID, CATALOGID = "
                                 ":CatalogID, RATING = :Rating, ANGLE = :Angle, VFLIPED = "
                                 ":VFliped, HFLIPED = :HFliped, FILESIZE = :FileSize WHERE ID = "
                                 ":ID;"));
    st.BindText(":Caption", record.Caption)
        .BindText(":FileName", record.FileName)
        .BindText(":TypeName", record.TypeName)
        .BindInt(":CategoryID", record.CategoryID)
        .BindInt(":CatalogID", record.CatalogID)
        .BindInt(":Rating", record.Rating)
        .BindFloat(":Angle", record.Angle)
        .BindBool(":VFliped", record.VFliped)
        .BindBool(":HFliped", record.HFliped)
        .BindFloat(":FileSize", static_cast<double>(record.FileSize))
        .BindInt(":ID", record.ID);
    st.Exec();
  });
}

void TCatalogQueries::UpdateFileStats(const std::vector<const TImageFileInfo*>& records) {
  if (records.empty()) {
    return;
  }
  Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TWriteTransaction work(dm_);
    for (const TImageFileInfo* r : records) {
      TStatement st(dm_.CurrentSession(),
                    QStringLiteral("UPDATE FILES SET FILESIZE = :FileSize, FILEDATE = "
                                   ":FileDate, ISTHUMB = FALSE WHERE ID = :ID;"));
      st.BindFloat(":FileSize", static_cast<double>(r->FileSize))
          .BindFloat(":FileDate", r->FileDate)
          .BindInt(":ID", r->ID);
      st.Exec();
    }
    work.Commit();
  });
}

void TCatalogQueries::SetFileCategory(const QString& fileName, std::int32_t catalogID,
                                      std::int32_t categoryID) {
  Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TStatement st(dm_.CurrentSession(),
                  QStringLiteral("UPDATE FILES SET CATEGORYID = :CategoryID WHERE FILENAME = "
                                 ":FileName AND CATALOGID = :CatalogID;"));
    st.BindInt(":CategoryID", categoryID)
        .BindText(":FileName", fileName)
        .BindInt(":CatalogID", catalogID);
    st.Exec();
  });
}

void TCatalogQueries::DeleteFileRecord(std::int32_t id) {
  Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TStatement st(dm_.CurrentSession(), QStringLiteral("DELETE FROM FILES WHERE ID = :ID;"));
    st.BindInt(":ID", id);
    st.Exec();
  });
}

void TCatalogQueries::MoveFileRecord(std::int32_t id, std::int32_t catalogID,
                                     const QString& fileName) {
  Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TWriteTransaction work(dm_);
    TStatement stale(dm_.CurrentSession(),
                     QStringLiteral("DELETE FROM FILES WHERE CATALOGID = :CatalogID AND "
                                    "FILENAME = :FileName AND ID <> :ID;"));
    stale.BindInt(":CatalogID", catalogID).BindText(":FileName", fileName).BindInt(":ID", id);
    stale.Exec();
    TStatement move(dm_.CurrentSession(),
                    QStringLiteral("UPDATE FILES SET CATALOGID = :CatalogID, FILENAME = "
                                   ":FileName WHERE ID = :ID;"));
    move.BindInt(":CatalogID", catalogID).BindText(":FileName", fileName).BindInt(":ID", id);
    move.Exec();
    work.Commit();
  });
}

std::int32_t TCatalogQueries::CopyFileRecordTo(std::int32_t id, std::int32_t catalogID,
                                               const QString& fileName) {
  return Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TSession& session = dm_.CurrentSession();
    TWriteTransaction work(dm_);
    TStatement stale(session, QStringLiteral("DELETE FROM FILES WHERE CATALOGID = :CatalogID AND "
                                             "FILENAME = :FileName AND ID <> :ID;"));
    stale.BindInt(":CatalogID", catalogID).BindText(":FileName", fileName).BindInt(":ID", id);
    stale.Exec();
    std::int32_t copy = 0;
    if (id != 0) {
      TStatement insert(
          session,
          QStringLiteral("INSERT INTO FILES(CAPTION, FILENAME, TYPENAME, CATEGORYID, CATALOGID, "
                         "RATING, ANGLE, VFLIPED, HFLIPED, WIDTH, HEIGHT, FILEDATE, FILESIZE, "
                         "ISTHUMB, THUMB) SELECT CAPTION, :FileName, TYPENAME, CATEGORYID, "
                         ":CatalogID, RATING, ANGLE, VFLIPED, HFLIPED, WIDTH, HEIGHT, FILEDATE, "
                         "FILESIZE, ISTHUMB, THUMB FROM FILES WHERE ID = :ID;"));
      insert.BindText(":FileName", fileName).BindInt(":CatalogID", catalogID).BindInt(":ID", id);
      if (insert.Exec() > 0) {
        copy = static_cast<std::int32_t>(session.LastInsertID());
      }
    }
    work.Commit();
    return copy;
  });
}

void TCatalogQueries::DeleteFileRecordOf(std::int32_t catalogID, const QString& fileName) {
  Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TStatement st(dm_.CurrentSession(),
                  QStringLiteral("DELETE FROM FILES WHERE CATALOGID = :CatalogID AND "
                                 "FILENAME = :FileName;"));
    st.BindInt(":CatalogID", catalogID).BindText(":FileName", fileName);
    st.Exec();
  });
}

void TCatalogQueries::WriteUserEdits(const std::vector<const TImageFileInfo*>& records) {
  if (std::none_of(records.begin(), records.end(),
                   [](const TImageFileInfo* r) { return r && r->ID != 0; })) {
    return;
  }
  Reported(dm_.WriteHealth(), [&] {
    TDbScope scope(dm_, nullptr);
    TWriteTransaction work(dm_);
    for (const TImageFileInfo* r : records) {
      if (!r || r->ID == 0) {
        continue;
      }
      TStatement st(dm_.CurrentSession(),
                    QStringLiteral("UPDATE FILES SET CAPTION = :Caption, RATING = :Rating, "
                                   "CATEGORYID = :CategoryID, ANGLE = :Angle, VFLIPED = "
                                   ":VFliped, HFLIPED = :HFliped WHERE ID = :ID;"));
      st.BindText(":Caption", r->Caption)
          .BindInt(":Rating", r->Rating)
          .BindInt(":CategoryID", r->CategoryID)
          .BindFloat(":Angle", r->Angle)
          .BindBool(":VFliped", r->VFliped)
          .BindBool(":HFliped", r->HFliped)
          .BindInt(":ID", r->ID);
      st.Exec();
    }
    work.Commit();
  });
}

std::optional<TThumbRow> TCatalogQueries::ReadThumbRow(const QString& fileName,
                                                       std::int32_t catalogID, TSession* session) {
  TDbScope scope(dm_, session);
  TStatement st(dm_.CurrentSession(),
                QStringLiteral("SELECT Width, Height, FileDate, IsThumb, Thumb FROM Files WHERE "
                               "FileName = :FileName AND CatalogID = :CatalogID;"));
  st.BindText(":FileName", fileName).BindInt(":CatalogID", catalogID);
  std::optional<TThumbRow> row;
  if (st.Step()) {
    const TStatementRow& r = st.Row();
    row.emplace();
    row->Width = r.Int("Width");
    row->Height = r.Int("Height");
    row->FileDate = r.Float("FileDate");
    row->IsThumb = r.Bool("IsThumb");
    row->Thumb = r.Blob("Thumb");
  }
  return row;
}

bool TCatalogQueries::WriteThumbRow(const QString& fileName, std::int32_t catalogID,
                                    const QByteArray& jpeg, double fileDate, std::int32_t width,
                                    std::int32_t height, TSession* session) {
  TDbScope scope(dm_, session);
  // The row is found by (file name, catalog), which the program keeps unique.
  TStatement st(dm_.CurrentSession(),
                QStringLiteral("UPDATE Files SET Thumb = :Thumb, IsThumb = :IsThumb, FileDate = "
                               ":FileDate, Width = :Width, Height = :Height WHERE FileName = "
                               ":FileName AND CatalogID = :CatalogID;"));
  st.BindBlob(":Thumb", jpeg)
      .BindBool(":IsThumb", true)
      .BindFloat(":FileDate", fileDate)
      .BindInt(":Width", width)
      .BindInt(":Height", height)
      .BindText(":FileName", fileName)
      .BindInt(":CatalogID", catalogID);
  return st.Exec() > 0;
}

}  // namespace glimr
