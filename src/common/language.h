#pragma once
// Every user-visible text goes through LangText: a section ("Captions",
// "Hints", "Strings", "Options"), a numeric key and the English default.
// The texts of the loaded language file override the built-in defaults.

#include <QString>

namespace glimr {

// The text for (section, key) from the loaded language file, else the default.
// Safe to call from any thread once the language is loaded.
QString LangText(const QString& section, const QString& key, const QString& defaultText);

}  // namespace glimr
