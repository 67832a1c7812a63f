#pragma once
// A small typed key/value tree standing in for the registry of the current
// user, saved as one text file in the .reg export format (REGEDIT4). Keys keep
// their creation order, values the order in which they were first written.
// Key paths use "\" and are relative to HKEY_CURRENT_USER, for example
// "Software\Quillfen\Glimr\Plugins". Lookups ignore case, as the registry does.
// A text holding a line break or another control character is written in
// regedit's hex(1) form (UTF-16LE bytes), so it reads back exactly.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace glimr {

enum class RegType { Dword, String, Binary };

struct RegValue {
  QString name;
  RegType type = RegType::Dword;
  quint32 dword = 0;
  QString text;
  QByteArray bytes;
};

class RegStore {
 public:
  // The file is not read until Load().
  explicit RegStore(QString filePath);
  ~RegStore();
  RegStore(const RegStore&) = delete;
  RegStore& operator=(const RegStore&) = delete;

  // $XDG_CONFIG_HOME/Quillfen/Glimr.reg, ~/.config/... when unset.
  static QString DefaultPath();

  const QString& filePath() const { return path_; }

  // Reads the file. A missing file gives an empty tree and true; an unreadable
  // one gives false. Lines that cannot be parsed are skipped one by one.
  bool Load();
  // Writes the whole tree atomically (temporary file renamed over the old
  // once every byte is on disk). On failure (a full disk, say) returns false
  // with lastError() set and leaves the old file untouched.
  bool Save() const;
  QString lastError() const { return lastError_; }

  // Parses/produces the file text; exposed for tests.
  void ParseText(const QString& text);
  QString ToText() const;

  bool KeyExists(const QString& key) const;
  void CreateKey(const QString& key);
  // Deletes the key with everything below it. False when it did not exist.
  bool DeleteKey(const QString& key);
  // Names of the direct subkeys, in creation order.
  QStringList SubKeys(const QString& key) const;
  // Value names of a key, in the order they were first written.
  QStringList ValueNames(const QString& key) const;

  bool ValueExists(const QString& key, const QString& name) const;
  const RegValue* Value(const QString& key, const QString& name) const;
  // Typed reads: nullopt when the value is missing or of another type.
  std::optional<quint32> ReadDword(const QString& key, const QString& name) const;
  std::optional<QString> ReadString(const QString& key, const QString& name) const;
  std::optional<QByteArray> ReadBinary(const QString& key, const QString& name) const;

  // Writes create the key when missing; an existing value keeps its place.
  void WriteDword(const QString& key, const QString& name, quint32 v);
  void WriteString(const QString& key, const QString& name, const QString& v);
  void WriteBinary(const QString& key, const QString& name, const QByteArray& v);
  bool DeleteValue(const QString& key, const QString& name);

 private:
  struct Node;
  Node* Find(const QString& key) const;
  Node* FindOrCreate(const QString& key);
  void Put(const QString& key, RegValue v);

  QString path_;
  std::unique_ptr<Node> root_;
  mutable QString lastError_;
};

}  // namespace glimr
