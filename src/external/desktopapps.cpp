#include "external/desktopapps.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>

#include "external/commandline.h"
#include "external/externallaunch.h"
#include "external/externallog.h"

namespace glimr {

namespace {

const QString kFullName = QStringLiteral(":FullName:");

// A desktop file describes one program in a few hundred bytes; a huge one is
// not worth reading.
constexpr qint64 kMaxEntrySize = 1024 * 1024;

// The escapes of string values: \s \n \t \r \\. Any other backslash stays,
// for the command-line rules of Exec to read.
QString UnescapeValue(const QString& value) {
  QString out;
  out.reserve(value.size());
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != QLatin1Char('\\') || i + 1 >= value.size()) {
      out += value[i];
      continue;
    }
    const QChar next = value[i + 1];
    if (next == QLatin1Char('s')) {
      out += QLatin1Char(' ');
    } else if (next == QLatin1Char('n')) {
      out += QLatin1Char('\n');
    } else if (next == QLatin1Char('t')) {
      out += QLatin1Char('\t');
    } else if (next == QLatin1Char('r')) {
      out += QLatin1Char('\r');
    } else if (next == QLatin1Char('\\')) {
      out += QLatin1Char('\\');
    } else {
      out += value[i];
      continue;
    }
    ++i;
  }
  return out;
}

// The keys of the first "[Desktop Entry]" group; a repeated key counts once,
// its last line.
QHash<QString, QString> DesktopEntryKeys(const QString& text) {
  QHash<QString, QString> keys;
  bool inMain = false;
  bool seenMain = false;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (const QString& raw : lines) {
    const QString line = raw.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
      continue;
    }
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      inMain = !seenMain && line == QLatin1StringView("[Desktop Entry]");
      seenMain = seenMain || inMain;
      continue;
    }
    if (!inMain) {
      continue;
    }
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) {
      continue;
    }
    keys.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
  }
  return keys;
}

// The suffixes to try for a localized key, best first: "[lang_COUNTRY@MOD]",
// "[lang_COUNTRY]", "[lang@MOD]", "[lang]".
QStringList LocaleSuffixes(const QString& locale) {
  QString name = locale;
  QString modifier;
  const qsizetype at = name.indexOf(QLatin1Char('@'));
  if (at >= 0) {
    modifier = name.mid(at + 1);
    name = name.left(at);
  }
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  if (dot >= 0) {
    name = name.left(dot);  // the encoding plays no part
  }
  const qsizetype underscore = name.indexOf(QLatin1Char('_'));
  const QString lang = underscore >= 0 ? name.left(underscore) : name;
  const QString country = underscore >= 0 ? name.mid(underscore + 1) : QString();
  QStringList out;
  if (lang.isEmpty()) {
    return out;
  }
  const auto add = [&](const QString& s) { out.append(QLatin1Char('[') + s + QLatin1Char(']')); };
  if (!country.isEmpty() && !modifier.isEmpty()) {
    add(lang + QLatin1Char('_') + country + QLatin1Char('@') + modifier);
  }
  if (!country.isEmpty()) {
    add(lang + QLatin1Char('_') + country);
  }
  if (!modifier.isEmpty()) {
    add(lang + QLatin1Char('@') + modifier);
  }
  add(lang);
  return out;
}

QString LocalizedValue(const QHash<QString, QString>& keys, const QString& key,
                       const QStringList& suffixes) {
  for (const QString& suffix : suffixes) {
    const auto it = keys.constFind(key + suffix);
    if (it != keys.constEnd() && !it->isEmpty()) {
      return UnescapeValue(*it);
    }
  }
  return UnescapeValue(keys.value(key));
}

bool IsTrue(const QHash<QString, QString>& keys, const QString& key) {
  return keys.value(key) == QLatin1StringView("true");
}

bool OpensImages(const QString& mimeTypes) {
  const QStringList types = mimeTypes.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  return std::any_of(types.begin(), types.end(), [](const QString& t) {
    return t.trimmed().startsWith(QLatin1StringView("image/"), Qt::CaseInsensitive);
  });
}

// One argument of a command with its field codes expanded; sets hasFile when
// a file code was met.
QString ExpandFieldCodes(const QString& arg, bool& hasFile) {
  QString out;
  for (qsizetype i = 0; i < arg.size(); ++i) {
    if (arg[i] != QLatin1Char('%') || i + 1 >= arg.size()) {
      out += arg[i];
      continue;
    }
    const QChar code = arg[++i];
    if (code == QLatin1Char('f') || code == QLatin1Char('F') || code == QLatin1Char('u') ||
        code == QLatin1Char('U')) {
      out += kFullName;
      hasFile = true;
    } else if (code == QLatin1Char('%')) {
      out += QLatin1Char('%');
    }
    // %i %c %k, the deprecated codes and unknown ones expand to nothing.
  }
  return out;
}

// An argument written so that a parameter template splits back into it.
QString TemplateArgument(const QString& arg) {
  const bool needsQuotes = std::any_of(arg.begin(), arg.end(), [](QChar c) { return c.isSpace(); });
  return needsQuotes ? QLatin1Char('"') + arg + QLatin1Char('"') : arg;
}

}  // namespace

