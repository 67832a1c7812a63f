#pragma once
// The Files section of the Search page: the name to look for (with "*") and
// whether captions are searched too.

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace glimr {

class TfrSearchFiles : public QWidget {
  Q_OBJECT

 public:
  explicit TfrSearchFiles(QWidget* parent = nullptr);

  QLineEdit* NameEdit() const { return edName_; }
  QCheckBox* InCaptionBox() const { return cbSearchInCaption_; }
  void ApplyLanguage();

 private:
  QLabel* lblFileName_ = nullptr;
  QLineEdit* edName_ = nullptr;
  QCheckBox* cbSearchInCaption_ = nullptr;
};

}  // namespace glimr
