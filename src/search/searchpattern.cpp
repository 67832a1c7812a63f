#include "search/searchpattern.h"

#include <QDir>

#include <algorithm>

namespace glimr {

QString SearchNameMask(const QString& nameText) {
  return QLatin1Char('*') + nameText + QLatin1Char('*');
}

QString SearchLikePattern(const QString& nameText) {
  const QList<uint> cs = nameText.toUcs4();
  QString like;
  for (qsizetype i = 0; i < cs.size(); ++i) {
    const char32_t c = cs[i];
    if (c == U'*') {
      like += QLatin1Char('%');
    } else if (c == U'?') {
      like += QLatin1Char('_');
    } else if (c == U'[') {
      // A set stands for one character; one that is never closed is left
      // as a literal here and refused by the mask.
      qsizetype end = i + 1;
      if (end < cs.size() && cs[end] == U'!') {
        ++end;
      }
      while (end < cs.size() && cs[end] != U']') {
        ++end;
      }
      if (end < cs.size()) {
        like += QLatin1Char('_');
        i = end;
      } else {
        like += QLatin1Char('[');
      }
    } else if (c == U'%' || c == U'_' || c == U'\\') {
      like += QLatin1Char('\\');
      like += QChar(c);
    } else if (c >= 0x80 || c == U'i' || c == U'I' || c == U's' || c == U'S') {
      // The engine's LIKE folds ASCII letters only, while the mask folds
      // every letter (and "ı" and "ſ" fold to "I" and "S").
      like += QLatin1Char('_');
    } else {
      like += QChar(c);
    }
  }
  if (!like.startsWith(QLatin1Char('%'))) {
    like.prepend(QLatin1Char('%'));
  }
  if (!like.endsWith(QLatin1Char('%')) || like.endsWith(QLatin1String("\\%"))) {
    like += QLatin1Char('%');
  }
  return like;
}

QStringList SearchFolderList(const QStringList& folders, bool subdirectories) {
  QStringList list;
  for (const QString& f : folders) {
    if (f.isEmpty()) {
      continue;
    }
    QString path = QDir::cleanPath(f);
    if (!path.endsWith(QLatin1Char('/'))) {
      path += QLatin1Char('/');
    }
    list.append(path);
  }
  std::sort(list.begin(), list.end());
  list.erase(std::unique(list.begin(), list.end()), list.end());
  if (!subdirectories) {
    return list;
  }
  // Every kept folder is checked, not only the one before: "/a-b/" sorts
  // between "/a/" and "/a/b/".
  QStringList kept;
  for (const QString& path : list) {
    const bool inside =
        std::any_of(kept.begin(), kept.end(), [&](const QString& k) { return path.startsWith(k); });
    if (!inside) {
      kept.append(path);
    }
  }
  return kept;
}

}  // namespace glimr
