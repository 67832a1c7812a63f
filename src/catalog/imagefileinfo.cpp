#include "catalog/imagefileinfo.h"

#include <QAbstractFileIconProvider>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>

#include "common/language.h"

namespace glimr {

void CopyImageFileInfo(TImageFileInfo& destination, const TImageFileInfo& source) {
  destination = source;
  // QString is implicitly shared; detach so the copy never aliases the source.
  destination.Caption.detach();
  destination.FileName.detach();
  destination.TypeName.detach();
  destination.Path.detach();
}

QString GetExtension(const QString& path) {
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (dot < 0 || dot < slash) {
    return {};
  }
  return path.mid(dot + 1, 100);
}

std::int64_t FileSizeOf(const QString& path) {
  if (path.isEmpty()) {
    return -1;
  }
  const QFileInfo fi(path);
  if (!fi.exists()) {
    return -1;
  }
  return static_cast<std::int64_t>(fi.size());
}

QString FileSizeToText(std::int64_t size) {
  if (size < 1024) {
    return QString::number(size) + QLatin1Char(' ') +
           LangText(TLangSection::Strings, 13, QStringLiteral("b"));
  }
  // One decimal with the user's decimal separator and no digit grouping,
  // as "%.1f" would print it.
  QLocale locale = QLocale::system();
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  if (size < 1048576) {
    return locale.toString(static_cast<double>(size) / 1024.0, 'f', 1) + QLatin1Char(' ') +
           LangText(TLangSection::Strings, 14, QStringLiteral("Kb"));
  }
  return locale.toString(static_cast<double>(size) / 1048576.0, 'f', 1) + QLatin1Char(' ') +
         LangText(TLangSection::Strings, 15, QStringLiteral("Mb"));
}

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
