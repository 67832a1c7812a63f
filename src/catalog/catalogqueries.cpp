#include "catalog/catalogqueries.h"

#include <QLoggingCategory>

#include <algorithm>
#include <mutex>

#include "catalog/dmvesk.h"
#include "catalog/query.h"
#include "common/numeric.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcCatalog, "glimr.catalog")

namespace {

// Holds DbLock and, for a worker, runs the statements on its own session;
// the thread's previous session is back in place when the scope ends, also
// when the engine raises.
class TDbScope {
 public:
  TDbScope(TdmVesk& dm, TSession* session) : dm_(dm), lock_(dm.DbLock()) {
    if (session) {
      previous_ = dm_.ThreadSession();
      dm_.OpenSession(session);
      switched_ = true;
    }
  }
  ~TDbScope() {
    if (switched_) {
      dm_.OpenSession(previous_);
    }
  }
  TDbScope(const TDbScope&) = delete;
  TDbScope& operator=(const TDbScope&) = delete;

 private:
  TdmVesk& dm_;
  std::lock_guard<std::mutex> lock_;
  TSession* previous_ = nullptr;
  bool switched_ = false;
};

const QChar kSep = QLatin1Char('/');
const QChar kCategorySep = QLatin1Char('\\');

}  // namespace

std::int32_t TCatalogQueries::CatalogIDOfPath(const QString& folderPath, TSession* session) {
  TDbScope scope(dm_, session);
  return FindOrAddCatalog(folderPath);
}

std::int32_t TCatalogQueries::FindOrAddCatalog(const QString& path) {
  QString p = path;
  if (p.endsWith(kSep)) {
    p.chop(1);
  }
  std::int32_t parentID = 0;
  QString name = p;
  const qsizetype slash = p.lastIndexOf(kSep);
  if (slash >= 0) {
    parentID = FindOrAddCatalog(p.left(slash + 1));
    name = p.mid(slash + 1);
  }
  TQuery& q = dm_.MyQuery;
  q.Close();
  q.SetText(QStringLiteral("SELECT ID FROM CATALOGS WHERE PARENTID = :ParentID AND NAME = :Name;"));
  q.ParamByName(QStringLiteral("ParentID")).SetAsInteger(parentID);
  q.ParamByName(QStringLiteral("Name")).SetAsString(name);
  q.Open();
  q.FetchAll();
  if (q.RecordCount() == 0) {
    q.Close();
    q.SetText(QStringLiteral("INSERT INTO CATALOGS(NAME, PARENTID) VALUES(:Name, :ParentID);"));
    q.ParamByName(QStringLiteral("Name")).SetAsString(name);
    q.ParamByName(QStringLiteral("ParentID")).SetAsInteger(parentID);
    q.ExecSQL();
    q.Close();
    q.SetText(
        QStringLiteral("SELECT ID FROM CATALOGS WHERE PARENTID = :ParentID AND NAME = :Name;"));
    q.ParamByName(QStringLiteral("ParentID")).SetAsInteger(parentID);
    q.ParamByName(QStringLiteral("Name")).SetAsString(name);
    q.Open();
  }
  return q.Fields(0).AsInteger();
}

QString TCatalogQueries::CatalogPath(std::int32_t id) {
  TDbScope scope(dm_, nullptr);
  for (const auto& entry : pathCache_) {
    if (entry.second.ID == id) {
      return entry.first;
    }
  }
  TQuery& q = dm_.MyQueryAdd;
  q.Close();
  q.SetText(QStringLiteral("SELECT NAME, PARENTID FROM CATALOGS WHERE ID = :ID;"));
  q.Prepare();
  std::vector<std::int32_t> seen;
  const QString path = CatalogPathStep(id, seen);
  // An unknown ID is not remembered: its row may still be made later.
  if (!path.isEmpty()) {
    pathCache_.emplace_back(path, TCatalogID{id});
  }
  return path;
}

QString TCatalogQueries::CatalogPathStep(std::int32_t id, std::vector<std::int32_t>& seen) {
  TQuery& q = dm_.MyQueryAdd;
  q.Close();
  q.ParamByName(QStringLiteral("ID")).SetAsInteger(id);
  q.Open();
  if (q.RecordCount() == 0) {
    return QString();
  }
  const QString name = q.Fields(0).AsString();
  const std::int32_t parentID = q.Fields(1).AsInteger();
  seen.push_back(id);
  // A damaged table whose parents form a loop ends the walk where the loop
  // closes, as a missing parent row does, instead of recursing for ever.
  if (parentID != 0 && std::find(seen.begin(), seen.end(), parentID) == seen.end()) {
    return CatalogPathStep(parentID, seen) + name + kSep;
  }
  return name + kSep;
}

