#include "catalog/statement.h"

#include <sqlite3.h>

#include "catalog/session.h"
#include "catalog/writehealth.h"
#include "common/errors.h"
#include "common/numeric.h"

namespace glimr {

bool IsWriteFailureCode(int rc) {
  switch (rc & 0xff) {
    case SQLITE_READONLY:
    case SQLITE_FULL:
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_IOERR:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
      return true;
    default:
      return false;
  }
}

int TStatementRow::Type(int column) const {
  if (!hasRow_ || column < 0 || column >= sqlite3_column_count(st_)) {
    return SQLITE_NULL;
  }
  return sqlite3_column_type(st_, column);
}

int TStatementRow::Index(const char* name) const {
  const int count = sqlite3_column_count(st_);
  for (int i = 0; i < count; ++i) {
    const int c = (next_ + i) % count;
    const char* have = sqlite3_column_name(st_, c);
    if (have && sqlite3_stricmp(have, name) == 0) {
      next_ = c + 1 < count ? c + 1 : 0;
      return c;
    }
  }
  throw GlimrError(QStringLiteral("Column '%1' not found").arg(QString::fromUtf8(name)));
}

bool TStatementRow::IsNull(int column) const {
  return Type(column) == SQLITE_NULL;
}

std::int64_t TStatementRow::Int64(int column) const {
  switch (Type(column)) {
    case SQLITE_INTEGER:
      return sqlite3_column_int64(st_, column);
    case SQLITE_FLOAT:
      return RoundHalfEven(sqlite3_column_double(st_, column));
    case SQLITE_TEXT:
      return Text(column).toLongLong();
    default:
      return 0;
  }
}

double TStatementRow::Float(int column) const {
  switch (Type(column)) {
    case SQLITE_FLOAT:
      return sqlite3_column_double(st_, column);
    case SQLITE_INTEGER:
      return static_cast<double>(sqlite3_column_int64(st_, column));
    case SQLITE_TEXT:
      return Text(column).toDouble();
    default:
      return 0.0;
  }
}

QString TStatementRow::Text(int column) const {
  switch (Type(column)) {
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
      // Text first, then its length, as the engine asks.
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st_, column));
      return QString::fromUtf8(text, sqlite3_column_bytes(st_, column));
    }
    case SQLITE_INTEGER:
      return QString::number(sqlite3_column_int64(st_, column));
    case SQLITE_FLOAT:
      return QString::number(sqlite3_column_double(st_, column), 'g', 17);
    default:
      return QString();
  }
}

QByteArray TStatementRow::Blob(int column) const {
  switch (Type(column)) {
    case SQLITE_BLOB: {
      const auto* data = static_cast<const char*>(sqlite3_column_blob(st_, column));
      return QByteArray(data, sqlite3_column_bytes(st_, column));
    }
    case SQLITE_TEXT:
      return Text(column).toUtf8();
    default:
      return QByteArray();
  }
}

TStatement::TStatement(TSession& session, const QString& sql)
    : session_(session), cached_(session.Prepared(sql)), row_(cached_.Handle) {
  if (cached_.Busy) {
    throw GlimrError(QStringLiteral("Statement already in use: %1").arg(sql));
  }
  cached_.Busy = true;
}

TStatement::~TStatement() {
  Reset();
  sqlite3_clear_bindings(cached_.Handle);
  cached_.Busy = false;
}

void TStatement::Reset() {
  sqlite3_reset(cached_.Handle);
  row_.hasRow_ = false;
}

int TStatement::ParamIndex(const char* name) const {
  const int index = sqlite3_bind_parameter_index(cached_.Handle, name);
  if (index == 0) {
    throw GlimrError(QStringLiteral("Parameter '%1' not found").arg(QString::fromUtf8(name)));
  }
  return index;
}

void TStatement::Check(int rc) const {
  if (rc != SQLITE_OK) {
    throw GlimrError(session_.LastError());
  }
}

TStatement& TStatement::BindInt(const char* name, std::int64_t value) {
  Check(sqlite3_bind_int64(cached_.Handle, ParamIndex(name), value));
  return *this;
}

TStatement& TStatement::BindFloat(const char* name, double value) {
  Check(sqlite3_bind_double(cached_.Handle, ParamIndex(name), value));
  return *this;
}

TStatement& TStatement::BindText(const char* name, const QString& value) {
  const QByteArray utf8 = value.toUtf8();
  Check(sqlite3_bind_text64(cached_.Handle, ParamIndex(name), utf8.constData(),
                            static_cast<sqlite3_uint64>(utf8.size()), SQLITE_TRANSIENT,
                            SQLITE_UTF8));
  return *this;
}

TStatement& TStatement::BindBlob(const char* name, const QByteArray& value) {
  Check(sqlite3_bind_blob64(cached_.Handle, ParamIndex(name),
                            value.isNull() ? "" : value.constData(),
                            static_cast<sqlite3_uint64>(value.size()), SQLITE_TRANSIENT));
  return *this;
}

bool TStatement::Step() {
  const int rc = sqlite3_step(cached_.Handle);
  if (rc == SQLITE_ROW) {
    row_.hasRow_ = true;
    return true;
  }
  const QString message =
      rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(session_.Handle()));
  // Resetting ends the statement's read transaction at once, so a writer on
  // another connection is never held back by a finished query.
  Reset();
  if (rc != SQLITE_DONE) {
    if (IsWriteFailureCode(rc) && !sqlite3_stmt_readonly(cached_.Handle)) {
      // A catalog read as a snapshot says why it could not be opened for
      // writing (a full disk), not just that it is read-only.
      const QString& reason = session_.ReadOnlyReason();
      throw TCatalogWriteError(reason.isEmpty() ? message : reason);
    }
    throw GlimrError(message);
  }
  return false;
}

int TStatement::Exec() {
  while (Step()) {
  }
  return sqlite3_changes(session_.Handle());
}

}  // namespace glimr
