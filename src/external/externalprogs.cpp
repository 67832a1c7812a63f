#include "external/externalprogs.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

#include "common/inifile.h"
#include "common/language.h"
#include "external/externallog.h"

namespace glimr {

namespace {

const QString kSectionPrefix = QStringLiteral("External Editor ");
const QString kName = QStringLiteral("Name");
const QString kPath = QStringLiteral("Path");
const QString kParameters = QStringLiteral("Parameters");

// The list holds a few lines per program; a bigger file is not a list of
// ours, and reading it whole could exhaust the memory.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

// The number of an "External Editor N" section written as Glimr writes it
// (decimal digits, no leading zero), or an empty text for any other name.
QString SectionNumber(const QString& name) {
  if (!name.startsWith(kSectionPrefix, Qt::CaseInsensitive)) {
    return {};
  }
  const QString digits = name.mid(kSectionPrefix.size());
  if (digits.isEmpty() || (digits.size() > 1 && digits.front() == QLatin1Char('0'))) {
    return {};
  }
  for (const QChar c : digits) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
      return {};
    }
  }
  return digits;
}

// A value as a line of the list may hold it: its first kMaxValueLength
// characters, one less where the cut would split a surrogate pair.
QString LimitedValue(const QString& value) {
  if (value.size() <= TExternalProgs::kMaxValueLength) {
    return value;
  }
  qsizetype length = TExternalProgs::kMaxValueLength;
  if (value.at(length - 1).isHighSurrogate()) {
    --length;
  }
  return value.left(length);
}

// Orders canonical decimal numbers of any length without converting them,
// so a huge number in a damaged file cannot overflow.
bool NumberLess(const QString& a, const QString& b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace

int TExternalProg::Index() const {
  return owner_->IndexOf(this);
}

TExternalProg& TExternalProgs::Add(const QString& name) {
  items_.push_back(std::unique_ptr<TExternalProg>(new TExternalProg(this)));
  items_.back()->Name = name;
  return *items_.back();
}

void TExternalProgs::Clear() {
  items_.clear();
}

TExternalProg* TExternalProgs::Items(int i) const {
  if (i < 0 || i >= Count()) {
    return nullptr;
  }
  return items_[static_cast<std::size_t>(i)].get();
}

int TExternalProgs::IndexOf(const TExternalProg* prog) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].get() == prog) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

QString TExternalProgs::SectionName(int n) {
  return kSectionPrefix + QString::number(n);
}

bool TExternalProgs::LoadFromFile(const QString& path, QString* error) {
  Clear();
  const QFileInfo info(path);
  if (!info.exists()) {
    return true;
  }
  const auto fail = [&](const QString& reason) {
    if (error) {
      *error = LangText(TLangSection::Strings, 126).arg(path) + QStringLiteral(": ") + reason;
    }
    qCWarning(lcExternal) << "cannot read" << path << reason;
    return false;
  };
  if (!info.isFile()) {
    return fail(QStringLiteral("not a file"));
  }
  if (info.size() > kMaxFileSize) {
    return fail(QStringLiteral("the file is too large"));
  }
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    return fail(f.errorString());
  }
  const TIniFile ini = TIniFile::FromBytes(f.read(kMaxFileSize + 1));

  // Every numbered section once (a repeated name is read from its last copy,
  // as lookups do), in the order of the numbers.
  std::vector<std::pair<QString, QString>> numbered;  // number, section name
  for (const TIniSection& s : ini.sections()) {
    const QString number = SectionNumber(s.name);
    if (number.isEmpty()) {
      continue;
    }
    const bool seen = std::any_of(numbered.begin(), numbered.end(),
                                  [&](const auto& n) { return n.first == number; });
    if (!seen) {
      numbered.emplace_back(number, s.name);
    }
  }
  std::sort(numbered.begin(), numbered.end(),
            [](const auto& a, const auto& b) { return NumberLess(a.first, b.first); });

  for (const auto& [number, section] : numbered) {
    if (!ini.SectionExists(section)) {
      continue;
    }
    const std::optional<QString> name = ini.Value(section, kName);
    const std::optional<QString> program = ini.Value(section, kPath);
    const std::optional<QString> parameters = ini.Value(section, kParameters);
    // Whatever the user wrote into an entry is kept (the list is saved again
    // at exit, so an entry skipped here would be gone): only a section with
    // none of the entry's keys is not one.
    if (!name && !program && !parameters) {
      qCInfo(lcExternal) << "skipped" << section << "without a name, program or parameters";
      continue;
    }
    bool cut = false;
    const auto limited = [&cut](const std::optional<QString>& value) {
      QString text = LimitedValue(value.value_or(QString()));
      cut = cut || (value && text.size() != value->size());
      return text;
    };
    TExternalProg& prog = Add(limited(name));
    prog.Path = limited(program);
    prog.Parameters = limited(parameters);
    if (cut) {
      qCWarning(lcExternal) << "cut a value of" << section << "to" << kMaxValueLength
                            << "characters";
    }
  }
  return true;
}

bool TExternalProgs::SaveToFile(const QString& path, QString* error) const {
  // A new document rather than an update of the old one: numbered sections
  // the list no longer has, wherever they sit, cannot survive.
  TIniFile ini;
  for (int i = 0; i < Count(); ++i) {
    const TExternalProg& prog = *items_[static_cast<std::size_t>(i)];
    const QString section = SectionName(i);
    ini.WriteString(section, kName, prog.Name);
    ini.WriteString(section, kPath, prog.Path);
    ini.WriteString(section, kParameters, prog.Parameters);
  }
  QString reason;
  if (ini.Save(path, &reason)) {
    return true;
  }
  if (error) {
    *error = LangText(TLangSection::Strings, 125).arg(path) + QStringLiteral(": ") + reason;
  }
  qCWarning(lcExternal) << "cannot write" << path << reason;
  return false;
}

}  // namespace glimr
