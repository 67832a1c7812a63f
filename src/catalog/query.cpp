#include "catalog/query.h"

#include <sqlite3.h>

#include "catalog/dmvesk.h"
#include "common/errors.h"
#include "common/numeric.h"

namespace glimr {

std::int64_t TField::AsLargeInt() const {
  if (auto* i = std::get_if<std::int64_t>(&v_)) {
    return *i;
  }
  if (auto* d = std::get_if<double>(&v_)) {
    return RoundHalfEven(*d);
  }
  if (auto* s = std::get_if<QString>(&v_)) {
    return s->toLongLong();
  }
  return 0;
}

double TField::AsFloat() const {
  if (auto* d = std::get_if<double>(&v_)) {
    return *d;
  }
  if (auto* i = std::get_if<std::int64_t>(&v_)) {
    return static_cast<double>(*i);
  }
  if (auto* s = std::get_if<QString>(&v_)) {
    return s->toDouble();
  }
  return 0.0;
}

QString TField::AsString() const {
  if (auto* s = std::get_if<QString>(&v_)) {
    return *s;
  }
  if (auto* i = std::get_if<std::int64_t>(&v_)) {
    return QString::number(*i);
  }
  if (auto* d = std::get_if<double>(&v_)) {
    return QString::number(*d, 'g', 17);
  }
  if (auto* b = std::get_if<QByteArray>(&v_)) {
    return QString::fromUtf8(*b);
  }
  return QString();
}

QByteArray TField::AsBlob() const {
  if (auto* b = std::get_if<QByteArray>(&v_)) {
    return *b;
  }
  if (auto* s = std::get_if<QString>(&v_)) {
    return s->toUtf8();
  }
  return QByteArray();
}

void TQuery::Close() {
  active_ = false;
  values_.clear();
  columns_ = 0;
  rowCount_ = 0;
  row_ = 0;
}

void TQuery::SetText(const QString& sql) {
  Close();
  text_ = sql;
  params_.clear();
}

TParam& TQuery::ParamByName(const QString& name) {
  const QByteArray key = ':' + name.toUtf8();
  for (TParam& p : params_) {
    if (p.name_ == key) {
      return p;
    }
  }
  params_.emplace_back();
  params_.back().name_ = key;
  return params_.back();
}

void TQuery::Prepare() {
  dm_.CurrentSession().Statement(text_);
}

sqlite3_stmt* TQuery::Bind() {
  TSession& session = dm_.CurrentSession();
  sqlite3_stmt* st = session.Statement(text_);
  sqlite3_reset(st);
  sqlite3_clear_bindings(st);
  for (const TParam& p : params_) {
    const int index = sqlite3_bind_parameter_index(st, p.name_.constData());
    if (index == 0) {
      throw GlimrError(QStringLiteral("Parameter '%1' not found").arg(QString::fromUtf8(p.name_)));
    }
    int rc = SQLITE_OK;
    if (auto* i = std::get_if<std::int64_t>(&p.v_)) {
      rc = sqlite3_bind_int64(st, index, *i);
    } else if (auto* d = std::get_if<double>(&p.v_)) {
      rc = sqlite3_bind_double(st, index, *d);
    } else if (auto* s = std::get_if<QString>(&p.v_)) {
      // A null QString is stored as empty text, never as NULL.
      const QByteArray utf8 = s->toUtf8();
      rc = sqlite3_bind_text64(st, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT,
                               SQLITE_UTF8);
    } else if (auto* b = std::get_if<QByteArray>(&p.v_)) {
      rc = sqlite3_bind_blob64(st, index, b->isNull() ? "" : b->constData(),
                               static_cast<sqlite3_uint64>(b->size()), SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK) {
      throw GlimrError(session.LastError());
    }
  }
  return st;
}

int TQuery::Run(sqlite3_stmt* st, bool keepRows) {
  sqlite3* db = sqlite3_db_handle(st);
  const int columns = sqlite3_column_count(st);
  if (keepRows) {
    columns_ = columns;
  }
  for (;;) {
    const int rc = sqlite3_step(st);
    if (rc == SQLITE_DONE) {
      break;
    }
    if (rc != SQLITE_ROW) {
      const QString message = QString::fromUtf8(sqlite3_errmsg(db));
      sqlite3_reset(st);
      Close();
      throw GlimrError(message);
    }
    if (!keepRows) {
      continue;
    }
    for (int c = 0; c < columns; ++c) {
      TField f;
      switch (sqlite3_column_type(st, c)) {
        case SQLITE_INTEGER:
          f.v_ = static_cast<std::int64_t>(sqlite3_column_int64(st, c));
          break;
        case SQLITE_FLOAT:
          f.v_ = sqlite3_column_double(st, c);
          break;
        case SQLITE_TEXT: {
          const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
          f.v_ = QString::fromUtf8(text, sqlite3_column_bytes(st, c));
          break;
        }
        case SQLITE_BLOB: {
          const auto* data = static_cast<const char*>(sqlite3_column_blob(st, c));
          f.v_ = QByteArray(data, sqlite3_column_bytes(st, c));
          break;
        }
        default:
          break;
      }
      values_.push_back(std::move(f));
    }
    ++rowCount_;
  }
  const int changes = sqlite3_changes(db);
  // Resetting ends the statement's read transaction at once, so a writer on
  // another connection is never held back by a finished query.
  sqlite3_reset(st);
  return changes;
}

void TQuery::Open() {
  Close();
  sqlite3_stmt* st = Bind();
  Run(st, true);
  active_ = true;
  row_ = 0;
}

int TQuery::ExecSQL() {
  Close();
  sqlite3_stmt* st = Bind();
  return Run(st, false);
}

void TQuery::FetchAll() {
  row_ = rowCount_ > 0 ? rowCount_ - 1 : 0;
}

void TQuery::Next() {
  if (row_ < rowCount_) {
    ++row_;
  }
}

const TField& TQuery::Fields(int i) const {
  if (!active_ || i < 0 || i >= columns_ || row_ >= rowCount_) {
    return null_;
  }
  return values_[static_cast<size_t>(row_) * columns_ + i];
}

}  // namespace glimr
