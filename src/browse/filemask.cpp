#include "browse/filemask.h"

#include <QChar>

#include "common/errors.h"

namespace glimr {

namespace {

constexpr int kMaxRuns = 30;

char32_t Up(char32_t c) {
  return QChar::toUpper(c);
}

[[noreturn]] void InvalidMask(const QString& mask, qsizetype position) {
  throw GlimrError(QStringLiteral("'%1' is an invalid mask at (%2)").arg(mask).arg(position));
}

}  // namespace

TFileMask::TFileMask(const QString& mask) {
  const QList<uint> cs = mask.toUcs4();
  const qsizetype n = cs.size();
  int runs = 0;
  // Positions in messages count characters from 1.
  for (qsizetype i = 0; i < n; ++i) {
    const char32_t c = cs[i];
    if (c == U'*') {
      if (++runs > kMaxRuns) {
        InvalidMask(mask, i + 1);
      }
      tokens_.push_back({Token::AnyRun, 0, false, {}});
    } else if (c == U'?') {
      tokens_.push_back({Token::AnyChar, 0, false, {}});
    } else if (c == U'[') {
      Token t{Token::Set, 0, false, {}};
      ++i;
      if (i < n && cs[i] == U'!') {
        t.negate = true;
        ++i;
      }
      bool hasLast = false;
      char32_t last = 0;
      while (i < n && cs[i] != U']') {
        if (cs[i] == U'-') {
          // A range needs a character before and after the hyphen.
          if (!hasLast || i + 1 >= n || cs[i + 1] == U']') {
            InvalidMask(mask, i + 1);
          }
          ++i;
          t.ranges.emplace_back(last, Up(cs[i]));
        } else {
          last = Up(cs[i]);
          hasLast = true;
          t.ranges.emplace_back(last, last);
        }
        ++i;
      }
      if (i >= n || t.ranges.empty()) {
        InvalidMask(mask, i + 1);
      }
      tokens_.push_back(std::move(t));
    } else {
      tokens_.push_back({Token::Literal, Up(c), false, {}});
    }
  }
}

bool TFileMask::MatchOne(const Token& t, char32_t c) const {
  switch (t.kind) {
    case Token::Literal:
      return t.ch == c;
    case Token::AnyChar:
      return true;
    case Token::Set: {
      bool in = false;
      for (const auto& r : t.ranges) {
        if (c >= r.first && c <= r.second) {
          in = true;
          break;
        }
      }
      return in != t.negate;
    }
    case Token::AnyRun:
      break;
  }
  return false;
}

bool TFileMask::Matches(const QString& name) const {
  const QList<uint> raw = name.toUcs4();
  std::vector<char32_t> s;
  s.reserve(static_cast<size_t>(raw.size()));
  for (uint c : raw) {
    s.push_back(Up(c));
  }
  // Single-character tokens with backtracking to the last "*": linear in
  // practice and never exponential.
  size_t t = 0;
  size_t i = 0;
  size_t starT = SIZE_MAX;
  size_t starI = 0;
  while (i < s.size()) {
    if (t < tokens_.size() && tokens_[t].kind == Token::AnyRun) {
      starT = t++;
      starI = i;
    } else if (t < tokens_.size() && MatchOne(tokens_[t], s[i])) {
      ++t;
      ++i;
    } else if (starT != SIZE_MAX) {
      t = starT + 1;
      i = ++starI;
    } else {
      return false;
    }
  }
  while (t < tokens_.size() && tokens_[t].kind == Token::AnyRun) {
    ++t;
  }
  return t == tokens_.size();
}

bool MatchesMask(const QString& name, const QString& mask) {
  return TFileMask(mask).Matches(name);
}

}  // namespace glimr
