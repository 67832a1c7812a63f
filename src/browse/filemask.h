#pragma once
// File name masks: "*" any run of characters, "?" one character, "[...]" one
// character of a set (ranges "a-z", "!" first negates); case is ignored.

#include <QString>

#include <vector>

namespace glimr {

class TFileMask {
 public:
  // Parses the mask; a mask that is not well formed (more than 30 "*", a set
  // never closed, empty or starting with "-") raises GlimrError with
  // "'<mask>' is an invalid mask at (<position>)".
  explicit TFileMask(const QString& mask);
  bool Matches(const QString& name) const;

 private:
  struct Token {
    enum Kind { Literal, AnyChar, AnyRun, Set } kind;
    char32_t ch = 0;
    bool negate = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;
  };
  bool MatchOne(const Token& t, char32_t c) const;

  std::vector<Token> tokens_;
};

bool MatchesMask(const QString& name, const QString& mask);

}  // namespace glimr
