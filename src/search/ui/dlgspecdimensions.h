#pragma once
// "Set special dimensions": an exact width and height condition, each row
// switched on by its check box.

#include <QDialog>

#include "search/searchrequest.h"
#include "search/ui/propcontrols.h"

class QCheckBox;
class QPushButton;

namespace glimr {

class TdlgSpecDimensions : public QDialog {
  Q_OBJECT

 public:
  explicit TdlgSpecDimensions(QWidget* parent = nullptr);

  // The rows as set; Enabled is the row's check box.
  TNumberCondition Width() const;
  TNumberCondition Height() const;

  QCheckBox* WidthBox() const { return cbSetWidth_; }
  QCheckBox* HeightBox() const { return cbSetHeight_; }
  const TConditionRow& WidthRow() const { return width_; }
  const TConditionRow& HeightRow() const { return height_; }
  QPushButton* OkButton() const { return btnOk_; }
  void ApplyLanguage();

 private:
  TConditionRow MakeRow(QCheckBox* box, const QString& prefix);

  QCheckBox* cbSetWidth_ = nullptr;
  QCheckBox* cbSetHeight_ = nullptr;
  TConditionRow width_;
  TConditionRow height_;
  QPushButton* btnOk_ = nullptr;
};

}  // namespace glimr
