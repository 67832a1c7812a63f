#pragma once
// The OK/Cancel row of a dialog: Qt's button box, so the buttons sit where
// the desktop expects them and Return and Escape keep their roles, with the
// object names btnOk and btnCancel the windows are looked up by.

class QBoxLayout;
class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace glimr {

struct TOkCancelRow {
  QDialogButtonBox* Box = nullptr;
  QPushButton* Ok = nullptr;      // the default button
  QPushButton* Cancel = nullptr;  // rejects the dialog, as Escape does
};

// Adds the row at the end of layout. The buttons start without captions: the
// dialog sets the language file's, so Qt's own never show. OK is not
// connected: the dialog runs its own checks before it accepts.
TOkCancelRow AddOkCancelRow(QDialog& dialog, QBoxLayout& layout);

}  // namespace glimr
