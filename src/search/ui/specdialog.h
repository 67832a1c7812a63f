#pragma once
// The frame the "Set special ..." dialogs share: a fixed-size window with a
// grid for the dialog's own controls and the OK row below it.

#include <QDialog>

class QGridLayout;
class QPushButton;

namespace glimr {

class TSpecDialog : public QDialog {
  Q_OBJECT

 public:
  QPushButton* OkButton() const { return btnOk_; }
  // Labels the OK button, then the dialog's own controls.
  void ApplyLanguage();

 protected:
  // The title is the window caption, which stays untranslated.
  TSpecDialog(QWidget* parent, const QString& name, const QString& title);

  // Where the dialog places its controls.
  QGridLayout* Body() const { return body_; }
  virtual void ApplyOwnLanguage() = 0;

 private:
  QGridLayout* body_ = nullptr;
  QPushButton* btnOk_ = nullptr;
};

}  // namespace glimr
