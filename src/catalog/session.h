#pragma once
// One connection to the catalog file: the engine context of one thread (the
// main thread's default session, or a worker's "Session1", "Session2", ...).
// It connects on first use and keeps every statement it prepared, keyed by
// its text, for the life of the connection.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>

struct sqlite3;
struct sqlite3_stmt;

namespace glimr {

// A statement a session prepared; Busy while a TStatement holds it.
struct TCachedStatement {
  sqlite3_stmt* Handle = nullptr;
  bool Busy = false;
};

class TSession {
 public:
  TSession(const QString& name, const QString& fileName);
  ~TSession();
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  const QString& Name() const { return name_; }
  const QString& FileName() const { return fileName_; }

  // Connects when not connected yet: WAL journal, busy timeout, foreign keys
  // off; a file without any schema gets the three tables, an older one its
  // unique keys (when it can be written). A file that is not
  // a database (or cannot be opened) raises GlimrError and is left untouched.
  // A catalog that can be read but not opened for writing (its -wal and
  // -shm files cannot be made: a full disk, a read-only folder) is opened
  // read-only, so its writes fail as refused.
  void Open();
  bool Active() const { return db_ != nullptr; }
  void Close();

  // The engine connection; use it only while holding DbLock.
  sqlite3* Handle() const { return db_; }

  // The prepared statement for this text, prepared once per connection
  // (connecting first when needed); GlimrError when the text does not
  // prepare. The entry stays where it is until the session closes.
  TCachedStatement& Prepared(const QString& sql);

  // Why the connection was opened read-only; empty when it was not.
  const QString& ReadOnlyReason() const { return readOnlyReason_; }
  // The engine's message for the last failure on this connection.
  QString LastError() const;
  // The ID the last successful INSERT on this connection gave its row.
  std::int64_t LastInsertID() const;

 private:
  // Connects with the flags and sets the connection up; on a failure the
  // engine's result code goes to *failure and GlimrError is raised.
  void OpenWith(const QByteArray& path, int flags, int* failure);
  void Exec(const char* sql);
  void CreateSchemaIfNew();
  void AddUniqueKeys();

  QString name_;
  QString fileName_;
  sqlite3* db_ = nullptr;
  QString readOnlyReason_;
  std::map<QString, TCachedStatement> statements_;
};

}  // namespace glimr
