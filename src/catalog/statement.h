#pragma once
// One use of a prepared catalog statement: bind parameters by name, step
// through the rows and read their columns by name. The statement is prepared
// once per session and borrowed for the use; it is reset (bindings cleared,
// read transaction ended) when the use ends. Use it only while holding
// DbLock, and let it go before DbLock is released.

#include <QByteArray>
#include <QString>

#include <cstdint>

struct sqlite3_stmt;

namespace glimr {

class TSession;
struct TCachedStatement;

// Whether an engine result code means that the catalog cannot be written
// just now (read-only, full, busy, locked, I/O), which a writing statement
// raises as TCatalogWriteError.
bool IsWriteFailureCode(int rc);

// The current row of a stepped statement. Values convert between storage
// classes the catalog's way: a real read as an integer rounds half to even,
// text reads as a number only when all of it is one, and a missing value
// (NULL, or no current row) reads as 0, empty text or an empty blob.
class TStatementRow {
 public:
  bool IsNull(const char* name) const { return IsNull(Index(name)); }
  std::int32_t Int(const char* name) const { return Int(Index(name)); }
  std::int64_t Int64(const char* name) const { return Int64(Index(name)); }
  double Float(const char* name) const { return Float(Index(name)); }
  bool Bool(const char* name) const { return Bool(Index(name)); }
  QString Text(const char* name) const { return Text(Index(name)); }
  QByteArray Blob(const char* name) const { return Blob(Index(name)); }

  // By position, for ad-hoc texts whose columns have no stable name (a
  // "count(*)" or a PRAGMA); catalog code reads by name.
  bool IsNull(int column) const;
  std::int32_t Int(int column) const { return static_cast<std::int32_t>(Int64(column)); }
  std::int64_t Int64(int column) const;
  double Float(int column) const;
  bool Bool(int column) const { return Int64(column) != 0; }
  QString Text(int column) const;
  QByteArray Blob(int column) const;

  // The position of a result column, names compared without regard to case;
  // GlimrError when the statement has no such column.
  int Index(const char* name) const;

 private:
  friend class TStatement;
  explicit TStatementRow(sqlite3_stmt* st) : st_(st) {}
  int Type(int column) const;

  sqlite3_stmt* st_;
  bool hasRow_ = false;
  // Where the next name lookup starts: columns are mostly read in order.
  mutable int next_ = 0;
};

class TStatement {
 public:
  // Borrows the session's statement for sql, preparing it on first use
  // (connecting the session when needed). Raises GlimrError with the
  // engine's message when the text does not prepare, and when the same
  // text is already in use on this session.
  TStatement(TSession& session, const QString& sql);
  ~TStatement();
  TStatement(const TStatement&) = delete;
  TStatement& operator=(const TStatement&) = delete;

  // Named parameters as written in the text (":Name"). Text is bound as
  // text even when null (never as NULL); a blob likewise.
  TStatement& BindInt(const char* name, std::int64_t value);
  TStatement& BindFloat(const char* name, double value);
  TStatement& BindBool(const char* name, bool value) { return BindInt(name, value ? 1 : 0); }
  TStatement& BindText(const char* name, const QString& value);
  TStatement& BindBlob(const char* name, const QByteArray& value);

  // Moves to the next row; false when there is none, and the statement is
  // then reset so its read ends at once. GlimrError on a failure, and
  // TCatalogWriteError when a writing statement could not write.
  bool Step();
  const TStatementRow& Row() const { return row_; }

  // Runs the statement to its end (rows are skipped); returns the number of
  // rows it changed. GlimrError on a failure.
  int Exec();

 private:
  int ParamIndex(const char* name) const;
  void Check(int rc) const;
  void Reset();

  TSession& session_;
  TCachedStatement& cached_;
  TStatementRow row_;
};

}  // namespace glimr
