#pragma once
// An initialization file ("[Section]" headers and "key=value" lines) as the
// language files and the external program list use it. Reading follows the
// classic profile-file rules: lines are trimmed, ";" starts a comment, names
// and keys ignore case, the last section of a name and the last line of a key
// count, lines before the first section are ignored. Writing keeps the order.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace glimr {

struct TIniEntry {
  QString key;
  QString value;
};

struct TIniSection {
  QString name;
  std::vector<TIniEntry> entries;
};

class TIniFile {
 public:
  // Parses text; never fails (what cannot be read is skipped).
  static TIniFile Parse(const QString& text);
  // Decodes the bytes (byte-order mark, else UTF-8, else Windows-1251; see
  // DecodeTextFile) and parses them.
  static TIniFile FromBytes(const QByteArray& bytes);
  // Reads a file. A missing or unreadable file gives nullopt.
  static std::optional<TIniFile> Load(const QString& path);

  // The text of the document, sections and keys in their order, LF line ends.
  QString ToText() const;
  // Writes the document as UTF-8, atomically (temporary file renamed over the
  // old one). On failure returns false and fills error when given.
  bool Save(const QString& path, QString* error = nullptr) const;

  // Every section in file order, duplicates included.
  const std::vector<TIniSection>& sections() const { return sections_; }

  // The section that lookups consult: the last one of that name, or null.
  const TIniSection* FindSection(const QString& name) const;
  // A section counts as present when it holds at least one key.
  bool SectionExists(const QString& name) const;
  // The value of the key's last line in the consulted section.
  std::optional<QString> Value(const QString& section, const QString& key) const;
  QString ReadString(const QString& section, const QString& key,
                     const QString& defaultValue = QString()) const;

  // Sets the key in the consulted section (its last line), appending the key
  // or the section when missing. Values are written on one line, so line
  // breaks inside the value are replaced by blanks.
  void WriteString(const QString& section, const QString& key, const QString& value);
  // Removes every section of that name; false when there was none.
  bool EraseSection(const QString& name);

 private:
  TIniSection* FindSectionMutable(const QString& name);

  std::vector<TIniSection> sections_;
};

}  // namespace glimr
