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

// Replaces the loaded language as a whole. An empty path or a folder path (no
// language chosen) gives the built-in texts and succeeds. A file that cannot
// be read, is larger than kMaxLanguageFileBytes, holds binary data or no
// "key=value" line in "Captions", "Hints", "Strings" or "Options" is no
// language: the language in force stays as it was, and the result is false
// with the reason in error (when given).
// Texts a loaded file lacks fall back to their defaults.
bool LoadLanguageFile(const QString& path, QString* error = nullptr);

// A complete language file is a few dozen kilobytes; anything far beyond is
// not one and is not read into memory.
inline constexpr qint64 kMaxLanguageFileBytes = 8 * 1024 * 1024;

// The path given to the last successful LoadLanguageFile (empty for the
// built-in texts).
QString LoadedLanguageFile();

// "Options" / "LangDesc" of a language file: the name shown in the language
// list. nullopt when the file is no language (see LoadLanguageFile) or has no
// such key.
std::optional<QString> LanguageDescription(const QString& path);

// Each "\n" pair (backslash and n or N) becomes a line break.
QString ExpandLineBreaks(const QString& text);

}  // namespace glimr
