#pragma once
// "Select File Types": picks one or more of the offered extensions.

#include <QDialog>
#include <QStringList>

class QListWidget;
class QPushButton;

namespace glimr {

class TdlgFileTypes : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgFileTypes(QWidget* parent = nullptr);

  // Replaces the offered extensions, nothing selected.
  void SetTypes(const QStringList& types);
  // The selected extensions in list order.
  QStringList SelectedTypes() const;

  QListWidget* List() const { return lbTypes_; }
  QPushButton* OkButton() const { return btnOk_; }
  QPushButton* CancelButton() const { return btnCancel_; }
  void ApplyLanguage();

 private:
  QListWidget* lbTypes_ = nullptr;
  QPushButton* btnOk_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
};

}  // namespace glimr
