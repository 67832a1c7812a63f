#include "common/regstore.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QStringDecoder>

#include <optional>

#include "common/filewrite.h"

namespace glimr {

Q_LOGGING_CATEGORY(lcRegStore, "glimr.settings")

namespace {

const QString kRoot = QStringLiteral("HKEY_CURRENT_USER");

QStringList SplitKey(const QString& key) {
  QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
  return parts;
}

QString EscapeText(const QString& s) {
  QString out;
  out.reserve(s.size() + 2);
  for (QChar c : s) {
    if (c == QLatin1Char('\\') || c == QLatin1Char('"')) {
      out += QLatin1Char('\\');
    }
    out += c;
  }
  return out;
}

// Parses a quoted text starting at line[pos] == '"'. On success sets pos just
// past the closing quote.
std::optional<QString> ParseQuoted(const QString& line, qsizetype& pos) {
  if (pos >= line.size() || line[pos] != QLatin1Char('"')) {
    return std::nullopt;
  }
  QString out;
  for (qsizetype i = pos + 1; i < line.size(); ++i) {
    const QChar c = line[i];
    if (c == QLatin1Char('\\') && i + 1 < line.size()) {
      out += line[++i];
    } else if (c == QLatin1Char('"')) {
      pos = i + 1;
      return out;
    } else {
      out += c;
    }
  }
  return std::nullopt;
}

// Characters that must not appear raw inside a quoted text: anything that
// could end the line for a reader (CR, LF, the Unicode line separators) and
// the other control characters, which an editor may mangle.
bool NeedsHexForm(const QString& s) {
  for (QChar c : s) {
    const char16_t u = c.unicode();
    if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029) {
      return true;
    }
  }
  return false;
}

// REG_SZ in regedit's binary form: the UTF-16LE code units of the text and a
// terminating zero unit, as "hex(1):" bytes.
QString HexText(const QString& s) {
  QStringList hex;
  hex.reserve((s.size() + 1) * 2);
  const auto add = [&hex](char16_t u) {
    hex.append(QStringLiteral("%1").arg(u & 0xFF, 2, 16, QLatin1Char('0')));
    hex.append(QStringLiteral("%1").arg(u >> 8, 2, 16, QLatin1Char('0')));
  };
  for (QChar c : s) {
    add(c.unicode());
  }
  add(0);
  return QStringLiteral("hex(1):") + hex.join(QLatin1Char(','));
}

std::optional<QByteArray> ParseHexBytes(const QString& data);

// The text of "hex(1):" bytes: UTF-16LE, one terminating zero unit dropped.
std::optional<QString> ParseHexText(const QString& data) {
  const auto bytes = ParseHexBytes(data);
  if (!bytes || bytes->size() % 2 != 0) {
    return std::nullopt;
  }
  QString out;
  out.reserve(bytes->size() / 2);
  for (qsizetype i = 0; i < bytes->size(); i += 2) {
    const auto lo = static_cast<uchar>((*bytes)[i]);
    const auto hi = static_cast<uchar>((*bytes)[i + 1]);
    out.append(QChar(static_cast<char16_t>(lo | (hi << 8))));
  }
  if (out.endsWith(QChar(u'\0'))) {
    out.chop(1);
  }
  return out;
}

std::optional<QByteArray> ParseHexBytes(const QString& data) {
  QByteArray bytes;
  const QString trimmed = data.trimmed();
  if (trimmed.isEmpty()) {
    return bytes;
  }
  for (const QString& part : trimmed.split(QLatin1Char(','))) {
    bool ok = false;
    const QString p = part.trimmed();
    const uint b = p.toUInt(&ok, 16);
    if (!ok || p.size() > 2 || b > 255) {
      return std::nullopt;
    }
    bytes.append(static_cast<char>(b));
  }
  return bytes;
}

}  // namespace

struct RegStore::Node {
  QString name;
  std::vector<std::unique_ptr<Node>> children;
  std::vector<RegValue> values;

  Node* Child(const QString& n) const {
    for (const auto& c : children) {
      if (c->name.compare(n, Qt::CaseInsensitive) == 0) {
        return c.get();
      }
    }
    return nullptr;
  }
  RegValue* FindValue(const QString& n) {
    for (auto& v : values) {
      if (v.name.compare(n, Qt::CaseInsensitive) == 0) {
        return &v;
      }
    }
    return nullptr;
  }
};

RegStore::RegStore(QString filePath)
    : path_(std::move(filePath)), root_(std::make_unique<Node>()) {}

RegStore::~RegStore() = default;

QString RegStore::DefaultPath() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty()) {
    base = QDir::homePath() + QStringLiteral("/.config");
  }
  return base + QStringLiteral("/Quillfen/Glimr.reg");
}

