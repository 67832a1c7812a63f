#include "options/languagelist.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "common/language.h"

namespace glimr {

namespace {
constexpr int kCapDefaultLanguage = 260;
}  // namespace

QString DefaultLanguageText() {
  return LangText(TLangSection::Captions, kCapDefaultLanguage, QStringLiteral("Default(English)"));
}

QList<TLanguageItem> BuildLanguageList(const QString& folder) {
  return BuildLanguageList(QStringList{folder});
}

QList<TLanguageItem> BuildLanguageList(const QStringList& folders) {
  QList<TLanguageItem> items;
  items.append({DefaultLanguageText(), QString()});
  QSet<QString> names;
  QSet<QString> seenFolders;
  for (const QString& folder : folders) {
    if (folder.isEmpty()) {
      continue;
    }
    QDir dir(folder);
    const QString canonical = dir.canonicalPath();
    if (canonical.isEmpty() || seenFolders.contains(canonical)) {
      continue;  // missing, or the same folder named twice (a portable copy)
    }
    seenFolders.insert(canonical);
    dir.setNameFilters({QStringLiteral("*.lng")});
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    dir.setSorting(QDir::Name);
    const QFileInfoList files = dir.entryInfoList();
    for (const QFileInfo& file : files) {
      if (names.contains(file.fileName())) {
        continue;
      }
      const QString path = file.absoluteFilePath();
      const std::optional<QString> desc = LanguageDescription(path);
      if (desc && !desc->isEmpty()) {
        names.insert(file.fileName());
        items.append({*desc, path});
      }
    }
  }
  return items;
}

int LanguageIndexOf(const QList<TLanguageItem>& items, const QString& path) {
  if (path.isEmpty()) {
    return 0;
  }
  const QString wanted = QFileInfo(path).absoluteFilePath();
  for (int i = 1; i < items.size(); ++i) {
    if (items[i].Path == wanted) {
      return i;
    }
  }
  return 0;
}

bool LanguageFileUsable(const QString& path) {
  if (!QFileInfo(path).isFile()) {
    return false;
  }
  const std::optional<QString> desc = LanguageDescription(path);
  return desc && !desc->isEmpty();
}

}  // namespace glimr
