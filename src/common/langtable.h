#pragma once
// The built-in English texts: every key of the three sections of the language
// files with its default, held as one table.

#include <QString>

#include <span>

namespace glimr {

enum class TLangSection { Captions = 0, Hints = 1, Strings = 2 };

struct TLangDefault {
  TLangSection section;
  int key;
  const char16_t* text;
};

// "Captions", "Hints" or "Strings".
QString LangSectionName(TLangSection section);

// Every entry, section by section, keys ascending.
std::span<const TLangDefault> LangDefaults();

// The default text of a key; empty when the table has no such key.
QString LangDefault(TLangSection section, int key);

}  // namespace glimr
