#pragma once
// The extension table: the icon and the type name shared by every file of one
// extension, for the file list view. Filled on demand, never emptied.

#include <QHash>
#include <QIcon>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class QAbstractFileIconProvider;

namespace glimr {

// One entry of the extension table: the icon and the type name shared by
// every record with that extension.
struct TExtInfo {
  std::int32_t ImageIndex = -1;
  QString ShellTypeName;  // at most 80 characters
  QIcon Icon;
};

// The extension table: filled on demand, entries are only added. Keys ignore
// case; files without an extension share the entry of the empty key.
class TExtensionTable {
 public:
  // icons supplies the file icons (the GUI passes a QFileIconProvider, which
  // falls back to the style's icons); without one a QAbstractFileIconProvider
  // is used. The provider must outlive the table.
  explicit TExtensionTable(const QAbstractFileIconProvider* icons = nullptr);
  ~TExtensionTable();
  TExtensionTable(const TExtensionTable&) = delete;
  TExtensionTable& operator=(const TExtensionTable&) = delete;

  // The record's ExtIndex for a full path (adds an entry when new). The type
  // name is the comment of the extension's MIME type, e.g. "JPEG image".
  std::int32_t ExtensionIndex(const QString& fullPath);
  const TExtInfo* At(std::int32_t index) const;
  std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }

 private:
  const QAbstractFileIconProvider* icons_;
  std::unique_ptr<QAbstractFileIconProvider> ownIcons_;
  QHash<QString, std::int32_t> index_;  // lower-case extension -> position
  std::vector<TExtInfo> entries_;
};

}  // namespace glimr
