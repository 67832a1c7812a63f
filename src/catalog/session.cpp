#include "catalog/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QUrl>

#include <sqlite3.h>
#include <sys/vfs.h>

#include "catalog/statement.h"
#include "catalog/uniquekeys.h"
#include "common/errors.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcSession, "glimr.catalog.session")

namespace {

constexpr int kBusyTimeoutMs = 10000;

// The fourteen record columns come first, in this order; ISTHUMB and THUMB
// follow. Statements name the columns they read. The indexes serve the
// lookups by folder, by (file name, catalog) and by category; the keys of
// FILES and CATALOGS are unique, so a file or folder is never recorded
// twice, even by two processes at once (see uniquekeys.h).
const char* const kSchema[] = {
    "CREATE TABLE FILES(ID INTEGER PRIMARY KEY AUTOINCREMENT, CAPTION TEXT DEFAULT '', "
    "FILENAME TEXT DEFAULT '', TYPENAME TEXT DEFAULT '', CATEGORYID INTEGER DEFAULT 0, "
    "CATALOGID INTEGER DEFAULT 0, RATING INTEGER DEFAULT 0, ANGLE REAL DEFAULT 0, "
    "VFLIPED BOOLEAN DEFAULT FALSE, HFLIPED BOOLEAN DEFAULT FALSE, WIDTH INTEGER DEFAULT 0, "
    "HEIGHT INTEGER DEFAULT 0, FILEDATE REAL DEFAULT 0, FILESIZE REAL DEFAULT 0, "
    "ISTHUMB BOOLEAN DEFAULT FALSE, THUMB BLOB)",
    "CREATE TABLE CATALOGS(ID INTEGER PRIMARY KEY AUTOINCREMENT, NAME TEXT DEFAULT '', "
    "PARENTID INTEGER DEFAULT 0)",
    "CREATE TABLE CATEGORIES(ID INTEGER PRIMARY KEY AUTOINCREMENT, NAME TEXT DEFAULT '', "
    "PARENTID INTEGER DEFAULT 0)",
    "CREATE UNIQUE INDEX FILES_KEY ON FILES(CATALOGID, FILENAME)",
    "CREATE INDEX FILES_CATEGORY ON FILES(CATEGORYID)",
    "CREATE UNIQUE INDEX CATALOGS_KEY ON CATALOGS(PARENTID, NAME)",
    "CREATE INDEX CATEGORIES_PARENT ON CATEGORIES(PARENTID)",
};

}  // namespace

TSession::TSession(const QString& name, const QString& fileName)
    : name_(name), fileName_(fileName) {}

TSession::~TSession() {
  Close();
}

QString TSession::LastError() const {
  return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
}

void TSession::Exec(const char* sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
    const QString message = err ? QString::fromUtf8(err) : LastError();
    sqlite3_free(err);
    throw GlimrError(message);
  }
}

void TSession::Open() {
  if (db_) {
    return;
  }
  // The folder is made on first use, as an installer would; the file itself
  // is created by the engine only when it does not exist.
  const QFileInfo info(fileName_);
  QDir().mkpath(info.absolutePath());
  const QByteArray path = QFile::encodeName(fileName_);
  int failure = SQLITE_OK;
  try {
    OpenWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &failure);
  } catch (const GlimrError& e) {
    // A catalog in WAL mode needs its -wal and -shm files even to be read:
    // on a full disk or in a read-only folder they cannot be made, and
    // nothing could be read at all. The file is then read as a snapshot,
    // and every write fails as refused, so Glimr keeps viewing.
    if (!IsWriteFailureCode(failure) || !info.exists() || info.size() == 0) {
      throw;
    }
    qCWarning(lcSession).noquote() << "catalog" << fileName_ << "cannot be opened for writing ("
                                   << e.message() << "): reading it only";
    const QByteArray uri = QUrl::fromLocalFile(fileName_).toEncoded() + "?immutable=1";
    OpenWith(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    readOnlyReason_ = QStringLiteral("%1 cannot be opened for writing (%2)")
                          .arg(QDir::toNativeSeparators(fileName_), e.message());
  }
  qCDebug(lcSession) << "opened" << name_ << fileName_;
}

