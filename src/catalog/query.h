#pragma once
// A buffered statement object for ad-hoc SQL texts outside the catalog
// library: set the text and named parameters, open (the whole result is read
// at once) or execute, then read fields by position. It runs on the calling
// thread's session; catalog code uses TStatement.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <variant>
#include <vector>

struct sqlite3_stmt;

namespace glimr {

class TdmVesk;

// One value of a result row.
class TField {
 public:
  bool IsNull() const { return std::holds_alternative<std::monostate>(v_); }
  std::int32_t AsInteger() const { return static_cast<std::int32_t>(AsLargeInt()); }
  std::int64_t AsLargeInt() const;
  double AsFloat() const;
  bool AsBoolean() const { return AsLargeInt() != 0; }
  double AsDateTime() const { return AsFloat(); }
  QString AsString() const;
  QByteArray AsBlob() const;

 private:
  friend class TQuery;
  std::variant<std::monostate, std::int64_t, double, QString, QByteArray> v_;
};

// One named parameter (":Name" in the text, "Name" here).
class TParam {
 public:
  void SetAsString(const QString& v) { v_ = v; }
  void SetAsInteger(std::int32_t v) { v_ = static_cast<std::int64_t>(v); }
  void SetAsFloat(double v) { v_ = v; }
  void SetAsBoolean(bool v) { v_ = static_cast<std::int64_t>(v ? 1 : 0); }
  void SetAsDateTime(double days) { v_ = days; }
  void SetAsBlob(const QByteArray& v) { v_ = v; }

 private:
  friend class TQuery;
  QByteArray name_;  // ":Name", as the engine looks it up
  std::variant<std::monostate, std::int64_t, double, QString, QByteArray> v_;
};

class TQuery {
 public:
  explicit TQuery(TdmVesk& dm) : dm_(dm) {}
  TQuery(const TQuery&) = delete;
  TQuery& operator=(const TQuery&) = delete;

  // Drops the open result; the text and the parameters stay.
  void Close();
  bool Active() const { return active_; }
  // Replaces the statement text (one line of SQL); parameters start unset.
  void SetText(const QString& sql);
  const QString& Text() const { return text_; }

  TParam& ParamByName(const QString& name);
  // Checks the text against the engine; optional before repeated opens.
  void Prepare();
  // Runs a SELECT, reads every row and stands on the first.
  void Open();
  // Runs an INSERT, UPDATE or DELETE; returns the number of changed rows.
  int ExecSQL();

  int RecordCount() const { return rowCount_; }
  void FetchAll();  // every row is already read: stands on the last one
  void First() { row_ = 0; }
  void Next();
  bool Eof() const { return row_ >= rowCount_; }
  int FieldCount() const { return columns_; }
  // Field i of the current row; a null field when there is no current row.
  const TField& Fields(int i) const;

 private:
  sqlite3_stmt* Bind();
  int Run(sqlite3_stmt* st, bool keepRows);

  TdmVesk& dm_;
  QString text_;
  std::vector<TParam> params_;
  bool active_ = false;
  int columns_ = 0;
  int rowCount_ = 0;
  int row_ = 0;
  std::vector<TField> values_;  // rowCount_ x columns_
  TField null_;
};

}  // namespace glimr