void TCatalogQueries::SetFileParams(TQuery& q, const TImageFileInfo& r) {
  q.ParamByName(QStringLiteral("Caption")).SetAsString(r.Caption);
  q.ParamByName(QStringLiteral("FileName")).SetAsString(r.FileName);
  q.ParamByName(QStringLiteral("TypeName")).SetAsString(r.TypeName);
  q.ParamByName(QStringLiteral("CategoryID")).SetAsInteger(r.CategoryID);
  q.ParamByName(QStringLiteral("CatalogID")).SetAsInteger(r.CatalogID);
  q.ParamByName(QStringLiteral("Rating")).SetAsInteger(r.Rating);
  q.ParamByName(QStringLiteral("Angle")).SetAsFloat(r.Angle);
  q.ParamByName(QStringLiteral("VFliped")).SetAsBoolean(r.VFliped);
  q.ParamByName(QStringLiteral("HFliped")).SetAsBoolean(r.HFliped);
  q.ParamByName(QStringLiteral("Width")).SetAsInteger(r.Width);
  q.ParamByName(QStringLiteral("Height")).SetAsInteger(r.Height);
  q.ParamByName(QStringLiteral("FileDate")).SetAsDateTime(r.FileDate);
  q.ParamByName(QStringLiteral("FileSize")).SetAsFloat(static_cast<double>(r.FileSize));
}

std::int32_t TCatalogQueries::InsertFileRecord(const TImageFileInfo& record) {
  TDbScope scope(dm_, nullptr);
  return InsertFileRecordLocked(record);
}

std::int32_t TCatalogQueries::InsertFileRecordLocked(const TImageFileInfo& record) {
  TQuery& q = dm_.MyQuery;
  q.Close();
  q.SetText(QStringLiteral(
      "INSERT INTO FILES(CAPTION, FILENAME, TYPENAME, CATEGORYID, CATALOGID, RATING, ANGLE, "
      "VFLIPED, HFLIPED, WIDTH, HEIGHT, FILEDATE, FILESIZE, ISTHUMB)VALUES(:Caption, :FileName, "
      ":TypeName, :CategoryID, :CatalogID, :Rating, :Angle, :VFliped, :HFliped, :Width, :Height, "
      ":FileDate, :FileSize, False);"));
  SetFileParams(q, record);
  q.ExecSQL();
  q.Close();
  q.SetText(QStringLiteral(
      "SELECT ID FROM FILES WHERE FILENAME = :FileName AND CATALOGID = :CatalogID;"));
  q.ParamByName(QStringLiteral("FileName")).SetAsString(record.FileName);
  q.ParamByName(QStringLiteral("CatalogID")).SetAsInteger(record.CatalogID);
  q.Open();
  return q.RecordCount() > 0 ? q.Fields(0).AsInteger() : 0;
}

void TCatalogQueries::FillFromRow(const TQuery& q, TImageFileInfo& r) {
  r.ID = q.Fields(0).AsInteger();
  r.Caption = q.Fields(1).AsString();
  r.FileName = q.Fields(2).AsString();
  r.TypeName = q.Fields(3).AsString();
  r.CategoryID = q.Fields(4).AsInteger();
  r.CatalogID = q.Fields(5).AsInteger();
  r.Rating = static_cast<std::uint8_t>(std::clamp(q.Fields(6).AsInteger(), 0, 5));
  r.Angle = q.Fields(7).AsFloat();
  r.VFliped = q.Fields(8).AsBoolean();
  r.HFliped = q.Fields(9).AsBoolean();
  r.Width = q.Fields(10).AsInteger();
  r.Height = q.Fields(11).AsInteger();
  r.FileDate = q.Fields(12).AsDateTime();
  r.FileSize = RoundHalfEven(q.Fields(13).AsFloat());
}

