#include "mainwindow/veskshortcuts.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "mainwindow/veskactions.h"

namespace glimr {

namespace {

struct TShortcut {
  const char* Action;
  QKeySequence Keys;
};

}  // namespace

void AssignShortcuts(TVeskActions& actions) {
  const TShortcut shortcuts[] = {
      {"aCopyToCB", QKeySequence::Copy},
      {"aCutToCB", QKeySequence::Cut},
      {"aPasteFromCB", QKeySequence::Paste},
      {"aFileDelete", QKeySequence(Qt::Key_Delete)},
      {"aFileRename", QKeySequence(Qt::Key_F2)},
      {"aSelectAll", QKeySequence::SelectAll},
      {"aClearRating", QKeySequence(Qt::CTRL | Qt::Key_0)},
      {"aSetOneStar", QKeySequence(Qt::CTRL | Qt::Key_1)},
      {"aSetTwoStars", QKeySequence(Qt::CTRL | Qt::Key_2)},
      {"aSetThreeStars", QKeySequence(Qt::CTRL | Qt::Key_3)},
      {"aSetFourStars", QKeySequence(Qt::CTRL | Qt::Key_4)},
      {"aSetFiveStars", QKeySequence(Qt::CTRL | Qt::Key_5)},
      {"aVGOpenDir", QKeySequence(Qt::CTRL | Qt::Key_O)},
      {"aPrevHistory", QKeySequence(Qt::ALT | Qt::Key_Left)},
      {"aNextHistory", QKeySequence(Qt::ALT | Qt::Key_Right)},
      {"aUp", QKeySequence(Qt::ALT | Qt::Key_Up)},
      {"aVGExit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
  };
  for (const TShortcut& s : shortcuts) {
    QAction* action = actions.Get(s.Action);
    action->setShortcut(s.Keys);
    // The menus show the keys; the window catches them wherever its focus is.
    action->setShortcutContext(Qt::WindowShortcut);
  }
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