bool RegStore::Load() {
  root_ = std::make_unique<Node>();
  QFile f(path_);
  if (!f.exists()) {
    return true;
  }
  if (!f.open(QIODevice::ReadOnly)) {
    lastError_ = f.errorString();
    qCWarning(lcRegStore) << "cannot read" << path_ << lastError_;
    return false;
  }
  const QByteArray raw = f.readAll();
  auto decoder = QStringDecoder(QStringDecoder::Utf8);
  QString text = decoder(raw);
  if (decoder.hasError()) {
    text = QString::fromLatin1(raw);
  }
  ParseText(text);
  return true;
}

void RegStore::ParseText(const QString& text) {
  root_ = std::make_unique<Node>();
  // Join continuation lines (a trailing "\" outside a quoted text).
  QStringList lines;
  QString pending;
  for (QString line : text.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) {
      line.chop(1);
    }
    if (!pending.isEmpty()) {
      line = pending + line.trimmed();
      pending.clear();
    }
    const QString t = line.trimmed();
    if (t.endsWith(QLatin1Char('\\')) && !t.startsWith(QLatin1Char('[')) &&
        t.contains(QStringLiteral("=hex"))) {
      pending = t.left(t.size() - 1);
      continue;
    }
    lines.append(line);
  }
  if (!pending.isEmpty()) {
    lines.append(pending);
  }

  Node* current = nullptr;
  int lineNo = 0;
  for (const QString& raw : lines) {
    ++lineNo;
    const QString line = raw.trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line == QLatin1String("REGEDIT4") ||
        line.startsWith(QLatin1String("Windows Registry Editor"))) {
      continue;
    }
    if (line.startsWith(QLatin1Char('['))) {
      current = nullptr;
      if (!line.endsWith(QLatin1Char(']')) || line.startsWith(QLatin1String("[-"))) {
        continue;
      }
      const QString full = line.mid(1, line.size() - 2);
      if (full.compare(kRoot, Qt::CaseInsensitive) == 0) {
        current = root_.get();
      } else if (full.startsWith(kRoot + QLatin1Char('\\'), Qt::CaseInsensitive)) {
        current = FindOrCreate(full.mid(kRoot.size() + 1));
      } else {
        qCWarning(lcRegStore) << "line" << lineNo << "names another hive; skipped";
      }
      continue;
    }
    if (!current) {
      continue;
    }
    RegValue v;
    qsizetype pos = 0;
    if (line.startsWith(QLatin1Char('@'))) {
      pos = 1;
    } else if (auto name = ParseQuoted(line, pos)) {
      v.name = *name;
    } else {
      qCWarning(lcRegStore) << "line" << lineNo << "is not a value; skipped";
      continue;
    }
    if (pos >= line.size() || line[pos] != QLatin1Char('=')) {
      qCWarning(lcRegStore) << "line" << lineNo << "has no '='; skipped";
      continue;
    }
    ++pos;
    const QString data = line.mid(pos);
    bool ok = false;
    if (data.startsWith(QLatin1Char('"'))) {
      qsizetype p = 0;
      auto s = ParseQuoted(data, p);
      if (s && data.mid(p).trimmed().isEmpty()) {
        v.type = RegType::String;
        v.text = *s;
        ok = true;
      }
    } else if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
      const QString hex = data.mid(6).trimmed();
      bool num = false;
      const qulonglong d = hex.toULongLong(&num, 16);
      if (num && hex.size() <= 8) {
        v.type = RegType::Dword;
        v.dword = static_cast<quint32>(d);
        ok = true;
      }
    } else if (data.startsWith(QLatin1String("hex(1):"), Qt::CaseInsensitive)) {
      if (auto text = ParseHexText(data.mid(7))) {
        v.type = RegType::String;
        v.text = *text;
        ok = true;
      }
    } else if (data.startsWith(QLatin1String("hex:"), Qt::CaseInsensitive)) {
      if (auto bytes = ParseHexBytes(data.mid(4))) {
        v.type = RegType::Binary;
        v.bytes = *bytes;
        ok = true;
      }
    }
    if (!ok) {
      qCWarning(lcRegStore) << "line" << lineNo << "has data of an unknown form; skipped";
      continue;
    }
    if (RegValue* existing = current->FindValue(v.name)) {
      *existing = v;
    } else {
      current->values.push_back(v);
    }
  }
}

QString RegStore::ToText() const {
  QString out = QStringLiteral("REGEDIT4\r\n");
  auto writeKey = [&out](const auto& self, const Node* node, const QString& path) -> void {
    out += QStringLiteral("\r\n[") + path + QStringLiteral("]\r\n");
    for (const RegValue& v : node->values) {
      out += v.name.isEmpty() ? QStringLiteral("@")
                              : QLatin1Char('"') + EscapeText(v.name) + QLatin1Char('"');
      out += QLatin1Char('=');
      switch (v.type) {
        case RegType::Dword:
          out += QStringLiteral("dword:%1").arg(v.dword, 8, 16, QLatin1Char('0'));
          break;
        case RegType::String:
          // A line break inside quotes would cut the value at the next load
          // and let the rest of the text read as keys and values of its own.
          if (NeedsHexForm(v.text)) {
            out += HexText(v.text);
          } else {
            out += QLatin1Char('"') + EscapeText(v.text) + QLatin1Char('"');
          }
          break;
        case RegType::Binary: {
          out += QStringLiteral("hex:");
          QStringList hex;
          for (char b : v.bytes) {
            hex.append(QStringLiteral("%1").arg(static_cast<uchar>(b), 2, 16, QLatin1Char('0')));
          }
          out += hex.join(QLatin1Char(','));
          break;
        }
      }
      out += QStringLiteral("\r\n");
    }
    for (const auto& c : node->children) {
      self(self, c.get(), path + QLatin1Char('\\') + c->name);
    }
  };
  for (const auto& c : root_->children) {
    writeKey(writeKey, c.get(), kRoot + QLatin1Char('\\') + c->name);
  }
  return out;
}