bool TCatalogQueries::ReadFileRecord(TImageFileInfo& record) {
  TDbScope scope(dm_, nullptr);
  TQuery& q = dm_.MyQuery;
  const QString text =
      QStringLiteral("SELECT * FROM FILES WHERE FILENAME = :FileName AND CatalogID = :CatalogID;");
  q.Close();
  if (q.Text() != text) {
    q.SetText(text);
  }
  q.ParamByName(QStringLiteral("FileName")).SetAsString(record.FileName);
  q.ParamByName(QStringLiteral("CatalogID")).SetAsInteger(record.CatalogID);
  q.Prepare();
  q.Open();
  if (q.RecordCount() == 0) {
    return false;
  }
  FillFromRow(q, record);
  return true;
}

void TCatalogQueries::UpdateFileRecord(const TImageFileInfo& record) {
  TDbScope scope(dm_, nullptr);
  TQuery& q = dm_.MyQuery;
  q.Close();
  q.SetText(QStringLiteral(
      "UPDATE FILES SET FILENAME = :FileName, CAPTION = :Caption, TYPENAME = :TypeName, "
      "CATEGORYID = :CategoryID, CATALOGID = :CatalogID, RATING = :Rating, ANGLE = :Angle, "
      "VFLIPED = :VFliped, HFLIPED = :HFliped, WIDTH = :Width, HEIGHT = :Height, "
      "FILEDATE = :FileDate, FILESIZE = :FileSize WHERE ID = :ID;"));
  SetFileParams(q, record);
  q.ParamByName(QStringLiteral("ID")).SetAsInteger(record.ID);
  q.ExecSQL();
  q.Close();
}

void TCatalogQueries::SetFileCategory(const QString& fileName, std::int32_t catalogID,
                                      std::int32_t categoryID) {
  TDbScope scope(dm_, nullptr);
  TQuery& q = dm_.MyQuery;
  q.Close();
  q.SetText(
      QStringLiteral("UPDATE FILES SET CATEGORYID = :CategoryID WHERE FILENAME = :FileName "
                     "AND CATALOGID = :CatalogID;"));
  q.ParamByName(QStringLiteral("CategoryID")).SetAsInteger(categoryID);
  q.ParamByName(QStringLiteral("FileName")).SetAsString(fileName);
  q.ParamByName(QStringLiteral("CatalogID")).SetAsInteger(catalogID);
  q.ExecSQL();
}

std::int32_t TCatalogQueries::InsertCategory(const QString& name, std::int32_t parentID) {
  TDbScope scope(dm_, nullptr);
  TQuery& q = dm_.MyQuery;
  q.Close();
  q.SetText(QStringLiteral("INSERT INTO CATEGORIES(NAME, PARENTID) VALUES(:Name, :ParentID);"));
  q.ParamByName(QStringLiteral("Name")).SetAsString(name);
  q.ParamByName(QStringLiteral("ParentID")).SetAsInteger(parentID);
  q.ExecSQL();
  q.Close();
  q.SetText(
      QStringLiteral("SELECT ID FROM CATEGORIES WHERE NAME = :Name AND PARENTID = :ParentID;"));
  q.ParamByName(QStringLiteral("Name")).SetAsString(name);
  q.ParamByName(QStringLiteral("ParentID")).SetAsInteger(parentID);
  q.Open();
  return q.Fields(0).AsInteger();
}

void TCatalogQueries::RenameCategory(std::int32_t id, const QString& name) {
  TDbScope scope(dm_, nullptr);
  TQuery& q = dm_.MyQuery;
  if (q.Active()) {
    q.Close();
  }
  q.SetText(QStringLiteral("UPDATE CATEGORIES SET NAME = :Name WHERE ID = :ID;"));
  q.ParamByName(QStringLiteral("Name")).SetAsString(name);
  q.ParamByName(QStringLiteral("ID")).SetAsInteger(id);
  q.ExecSQL();
}

void TCatalogQueries::DeleteCategory(std::int32_t id) {
  TDbScope scope(dm_, nullptr);
  TQuery& q = dm_.MyQuery;
  q.Close();
  q.SetText(QStringLiteral("DELETE FROM CATEGORIES WHERE ID = :ID;"));
  q.ParamByName(QStringLiteral("ID")).SetAsInteger(id);
  q.ExecSQL();
  for (;;) {
    q.Close();
    q.SetText(QStringLiteral("SELECT ID FROM FILES WHERE CATEGORYID = :CategoryID;"));
    q.ParamByName(QStringLiteral("CategoryID")).SetAsInteger(id);
    q.Open();
    if (q.RecordCount() == 0) {
      break;
    }
    const std::int32_t fileID = q.Fields(0).AsInteger();
    q.Close();
    q.SetText(QStringLiteral("UPDATE FILES SET CATEGORYID = 0 WHERE ID = :ID;"));
    q.ParamByName(QStringLiteral("ID")).SetAsInteger(fileID);
    // A row the update cannot release would be found again for ever.
    if (q.ExecSQL() == 0) {
      break;
    }
  }
  q.Close();
}

