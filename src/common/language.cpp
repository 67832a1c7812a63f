#include "common/language.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLoggingCategory>

#include <memory>
#include <mutex>
#include <shared_mutex>

#include "common/inifile.h"
#include "common/textcodec.h"

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

// At least one entry in a section a language file has; text that merely
// happens to contain a bracketed line and a "=" elsewhere is not enough.
bool HoldsLanguageEntries(const TIniFile& ini) {
  static const QString kSections[] = {QStringLiteral("Captions"), QStringLiteral("Hints"),
                                      QStringLiteral("Strings"), QStringLiteral("Options")};
  for (const TIniSection& s : ini.sections()) {
    if (s.entries.empty()) {
      continue;
    }
    for (const QString& name : kSections) {
      if (s.name.compare(name, Qt::CaseInsensitive) == 0) {
        return true;
      }
    }
  }
  return false;
}

// The parsed file, or nullopt with the reason. Decoding never fails (see
// DecodeTextFile), so what is refused here is what no editor would save as a
// language file: an oversized or binary file, or one without a single entry.
std::optional<TIniFile> ReadLanguageFile(const QString& path, QString* error) {
  const auto fail = [&](const QString& why) -> std::optional<TIniFile> {
    if (error) {
      *error = why;
    }
    return std::nullopt;
  };
  QFile f(path);
  if (QFileInfo(path).isDir() || !f.open(QIODevice::ReadOnly)) {
    return fail(QStringLiteral("%1 cannot be read").arg(path));
  }
  // Read one byte past the limit, so a file that grows meanwhile is caught too.
  const QByteArray bytes = f.read(kMaxLanguageFileBytes + 1);
  if (f.error() != QFileDevice::NoError) {
    return fail(QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString()));
  }
  if (bytes.size() > kMaxLanguageFileBytes) {
    return fail(QStringLiteral("%1 is too large for a language file").arg(path));
  }
  const QString text = DecodeTextFile(bytes);
  if (text.contains(QChar(0))) {
    return fail(QStringLiteral("%1 holds binary data, not text").arg(path));
  }
  TIniFile ini = TIniFile::Parse(text);
  if (!HoldsLanguageEntries(ini)) {
    return fail(QStringLiteral("%1 holds no language texts").arg(path));
  }
  return ini;
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

bool LoadLanguageFile(const QString& path, QString* error) {
  auto lang = std::make_shared<TLoadedLanguage>();
  lang->path = path;
  // A bare folder, present or not, is how "no language chosen" can reach here
  // (the languages folder joined with an empty file name).
  const bool noFile = path.isEmpty() || path.endsWith(QLatin1Char('/')) || QFileInfo(path).isDir();
  if (!noFile) {
    QString why;
    std::optional<TIniFile> ini = ReadLanguageFile(path, &why);
    if (!ini) {
      qCWarning(lcLanguage) << why << "- the language in force stays";
      if (error) {
        *error = why;
      }
      return false;
    }
    // Built completely before it is published: lookups on other threads see
    // the old language or the new one, never a part of it.
    lang->texts = BuildMap(*ini);
  }
  std::unique_lock lock(LanguageMutex());
  Loaded() = std::move(lang);
  return true;
}

QString LoadedLanguageFile() {
  const std::shared_ptr<const TLoadedLanguage> lang = Current();
  return lang ? lang->path : QString();
}

std::optional<QString> LanguageDescription(const QString& path) {
  const std::optional<TIniFile> ini = ReadLanguageFile(path, nullptr);
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