namespace {

// True when the database file lies on a file system where a read through a
// memory map cannot fail for want of a server (not NFS, SMB/CIFS or FUSE).
bool MapsSafely(const QByteArray& path) {
  struct statfs fs;
  if (statfs(path.constData(), &fs) != 0) {
    return false;
  }
  switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:      // NFS
    case 0x517BUL:      // SMB
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case 0x65735546UL:  // FUSE (sshfs, gvfs, ...)
    case 0x564C0000UL:  // NCP
      return false;
    default:
      return true;
  }
}

}  // namespace

void TSession::OpenWith(const QByteArray& path, int flags, int* failure) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.constData(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const QString message =
        db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (failure) {
      *failure = rc;
    }
    sqlite3_close_v2(db);
    throw GlimrError(message);
  }
  db_ = db;
  try {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 0);
    Exec("PRAGMA foreign_keys = OFF");
    // Reads through a memory map: a folder's rows lie scattered over many
    // pages (their thumbnails sit between them), and reading each page with
    // a call of its own cost most of a large folder's load. Only on a local
    // file system: a read error through a map is a signal, not an error
    // code, and network shares lose their server.
    if (MapsSafely(QFile::encodeName(fileName_))) {
      Exec("PRAGMA mmap_size = 1073741824");
    }
    // Reading the schema is the first access to the file's content: a file
    // that is not a database fails here, before anything could be written.
    CreateSchemaIfNew();
    if (!sqlite3_db_readonly(db_, "main")) {
      Exec("PRAGMA journal_mode = WAL");
      Exec("PRAGMA synchronous = NORMAL");
      AddUniqueKeys();
    }
  } catch (...) {
    if (failure) {
      *failure = sqlite3_errcode(db_);
    }
    Close();
    throw;
  }
}

void TSession::AddUniqueKeys() {
  // A catalog made by an older version gets its unique keys at the first
  // connection that can write. One that cannot (a full disk, a read-only
  // file) is still read and written as before: inserts look their row up
  // first, so only two processes racing could still add a twin.
  try {
    EnsureUniqueKeys(*this);
  } catch (const GlimrError& e) {
    qCWarning(lcSession).noquote() << "unique keys not made:" << e.message();
  }
}

std::int64_t TSession::LastInsertID() const {
  return db_ ? sqlite3_last_insert_rowid(db_) : 0;
}

void TSession::CreateSchemaIfNew() {
  auto schemaCount = [this]() {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr) !=
        SQLITE_OK) {
      throw GlimrError(LastError());
    }
    const int rc = sqlite3_step(st);
    const int count = rc == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    if (count < 0) {
      throw GlimrError(LastError());
    }
    return count;
  };
  if (schemaCount() != 0) {
    return;  // an existing database keeps its tables: a missing one is never made
  }
  // Two connections may find the same empty file; the write lock decides who
  // creates the tables, the other sees them on the second look.
  Exec("BEGIN IMMEDIATE");
  try {
    if (schemaCount() == 0) {
      for (const char* sql : kSchema) {
        Exec(sql);
      }
    }
    Exec("COMMIT");
  } catch (...) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
}

void TSession::Close() {
  readOnlyReason_.clear();
  for (auto& entry : statements_) {
    sqlite3_finalize(entry.second.Handle);
  }
  statements_.clear();
  if (db_) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

TCachedStatement& TSession::Prepared(const QString& sql) {
  Open();
  auto it = statements_.find(sql);
  if (it != statements_.end()) {
    return it->second;
  }
  sqlite3_stmt* st = nullptr;
  const QByteArray text = sql.toUtf8();
  if (sqlite3_prepare_v3(db_, text.constData(), static_cast<int>(text.size()),
                         SQLITE_PREPARE_PERSISTENT, &st, nullptr) != SQLITE_OK) {
    throw GlimrError(LastError());
  }
  if (!st) {
    throw GlimrError(QStringLiteral("empty statement"));
  }
  return statements_.emplace(sql, TCachedStatement{st, false}).first->second;
}

}  // namespace glimr