QString TCatalogQueries::CategoryName(std::int32_t id) {
  TDbScope scope(dm_, nullptr);
  TQuery& q = dm_.MyQuery;
  q.Close();
  q.SetText(QStringLiteral("SELECT NAME FROM CATEGORIES WHERE ID = :ID;"));
  q.ParamByName(QStringLiteral("ID")).SetAsInteger(id);
  q.Open();
  return q.RecordCount() > 0 ? q.Fields(0).AsString() : QString();
}

QString TCatalogQueries::CategoryPath(std::int32_t id) {
  // Each level takes the lock only for its own statement, so other work may
  // run between the steps. The walk stops where a damaged table loops.
  QStringList names;
  std::vector<std::int32_t> seen;
  std::int32_t current = id;
  for (;;) {
    QString name;
    std::int32_t parentID = 0;
    {
      TDbScope scope(dm_, nullptr);
      TQuery& q = dm_.MyQuery;
      q.Close();
      q.SetText(QStringLiteral("SELECT NAME, PARENTID FROM CATEGORIES WHERE ID = :ID;"));
      q.ParamByName(QStringLiteral("ID")).SetAsInteger(current);
      q.Open();
      if (q.RecordCount() > 0) {
        name = q.Fields(0).AsString();
        parentID = q.Fields(1).AsInteger();
      }
      q.Close();
    }
    names.prepend(name);
    seen.push_back(current);
    if (parentID == 0 || std::find(seen.begin(), seen.end(), parentID) != seen.end()) {
      break;
    }
    current = parentID;
  }
  QString path;
  for (const QString& n : std::as_const(names)) {
    path += n + kCategorySep;
  }
  return path;
}

std::optional<TThumbRow> TCatalogQueries::ReadThumbRow(const QString& fileName,
                                                       std::int32_t catalogID, TSession* session) {
  TDbScope scope(dm_, session);
  TQuery& q = dm_.MyQuery;
  q.Close();
  q.SetText(
      QStringLiteral("SELECT Width, Height, FileDate, IsThumb, Thumb FROM Files WHERE "
                     "FileName = :FileName AND CatalogID = :CatalogID;"));
  q.ParamByName(QStringLiteral("FileName")).SetAsString(fileName);
  q.ParamByName(QStringLiteral("CatalogID")).SetAsInteger(catalogID);
  q.Open();
  std::optional<TThumbRow> row;
  if (q.RecordCount() > 0) {
    row.emplace();
    row->Width = q.Fields(0).AsInteger();
    row->Height = q.Fields(1).AsInteger();
    row->FileDate = q.Fields(2).AsDateTime();
    row->IsThumb = q.Fields(3).AsBoolean();
    row->Thumb = q.Fields(4).AsBlob();
  }
  q.Close();
  return row;
}

bool TCatalogQueries::WriteThumbRow(const QString& fileName, std::int32_t catalogID,
                                    const QByteArray& jpeg, double fileDate, std::int32_t width,
                                    std::int32_t height, TSession* session) {
  TDbScope scope(dm_, session);
  TQuery& q = dm_.MyQuery;
  // The row is found by (file name, catalog), which the program keeps unique.
  q.Close();
  q.SetText(QStringLiteral(
      "UPDATE Files SET Thumb = :Thumb, IsThumb = :IsThumb, FileDate = :FileDate, Width = "
      ":Width, Height = :Height WHERE FileName = :FileName AND CatalogID = :CatalogID;"));
  q.ParamByName(QStringLiteral("Thumb")).SetAsBlob(jpeg);
  q.ParamByName(QStringLiteral("IsThumb")).SetAsBoolean(true);
  q.ParamByName(QStringLiteral("FileDate")).SetAsDateTime(fileDate);
  q.ParamByName(QStringLiteral("Width")).SetAsInteger(width);
  q.ParamByName(QStringLiteral("Height")).SetAsInteger(height);
  q.ParamByName(QStringLiteral("FileName")).SetAsString(fileName);
  q.ParamByName(QStringLiteral("CatalogID")).SetAsInteger(catalogID);
  const bool written = q.ExecSQL() > 0;
  q.Close();
  return written;
}

}  // namespace glimr