bool RegStore::Save() const {
  QString error;
  if (!WriteFileAtomically(path_, ToText().toUtf8(), &error)) {
    lastError_ = error;
    qCWarning(lcRegStore) << "cannot write" << path_ << error;
    return false;
  }
  return true;
}

RegStore::Node* RegStore::Find(const QString& key) const {
  Node* node = root_.get();
  for (const QString& part : SplitKey(key)) {
    node = node->Child(part);
    if (!node) {
      return nullptr;
    }
  }
  return node;
}

RegStore::Node* RegStore::FindOrCreate(const QString& key) {
  Node* node = root_.get();
  for (const QString& part : SplitKey(key)) {
    Node* child = node->Child(part);
    if (!child) {
      node->children.push_back(std::make_unique<Node>());
      child = node->children.back().get();
      child->name = part;
    }
    node = child;
  }
  return node;
}

bool RegStore::KeyExists(const QString& key) const {
  return Find(key) != nullptr;
}

void RegStore::CreateKey(const QString& key) {
  FindOrCreate(key);
}

bool RegStore::DeleteKey(const QString& key) {
  QStringList parts = SplitKey(key);
  if (parts.isEmpty()) {
    return false;
  }
  const QString last = parts.takeLast();
  Node* parent = Find(parts.join(QLatin1Char('\\')));
  if (!parent) {
    return false;
  }
  auto& ch = parent->children;
  for (auto it = ch.begin(); it != ch.end(); ++it) {
    if ((*it)->name.compare(last, Qt::CaseInsensitive) == 0) {
      ch.erase(it);
      return true;
    }
  }
  return false;
}

QStringList RegStore::SubKeys(const QString& key) const {
  QStringList out;
  if (Node* n = Find(key)) {
    for (const auto& c : n->children) {
      out.append(c->name);
    }
  }
  return out;
}

QStringList RegStore::ValueNames(const QString& key) const {
  QStringList out;
  if (Node* n = Find(key)) {
    for (const auto& v : n->values) {
      out.append(v.name);
    }
  }
  return out;
}

const RegValue* RegStore::Value(const QString& key, const QString& name) const {
  Node* n = Find(key);
  return n ? n->FindValue(name) : nullptr;
}

bool RegStore::ValueExists(const QString& key, const QString& name) const {
  return Value(key, name) != nullptr;
}

std::optional<quint32> RegStore::ReadDword(const QString& key, const QString& name) const {
  const RegValue* v = Value(key, name);
  if (!v || v->type != RegType::Dword) {
    return std::nullopt;
  }
  return v->dword;
}

std::optional<QString> RegStore::ReadString(const QString& key, const QString& name) const {
  const RegValue* v = Value(key, name);
  if (!v || v->type != RegType::String) {
    return std::nullopt;
  }
  return v->text;
}

std::optional<QByteArray> RegStore::ReadBinary(const QString& key, const QString& name) const {
  const RegValue* v = Value(key, name);
  if (!v || v->type != RegType::Binary) {
    return std::nullopt;
  }
  return v->bytes;
}

void RegStore::Put(const QString& key, RegValue v) {
  Node* n = FindOrCreate(key);
  if (RegValue* existing = n->FindValue(v.name)) {
    v.name = existing->name;
    *existing = std::move(v);
  } else {
    n->values.push_back(std::move(v));
  }
}

void RegStore::WriteDword(const QString& key, const QString& name, quint32 d) {
  RegValue v;
  v.name = name;
  v.type = RegType::Dword;
  v.dword = d;
  Put(key, std::move(v));
}

void RegStore::WriteString(const QString& key, const QString& name, const QString& s) {
  RegValue v;
  v.name = name;
  v.type = RegType::String;
  v.text = s;
  Put(key, std::move(v));
}

void RegStore::WriteBinary(const QString& key, const QString& name, const QByteArray& b) {
  RegValue v;
  v.name = name;
  v.type = RegType::Binary;
  v.bytes = b;
  Put(key, std::move(v));
}

bool RegStore::DeleteValue(const QString& key, const QString& name) {
  Node* n = Find(key);
  if (!n) {
    return false;
  }
  auto& vals = n->values;
  for (auto it = vals.begin(); it != vals.end(); ++it) {
    if (it->name.compare(name, Qt::CaseInsensitive) == 0) {
      vals.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace glimr
