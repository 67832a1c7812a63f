#pragma once
// Keyboard shortcuts named by the language file, so a translation can move a
// shortcut to a key its keyboard has.

#include <QKeySequence>
#include <QString>

namespace glimr {

// The shortcut a language text names in Qt's portable form ("Ctrl+Shift+D");
// text that names no key gives the fallback.
QKeySequence ShortcutFromText(const QString& text, const QKeySequence& fallback);

// The shortcut of a "Captions" key: its text in the language in force, or
// the key's default when the text names no key.
QKeySequence LangShortcut(int captionsKey);

}  // namespace glimr