std::optional<std::pair<QString, QString>> DesktopExecToProgram(const QString& exec) {
  // The Exec value's string escapes are already removed; what is left still
  // honours backslashes, and an open quote makes the whole value unusable.
  const TCommandLineArguments split = SplitCommandLine(exec, TArgumentEscapes::Backslash);
  const QStringList& args = split.Arguments;
  if (split.OpenQuote || args.isEmpty()) {
    return std::nullopt;
  }
  bool hasFile = false;
  const QString program = ExpandFieldCodes(args.front(), hasFile);
  if (program.isEmpty() || hasFile) {
    return std::nullopt;
  }
  QStringList parts;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& arg = args.at(i);
    const QString expanded = ExpandFieldCodes(arg, hasFile);
    if (expanded.isEmpty()) {
      continue;  // nothing left of it (a dropped code) or an empty argument
    }
    if (expanded.contains(QLatin1Char('"'))) {
      return std::nullopt;
    }
    parts.append(TemplateArgument(expanded));
  }
  if (!hasFile) {
    parts.append(kFullName);
  }
  return std::make_pair(program, parts.join(QLatin1Char(' ')));
}

std::optional<TDesktopApp> ParseDesktopEntry(const QString& text, const QString& locale) {
  const QHash<QString, QString> keys = DesktopEntryKeys(text);
  if (keys.value(QStringLiteral("Type")) != QLatin1StringView("Application") ||
      IsTrue(keys, QStringLiteral("NoDisplay")) || IsTrue(keys, QStringLiteral("Hidden")) ||
      !OpensImages(keys.value(QStringLiteral("MimeType")))) {
    return std::nullopt;
  }
  const QStringList suffixes = LocaleSuffixes(locale);
  TDesktopApp app;
  app.Name = LocalizedValue(keys, QStringLiteral("Name"), suffixes).simplified();
  if (app.Name.isEmpty()) {
    return std::nullopt;
  }
  const auto command = DesktopExecToProgram(UnescapeValue(keys.value(QStringLiteral("Exec"))));
  if (!command) {
    return std::nullopt;
  }
  app.Program = command->first;
  app.Parameters = command->second;
  app.IconName = LocalizedValue(keys, QStringLiteral("Icon"), suffixes);
  app.TryExec = UnescapeValue(keys.value(QStringLiteral("TryExec")));
  return app;
}

QStringList ApplicationDirs() {
  QString home = qEnvironmentVariable("XDG_DATA_HOME");
  if (home.isEmpty()) {
    home = QDir::homePath() + QStringLiteral("/.local/share");
  }
  QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
  if (dataDirs.isEmpty()) {
    dataDirs = QStringLiteral("/usr/local/share/:/usr/share/");
  }
  QStringList out;
  const QStringList bases =
      QStringList{home} + dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts);
  for (const QString& base : bases) {
    const QString dir = QDir::cleanPath(base + QStringLiteral("/applications"));
    if (!out.contains(dir)) {
      out.append(dir);
    }
  }
  return out;
}

std::vector<TDesktopApp> FindImageApplications(const QStringList& dirs, const QString& locale) {
  std::vector<TDesktopApp> apps;
  QSet<QString> seen;
  for (const QString& dir : dirs) {
    QStringList files;
    QDirIterator it(dir, {QStringLiteral("*.desktop")}, QDir::Files,
                    QDirIterator::Subdirectories | QDirIterator::FollowSymlinks);
    while (it.hasNext()) {
      files.append(it.next());
    }
    files.sort();
    const QDir base(dir);
    for (const QString& file : files) {
      QString id = base.relativeFilePath(file);
      id.replace(QLatin1Char('/'), QLatin1Char('-'));
      if (seen.contains(id)) {
        continue;
      }
      seen.insert(id);
      QFile f(file);
      if (f.size() > kMaxEntrySize || !f.open(QIODevice::ReadOnly)) {
        continue;
      }
      std::optional<TDesktopApp> app = ParseDesktopEntry(QString::fromUtf8(f.readAll()), locale);
      if (!app) {
        continue;
      }
      if (!app->TryExec.isEmpty() && !ResolveProgram(app->TryExec)) {
        continue;
      }
      const std::optional<QString> program = ResolveProgram(app->Program);
      if (!program) {
        qCDebug(lcExternal) << "skipped" << file << "whose program is not installed";
        continue;
      }
      app->Id = id;
      app->Program = *program;
      apps.push_back(std::move(*app));
    }
  }
  std::sort(apps.begin(), apps.end(), [](const TDesktopApp& a, const TDesktopApp& b) {
    const int c = QString::localeAwareCompare(a.Name, b.Name);
    return c != 0 ? c < 0 : a.Id < b.Id;
  });
  return apps;
}

QIcon DesktopIcon(const QString& iconName) {
  if (iconName.isEmpty()) {
    return {};
  }
  if (QDir::isAbsolutePath(iconName)) {
    return QFileInfo(iconName).isFile() ? QIcon(iconName) : QIcon();
  }
  QIcon icon = QIcon::fromTheme(iconName);
  if (icon.isNull()) {
    // Some entries name the icon file ("viewer.png") where a name belongs.
    const QString bare = QFileInfo(iconName).completeBaseName();
    if (!bare.isEmpty() && bare != iconName) {
      icon = QIcon::fromTheme(bare);
    }
  }
  return icon;
}

void TDesktopApps::Scan() {
  Scan(ApplicationDirs(), QLocale().name());
}

void TDesktopApps::Scan(const QStringList& dirs, const QString& locale) {
  apps_ = FindImageApplications(dirs, locale);
  scanned_ = true;
}

const TDesktopApp* TDesktopApps::FindByProgram(const QString& programPath) const {
  const auto key = [](const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
  };
  const QString wanted = key(programPath);
  for (const TDesktopApp& app : apps_) {
    if (key(app.Program) == wanted) {
      return &app;
    }
  }
  return nullptr;
}

}  // namespace glimr
