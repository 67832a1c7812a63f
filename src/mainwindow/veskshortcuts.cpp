#include "mainwindow/veskshortcuts.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "common/langtable.h"
#include "common/language.h"
#include "common/ui/shortcuttext.h"
#include "mainwindow/veskactions.h"

namespace glimr {

namespace {

struct TShortcut {
  const char* Action;
  int Key;  // Captions key of the shortcut's text; the table holds the default
};

// Captions 290-305: the keys in Qt's portable form ("Ctrl+C"), so a language
// file can move a shortcut to a key its keyboard has.
constexpr TShortcut kShortcuts[] = {
    {"aCopyToCB", 290},    {"aCutToCB", 291},       {"aPasteFromCB", 292},  {"aFileDelete", 293},
    {"aFileRename", 294},  {"aSelectAll", 295},     {"aClearRating", 296},  {"aSetOneStar", 297},
    {"aSetTwoStars", 298}, {"aSetThreeStars", 299}, {"aSetFourStars", 300}, {"aSetFiveStars", 301},
    {"aVGOpenDir", 302},   {"aPrevHistory", 303},   {"aNextHistory", 304},  {"aUp", 305},
    {"aVGExit", 306},
};

}  // namespace

void AssignShortcuts(TVeskActions& actions) {
  for (const TShortcut& s : kShortcuts) {
    QAction* action = actions.Get(s.Action);
    action->setShortcut(LangShortcut(s.Key));
    // The menus show the keys; the window catches them wherever its focus is.
    action->setShortcutContext(Qt::WindowShortcut);
  }
}

QKeySequence RereadShortcut() {
  return LangShortcut(307);
}

bool TTextFieldShortcutGuard::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    QWidget* focus = QApplication::focusWidget();
    const auto* combo = qobject_cast<QComboBox*>(focus);
    const bool textField = qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
                           qobject_cast<QPlainTextEdit*>(focus) ||
                           qobject_cast<QAbstractSpinBox*>(focus) || (combo && combo->isEditable());
    const auto* key = static_cast<QKeyEvent*>(event);
    // Escape still closes a dialog; every other key is the text field's.
    if (textField && key->key() != Qt::Key_Escape) {
      event->accept();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace glimr
