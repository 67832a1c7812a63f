#include "browse/ui/extensiontable.h"

#include <QAbstractFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

#include "catalog/imagefileinfo.h"

namespace glimr {

TExtensionTable::TExtensionTable(const QAbstractFileIconProvider* icons) : icons_(icons) {
  if (!icons_) {
    ownIcons_ = std::make_unique<QAbstractFileIconProvider>();
    icons_ = ownIcons_.get();
  }
}

TExtensionTable::~TExtensionTable() = default;

std::int32_t TExtensionTable::ExtensionIndex(const QString& fullPath) {
  const QString key = GetExtension(fullPath).toLower();
  if (auto it = index_.constFind(key); it != index_.cend()) {
    return *it;
  }
  // By extension only: the entry is shared by every file with this extension,
  // so it must not depend on one file's content.
  const QMimeDatabase mimeDb;
  const QMimeType mime = mimeDb.mimeTypeForFile(
      key.isEmpty() ? QStringLiteral("noextension") : QStringLiteral("x.") + key,
      QMimeDatabase::MatchExtension);
  TExtInfo info;
  info.ImageIndex = static_cast<std::int32_t>(entries_.size());
  info.ShellTypeName = mime.comment().left(80);
  info.Icon = QIcon::fromTheme(mime.iconName());
  if (info.Icon.isNull()) {
    info.Icon = QIcon::fromTheme(mime.genericIconName());
  }
  if (info.Icon.isNull()) {
    info.Icon = icons_->icon(QFileInfo(fullPath));
  }
  if (info.Icon.isNull()) {
    info.Icon = icons_->icon(QAbstractFileIconProvider::File);
  }
  entries_.push_back(std::move(info));
  index_.insert(key, entries_.back().ImageIndex);
  return entries_.back().ImageIndex;
}

const TExtInfo* TExtensionTable::At(std::int32_t index) const {
  if (index < 0 || index >= Count()) {
    return nullptr;
  }
  return &entries_[static_cast<std::size_t>(index)];
}

}  // namespace glimr
