#include "common/inifile.h"

#include <QFile>
#include <QFileInfo>

#include "common/filewrite.h"
#include "common/textcodec.h"

namespace glimr {

namespace {

// Blanks and control characters, as the profile-file functions trim them.
bool IsTrimmed(QChar c) {
  return c.unicode() <= 0x20 || c.unicode() == 0x7F || c.isSpace();
}

QString TrimLine(QStringView s) {
  qsizetype b = 0;
  qsizetype e = s.size();
  while (b < e && IsTrimmed(s[b])) {
    ++b;
  }
  while (e > b && IsTrimmed(s[e - 1])) {
    --e;
  }
  return s.mid(b, e - b).toString();
}

bool SameName(const QString& a, const QString& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString OneLine(QString v) {
  v.replace(QLatin1Char('\r'), QLatin1Char(' '));
  v.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return v;
}

}  // namespace

TIniFile TIniFile::Parse(const QString& text) {
  TIniFile ini;
  TIniSection* current = nullptr;
  qsizetype start = 0;
  const qsizetype n = text.size();
  while (start <= n) {
    qsizetype end = start;
    while (end < n && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r')) {
      ++end;
    }
    const QString line = TrimLine(QStringView(text).mid(start, end - start));
    // CR LF, LF and CR all end a line.
    if (end < n && text[end] == QLatin1Char('\r') && end + 1 < n &&
        text[end + 1] == QLatin1Char('\n')) {
      ++end;
    }
    start = end + 1;

    if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) {
      continue;
    }
    if (line.size() >= 2 && line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      ini.sections_.push_back(TIniSection{TrimLine(QStringView(line).mid(1, line.size() - 2)), {}});
      current = &ini.sections_.back();
      continue;
    }
    if (!current) {
      continue;  // before the first section
    }
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) {
      continue;
    }
    current->entries.push_back(
        TIniEntry{TrimLine(QStringView(line).left(eq)), TrimLine(QStringView(line).mid(eq + 1))});
  }
  return ini;
}

TIniFile TIniFile::FromBytes(const QByteArray& bytes) {
  return Parse(DecodeTextFile(bytes));
}

std::optional<TIniFile> TIniFile::Load(const QString& path) {
  if (path.isEmpty() || QFileInfo(path).isDir()) {
    return std::nullopt;
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    return std::nullopt;
  }
  return FromBytes(f.readAll());
}

QString TIniFile::ToText() const {
  QString out;
  bool first = true;
  for (const TIniSection& s : sections_) {
    if (!first) {
      out += QLatin1Char('\n');
    }
    first = false;
    out += QLatin1Char('[') + s.name + QStringLiteral("]\n");
    for (const TIniEntry& e : s.entries) {
      out += e.key + QLatin1Char('=') + e.value + QLatin1Char('\n');
    }
  }
  return out;
}

bool TIniFile::Save(const QString& path, QString* error) const {
  return WriteFileAtomically(path, ToText().toUtf8(), error);
}

const TIniSection* TIniFile::FindSection(const QString& name) const {
  for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
    if (SameName(it->name, name)) {
      return &*it;
    }
  }
  return nullptr;
}

TIniSection* TIniFile::FindSectionMutable(const QString& name) {
  return const_cast<TIniSection*>(std::as_const(*this).FindSection(name));
}

bool TIniFile::SectionExists(const QString& name) const {
  const TIniSection* s = FindSection(name);
  return s && !s->entries.empty();
}

std::optional<QString> TIniFile::Value(const QString& section, const QString& key) const {
  const TIniSection* s = FindSection(section);
  if (!s) {
    return std::nullopt;
  }
  for (auto it = s->entries.rbegin(); it != s->entries.rend(); ++it) {
    if (SameName(it->key, key)) {
      return it->value;
    }
  }
  return std::nullopt;
}

QString TIniFile::ReadString(const QString& section, const QString& key,
                             const QString& defaultValue) const {
  return Value(section, key).value_or(defaultValue);
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  TIniSection* s = FindSectionMutable(section);
  if (!s) {
    sections_.push_back(TIniSection{section, {}});
    s = &sections_.back();
  }
  for (auto it = s->entries.rbegin(); it != s->entries.rend(); ++it) {
    if (SameName(it->key, key)) {
      it->value = OneLine(value);
      return;
    }
  }
  s->entries.push_back(TIniEntry{key, OneLine(value)});
}

bool TIniFile::EraseSection(const QString& name) {
  const auto before = sections_.size();
  std::erase_if(sections_, [&](const TIniSection& s) { return SameName(s.name, name); });
  return sections_.size() != before;
}

}  // namespace glimr
