#pragma once
// Every user-visible text goes through LangText: a section ("Captions",
// "Hints", "Strings", "Options"), a numeric key and the English default.
// The texts of the loaded language file override the built-in defaults.
// One language is loaded for the whole process at a time.

#include <QString>

#include <optional>

#include "common/langtable.h"

namespace glimr {

// The text for (section, key) from the loaded language file, else the default.
// A key present with an empty value gives an empty text. Never fails; safe to
// call from any thread.
QString LangText(const QString& section, const QString& key, const QString& defaultText);
QString LangText(TLangSection section, int key, const QString& defaultText);
// As above with the built-in default of the key table.
QString LangText(TLangSection section, int key);

// Replaces the loaded language. An empty path, a folder or an unreadable file
// gives a language without entries, so every lookup returns its default. A
// damaged file yields what can be read from it; nothing is reported.
void LoadLanguageFile(const QString& path);

// The path given to the last LoadLanguageFile (empty for the built-in texts).
QString LoadedLanguageFile();

// "Options" / "LangDesc" of a language file: the name shown in the language
// list. nullopt when the file cannot be read or has no such key.
std::optional<QString> LanguageDescription(const QString& path);

// Each "\n" pair (backslash and n or N) becomes a line break.
QString ExpandLineBreaks(const QString& text);

}  // namespace glimr
