#include "common/ui/shortcuttext.h"

#include "common/language.h"

namespace glimr {

QKeySequence ShortcutFromText(const QString& text, const QKeySequence& fallback) {
  const QKeySequence keys = QKeySequence::fromString(text.trimmed(), QKeySequence::PortableText);
  // An unknown key name parses to an empty or Key_unknown sequence; a typo in a
  // language file must not take the shortcut away.
  if (keys.isEmpty() || keys[0].key() == Qt::Key_unknown) {
    return fallback;
  }
  return keys;
}

QKeySequence LangShortcut(int captionsKey) {
  return ShortcutFromText(LangText(TLangSection::Captions, captionsKey),
                          QKeySequence::fromString(LangDefault(TLangSection::Captions, captionsKey),
                                                   QKeySequence::PortableText));
}

}  // namespace glimr
