#include "common/language.h"

#include <QHash>
#include <QLoggingCategory>

#include <memory>
#include <mutex>
#include <shared_mutex>

#include "common/inifile.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcLanguage, "glimr.language")

namespace {

// Lower-case section -> lower-case key -> text.
using TLangMap = QHash<QString, QHash<QString, QString>>;

struct TLoadedLanguage {
  QString path;
  TLangMap texts;
};

std::shared_mutex& LanguageMutex() {
  static std::shared_mutex m;
  return m;
}

std::shared_ptr<const TLoadedLanguage>& Loaded() {
  static std::shared_ptr<const TLoadedLanguage> loaded;
  return loaded;
}

std::shared_ptr<const TLoadedLanguage> Current() {
  std::shared_lock lock(LanguageMutex());
  return Loaded();
}

TLangMap BuildMap(const TIniFile& ini) {
  TLangMap map;
  for (const TIniSection& s : ini.sections()) {
    // A later section of the same name replaces the earlier one as a whole.
    QHash<QString, QString>& keys = map[s.name.toLower()];
    keys.clear();
    for (const TIniEntry& e : s.entries) {
      keys.insert(e.key.toLower(), e.value);
    }
  }
  return map;
}

}  // namespace

QString LangText(const QString& section, const QString& key, const QString& defaultText) {
  const std::shared_ptr<const TLoadedLanguage> lang = Current();
  if (!lang) {
    return defaultText;
  }
  const auto s = lang->texts.constFind(section.toLower());
  if (s == lang->texts.cend()) {
    return defaultText;
  }
  const auto k = s->constFind(key.toLower());
  return k == s->cend() ? defaultText : *k;
}

QString LangText(TLangSection section, int key, const QString& defaultText) {
  return LangText(LangSectionName(section), QString::number(key), defaultText);
}

QString LangText(TLangSection section, int key) {
  return LangText(section, key, LangDefault(section, key));
}

void LoadLanguageFile(const QString& path) {
  auto lang = std::make_shared<TLoadedLanguage>();
  lang->path = path;
  if (!path.isEmpty()) {
    if (std::optional<TIniFile> ini = TIniFile::Load(path)) {
      lang->texts = BuildMap(*ini);
    } else if (!path.endsWith(QLatin1Char('/'))) {
      // A bare folder is the usual "no language chosen" case, not worth a note.
      qCDebug(lcLanguage) << "no language file at" << path << "- built-in texts";
    }
  }
  std::unique_lock lock(LanguageMutex());
  Loaded() = std::move(lang);
}

QString LoadedLanguageFile() {
  const std::shared_ptr<const TLoadedLanguage> lang = Current();
  return lang ? lang->path : QString();
}

std::optional<QString> LanguageDescription(const QString& path) {
  const std::optional<TIniFile> ini = TIniFile::Load(path);
  if (!ini) {
    return std::nullopt;
  }
  return ini->Value(QStringLiteral("Options"), QStringLiteral("LangDesc"));
}

QString ExpandLineBreaks(const QString& text) {
  // A plain line feed: Qt labels and message boxes break lines at LF, while a
  // CR after it would show as a stray glyph in some fonts.
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('\\') && i + 1 < text.size() &&
        (text[i + 1] == QLatin1Char('n') || text[i + 1] == QLatin1Char('N'))) {
      out += QLatin1Char('\n');
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace glimr
