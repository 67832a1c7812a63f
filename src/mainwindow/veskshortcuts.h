#pragma once
// The keyboard shortcuts of the main window's actions (Ctrl+C for Copy,
// Delete for Delete File(s), F2 for Rename, ...), shown in the menus, and a
// guard that keeps them from firing while a text field has the focus, so
// typing a caption or a name never deletes a file or rates an image.

#include <QKeySequence>
#include <QObject>

#include "common/ui/shortcuttext.h"

namespace glimr {

class TVeskActions;

// Gives the actions their shortcuts in the language in force; run again
// when the language changes. F5 and the like that no action carries are the
// window's own.
void AssignShortcuts(TVeskActions& actions);

// The key that rereads the shown folder (F5 unless the language moves it).
QKeySequence RereadShortcut();


// Installed on the application: while a text field (a line edit, a text
// edit, a spin box, an editable combo box) has the focus, every key goes to
// it rather than to a shortcut.
class TTextFieldShortcutGuard : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace glimr
