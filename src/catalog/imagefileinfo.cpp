#include "catalog/imagefileinfo.h"

#include <QFileInfo>
#include <QLocale>

#include "common/language.h"

namespace glimr {

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

}  // namespace glimr
